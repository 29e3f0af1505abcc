#include "SerialIo.h"

#include "text/Text.h"

namespace {

// Polling the input queue sleeps this long between looks instead of spinning; the observable
// timing stays within the one-second clock's resolution.
constexpr int kPollSleepMs = 1;
constexpr int kPollsPerWaitHook = 10;
constexpr int64_t kQuietSeconds = 5;

int HexValue(uint8_t ch) {
  return HexDigitValue(static_cast<char>(ch));
}

}  // namespace

int ReadPort(uint8_t* buffer, int count, LinkPort* port, bool echo, int stopByte) {
  if (port == nullptr || count <= 0) return 0;
  LinkClock& clock = port->Clock();

  const int64_t start = clock.Seconds();
  int polls = 0;
  for (;;) {
    const int waiting = port->BytesWaiting();
    if (waiting < 0) return 0;  // the port has failed: nothing will come
    if (waiting > 0 || clock.Seconds() >= start + kQuietSeconds) break;
    clock.Sleep(kPollSleepMs);
    if (++polls % kPollsPerWaitHook == 0) port->Waiting();
  }

  int64_t deadline = clock.Seconds() + kQuietSeconds;
  int received = 0;
  do {
    if (echo) {
      uint8_t byte = 0;
      const int n = port->Read(&byte, 1);
      if (n < 0) break;
      if (n == 1) {
        buffer[received++] = byte;
        port->Write(&byte, 1);
        deadline = clock.Seconds() + kQuietSeconds;
        if (stopByte >= 0 && byte == stopByte) break;
      }
    } else {
      const int n = port->Read(buffer + received, count - received);
      if (n < 0) break;
      if (n > 0) {
        received += n;
        deadline = clock.Seconds() + kQuietSeconds;
        if (stopByte >= 0 && buffer[received - 1] == stopByte) break;
      }
    }
    if (received >= count) break;
  } while (clock.Seconds() < deadline);
  return received;
}

int WriteEchoed(const uint8_t* data, int count, LinkPort* port) {
  if (port == nullptr) return 0;
  LinkClock& clock = port->Clock();
  int done = 0;
  for (; done < count; ++done) {
    const uint8_t sent = data[done];
    if (port->Write(&sent, 1) != 1) break;
    const int64_t deadline = clock.Seconds() + kQuietSeconds;
    uint8_t echo = 0;
    int n = 0;
    do {
      n = port->Read(&echo, 1);
    } while (n == 0 && clock.Seconds() < deadline);
    if (n != 1 || echo != sent) break;
  }
  return done;
}

int ReadHex(uint8_t* buffer, int count, LinkPort* port, bool echo) {
  if (port == nullptr) return 0;
  int done = 0;
  for (; done < count; ++done) {
    uint8_t high = 0, low = 0;
    if (ReadPort(&high, 1, port, echo) != 1 || HexValue(high) < 0) break;
    if (ReadPort(&low, 1, port, echo) != 1 || HexValue(low) < 0) break;
    buffer[done] = static_cast<uint8_t>(HexValue(high) << 4 | HexValue(low));
  }
  return done;
}

int WriteHex(const uint8_t* data, int count, LinkPort* port) {
  if (port == nullptr) return 0;
  int done = 0;
  for (; done < count; ++done) {
    std::string pair;
    AppendHex(pair, data + done, 1);
    if (WriteEchoed(reinterpret_cast<const uint8_t*>(pair.data()), 2, port) != 2) break;
  }
  return done;
}

bool WriteCommand(std::string_view command, LinkPort* port) {
  if (port == nullptr) return false;
  const int count = static_cast<int>(command.size());
  return port->Write(reinterpret_cast<const uint8_t*>(command.data()), count) == count;
}
