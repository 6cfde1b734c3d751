#pragma once
// The user actions whose writes the safety scenarios interrupt, fail or count, and the books
// they run on.
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "safety_fixture.h"

namespace korvana::safety {

// The three table files of a book, by file name.
using Book = std::map<std::string, std::string>;

// Payer units 甲公司 and 乙公司; batches 服务票0101, 销售票0201 and 服务票0301 of 10 invoices
// each, the first three invoices of the first and the last dated, ticked, with an amount and
// a payer. The last batch is the one shown at start.
const Book& smallBook();
// The first batch of 10 followed by batches of 1000, 1000 and 700 invoices, then two batches
// of 10: deleting the first batch moves more records than one compaction chunk holds.
const Book& largeBook();

struct UserAction {
  const char* name;
  bool large;  // runs on largeBook(), else on smallBook()
  // Runs the action on a started program; `arm` is called right before the click that starts
  // its writes.
  std::function<void(Program&, const std::function<void()>& arm)> run;
  Op op;
  // The message boxes a failing write may end the action with (UTF-8, before the error text
  // where they name a table and its error).
  std::vector<std::string> failureMessages;
};
void PrintTo(const UserAction& a, std::ostream* os);

// Add a batch of 50; tick, date, amount and payer edits; delete the first, a middle and the
// last batch; payer editor add, edit and delete; delete the first batch of the large book.
const std::vector<UserAction>& userActions();

// How many writes the action makes, run undisturbed on the folder (which it changes).
int writesOf(const UserAction& action, const std::string& folder);

// A gtest-friendly name of an action.
std::string testName(const UserAction& a);

}  // namespace korvana::safety
