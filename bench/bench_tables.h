#pragma once
// The benchmarks' data: the three table files of a program folder with a given number of
// batches of 50 invoices each, the same invoice rows in an SQLite database, and pristine
// copies of all of them so that a benchmark that changes the files can put them back.
#include <cstdint>
#include <map>
#include <string>

namespace korvana::bench {

inline constexpr int kInvoicesPerBatch = 50;

// A table file's layout as its header and descriptors give it.
struct FieldLayout {
  int type = 0;
  int offset = 0;
  int width = 0;
};
struct TableLayout {
  int64_t dataStart = 0;
  int recordSize = 0;
  int32_t count = 0;
  int32_t nextSerial = 0;
  std::map<std::string, FieldLayout> fields;  // by GBK name
};

// Reads the header and the descriptors of an open table file; false when it is not one.
bool readLayout(int fd, TableLayout* layout);

struct Workspace {
  std::string directory;     // the program folder (an ASCII path, so UTF-8 and GBK agree)
  int batches = 0;
  int records = 0;

  // UTF-8 paths of the files, for direct access.
  std::string payerFile, batchFile, recordFile, sqliteFile;

  // GBK names the program uses.
  std::string payerTable, batchTable, recordTable;       // 单位库, 发票管理库, 发票记录库
  std::string keyField, numberField, amountField;         // 发票编号, 发票号码, 金额

  // The batch every "last batch" benchmark works on, and where its records start.
  std::string lastKey;
  int lastBatchFirstRecord = 0;

  // Copies the pristine table files (or the SQLite database) back over the working ones.
  void restoreTables() const;
  void restoreSqlite() const;
};

// Builds the workspace in `directory` (created if missing): the table files are created by the
// table store and then filled in bulk in the file format; the store then reads them back as a
// check. Exits with a message on any failure.
Workspace buildWorkspace(const std::string& directory, int batches);

// The key of batch b (0-based) as the builder forms it.
std::string batchKey(const Workspace& ws, int b);

}  // namespace korvana::bench
