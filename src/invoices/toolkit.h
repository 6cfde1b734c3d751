#pragma once
// The toolkit port: everything the invoice logic asks of the windows, addressed by window and
// by the names the controls bear (GBK). The Qt program implements it; tests use a headless one.
#include <string>

namespace korvana::grid { class GridModel; }

namespace korvana::invoices {

enum class Window { Main, AddBatch, PayerEditor };

enum Buttons { kButtonsOk = 0, kButtonsYesNo = 4 };
enum Answer { kAnswerOk = 0, kAnswerCancel = 1, kAnswerAbort = 2, kAnswerRetry = 3,
              kAnswerIgnore = 4, kAnswerYes = 5, kAnswerNo = 6 };
enum class Icon { None, Error };

// The windows' events that the logic handles (window creation and closing); the toolkit
// raises them from loadModal.
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  virtual void windowCreated(Window window) = 0;
  virtual void windowClosed(Window window) = 0;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Edit boxes.
  virtual std::string editText(Window window, const std::string& control) = 0;
  virtual void setEditText(Window window, const std::string& control, const std::string& text) = 0;

  // Drop-downs.
  virtual std::string comboText(Window window, const std::string& control) = 0;
  virtual int comboItemCount(Window window, const std::string& control) = 0;
  // "" when there is no such item.
  virtual std::string comboItemText(Window window, const std::string& control, int index) = 0;
  // Appends; returns the new item's index.
  virtual int comboAddItem(Window window, const std::string& control, const std::string& text) = 0;
  // False when there is no such item.
  virtual bool comboDeleteItem(Window window, const std::string& control, int index) = 0;
  virtual int comboSelection(Window window, const std::string& control) = 0;
  // Selects item min(index, count - 1), none when that is below 0; raises no event.
  virtual void setComboSelection(Window window, const std::string& control, int index) = 0;

  // A modal message; returns the code of the pressed button. An empty caption shows "信息：".
  virtual int messageBox(const std::string& text, int buttons, const std::string& caption = {},
                         Icon icon = Icon::None) = 0;

  // Creates the window with its controls in their initial state, raises windowCreated, shows
  // it modally and returns after it has closed (windowClosed raised).
  virtual void loadModal(Window window) = 0;
  // Closes the window once the running handler has returned.
  virtual void closeWindow(Window window) = 0;
  // Hands an address to the system's browser and returns at once.
  virtual void openWebPage(const std::string& address) = 0;
  // The print preview of a grid; returns when it is closed.
  virtual void printGrid(grid::GridModel& grid) = 0;

  void setWindowEvents(WindowEvents* events) { events_ = events; }

 protected:
  WindowEvents* events_ = nullptr;
};

}  // namespace korvana::invoices
