#pragma once
// The instrument's Flash File directory text split into its summary line and its entries.
// Lines end with CR; the first line is the summary when anything stands before the first CR;
// every further non-blank line is an entry, numbered from 1 in the order received (that number
// is the file number of the download request). Text without any CR is a single entry.

#include <string>
#include <vector>

struct FlashDirectory {
  std::string summary;               // empty when there is none
  std::vector<std::string> entries;  // entry n is entries[n - 1]
};

FlashDirectory SplitFlashDirectory(const std::string& text);

// The size an entry's line gives, as a number followed by the word "bytes" ("LOG3.57x  60000
// bytes"); 0 when the line gives none. The instrument's line format is not documented; this is
// only used for the download's percentage, so a line without it just shows none.
long long EntrySizeFromLine(const std::string& line);
