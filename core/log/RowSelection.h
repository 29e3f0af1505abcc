#pragma once
// The records a command works on, chosen by rows and ranges like "0-9,12,20-25" (0-based, as
// `export`, `stats` and `assess` take them with --rows). The selection holds them sorted and
// merged, each row once, whatever order and overlaps the text has: every consumer gets the same
// rows, and no list of ranges needs more memory than the log has records.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class RowSelection {
 public:
  // Reads rows and ranges separated by single commas; a range's last row is not below its
  // first. False (the selection unchanged) when `text` is no such list or cannot be held; then
  // `error` ends the sentence that begins with the option's name ("--rows takes ...").
  bool Parse(std::string_view text, std::string& error);

  // True when nothing was chosen: every row.
  bool Empty() const { return m_ranges.empty(); }
  // The chosen ranges: ascending, disjoint and not touching, each [first, last].
  const std::vector<std::pair<unsigned, unsigned>>& Ranges() const { return m_ranges; }
  // How many rows are chosen.
  uint64_t Count() const;

  // The chosen rows of a log of `recordCount` records, ascending, each once. False with `error`
  // (a sentence) when a chosen row lies beyond the last record or the list does not fit in
  // memory.
  bool Rows(unsigned recordCount, std::vector<unsigned>& rows, std::string& error) const;

 private:
  std::vector<std::pair<unsigned, unsigned>> m_ranges;
};
