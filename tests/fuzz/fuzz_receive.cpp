// Fuzz target: receiving a Flash File from whatever the instrument sends.
//
// The input is the instrument's side of the line in the layout of ScriptedLine.h. Option byte:
// bit 0 newer firmware (format marker 256 instead of 1); bits 1-2 how many bytes one port read
// hands over (all it has, 1, 32, 133); bit 3 the line fails for good (reads, writes and the
// input-queue query give -1) once the script is over.
//
// Oracle: a receive that reports success has written, at the path it was given, the data of
// valid packets that occur in that order in the stream, numbered 1, 2, 3, ... (255 wraps to 0),
// with the first four bytes replaced by the format marker. A receive that never ends is caught
// by libFuzzer's time-out: the Cancel button is pressed once the script is over and the line
// has been quiet for 30 s, or after 15 minutes in all. METERLOG2_FUZZ_VERBOSE=1 prints how each
// receive ended, for reading a reproducer.

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
using fuzz::kPacketData;
using fuzz::kPacketSize;

// Whether `file` is the data of valid packets 1, 2, ... found one after another in `stream`.
// The earliest match of each block leaves the most room for the rest.
bool FromPacketsInOrder(const std::vector<uint8_t>& file, const std::vector<uint8_t>& stream,
                        uint32_t marker, std::string& why) {
  if (file.size() % kPacketData != 0) {
    why = "the file is " + std::to_string(file.size()) + " bytes, not whole blocks";
    return false;
  }
  if (!file.empty()) {
    for (int k = 0; k < 4; ++k) {
      if (file[static_cast<size_t>(k)] != static_cast<uint8_t>(marker >> (8 * k))) {
        why = "the file does not start with the format marker " + std::to_string(marker);
        return false;
      }
    }
  }
  size_t from = 0;
  for (size_t i = 0; i < file.size() / kPacketData; ++i) {
    const uint8_t block = static_cast<uint8_t>(i + 1);
    const uint8_t* data = file.data() + i * kPacketData;
    const size_t skip = i == 0 ? 4 : 0;  // the marker stands there
    bool found = false;
    for (size_t at = from; at + kPacketSize <= stream.size(); ++at) {
      if (std::memcmp(stream.data() + at + 3 + skip, data + skip, kPacketData - skip) == 0 &&
          fuzz::IsValidPacket(stream.data() + at, block)) {
        from = at + kPacketSize;
        found = true;
        break;
      }
    }
    if (!found) {
      why = "block " + std::to_string(i + 1) + " of the file is no valid packet " +
            std::to_string(block) + " after the previous one in the stream";
      return false;
    }
  }
  return true;
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz_receive: %s\n", why.c_str());
  std::fflush(stderr);
  abort();
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
  if (ok) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("success reported, but there is no file at " + path.string());
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    std::string why;
    if (!FromPacketsInOrder(file, fuzz::StreamOf(chunks), marker, why)) {
      Fail("success reported, but " + why);
    }
  }
  EmptyFolder(folder);  // the target, its ".partial" and anything else left behind
  return 0;
}
