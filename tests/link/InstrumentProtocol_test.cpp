#include <gtest/gtest.h>

#include <numeric>

#include "FakeLink.h"
#include "link/FlashDirectory.h"
#include "link/InstrumentProtocol.h"

namespace {

std::string Version(const std::string& date) {
  std::string text = date + " 57x Power Analyzer V3.10";
  text.resize(47, ' ');
  return text + "\r\n";
}

// An instrument that answers "1XSU" and "2XSU" with the echo discipline, holding its record in
// wire order. Options break the exchange at chosen places.
struct ConfigPeer {
  ConfigRecord wire{};
  std::string pending;   // characters still to send for a read, one per echo
  std::string received;  // what the program sent after "2XSU"'s "R" (hex, separators, "Q")
  std::string commands;  // everything written before a framed exchange starts
  bool reading = false, writing = false;
  char firstReply = 'R';
  int corruptEchoAt = -1;  // index into `received` whose echo is wrong
  int badDigitAt = -1;     // index into the read text replaced by 'g'
  bool dropFirstSeparator = false;

  static std::string Hex(const uint8_t* p, int n) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (int i = 0; i < n; ++i) {
      s.push_back(d[p[i] >> 4]);
      s.push_back(d[p[i] & 15]);
    }
    return s;
  }
  std::string ReadText() const {
    std::string text(1, firstReply);
    for (int g = 0; g < kConfigGroupCount; ++g) {
      const ConfigGroup& group = ConfigGroupAt(g);
      text += Hex(wire.data() + group.offset, group.length);
      if (!(dropFirstSeparator && g == 0)) text += ",";
    }
    text += "Q";
    if (badDigitAt >= 0) text[static_cast<size_t>(badDigitAt)] = 'g';
    return text;
  }
  void Attach(FakePort& port) {
    port.onByte = [this](FakePort& p, uint8_t b) { OnByte(p, static_cast<char>(b)); };
  }
  void OnByte(FakePort& p, char c) {
    if (reading) {
      if (!pending.empty() && c == pending.front()) {
        pending.erase(0, 1);
        if (!pending.empty()) p.Send(std::string(1, pending.front()));
      }
      return;
    }
    if (writing) {
      if (c == 'R' && received.empty()) return;  // the program's echo of our "R"
      const int index = static_cast<int>(received.size());
      received.push_back(c);
      p.Send(std::string(1, index == corruptEchoAt ? static_cast<char>(c + 1) : c));
      if (c == 'Q') writing = false;
      return;
    }
    commands.push_back(c);
    if (commands.ends_with("1XSU")) {
      reading = true;
      pending = ReadText();
      p.Send(std::string(1, pending.front()));
    } else if (commands.ends_with("2XSU")) {
      writing = true;
      p.Send(std::string(1, firstReply));
    }
  }
};

ConfigRecord PatternRecord() {
  ConfigRecord r;
  for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 7 + 3);
  return r;
}

TEST(ReadVersion, ChecksTheFirst47CharactersAndKeepsTheText) {
  FakePort port;
  port.onByte = [](FakePort& p, uint8_t b) {
    if (b == 'R') p.Send(Version("21 Sep 2005"));
  };
  std::string text;
  EXPECT_EQ(ReadVersion(&port, text), 1);
  EXPECT_EQ(port.SentText(), "\r\nVER");
  EXPECT_EQ(text, "21 Sep 2005 57x Power Analyzer V3.10");

  FakePort printable;
  printable.Send(std::string(49, 'x'));
  EXPECT_EQ(ReadVersion(&printable, text), 1);

  FakePort withNul;
  std::string reply = Version("01 Jan 2010");
  reply[20] = '\0';
  withNul.Send(reply);
  EXPECT_EQ(ReadVersion(&withNul, text), 0);
  EXPECT_EQ(text, "01 Jan 2010 57x Powe");  // kept up to the first zero byte

  FakePort withTab;
  reply = Version("01 Jan 2010");
  reply[30] = '\t';
  withTab.Send(reply);
  EXPECT_EQ(ReadVersion(&withTab, text), 0);

  FakePort shortReply;
  shortReply.Send("01 Jan 2010 short");
  const int64_t start = shortReply.clock.ms;
  EXPECT_EQ(ReadVersion(&shortReply, text), 0);
  EXPECT_EQ(text, "01 Jan 2010 short");
  EXPECT_LE(shortReply.clock.ms - start, 6000);

  FakePort unwritable;
  unwritable.failWrites = true;
  text = "before";
  EXPECT_EQ(ReadVersion(&unwritable, text), 0);
  EXPECT_EQ(text, "before");
}

TEST(FormatMarkerFromVersion, FirmwareDateDecidesTheByteOrder) {
  EXPECT_EQ(FormatMarkerFromVersion("20 Sep 2005 57x"), 1u);
  EXPECT_EQ(FormatMarkerFromVersion("21 Sep 2005 57x"), 256u);
  EXPECT_EQ(FormatMarkerFromVersion("20 sep 2005 57x"), 1u);
  EXPECT_EQ(FormatMarkerFromVersion("21 SEP 2005 57x"), 256u);
  EXPECT_EQ(FormatMarkerFromVersion("01 Jan 2006"), 256u);
  EXPECT_EQ(FormatMarkerFromVersion("31 Dec 2004"), 1u);
  EXPECT_EQ(FormatMarkerFromVersion("31 Xyz 2005"), 1u);  // month 0
  EXPECT_EQ(FormatMarkerFromVersion("31 Xyz 2006"), 256u);
  EXPECT_EQ(FormatMarkerFromVersion(""), 1u);
  EXPECT_EQ(FormatMarkerFromVersion("garbage that is no date at all"), 1u);
}

TEST(ReadConfiguration, ConvertsEveryGroupToHostOrder) {
  FakePort port;
  ConfigPeer peer;
  peer.wire = PatternRecord();
  peer.Attach(port);
  ConfigRecord record{};
  ASSERT_EQ(ReadConfiguration(&port, record), 1);
  EXPECT_EQ(port.SentText().substr(0, 5), "1XSUR");  // command, then echoes
  const ConfigRecord& w = peer.wire;
  // 16-bit at 0, 32-bit at 22, 32-bit in the sixth group's blocks, group 7's pairs, group 9.
  EXPECT_EQ(record[0], w[1]);
  EXPECT_EQ(record[1], w[0]);
  EXPECT_EQ(record[22], w[25]);
  EXPECT_EQ(record[25], w[22]);
  EXPECT_EQ(record[514 + 17], w[514 + 17]);  // the single byte of block 1 stays
  EXPECT_EQ(record[515 + 17], w[518 + 17]);
  EXPECT_EQ(record[650], w[650]);
  EXPECT_EQ(record[651 + 8 * 14 + 4], w[654 + 8 * 14 + 4]);
  EXPECT_EQ(record[865], w[868]);
  EXPECT_EQ(record[853], w[854]);
  // Bytes outside any multi-byte field are not moved.
  for (int i : {2, 12, 13, 17, 26, 100, 513, 771, 843, 844, 846}) EXPECT_EQ(record[i], w[i]) << i;
}

TEST(ReadConfiguration, StopsAtTheFirstBrokenStep) {
  for (int variant = 0; variant < 4; ++variant) {
    FakePort port;
    ConfigPeer peer;
    peer.wire = PatternRecord();
    if (variant == 0) peer.firstReply = 'X';
    if (variant == 1) peer.dropFirstSeparator = true;
    if (variant == 2) peer.badDigitAt = 30;
    if (variant == 3) port.onByte = nullptr;  // silent
    if (variant != 3) peer.Attach(port);
    ConfigRecord record{};
    EXPECT_EQ(ReadConfiguration(&port, record), 0) << variant;
  }
}

TEST(WriteConfiguration, SendsGroupsInWireOrderThenClosesAndSetsTheClock) {
  FakePort port;
  port.clock.local = {2011, 1, 5, 9, 7, 3};
  ConfigPeer peer;
  peer.Attach(port);
  const ConfigRecord host = PatternRecord();
  ConfigRecord record = host;
  ASSERT_EQ(WriteConfiguration(&port, record, true), 1);

  // What the instrument received, group by group. Host byte i is i * 7 + 3 (mod 256); every
  // multi-byte field goes big-endian, so it arrives reversed from the host record.
  std::vector<std::string> groups;
  for (size_t at = 0, comma; (comma = peer.received.find(',', at)) != std::string::npos;
       at = comma + 1)
    groups.push_back(peer.received.substr(at, comma - at));
  ASSERT_EQ(groups.size(), 9u);
  EXPECT_TRUE(peer.received.ends_with(",Q"));
  const size_t lengths[9] = {2, 11, 13, 16, 472, 136, 121, 73, 25};
  for (size_t g = 0; g < 9; ++g) EXPECT_EQ(groups[g].size(), 2 * lengths[g]) << g;
  EXPECT_EQ(groups[0], "0A03");                    // 16-bit at 0
  EXPECT_EQ(groups[1], "11181F262D343B42495057");  // 2 to 12 as they are
  // 13 to 17 as they are; 16-bit 18 (8881) and 20 (968F); 32-bit 22 (B2ABA49D).
  EXPECT_EQ(groups[2], "5E656C737A8881968FB2ABA49D");
  EXPECT_EQ(groups[3], "B9C0C7CED5DCE3EAF1F806FF0D141B22");  // 16-bit 36: 06FF
  EXPECT_EQ(groups[4].substr(0, 4), "2930");                 // 42 on, as they are
  EXPECT_EQ(groups[5].substr(0, 10), "112D261F18");          // block 0: a byte, 32-bit 515
  EXPECT_EQ(groups[6].substr(0, 10), "C9E5DED7D0");          // scale_enable, 32-bit 651
  // Three bytes; 16-bit 847, 32-bit 849, 16-bit 853, 32-bit 855, 16-bit 859, 32-bit 861 and 865.
  EXPECT_EQ(groups[8], "171E25332C4F48413A5D5679726B648780A39C958EBFB8B1AA");
  EXPECT_TRUE(port.SentText().ends_with("Q7SST7SUP2011:01:05:09:07:03TDS"));

  // The caller's record is left in wire order: the bytes that were sent.
  std::string hex;
  for (const std::string& g : groups) hex += g;
  ConfigRecord sent{};
  ASSERT_EQ(hex.size(), 2 * sent.size());
  for (size_t i = 0; i < sent.size(); ++i)
    sent[i] = static_cast<uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  EXPECT_EQ(record, sent);

  // Read back, the record is the host record again.
  FakePort back;
  ConfigPeer reader;
  reader.wire = sent;
  reader.Attach(back);
  ConfigRecord roundTrip{};
  ASSERT_EQ(ReadConfiguration(&back, roundTrip), 1);
  EXPECT_EQ(roundTrip, host);
}

TEST(WriteConfiguration, WithoutClockAndOnAWrongEcho) {
  FakePort port;
  ConfigPeer peer;
  peer.Attach(port);
  ConfigRecord record = PatternRecord();
  ASSERT_EQ(WriteConfiguration(&port, record, false), 1);
  EXPECT_TRUE(port.SentText().ends_with("Q7SST7SUP"));

  FakePort broken;
  ConfigPeer wrong;
  wrong.corruptEchoAt = 10;
  wrong.Attach(broken);
  record = PatternRecord();
  EXPECT_EQ(WriteConfiguration(&broken, record, true), 0);
  EXPECT_EQ(wrong.received.size(), 11u);  // nothing after the byte whose echo was wrong
  EXPECT_EQ(broken.SentText().find("7SST"), std::string::npos);
  EXPECT_EQ(broken.SentText().find("TDS"), std::string::npos);
}

TEST(ClockCommand, PadsEveryField) {
  EXPECT_EQ(ClockCommand({2010, 3, 15, 14, 5, 9}), "2010:03:15:14:05:09TDS");
  EXPECT_EQ(ClockCommand({2011, 1, 5, 9, 7, 3}).size(), 22u);
}

TEST(ReadFlashDirectory, ReadsUntilTheTerminatorAndTrims) {
  FakePort port;
  port.onByte = [](FakePort& p, uint8_t b) {
    if (b == 'D') {
      std::vector<uint8_t> reply = Bytes("\r\n Summary\r\nFILE1\r\n\r\nFILE2");
      reply.push_back(0xFF);
      p.Send(reply, 300);
    }
  };
  std::string text;
  const int64_t replied = port.clock.ms + 300;
  ASSERT_EQ(ReadFlashDirectory(&port, text), DirectoryResult::kOk);
  EXPECT_EQ(port.SentText(), "RLD");
  EXPECT_EQ(text, "Summary\r\nFILE1\r\n\r\nFILE2");
  EXPECT_EQ(port.clock.ms, replied);  // over when the terminator came: no quiet wait after it

  const FlashDirectory d = SplitFlashDirectory(text);
  EXPECT_EQ(d.summary, "Summary");
  EXPECT_EQ(d.entries, (std::vector<std::string>{"FILE1", "FILE2"}));
}

TEST(ReadFlashDirectory, TellsAFailedRequestFromAnEmptyReplyAndCapsTheLength) {
  FakePort refusing;
  refusing.failWrites = true;
  std::string text;
  EXPECT_EQ(ReadFlashDirectory(&refusing, text), DirectoryResult::kWriteFailed);

  FakePort silent;
  const int64_t start = silent.clock.ms;
  EXPECT_EQ(ReadFlashDirectory(&silent, text), DirectoryResult::kNoReply);
  EXPECT_LE(silent.clock.ms - start, 11000);

  FakePort flood;
  std::string big(1500, 'a');
  for (size_t i = 100; i < big.size(); i += 100) big[i] = '\r';
  flood.Send(big);
  ASSERT_EQ(ReadFlashDirectory(&flood, text), DirectoryResult::kOk);
  EXPECT_EQ(text.size(), 1023u);

  FakePort unterminated;  // ends by silence, in two pieces, with NULs dropped
  unterminated.Send(std::vector<uint8_t>{'A', 0, 'B'});
  unterminated.Send("\rC", 3000);
  ASSERT_EQ(ReadFlashDirectory(&unterminated, text), DirectoryResult::kOk);
  EXPECT_EQ(text, "AB\rC");
}

TEST(SplitFlashDirectory, SummaryEntriesAndTextWithoutCr) {
  FlashDirectory d = SplitFlashDirectory("ONLY ONE ENTRY");
  EXPECT_EQ(d.summary, "");
  EXPECT_EQ(d.entries, (std::vector<std::string>{"ONLY ONE ENTRY"}));

  d = SplitFlashDirectory("3 files  \r\n a.57x  \r\n\r\n   \r\nb.57x\rc.57x \t");
  EXPECT_EQ(d.summary, "3 files");
  EXPECT_EQ(d.entries, (std::vector<std::string>{"a.57x", "b.57x", "c.57x"}));

  d = SplitFlashDirectory("Summary only\r\n");
  EXPECT_EQ(d.summary, "Summary only");
  EXPECT_TRUE(d.entries.empty());

  EXPECT_TRUE(SplitFlashDirectory("").entries.empty());
}

}  // namespace
