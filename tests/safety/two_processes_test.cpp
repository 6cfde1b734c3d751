// Two processes append to one table file at the same time: the header lock holds across
// reading the count, writing the record and writing the count, and a second opening made
// meanwhile (a second start of the program) repairs nothing another opening is writing. No
// record is lost, none overwrites another.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "safety_fixture.h"
#include "store/table_store.h"

namespace korvana::safety {
namespace {

constexpr int kPerProcess = 4000;

// Appends kPerProcess records "<id>-<n>" in order, retrying while the other process holds the
// header; `reopenEvery` > 0 opens the table afresh every that many appends. The exit status
// tells how it went (0: all appended).
[[noreturn]] void appendAll(const std::string& path, int id, int reopenEvery, int startSignal) {
  alarm(60);  // never outlive a broken test
  char go;
  if (read(startSignal, &go, 1) < 0) _exit(3);
  auto store = std::make_unique<store::TableStore>();
  if (!store->openTable(path)) _exit(2);
  for (int n = 0; n < kPerProcess; ++n) {
    if (reopenEvery > 0 && n % reopenEvery == 0) {
      store = std::make_unique<store::TableStore>();
      if (!store->openTable(path)) _exit(2);
    }
    const std::string value = std::to_string(id) + "-" + std::to_string(n);
    int tries = 0;
    while (!store->addRecord({value})) {
      if (store->lastError() != -13 || ++tries > 1000000) _exit(1);
    }
  }
  _exit(0);
}

TEST(TwoProcesses, AppendingAtOnceLoseAndOverlapNoRecord) {
  Folder folder;
  const std::string path = folder.file("t.EDB");
  {
    store::TableStore store;
    store::FieldInfo a;
    a.name = "A";
    a.type = store::kText;
    a.maxTextLength = 12;
    ASSERT_TRUE(store.createTable(path, {a}));
  }
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  pid_t children[2];
  for (int id = 0; id < 2; ++id) {
    children[id] = fork();
    ASSERT_GE(children[id], 0);
    if (children[id] == 0) {
      close(start[1]);
      appendAll(path, id, id == 1 ? 7 : 0, start[0]);
    }
  }
  close(start[0]);
  close(start[1]);  // both start now
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }

  // The file as written, before any open could repair it.
  const std::string bytes = readBytes(path);
  int32_t count, recordSize;
  std::memcpy(&count, bytes.data() + 16, 4);
  std::memcpy(&recordSize, bytes.data() + 24, 4);
  const std::size_t dataStart = 116 + 72;
  ASSERT_EQ(count, 2 * kPerProcess);
  ASSERT_EQ(bytes.size(), dataStart + static_cast<std::size_t>(count) * recordSize);
  int next[2] = {0, 0};
  int32_t lastSerial = 0;
  for (int i = 0; i < count; ++i) {
    const char* record = bytes.data() + dataStart + static_cast<std::size_t>(i) * recordSize;
    int32_t serial;
    std::memcpy(&serial, record, 4);
    EXPECT_EQ(serial, lastSerial + 1) << "record " << i;
    lastSerial = serial;
    const std::string value(record + 4, strnlen(record + 4, 12));
    const int id = value[0] - '0';
    ASSERT_TRUE(id == 0 || id == 1) << "record " << i << " holds " << value;
    // Each process's records are there once each, in the order it appended them.
    EXPECT_EQ(value, std::to_string(id) + "-" + std::to_string(next[id])) << "record " << i;
    ++next[id];
  }
  EXPECT_EQ(next[0], kPerProcess);
  EXPECT_EQ(next[1], kPerProcess);
}

}  // namespace
}  // namespace korvana::safety
