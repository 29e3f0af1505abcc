#include "RowSelection.h"

#include <algorithm>
#include <climits>
#include <new>

#include "text/Text.h"

namespace {

// Reads the list into `result`, sorted and merged; false when `text` is no list of rows.
bool ParseRanges(std::string_view text, std::vector<std::pair<unsigned, unsigned>>& result) {
  std::vector<std::pair<unsigned, unsigned>> ranges;
  for (size_t start = 0;;) {
    const size_t comma = text.find(',', start);
    const std::string_view item =
        text.substr(start, comma == std::string_view::npos ? comma : comma - start);
    const size_t dash = item.find('-');
    unsigned long long first = 0, last = 0;
    if (dash == std::string_view::npos) {
      if (!ParseUnsigned(item, UINT_MAX, first)) return false;
      last = first;
    } else if (!ParseUnsigned(item.substr(0, dash), UINT_MAX, first) ||
               !ParseUnsigned(item.substr(dash + 1), UINT_MAX, last) || last < first) {
      return false;
    }
    ranges.emplace_back(static_cast<unsigned>(first), static_cast<unsigned>(last));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  // Sorted and merged once, here: overlapping or touching ranges become one.
  std::sort(ranges.begin(), ranges.end());
  std::vector<std::pair<unsigned, unsigned>> merged;
  for (const auto& range : ranges) {
    if (!merged.empty() &&
        (merged.back().second == UINT_MAX || range.first <= merged.back().second + 1)) {
      merged.back().second = std::max(merged.back().second, range.second);
    } else {
      merged.push_back(range);
    }
  }
  merged.shrink_to_fit();
  result = std::move(merged);
  return true;
}

}  // namespace

bool RowSelection::Parse(std::string_view text, std::string& error) {
  try {
    if (ParseRanges(text, m_ranges)) return true;
    error = "takes rows and ranges like 0-9,12,20-25 (0-based), not \"" + std::string(text) + "\"";
  } catch (const std::bad_alloc&) {
    error = "lists more rows and ranges than there is memory for";
  }
  return false;
}

uint64_t RowSelection::Count() const {
  uint64_t count = 0;
  for (const auto& [first, last] : m_ranges) count += uint64_t{last} - first + 1;
  return count;
}

bool RowSelection::Rows(unsigned recordCount, std::vector<unsigned>& rows,
                        std::string& error) const {
  rows.clear();
  if (!m_ranges.empty() && m_ranges.back().second >= recordCount) {
    error =
        "row " + std::to_string(m_ranges.back().second) +
        " is beyond the last record (the file holds " + std::to_string(recordCount) + " records" +
        (recordCount > 0 ? ", rows 0 to " + std::to_string(recordCount - 1) : std::string()) + ")";
    return false;
  }
  // Every row lies below recordCount and each comes once: never more than the log's records.
  const uint64_t count = Count();
  try {
    rows.reserve(static_cast<size_t>(count));
  } catch (const std::bad_alloc&) {
    error = "there is not enough memory for the " + std::to_string(count) + " chosen rows";
    return false;
  }
  for (const auto& [first, last] : m_ranges) {
    for (unsigned row = first;; ++row) {
      rows.push_back(row);
      if (row == last) break;
    }
  }
  return true;
}
