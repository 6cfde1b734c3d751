#include "support/headless_toolkit.h"

#include <gtest/gtest.h>

#include "invoices/invoice_book.h"
#include "text/gbk.h"

namespace korvana::testing {

namespace {

const char* windowName(Window window) {
  switch (window) {
    case Window::Main: return "main window";
    case Window::AddBatch: return "add-batch window";
    case Window::PayerEditor: return "payer unit editor";
  }
  return "?";
}

std::string shown(const std::string& gbkText) { return text::toUtf8(gbkText); }

}  // namespace

HeadlessToolkit::HeadlessToolkit() {
  resetControls(Window::Main);
  resetControls(Window::AddBatch);
  resetControls(Window::PayerEditor);
  open_[Window::Main] = true;
}

HeadlessToolkit::~HeadlessToolkit() = default;

void HeadlessToolkit::resetControls(Window window) {
  Controls c;
  switch (window) {
    case Window::Main: {
      c.combos[text::gbk("组合框_当前发票")] = Combo{};
      c.edits[text::gbk("编辑框_发票类型")] = Edit{};
      for (const char* name : {"编辑框_发票代码", "编辑框_起编号", "编辑框_发票份数"}) {
        Edit e;
        e.readOnly = true;
        c.edits[text::gbk(name)] = e;
      }
      break;
    }
    case Window::AddBatch: {
      Combo type;
      type.items = {text::gbk("服务票"), text::gbk("销售票")};
      select(type, 0);
      c.combos[text::gbk("组合框_发票类型")] = type;
      c.edits[text::gbk("编辑框_发票代码")] = Edit{};
      Edit start;
      start.numberKeys = true;
      c.edits[text::gbk("编辑框_起编号")] = start;
      Edit count;
      count.numberKeys = true;
      count.normalizeCount = true;
      c.edits[text::gbk("编辑框_发票份数")] = count;
      break;
    }
    case Window::PayerEditor:
      // Its components are bound to the payer file; it has no toolkit controls.
      break;
  }
  controls_[window] = std::move(c);
}

HeadlessToolkit::Edit* HeadlessToolkit::findEdit(Window window, const std::string& control) {
  auto& edits = controls_[window].edits;
  auto it = edits.find(control);
  if (it == edits.end()) {
    ADD_FAILURE() << "the " << windowName(window) << " has no edit box " << shown(control);
    return nullptr;
  }
  return &it->second;
}

HeadlessToolkit::Combo* HeadlessToolkit::findCombo(Window window, const std::string& control) {
  auto& combos = controls_[window].combos;
  auto it = combos.find(control);
  if (it == combos.end()) {
    ADD_FAILURE() << "the " << windowName(window) << " has no drop-down " << shown(control);
    return nullptr;
  }
  return &it->second;
}

void HeadlessToolkit::select(Combo& combo, int index) {
  int count = static_cast<int>(combo.items.size());
  if (index > count - 1) index = count - 1;
  if (index < 0) {
    combo.selection = -1;
    combo.text.clear();
  } else {
    combo.selection = index;
    combo.text = combo.items[index];
  }
}

std::string HeadlessToolkit::editText(Window window, const std::string& control) {
  Edit* e = findEdit(window, control);
  return e ? e->text : std::string();
}

void HeadlessToolkit::setEditText(Window window, const std::string& control,
                                  const std::string& text) {
  // The program writes any text, read-only box or not, and without the key filter.
  if (Edit* e = findEdit(window, control)) e->text = text;
}

std::string HeadlessToolkit::comboText(Window window, const std::string& control) {
  Combo* c = findCombo(window, control);
  return c ? c->text : std::string();
}

int HeadlessToolkit::comboItemCount(Window window, const std::string& control) {
  Combo* c = findCombo(window, control);
  return c ? static_cast<int>(c->items.size()) : 0;
}

std::string HeadlessToolkit::comboItemText(Window window, const std::string& control,
                                           int index) {
  Combo* c = findCombo(window, control);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return {};
  return c->items[index];
}

int HeadlessToolkit::comboAddItem(Window window, const std::string& control,
                                  const std::string& text) {
  Combo* c = findCombo(window, control);
  if (!c) return -1;
  c->items.push_back(text);
  return static_cast<int>(c->items.size()) - 1;
}

bool HeadlessToolkit::comboDeleteItem(Window window, const std::string& control, int index) {
  Combo* c = findCombo(window, control);
  if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return false;
  c->items.erase(c->items.begin() + index);
  if (index == c->selection) {
    c->selection = -1;
    c->text.clear();
  } else if (index < c->selection) {
    --c->selection;  // the selected item moved up; it stays selected
  }
  return true;
}

int HeadlessToolkit::comboSelection(Window window, const std::string& control) {
  Combo* c = findCombo(window, control);
  return c ? c->selection : -1;
}

void HeadlessToolkit::setComboSelection(Window window, const std::string& control, int index) {
  if (Combo* c = findCombo(window, control)) select(*c, index);
}

int HeadlessToolkit::messageBox(const std::string& text, int buttons, const std::string& caption,
                                invoices::Icon icon) {
  ShownMessage m;
  m.text = text;
  m.buttons = buttons;
  m.caption = caption.empty() ? text::gbk("信息：") : caption;
  m.icon = icon;
  messages.push_back(m);

  bool yesNo = buttons == invoices::kButtonsYesNo;
  if (answers.empty()) {
    if (!yesNo) return invoices::kAnswerOk;
    ADD_FAILURE() << "no answer queued for the question " << shown(text) << "; answering No";
    return invoices::kAnswerNo;
  }
  int answer = answers.front();
  answers.pop_front();
  bool valid = yesNo ? (answer == invoices::kAnswerYes || answer == invoices::kAnswerNo)
                     : answer == invoices::kAnswerOk;
  if (!valid) {
    ADD_FAILURE() << "the queued answer " << answer << " is not a button of the box "
                  << shown(text);
  }
  return answer;
}

void HeadlessToolkit::loadModal(Window window) {
  modalsLoaded.push_back(window);
  resetControls(window);
  closeRequested_[window] = false;
  open_[window] = true;
  if (events_) events_->windowCreated(window);
  auto it = scripts_.find(window);
  if (it != scripts_.end() && it->second) it->second(window);
  open_[window] = false;
  if (events_) events_->windowClosed(window);
}

void HeadlessToolkit::closeWindow(Window window) {
  closeRequests.push_back(window);
  closeRequested_[window] = true;
}

void HeadlessToolkit::openWebPage(const std::string& address) { webPages.push_back(address); }

void HeadlessToolkit::printGrid(grid::GridModel& grid) {
  ++printCount;
  lastPrinted = &grid;
}

void HeadlessToolkit::typeText(Window window, const std::string& control,
                               const std::string& text) {
  auto& combos = controls_[window].combos;
  if (auto it = combos.find(control); it != combos.end()) {
    it->second.text = text;  // the selection stays as it was
    return;
  }
  Edit* e = findEdit(window, control);
  if (!e || e->readOnly) return;
  std::string typed;
  for (char ch : text) {
    if (!e->numberKeys || invoices::isNumberKey(ch)) typed += ch;
  }
  e->text = typed;
  if (e->normalizeCount) e->text = invoices::normalizeCountText(e->text);
}

void HeadlessToolkit::pickComboItem(Window window, const std::string& control, int index) {
  Combo* c = findCombo(window, control);
  if (!c) return;
  if (index < 0 || index >= static_cast<int>(c->items.size())) {
    ADD_FAILURE() << "the drop-down " << shown(control) << " has no item " << index;
    return;
  }
  select(*c, index);
  if (onComboItemSelected) onComboItemSelected(window, control);
}

void HeadlessToolkit::setScript(Window window, std::function<void(Window)> script) {
  scripts_[window] = std::move(script);
}

bool HeadlessToolkit::isCloseRequested(Window window) const {
  auto it = closeRequested_.find(window);
  return it != closeRequested_.end() && it->second;
}

bool HeadlessToolkit::isOpen(Window window) const {
  auto it = open_.find(window);
  return it != open_.end() && it->second;
}

std::vector<std::string> HeadlessToolkit::messageTexts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages) texts.push_back(m.text);
  return texts;
}

}  // namespace korvana::testing
