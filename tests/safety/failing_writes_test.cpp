// A write or a sync that fails (a full disk, a disk error): the user is told what could not be
// stored, the program shows what the tables hold, the files stay usable, and nothing stored
// earlier is lost. A first start where nothing can be written ends with a message and leaves
// no half-made file.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "safety_fixture.h"
#include "store/table_store.h"
#include "support/fault_file_system.h"
#include "user_actions.h"

namespace korvana::safety {
namespace {

using testing::FaultFileSystem;

// The boxes shown since `from` (UTF-8), without the deletion's question and the request to add
// a batch once none is left.
std::vector<std::string> shownSince(Program& p, std::size_t from) {
  std::vector<std::string> out;
  for (std::size_t i = from; i < p.tk.messages.size(); ++i) {
    const std::string text = u(p.tk.messages[i].text);
    if (text != "是否真的删除？将不能恢复" && text != "请添加发票！") out.push_back(text);
  }
  return out;
}

// Whether a box is the action's report of a failure with that code: one of its texts, and for
// a "保存失败：<table>" text, the store's text of the code after it, in an error box.
bool reportsFailure(const UserAction& action, const std::string& text, int code) {
  for (const std::string& expected : action.failureMessages) {
    if (expected.back() != '\n') {
      if (text == expected) return true;
    } else if (text == expected + u(store::TableStore::errorText(code))) {
      return true;
    }
  }
  return false;
}

class FailingWrite : public ::testing::TestWithParam<UserAction> {};

// Every write of the action in turn fails: once (a passing fault, after which the disk works
// again) and for good (every later write fails too), alternately with "disk full" and a disk
// error.
TEST_P(FailingWrite, IsReportedAndShownAndLosesNothing) {
  const UserAction& action = GetParam();
  const Book& book = action.large ? largeBook() : smallBook();
  Folder folder;
  folder.restore(book);
  const State before = readState(folder.path());
  const int writes = writesOf(action, folder.path());
  ASSERT_GT(writes, 0);

  for (int k = 1; k <= writes; ++k) {
    for (bool forGood : {false, true}) {
      const int code = (k + forGood) % 2 ? -14 : -11;
      SCOPED_TRACE(::testing::Message() << "write " << k << " of " << writes << " fails with "
                                        << code << (forGood ? " for good" : " once"));
      folder.restore(book);
      {
        FaultFileSystem faults;
        Program p(folder.path(), faults);
        ASSERT_TRUE(p.started);
        std::size_t from = 0;
        action.run(p, [&] {
          faults.failWrite(k, code, forGood);
          from = p.tk.messages.size();
        });
        const std::vector<std::string> shown = shownSince(p, from);
        ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
        EXPECT_TRUE(reportsFailure(action, shown[0], code)) << shown[0];
        // Once the disk works again the window shows what the tables hold.
        if (!forGood && action.op.kind != Op::kPayerAdd && action.op.kind != Op::kPayerEdit &&
            action.op.kind != Op::kPayerDelete) {
          faults.clearFaults();
          const State live = readState(folder.path(), false);
          checkTables(live);
          checkShown(p, live);
        }
      }
      const State found = checkProgram(folder.path());
      EXPECT_TRUE(action.op.accepts(before, found))
          << "found " << ::testing::PrintToString(found) << " after " << action.op.describe();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(UserActions, FailingWrite, ::testing::ValuesIn(userActions()),
                         [](const auto& info) { return testName(info.param); });

// Each sync of the action in turn fails: the user is told which table, and the next start
// finds the action done, not done, or (adding) the batch with the records it got.
TEST(FailingSync, IsReportedWithTheTableItsActionWrote) {
  for (const UserAction& action : userActions()) {
    if (action.large) continue;
    SCOPED_TRACE(action.name);
    Folder folder;
    folder.restore(smallBook());
    const State before = readState(folder.path());
    int syncs = 0;
    {
      RecordingFileSystem fs;
      Program p(folder.path(), fs);
      action.run(p, [&] { fs.syncs = 0; });
      syncs = fs.syncs;
    }
    ASSERT_GE(syncs, 1);
    for (int n = 1; n <= syncs; ++n) {
      SCOPED_TRACE(::testing::Message() << "sync " << n << " of " << syncs << " fails");
      folder.restore(smallBook());
      {
        RecordingFileSystem fs;
        Program p(folder.path(), fs);
        std::size_t from = 0;
        action.run(p, [&] {
          fs.syncs = 0;
          fs.failSyncAt = n;
          from = p.tk.messages.size();
        });
        const std::vector<std::string> shown = shownSince(p, from);
        ASSERT_EQ(shown.size(), 1u) << ::testing::PrintToString(shown);
        EXPECT_THAT(shown[0], ::testing::StartsWith("保存失败："));
        EXPECT_TRUE(reportsFailure(action, shown[0], -11)) << shown[0];
      }
      EXPECT_TRUE(action.op.accepts(before, checkProgram(folder.path())));
    }
  }
}

// A first start where a table cannot be created, whichever write is refused: the message
// names the table, the program ends, and every table file left in the folder is whole. When
// the refusal lasts, a temporary file whose removal was refused too may stay behind; the next
// start that can write takes its place.
TEST(NoPlaceToWrite, AFirstStartEndsWithAMessageAndLeavesNoHalfMadeTable) {
  int writes = 0;
  {
    Folder folder;
    FaultFileSystem faults;
    Program p(folder.path(), faults);
    ASSERT_TRUE(p.started);
    writes = faults.writes();
  }
  const std::vector<std::string> tables = {"单位库", "发票管理库", "发票记录库"};
  const std::vector<std::string> files = {"单位库.EDB", "发票管理库.EDB", "发票记录库.EDB"};
  for (int k = 1; k <= writes; ++k) {
    for (bool forGood : {false, true}) {
      SCOPED_TRACE(::testing::Message() << "write " << k << " of " << writes << " is refused"
                                        << (forGood ? " with every later one" : ""));
      Folder folder;
      {
        FaultFileSystem faults;
        faults.failWrite(k, -6, forGood);
        Program p(folder.path(), faults);
        // A refused rename alone is got round by writing the table in place.
        if (p.started && !forGood) continue;
        EXPECT_FALSE(p.started);
        // The tables are made in order; the first that could not be made is named.
        std::size_t made = 0;
        while (made < files.size() && readBytes(folder.file(files[made])).size() > 0) ++made;
        ASSERT_LT(made, tables.size());
        EXPECT_EQ(p.messages(), std::vector<std::string>{"创建" + tables[made] + "失败！"});
        for (const std::string& name : folder.names()) {
          const bool table = std::find(files.begin(), files.end(), name) != files.end();
          EXPECT_TRUE(table || (forGood && name.ends_with(".new"))) << name << " was left";
        }
      }
      // What is there is whole: a start on it finds the made tables empty and creates the rest.
      EXPECT_EQ(checkProgram(folder.path()), State{});
      EXPECT_EQ(folder.names(), files);
    }
  }
}

// The same on a folder mounted read-only, where the system itself refuses every write.
TEST(NoPlaceToWrite, AReadOnlyFolder) {
  Folder folder;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A mount namespace of its own, so that the mount ends with this process.
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("tmpfs", folder.path().c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0)
      _exit(77);
    int result = 0;
    {
      Program p(folder.path());
      if (p.started) result |= 1;
      if (p.messages() != std::vector<std::string>{"创建单位库失败！"}) result |= 2;
      if (!folder.names().empty()) result |= 4;
    }
    _exit(result);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no read-only mount can be made here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: it started, 2: not the message, 4: a file was left";
}

}  // namespace
}  // namespace korvana::safety
