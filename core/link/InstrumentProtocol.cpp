#include "InstrumentProtocol.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "SerialIo.h"
#include "text/Text.h"

namespace {

constexpr int kVersionLength = 49;
constexpr int kVersionPrintable = 47;
constexpr int kDirectoryRoom = 1023;
constexpr int64_t kDirectoryQuietSeconds = 5;

bool ExpectEchoed(LinkPort* port, uint8_t expected) {
  uint8_t byte = 0;
  return ReadPort(&byte, 1, port, true) == 1 && byte == expected;
}

bool SendEchoed(LinkPort* port, uint8_t byte) {
  return WriteEchoed(&byte, 1, port) == 1;
}

std::string_view Slice(const std::string& text, size_t from, size_t count) {
  if (from >= text.size()) return {};
  return std::string_view(text).substr(from, count);
}

}  // namespace

int ReadVersion(LinkPort* port, std::string& text) {
  if (port == nullptr) return 0;
  if (!WriteCommand("\r\nVER", port)) return 0;
  uint8_t reply[kVersionLength + 1] = {};
  const int got = ReadPort(reply, kVersionLength, port, false);
  bool ok = got == kVersionLength;
  for (int i = 0; ok && i < kVersionPrintable; ++i) ok = reply[i] >= 0x20 && reply[i] <= 0x7E;
  text.assign(reinterpret_cast<const char*>(reply),
              strnlen(reinterpret_cast<const char*>(reply), kVersionLength));
  text.resize(TrimTrailingBlanks(text).size());
  return ok ? 1 : 0;
}

int ReadConfiguration(LinkPort* port, ConfigRecord& record) {
  if (port == nullptr) return 0;
  if (!WriteCommand("1XSU", port)) return 0;
  if (!ExpectEchoed(port, 'R')) return 0;
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    if (ReadHex(record.data() + group.offset, group.length, port, true) != group.length) return 0;
    SwapConfigGroup(record, g);
    if (!ExpectEchoed(port, ',')) return 0;
  }
  return ExpectEchoed(port, 'Q') ? 1 : 0;
}

std::string ClockCommand(const LocalDateTime& t) {
  return IntText(t.year, 4) + ":" + IntText(t.month, 2, '0') + ":" + IntText(t.day, 2, '0') + ":" +
         IntText(t.hour, 2, '0') + ":" + IntText(t.minute, 2, '0') + ":" +
         IntText(t.second, 2, '0') + "TDS";
}

int WriteConfiguration(LinkPort* port, ConfigRecord& record, bool setClock) {
  if (port == nullptr) return 0;
  if (!WriteCommand("2XSU", port)) return 0;
  if (!ExpectEchoed(port, 'R')) return 0;
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    SwapConfigGroup(record, g);
    if (WriteHex(record.data() + group.offset, group.length, port) != group.length) return 0;
    if (!SendEchoed(port, ',')) return 0;
  }
  if (!SendEchoed(port, 'Q')) return 0;
  // The closing commands are not answered; the instrument's reaction to a lost one is unknown.
  WriteCommand("7SST", port);
  WriteCommand("7SUP", port);
  if (setClock) return WriteCommand(ClockCommand(port->Clock().LocalNow()), port) ? 1 : 0;
  return 1;
}

bool ReadFlashDirectoryReply(LinkPort* port, std::string& text) {
  if (port == nullptr) return false;
  LinkClock& clock = port->Clock();
  uint8_t buffer[kDirectoryRoom + 1] = {};
  int received = 0;
  int64_t lastData = clock.Seconds();
  while (received < kDirectoryRoom && clock.Seconds() < lastData + kDirectoryQuietSeconds) {
    // Stopping at the 0xFF that ends the directory saves the five quiet seconds a read for the
    // whole room would wait for; the instrument sends nothing after it.
    const int n = ReadPort(buffer + received, kDirectoryRoom - received, port, false, 0xFF);
    if (n <= 0) continue;
    received += n;
    lastData = clock.Seconds();
    if (buffer[received - 1] == 0xFF) break;
  }
  if (received == 0) return false;
  std::string all;
  for (int i = 0; i < received; ++i) {
    if (buffer[i] != 0x00 && buffer[i] != 0xFF) all.push_back(static_cast<char>(buffer[i]));
  }
  text = TrimBlanks(all);
  return true;
}

DirectoryResult ReadFlashDirectory(LinkPort* port, std::string& text) {
  if (port == nullptr || !WriteCommand("RLD", port)) return DirectoryResult::kWriteFailed;
  return ReadFlashDirectoryReply(port, text) ? DirectoryResult::kOk : DirectoryResult::kNoReply;
}

uint32_t FormatMarkerFromVersion(const std::string& version) {
  const long long day = LeadingInteger(Slice(version, 0, 2));
  const long long year = LeadingInteger(Slice(version, 7, 4));
  const int month = MonthFromAbbreviation(Slice(version, 3, 3));
  const std::string date = IntText(year, 4) + IntText(month, 2, '0') + IntText(day, 2, '0');
  return LeadingInteger(date) >= 20050921 ? 256u : 1u;
}
