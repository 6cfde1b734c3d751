// The batch key, the invoice numbers of a batch and the count box's rewriting.
#include <gtest/gtest.h>

#include "book_fixture.h"
#include "invoices/invoice_book.h"

namespace korvana::testing {
namespace {

using invoices::makeBatchKey;
using invoices::makeInvoiceNumber;
using invoices::normalizeCountText;

TEST(MakeInvoiceNumber, OnlyTheLastThreeDigitsCountUp) {
  struct Case { const char* start; int i; const char* number; };
  const Case cases[] = {
      {"00123401", 1, "00123401"}, {"00123401", 3, "00123403"},
      {"00123998", 2, "00123999"}, {"00123998", 3, "00123000"},  // no carry into the prefix
      {"00123998", 4, "00123001"}, {"12", 1, "12"},
      {"0099", 1, "099"},          {"0099", 2, "0100"},           // value below three digits
      {"", 1, "0"},                {"-5", 2, "-4"},
      {"2147483647", 1, "2147483647"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(makeInvoiceNumber(c.start, c.i), c.number) << c.start << " #" << c.i;
  }
}

TEST(MakeBatchKey, TypeFollowedByTheLastFourBytesOfTheStart) {
  struct Case { const char* type; const char* start; const char* key; };
  const Case cases[] = {
      {"服务票", "00123401", "服务票3401"},
      {"销售票", "12", "销售票12"},
      {"", "1234", "1234"},
      {"服务票服务票", "9876543210", "服务票服务票3210"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(u(makeBatchKey(g(c.type), c.start)), c.key) << c.type << " " << c.start;
  }
}

TEST(NormalizeCountText, IntegerClampedTo32BitsAndZeroEmpty) {
  struct Case { const char* typed; const char* shown; };
  const Case cases[] = {
      {"50", "50"},           {"0050", "50"},         {"0", ""},
      {"", ""},               {"-3", "-3"},           {"12-3", "12"},
      {"99999999999", "2147483647"},                   {"-99999999999", "-2147483648"},
      {"99999999999999999999999", "2147483647"},
  };
  for (const Case& c : cases) EXPECT_EQ(normalizeCountText(c.typed), c.shown) << c.typed;
}

}  // namespace
}  // namespace korvana::testing
