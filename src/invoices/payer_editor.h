#pragma once
// The payer unit editor without widgets: its own connection to the payer file (the table
// binding), the record navigator's current row and actions, and the table view's cell texts.
#include <memory>
#include <string>

#include "store/table_store.h"

namespace korvana::invoices {

class Toolkit;

class PayerEditor {
 public:
  // Opens its own connection to the payer file (GBK path). A failed open leaves an editor
  // with no records (isOpen() false).
  PayerEditor(store::TableStore& store, Toolkit& toolkit, const std::string& path);
  ~PayerEditor();  // closes the connection

  bool isOpen() const;
  int recordCount();
  int fieldCount() const;                       // 2 for 单位库
  std::string fieldName(int field) const;       // "单位编号", "单位名称"
  std::string cellText(int record, int field);  // the field's text as readFieldAt gives it

  // Navigator.
  int currentRow() const;                       // -1 when the table is empty
  void first();
  void previous();
  void next();
  void last();
  void setCurrentRow(int row);                  // clamped; a click in the view
  void add();                                   // "插入新记录失败!" when it fails
  void remove();                                // "删除记录失败!" when empty or it fails
  // The end of an in-place edit: writes only when the text differs from what the cell showed.
  // Returns true when something was written.
  bool editCell(int record, int field, const std::string& text);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace korvana::invoices
