// A run that stops at any write of a user action, as a crash or a killed process would stop
// it: the next start finds every file usable, every earlier action wholly there, and the
// interrupted one wholly there, wholly absent, or (adding and deleting a batch, which change
// two files) a batch the user sees with the records it has and can delete.
#include <gtest/gtest.h>

#include "safety_fixture.h"
#include "support/fault_file_system.h"
#include "user_actions.h"

namespace korvana::safety {
namespace {

using testing::FaultFileSystem;

// The user deletes a batch.
void deleteLeftover(const std::string& folder, const std::string& key) {
  Program p(folder);
  ASSERT_TRUE(p.started);
  const std::vector<std::string> list = p.list();
  const auto it = std::find(list.begin(), list.end(), key);
  ASSERT_NE(it, list.end()) << u(key) << " is not listed";
  p.pick(static_cast<int>(it - list.begin()));
  p.deleteCurrent();
}

class StopAtEveryWrite : public ::testing::TestWithParam<UserAction> {};

TEST_P(StopAtEveryWrite, LeavesTheActionWhollyThereWhollyAbsentOrShownAndDeletable) {
  const UserAction& action = GetParam();
  const Book& book = action.large ? largeBook() : smallBook();
  Folder folder;
  folder.restore(book);
  const State before = readState(folder.path());

  // The action undisturbed: how many writes it makes, and what it leaves.
  const int writes = writesOf(action, folder.path());
  const State after = checkProgram(folder.path());
  ASSERT_EQ(after, action.op.apply(before)) << "the action did not do what it should";
  ASSERT_GT(writes, 0);

  int partial = 0;
  for (int k = 1; k <= writes; ++k) {
    SCOPED_TRACE(::testing::Message() << "stopped at write " << k << " of " << writes);
    folder.restore(book);
    {
      FaultFileSystem faults;
      Program p(folder.path(), faults);
      ASSERT_TRUE(p.started);
      action.run(p, [&] { faults.stopAtWrite(k); });
      EXPECT_TRUE(faults.stopped());
    }
    State found = checkProgram(folder.path());
    bool isPartial = false;
    ASSERT_TRUE(action.op.accepts(before, found, &isPartial))
        << "found " << ::testing::PrintToString(found) << " after " << action.op.describe();
    if (isPartial) {
      ++partial;
      // The batch left part-way goes with one more deletion, and nothing else with it.
      deleteLeftover(folder.path(), action.op.batch.key);
      found = readState(folder.path());
      EXPECT_EQ(found, action.op.kind == Op::kAdd ? before : after);
    }
    if (action.op.kind == Op::kDelete) {
      // Nothing the stopped deletion left behind goes with a later one: deleting another batch
      // takes exactly that batch.
      const std::string other = found.batches.front().key == action.op.batch.key
                                    ? found.batches.back().key
                                    : found.batches.front().key;
      deleteLeftover(folder.path(), other);
      EXPECT_EQ(readState(folder.path()), Op::remove(other).apply(found));
    }
  }
  // The cases that leave a partial state are named in the test's output.
  RecordProperty("writes", writes);
  RecordProperty("partial", partial);
  if (partial > 0) {
    std::printf("  %s: %d of %d stops leave a batch with part of its invoice records\n",
                action.name, partial, writes);
  }
}

INSTANTIATE_TEST_SUITE_P(UserActions, StopAtEveryWrite, ::testing::ValuesIn(userActions()),
                         [](const auto& info) { return testName(info.param); });

// A first start that stops at any write: the next start creates what is missing, and the
// folder holds the three tables and nothing else.
TEST(StopAtEveryWrite, OfTheFirstStartLeavesNoHalfCreatedTable) {
  int writes = 0;
  {
    Folder folder;
    FaultFileSystem faults;
    Program p(folder.path(), faults);
    ASSERT_TRUE(p.started);
    writes = faults.writes();
  }
  ASSERT_GE(writes, 3);
  for (int k = 1; k <= writes; ++k) {
    SCOPED_TRACE(::testing::Message() << "stopped at write " << k << " of " << writes);
    Folder folder;
    {
      FaultFileSystem faults;
      faults.stopAtWrite(k);
      Program p(folder.path(), faults);
    }
    EXPECT_EQ(checkProgram(folder.path()), State{});
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"单位库.EDB", "发票管理库.EDB", "发票记录库.EDB"}));
  }
}

}  // namespace
}  // namespace korvana::safety
