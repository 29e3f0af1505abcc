// Fuzz target: receiving a Flash File from whatever the instrument sends.
//
// The input is the instrument's side of the line in the layout of ScriptedLine.h. Option byte:
// bit 0 newer firmware (format marker 256 instead of 1); bits 1-2 how many bytes one port read
// hands over (all it has, 1, 32, 133); bit 3 the line fails for good (reads, writes and the
// input-queue query give -1) once the script is over.
//
// Oracle, written apart from the receiver: every ACK the program sent is matched with what it
// had read from the line when it sent it. An ACK must answer a valid packet that ends right
// there (the next block in order, whose data then counts as acknowledged, or a repeat of the one
// before), or an EOT or CAN just read; anything else is a finding. From that:
// - success means the EOT was acknowledged, and the file at the target is exactly the
//   acknowledged blocks (the format marker in its first four bytes) and as long as its own
//   header declares; nothing else is left in the folder;
// - failure means there is no target file, and the folder holds only "NAME.partial" with exactly
//   the acknowledged blocks (or nothing at all when none was acknowledged): no temporary file;
// - an acknowledged EOT after a file complete by its header is a success.
// A receive that never ends is caught by libFuzzer's time-out: the Cancel button is pressed once
// the script is over and the line has been quiet for 30 s, or after 15 minutes in all.
// METERLOG2_FUZZ_VERBOSE=1 prints how each receive ended, for reading a reproducer.

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScriptedLine.h"
#include "XmodemPackets.h"
#include "link/FlashReceive.h"
#include "link/LinkMessages.h"

namespace {

constexpr int64_t kQuietAfterScriptMs = 30'000;
constexpr int64_t kLongestReceiveMs = 15 * 60'000;
constexpr int kChunkLimits[4] = {1 << 30, 1, 32, 133};
constexpr uint8_t kAck = 0x06;
using fuzz::kPacketData;
using fuzz::kPacketSize;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz_receive: %s\n", why.c_str());
  std::fflush(stderr);
  abort();
}

// What the program acknowledged, reconstructed from its ACKs and the line.
struct Acknowledged {
  std::vector<uint8_t> file;  // the data of the acknowledged blocks, in order, marker in front
  bool eot = false;           // the last ACK answered an EOT
};

Acknowledged WhatWasAcknowledged(const fuzz::ScriptedPort& port, const std::vector<uint8_t>& stream,
                                 uint32_t marker) {
  Acknowledged acked;
  uint8_t expected = 1;
  for (size_t i = 0; i < port.sent.size(); ++i) {
    if (port.sent[i] != kAck) continue;
    const size_t at = port.readBeforeSent[i];
    const uint8_t* end = stream.data() + at;
    acked.eot = false;
    if (at >= kPacketSize && fuzz::IsValidPacket(end - kPacketSize, expected)) {
      const uint8_t* data = end - kPacketSize + 3;
      acked.file.insert(acked.file.end(), data, data + kPacketData);
      if (expected == 1) {
        for (int k = 0; k < 4; ++k) acked.file[static_cast<size_t>(k)] = uint8_t(marker >> 8 * k);
      }
      ++expected;
    } else if (at >= kPacketSize &&
               fuzz::IsValidPacket(end - kPacketSize, static_cast<uint8_t>(expected - 1))) {
      // a repeat of the block before: acknowledged, not kept
    } else if (at >= 1 && end[-1] == fuzz::kEot) {
      acked.eot = true;
    } else if (!(at >= 1 && end[-1] == fuzz::kCan)) {
      Fail("ACK number " + std::to_string(i) + " answers no packet, EOT or CAN (after " +
           std::to_string(at) + " bytes of the line)");
    }
  }
  return acked;
}

// The length a log declares, as the loader reads its header: the header block's size at 4-5,
// then the record count (4 bytes) and record size (2 bytes) after it, all big-endian. A header
// block longer than 3100 bytes is no log; a file that ends right after the header block holds
// no records. -1: nothing declared.
long long DeclaredLength(const std::vector<uint8_t>& file) {
  if (file.size() < 6) return 6;
  const size_t header = size_t{file[4]} << 8 | file[5];
  if (header > 3100 || file.size() == 6 + header) return -1;
  if (file.size() < 12 + header) return static_cast<long long>(12 + header);
  const uint8_t* p = file.data() + 6 + header;
  const unsigned long long count = (unsigned long long)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];
  const unsigned long long recordSize = (unsigned long long)p[4] << 8 | p[5];
  return static_cast<long long>(12 + header + count * recordSize);
}

bool CompleteByItsHeader(const std::vector<uint8_t>& file) {
  return static_cast<long long>(file.size()) >= DeclaredLength(file);
}

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>{std::istreambuf_iterator<char>(in), {}};
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    names.push_back(entry.path().filename().string());
  return names;
}

void CheckOutcome(bool ok, const Acknowledged& acked, const std::filesystem::path& folder,
                  const std::string& outcome) {
  const std::vector<std::string> names = FolderNames(folder);
  const std::string listing = std::to_string(names.size()) + " files" +
                              (names.empty() ? std::string() : ", first " + names.front());
  if (ok) {
    if (!acked.eot) Fail("success reported, but the last ACK did not answer an EOT");
    if (names != std::vector<std::string>{"received.57x"})
      Fail("success reported, but the folder holds " + listing);
    const std::vector<uint8_t> file = ReadAll(folder / "received.57x");
    if (file != acked.file) {
      Fail("success reported, but the file (" + std::to_string(file.size()) +
           " bytes) is not the acknowledged blocks (" + std::to_string(acked.file.size()) + ")");
    }
    if (!CompleteByItsHeader(file)) {
      Fail("success reported for " + std::to_string(file.size()) +
           " bytes, but its header declares " + std::to_string(DeclaredLength(file)));
    }
    return;
  }
  if (acked.eot && !acked.file.empty() && CompleteByItsHeader(acked.file))
    Fail("the EOT after a complete file was acknowledged, yet: " + outcome);
  if (acked.file.empty()) {
    if (!names.empty()) Fail("failed without an acknowledged block, and left " + listing);
    return;
  }
  if (names != std::vector<std::string>{"received.57x.partial"})
    Fail("failed (" + outcome + "); the folder holds " + listing + ", not the partial file alone");
  const std::vector<uint8_t> partial = ReadAll(folder / "received.57x.partial");
  if (partial != acked.file) {
    Fail("failed (" + outcome + "); the partial file has " + std::to_string(partial.size()) +
         " bytes, not the " + std::to_string(acked.file.size()) + " acknowledged");
  }
}

// A folder of this process's own, removed at exit (never destroyed before that).
const std::filesystem::path& Folder() {
  static const std::filesystem::path* folder = [] {
    std::string pattern = std::filesystem::temp_directory_path() / "meterlog2-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("cannot create a temporary folder");
    auto* made = new std::filesystem::path(pattern);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Folder(), ignored);
    });
    return made;
  }();
  return *folder;
}

void EmptyFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::error_code ignored;
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  const bool newFirmware = options & 1;
  const std::string version =
      newFirmware ? "21 Sep 2005 57x Power Analyzer V3.10" : "20 Sep 2005 57x Power Analyzer V3.10";
  const uint32_t marker = newFirmware ? 256u : 1u;

  const std::vector<fuzz::Chunk> chunks = fuzz::ParseChunks(data + 1, size - 1);
  fuzz::ScriptedPort port(chunks);
  port.maxChunk = kChunkLimits[(options >> 1) & 3];
  port.failWhenExhausted = (options & 8) != 0;
  const int64_t begin = port.clock.ms;
  FakePrompt prompt;
  prompt.progress.cancelWhen = [&port, begin] {
    const int64_t now = port.clock.ms;
    return (port.Exhausted() && now - port.LastArrival() > kQuietAfterScriptMs) ||
           now - begin > kLongestReceiveMs;
  };
  port.Start();

  const std::filesystem::path& folder = Folder();
  const std::filesystem::path path = folder / "received.57x";
  ReceiveReport report;
  const int ok = ReceiveFlashFile(&port, 1, path.string(), version, prompt, &report);
  const std::string outcome = DescribeReceiveEnd(report);  // what a headless caller prints
  static const bool verbose = std::getenv("METERLOG2_FUZZ_VERBOSE") != nullptr;
  if (verbose) {
    std::fprintf(stderr, "receive: %s; %d packets, %lld bytes, %.1f s\n", outcome.c_str(),
                 report.packets, report.bytes, static_cast<double>(port.clock.ms - begin) / 1000);
  }
  const Acknowledged acked = WhatWasAcknowledged(port, fuzz::StreamOf(chunks), marker);
  CheckOutcome(ok != 0, acked, folder, outcome);
  if (report.packets * static_cast<long long>(kPacketData) !=
      static_cast<long long>(acked.file.size()))
    Fail("the report counts " + std::to_string(report.packets) +
         " packets, the program acknowledged " + std::to_string(acked.file.size() / kPacketData));
  EmptyFolder(folder);
  return 0;
}
