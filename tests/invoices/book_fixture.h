#pragma once
// A fresh data folder per test, the headless toolkit, an invoice book started on that folder,
// and what the user does in its windows. Expectations read back what the user sees (grid
// cells, boxes, list items, message texts) and what the table files hold, in UTF-8.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "grid/grid_model.h"
#include "invoices/invoice_book.h"
#include "store/table_store.h"
#include "support/headless_toolkit.h"
#include "support/temp_files.h"

namespace korvana::testing {

// A fatal run-time error, thrown by the handler the fixture installs.
struct FatalError {
  int code;
  std::string message;  // UTF-8
};

// What the table files hold, read through a store of its own.
struct BatchRow {
  std::string key, type, code, start;
  int count = 0;
  bool operator==(const BatchRow&) const = default;
};
struct InvoiceRecord {
  std::string key, number;
  double date = 0;
  float amount = 0;
  std::string payer;
  bool issued = false;
  bool operator==(const InvoiceRecord&) const = default;
};
struct PayerRow {
  std::string number, name;
  bool operator==(const PayerRow&) const = default;
};
void PrintTo(const BatchRow& r, std::ostream* os);
void PrintTo(const InvoiceRecord& r, std::ostream* os);
void PrintTo(const PayerRow& r, std::ostream* os);

// A fresh invoice record as adding a batch writes it.
InvoiceRecord blankRecord(const std::string& key, const std::string& number);

class BookTest : public ::testing::Test {
 protected:
  BookTest();
  ~BookTest() override;

  // The program starts (again) on the folder: a new toolkit and a new book.
  bool start();
  void stop();

  // The user clicks 新增发票, fills the window in and clicks 确定. When the window stays open,
  // whileOpen (if given) looks at it and the user then clicks 取消.
  void addBatch(const std::string& type, const std::string& code, const std::string& start,
                const std::string& count, const std::function<void()>& whileOpen = {});
  // The user picks item `index` of the batch list.
  void pickBatch(int index);
  // The user edits a records-grid cell (free text, date picker, list box) or clicks a check
  // box; false when the edit did not happen.
  bool edit(int row, int column, const std::string& utf8Text);
  bool click(int row);
  // Ticks rows 1..n in order.
  void tickRows(int n);

  // What the user sees.
  std::string cell(const grid::GridModel& grid, int row, int column) const;
  std::string recordCell(int row, int column) const { return cell(book->recordsGrid(), row, column); }
  std::string statsCell(int row, int column) const { return cell(book->statsGrid(), row, column); }
  bool ticked(int row) const { return book->recordsGrid().checkMark(row, 2); }
  std::vector<std::string> statsRow(int row) const;
  std::string box(Window window, const std::string& utf8Control);
  std::vector<std::string> batchList();
  int batchSelection();
  std::vector<std::string> messages() const;  // texts shown so far
  std::vector<std::string> payerItems() const;

  // What the files hold.
  std::vector<BatchRow> batchRows() const;
  std::vector<InvoiceRecord> invoiceRecords() const;
  std::vector<PayerRow> payerRows() const;
  std::string fileBytes(const std::string& utf8Name) const;  // "" when missing

  // Changes a field of record `index` (0-based) of a table directly, as a damaged or older
  // file would hold it.
  void writeStored(const std::string& utf8Table, int index, const std::string& utf8Field,
                   const store::FieldValue& value);

  TempDir dir{"book"};
  store::FileSystem* fileSystem = nullptr;  // the real one unless a test sets another
  std::unique_ptr<HeadlessToolkit> tk;
  std::unique_ptr<invoices::InvoiceBook> book;
};

}  // namespace korvana::testing
