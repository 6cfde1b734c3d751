#pragma once
// A minimal toolkit for driving the invoice book without windows in the benchmarks: edit-box
// and drop-down texts kept in memory, message boxes answered from a queue. Every box shown is
// counted so that a benchmark can tell an unexpected message from a quiet run.
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "invoices/toolkit.h"

namespace korvana::bench {

class BenchToolkit : public invoices::Toolkit {
 public:
  using Window = invoices::Window;

  std::string editText(Window w, const std::string& c) override { return edits_[{w, c}]; }
  void setEditText(Window w, const std::string& c, const std::string& t) override {
    edits_[{w, c}] = t;
  }

  std::string comboText(Window w, const std::string& c) override { return comboTexts_[{w, c}]; }
  void setComboText(Window w, const std::string& c, const std::string& t) { comboTexts_[{w, c}] = t; }
  int comboItemCount(Window w, const std::string& c) override {
    return static_cast<int>(combo(w, c).items.size());
  }
  std::string comboItemText(Window w, const std::string& c, int index) override {
    const auto& items = combo(w, c).items;
    return index >= 0 && index < static_cast<int>(items.size()) ? items[index] : std::string();
  }
  int comboAddItem(Window w, const std::string& c, const std::string& t) override {
    auto& items = combo(w, c).items;
    items.push_back(t);
    return static_cast<int>(items.size()) - 1;
  }
  bool comboDeleteItem(Window w, const std::string& c, int index) override {
    Combo& box = combo(w, c);
    if (index < 0 || index >= static_cast<int>(box.items.size())) return false;
    box.items.erase(box.items.begin() + index);
    if (box.selection >= static_cast<int>(box.items.size())) {
      box.selection = static_cast<int>(box.items.size()) - 1;
    }
    return true;
  }
  int comboSelection(Window w, const std::string& c) override { return combo(w, c).selection; }
  void setComboSelection(Window w, const std::string& c, int index) override {
    Combo& box = combo(w, c);
    int n = std::min(index, static_cast<int>(box.items.size()) - 1);
    box.selection = n < 0 ? -1 : n;
  }

  int messageBox(const std::string& text, int buttons, const std::string& caption,
                 invoices::Icon icon) override {
    ++boxesShown_;
    lastBox_ = text;
    if (answers_.empty()) return buttons == invoices::kButtonsYesNo ? invoices::kAnswerNo
                                                                     : invoices::kAnswerOk;
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
  }

  void loadModal(Window w) override {
    if (events_) events_->windowCreated(w);
    if (onModal) onModal(w);
    if (events_) events_->windowClosed(w);
  }
  void closeWindow(Window) override {}
  void openWebPage(const std::string&) override {}
  void printGrid(grid::GridModel&) override {}

  void queueAnswer(int answer) { answers_.push_back(answer); }
  int boxesShown() const { return boxesShown_; }
  const std::string& lastBox() const { return lastBox_; }

  // Runs while a modal window is open (between its creation and its closing).
  std::function<void(Window)> onModal;

 private:
  struct Combo {
    std::deque<std::string> items;  // grows without moving what it holds
    int selection = -1;
  };
  // The batch list is asked for thousands of times in a row: the last one looked up is kept.
  Combo& combo(Window w, const std::string& c) {
    if (!lastCombo_ || w != lastWindow_ || c != lastControl_) {
      lastCombo_ = &combos_[{w, c}];
      lastWindow_ = w;
      lastControl_ = c;
    }
    return *lastCombo_;
  }

  std::map<std::pair<Window, std::string>, std::string> edits_;
  std::map<std::pair<Window, std::string>, std::string> comboTexts_;
  std::map<std::pair<Window, std::string>, Combo> combos_;  // nodes never move
  Combo* lastCombo_ = nullptr;
  Window lastWindow_ = Window::Main;
  std::string lastControl_;
  std::deque<int> answers_;
  int boxesShown_ = 0;
  std::string lastBox_;
};

}  // namespace korvana::bench
