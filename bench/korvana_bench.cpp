// Korvana at scale: the table engine and the invoice book on a book of many batches, side by
// side with what the hardware allows (plain pread/pwrite on the same files) and with SQLite
// holding the same rows.
//
//   korvana_bench [--records=N] [--dir=PATH] [--keep-tables] [Google Benchmark flags]
//
// N invoice records (rounded up to whole batches of 50; default 1,000,000). The tables are
// built in a fresh folder under $TMPDIR (or PATH) and removed at the end unless --keep-tables.
// Every benchmark that changes a file puts the pristine copy back when it ends, so each one
// starts from the same tables.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "bench_tables.h"
#include "bench_toolkit.h"
#include "invoices/invoice_book.h"
#include "store/table_store.h"
#include "text/gbk.h"

namespace korvana::bench {
namespace {

Workspace* gWs = nullptr;
bool gFailed = false;

// Marks the benchmark as failed (it reports no time) and makes the program exit non-zero, so
// that a run on a small table checks that every benchmark still works.
void fail(benchmark::State& state, const char* what) {
  gFailed = true;
  state.SkipWithError(what);
}

constexpr std::size_t kChunk = 1 << 20;

// The real file layer with fdatasync left out: the same program without the one sync per file
// at the end of each action, to show what that sync costs.
class NoSyncFile : public store::File {
 public:
  explicit NoSyncFile(std::unique_ptr<store::File> f) : f_(std::move(f)) {}
  int64_t readAt(uint64_t o, void* b, std::size_t n) override { return f_->readAt(o, b, n); }
  int writeAt(uint64_t o, const void* b, std::size_t n) override { return f_->writeAt(o, b, n); }
  int64_t length() override { return f_->length(); }
  int truncate(uint64_t n) override { return f_->truncate(n); }
  int lock(uint64_t o, uint64_t n) override { return f_->lock(o, n); }
  int unlock(uint64_t o, uint64_t n) override { return f_->unlock(o, n); }
  int sync() override { return 0; }

 private:
  std::unique_ptr<store::File> f_;
};

class NoSyncFileSystem : public store::FileSystem {
 public:
  std::unique_ptr<store::File> create(const std::string& p, int* e) override {
    return wrap(base_.create(p, e));
  }
  std::unique_ptr<store::File> open(const std::string& p, int* e) override {
    return wrap(base_.open(p, e));
  }
  bool exists(const std::string& p) override { return base_.exists(p); }
  bool listDirectory(const std::string& p, std::vector<std::string>* n) override {
    return base_.listDirectory(p, n);
  }
  bool remove(const std::string& p) override { return base_.remove(p); }

 private:
  static std::unique_ptr<store::File> wrap(std::unique_ptr<store::File> f) {
    return f ? std::make_unique<NoSyncFile>(std::move(f)) : nullptr;
  }
  store::FileSystem& base_ = store::posixFileSystem();
};

store::FileSystem& fileSystem(bool synced) {
  static NoSyncFileSystem noSync;
  return synced ? store::posixFileSystem() : noSync;
}

// Control names (GBK), converted once.
struct Controls {
  std::string batchList = text::gbk("组合框_当前发票");
  std::string addType = text::gbk("组合框_发票类型");
  std::string addCode = text::gbk("编辑框_发票代码");
  std::string addStart = text::gbk("编辑框_起编号");
  std::string addCount = text::gbk("编辑框_发票份数");
  std::string newType = text::gbk("测试票");
};
const Controls& controls() {
  static const Controls c;
  return c;
}

std::string storePath(const std::string& utf8Path) { return text::gbk(utf8Path); }

int openFile(benchmark::State& state, const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) fail(state, ("cannot open " + path).c_str());
  return fd;
}

int ofdLock(int fd, short type, off_t start, off_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = length;
  return ::fcntl(fd, F_OFD_SETLK, &fl);
}

int32_t le32(const unsigned char* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// The records a store sees, read directly from the header.
int storedCount(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY);
  TableLayout layout;
  bool ok = fd >= 0 && readLayout(fd, &layout);
  if (fd >= 0) ::close(fd);
  return ok ? layout.count : -1;
}

// A started invoice book on the workspace, as the program is after start-up.
struct Book {
  BenchToolkit toolkit;
  invoices::InvoiceBook book;
  explicit Book(bool synced) : book(toolkit, fileSystem(synced)) {
    toolkit.setWindowEvents(&book);
  }
  bool start(benchmark::State& state) {
    if (!book.startUp(gWs->directory)) {
      fail(state, "startUp failed");
      return false;
    }
    if (toolkit.comboItemCount(invoices::Window::Main, controls().batchList) != gWs->batches) {
      fail(state, "the batch list does not hold every batch");
      return false;
    }
    return true;
  }
};

// Puts the pristine tables back when a benchmark that changes them ends.
struct RestoreTables {
  ~RestoreTables() { gWs->restoreTables(); }
};

// ---- Reading ---------------------------------------------------------------------------

// The limit of a search: the file read in 1 MiB chunks with pread, the key bytes of every
// record compared until the first record of the key.
int64_t rawFind(int fd, const std::string& keyField, const std::string& key,
                std::vector<unsigned char>& buffer) {
  TableLayout layout;
  if (!readLayout(fd, &layout)) return -2;
  const FieldLayout& f = layout.fields.at(keyField);
  const std::size_t klen = key.size();
  if (klen > std::size_t(f.width)) return -1;
  const int perChunk = int(kChunk / layout.recordSize);
  for (int first = 0; first < layout.count; first += perChunk) {
    const int n = std::min(perChunk, layout.count - first);
    const std::size_t bytes = std::size_t(n) * layout.recordSize;
    if (::pread(fd, buffer.data(), bytes, layout.dataStart + int64_t(first) * layout.recordSize) !=
        ssize_t(bytes)) {
      return -2;
    }
    const unsigned char* rec = buffer.data() + f.offset;
    for (int i = 0; i < n; ++i, rec += layout.recordSize) {
      if (std::memcmp(rec, key.data(), klen) == 0 && (klen == std::size_t(f.width) || rec[klen] == 0)) {
        return first + i;
      }
    }
  }
  return -1;
}

void rawScan(benchmark::State& state, const std::string& path, int64_t expected) {
  int fd = openFile(state, path, O_RDONLY);
  if (fd < 0) return;
  std::vector<unsigned char> buffer(kChunk);
  int64_t found = -1;
  for (auto _ : state) {
    found = rawFind(fd, gWs->keyField, gWs->lastKey, buffer);
    benchmark::DoNotOptimize(found);
  }
  struct stat st {};
  ::fstat(fd, &st);
  state.SetBytesProcessed(int64_t(state.iterations()) * st.st_size);
  ::close(fd);
  if (found != expected) fail(state, "the raw scan found the wrong record");
}

void BM_RawScan(benchmark::State& state) {
  rawScan(state, gWs->recordFile, gWs->lastBatchFirstRecord);
}
BENCHMARK(BM_RawScan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RawScanBatchTable(benchmark::State& state) {
  rawScan(state, gWs->batchFile, gWs->batches - 1);
}
BENCHMARK(BM_RawScanBatchTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// The search for a batch's first invoice record: the key compared where it lies in each chunk.
void BM_FindRecord(benchmark::State& state) {
  store::TableStore st;
  if (!st.openTable(storePath(gWs->recordFile))) return fail(state, "openTable failed");
  const std::vector<store::TextMatch> sameKey = {{gWs->keyField, gWs->lastKey}};
  bool found = false;
  for (auto _ : state) {
    st.selectTable(gWs->recordTable);
    st.firstRecord();
    found = st.findMatching(sameKey);
    benchmark::DoNotOptimize(found);
  }
  if (!found || st.position() != gWs->lastBatchFirstRecord) {
    fail(state, "the search did not stop at the last batch's first record");
  }
}
BENCHMARK(BM_FindRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same search written as a condition that reads the field by name, one value per record.
void BM_FindRecordCondition(benchmark::State& state) {
  store::TableStore st;
  if (!st.openTable(storePath(gWs->recordFile))) return fail(state, "openTable failed");
  const std::string& key = gWs->lastKey;
  const std::string& keyField = gWs->keyField;
  const std::function<bool()> sameKey = [&] {
    store::FieldValue v = st.readField(keyField);
    const std::string* s = std::get_if<std::string>(&v);
    return s && *s == key;
  };
  bool found = false;
  for (auto _ : state) {
    st.selectTable(gWs->recordTable);
    st.firstRecord();
    found = st.findRecord(sameKey);
    benchmark::DoNotOptimize(found);
  }
  if (!found || st.position() != gWs->lastBatchFirstRecord) {
    fail(state, "findRecord did not stop at the last batch's first record");
  }
}
BENCHMARK(BM_FindRecordCondition)->Unit(benchmark::kMillisecond)->UseRealTime();

struct Sqlite {
  sqlite3* db = nullptr;
  sqlite3_stmt* statement = nullptr;
  Sqlite(benchmark::State& state, const char* sql) {
    if (sqlite3_open_v2(gWs->sqliteFile.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr,
                     nullptr) != SQLITE_OK ||
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
      fail(state, sqlite3_errmsg(db));
    }
  }
  ~Sqlite() {
    sqlite3_finalize(statement);
    sqlite3_close(db);
  }
};

void BM_SQLiteScan(benchmark::State& state) {
  Sqlite q(state, "SELECT count(*) FROM invoice_records WHERE invoice_key = ?");
  if (!q.statement) return;
  int count = -1;
  for (auto _ : state) {
    sqlite3_bind_text(q.statement, 1, gWs->lastKey.data(), int(gWs->lastKey.size()), SQLITE_STATIC);
    if (sqlite3_step(q.statement) == SQLITE_ROW) count = sqlite3_column_int(q.statement, 0);
    sqlite3_reset(q.statement);
    benchmark::DoNotOptimize(count);
  }
  if (count != kInvoicesPerBatch) fail(state, "SQLite counted the wrong number of rows");
}
BENCHMARK(BM_SQLiteScan)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ShowBatch(benchmark::State& state) {
  Book b(false);
  if (!b.start(state)) return;
  for (auto _ : state) {
    b.book.showBatch(gWs->lastKey);
    b.book.tallyMonths();
  }
  const grid::GridModel& records = b.book.recordsGrid();
  if (records.rowCount() != kInvoicesPerBatch + 2 || records.cellText(1, 3).empty() ||
      b.book.statsGrid().cellText(1, 0).empty()) {
    fail(state, "the last batch was not shown with its dates and months");
  }
}
BENCHMARK(BM_ShowBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartUp(benchmark::State& state) {
  for (auto _ : state) {
    Book b(false);
    if (!b.start(state)) break;
    if (b.book.recordsGrid().rowCount() != kInvoicesPerBatch + 2 || b.toolkit.boxesShown() != 0) {
      fail(state, "start-up did not show the last batch quietly");
      break;
    }
  }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Editing ---------------------------------------------------------------------------

// An amount typed into row 25 of the last batch (dated, so the months are tallied again).
void editCell(benchmark::State& state, bool synced) {
  RestoreTables restore;
  int64_t i = 0;
  {
    Book b(synced);
    if (!b.start(state)) return;
    grid::GridModel& records = b.book.recordsGrid();
    const std::string amounts[2] = {"1234.50", "2345.75"};
    for (auto _ : state) {
      if (!records.editCell(25, 4, amounts[i++ & 1])) {
        fail(state, "the amount cell could not be edited");
        break;
      }
    }
  }
  store::TableStore st;
  st.openTable(storePath(gWs->recordFile));
  st.goToRecord(gWs->lastBatchFirstRecord + 25);
  store::FieldValue v = st.readField(gWs->amountField);
  const float* amount = std::get_if<float>(&v);
  if (i > 0 && (!amount || *amount != ((i - 1) & 1 ? 2345.75f : 1234.5f))) {
    fail(state, "the edited amount did not reach the file");
  }
}

void BM_EditCell(benchmark::State& state) { editCell(state, false); }
BENCHMARK(BM_EditCell)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_EditCell_fdatasync(benchmark::State& state) { editCell(state, true); }
BENCHMARK(BM_EditCell_fdatasync)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Appending -------------------------------------------------------------------------

// The limit of an append: lock the count, read it, write the record, write the header,
// unlock.
void BM_RawAppend(benchmark::State& state) {
  RestoreTables restore;
  int fd = openFile(state, gWs->recordFile, O_RDWR);
  if (fd < 0) return;
  TableLayout layout;
  readLayout(fd, &layout);
  std::vector<unsigned char> record(layout.recordSize);
  ::pread(fd, record.data(), record.size(), layout.dataStart);
  bool ok = true;
  for (auto _ : state) {
    unsigned char header[8];
    ok = ofdLock(fd, F_WRLCK, 16, 1) == 0 && ::pread(fd, header, 8, 16) == 8;
    const int32_t count = le32(header), serial = le32(header + 4);
    std::memcpy(record.data(), &serial, 4);
    ok = ok && ::pwrite(fd, record.data(), record.size(),
                        layout.dataStart + int64_t(count) * layout.recordSize) == ssize_t(record.size());
    const int32_t next[2] = {count + 1, serial + 1};
    ok = ok && ::pwrite(fd, next, 8, 16) == 8;
    ok = ofdLock(fd, F_UNLCK, 16, 1) == 0 && ok;
    if (!ok) break;
  }
  ::close(fd);
  if (!ok || storedCount(gWs->recordFile) != gWs->records + int(state.iterations())) {
    fail(state, "raw append failed");
  }
}
BENCHMARK(BM_RawAppend)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_AddRecord(benchmark::State& state) {
  RestoreTables restore;
  {
    store::TableStore st;
    if (!st.openTable(storePath(gWs->recordFile)) || !st.selectTable(gWs->recordTable)) {
      return fail(state, "openTable failed");
    }
    // As a new batch appends them: key, number, no date, amount or payer, not issued.
    const std::vector<store::FieldValue> values = {gWs->lastKey, std::string("11019999"),
                                                   store::Omitted{}, store::Omitted{},
                                                   store::Omitted{}, false};
    for (auto _ : state) {
      if (!st.addRecord(values)) {
        fail(state, "addRecord failed");
        break;
      }
    }
  }
  if (storedCount(gWs->recordFile) != gWs->records + int(state.iterations())) {
    fail(state, "the appended records are not all in the file");
  }
}
BENCHMARK(BM_AddRecord)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_SQLiteInsert(benchmark::State& state) {
  {
    Sqlite q(state, "INSERT INTO invoice_records VALUES (?, ?, ?, 0, 0, '', 0)");
    if (!q.statement) return;
    int serial = gWs->records;
    const std::string number = "11019999";
    for (auto _ : state) {
      sqlite3_bind_int(q.statement, 1, ++serial);
      sqlite3_bind_text(q.statement, 2, gWs->lastKey.data(), int(gWs->lastKey.size()), SQLITE_STATIC);
      sqlite3_bind_text(q.statement, 3, number.data(), int(number.size()), SQLITE_STATIC);
      if (sqlite3_step(q.statement) != SQLITE_DONE) {
        fail(state, "SQLite insert failed");
        break;
      }
      sqlite3_reset(q.statement);
    }
  }
  gWs->restoreSqlite();
}
BENCHMARK(BM_SQLiteInsert)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Confirming the add-batch window for a new batch of 50 (a key no stored batch has).
void addBatch(benchmark::State& state, bool synced) {
  RestoreTables restore;
  int added = 0;
  {
    Book b(synced);
    if (!b.start(state)) return;
    const Controls& c = controls();
    const auto w = invoices::Window::AddBatch;
    for (auto _ : state) {
      b.book.windowCreated(w);
      char start[32];
      std::snprintf(start, sizeof start, "9900%04d", added % 10000);
      b.toolkit.setComboText(w, c.addType, c.newType);
      b.toolkit.setEditText(w, c.addCode, "1100099999");
      b.toolkit.setEditText(w, c.addStart, start);
      b.toolkit.setEditText(w, c.addCount, "50");
      b.book.confirmAddBatch();
      if (b.book.state().addConfirmed != 1 || b.toolkit.boxesShown() != 0) {
        fail(state, "the batch was not added");
        break;
      }
      ++added;
    }
  }
  if (storedCount(gWs->recordFile) != gWs->records + added * kInvoicesPerBatch ||
      storedCount(gWs->batchFile) != gWs->batches + added) {
    fail(state, "the added batches are not all in the files");
  }
}

void BM_AddBatch(benchmark::State& state) { addBatch(state, false); }
BENCHMARK(BM_AddBatch)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_AddBatch_fdatasync(benchmark::State& state) { addBatch(state, true); }
BENCHMARK(BM_AddBatch_fdatasync)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Deleting --------------------------------------------------------------------------

// Moves the records [first + removed, count) down over [first, first + removed) in 1 MiB
// chunks, then writes the count and cuts the file. Returns the bytes moved, or -1.
int64_t rawRemove(int fd, const TableLayout& layout, int64_t first, int64_t removed,
                  std::vector<unsigned char>& buffer) {
  const int64_t rs = layout.recordSize;
  int64_t to = layout.dataStart + first * rs, from = to + removed * rs;
  const int64_t end = layout.dataStart + layout.count * rs;
  const std::size_t chunk = kChunk / rs * rs;
  int64_t moved = 0;
  while (from < end) {
    const std::size_t n = std::size_t(std::min<int64_t>(int64_t(chunk), end - from));
    if (::pread(fd, buffer.data(), n, from) != ssize_t(n) ||
        ::pwrite(fd, buffer.data(), n, to) != ssize_t(n)) {
      return -1;
    }
    from += n;
    to += n;
    moved += n;
  }
  const int32_t count = int32_t(layout.count - removed);
  if (::pwrite(fd, &count, 4, 16) != 4 || ::ftruncate(fd, to) != 0) return -1;
  return moved;
}

// A scratch copy of the invoice-record file for the raw benchmarks that change it.
struct ScratchRecords {
  std::string path = gWs->directory + "/raw_scratch.edb";
  int fd = -1;
  ScratchRecords() { refresh(); }
  ~ScratchRecords() {
    if (fd >= 0) ::close(fd);
    std::filesystem::remove(path);
  }
  void refresh() {
    if (fd >= 0) ::close(fd);
    std::filesystem::copy_file(gWs->recordFile, path,
                               std::filesystem::copy_options::overwrite_existing);
    fd = ::open(path.c_str(), O_RDWR);
  }
  // Each iteration takes a batch out: a small table is copied afresh (untimed) before half of
  // its batches are gone, so that every iteration works on a table of about the same size.
  void refreshWhenHalfGone(benchmark::State& state) {
    TableLayout layout;
    if (readLayout(fd, &layout) && layout.count > gWs->records / 2) return;
    state.PauseTiming();
    refresh();
    state.ResumeTiming();
  }
};

// The limit of a purge: the records above the middle batch moved down over it in 1 MiB
// chunks under the whole-file lock, the count written and the file cut.
void BM_RawCopy(benchmark::State& state) {
  ScratchRecords scratch;
  if (scratch.fd < 0) return fail(state, "cannot open the scratch copy");
  std::vector<unsigned char> buffer(kChunk);
  bool ok = true;
  int64_t moved = 0;
  for (auto _ : state) {
    scratch.refreshWhenHalfGone(state);
    TableLayout layout;
    ok = ofdLock(scratch.fd, F_WRLCK, 0, 0) == 0 && readLayout(scratch.fd, &layout);
    const int64_t middle = (layout.count / kInvoicesPerBatch) / 2 * kInvoicesPerBatch;
    const int64_t n = ok ? rawRemove(scratch.fd, layout, middle, kInvoicesPerBatch, buffer) : -1;
    ok = ofdLock(scratch.fd, F_UNLCK, 0, 0) == 0 && n >= 0;
    if (!ok) break;
    moved += n;
  }
  state.SetBytesProcessed(moved);
  if (!ok) fail(state, "raw copy failed");
}
BENCHMARK(BM_RawCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

// The limit of the deletion as the program has to carry it out, in plain reads and writes:
// the middle batch's first record searched from the first record, the purge's reading of the
// records before it, the records above it moved down, and the last batch's first record
// searched from the first record again to show it. Not a target; it shows how far the
// deletion is from the passes it cannot avoid.
void BM_RawDeleteBatch(benchmark::State& state) {
  ScratchRecords scratch;
  if (scratch.fd < 0) return fail(state, "cannot open the scratch copy");
  std::vector<unsigned char> buffer(kChunk);
  bool ok = true;
  for (auto _ : state) {
    scratch.refreshWhenHalfGone(state);
    const int fd = scratch.fd;
    TableLayout layout;
    ok = readLayout(fd, &layout);
    const FieldLayout& keyField = layout.fields.at(gWs->keyField);
    const int64_t rs = layout.recordSize;
    // The key of the batch in the middle (the program holds it already).
    const int64_t middle = (layout.count / kInvoicesPerBatch) / 2 * kInvoicesPerBatch;
    char keyBytes[64] = {};
    ok = ok && ::pread(fd, keyBytes, std::min(keyField.width, 63),
                       layout.dataStart + middle * rs + keyField.offset) > 0;
    const int64_t first = rawFind(fd, gWs->keyField, keyBytes, buffer);
    ok = ok && first == middle && ofdLock(fd, F_WRLCK, 0, 0) == 0;
    for (int64_t at = 0; ok && at < first * rs; at += int64_t(kChunk / rs * rs)) {
      const std::size_t n = std::size_t(std::min<int64_t>(int64_t(kChunk / rs * rs), first * rs - at));
      ok = ::pread(fd, buffer.data(), n, layout.dataStart + at) == ssize_t(n);
    }
    ok = ok && rawRemove(fd, layout, first, kInvoicesPerBatch, buffer) >= 0;
    ok = ofdLock(fd, F_UNLCK, 0, 0) == 0 && ok;
    ok = ok && rawFind(fd, gWs->keyField, gWs->lastKey, buffer) >= 0;
    if (!ok) break;
  }
  if (!ok) fail(state, "raw deletion failed");
}
BENCHMARK(BM_RawDeleteBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// Deleting the batch in the middle of the list: confirmation, both purges, the last batch
// shown and tallied again. Choosing the batch beforehand is not timed.
void BM_DeleteBatch(benchmark::State& state) {
  RestoreTables restore;
  int deleted = 0;  // since the tables were last restored
  {
    auto b = std::make_unique<Book>(false);
    if (!b->start(state)) return;
    const auto main = invoices::Window::Main;
    for (auto _ : state) {
      state.PauseTiming();
      int n = b->toolkit.comboItemCount(main, controls().batchList);
      if (n <= gWs->batches / 2) {  // a small table is restored before half of it is gone
        if (b->toolkit.boxesShown() != deleted) break;
        b.reset();
        gWs->restoreTables();
        b = std::make_unique<Book>(false);
        if (!b->start(state)) break;
        deleted = 0;
        n = gWs->batches;
      }
      b->toolkit.setComboSelection(main, controls().batchList, n / 2);
      b->book.batchSelected();
      b->toolkit.queueAnswer(invoices::kAnswerYes);
      state.ResumeTiming();
      b->book.deleteClicked();
      ++deleted;
    }
    if (b && b->toolkit.boxesShown() != deleted) {
      fail(state, "an unexpected message was shown");
      return;
    }
  }
  if (storedCount(gWs->batchFile) != gWs->batches - deleted ||
      storedCount(gWs->recordFile) != gWs->records - deleted * kInvoicesPerBatch) {
    fail(state, "the deleted batches are still in the files");
  }
}
BENCHMARK(BM_DeleteBatch)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Command line ----------------------------------------------------------------------

bool takeFlag(int& argc, char** argv, const char* name, std::string* value) {
  const std::size_t len = std::strlen(name);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], name, len) == 0 && (argv[i][len] == '=' || argv[i][len] == 0)) {
      if (value) *value = argv[i][len] == '=' ? argv[i] + len + 1 : "";
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      return true;
    }
  }
  return false;
}

}  // namespace
}  // namespace korvana::bench

int main(int argc, char** argv) {
  using namespace korvana::bench;
  std::string recordsText = "1000000", directory;
  takeFlag(argc, argv, "--records", &recordsText);
  const bool keep = takeFlag(argc, argv, "--keep-tables", nullptr);
  const bool ownDirectory = !takeFlag(argc, argv, "--dir", &directory);
  const long records = std::strtol(recordsText.c_str(), nullptr, 10);
  if (records <= 0) {
    std::fprintf(stderr, "korvana_bench: --records must be a positive number\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  if (ownDirectory) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/korvana-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
      std::perror("korvana_bench: mkdtemp");
      return 1;
    }
    directory = pattern;
  }
  const int batches = std::max(4L, (records + kInvoicesPerBatch - 1) / kInvoicesPerBatch);
  const auto t0 = std::chrono::steady_clock::now();
  Workspace ws = buildWorkspace(directory, batches);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::fprintf(stderr, "korvana_bench: %d batches, %d invoice records built in %s (%.1f s)\n",
               ws.batches, ws.records, directory.c_str(), seconds);
  benchmark::AddCustomContext("batches", std::to_string(ws.batches));
  benchmark::AddCustomContext("invoice_records", std::to_string(ws.records));
  gWs = &ws;

  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!keep) {
    std::error_code ignored;
    if (ownDirectory) {
      std::filesystem::remove_all(directory, ignored);
    } else {
      for (const std::string& f : {ws.payerFile, ws.batchFile, ws.recordFile, ws.sqliteFile}) {
        std::filesystem::remove(f, ignored);
      }
      std::filesystem::remove_all(std::filesystem::path(directory) / "pristine", ignored);
    }
  }
  return gFailed ? 1 : 0;
}
