#pragma once
// The diagnostic dump: every record read in full, field by field under its layout names.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

// Appends the dump text of one record (as held after loading) to `out`. A block is printed
// only when it lies wholly inside the record's `size` bytes.
void AppendRecordDump(std::string& out, const uint8_t* record, size_t size);

// Where every load appends its dump: "C:\meterlog2_dump.txt" on Windows; elsewhere
// $XDG_STATE_HOME/meterlog2/meterlog2_dump.txt (default ~/.local/state/...).
// Empty when there is no per-user folder to put it in.
std::string DumpFilePath();
// Creates the folder of `path` when it is missing; false when that is not possible.
bool PrepareDumpFolder(const std::string& path);
