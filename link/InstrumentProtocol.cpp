#include "InstrumentProtocol.h"

#include <algorithm>
#include <string_view>

#include "CommandExchange.h"
#include "DirectoryRead.h"
#include "SerialIo.h"
#include "text/Text.h"

namespace {

constexpr int kVersionLength = 49;
constexpr int kVersionPrintable = 47;

std::string_view Slice(const std::string& text, size_t from, size_t count) {
  if (from >= text.size()) return {};
  return std::string_view(text).substr(from, count);
}

// The configuration record's nine groups as the instrument sends them after "1XSU": "R", each
// group's hex digits (each digit a read of its own) and ',', then "Q", every character echoed.
CommandExchange ConfigReadExchange() {
  CommandExchange exchange;
  exchange.Receive(1, true, CharRule::Exactly('R'), true);
  for (int g = 0; g < kConfigGroupCount; ++g) {
    exchange.Receive(2 * ConfigGroupAt(g).length, true, CharRule::HexDigit(), true);
    exchange.Receive(1, true, CharRule::Exactly(','), true);
  }
  exchange.Receive(1, true, CharRule::Exactly('Q'), true);
  return exchange;
}

// Decodes what a configuration read received into the record: every whole byte, each complete
// group swapped into host order.
void StoreConfigGroups(const std::vector<uint8_t>& received, ConfigRecord& record) {
  size_t at = 1;  // after "R"
  for (int g = 0; g < kConfigGroupCount && at < received.size(); ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    const int pairs =
        static_cast<int>(std::min<size_t>(received.size() - at, 2 * group.length) / 2);
    DecodeHexPairs(received.data() + at, pairs, record.data() + group.offset);
    if (pairs < group.length) return;
    SwapConfigGroup(record, g);
    at += 2 * static_cast<size_t>(group.length) + 1;  // and its ','
  }
}

}  // namespace

int ReadVersion(LinkPort* port, std::string& text) {
  if (port == nullptr) return 0;
  if (!WriteCommand("\r\nVER", port)) return 0;
  CommandExchange exchange;
  exchange.Receive(kVersionLength, false, CharRule::Any(), false);
  RunOnLine(port, exchange);
  const std::vector<uint8_t>& reply = exchange.Received();
  bool ok = exchange.Succeeded();
  for (int i = 0; ok && i < kVersionPrintable; ++i) ok = reply[i] >= 0x20 && reply[i] <= 0x7E;
  const auto zero = std::find(reply.begin(), reply.end(), 0);
  text.assign(reply.begin(), zero);
  text.resize(TrimTrailingBlanks(text).size());
  return ok ? 1 : 0;
}

int ReadConfiguration(LinkPort* port, ConfigRecord& record) {
  if (port == nullptr) return 0;
  if (!WriteCommand("1XSU", port)) return 0;
  CommandExchange exchange = ConfigReadExchange();
  RunOnLine(port, exchange);
  StoreConfigGroups(exchange.Received(), record);
  return exchange.Succeeded() ? 1 : 0;
}

std::string ClockCommand(const LocalDateTime& t) {
  return IntText(t.year, 4) + ":" + IntText(t.month, 2, '0') + ":" + IntText(t.day, 2, '0') + ":" +
         IntText(t.hour, 2, '0') + ":" + IntText(t.minute, 2, '0') + ":" +
         IntText(t.second, 2, '0') + "TDS";
}

int WriteConfiguration(LinkPort* port, ConfigRecord& record, bool setClock) {
  if (port == nullptr) return 0;
  if (!WriteCommand("2XSU", port)) return 0;
  // "R" echoed, then each group in wire order and ',' sent against the echo, then "Q".
  CommandExchange exchange;
  exchange.Receive(1, true, CharRule::Exactly('R'), true);
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    SwapConfigGroup(record, g);
    std::string hex;
    AppendHex(hex, record.data() + group.offset, static_cast<size_t>(group.length));
    exchange.SendEchoed(std::move(hex));
    exchange.SendEchoed(",");
  }
  exchange.SendEchoed("Q");
  RunOnLine(port, exchange);
  // The record stays in wire order up to the last group the exchange reached (step 1 + 2g).
  for (int g = kConfigGroupCount - 1; g >= 0; --g) {
    if (exchange.StepsDone() < 1 + 2 * static_cast<size_t>(g)) SwapConfigGroup(record, g);
  }
  if (!exchange.Succeeded()) return 0;
  // The closing commands are not answered; the instrument's reaction to a lost one is unknown.
  WriteCommand("7SST", port);
  WriteCommand("7SUP", port);
  // The clock is read now, after the record went out (seconds at a slow line rate).
  if (setClock) return WriteCommand(ClockCommand(port->Clock().LocalNow()), port) ? 1 : 0;
  return 1;
}

bool ReadFlashDirectoryReply(LinkPort* port, std::string& text) {
  if (port == nullptr) return false;
  DirectoryRead reply;
  RunOnLine(port, reply);
  if (reply.Bytes().empty()) return false;
  text = reply.Text();
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
