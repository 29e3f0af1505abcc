#include "FlashReceive.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "InstrumentProtocol.h"
#include "PrintfText.h"
#include "SerialIo.h"

namespace {

constexpr uint8_t SOH = 0x01;
constexpr uint8_t EOT = 0x04;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t CAN = 0x18;
constexpr int kPacketSize = 133;
constexpr int kDataSize = 128;
constexpr int64_t kStartWaitMs = 10000;
constexpr int64_t kStartRepeatMs = 3000;
constexpr int64_t kDeadlineMs = 10000;
constexpr int kIdleSleepMs = 10;
constexpr int kCancelAttempts = 3;

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[static_cast<size_t>(i)] = crc;
  }
  return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

bool Send(LinkPort* port, uint8_t byte) {
  return port->Write(&byte, 1) == 1;
}

std::string CountText(int packets, long long bytes) {
  return "Receiving Flash File...\nPackets: " + PrintfInt(packets) +
         " / Bytes: " + PrintfInt(bytes);
}

std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// The flow's two progress windows may fail to come up; it goes on without them.
struct Window {
  std::unique_ptr<LinkProgress> progress;
  void SetText(const std::string& text) {
    if (progress) progress->SetText(text);
  }
  void Pump() {
    if (progress) progress->PeekAndPump();
  }
  bool Cancelled() const { return progress && progress->Cancelled(); }
  void Close() {
    if (progress) progress->Hide();
    progress.reset();
  }
};

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint16_t crc = 0;
  for (size_t i = 0; i < length; ++i) {
    crc = static_cast<uint16_t>(kCrcTable[((crc >> 8) ^ data[i]) & 0xFF] ^ (crc << 8));
  }
  return crc;
}

int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::string& path,
                     const std::string& version, LinkPrompt& prompt, ReceiveReport* report) {
  ReceiveReport local;
  ReceiveReport& r = report ? *report : local;
  r = ReceiveReport{};
  if (port == nullptr) {
    r.end = ReceiveEnd::kCommandNotSent;
    return 0;
  }
  LinkClock& clock = port->Clock();
  const std::string command = PrintfInt(fileNumber) + "SLD";

  std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
  if (!file) {
    r.end = ReceiveEnd::kCannotCreateFile;
    r.fileError = std::strerror(errno);
    return 0;
  }
  r.fileCreated = true;

  prompt.BeginWait();
  Window first{prompt.NewProgress()};
  if (first.progress && !first.progress->Create(false)) first.progress.reset();
  first.SetText("Preparing to receive Flash File...");

  Window second;
  bool done = false;
  if (!WriteCommand(command, port)) {
    r.end = ReceiveEnd::kCommandNotSent;
    first.Close();
    prompt.EndWait();
    return 0;
  }

  first.SetText("Waiting for transfer to begin...");
  port->FlushOutput();
  static constexpr uint8_t kStartRequest[4] = {'C', 0, 0, 0};
  bool started = false;
  const int64_t waitBegin = clock.Milliseconds();
  int64_t lastRequest = 0;
  bool requested = false;
  while (clock.Milliseconds() - waitBegin < kStartWaitMs) {
    if (!requested || clock.Milliseconds() - lastRequest >= kStartRepeatMs) {
      port->Write(kStartRequest, 4);
      lastRequest = clock.Milliseconds();
      requested = true;
    }
    first.Pump();
    clock.Sleep(kIdleSleepMs);
    if (port->BytesWaiting() > 0) {
      started = true;
      break;
    }
  }

  if (first.progress) first.progress->Hide();
  prompt.EndWait();
  second.progress = prompt.NewProgress();
  if (second.progress && !second.progress->Create(true)) second.progress.reset();
  second.SetText("Receiving Flash File...");

  if (!started) {
    r.end = ReceiveEnd::kNoStart;
  } else {
    uint8_t packet[kPacketSize] = {};
    int fill = 0;
    uint8_t expected = 1;
    int64_t idleDeadline = clock.Milliseconds() + kDeadlineMs;
    int64_t packetDeadline = idleDeadline;
    bool leave = false;
    while (!leave) {
      const int64_t now = clock.Milliseconds();
      int n = port->Read(packet + fill, kPacketSize - fill);
      if (n < 0) n = 0;
      second.Pump();
      if (n == 0 && fill == 0 && now >= idleDeadline) {
        idleDeadline = now + kDeadlineMs;
        Send(port, NAK);
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else if (n == 0 && fill > 0 && now >= packetDeadline) {
        std::memset(packet, 0, sizeof packet);
        fill = 0;
        packetDeadline = now + kDeadlineMs;
        Send(port, NAK);
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else if (n == 0) {
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else {
        packetDeadline = now + kDeadlineMs;
        if (fill == 0 && packet[0] == EOT) {
          second.SetText("Received an EOT...");
          Send(port, ACK);
          second.Pump();
          done = true;
          r.end = ReceiveEnd::kEot;
          break;
        }
        if (fill == 0 && packet[0] == CAN) {
          second.SetText("Received a CAN...");
          Send(port, ACK);
          second.Pump();
          r.end = ReceiveEnd::kInstrumentCancelled;
          break;
        }
        r.bytes += n;
        second.SetText(CountText(r.packets, r.bytes));
        second.Pump();
        fill += n;
        if (fill == kPacketSize) {
          idleDeadline = now + kDeadlineMs;
          fill = 0;
          const uint8_t block = packet[1];
          const bool valid = packet[0] == SOH && packet[2] == static_cast<uint8_t>(~block) &&
                             ((packet[131] << 8) | packet[132]) == Crc16(packet + 3, kDataSize);
          if (valid && block == expected) {
            ++r.packets;
            second.SetText(CountText(r.packets, r.bytes));
            second.Pump();
            Send(port, ACK);
            if (r.packets == 1) {
              const uint32_t marker = FormatMarkerFromVersion(version);
              for (int k = 0; k < 4; ++k) packet[3 + k] = static_cast<uint8_t>(marker >> (8 * k));
            }
            file.write(reinterpret_cast<const char*>(packet + 3), kDataSize);
            file.flush();
            if (!file) {
              // A file that cannot take the data must not let the transfer run on as if it did.
              r.fileError = std::strerror(errno);
              r.end = ReceiveEnd::kFileWriteFailed;
              Send(port, CAN);
              break;
            }
            ++expected;
          } else if (valid && block == static_cast<uint8_t>(expected - 1)) {
            Send(port, ACK);
          } else if (valid) {
            Send(port, CAN);
            r.end = ReceiveEnd::kOutOfSequence;
            break;
          } else {
            second.SetText("Received an invalid packet...");
            second.Pump();
            Send(port, NAK);
          }
          std::memset(packet, 0, sizeof packet);
          second.Pump();
          clock.Sleep(kIdleSleepMs);
        }
      }
      if (second.Cancelled()) {
        r.end = ReceiveEnd::kCancelled;
        leave = true;
      }
    }
    if (second.Cancelled()) {
      if (r.end != ReceiveEnd::kEot) r.end = ReceiveEnd::kCancelled;
      for (int attempt = 0; attempt < kCancelAttempts && !Send(port, CAN); ++attempt) {
      }
    }
  }

  second.Close();
  file.close();
  first.Close();
  return done ? 1 : 0;
}

std::string DescribeReceiveEnd(const ReceiveReport& report) {
  switch (report.end) {
    case ReceiveEnd::kEot:
      return "the Flash File was received";
    case ReceiveEnd::kCannotCreateFile:
      return "the output file could not be created (" + report.fileError + ")";
    case ReceiveEnd::kCommandNotSent:
      return "the download request could not be sent to the instrument";
    case ReceiveEnd::kNoStart:
      return "the instrument did not start the transfer within ten seconds";
    case ReceiveEnd::kInstrumentCancelled:
      return "the instrument cancelled the transfer";
    case ReceiveEnd::kOutOfSequence:
      return "the instrument sent a block out of sequence; the transfer was cancelled";
    case ReceiveEnd::kCancelled:
      return "the transfer was cancelled";
    case ReceiveEnd::kFileWriteFailed:
      return "the output file could not be written (" + report.fileError + ")";
  }
  return "the transfer failed";
}
