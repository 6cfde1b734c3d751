#pragma once
// Input rules shared by the windows' text fields.
class QLineEdit;

namespace korvana::invoices { class Toolkit; }

namespace korvana::ui {

// A user's edit that brings a character without a GBK form into the field is undone (the field
// keeps its earlier text) and the user is told with "输入的文字含有无法保存的字符！".
void guardGbkInput(QLineEdit* edit, invoices::Toolkit& toolkit);

// Typed characters other than the digits and "-" are refused (invoices::isNumberKey).
void installNumberKeyFilter(QLineEdit* edit);

// When the field loses the focus its text becomes invoices::normalizeCountText of itself.
void installCountNormalizer(QLineEdit* edit);

// The message of guardGbkInput, shown through the toolkit (buttons OK, default caption).
void tellUnsavableText(invoices::Toolkit& toolkit);

}  // namespace korvana::ui
