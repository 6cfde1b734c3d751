// The payer unit editor: its own connection to the payer file, the record navigator and the
// table view's cells. Every change is written to the file when it is made.
#include "invoices/payer_editor.h"

#include <algorithm>
#include <variant>

#include "invoices/book_internals.h"
#include "invoices/toolkit.h"
#include "text/datetime.h"
#include "text/numbers.h"

namespace korvana::invoices {

struct PayerEditor::Impl {
  Toolkit& toolkit;
  std::unique_ptr<store::TableHandle> handle;
  int current = -1;  // the navigator's row; -1 when the table is empty

  // Makes the change reach the disk; a sync that fails is reported.
  bool saved() {
    if (handle->sync()) return true;
    detail::tellSaveFailed(toolkit, detail::texts().payerTable, handle->lastError());
    return false;
  }

  // Moves the current row to `row`, clamped into the records that exist.
  void moveTo(int row) {
    const int count = handle ? handle->recordCount() : 0;
    current = count > 0 ? std::clamp(row, 0, count - 1) : -1;
  }
};

namespace {

std::string valueText(const store::FieldValue& value) {
  return std::visit(
      [](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, bool>) {
          return text::boolToText(v);
        } else if constexpr (std::is_same_v<T, float>) {
          return text::floatToText(v);
        } else if constexpr (std::is_same_v<T, double>) {
          return text::doubleToText(v);
        } else if constexpr (std::is_same_v<T, int64_t>) {
          return std::to_string(v);
        } else if constexpr (std::is_same_v<T, store::DateTime>) {
          return text::dateToText(v.days);
        } else if constexpr (std::is_same_v<T, store::Omitted>) {
          return std::string();
        } else {
          return text::intToText(static_cast<int>(v));
        }
      },
      value);
}

// The typed text of a cell as a value of its field's kind.
store::FieldValue valueOf(int type, const std::string& typed) {
  switch (type) {
    case store::kText:
      return typed;
    case store::kByte:
    case store::kShort:
    case store::kInt:
    case store::kInt64:
      return static_cast<int32_t>(text::textToInt(typed));
    case store::kFloat:
    case store::kDouble:
      return text::textToNumber(typed);
    case store::kDateTime:
      return store::DateTime{text::textToDate(typed)};
    case store::kBool:
      return typed == text::boolToText(true);
    default:
      return store::Omitted{};
  }
}

}  // namespace

PayerEditor::PayerEditor(store::TableStore& store, Toolkit& toolkit, const std::string& path)
    : impl_(std::make_unique<Impl>(Impl{toolkit, nullptr, -1})) {
  int error = 0;
  impl_->handle = store.openHandle(path, &error);
  impl_->moveTo(0);
}

PayerEditor::~PayerEditor() = default;

bool PayerEditor::isOpen() const { return impl_->handle != nullptr; }

int PayerEditor::recordCount() { return impl_->handle ? impl_->handle->recordCount() : 0; }

int PayerEditor::fieldCount() const { return impl_->handle ? impl_->handle->fieldCount() : 0; }

std::string PayerEditor::fieldName(int field) const {
  if (field < 0 || field >= fieldCount()) return {};
  return impl_->handle->field(field).name;
}

std::string PayerEditor::cellText(int record, int field) {
  if (field < 0 || field >= fieldCount()) return {};
  return valueText(impl_->handle->readFieldAt(record, field));
}

int PayerEditor::currentRow() const { return impl_->current; }

void PayerEditor::first() { setCurrentRow(0); }
void PayerEditor::previous() { setCurrentRow(impl_->current - 1); }
void PayerEditor::next() { setCurrentRow(impl_->current + 1); }
void PayerEditor::last() { setCurrentRow(recordCount() - 1); }
void PayerEditor::setCurrentRow(int row) { impl_->moveTo(row); }

void PayerEditor::add() {
  store::TableHandle* handle = impl_->handle.get();
  if (!handle || !handle->appendBlankRecord()) {
    impl_->toolkit.messageBox(detail::texts().insertFailed, kButtonsOk);
    return;
  }
  impl_->saved();
  impl_->moveTo(handle->recordCount() - 1);
}

void PayerEditor::remove() {
  store::TableHandle* handle = impl_->handle.get();
  const int row = impl_->current;
  if (!handle || row < 0 || row >= handle->recordCount() || !handle->removeRecords(row, 1)) {
    impl_->toolkit.messageBox(detail::texts().removeFailed, kButtonsOk);
    return;
  }
  impl_->saved();
  impl_->moveTo(row);
}

bool PayerEditor::editCell(int record, int field, const std::string& text) {
  store::TableHandle* handle = impl_->handle.get();
  if (!handle || field < 0 || field >= handle->fieldCount()) return false;
  if (record < 0 || record >= handle->recordCount()) return false;
  impl_->moveTo(record);
  if (text == cellText(record, field)) return false;
  if (!handle->writeFieldAt(record, field, valueOf(handle->field(field).type, text))) {
    detail::tellSaveFailed(impl_->toolkit, detail::texts().payerTable, handle->lastError());
    return false;
  }
  impl_->saved();
  return true;
}

}  // namespace korvana::invoices
