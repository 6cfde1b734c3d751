// When a user action's handler returns, what it wrote has reached the disk: one sync per file
// it wrote, after that file's last write, and not one per record. Files are finished one at a
// time (written, then synced, before the next is written), so that after a power cut the
// tables can only be in the states a stopped run leaves: the batch row on disk before its
// invoice records, the records' removal on disk before the batch row's.
#include <gtest/gtest.h>

#include <set>

#include "safety_fixture.h"
#include "user_actions.h"

namespace korvana::safety {
namespace {

TEST(Durability, EachActionSyncsEveryFileItWroteOnceAfterItsLastWriteOneFileAtATime) {
  for (const UserAction& action : userActions()) {
    if (action.large) continue;
    SCOPED_TRACE(action.name);
    Folder folder;
    folder.restore(smallBook());
    RecordingFileSystem fs;
    {
      Program p(folder.path(), fs);
      ASSERT_TRUE(p.started);
      action.run(p, [&] { fs.events.clear(); });
    }
    std::vector<std::string> order;  // the files in the order they were finished
    std::set<std::string> written;
    std::string open;  // the file being written and not yet synced
    int writes = 0;
    for (const auto& e : fs.events) {
      if (!e.sync) {
        ++writes;
        EXPECT_TRUE(open.empty() || open == e.file) << e.file << " written before " << open << " was synced";
        EXPECT_FALSE(written.count(e.file) && open != e.file) << e.file << " written after its sync";
        open = e.file;
        written.insert(e.file);
      } else {
        EXPECT_EQ(e.file, open) << "a sync of a file with nothing new in it";
        order.push_back(e.file);
        open.clear();
      }
    }
    EXPECT_TRUE(open.empty()) << open << " was not synced";
    EXPECT_EQ(order.size(), written.size()) << "a file synced more than once";
    EXPECT_GT(writes, 0);
    // Adding syncs the batch table first, deleting the record table first.
    if (action.op.kind == Op::kAdd || action.op.kind == Op::kDelete) {
      ASSERT_EQ(order.size(), 2u);
      const bool batchFirst = order[0].find("发票管理库") != std::string::npos;
      EXPECT_EQ(batchFirst, action.op.kind == Op::kAdd) << order[0];
    } else {
      EXPECT_EQ(order.size(), 1u);
    }
  }
}

}  // namespace
}  // namespace korvana::safety
