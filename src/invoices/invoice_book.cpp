// The invoice book: its state, its wiring to the grids and windows, and the helpers its
// handlers share.
#include "invoices/invoice_book.h"

#include <type_traits>
#include <variant>

#include "invoices/book_internals.h"
#include "text/fatal.h"
#include "text/gbk.h"
#include "text/numbers.h"

namespace korvana::invoices {

namespace detail {

Texts::Texts()
    : payerTable(text::gbk("单位库")),
      batchTable(text::gbk("发票管理库")),
      recordTable(text::gbk("发票记录库")),
      payerFile(text::gbk("单位库.EDB")),
      batchFile(text::gbk("发票管理库.edb")),
      recordFile(text::gbk("发票记录库.edb")),
      payerEditorFile(text::gbk("单位库.edb")),
      unitNumber(text::gbk("单位编号")),
      unitName(text::gbk("单位名称")),
      batchKey(text::gbk("发票编号")),
      batchType(text::gbk("发票类型")),
      batchCode(text::gbk("发票代码")),
      batchStart(text::gbk("发票起号码")),
      batchCount(text::gbk("发票份数")),
      invoiceNumber(text::gbk("发票号码")),
      issueDate(text::gbk("日期")),
      amount(text::gbk("金额")),
      payer(text::gbk("付款单位")),
      issued(text::gbk("已开")),
      batchList(text::gbk("组合框_当前发票")),
      typeBox(text::gbk("编辑框_发票类型")),
      codeBox(text::gbk("编辑框_发票代码")),
      startBox(text::gbk("编辑框_起编号")),
      countBox(text::gbk("编辑框_发票份数")),
      typeCombo(text::gbk("组合框_发票类型")),
      totalLabel(text::gbk("合计")),
      addBatchFirst(text::gbk("请添加新的发票！")),
      addBatchAgain(text::gbk("请添加发票！")),
      openFailed(text::gbk("打开数据文件失败：")),
      errorCaption(text::gbk("错误")),
      createPrefix(text::gbk("创建")),
      createSuffix(text::gbk("失败！")),
      startMissing(text::gbk("请输入发票始编号！")),
      countMissing(text::gbk("请输入发票止编号！")),
      codeMissing(text::gbk("请输入发票代码！")),
      typeTooLong(text::gbk("发票类型不能超过10个字节！")),
      startTooLong(text::gbk("起编号不能超过10个字节！")),
      countOutOfRange(text::gbk("发票份数必须在1到1000之间！")),
      startOutOfRange(text::gbk("起编号超出范围！")),
      keyExistsPrefix(text::gbk("发票编号已存在：")),
      keyExistsSuffix(text::gbk("！")),
      updateFailed(text::gbk("更新失败！请检查")),
      deleteQuestion(text::gbk("是否真的删除？将不能恢复")),
      deleteCaption(text::gbk("删除确认")),
      insertFailed(text::gbk("插入新记录失败!")),
      removeFailed(text::gbk("删除记录失败!")),
      saveFailed(text::gbk("保存失败：")),
      unsavableText(text::gbk("输入的文字含有无法保存的字符！")),
      amountOutOfRange(text::gbk("金额超出范围，未保存！")),
      typeMismatch(text::gbk("数据或数组类型不匹配")),
      numberRequired(text::gbk("未得到所需要的数值型数据")) {}

const Texts& texts() {
  static const Texts instance;
  return instance;
}

std::string readText(store::TableStore& store, const std::string& field) {
  store::FieldValue value = store.readField(field);
  if (auto* s = std::get_if<std::string>(&value)) return std::move(*s);
  text::fatalError(text::kFatalTypeMismatch, texts().typeMismatch);
}

int readInt(store::TableStore& store, const std::string& field) {
  store::FieldValue value = store.readField(field);
  return std::visit(
      [](const auto& v) -> int {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>) {
          return text::numberToInt(v);
        } else if constexpr (std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                             std::is_same_v<T, int32_t>) {
          return static_cast<int>(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return text::numberToInt(static_cast<double>(v));
        } else {
          text::fatalError(text::kFatalNumberRequired, texts().numberRequired);
        }
      },
      value);
}

double readDate(store::TableStore& store, const std::string& field) {
  store::FieldValue value = store.readField(field);
  if (auto* d = std::get_if<store::DateTime>(&value)) return d->days;
  text::fatalError(text::kFatalTypeMismatch, texts().typeMismatch);
}

bool findBatchKey(store::TableStore& store, const std::string& key) {
  const std::string& field = texts().batchKey;
  store.firstRecord();
  return store.findMatching({{field, key}});
}

void tellSaveFailed(Toolkit& toolkit, const std::string& table, int code) {
  const Texts& t = texts();
  toolkit.messageBox(t.saveFailed + table + "\n" + store::TableStore::errorText(code), kButtonsOk,
                     t.errorCaption, Icon::Error);
}

std::string cellString(const grid::GridModel& grid, int row, int column) {
  grid::CellValue value = grid.cellValue(row, column);
  if (auto* s = std::get_if<std::string>(&value)) return std::move(*s);
  return {};
}

bool cellMark(const grid::GridModel& grid, int row, int column) {
  grid::CellValue value = grid.cellValue(row, column);
  if (auto* b = std::get_if<bool>(&value)) return *b;
  return false;
}

}  // namespace detail

InvoiceBook::InvoiceBook(Toolkit& toolkit, store::FileSystem& fs)
    : impl_(std::make_unique<Impl>(toolkit, fs)) {
  impl_->records.beforeEdit = [this] { return checkRowEditable(); };
  impl_->records.cellEdited = [this] { storeEditedCell(); };
  impl_->toolkit.setWindowEvents(this);
}

InvoiceBook::~InvoiceBook() {
  impl_->toolkit.setWindowEvents(nullptr);
  impl_->payerEditor.reset();
}

void InvoiceBook::windowCreated(Window window) {
  switch (window) {
    case Window::AddBatch:
      impl_->state.addConfirmed = 0;
      break;
    case Window::PayerEditor:
      impl_->payerEditor = std::make_unique<PayerEditor>(
          impl_->store, impl_->toolkit,
          impl_->state.dataDirectory + detail::texts().payerEditorFile);
      break;
    case Window::Main:
      break;
  }
}

void InvoiceBook::windowClosed(Window window) {
  // Every change of the editor was written when it was made; closing drops its connection.
  if (window == Window::PayerEditor) impl_->payerEditor.reset();
}

void InvoiceBook::cancelAddBatch() { impl_->toolkit.closeWindow(Window::AddBatch); }

PayerEditor* InvoiceBook::payerEditor() { return impl_->payerEditor.get(); }
ProgramState& InvoiceBook::state() { return impl_->state; }
store::TableStore& InvoiceBook::store() { return impl_->store; }
grid::GridModel& InvoiceBook::recordsGrid() { return impl_->records; }
grid::GridModel& InvoiceBook::statsGrid() { return impl_->stats; }
Toolkit& InvoiceBook::toolkit() { return impl_->toolkit; }

}  // namespace korvana::invoices
