// The rows a command works on: every consumer gets them sorted and once, and no list of ranges
// needs more than the log's records.
#include <gtest/gtest.h>

#include <climits>

#include "log/RowSelection.h"

namespace {

using Ranges = std::vector<std::pair<unsigned, unsigned>>;

Ranges Parsed(const std::string& text) {
  RowSelection selection;
  std::string error;
  EXPECT_TRUE(selection.Parse(text, error)) << text << ": " << error;
  return selection.Ranges();
}

TEST(RowSelection, RangesAreSortedMergedAndCountedOnce) {
  EXPECT_EQ(Parsed("0-9,0-4"), (Ranges{{0, 9}}));
  EXPECT_EQ(Parsed("5,2-3,3-4"), (Ranges{{2, 5}}));
  EXPECT_EQ(Parsed("20-25,12,0-9"), (Ranges{{0, 9}, {12, 12}, {20, 25}}));
  EXPECT_EQ(Parsed("3,4"), (Ranges{{3, 4}}));  // touching ranges join
  EXPECT_EQ(Parsed("3,5"), (Ranges{{3, 3}, {5, 5}}));
  EXPECT_EQ(Parsed("0-4294967295,7,4294967295"), (Ranges{{0, UINT_MAX}}));  // no wrap at the top

  RowSelection selection;
  std::string error;
  ASSERT_TRUE(selection.Parse("0-9,0-4,12,11", error));
  EXPECT_EQ(selection.Count(), 12u);
  std::vector<unsigned> rows;
  ASSERT_TRUE(selection.Rows(13, rows, error)) << error;
  EXPECT_EQ(rows, (std::vector<unsigned>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12}));
}

TEST(RowSelection, ThousandsOfRepeatedRangesNeedNoMoreThanTheRecords) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += (i ? "," : "") + std::string("0-199999");
  RowSelection selection;
  std::string error;
  ASSERT_TRUE(selection.Parse(text, error));
  EXPECT_EQ(selection.Ranges().size(), 1u);
  std::vector<unsigned> rows;
  ASSERT_TRUE(selection.Rows(200000, rows, error));
  EXPECT_EQ(rows.size(), 200000u);
  EXPECT_EQ(rows.back(), 199999u);
}

TEST(RowSelection, TextThatIsNoListAndRowsBeyondTheLogAreRefused) {
  for (const char* text : {"", ",", "1,", ",1", "1,,2", "5-3", "-3", "3-", "1-2-3", "a", " 1", "+1",
                           "4294967296", "1;2", "0x10"}) {
    RowSelection selection;
    std::string error;
    ASSERT_TRUE(selection.Parse("7", error));
    EXPECT_FALSE(selection.Parse(text, error)) << text;
    EXPECT_EQ(error, "takes rows and ranges like 0-9,12,20-25 (0-based), not \"" +
                         std::string(text) + "\"");
    EXPECT_EQ(selection.Ranges(), (Ranges{{7, 7}})) << "unchanged by a refused text";
  }

  RowSelection selection;
  std::string error;
  ASSERT_TRUE(selection.Parse("2,0-10", error));
  std::vector<unsigned> rows;
  EXPECT_FALSE(selection.Rows(10, rows, error));
  EXPECT_EQ(error, "row 10 is beyond the last record (the file holds 10 records, rows 0 to 9)");
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(selection.Rows(11, rows, error));

  RowSelection none;
  EXPECT_TRUE(none.Empty());
  EXPECT_TRUE(none.Rows(0, rows, error));
  EXPECT_TRUE(rows.empty());
}

}  // namespace
