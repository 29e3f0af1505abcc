#include "ColumnTextSamples.h"

#include <algorithm>

#include "CellText.h"
#include "QuantityColumns.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"

namespace {

using namespace meterlog2::table;

constexpr unsigned kRowsPerPart = 32;  // rows from the start, the end and spread between

std::vector<std::string> TextColumnSamples(int columnId, TimeStyle timeStyle) {
  switch (columnId) {
    case kLogTypeColumn: {  // any record may carry any type
      std::vector<std::string> names;
      for (int type = kStandardLog; type <= kThreePhaseSequentialLog; ++type)
        names.emplace_back(LogTypeName(type));
      return names;
    }
    case kTimeColumn:  // digits are as wide as each other in the table's fonts
      return {TimeText(ClockTime{2000, 12, 28, 20, 0, 0}, timeStyle), "Invalid DateTime"};
    case ChannelSelectColumn(0):
    case ChannelSelectColumn(1): {
      const std::string prefix = columnId == ChannelSelectColumn(0) ? "Ch 1 " : "Ch 2 ";
      std::vector<std::string> inputs;
      for (const char* input : {"Vab", "Vbc", "Vca", "Vac", "Vcb", "Vba", "Van", "Vbn", "Vcn",
                                "Vas", "Vbs", "Vcs", "Ia", "Ib", "Ic", "Cal"})
        inputs.push_back(prefix + input);
      return inputs;
    }
    case kPhaseDirectionColumn:
      return {"ABC", "CBA", "---", "PF", "unknown"};
    default:
      return {};
  }
}

}  // namespace

std::vector<std::string> ColumnTextSamples(const CMeterlog2Doc& doc, int columnId,
                                           TimeStyle timeStyle) {
  std::vector<std::string> samples = TextColumnSamples(columnId, timeStyle);
  if (!samples.empty()) return samples;
  const unsigned count = doc.GetRecordCount();
  std::vector<unsigned> rows;
  for (unsigned i = 0; i < kRowsPerPart && i < count; ++i) {
    rows.push_back(i);
    rows.push_back(count - 1 - i);
    rows.push_back(static_cast<unsigned>(uint64_t(count) * (2 * i + 1) / (2 * kRowsPerPart)));
  }
  std::string text, longest;
  for (unsigned row : rows) {
    GetCellText(doc, row, columnId, text);
    if (text.size() > longest.size()) longest = text;
  }
  if (!longest.empty()) samples.push_back(longest);
  return samples;
}
