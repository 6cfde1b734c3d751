#pragma once
// What the invoice book's source files share: the book's state, the GBK names of tables,
// fields, controls and messages (converted once), and typed reads of the current record.
#include <memory>
#include <string>

#include "grid/grid_model.h"
#include "invoices/invoice_book.h"
#include "invoices/payer_editor.h"
#include "invoices/toolkit.h"
#include "store/table_store.h"

namespace korvana::invoices {

struct InvoiceBook::Impl {
  Impl(Toolkit& t, store::FileSystem& fs)
      : toolkit(t), store(fs), records(27, 1, 1, 1, true), stats(7, 1, 1, 0, false) {}

  Toolkit& toolkit;
  store::TableStore store;
  grid::GridModel records;  // 高级表格_票据
  grid::GridModel stats;    // 高级表格_票统
  ProgramState state;
  std::unique_ptr<PayerEditor> payerEditor;
};

namespace detail {

// Every fixed text of the invoice book as GBK bytes.
struct Texts {
  Texts();

  // Tables and their files.
  std::string payerTable, batchTable, recordTable;
  std::string payerFile, batchFile, recordFile, payerEditorFile;

  // Fields.
  std::string unitNumber, unitName;                                  // 单位库
  std::string batchKey, batchType, batchCode, batchStart, batchCount;  // 发票管理库 (+ 发票编号)
  std::string invoiceNumber, issueDate, amount, payer, issued;        // 发票记录库

  // Controls.
  std::string batchList;   // 组合框_当前发票 (main window)
  std::string typeBox;     // 编辑框_发票类型 (main window)
  std::string codeBox;     // 编辑框_发票代码 (both windows)
  std::string startBox;    // 编辑框_起编号 (both windows)
  std::string countBox;    // 编辑框_发票份数 (both windows)
  std::string typeCombo;   // 组合框_发票类型 (add-batch window)

  // Grid texts.
  std::string totalLabel;  // 合计

  // Messages and captions.
  std::string addBatchFirst;        // at start-up with no batch
  std::string addBatchAgain;        // after the last batch was deleted
  std::string openFailed;           // prefix of the message for a table that cannot be opened
  std::string errorCaption;
  std::string createPrefix, createSuffix;
  std::string startMissing, countMissing, codeMissing;
  std::string typeTooLong, startTooLong, countOutOfRange, startOutOfRange;
  std::string keyExistsPrefix, keyExistsSuffix;
  std::string updateFailed;
  std::string deleteQuestion, deleteCaption;
  std::string insertFailed, removeFailed;
  std::string saveFailed;      // prefix of the message for a change that could not be stored
  std::string unsavableText;   // a text that cannot be stored as it is
  std::string amountOutOfRange;  // an amount beyond what the amount field can hold
  std::string typeMismatch, numberRequired;  // fatal error messages (codes 5 and 2)
};

const Texts& texts();

// Typed reads of a field of the current record. A value of another kind is a fatal run-time
// error: code 5 for a text or a date, code 2 for a number.
std::string readText(store::TableStore& store, const std::string& field);
int readInt(store::TableStore& store, const std::string& field);
double readDate(store::TableStore& store, const std::string& field);

// firstRecord, then findRecord for the first record whose 发票编号 equals key (byte for
// byte). The current table must have been selected.
bool findBatchKey(store::TableStore& store, const std::string& key);

// Tells the user that a change of the table could not be stored: "保存失败：<table>", a line
// break and the store's text for the code, in an error box.
void tellSaveFailed(Toolkit& toolkit, const std::string& table, int code);

// A grid cell's text ("" for a check-box cell or a cell outside the grid) and check mark.
std::string cellString(const grid::GridModel& grid, int row, int column);
bool cellMark(const grid::GridModel& grid, int row, int column);

}  // namespace detail
}  // namespace korvana::invoices
