#pragma once
// The 57x instrument's command protocol as this program uses it.
//
// Developer note on the wire (what we rely on; the instrument's inside is unknown to us):
// - Commands are short ASCII strings in one write, no terminator, no checksum, no echo check:
//   "\r\nVER" identification, "1XSU" read configuration, "2XSU" write configuration, "7SST" and
//   "7SUP" after a written record, "YYYY:MM:DD:hh:mm:ssTDS" set clock, "RLD" Flash File
//   directory, "<n>SLD" send Flash File n (1-based) by XMODEM-CRC (FlashReceive.h).
// - The identification reply is 49 characters: 47 printable, then two of anything (CR LF in
//   practice). It starts with the firmware date "DD Mon YYYY"; firmware dated after
//   20 Sep 2005 stores floats in the other byte order (format marker 256 instead of 1).
// - Configuration records travel as hex text, two digits per byte, in nine groups each followed
//   by ','; a read is framed 'R' ... 'Q'. Whoever receives a character of that exchange echoes
//   it, and the sender checks the echo; nothing is retried, a failure just ends the exchange.
// - Multi-byte fields inside the groups are big-endian on the wire and held in host order
//   (little-endian hosts assumed) in memory; the fields are listed in ConfigGroups.cpp.
// - The directory is up to 1023 bytes of text ended by 0xFF (or by silence).
// - Every reply is read by a state machine fed with bytes and time (CommandExchange.h for the
//   echoed exchanges and the identification, DirectoryRead.h for the directory); the functions
//   here write the commands and drive those machines on the line (LineMachine.h).

#include <cstdint>
#include <string>

#include "LinkPort.h"
#include "config/ConfigRecord.h"

struct ConfigGroup {
  int offset;
  int length;
};
constexpr int kConfigGroupCount = 9;
const ConfigGroup& ConfigGroupAt(int group);  // 0-based
// Reverses the bytes of every multi-byte field of the group in place (host <-> wire order).
void SwapConfigGroup(ConfigRecord& record, int group);

// Each returns nonzero on success; a null port fails at once.
int ReadVersion(LinkPort* port, std::string& text);
int ReadConfiguration(LinkPort* port, ConfigRecord& record);
// Leaves the record's multi-byte fields in wire order up to the last group reached.
int WriteConfiguration(LinkPort* port, ConfigRecord& record, bool setClock);

// The clock command for a local time, e.g. "2010:03:15:14:05:09TDS".
std::string ClockCommand(const LocalDateTime& time);

enum class DirectoryResult { kOk, kWriteFailed, kNoReply };
// "RLD" and its reply. A failed write of the request is told apart from an empty reply.
DirectoryResult ReadFlashDirectory(LinkPort* port, std::string& text);
// The reply alone, for a caller that has written "RLD" itself. False when no byte came.
bool ReadFlashDirectoryReply(LinkPort* port, std::string& text);

// 1 for firmware dated up to 20 Sep 2005, 256 for later firmware.
uint32_t FormatMarkerFromVersion(const std::string& version);
