#pragma once
// Building blocks of the windows: controls placed at fixed positions and named as the
// program names them (the objectName is the control's name; names and captions are UTF-8
// source literals).
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace korvana::ui {

// Puts a top-level window at (x, y) with a client area of width x height.
void placeWindow(QWidget* window, int x, int y, int width, int height);
// Names the control and puts it at (x, y) in its parent with the given size.
void place(QWidget* control, const char* name, int x, int y, int width, int height);

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption, int x, int y,
                  int width, int height);
QLineEdit* makeEdit(QWidget* parent, const char* name, int x, int y, int width, int height,
                    bool readOnly);
// Buttons never act as a dialog's default button: Enter does not press them.
QPushButton* makeButton(QWidget* parent, const char* name, const char* caption, int x, int y,
                        int width, int height);

}  // namespace korvana::ui
