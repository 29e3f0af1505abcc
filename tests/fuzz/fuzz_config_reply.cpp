// Fuzz target: the instrument's replies to the identification, configuration and directory
// requests.
//
// The input is the instrument's side of the line in the layout of ScriptedLine.h; a reply
// chunk usually waits for the program's echo of the byte before. Option byte, value mod 3:
//   0  configuration read ("1XSU"), then the dialog's values of the record it gave
//   1  the Configure Device flow: identification, then as 0 with the firmware text
//   2  directory request ("RLD"), its reply split into the summary and the entries
//
// Oracles, besides the sanitizers: the dialog's values stored back unchanged leave the record
// as it was; after a successful read, writing the record back sends the instrument exactly the
// groups it sent (uppercase hex); directory entries are non-blank single trimmed lines.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScriptedLine.h"
#include "config/ConfigFields.h"
#include "link/FlashDirectory.h"
#include "link/InstrumentProtocol.h"

namespace {

// METERLOG2_FUZZ_VERBOSE=1 tells how far each exchange got, for reading a reproducer.
bool Verbose() {
  static const bool verbose = std::getenv("METERLOG2_FUZZ_VERBOSE") != nullptr;
  return verbose;
}

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "fuzz_config_reply: %s\n", why.c_str());
  std::fflush(stderr);
  std::abort();
}

// The groups as the instrument sent them: the program echoes every character of the read, so
// its output after the command holds them ("R", groups with their ',', "Q").
std::string ReadGroupsText(const FakePort& port, size_t from) {
  std::string text = port.SentText().substr(from);
  if (text.size() < 2 || text.front() != 'R' || text.back() != 'Q') {
    Fail("a successful read did not echo \"R\" ... \"Q\": " + text);
  }
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text.substr(1);
}

// An instrument that takes a configuration write: "R" after "2XSU", then every character
// echoed and kept until "Q".
struct WriteTaker {
  std::string commands, received;
  bool writing = false, done = false, skippedEcho = false;

  void OnByte(FakePort& port, char c) {
    if (done) return;
    if (writing) {
      if (!skippedEcho && c == 'R') {  // the program's echo of our "R"
        skippedEcho = true;
        return;
      }
      received.push_back(c);
      port.Send(std::string(1, c));
      if (c == 'Q') done = true;
      return;
    }
    commands.push_back(c);
    if (commands.ends_with("2XSU")) {
      writing = true;
      port.Send("R");
    }
  }
};

void CheckWriteBack(const ConfigRecord& record, const std::string& groups) {
  FakePort port;
  WriteTaker taker;
  port.onByte = [&taker](FakePort& p, uint8_t b) { taker.OnByte(p, static_cast<char>(b)); };
  ConfigRecord copy = record;
  if (WriteConfiguration(&port, copy, false) != 1) Fail("writing to a willing instrument failed");
  if (taker.received != groups) {
    Fail("the unchanged record was written back as\n  " + taker.received + "\nbut was read as\n  " +
         groups);
  }
}

void ReadAndShowConfiguration(fuzz::ScriptedPort& port, const std::string& version) {
  ConfigRecord record{};
  const size_t commandEnd = port.sent.size() + 4;  // "1XSU"
  const int read = ReadConfiguration(&port, record);
  if (Verbose()) std::fprintf(stderr, "config: read %s\n", read ? "complete" : "failed");

  // Whatever a read produced is some record an instrument could have sent: show it, with the
  // names the channel lists give the codes.
  ConfigDialogValues values = LoadConfigDialogValues(record, version);
  const std::string channels =
      std::string(InputCodeName(values.channel1)) + InputCodeName(values.channel2);
  if (Verbose())
    std::fprintf(stderr, "config: %s, channels %s\n", values.deviceDateTime.c_str(),
                 channels.c_str());
  ConfigRecord stored = record;
  StoreConfigDialogValues(values, stored);
  if (stored != record) Fail("storing the dialog's unchanged values altered the record");

  if (read) CheckWriteBack(record, ReadGroupsText(port, commandEnd));
}

void CheckDirectory(const std::string& text) {
  const FlashDirectory directory = SplitFlashDirectory(text);
  auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  // Text without a CR is one entry as it came; lines are trimmed only when there are lines.
  const bool lines = text.find('\r') != std::string::npos;
  if (directory.summary.find('\r') != std::string::npos) Fail("summary holds a CR");
  for (const std::string& entry : directory.entries) {
    if (entry.empty() || entry.find('\r') != std::string::npos ||
        (lines && (blank(entry.front()) || blank(entry.back())))) {
      Fail("directory entry \"" + entry + "\" is blank, untrimmed or more than one line");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 3;
  fuzz::ScriptedPort port(fuzz::ParseChunks(data + 1, size - 1));
  port.maxChunk = 1 + (data[0] >> 2) * 16;
  port.Start();

  if (mode == 0) {
    ReadAndShowConfiguration(port, "unknown");
  } else if (mode == 1) {
    std::string version;
    const int identified = ReadVersion(&port, version);
    if (Verbose()) std::fprintf(stderr, "config: version \"%s\" %d\n", version.c_str(), identified);
    if (identified) {
      (void)FormatMarkerFromVersion(version);
      ReadAndShowConfiguration(port, version);
    }
  } else {
    std::string text;
    const bool replied = ReadFlashDirectory(&port, text) == DirectoryResult::kOk;
    if (Verbose()) std::fprintf(stderr, "config: directory \"%s\"\n", text.c_str());
    if (replied) {
      if (text.find('\0') != std::string::npos || text.find('\xFF') != std::string::npos) {
        Fail("the directory text keeps a 00 or FF byte");
      }
      CheckDirectory(text);
    }
  }
  return 0;
}
