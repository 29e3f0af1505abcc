// Hostile files: truncated, mutated and random logs must load or fail cleanly, and every cell
// and dump line of whatever loads must come out without reading outside a record. Run under
// the sanitized build to catch any stray read.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"
#include "table/CellText.h"
#include "table/ColumnInfo.h"

namespace {

void ExerciseEverything(const std::vector<uint8_t>& file) {
  CMeterlog2Doc doc;
  const LoadResult result = doc.LoadFromMemory(file.data(), file.size(), "hostile");
  if (result.status != LoadResult::Status::kLoaded) {
    EXPECT_FALSE(result.message.empty());
    EXPECT_EQ(doc.GetRecordCount(), 0u);
    return;
  }
  std::ostringstream dump;
  EXPECT_TRUE(
      WriteRecordDumps(dump, doc.SharedRecords().get(), doc.GetRecordCount(), doc.GetRecordSize()));
  std::string text;
  const unsigned rows = std::min(doc.GetRecordCount(), 3u);
  for (uint32_t format : {1u, 256u}) {
    doc.SetDataFormat(format);
    for (unsigned row = 0; row < rows; ++row) {
      for (int id = 0; id < kColumnIdCount; ++id) {
        GetCellText(doc, row, id, text);
        EXPECT_FALSE(text.empty()) << "row " << row << " column " << id;
      }
    }
  }
}

std::vector<uint8_t> Sample(int type, uint32_t records, uint16_t recordSize = 0) {
  SampleLogOptions o;
  o.logType = type;
  o.records = records;
  o.recordSize = recordSize;
  o.headerSize = 8;
  return MakeSampleLog(o);
}

}  // namespace

TEST(Hostile, EveryTruncationOfASmallLog) {
  const std::vector<uint8_t> full = Sample(2, 2);
  for (size_t length = 0; length <= 40; ++length) {
    ExerciseEverything(
        std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
  }
  for (size_t length = 40; length < full.size(); length += 97) {
    ExerciseEverything(
        std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)));
  }
}

TEST(Hostile, RecordsShorterThanEveryLayout) {
  // The header is honest about the size; the size is smaller than the log type needs.
  for (int type : {1, 2, 3, 4, 5, 6, 0, 9}) {
    for (uint16_t size : {1, 13, 14, 72, 73, 74, 200, 302, 400, 1102, 1582, 2000, 2993}) {
      ExerciseEverything(Sample(type, 2, size));
    }
  }
}

TEST(Hostile, RandomBytesAndMutations) {
  std::mt19937 rng(20261207);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 60; ++round) {
    std::vector<uint8_t> file = Sample(1 + round % 6, 2);
    // Flip a handful of bytes anywhere, header included.
    std::uniform_int_distribution<size_t> where(0, file.size() - 1);
    for (int i = 0; i < 8; ++i) file[where(rng)] = static_cast<uint8_t>(byte(rng));
    ExerciseEverything(file);
  }
  for (int round = 0; round < 40; ++round) {
    std::vector<uint8_t> file(static_cast<size_t>(byte(rng)) * 16);
    for (auto& b : file) b = static_cast<uint8_t>(byte(rng));
    ExerciseEverything(file);
  }
}
