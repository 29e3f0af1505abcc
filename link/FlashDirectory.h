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

// What an entry's line tells about its file. The instrument's line format is not documented;
// a line such as "LOG3.57x  60000 bytes" gives both, and a line that gives neither still names
// an entry that can be downloaded.
struct FlashEntry {
  // The first word that can be a file name (letters, digits, '-', '_' and '.'; not a number and
  // not "bytes"), without ".57x"; empty when the line has none. Used as the proposed file name.
  std::string name;
  // A number followed by the word "bytes"; 0 when the line gives none. Only for the download's
  // percentage, so a line without it just shows none.
  long long size = 0;
};
FlashEntry ParseFlashEntry(const std::string& line);
