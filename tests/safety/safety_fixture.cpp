#include "safety_fixture.h"

#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <variant>

#include "store/table_store.h"
#include "support/raw_table.h"
#include "text/datetime.h"
#include "text/fatal.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace korvana::safety {

namespace {

// Fatal run-time errors end a test, never the test program.
class FatalErrorsThrow : public ::testing::Environment {
 public:
  void SetUp() override {
    text::setFatalHandler([](int code, const std::string& message) {
      throw FatalError{code, text::toUtf8(message)};
    });
  }
  void TearDown() override { text::setFatalHandler(nullptr); }
};
[[maybe_unused]] ::testing::Environment* const fatalErrors =
    ::testing::AddGlobalTestEnvironment(new FatalErrorsThrow);

const char* const kTableFiles[] = {"单位库.EDB", "发票管理库.EDB", "发票记录库.EDB"};

// A table file read directly, without the store: every record's fields by name, as bytes.
// A file without its header or shorter than its records holds no records here.
class TableRecords {
 public:
  TableRecords(const std::string& path, const char* utf8Name, bool repaired)
      : table_(readBytes(path)) {
    if (!table_.hasHeader()) {
      ADD_FAILURE() << utf8Name << " has no header";
      return;
    }
    const std::size_t size = table_.bytes().size();
    if (repaired) {
      EXPECT_EQ(size, table_.endOfRecords()) << utf8Name << " is not as long as its records";
    }
    if (size >= table_.endOfRecords()) count_ = table_.count();
  }
  int count() const { return count_; }
  std::string text(int record, const std::string& utf8Field) const {
    return table_.text(record, table_.field(g(utf8Field)));
  }
  template <class T>
  T value(int record, const std::string& utf8Field) const {
    T v;
    std::memcpy(&v, table_.record(record) + table_.field(g(utf8Field)).offset, sizeof v);
    return v;
  }

 private:
  testing::RawTable table_;
  int count_ = 0;
};

bool dated(double date) { return text::compareDates(date, text::makeDate(1900, 1, 1)) > 0; }

class RecordingFile final : public store::File {
 public:
  RecordingFile(std::unique_ptr<store::File> base, RecordingFileSystem& fs, std::string path)
      : base_(std::move(base)), fs_(fs), path_(std::move(path)) {}
  int64_t readAt(uint64_t offset, void* buffer, std::size_t n) override {
    return base_->readAt(offset, buffer, n);
  }
  int writeAt(uint64_t offset, const void* buffer, std::size_t n) override {
    fs_.events.push_back({path_, false});
    return base_->writeAt(offset, buffer, n);
  }
  int64_t length() override { return base_->length(); }
  int truncate(uint64_t length) override {
    fs_.events.push_back({path_, false});
    return base_->truncate(length);
  }
  int lock(uint64_t offset, uint64_t length) override { return base_->lock(offset, length); }
  int unlock(uint64_t offset, uint64_t length) override { return base_->unlock(offset, length); }
  int sync() override {
    fs_.events.push_back({path_, true});
    if (++fs_.syncs == fs_.failSyncAt) return -11;
    return base_->sync();
  }

 private:
  std::unique_ptr<store::File> base_;
  RecordingFileSystem& fs_;
  std::string path_;
};

}  // namespace

namespace {

// A memory file system when there is one: the scenarios stop and fail writes themselves and
// need no disk, only many quick syncs.
std::string folderBase() {
  std::error_code ec;
  return std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", ec)
             ? std::string("/dev/shm")
             : std::string();
}

}  // namespace

Folder::Folder() : TempDir("safety", folderBase()) {}

std::vector<std::string> Folder::names() const {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(path())) {
    out.push_back(entry.path().filename().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::map<std::string, std::string> Folder::tables() const {
  std::map<std::string, std::string> out;
  for (const char* name : kTableFiles) out[name] = readBytes(file(name));
  return out;
}

void Folder::restore(const std::map<std::string, std::string>& tables) const {
  for (const auto& [name, bytes] : tables) writeBytes(file(name), bytes);
}

void PrintTo(const Batch& b, std::ostream* os) {
  *os << "{" << u(b.key) << " " << u(b.type) << " " << u(b.code) << " " << u(b.start) << " "
      << b.count << "}";
}
void PrintTo(const Invoice& r, std::ostream* os) {
  *os << "{" << u(r.key) << " " << u(r.number) << " " << r.date << " " << r.amount << " "
      << u(r.payer) << (r.issued ? " issued}" : "}");
}
void PrintTo(const Payer& p, std::ostream* os) { *os << "{" << u(p.number) << " " << u(p.name) << "}"; }
void PrintTo(const State& s, std::ostream* os) {
  *os << s.batches.size() << " batches, " << s.invoices.size() << " invoices, "
      << s.payers.size() << " payers";
}

State readState(const std::string& folder, bool repaired) {
  State s;
  const TableRecords payers(folder + "/单位库.EDB", "单位库", repaired);
  for (int i = 0; i < payers.count(); ++i) {
    s.payers.push_back({payers.text(i, "单位编号"), payers.text(i, "单位名称")});
  }
  const TableRecords batches(folder + "/发票管理库.EDB", "发票管理库", repaired);
  for (int i = 0; i < batches.count(); ++i) {
    s.batches.push_back({batches.text(i, "发票编号"), batches.text(i, "发票类型"),
                         batches.text(i, "发票代码"), batches.text(i, "发票起号码"),
                         batches.value<int32_t>(i, "发票份数")});
  }
  const TableRecords invoices(folder + "/发票记录库.EDB", "发票记录库", repaired);
  for (int i = 0; i < invoices.count(); ++i) {
    s.invoices.push_back({invoices.text(i, "发票编号"), invoices.text(i, "发票号码"),
                          invoices.value<double>(i, "日期"), invoices.value<float>(i, "金额"),
                          invoices.text(i, "付款单位"), invoices.value<char>(i, "已开") != 0});
  }
  return s;
}

// ---------------------------------------------------------------- Program

Program::Program(const std::string& folder, store::FileSystem& fs) : book(tk, fs) {
  tk.onComboItemSelected = [this](Window window, const std::string& control) {
    if (window == Window::Main && control == g("组合框_当前发票")) book.batchSelected();
  };
  started = book.startUp(g(folder));
}

Program::~Program() = default;

void Program::addBatch(const std::string& type, const std::string& code, const std::string& start,
                       const std::string& count, const std::function<void()>& beforeClick) {
  tk.setScript(Window::AddBatch, [&](Window w) {
    tk.typeText(w, g("组合框_发票类型"), g(type));
    tk.typeText(w, g("编辑框_发票代码"), g(code));
    tk.typeText(w, g("编辑框_起编号"), g(start));
    tk.typeText(w, g("编辑框_发票份数"), g(count));
    if (beforeClick) beforeClick();
    book.confirmAddBatch();
    if (!tk.isCloseRequested(w)) book.cancelAddBatch();
  });
  book.addClicked();
  tk.setScript(Window::AddBatch, nullptr);
}

void Program::pick(int index) { tk.pickComboItem(Window::Main, g("组合框_当前发票"), index); }

bool Program::edit(int row, int column, const std::string& utf8Text) {
  return book.recordsGrid().editCell(row, column, g(utf8Text));
}

bool Program::click(int row) { return book.recordsGrid().clickCell(row, 2); }

void Program::deleteCurrent(const std::function<void()>& beforeClick) {
  tk.answers.push_back(invoices::kAnswerYes);
  if (beforeClick) beforeClick();
  book.deleteClicked();
}

void Program::inPayerEditor(const std::function<void(invoices::PayerEditor&)>& script) {
  tk.setScript(Window::PayerEditor, [&](Window) {
    ASSERT_TRUE(book.payerEditor());
    script(*book.payerEditor());
  });
  book.payerManagementClicked();
  tk.setScript(Window::PayerEditor, nullptr);
}

std::vector<std::string> Program::list() {
  std::vector<std::string> items;
  const std::string control = g("组合框_当前发票");
  const int n = tk.comboItemCount(Window::Main, control);
  for (int i = 0; i < n; ++i) items.push_back(tk.comboItemText(Window::Main, control, i));
  return items;
}

std::vector<std::string> Program::messages() {
  std::vector<std::string> texts;
  for (const auto& m : tk.messages) texts.push_back(u(m.text));
  return texts;
}

std::string Program::cell(int row, int column) { return book.recordsGrid().cellText(row, column); }

std::string Program::box(const std::string& utf8Control) {
  return tk.editText(Window::Main, g(utf8Control));
}

// ---------------------------------------------------------------- Op

Op Op::add(const std::string& type, const std::string& code, const std::string& start, int count) {
  Op op(kAdd);
  op.batch = {invoices::makeBatchKey(type, start), type, code, start, count};
  return op;
}

Op Op::remove(const std::string& key) {
  Op op(kDelete);
  op.batch.key = key;
  return op;
}

Op Op::edit(const std::string& key, const std::string& number, int column) {
  Op op(kEdit);
  op.batch.key = key;
  op.number = number;
  op.column = column;
  return op;
}

namespace {

std::vector<Invoice> recordsOf(const Batch& b) {
  std::vector<Invoice> out;
  for (int i = 1; i <= b.count; ++i) {
    Invoice r;
    r.key = b.key;
    r.number = invoices::makeInvoiceNumber(b.start, i);
    out.push_back(r);
  }
  return out;
}

// The batch's block in the record table: its first record and the number of records from
// there on that carry its key, at most its count.
std::pair<std::size_t, std::size_t> blockOf(const State& s, const std::string& key, int count) {
  std::size_t first = 0;
  while (first < s.invoices.size() && s.invoices[first].key != key) ++first;
  std::size_t n = 0;
  while (first + n < s.invoices.size() && static_cast<int>(n) < count &&
         s.invoices[first + n].key == key)
    ++n;
  return {first, n};
}

// A text as a text field of that width gives it back: cut to the width, ending at a NUL.
std::string storedText(const std::string& text, int width) {
  const std::string cut = text::leftPart(text, width);
  return cut.substr(0, cut.find('\0'));
}

const Batch* findBatch(const State& s, const std::string& key) {
  for (const Batch& b : s.batches)
    if (b.key == key) return &b;
  return nullptr;
}

}  // namespace

State Op::apply(const State& before) const {
  State s = before;
  switch (kind) {
    case kAdd: {
      if (findBatch(s, batch.key)) break;  // a key in use is refused
      s.batches.push_back(batch);
      for (const Invoice& r : recordsOf(batch)) s.invoices.push_back(r);
      break;
    }
    case kDelete: {
      const Batch* b = findBatch(s, batch.key);
      if (!b) break;
      auto [first, n] = blockOf(s, batch.key, b->count);
      s.invoices.erase(s.invoices.begin() + static_cast<std::ptrdiff_t>(first),
                       s.invoices.begin() + static_cast<std::ptrdiff_t>(first + n));
      s.batches.erase(s.batches.begin() + (b - s.batches.data()));
      break;
    }
    case kEdit: {
      for (Invoice& r : s.invoices) {
        if (r.key != batch.key || r.number != number) continue;
        switch (column) {
          case 2: r.issued = tick; break;
          case 3: r.date = date; r.issued = true; break;
          case 4: r.amount = amount; break;
          case 5: r.payer = storedText(text, 20); break;
        }
        break;
      }
      break;
    }
    case kPayerAdd:
      s.payers.push_back({});
      break;
    case kPayerEdit: {
      Payer& p = s.payers.at(static_cast<std::size_t>(index));
      (column == 0 ? p.number : p.name) = storedText(text, column == 0 ? 4 : 20);
      break;
    }
    case kPayerDelete:
      s.payers.erase(s.payers.begin() + index);
      break;
  }
  return s;
}

bool Op::accepts(const State& before, const State& found, bool* partial) const {
  if (partial) *partial = false;
  if (found == before || found == apply(before)) return true;
  if (found.payers != before.payers) return false;
  if (partial) *partial = true;
  if (kind == kAdd) {
    // The batch row is stored and its invoice records from the first on, not all of them.
    State s = before;
    s.batches.push_back(batch);
    if (found.batches != s.batches) return false;
    const std::vector<Invoice> all = recordsOf(batch);
    for (std::size_t j = 0; j < all.size(); ++j) {
      if (found == s) return true;
      s.invoices.push_back(all[j]);
    }
    return false;
  }
  if (kind == kDelete) {
    // The batch row is still there and a final part of its records.
    if (found.batches != before.batches) return false;
    const Batch* b = findBatch(before, batch.key);
    if (!b) return false;
    auto [first, n] = blockOf(before, batch.key, b->count);
    State s = before;
    for (std::size_t i = 0; i <= n; ++i) {
      if (found == s) return true;
      if (i < n) s.invoices.erase(s.invoices.begin() + static_cast<std::ptrdiff_t>(first));
    }
    return false;
  }
  return false;
}

std::string Op::describe() const {
  std::ostringstream os;
  const char* names[] = {"add", "delete", "edit", "payer add", "payer edit", "payer delete"};
  os << names[kind] << " " << u(batch.key);
  if (kind == kEdit) os << " " << u(number) << " column " << column;
  return os.str();
}

// ---------------------------------------------------------------- checkProgram

std::map<std::string, std::pair<std::size_t, std::size_t>> checkTables(const State& s) {
  std::set<std::string> keys;
  for (const Batch& b : s.batches) {
    EXPECT_TRUE(keys.insert(b.key).second) << "two batches share the key " << u(b.key);
  }
  // Every invoice record belongs to a batch, the records of a batch are one block, and no
  // invoice number is in it twice.
  std::map<std::string, std::pair<std::size_t, std::size_t>> blocks;
  std::set<std::pair<std::string, std::string>> numbers;
  for (std::size_t i = 0; i < s.invoices.size(); ++i) {
    const Invoice& r = s.invoices[i];
    EXPECT_TRUE(keys.count(r.key)) << "invoice record " << i << " (" << u(r.key) << ") has no batch";
    EXPECT_TRUE(numbers.insert({r.key, r.number}).second)
        << "invoice " << u(r.number) << " of " << u(r.key) << " is there twice";
    auto it = blocks.find(r.key);
    if (it == blocks.end()) {
      blocks[r.key] = {i, 1};
    } else {
      EXPECT_EQ(it->second.first + it->second.second, i)
          << "the records of " << u(r.key) << " are not one block";
      ++it->second.second;
    }
  }
  return blocks;
}

void checkShown(Program& p, const State& s) {
  const std::string key = p.list().empty() ? std::string() :
      p.tk.comboItemText(Window::Main, g("组合框_当前发票"),
                         p.tk.comboSelection(Window::Main, g("组合框_当前发票")));
  SCOPED_TRACE("batch " + u(key));
  const Batch* b = nullptr;
  for (const Batch& batch : s.batches)
    if (batch.key == key) b = &batch;
  ASSERT_TRUE(b) << "the selected batch is not in the batch table";
  std::size_t first = 0;
  while (first < s.invoices.size() && s.invoices[first].key != key) ++first;
  int rows = 0;
  while (first + rows < s.invoices.size() && rows < b->count &&
         s.invoices[first + rows].key == key)
    ++rows;
  EXPECT_EQ(p.box("编辑框_发票份数"), text::intToText(b->count));
  EXPECT_EQ(p.book.recordsGrid().rowCount(), rows + 2);
  std::set<std::string> numbers;
  for (int r = 1; r <= rows; ++r) {
    const Invoice& rec = s.invoices[first + static_cast<std::size_t>(r - 1)];
    EXPECT_EQ(u(p.cell(r, 1)), u(rec.number)) << "row " << r;
    EXPECT_TRUE(numbers.insert(rec.number).second) << "invoice " << u(rec.number) << " twice";
    if (dated(rec.date)) {
      EXPECT_EQ(u(p.cell(r, 3)), u(text::dateToText(rec.date))) << "row " << r;
      EXPECT_EQ(u(p.cell(r, 5)), u(rec.payer)) << "row " << r;
      EXPECT_EQ(p.book.recordsGrid().checkMark(r, 2), rec.issued) << "row " << r;
    } else {
      EXPECT_EQ(p.cell(r, 3), "") << "row " << r;
    }
  }
}

State checkProgram(const std::string& folder, int displayLimit) {
  Program p(folder);
  EXPECT_TRUE(p.started) << ::testing::PrintToString(p.messages());
  State s = readState(folder);
  const std::vector<std::string> startMessages =
      s.batches.empty() ? std::vector<std::string>{"请添加新的发票！"} : std::vector<std::string>{};
  EXPECT_EQ(p.messages(), startMessages);

  std::vector<std::string> keys;
  for (const Batch& b : s.batches) keys.push_back(b.key);
  EXPECT_EQ(p.list(), keys) << "the batch list is not the batch table";
  const auto blocks = checkTables(s);

  for (std::size_t i = 0; i < s.batches.size(); ++i) {
    const Batch& b = s.batches[i];
    const auto block = blocks.find(b.key);
    const std::size_t run = block == blocks.end() ? 0 : block->second.second;
    if (std::min(run, static_cast<std::size_t>(std::max(b.count, 0))) >
        static_cast<std::size_t>(displayLimit))
      continue;
    p.pick(static_cast<int>(i));
    checkShown(p, s);
  }
  return s;
}

// ---------------------------------------------------------------- RecordingFileSystem

std::unique_ptr<store::File> RecordingFileSystem::create(const std::string& path, int* error) {
  auto file = store::posixFileSystem().create(path, error);
  if (!file) return nullptr;
  events.push_back({path, false});
  return std::make_unique<RecordingFile>(std::move(file), *this, path);
}

std::unique_ptr<store::File> RecordingFileSystem::open(const std::string& path, int* error) {
  auto file = store::posixFileSystem().open(path, error);
  if (!file) return nullptr;
  return std::make_unique<RecordingFile>(std::move(file), *this, path);
}

bool RecordingFileSystem::exists(const std::string& path) {
  return store::posixFileSystem().exists(path);
}

bool RecordingFileSystem::listDirectory(const std::string& path, std::vector<std::string>* names) {
  return store::posixFileSystem().listDirectory(path, names);
}

bool RecordingFileSystem::remove(const std::string& path) {
  return store::posixFileSystem().remove(path);
}

bool RecordingFileSystem::rename(const std::string& from, const std::string& to) {
  return store::posixFileSystem().rename(from, to);
}

}  // namespace korvana::safety
