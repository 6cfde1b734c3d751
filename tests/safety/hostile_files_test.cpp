// Damaged and hostile table files: cut at any byte, or with headers whose numbers are huge or
// negative. None crashes the program or makes it allocate more than the file's length
// justifies; a file that is not a table is refused with its code and left untouched; a batch
// row claiming billions of invoices shows the invoices there are.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "safety_fixture.h"
#include "store/table_store.h"
#include "text/numbers.h"

// ---------------------------------------------------------------- allocation watch

namespace {
std::atomic<bool> watching{false};
std::atomic<std::size_t> largest{0};
std::atomic<std::size_t> refuseAbove{SIZE_MAX};

void* allocate(std::size_t n) {
  if (watching.load(std::memory_order_relaxed)) {
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (n > seen && !largest.compare_exchange_weak(seen, n)) {
    }
    if (n > refuseAbove.load(std::memory_order_relaxed)) throw std::bad_alloc();
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t n) { return allocate(n); }
void* operator new[](std::size_t n) { return allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace korvana::safety {
namespace {

// The largest single allocation made while it lives; one above `limit` fails with bad_alloc.
class AllocationWatch {
 public:
  explicit AllocationWatch(std::size_t limit) {
    largest = 0;
    refuseAbove = limit;
    watching = true;
  }
  ~AllocationWatch() {
    watching = false;
    refuseAbove = SIZE_MAX;
  }
  std::size_t largestSoFar() const { return largest; }
};

void putInt32(std::string& bytes, std::size_t offset, int32_t value) {
  std::memcpy(bytes.data() + offset, &value, 4);
}

// A table of every field kind and three records, as the engine writes it.
std::string validTable(const std::string& path) {
  store::TableStore db;
  std::vector<store::FieldInfo> fields;
  const int types[] = {store::kByte, store::kShort, store::kInt,      store::kInt64,
                       store::kFloat, store::kDouble, store::kBool, store::kDateTime,
                       store::kText};
  for (int type : types) {
    store::FieldInfo f;
    f.name = "F" + std::to_string(type);
    f.type = type;
    f.maxTextLength = 12;
    fields.push_back(f);
  }
  EXPECT_TRUE(db.createTable(path, fields));
  EXPECT_TRUE(db.openTable(path));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(db.addRecord({uint8_t(i), int16_t(i), int32_t(i), int64_t(i), float(i), double(i),
                              i % 2 == 0, store::DateTime{40000.0 + i}, "r" + std::to_string(i)}));
  }
  EXPECT_TRUE(db.markDeleted());
  return readBytes(path);
}

// Everything that reads a table: every field of every record, a scan, skips, and a purge.
void readEverything(store::TableStore& db) {
  const int n = db.recordCount();
  db.firstRecord();
  for (int i = 0; i < n + 1; ++i) {
    for (int type = store::kByte; type <= store::kText; ++type) {
      if (type != store::kRoutine) db.readField("F" + std::to_string(type));
    }
    db.skip(1);
  }
  db.goToRecord(INT_MAX);
  db.skip(-1);
  db.firstRecord();
  db.findRecord([&] { return std::get<std::string>(db.readField("F10")) == "none"; });
  db.purgeDeleted();
}

TEST(HostileFiles, ATableCutAtAnyByteOpensRepairedOrIsRefusedUntouched) {
  Folder folder;
  const std::string path = folder.file("t.EDB");
  const std::string whole = validTable(path);
  const std::size_t dataStart = 116 + 72 * 9;
  const std::size_t recordSize = whole.size() - dataStart;  // three records of one size
  ASSERT_EQ(recordSize % 3, 0u);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(::testing::Message() << "cut at " << length);
    const std::string cut = whole.substr(0, length);
    writeBytes(path, cut);
    store::TableStore db;
    bool opened;
    int count = -1;
    {
      AllocationWatch watch(16 * length + 4096);
      opened = db.openTable(path);
      if (opened) {
        count = db.recordCount();
        readEverything(db);
      }
    }
    if (length < dataStart) {
      EXPECT_FALSE(opened);
      EXPECT_EQ(db.lastError(), -22);
      EXPECT_EQ(readBytes(path), cut);
      continue;
    }
    ASSERT_TRUE(opened) << db.lastError();
    const int kept = static_cast<int>((length - dataStart) / (recordSize / 3));
    EXPECT_EQ(count, kept);
    // The cut-off part of a record is gone, and the marked record with the purge.
    EXPECT_EQ(readBytes(path).size(), dataStart + (kept - (kept == 3)) * (recordSize / 3));
  }
}

TEST(HostileFiles, HeadersWithHugeOrNegativeNumbersAreRefusedUntouched) {
  struct Case {
    const char* what;
    std::size_t offset;
    int32_t value;
    int code;
  };
  const std::size_t d = 116;  // the first field's descriptor
  const Case cases[] = {
      {"field count 0", 112, 0, -22},
      {"field count -1", 112, -1, -22},
      {"field count huge", 112, INT_MAX, -22},
      {"field count beyond the file", 112, 1000000, -22},
      {"record size 0", 24, 0, -22},
      {"record size -1", 24, -1, -22},
      {"record size 3", 24, 3, -22},
      {"record size huge", 24, INT_MAX, -22},
      {"record size 1 GB", 24, 1 << 30, -22},
      {"count -1", 16, -1, -22},
      {"count most negative", 16, INT_MIN, -22},
      {"next serial 0", 20, 0, -22},
      {"next serial -1", 20, -1, -22},
      {"version too new", 4, 0x00010001, -23},
      {"magic", 0, 0x42444557 + 1, -22},
      {"field type 0", d + 20, 0, -22},
      {"field type 13", d + 20, 13, -22},
      {"field offset -1", d + 24, -1, -22},
      {"field offset huge", d + 24, INT_MAX, -22},
      {"field offset in the serial", d + 24, 2, -22},
      {"field name without its end", d + 16, 0x41414141, -22},
      {"text length 0", d + 72 * 8 + 28, 0, -22},
      {"text length -1", d + 72 * 8 + 28, -1, -22},
      {"text length huge", d + 72 * 8 + 28, INT_MAX, -22},
  };
  Folder folder;
  const std::string path = folder.file("t.EDB");
  const std::string whole = validTable(path);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = whole;
    putInt32(bytes, c.offset, c.value);
    if (c.offset == d + 16) bytes[d + 16 + 4] = 'A';  // no NUL left in the 17 name bytes
    writeBytes(path, bytes);
    store::TableStore db;
    int error = 0;
    {
      AllocationWatch watch(16 * bytes.size() + 4096);
      EXPECT_FALSE(db.openTable(path));
      EXPECT_EQ(db.lastError(), c.code);
      EXPECT_FALSE(db.openHandle(path, &error));
    }
    EXPECT_EQ(error, c.code);
    EXPECT_EQ(readBytes(path), bytes) << "a refused file was written";
  }
}

// A count far beyond the records is not a reason to refuse the file: the records there are
// kept and the count lowered to them, as after an append that stopped.
TEST(HostileFiles, AHugeCountIsLoweredToTheRecordsThere) {
  Folder folder;
  const std::string path = folder.file("t.EDB");
  std::string bytes = validTable(path);
  putInt32(bytes, 16, INT_MAX);
  writeBytes(path, bytes);
  AllocationWatch watch(16 * bytes.size() + 4096);
  store::TableStore db;
  ASSERT_TRUE(db.openTable(path));
  EXPECT_EQ(db.recordCount(), 3);
  readEverything(db);
  EXPECT_EQ(db.recordCount(), 2);  // the marked record purged
}

// A damaged batch row claiming 2147483647 invoices (or a negative number) shows the invoices
// that carry its key, keeps its stored count, and can be deleted; nothing near that many rows
// is ever allocated.
TEST(HostileFiles, ABatchRowWithAnEnormousCountShowsTheInvoicesThere) {
  for (int32_t count : {INT_MAX, INT_MAX - 1, -5, INT_MIN}) {
    SCOPED_TRACE(count);
    Folder folder;
    {
      Program p(folder.path());
      ASSERT_TRUE(p.started);
      p.addBatch("服务票", "1", "00000101", "3");
      p.addBatch("销售票", "2", "00000201", "4");
      p.edit(1, 3, "2010-03-05");
    }
    {
      store::TableStore db;
      ASSERT_TRUE(db.openTable(g(folder.file("发票管理库.EDB"))));
      ASSERT_TRUE(db.goToRecord(2));
      ASSERT_TRUE(db.writeField(g("发票份数"), count));
    }
    AllocationWatch watch(1 << 20);
    const State s = checkProgram(folder.path());
    Program p(folder.path());
    EXPECT_EQ(p.box("编辑框_发票份数"), text::intToText(count));
    EXPECT_EQ(p.book.recordsGrid().rowCount(), count > 0 ? 4 + 2 : 2);
    EXPECT_EQ(u(p.book.recordsGrid().cellText(0, 0)), "序号");
    p.deleteCurrent();
    const State left = readState(folder.path());
    ASSERT_EQ(left.batches.size(), 1u);
    EXPECT_EQ(left.invoices.size(), count > 0 ? 3u : 7u);  // only its own records go
    EXPECT_LT(watch.largestSoFar(), std::size_t{1} << 20);
  }
}

}  // namespace
}  // namespace korvana::safety
