#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "LogBytes.h"
#include "table/ColumnCatalogue.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"

namespace {

std::vector<std::string> Titles(const ColumnList& list) {
  std::vector<std::string> titles;
  for (const ColumnInfo& info : list.Entries()) titles.push_back(info.strTitle);
  return titles;
}

std::string Joined(const ColumnList& list, size_t first, size_t count) {
  std::string line;
  for (size_t i = first; i < first + count && i < list.size(); ++i) {
    if (i != first) line += ',';
    line += list.Entries()[i].strTitle;
  }
  return line;
}

int IndexOfTitle(const ColumnList& list, const std::string& title) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.Entries()[i].strTitle == title) return static_cast<int>(i);
  }
  return -1;
}

const char* const kStandardHeader =
    "Log Type,Time,Ch1 Select,Ch2 Select,Frequency,Phase,Power Wide,Power Factor Wide,"
    "Volt Amps Wide,VARs Wide,Ch1 Mag Wide,Ch1 Mag Narrow,Ch1 THD,Power Narrow,"
    "Power Factor Narrow,Volt Amps Narrow,VARs Narrow,Ch2 Mag Wide,Ch2 Mag Narrow,Ch2 THD,"
    "Watt Hours,Volt Amp Hours,VAR Hours";

TEST(ColumnSets, ColumnCountsPerLogTypeAndFormat) {
  struct Case {
    int logType;
    uint32_t format;
    int columns;
  } cases[] = {{1, 1, 23}, {2, 1, 225},  {3, 256, 225}, {4, 1, 665}, {5, 1, 59},   {5, 256, 18},
               {5, 2, 59}, {6, 256, 59}, {0, 1, 59},    {7, 1, 59},  {63, 256, 59}};
  for (const Case& c : cases) {
    ColumnList list;
    EXPECT_EQ(list.BuildColumns(c.logType, c.format), c.columns)
        << "log type " << c.logType << ", format " << c.format;
    EXPECT_EQ(static_cast<int>(list.size()), c.columns);
    EXPECT_EQ(list.VisibleCount(), c.columns) << "a fresh list shows every column";
  }
}

TEST(ColumnSets, FormatZeroMeansTheDocumentsDetectedFormat) {
  HandLog log(1, 2994, 256);
  log.SetType(0, 5);
  CMeterlog2Doc doc;
  log.LoadInto(doc);
  ColumnList list;
  EXPECT_EQ(list.BuildColumns(5, 0, &doc), 18);
  EXPECT_EQ(list.BuildColumns(5, 1, &doc), 59) << "an explicit format wins";
  EXPECT_EQ(list.BuildColumns(5, 0, nullptr), 59) << "no document: no detected format";

  // Rebuilding replaces the list and shows every column again.
  list.Entries()[3].bVisible = false;
  EXPECT_EQ(list.BuildColumns(5, 256, &doc), 18);
  EXPECT_EQ(list.VisibleCount(), 18);
}

// The other sets' header lines are pinned byte for byte by the golden CSV files.
TEST(ColumnSets, StandardHeaderLine) {
  ColumnList list;
  list.BuildColumns(1, 1);
  EXPECT_EQ(Joined(list, 0, list.size()), kStandardHeader);
}

TEST(ColumnSets, NoSetHoldsAnIdentifierTwiceOrOneWithoutAQuery) {
  ColumnList list;
  // The six identifiers without a query are in no set.
  const std::set<int> noQuery = {245, 251, 260, 267, 275, 281};
  for (int type = 0; type <= 6; ++type) {
    for (uint32_t format : {1u, 256u}) {
      list.BuildColumns(type, format);
      std::set<int> ids;
      for (const ColumnInfo& info : list.Entries()) {
        EXPECT_EQ(noQuery.count(info.nColumnId), 0u) << info.nColumnId;
        EXPECT_TRUE(ids.insert(info.nColumnId).second) << "twice: " << info.nColumnId;
      }
    }
  }
}

TEST(ColumnSets, HarmonicFamiliesRunFromHarm2ToHarm50) {
  ColumnList list;
  list.BuildColumns(2, 1);
  const std::vector<std::string> titles = Titles(list);
  const int first = IndexOfTitle(list, "Ch1 Mag Harm 2");
  ASSERT_EQ(first, 25);
  for (int h = 2; h <= 50; ++h) {
    EXPECT_EQ(titles[static_cast<size_t>(first + h - 2)], "Ch1 Mag Harm " + std::to_string(h));
  }
  EXPECT_EQ(titles[74], "Ch1 Ph Fund");
  EXPECT_EQ(titles[75], "Ch1 Ph Harm 2");
  EXPECT_EQ(titles[123], "Ch1 Ph Harm 50");
  EXPECT_EQ(titles[124], "Ch2 K-Factor");
  EXPECT_EQ(titles[126], "Ch2 Mag Harm 2");
  EXPECT_EQ(titles[224], "Ch2 Ph Harm 50");
  for (const char* missing :
       {"Ch1 Mag Harm 1", "Ch1 Mag Harm 51", "Ch2 Ph Harm 1", "Ch2 Ph Harm 51"}) {
    EXPECT_EQ(IndexOfTitle(list, missing), -1) << missing;
  }

  list.BuildColumns(4, 1);
  EXPECT_EQ(list.Entries()[59].strTitle, "Phase A Volts K-Factor");
  EXPECT_EQ(list.Entries()[60].strTitle, "Phase A Volts Fund");
  EXPECT_EQ(list.Entries()[61].strTitle, "Phase A Volts Harm 2");
  EXPECT_EQ(list.Entries()[110].strTitle, "Phase A Volts Phase Angle Fund");
  EXPECT_EQ(list.Entries()[111].strTitle, "Phase A Volts Phase Angle Harm 2");
  EXPECT_EQ(list.Entries()[160].strTitle, "Phase A Current K-Factor");
  EXPECT_EQ(list.Entries()[IndexOfTitle(list, "Phase B Current Harm 50")].nColumnId, 637);
  EXPECT_EQ(list.Entries()[664].strTitle, "Phase C Current Phase Angle Harm 50");
  EXPECT_EQ(list.Entries()[664].nColumnId, 889);
}

TEST(ColumnSets, IdentifierFourHasTwoTitles) {
  ColumnList list;
  for (int type : {1, 2, 3}) {
    list.BuildColumns(type, 1);
    EXPECT_EQ(list.Entries()[4].strTitle, "Frequency");
    EXPECT_EQ(list.Entries()[4].nColumnId, 4);
  }
  for (int type : {4, 6, 0}) {
    list.BuildColumns(type, 1);
    const int at = IndexOfTitle(list, "3 Phase Frequency");
    ASSERT_EQ(at, 19);
    EXPECT_EQ(list.Entries()[19].nColumnId, 4);
    EXPECT_EQ(IndexOfTitle(list, "Frequency"), -1);
  }
  EXPECT_EQ(ColumnTitle(4), "Frequency");
}

TEST(ColumnCatalogue, EveryIdentifierHasItsOwnTitle) {
  std::set<std::string> titles;
  for (int id = 0; id < kColumnIdCount; ++id) {
    const std::string title = ColumnTitle(id);
    EXPECT_FALSE(title.empty()) << id;
    EXPECT_EQ(title.find('%'), std::string::npos) << id;
    EXPECT_EQ(title.find(','), std::string::npos) << id;
    EXPECT_TRUE(titles.insert(title).second) << "title used twice: " << title;
  }
  EXPECT_EQ(ColumnTitle(-1), "");
  EXPECT_EQ(ColumnTitle(902), "");
  EXPECT_EQ(ColumnTitle(245), "Phase A Current Wide");
  EXPECT_EQ(ColumnTitle(267), "Phase B Current Narrow");
  EXPECT_EQ(ColumnTitle(281), "Phase C Volts Narrow");
  EXPECT_EQ(ColumnTitle(335), "Phase A Volts Phase Angle Fund");
  EXPECT_EQ(ColumnTitle(739), "Phase C Volts Phase Angle Fund");
  EXPECT_EQ(ColumnTitle(840), "Phase C Current Phase Angle Fund");
  EXPECT_EQ(ColumnTitle(901), "Phase C Current Phase");
}

TEST(ColumnList, SubItemsCountOnlyVisibleEntries) {
  ColumnList list;
  EXPECT_EQ(list.ColumnFromSubItem(0), -1);
  list.BuildColumns(1, 1);
  for (int i : {0, 2, 3, 22}) list.Entries()[static_cast<size_t>(i)].bVisible = false;
  EXPECT_EQ(list.VisibleCount(), 19);
  EXPECT_EQ(list.ColumnFromSubItem(0), 1);  // Time
  EXPECT_EQ(list.ColumnFromSubItem(1), 4);  // Frequency
  EXPECT_EQ(list.ColumnFromSubItem(17), 20);
  EXPECT_EQ(list.ColumnFromSubItem(18), 21);
  // Past the visible entries: the last entry of the list, hidden or not.
  EXPECT_EQ(list.ColumnFromSubItem(19), 22);
  EXPECT_EQ(list.ColumnFromSubItem(500), 22);
}

TEST(ColumnList, DisplayedColumnsFollowTheDragOrder) {
  ColumnList list;
  list.BuildColumns(1, 1);
  for (size_t i = 2; i < list.size(); ++i) list.Entries()[i].bVisible = i == 4 || i == 20;
  // Table columns in insertion order: 0 Log Type, 1 Time, 2 Frequency, 3 Watt Hours.
  ASSERT_EQ(VisibleColumns(list).size(), 4u);
  const std::vector<TableColumn> shown = DisplayedColumns(list, {1, 0, 3, 2, 7, -1});
  ASSERT_EQ(shown.size(), 4u) << "numbers beyond the table's columns name nothing";
  EXPECT_EQ(shown[0].title, "Time");
  EXPECT_EQ(shown[0].id, 1);
  EXPECT_EQ(shown[1].title, "Log Type");
  EXPECT_EQ(shown[2].id, 20);
  EXPECT_EQ(shown[3].id, 4);
}

}  // namespace
