#pragma once
// A toolkit without windows for the logic's tests. It keeps the controls of each window in
// memory (edit-box texts; drop-down items, selection and text field), records every message
// box, answers them from a queue the test fills, and runs a modal window as a script of what
// the user does in it. Texts are GBK; control names are the ones the windows bear.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "invoices/toolkit.h"

namespace korvana::testing {

using invoices::Window;

struct ShownMessage {
  std::string text;
  int buttons = 0;
  std::string caption;  // "信息：" when the logic gave none
  invoices::Icon icon = invoices::Icon::None;
};

class HeadlessToolkit : public invoices::Toolkit {
 public:
  // The main window exists from the start, its controls in their initial state.
  HeadlessToolkit();
  ~HeadlessToolkit() override;

  // ---- The toolkit port. A control name that the window does not have fails the test.
  std::string editText(Window window, const std::string& control) override;
  void setEditText(Window window, const std::string& control, const std::string& text) override;
  std::string comboText(Window window, const std::string& control) override;
  int comboItemCount(Window window, const std::string& control) override;
  std::string comboItemText(Window window, const std::string& control, int index) override;
  int comboAddItem(Window window, const std::string& control, const std::string& text) override;
  bool comboDeleteItem(Window window, const std::string& control, int index) override;
  int comboSelection(Window window, const std::string& control) override;
  void setComboSelection(Window window, const std::string& control, int index) override;
  // Records the box and answers with the next queued answer. With the queue empty an OK box
  // answers OK, and a Yes/No box fails the test and answers No. A queued answer that is not
  // one of the box's buttons fails the test.
  int messageBox(const std::string& text, int buttons, const std::string& caption = {},
                 invoices::Icon icon = invoices::Icon::None) override;
  // Puts the window's controls into their initial state, raises windowCreated, runs the
  // window's script (none: the user closes the window at once), then raises windowClosed.
  void loadModal(Window window) override;
  void closeWindow(Window window) override;
  void openWebPage(const std::string& address) override;
  void printGrid(grid::GridModel& grid) override;

  // ---- What the user does.
  // Types `text` into an edit box or a drop-down's text field, replacing what it held, and
  // then moves the focus away. The starting-number and count boxes of the add-batch window
  // drop keys other than digits and "-"; the count box is normalized as the focus leaves it.
  // A read-only box (the main window's code, start and count boxes) takes nothing.
  void typeText(Window window, const std::string& control, const std::string& text);
  // Picks item `index` from a drop-down's list: selects it, shows its text in the text field
  // and then calls onComboItemSelected, if set (the test wires it to the logic's handler).
  // Fails the test when there is no such item.
  void pickComboItem(Window window, const std::string& control, int index);
  std::function<void(Window, const std::string& control)> onComboItemSelected;

  // The user's part in a modal window: called after windowCreated; returns when the user
  // closes the window. It may check isCloseRequested after each click.
  void setScript(Window window, std::function<void(Window)> script);
  bool isCloseRequested(Window window) const;
  // True while the window is shown (the main window always).
  bool isOpen(Window window) const;

  // ---- What the logic did.
  std::vector<ShownMessage> messages;   // every box, in order
  std::deque<int> answers;              // the answers for the next boxes, front first
  std::vector<Window> modalsLoaded;     // every loadModal, in order
  std::vector<Window> closeRequests;    // every closeWindow, in order
  std::vector<std::string> webPages;    // every openWebPage address
  int printCount = 0;                   // printGrid calls
  grid::GridModel* lastPrinted = nullptr;

  // The texts of the boxes shown so far, in order (convenient for expectations).
  std::vector<std::string> messageTexts() const;

 private:
  struct Edit {
    std::string text;
    bool readOnly = false;
    bool numberKeys = false;     // only digits and "-" may be typed
    bool normalizeCount = false; // rewritten as an integer when the focus leaves
  };
  struct Combo {
    std::vector<std::string> items;
    int selection = -1;
    std::string text;
  };
  struct Controls {
    std::map<std::string, Edit> edits;
    std::map<std::string, Combo> combos;
  };

  void resetControls(Window window);
  Edit* findEdit(Window window, const std::string& control);
  Combo* findCombo(Window window, const std::string& control);
  static void select(Combo& combo, int index);

  std::map<Window, Controls> controls_;
  std::map<Window, std::function<void(Window)>> scripts_;
  std::map<Window, bool> closeRequested_;
  std::map<Window, bool> open_;
};

}  // namespace korvana::testing
