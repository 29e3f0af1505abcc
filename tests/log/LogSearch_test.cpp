// Go To Time's search and the byte-order hint of the status bar.
#include <gtest/gtest.h>

#include "log/CMeterlog2Doc.h"
#include "log/LogSearch.h"
#include "log/LogTypes.h"
#include "samples/SampleLog.h"

namespace {

// A generated log; `marker` overrides the data format its header declares.
CMeterlog2Doc Load(int logType, uint32_t floats, uint32_t marker, unsigned records = 6) {
  SampleLogOptions o;
  o.logType = logType;
  o.records = records;
  o.dataFormat = floats;
  std::vector<uint8_t> bytes = MakeSampleLog(o);
  for (int i = 0; i < 4; ++i) bytes[size_t(i)] = uint8_t(marker >> (8 * i));
  CMeterlog2Doc doc;
  EXPECT_EQ(doc.LoadFromMemory(bytes.data(), bytes.size(), "x.57x").status,
            LoadResult::Status::kLoaded);
  return doc;
}

}  // namespace

TEST(LogSearch, FirstRecordAtOrAfterATime) {
  // Records at 14:05:09, 14:06:09, ... of 03-07-2009 (1236434709 is the first).
  const CMeterlog2Doc doc = Load(1, 1, 1);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 0), 0);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 1236434709), 0);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 1236434710), 1);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 1236434709 + 120), 2);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 1236434709 + 5 * 60), 5);
  EXPECT_EQ(FirstRecordAtOrAfter(doc, 1236434709 + 5 * 60 + 1), -1);
  EXPECT_EQ(FirstRecordAtOrAfter(CMeterlog2Doc(), 0), -1);
}

TEST(LogSearch, TheHintNamesTheOtherByteOrderOnlyWhenItReadsBetter) {
  for (int type : {1, 2, 4, 6}) {
    // The floats and the marker agree: no hint, in either byte order.
    CMeterlog2Doc right = Load(type, 1, 1);
    EXPECT_FALSE(OtherDataFormatLooksRight(right)) << type;
    CMeterlog2Doc reversed = Load(type, 256, 256);
    EXPECT_FALSE(OtherDataFormatLooksRight(reversed)) << type;
    // A marker that lies, both ways round; the data format is left as it was.
    CMeterlog2Doc lying = Load(type, 256, 1);
    EXPECT_TRUE(OtherDataFormatLooksRight(lying)) << type;
    EXPECT_EQ(lying.GetDataFormat(), kDataFormat0001);
    CMeterlog2Doc lyingOther = Load(type, 1, 256);
    EXPECT_TRUE(OtherDataFormatLooksRight(lyingOther)) << type;
    EXPECT_EQ(lyingOther.GetDataFormat(), kDataFormat0100);
    // Once switched, the hint goes.
    lying.SetDataFormat(kDataFormat0100);
    EXPECT_FALSE(OtherDataFormatLooksRight(lying)) << type;
  }
  // The vector layout has no frequency: its first voltage is judged.
  CMeterlog2Doc vector = Load(5, 256, 256);
  EXPECT_FALSE(OtherDataFormatLooksRight(vector));
  CMeterlog2Doc empty;
  EXPECT_FALSE(OtherDataFormatLooksRight(empty));
}
