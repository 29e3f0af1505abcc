#include <gtest/gtest.h>

#include <sstream>

#include "TestLogs.h"
#include "log/Meterlog2Doc.h"
#include "log/RecordLayout.h"

using Status = LoadResult::Status;

TEST(Loader, Smoke) {
  CMeterlog2Doc doc;
  RecordBytes r(303, 1);
  r.Time(2009, 3, 7, 14, 5, 9);
  const auto file = MakeLogFile(1, 0, 1, 303, {r.bytes});
  const LoadResult result = doc.LoadFromMemory(file.data(), file.size(), "x.57x");
  EXPECT_EQ(result.status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 1u);
  std::string title;
  EXPECT_TRUE(doc.GetRecordTitle(title, 0));
  EXPECT_EQ(title, "Standard Log 03-07-2009 14:05:09");
}
