#include "LogSearch.h"

#include <algorithm>
#include <cmath>

#include "CMeterlog2Doc.h"

namespace {

bool PlausibleFrequency(double hz) {
  return std::isfinite(hz) && hz >= 10 && hz <= 1000;
}

bool PlausibleVoltage(double volts) {
  return std::isfinite(volts) &&
         (volts == 0 || (std::fabs(volts) > 1e-3 && std::fabs(volts) < 1e7));
}

// True when most of the first records hold a plausible value in the current data format.
bool LooksRight(const CMeterlog2Doc& doc) {
  const unsigned n = std::min(doc.GetRecordCount(), kRecordsJudged);
  unsigned read = 0, plausible = 0;
  for (unsigned row = 0; row < n; ++row) {
    double value;
    // A vector log in its own layout has no frequency: its first voltage stands in.
    const bool ok =
        doc.IsVectorVariant() ? doc.GetVoltage(value, row, 1, 0) : doc.GetFrequency(value, row);
    if (!ok) continue;
    ++read;
    if (doc.IsVectorVariant() ? PlausibleVoltage(value) : PlausibleFrequency(value)) ++plausible;
  }
  return read > 0 && 2 * plausible > read;
}

}  // namespace

int64_t FirstRecordAtOrAfter(const CMeterlog2Doc& doc, int64_t seconds) {
  for (unsigned row = 0; row < doc.GetRecordCount(); ++row) {
    int64_t time;
    if (doc.GetTimeSeconds(time, row) && time >= seconds) return row;
  }
  return -1;
}

bool OtherDataFormatLooksRight(CMeterlog2Doc& doc) {
  const uint32_t current = doc.GetDataFormat();
  if (doc.GetRecordCount() == 0 || (current != kDataFormat0001 && current != kDataFormat0100))
    return false;
  if (LooksRight(doc)) return false;
  doc.SetDataFormat(current == kDataFormat0001 ? kDataFormat0100 : kDataFormat0001);
  const bool other = LooksRight(doc);
  doc.SetDataFormat(current);
  return other;
}
