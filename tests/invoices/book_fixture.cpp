#include "book_fixture.h"

#include <variant>

#include "invoices/invoice_tables.h"
#include "text/fatal.h"
#include "text/gbk.h"

namespace korvana::testing {

namespace {

// Reads every record of a table file with a store of its own.
template <typename Row, typename Fill>
std::vector<Row> readTable(const std::string& dir, const std::string& utf8File,
                           const std::string& utf8Table, Fill fill) {
  store::TableStore reader;
  std::vector<Row> rows;
  if (!reader.openTable(g(dir + "/" + utf8File))) {
    ADD_FAILURE() << "cannot open " << utf8File << ": " << reader.lastError();
    return rows;
  }
  const std::vector<store::FieldInfo> fields = invoices::invoiceTableFields(g(utf8Table));
  reader.firstRecord();
  const int n = reader.recordCount();
  for (int i = 0; i < n; ++i) {
    std::vector<store::FieldValue> values;
    for (const auto& f : fields) values.push_back(reader.readField(f.name));
    rows.push_back(fill(values));
    reader.skip(1);
  }
  return rows;
}

std::string textOf(const store::FieldValue& v) {
  auto* s = std::get_if<std::string>(&v);
  EXPECT_TRUE(s) << "not a text field";
  return s ? u(*s) : std::string();
}

}  // namespace

void PrintTo(const BatchRow& r, std::ostream* os) {
  *os << "{" << r.key << ", " << r.type << ", " << r.code << ", " << r.start << ", " << r.count
      << "}";
}
void PrintTo(const InvoiceRecord& r, std::ostream* os) {
  *os << "{" << r.key << ", " << r.number << ", date " << r.date << ", amount " << r.amount
      << ", " << r.payer << ", " << (r.issued ? "issued" : "not issued") << "}";
}
void PrintTo(const PayerRow& r, std::ostream* os) { *os << "{" << r.number << ", " << r.name << "}"; }

InvoiceRecord blankRecord(const std::string& key, const std::string& number) {
  InvoiceRecord r;
  r.key = key;
  r.number = number;
  return r;
}

BookTest::BookTest() {
  text::setFatalHandler([](int code, const std::string& message) {
    throw FatalError{code, text::toUtf8(message)};
  });
}

BookTest::~BookTest() {
  stop();
  text::setFatalHandler(nullptr);
}

bool BookTest::start() {
  stop();
  tk = std::make_unique<HeadlessToolkit>();
  book = std::make_unique<invoices::InvoiceBook>(
      *tk, fileSystem ? *fileSystem : store::posixFileSystem());
  tk->onComboItemSelected = [this](Window window, const std::string& control) {
    if (window == Window::Main && control == g("组合框_当前发票")) book->batchSelected();
  };
  return book->startUp(dir.path());
}

void BookTest::stop() {
  book.reset();
  tk.reset();
}

void BookTest::addBatch(const std::string& type, const std::string& code,
                        const std::string& start, const std::string& count,
                        const std::function<void()>& whileOpen) {
  tk->setScript(Window::AddBatch, [&](Window w) {
    tk->typeText(w, g("组合框_发票类型"), g(type));
    tk->typeText(w, g("编辑框_发票代码"), g(code));
    tk->typeText(w, g("编辑框_起编号"), g(start));
    tk->typeText(w, g("编辑框_发票份数"), g(count));
    book->confirmAddBatch();
    if (!tk->isCloseRequested(w)) {
      if (whileOpen) whileOpen();
      book->cancelAddBatch();
    }
  });
  book->addClicked();
  tk->setScript(Window::AddBatch, nullptr);
}

void BookTest::pickBatch(int index) { tk->pickComboItem(Window::Main, g("组合框_当前发票"), index); }

bool BookTest::edit(int row, int column, const std::string& utf8Text) {
  return book->recordsGrid().editCell(row, column, g(utf8Text));
}

bool BookTest::click(int row) { return book->recordsGrid().clickCell(row, 2); }

void BookTest::tickRows(int n) {
  for (int row = 1; row <= n; ++row) {
    if (!ticked(row)) {
      ASSERT_TRUE(click(row)) << "row " << row;
    }
  }
}

std::string BookTest::cell(const grid::GridModel& grid, int row, int column) const {
  return u(grid.cellText(row, column));
}

std::vector<std::string> BookTest::statsRow(int row) const {
  std::vector<std::string> texts;
  for (int c = 0; c < 6; ++c) texts.push_back(statsCell(row, c));
  return texts;
}

std::string BookTest::box(Window window, const std::string& utf8Control) {
  return u(tk->editText(window, g(utf8Control)));
}

std::vector<std::string> BookTest::batchList() {
  std::vector<std::string> items;
  const std::string list = g("组合框_当前发票");
  const int n = tk->comboItemCount(Window::Main, list);
  for (int i = 0; i < n; ++i) items.push_back(u(tk->comboItemText(Window::Main, list, i)));
  return items;
}

int BookTest::batchSelection() { return tk->comboSelection(Window::Main, g("组合框_当前发票")); }

std::vector<std::string> BookTest::messages() const {
  std::vector<std::string> texts;
  for (const auto& m : tk->messages) texts.push_back(u(m.text));
  return texts;
}

std::vector<std::string> BookTest::payerItems() const {
  std::vector<std::string> items;
  for (const auto& item : book->recordsGrid().listItems(5)) items.push_back(u(item));
  return items;
}

std::vector<BatchRow> BookTest::batchRows() const {
  return readTable<BatchRow>(dir.path(), "发票管理库.edb", "发票管理库", [](const auto& v) {
    BatchRow r{textOf(v[0]), textOf(v[1]), textOf(v[2]), textOf(v[3])};
    r.count = std::get<int32_t>(v[4]);
    return r;
  });
}

std::vector<InvoiceRecord> BookTest::invoiceRecords() const {
  return readTable<InvoiceRecord>(dir.path(), "发票记录库.edb", "发票记录库", [](const auto& v) {
    InvoiceRecord r;
    r.key = textOf(v[0]);
    r.number = textOf(v[1]);
    r.date = std::get<store::DateTime>(v[2]).days;
    r.amount = std::get<float>(v[3]);
    r.payer = textOf(v[4]);
    r.issued = std::get<bool>(v[5]);
    return r;
  });
}

std::vector<PayerRow> BookTest::payerRows() const {
  return readTable<PayerRow>(dir.path(), "单位库.EDB", "单位库", [](const auto& v) {
    return PayerRow{textOf(v[0]), textOf(v[1])};
  });
}

std::string BookTest::fileBytes(const std::string& utf8Name) const {
  return readBytes(dir.file(utf8Name));
}

void BookTest::writeStored(const std::string& utf8Table, int index, const std::string& utf8Field,
                           const store::FieldValue& value) {
  store::TableStore& db = book->store();
  ASSERT_TRUE(db.selectTable(g(utf8Table)));
  ASSERT_TRUE(db.goToRecord(index + 1));
  ASSERT_TRUE(db.writeField(g(utf8Field), value));
}

}  // namespace korvana::testing
