// The monthly statistics, from dates and amounts entered in the records grid.
#include <gtest/gtest.h>

#include "book_fixture.h"

namespace korvana::testing {
namespace {

using Row = std::vector<std::string>;

struct Entry {
  const char* date;    // "" leaves the row undated
  const char* amount;  // "" leaves the amount empty
};

struct TallyCase {
  const char* name;
  std::vector<Entry> entries;  // rows 1.. of a batch numbered from 00000101
  std::vector<Row> stats;      // statistics rows 1..
};
void PrintTo(const TallyCase& c, std::ostream* os) { *os << c.name; }

class MonthlyStats : public BookTest, public ::testing::WithParamInterface<TallyCase> {};

TEST_P(MonthlyStats, TalliesRunsOfMonthsUntilTheFirstUndatedRow) {
  const TallyCase& c = GetParam();
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", std::to_string(c.entries.size() + 1));
  int row = 0;
  for (const Entry& e : c.entries) {
    ++row;
    tickRows(row - 1);
    if (*e.date) {
      ASSERT_TRUE(edit(row, 3, e.date));
    }
    if (*e.amount) {
      ASSERT_TRUE(edit(row, 4, e.amount));
    }
  }
  // Recomputed from the grid as shown after a fresh pick as well.
  for (int pass = 0; pass < 2; ++pass) {
    SCOPED_TRACE(pass == 0 ? "after editing" : "after picking the batch");
    for (std::size_t r = 0; r < c.stats.size(); ++r) {
      EXPECT_EQ(statsRow(static_cast<int>(r) + 1), c.stats[r]) << "statistics row " << r + 1;
    }
    EXPECT_EQ(statsRow(static_cast<int>(c.stats.size()) + 1), Row(6, ""));
    pickBatch(0);
  }
}

std::vector<TallyCase> tallyCases() {
  return {
      {"TwoMonthsWithAVoid",
       {{"2010-03-05", "10"}, {"2010-03-20", ""}, {"2010-04-01", "5.5"}},
       {{"2010-3", "00000101", "00000102", "2", "10.00", "00000102"},
        {"2010-4", "00000103", "00000103", "1", "5.50", ""}}},
      {"MonthsBackAndForth",
       {{"2010-03-05", "1"}, {"2010-04-02", "2"}, {"2010-03-28", "4"}},
       {{"2010-3", "00000101", "00000101", "1", "1.00", ""},
        {"2010-4", "00000102", "00000102", "1", "2.00", ""},
        {"2010-3", "00000103", "00000103", "1", "4.00", ""}}},
      {"StopsAtTheFirstUndatedRow",
       {{"2010-03-05", "1"}, {"2010-03-06", "1"}, {"2010-03-07", "1"}, {"2010-03-08", "1"},
        {"", "9"}, {"2010-05-01", "1"}, {"2010-05-02", "1"}, {"2010-05-03", "1"}},
       {{"2010-3", "00000101", "00000104", "4", "4.00", ""}}},
      {"NothingWhenRowOneIsUndated", {{"", "5"}, {"2010-03-05", "5"}}, {}},
      {"AllZeroMonthShowsTheLastVoid",
       {{"2010-12-01", ""}, {"2010-12-02", "0"}, {"2011-01-03", "8"}},
       {{"2010-12", "00000101", "00000102", "2", "", "00000102"},
        {"2011-1", "00000103", "00000103", "1", "8.00", ""}}},
      {"SixSignificantDigits",
       {{"2010-03-05", "12345.67"}, {"2010-04-05", "1234567"}},
       {{"2010-3", "00000101", "00000101", "1", "12345.70", ""},
        {"2010-4", "00000102", "00000102", "1", "1234570.00", ""}}},
  };
}

INSTANTIATE_TEST_SUITE_P(Cases, MonthlyStats, ::testing::ValuesIn(tallyCases()),
                         [](const auto& info) { return std::string(info.param.name); });

using StatisticsGrid = BookTest;

TEST_F(StatisticsGrid, TenMonthsGrowTheGridWhichKeepsItsRowsAfterwards) {
  ASSERT_TRUE(start());
  addBatch("服务票", "1", "00000101", "10");
  for (int row = 1; row <= 10; ++row) {
    tickRows(row - 1);
    char date[16];
    std::snprintf(date, sizeof date, "2012-%02d-15", row);
    ASSERT_TRUE(edit(row, 3, date));
  }
  EXPECT_EQ(book->statsGrid().rowCount(), 11);
  EXPECT_EQ(statsCell(10, 0), "2012-10");

  addBatch("销售票", "2", "00000201", "2");
  EXPECT_EQ(book->statsGrid().rowCount(), 11);
  EXPECT_EQ(statsCell(10, 0), "");
}

}  // namespace
}  // namespace korvana::testing
