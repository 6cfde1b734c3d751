#include "bench_tables.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "invoices/invoice_tables.h"
#include "store/table_store.h"
#include "text/gbk.h"

namespace korvana::bench {
namespace {

namespace fs = std::filesystem;

// Values are copied into records as the host lays them out; the file format is little-endian.
static_assert(std::endian::native == std::endian::little);

[[noreturn]] void die(const std::string& what) {
  std::fprintf(stderr, "korvana_bench: %s\n", what.c_str());
  std::exit(2);
}

int32_t le32(const unsigned char* p) {
  return static_cast<int32_t>(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                              uint32_t(p[3]) << 24);
}
void put32(unsigned char* p, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
}

int widthOf(int type, int maxTextLength) {
  switch (type) {
    case 1: case 7: return 1;
    case 2: return 2;
    case 4: case 6: case 8: return 8;
    case 10: return maxTextLength;
    default: return 4;
  }
}

// The 10 years of books the data covers start on 2015-01-01 (days since 1899-12-30).
constexpr double kFirstDay = 42005.0;

// Texts used for every row, converted once.
struct Texts {
  std::vector<std::string> types;
  std::vector<std::string> payers;
  explicit Texts() {
    for (const char* t : {"服务票", "销售票", "运输票", "建筑票", "租赁票", "餐饮票", "咨询票",
                          "加工票"}) {
      types.push_back(text::gbk(t));
    }
    const char* names[] = {"华夏商贸有限公司", "东方机械厂", "新星电子", "长城建材公司",
                           "明月酒店", "红旗运输队", "金石会计事务所", "绿野农场"};
    for (int i = 0; i < 20; ++i) {
      std::string name = text::gbk(names[i % 8]);
      if (i >= 8) name += std::to_string(i);
      payers.push_back(name);
    }
  }
};

const Texts& texts() {
  static const Texts t;
  return t;
}

// Batch b's fields. Keys stay unique: each type carries up to 10000 four-digit endings, and
// enough types are used for the batches asked for.
struct BatchRow {
  std::string key, type, code, start;
  int count = kInvoicesPerBatch;
};

int typesFor(int batches) { return std::max(2, (batches + 9999) / 10000); }

BatchRow batchRow(int batches, int b) {
  const Texts& t = texts();
  int nt = typesFor(batches);
  int typeIndex = b % nt;
  int serial = b / nt;
  char start[32], code[32];
  std::snprintf(start, sizeof start, "%04d%04d", 1100 + typeIndex, serial % 10000);
  std::snprintf(code, sizeof code, "%010d", 1100082140 + b);
  BatchRow row;
  row.type = t.types[typeIndex];
  row.start = start;
  row.key = row.type + row.start.substr(row.start.size() - 4);
  row.code = code;
  return row;
}

// The i-th invoice number (i >= 1) of a batch starting at `start`: the start's bytes before
// its last three, then the last three digits of (start + i - 1).
std::string invoiceNumber(const std::string& start, int i) {
  long v = std::strtol(start.c_str(), nullptr, 10) + i - 1;
  std::string digits = std::to_string(v);
  std::string prefix = start.size() > 3 ? start.substr(0, start.size() - 3) : std::string();
  return prefix + (digits.size() > 3 ? digits.substr(digits.size() - 3) : digits);
}

struct InvoiceRow {
  std::string number;
  double date = 0;
  float amount = 0;
  const std::string* payer = nullptr;
};

// Invoice g of all (0-based): every invoice is issued; dates spread over ten years in table
// order; every 97th one is voided (amount 0).
InvoiceRow invoiceRow(int records, const std::string& start, int g) {
  InvoiceRow row;
  row.number = invoiceNumber(start, g % kInvoicesPerBatch + 1);
  row.date = kFirstDay + std::floor(double(g) * 3650.0 / records);
  row.amount = g % 97 == 0 ? 0.0f : float((int64_t(g) * 7919) % 500000) / 100.0f;
  row.payer = &texts().payers[g % texts().payers.size()];
  return row;
}

void storeText(unsigned char* rec, const FieldLayout& f, const std::string& s) {
  std::memcpy(rec + f.offset, s.data(), std::min<std::size_t>(s.size(), f.width));
}

const FieldLayout& field(const TableLayout& layout, const std::string& gbkName) {
  auto it = layout.fields.find(gbkName);
  if (it == layout.fields.end()) die("a table lacks a field the benchmarks need");
  return it->second;
}

// Appends `count` records to a table file that the store created, filling each through
// `fill`, in chunks of about 1 MiB, then sets the header's count and next serial.
void fillTable(const std::string& path, int count,
               const std::function<void(const TableLayout&, int, unsigned char*)>& fill) {
  int fd = ::open(path.c_str(), O_RDWR);
  if (fd < 0) die("cannot open " + path);
  TableLayout layout;
  if (!readLayout(fd, &layout) || layout.count != 0) die(path + " is not a new table file");
  const int perChunk = std::max(1, (1 << 20) / layout.recordSize);
  std::vector<unsigned char> chunk(std::size_t(perChunk) * layout.recordSize);
  for (int first = 0; first < count; first += perChunk) {
    int n = std::min(perChunk, count - first);
    std::memset(chunk.data(), 0, chunk.size());
    for (int k = 0; k < n; ++k) {
      unsigned char* rec = chunk.data() + std::size_t(k) * layout.recordSize;
      put32(rec, first + k + 1);
      fill(layout, first + k, rec);
    }
    std::size_t bytes = std::size_t(n) * layout.recordSize;
    if (::pwrite(fd, chunk.data(), bytes, layout.dataStart + int64_t(first) * layout.recordSize) !=
        static_cast<ssize_t>(bytes)) {
      die("cannot write " + path);
    }
  }
  unsigned char header[8];
  put32(header, count);
  put32(header + 4, count + 1);
  if (::pwrite(fd, header, 8, 16) != 8) die("cannot write " + path);
  ::close(fd);
}

void sqliteExec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string m = message ? message : "?";
    sqlite3_free(message);
    die(std::string("sqlite: ") + m);
  }
}

void buildSqlite(const Workspace& ws) {
  fs::remove(ws.sqliteFile);
  sqlite3* db = nullptr;
  if (sqlite3_open(ws.sqliteFile.c_str(), &db) != SQLITE_OK) die("cannot create the SQLite file");
  sqliteExec(db, "PRAGMA journal_mode=WAL");
  sqliteExec(db,
             "CREATE TABLE invoice_records (serial INTEGER, invoice_key TEXT, number TEXT, "
             "issue_date REAL, amount REAL, payer TEXT, issued INTEGER)");
  sqliteExec(db, "BEGIN");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO invoice_records VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &insert,
                     nullptr);
  for (int b = 0; b < ws.batches; ++b) {
    BatchRow batch = batchRow(ws.batches, b);
    for (int i = 0; i < kInvoicesPerBatch; ++i) {
      int g = b * kInvoicesPerBatch + i;
      InvoiceRow row = invoiceRow(ws.records, batch.start, g);
      sqlite3_bind_int(insert, 1, g + 1);
      sqlite3_bind_text(insert, 2, batch.key.data(), int(batch.key.size()), SQLITE_STATIC);
      sqlite3_bind_text(insert, 3, row.number.data(), int(row.number.size()), SQLITE_STATIC);
      sqlite3_bind_double(insert, 4, row.date);
      sqlite3_bind_double(insert, 5, row.amount);
      sqlite3_bind_text(insert, 6, row.payer->data(), int(row.payer->size()), SQLITE_STATIC);
      sqlite3_bind_int(insert, 7, 1);
      if (sqlite3_step(insert) != SQLITE_DONE) die("sqlite: insert failed");
      sqlite3_reset(insert);
    }
  }
  sqlite3_finalize(insert);
  sqliteExec(db, "COMMIT");
  sqliteExec(db, "PRAGMA wal_checkpoint(TRUNCATE)");
  sqlite3_close(db);
}

// Reads the tables back through the store: the counts and the last rows must be as built.
void checkWithStore(const Workspace& ws) {
  store::TableStore st;
  const std::string dir = ws.directory + "/";
  for (const char* file : {"单位库.EDB", "发票管理库.edb", "发票记录库.edb"}) {
    if (!st.openTable(text::gbk(dir + file))) {
      die(std::string("the store cannot open ") + file + ", code " + std::to_string(st.lastError()));
    }
  }
  auto textOf = [&](const std::string& name) {
    store::FieldValue v = st.readField(name);
    const std::string* s = std::get_if<std::string>(&v);
    return s ? *s : std::string("?");
  };
  BatchRow last = batchRow(ws.batches, ws.batches - 1);
  if (!st.selectTable(ws.batchTable) || st.recordCount() != ws.batches) die("batch count differs");
  st.goToRecord(ws.batches);
  if (textOf(ws.keyField) != last.key || textOf(text::gbk("发票起号码")) != last.start) {
    die("the last batch row reads back differently");
  }
  if (!st.selectTable(ws.recordTable) || st.recordCount() != ws.records) die("record count differs");
  st.goToRecord(ws.records);
  InvoiceRow row = invoiceRow(ws.records, last.start, ws.records - 1);
  store::FieldValue amount = st.readField(ws.amountField);
  const float* a = std::get_if<float>(&amount);
  if (textOf(ws.keyField) != last.key || textOf(ws.numberField) != row.number || !a ||
      *a != row.amount) {
    die("the last invoice record reads back differently");
  }
}

}  // namespace

bool readLayout(int fd, TableLayout* layout) {
  unsigned char head[116];
  if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head)) return false;
  if (std::memcmp(head, "WEDB", 4) != 0) return false;
  layout->count = le32(head + 16);
  layout->nextSerial = le32(head + 20);
  layout->recordSize = le32(head + 24);
  int fieldCount = le32(head + 112);
  if (layout->recordSize <= 0 || fieldCount <= 0 || fieldCount > 4096) return false;
  std::vector<unsigned char> desc(std::size_t(fieldCount) * 72);
  if (::pread(fd, desc.data(), desc.size(), 116) != static_cast<ssize_t>(desc.size())) return false;
  layout->fields.clear();
  for (int i = 0; i < fieldCount; ++i) {
    const unsigned char* d = desc.data() + std::size_t(i) * 72;
    std::string name(reinterpret_cast<const char*>(d), strnlen(reinterpret_cast<const char*>(d), 17));
    FieldLayout f;
    f.type = le32(d + 20);
    f.offset = le32(d + 24);
    f.width = widthOf(f.type, le32(d + 28));
    layout->fields[name] = f;
  }
  layout->dataStart = 116 + 72 * int64_t(fieldCount);
  return true;
}

std::string batchKey(const Workspace& ws, int b) { return batchRow(ws.batches, b).key; }

void Workspace::restoreTables() const {
  const fs::path pristine = fs::path(directory) / "pristine";
  for (const std::string& file : {payerFile, batchFile, recordFile}) {
    fs::copy_file(pristine / fs::path(file).filename(), file, fs::copy_options::overwrite_existing);
  }
}

void Workspace::restoreSqlite() const {
  const fs::path pristine = fs::path(directory) / "pristine";
  fs::remove(sqliteFile + "-wal");
  fs::remove(sqliteFile + "-shm");
  fs::copy_file(pristine / fs::path(sqliteFile).filename(), sqliteFile,
                fs::copy_options::overwrite_existing);
}

Workspace buildWorkspace(const std::string& directory, int batches) {
  if (batches > 8 * 10000) die("at most 80000 batches (4,000,000 records)");
  Workspace ws;
  ws.directory = directory;
  ws.batches = batches;
  ws.records = batches * kInvoicesPerBatch;
  fs::create_directories(fs::path(directory) / "pristine");
  ws.payerFile = directory + "/单位库.EDB";
  ws.batchFile = directory + "/发票管理库.edb";
  ws.recordFile = directory + "/发票记录库.edb";
  ws.sqliteFile = directory + "/invoice_records.sqlite";
  ws.payerTable = text::gbk("单位库");
  ws.batchTable = text::gbk("发票管理库");
  ws.recordTable = text::gbk("发票记录库");
  ws.keyField = text::gbk("发票编号");
  ws.numberField = text::gbk("发票号码");
  ws.amountField = text::gbk("金额");
  ws.lastKey = batchKey(ws, batches - 1);
  ws.lastBatchFirstRecord = (batches - 1) * kInvoicesPerBatch;

  {
    store::TableStore st;
    const std::pair<const std::string*, const std::string*> tables[] = {
        {&ws.payerTable, &ws.payerFile}, {&ws.batchTable, &ws.batchFile},
        {&ws.recordTable, &ws.recordFile}};
    for (const auto& [table, file] : tables) {
      fs::remove(*file);
      if (!st.createTable(text::gbk(*file), invoices::invoiceTableFields(*table))) {
        die("the store cannot create " + *file + ", code " + std::to_string(st.lastError()));
      }
    }
  }

  const Texts& t = texts();
  const std::string unitNumber = text::gbk("单位编号"), unitName = text::gbk("单位名称");
  fillTable(ws.payerFile, int(t.payers.size()), [&](const TableLayout& l, int i, unsigned char* rec) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", i + 1);
    storeText(rec, field(l, unitNumber), number);
    storeText(rec, field(l, unitName), t.payers[i]);
  });

  const std::string typeField = text::gbk("发票类型"), codeField = text::gbk("发票代码"),
                    startField = text::gbk("发票起号码"), countField = text::gbk("发票份数");
  fillTable(ws.batchFile, batches, [&](const TableLayout& l, int b, unsigned char* rec) {
    BatchRow row = batchRow(batches, b);
    storeText(rec, field(l, ws.keyField), row.key);
    storeText(rec, field(l, typeField), row.type);
    storeText(rec, field(l, codeField), row.code);
    storeText(rec, field(l, startField), row.start);
    put32(rec + field(l, countField).offset, row.count);
  });

  const std::string dateField = text::gbk("日期"), payerField = text::gbk("付款单位"),
                    issuedField = text::gbk("已开");
  BatchRow current;
  int currentBatch = -1;
  fillTable(ws.recordFile, ws.records, [&](const TableLayout& l, int g, unsigned char* rec) {
    int b = g / kInvoicesPerBatch;
    if (b != currentBatch) {
      current = batchRow(batches, b);
      currentBatch = b;
    }
    InvoiceRow row = invoiceRow(ws.records, current.start, g);
    storeText(rec, field(l, ws.keyField), current.key);
    storeText(rec, field(l, ws.numberField), row.number);
    std::memcpy(rec + field(l, dateField).offset, &row.date, 8);
    std::memcpy(rec + field(l, ws.amountField).offset, &row.amount, 4);
    storeText(rec, field(l, payerField), *row.payer);
    rec[field(l, issuedField).offset] = 1;
  });

  checkWithStore(ws);
  buildSqlite(ws);

  const fs::path pristine = fs::path(directory) / "pristine";
  for (const std::string& file : {ws.payerFile, ws.batchFile, ws.recordFile, ws.sqliteFile}) {
    fs::copy_file(file, pristine / fs::path(file).filename(), fs::copy_options::overwrite_existing);
  }
  return ws;
}

}  // namespace korvana::bench
