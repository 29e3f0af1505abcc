// Fuzz target: the instrument's replies to the identification, configuration and directory
// requests.
//
// The input is the instrument's side of the line in the layout of ScriptedLine.h; a reply
// chunk usually waits for the program's echo of the byte before. Option byte, value mod 3:
//   0  configuration read ("1XSU"), then the dialog's values of the record it gave
//   1  the Configure Device flow: identification, then as 0 with the firmware text
//   2  directory request ("RLD"), its reply split into the summary and the entries
//
// Oracles, besides the sanitizers:
// - A configuration read succeeds exactly when a strict parser written here from the protocol's
//   description accepts what the instrument sent ("R", nine groups of hex digits of their exact
//   lengths each ended by ",", then "Q"), as long as no pause in the reply is long enough for a
//   time-out; a successful read holds the parser's bytes with the multi-byte fields (listed
//   here once more, from the description) in host order. A longer pause may only fail a read.
// - An identification succeeds only with 49 characters whose first 47 are printable.
// - The dialog's values stored back unchanged leave the record as it was; after a successful
//   read, writing the record back sends the instrument exactly the groups it sent (uppercase
//   hex); directory entries are non-blank single trimmed lines.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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

// ---- The independent reading of a configuration reply ----

struct Field {
  int offset, width;
};
struct Group {
  int offset, length;
};
constexpr Group kGroups[9] = {{0, 2},     {2, 11},    {13, 13},  {26, 16}, {42, 472},
                              {514, 136}, {650, 121}, {771, 73}, {844, 25}};

// Every multi-byte field of the record: big-endian on the wire, host order in the record.
std::vector<Field> MultiByteFields() {
  std::vector<Field> fields{{0, 2},   {18, 2},  {20, 2},  {22, 4},  {36, 2},  {847, 2},
                            {849, 4}, {853, 2}, {855, 4}, {859, 2}, {861, 4}, {865, 4}};
  for (int block = 0; block < 8; ++block) {
    for (int k = 0; k < 4; ++k) fields.push_back({515 + 17 * block + 4 * k, 4});
  }
  for (int pair = 0; pair < 15; ++pair) {
    fields.push_back({651 + 8 * pair, 4});
    fields.push_back({655 + 8 * pair, 4});
  }
  return fields;
}

int Hex(uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The record a strict reader takes from `reply`, in host order; nothing when the reply is not
// "R", the nine groups each followed by ",", and "Q" (what follows "Q" is never read).
std::optional<ConfigRecord> StrictConfigReply(const std::vector<uint8_t>& reply) {
  ConfigRecord record{};
  size_t at = 0;
  auto next = [&](uint8_t& c) {
    if (at >= reply.size()) return false;
    c = reply[at++];
    return true;
  };
  uint8_t c = 0;
  if (!next(c) || c != 'R') return std::nullopt;
  for (const Group& group : kGroups) {
    for (int i = 0; i < group.length; ++i) {
      uint8_t high = 0, low = 0;
      if (!next(high) || !next(low) || Hex(high) < 0 || Hex(low) < 0) return std::nullopt;
      record[static_cast<size_t>(group.offset + i)] =
          static_cast<uint8_t>(Hex(high) * 16 + Hex(low));
    }
    if (!next(c) || c != ',') return std::nullopt;
  }
  if (!next(c) || c != 'Q') return std::nullopt;
  for (const Field& field : MultiByteFields()) {
    std::reverse(record.begin() + field.offset, record.begin() + field.offset + field.width);
  }
  return record;
}

// No pause in the script is long enough to end a read: every character comes within four
// seconds of the one before it (or of the program's last write), well inside the five-second
// quiet time of a one-character read even with the one-second clock's rounding. An empty chunk
// that waits for a reply sends nothing to answer: a reply-waiting chunk after it waits for a
// byte the program never writes (it waits for the instrument), and the line falls silent.
bool Prompt(const std::vector<fuzz::Chunk>& chunks) {
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (chunks[i].delayMs > 3000) return false;
    if (chunks[i].afterReply && chunks[i].size == 0 && i + 1 < chunks.size() &&
        chunks[i + 1].afterReply)
      return false;
  }
  return true;
}

void CheckRead(bool read, const ConfigRecord& record, const std::vector<uint8_t>& reply,
               bool prompt) {
  const std::optional<ConfigRecord> strict = StrictConfigReply(reply);
  if (read && !strict) Fail("a configuration read succeeded on a reply that is not one");
  if (!read && strict && prompt) Fail("a configuration read failed on a well-formed reply");
  if (read && *strict != record) Fail("a configuration read took other bytes than the reply's");
}

void ReadAndShowConfiguration(fuzz::ScriptedPort& port, const std::string& version,
                              const std::vector<uint8_t>& reply, bool prompt) {
  ConfigRecord record{};
  const size_t commandEnd = port.sent.size() + 4;  // "1XSU"
  const int read = ReadConfiguration(&port, record);
  if (Verbose()) std::fprintf(stderr, "config: read %s\n", read ? "complete" : "failed");
  CheckRead(read != 0, record, reply, prompt);

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
  const std::vector<fuzz::Chunk> chunks = fuzz::ParseChunks(data + 1, size - 1);
  const std::vector<uint8_t> stream = fuzz::StreamOf(chunks);
  const bool prompt = Prompt(chunks);
  fuzz::ScriptedPort port(chunks);
  port.maxChunk = 1 + (data[0] >> 2) * 16;
  port.Start();

  if (mode == 0) {
    ReadAndShowConfiguration(port, "unknown", stream, prompt);
  } else if (mode == 1) {
    std::string version;
    const int identified = ReadVersion(&port, version);
    if (Verbose()) std::fprintf(stderr, "config: version \"%s\" %d\n", version.c_str(), identified);
    constexpr size_t kVersionLength = 49, kPrintable = 47;
    if (identified && (stream.size() < kVersionLength ||
                       !std::all_of(stream.begin(), stream.begin() + kPrintable,
                                    [](uint8_t c) { return c >= 0x20 && c <= 0x7E; }))) {
      Fail("an identification succeeded without 49 characters, the first 47 printable");
    }
    if (identified) {
      (void)FormatMarkerFromVersion(version);
      // The configuration reply is what follows the 49 characters of the identification.
      ReadAndShowConfiguration(port, version,
                               std::vector<uint8_t>(stream.begin() + kVersionLength, stream.end()),
                               prompt);
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
