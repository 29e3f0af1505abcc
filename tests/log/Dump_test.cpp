#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "LogBytes.h"
#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "log/RecordLayout.h"
#include "samples/SampleLog.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string DumpOf(const std::vector<uint8_t>& record) {
  std::string out;
  AppendRecordDump(out, record.data(), record.size());
  return out;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// The dump of two generated records of every log type in both byte orders, against files
// checked by hand. METERLOG2_UPDATE_GOLDEN=1 rewrites them.
TEST(Dump, GoldenFilesForEveryLogTypeAndByteOrder) {
  const bool update = std::getenv("METERLOG2_UPDATE_GOLDEN") != nullptr;
  for (int type = 1; type <= 6; ++type) {
    for (uint32_t format : {1u, 256u}) {
      SampleLogOptions o;
      o.logType = type;
      o.records = 2;
      o.dataFormat = format;
      const std::vector<uint8_t> file = MakeSampleLog(o);
      CMeterlog2Doc doc;
      ASSERT_EQ(doc.LoadFromMemory(file.data(), file.size(), "golden").status,
                LoadResult::Status::kLoaded);
      std::ostringstream dump;
      ASSERT_TRUE(WriteRecordDumps(dump, doc.SharedRecords().get(), doc.GetRecordCount(),
                                   doc.GetRecordSize()));
      const std::string path = std::string(METERLOG2_TEST_DATA) + "/dump/type" +
                               std::to_string(type) + "-" + std::to_string(format) + ".txt";
      if (update) {
        std::ofstream(path, std::ios::binary) << dump.str();
        continue;
      }
      EXPECT_EQ(dump.str(), ReadFile(path)) << path;
    }
  }
}

TEST(Dump, BlocksFollowTheRecordsOwnType) {
  // Type 0: only the head. Type 9: the head and the three-phase group.
  const std::string none = DumpOf(RecordBytes(layout::kThreePhaseRecordSize, 0x80).bytes);
  EXPECT_EQ(Count(none, "\n"), 48u);
  EXPECT_EQ(none.find("ThreePhase [size"), std::string::npos);
  const std::string nine = DumpOf(RecordBytes(layout::kThreePhaseRecordSize, 9).bytes);
  EXPECT_EQ(Count(nine, "byRecordType [9] [size: 1]\n"), 1u);
  EXPECT_EQ(Count(nine, "ThreePhase [size: 2994]\n"), 1u);
  EXPECT_EQ(Count(nine, "updateSettings [size: 80]\n"), 3u);
  EXPECT_EQ(Count(nine, "harmonicArray.harmonicData["), 3u * 49u);

  RecordBytes wave(layout::kWaveformRecordSize, 3);
  wave.Byte(layout::sp::WaveformData0 + 5, 0x80).Byte(layout::sp::WaveformData1 + 239, 0x7F);
  const std::string w = DumpOf(wave.bytes);
  EXPECT_NE(w.find("waveformData[5] [-128]\n"), std::string::npos);
  EXPECT_NE(w.find("waveformData[239] [127]\n"), std::string::npos);
  EXPECT_EQ(Count(w, "WaveformData [size: 240]\n"), 2u);
  EXPECT_EQ(Count(w, "Harmonics [size: 1103]\n"), 1u);
}

TEST(Dump, FloatsPrintAsStoredAndThreePhaseAnglesInDegrees) {
  RecordBytes r(layout::kThreePhaseRecordSize, 4, /*reversed=*/true);
  r.Float(layout::tp::fPhase, 1.0f);  // stored big-endian: printed as the nonsense it reads as
  RecordBytes s(layout::kThreePhaseRecordSize, 4);
  s.Float(layout::tp::fPhase, 1.0f).Float(layout::tp::updateSettings + 4, 1.0f);
  s.Byte(layout::tp::threePhaseHarmonicSequence, 200);  // cChannel is unsigned
  s.Byte(layout::cDisplayMode, 0xFF);                   // config bytes are signed
  const std::string reversed = DumpOf(r.bytes);
  const std::string stored = DumpOf(s.bytes);
  EXPECT_NE(reversed.find("fPhase [0.000000]\n"), std::string::npos);
  EXPECT_NE(stored.find("fPhase [57.295780]\n"), std::string::npos);  // the average, degrees
  EXPECT_NE(stored.find("fPhase [1.000000]\n"), std::string::npos);   // updateSettings, radians
  EXPECT_NE(stored.find("cChannel[0] [200]\n"), std::string::npos);
  EXPECT_NE(stored.find("cDisplayMode [-1]\n"), std::string::npos);
}

TEST(Dump, ShortRecordsPrintOnlyTheBlocksThatFit) {
  EXPECT_EQ(DumpOf(RecordBytes(72, 1).bytes), "");
  const std::string head = DumpOf(RecordBytes(73, 2).bytes);
  EXPECT_EQ(Count(head, "\n"), 48u);
  const std::string partial = DumpOf(RecordBytes(170, 2).bytes);
  EXPECT_EQ(Count(partial, "updateSettings [size: 80]\n"), 1u);
  EXPECT_EQ(Count(partial, "energyRecord [size: 12]\n"), 1u);
  EXPECT_EQ(partial.find("ptct_data"), std::string::npos);
  EXPECT_EQ(DumpOf(RecordBytes(2993, 4).bytes).find("ThreePhase [size"), std::string::npos);
}
