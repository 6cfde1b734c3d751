#include "ui/window_parts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/qt_text.h"

namespace korvana::ui {

void placeWindow(QWidget* window, int x, int y, int width, int height) {
  window->setFixedSize(width, height);
  window->move(x, y);
}

void place(QWidget* control, const char* name, int x, int y, int width, int height) {
  control->setObjectName(fromUtf8(name));
  control->setGeometry(x, y, width, height);
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption, int x, int y,
                  int width, int height) {
  auto* label = new QLabel(fromUtf8(caption), parent);
  place(label, name, x, y, width, height);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  return label;
}

QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int width, int height,
                    bool readOnly) {
  auto* edit = new QLineEdit(parent);
  place(edit, name, x, y, width, height);
  edit->setReadOnly(readOnly);
  return edit;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, int x, int y,
                        int width, int height) {
  auto* button = new QPushButton(fromUtf8(caption), parent);
  place(button, name, x, y, width, height);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace korvana::ui
