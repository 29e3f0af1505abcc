#include "FlashReceive.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "InstrumentProtocol.h"
#include "PrintfText.h"
#include "SerialIo.h"
#include "file/OutputFile.h"

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

std::string CountText(int packets, long long bytes) {
  return "Receiving Flash File...\nPackets: " + PrintfInt(packets) +
         " / Bytes: " + PrintfInt(bytes);
}

// The header and the first record count and size lie within this many bytes of the start.
constexpr size_t kHeadBytes = 12 + 3100;

std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
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

long long RequiredLogLength(const uint8_t* head, size_t headSize, long long fileLength) {
  constexpr size_t kMaxHeaderSize = 3100;
  if (fileLength < 6 || headSize < 6) return 6;
  const size_t headerSize = (size_t{head[4]} << 8) | head[5];
  const long long header = static_cast<long long>(headerSize);
  if (headerSize > kMaxHeaderSize) return fileLength;  // no log the loader takes: not ours to judge
  if (fileLength == 6 + header) return fileLength;     // a log without records
  if (fileLength < 12 + header) return 12 + header;
  if (headSize < 12 + headerSize) return fileLength;
  const uint8_t* p = head + 6 + headerSize;
  const uint64_t count =
      (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) | (uint64_t{p[2]} << 8) | p[3];
  const uint64_t recordSize = (uint64_t{p[4]} << 8) | p[5];
  return 12 + header + static_cast<long long>(count * recordSize);
}

namespace {

// The line of one transfer: a write that fails for good, or a read that does, ends it at once
// with the port's reason.
struct Line {
  LinkPort* port;
  ReceiveReport& report;

  bool Send(uint8_t byte) { return port->Write(&byte, 1) >= 0 || Failed(); }
  bool Failed() {
    report.end = ReceiveEnd::kPortFailed;
    report.portError = port->FailureReason();
    if (report.portError.empty()) report.portError = "the port stopped working";
    return false;
  }
  // Reads and drops bytes until a read time-out passes without any (at most ten seconds).
  bool DrainToSilence() {
    LinkClock& clock = port->Clock();
    const int64_t until = clock.Milliseconds() + kDeadlineMs;
    uint8_t scratch[kPacketSize];
    while (clock.Milliseconds() < until) {
      const int n = port->Read(scratch, kPacketSize);
      if (n < 0) return Failed();
      if (n == 0) break;
      report.bytes += n;
    }
    return true;
  }
};

}  // namespace

int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::string& path,
                     const std::string& version, LinkPrompt& prompt, ReceiveReport* report) {
  ReceiveReport local;
  ReceiveReport& r = report ? *report : local;
  r = ReceiveReport{};
  if (port == nullptr) {
    r.end = ReceiveEnd::kCommandNotSent;
    return 0;
  }
  Line line{port, r};
  LinkClock& clock = port->Clock();
  const std::string command = PrintfInt(fileNumber) + "SLD";

  OutputFile file;
  if (!file.Open(PathFromUtf8(path))) {
    r.end = ReceiveEnd::kCannotCreateFile;
    r.fileError = file.Reason();
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
  bool started = false, failed = false;
  const int64_t waitBegin = clock.Milliseconds();
  int64_t lastRequest = 0;
  bool requested = false;
  while (!failed && clock.Milliseconds() - waitBegin < kStartWaitMs) {
    if (!requested || clock.Milliseconds() - lastRequest >= kStartRepeatMs) {
      if (port->Write(kStartRequest, 4) < 0) failed = true;
      lastRequest = clock.Milliseconds();
      requested = true;
    }
    first.Pump();
    clock.Sleep(kIdleSleepMs);
    const int waiting = port->BytesWaiting();
    if (waiting < 0) failed = true;
    if (waiting > 0) {
      started = true;
      break;
    }
  }

  if (first.progress) first.progress->Hide();
  prompt.EndWait();
  second.progress = prompt.NewProgress();
  if (second.progress && !second.progress->Create(true)) second.progress.reset();
  second.SetText("Receiving Flash File...");

  std::vector<uint8_t> head;  // the file's first bytes, for the length its header declares
  if (failed) {
    line.Failed();
  } else if (!started) {
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
      if (n < 0) {
        line.Failed();
        break;
      }
      second.Pump();
      if (n == 0 && fill == 0 && now >= idleDeadline) {
        idleDeadline = now + kDeadlineMs;
        if (!line.Send(NAK)) break;
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else if (n == 0 && fill > 0 && now >= packetDeadline) {
        std::memset(packet, 0, sizeof packet);
        fill = 0;
        packetDeadline = now + kDeadlineMs;
        if (!line.Send(NAK)) break;
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else if (n == 0) {
        second.Pump();
        clock.Sleep(kIdleSleepMs);
      } else {
        packetDeadline = now + kDeadlineMs;
        if (fill == 0 && packet[0] == EOT) {
          // A true end leaves the line quiet; anything more means a packet whose first byte
          // was damaged into an EOT.
          uint8_t next = 0;
          int more = n > 1 ? n - 1 : port->Read(&next, 1);
          if (more < 0) {
            line.Failed();
            break;
          }
          if (more == 0) {
            second.SetText("Received an EOT...");
            if (!line.Send(ACK)) break;
            second.Pump();
            done = true;
            r.end = ReceiveEnd::kEot;
            break;
          }
          r.bytes += n + (n > 1 ? 0 : more);
          if (!line.DrainToSilence()) break;
          second.SetText("Received an invalid packet...");
          second.Pump();
          std::memset(packet, 0, sizeof packet);
          idleDeadline = clock.Milliseconds() + kDeadlineMs;
          if (!line.Send(NAK)) break;
          continue;
        }
        if (fill == 0 && packet[0] == CAN) {
          second.SetText("Received a CAN...");
          line.Send(ACK);
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
            if (!line.Send(ACK)) break;
            if (r.packets == 1) {
              const uint32_t marker = FormatMarkerFromVersion(version);
              for (int k = 0; k < 4; ++k) packet[3 + k] = static_cast<uint8_t>(marker >> (8 * k));
            }
            if (head.size() < kHeadBytes) {
              head.insert(head.end(), packet + 3, packet + 3 + kDataSize);
            }
            if (!file.Write(packet + 3, kDataSize)) {
              // A file that cannot take the data must not let the transfer run on as if it did.
              r.fileError = file.Reason();
              r.end = ReceiveEnd::kFileWriteFailed;
              line.Send(CAN);
              break;
            }
            r.dataBytes += kDataSize;
            ++expected;
          } else if (valid && block == static_cast<uint8_t>(expected - 1)) {
            if (!line.Send(ACK)) break;
          } else if (valid) {
            line.Send(CAN);
            r.end = ReceiveEnd::kOutOfSequence;
            break;
          } else {
            second.SetText("Received an invalid packet...");
            second.Pump();
            if (!line.Send(NAK)) break;
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
    if (second.Cancelled() && r.end != ReceiveEnd::kPortFailed) {
      if (r.end != ReceiveEnd::kEot) r.end = ReceiveEnd::kCancelled;
      for (int attempt = 0; attempt < kCancelAttempts && port->Write(&CAN, 1) != 1; ++attempt) {
      }
    }
  }

  if (done) {
    // The instrument says the file is complete; the file's own header must agree.
    const long long required = RequiredLogLength(head.data(), head.size(), r.dataBytes);
    if (r.dataBytes < required) {
      r.end = ReceiveEnd::kEndedEarly;
      r.requiredBytes = required;
      done = false;
    }
  }
  second.Close();
  if (done && !file.Commit()) {
    r.end = ReceiveEnd::kFileWriteFailed;
    r.fileError = file.Reason();
    done = false;
  }
  if (!done) r.partialPath = PathToUtf8(file.KeepAs(PathFromUtf8(path + ".partial")));
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
    case ReceiveEnd::kPortFailed:
      return "the port failed (" + report.portError + ")";
    case ReceiveEnd::kEndedEarly:
      return "the transfer ended early: " + PrintfInt(report.dataBytes) + " of " +
             PrintfInt(report.requiredBytes) + " bytes";
  }
  return "the transfer failed";
}
