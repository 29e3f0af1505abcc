// The whole export of one generated log of every log type, in both byte orders and across the
// vector switch, against CSV files checked by hand once. Also under a German locale, where a
// printf-style formatter would write decimal commas.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "CommaLocale.h"
#include "log/CMeterlog2Doc.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

namespace {

struct Golden {
  const char* log;
  uint32_t dataFormat;  // 0: as the file says; else the user's choice after opening
  const char* csv;
};

const Golden kGolden[] = {
    {"type1_0001.57x", 0, "type1_0001.csv"},
    {"type1_0100.57x", 0, "type1_0100.csv"},
    {"type2_0001.57x", 0, "type2_0001.csv"},
    {"type2_0100.57x", 0, "type2_0100.csv"},
    {"type3_0001.57x", 0, "type3_0001.csv"},
    {"type3_0100.57x", 0, "type3_0100.csv"},
    {"type4_0001.57x", 0, "type4_0001.csv"},
    {"type4_0100.57x", 0, "type4_0100.csv"},
    {"type5_0001.57x", 0, "type5_0001.csv"},
    {"type5_0100.57x", 0, "type5_0100.csv"},
    {"type6_0001.57x", 0, "type6_0001.csv"},
    {"type6_0100.57x", 0, "type6_0100.csv"},
    {"type5_0001.57x", 256, "type5_0001_as_0100.csv"},
    {"type5_0100.57x", 1, "type5_0100_as_0001.csv"},
};

std::string DataPath(const char* name) {
  return std::string(METERLOG2_TEST_DATA) + "/csv/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// What Export to CSV writes after opening the log (and picking a data format): every column
// of the set in set order, every row.
std::string ExportAll(const Golden& golden) {
  CMeterlog2Doc doc;
  const LoadResult result = doc.Load(DataPath(golden.log));
  EXPECT_EQ(result.status, LoadResult::Status::kLoaded) << result.message;
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), 0, &doc);
  if (golden.dataFormat != 0) {
    doc.SetDataFormat(golden.dataFormat);
    if (doc.GetFirstLogType() == 5) list.BuildColumns(5, golden.dataFormat, &doc);
  }
  std::string csv;
  WriteTableChunks(doc, VisibleColumns(list), nullptr, ',', [&](std::string_view piece) {
    csv.append(piece);
    return true;
  });
  return csv;
}

void ExpectAllGoldenFiles() {
  for (const Golden& golden : kGolden) {
    const std::string expected = ReadFile(DataPath(golden.csv));
    ASSERT_FALSE(expected.empty()) << golden.csv;
    const std::string csv = ExportAll(golden);
    EXPECT_TRUE(csv == expected)
        << golden.csv << " differs; first difference at byte "
        << std::mismatch(csv.begin(), csv.end(), expected.begin(), expected.end()).first -
               csv.begin();
  }
}

TEST(GoldenCsv, EveryLogTypeBothByteOrdersAndTheVectorSwitch) {
  ExpectAllGoldenFiles();
}

TEST(GoldenCsv, SameBytesUnderAGermanLocale) {
  CommaLocale comma;  // C's own formatting now writes a decimal comma
  if (!comma.Armed()) GTEST_SKIP() << comma.Why();
  ExpectAllGoldenFiles();
}

}  // namespace
