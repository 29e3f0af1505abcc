#include "SerialIo.h"

#include <algorithm>
#include <string>

#include "CommandExchange.h"
#include "text/Text.h"

int ReadPort(uint8_t* buffer, int count, LinkPort* port, bool echo) {
  if (port == nullptr || count <= 0) return 0;
  CommandExchange exchange;
  exchange.Receive(count, echo, CharRule::Any(), false);
  RunOnLine(port, exchange);
  const std::vector<uint8_t>& got = exchange.Received();
  std::copy(got.begin(), got.end(), buffer);
  return static_cast<int>(got.size());
}

int WriteEchoed(const uint8_t* data, int count, LinkPort* port) {
  if (port == nullptr || count <= 0) return 0;
  CommandExchange exchange;
  exchange.SendEchoed(std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(count)));
  RunOnLine(port, exchange);
  return exchange.EchoedCount();
}

void DecodeHexPairs(const uint8_t* digits, int pairs, uint8_t* out) {
  for (int i = 0; i < pairs; ++i) {
    const int high = HexDigitValue(static_cast<char>(digits[2 * i]));
    const int low = HexDigitValue(static_cast<char>(digits[2 * i + 1]));
    out[i] = static_cast<uint8_t>(high << 4 | low);
  }
}

int ReadHex(uint8_t* buffer, int count, LinkPort* port, bool echo) {
  if (port == nullptr || count <= 0) return 0;
  CommandExchange exchange;
  exchange.Receive(2 * count, echo, CharRule::HexDigit(), true);
  RunOnLine(port, exchange);
  const int pairs = static_cast<int>(exchange.Received().size() / 2);
  DecodeHexPairs(exchange.Received().data(), pairs, buffer);
  return pairs;
}

int WriteHex(const uint8_t* data, int count, LinkPort* port) {
  if (port == nullptr || count <= 0) return 0;
  std::string text;
  AppendHex(text, data, static_cast<size_t>(count));
  CommandExchange exchange;
  exchange.SendEchoed(std::move(text));
  RunOnLine(port, exchange);
  return exchange.EchoedCount() / 2;
}

bool WriteCommand(std::string_view command, LinkPort* port) {
  if (port == nullptr) return false;
  const int count = static_cast<int>(command.size());
  return port->Write(reinterpret_cast<const uint8_t*>(command.data()), count) == count;
}
