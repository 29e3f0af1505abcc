// The exchange machines on their own, in virtual time: bytes and milliseconds in, writes out.

#include <gtest/gtest.h>

#include <string>

#include "link/CommandExchange.h"
#include "link/DirectoryRead.h"

namespace {

constexpr int64_t kStart = 1'000'000'400;  // mid-second, so the one-second clock's rounding shows

std::string Written(const LineStep& step, bool* decides = nullptr) {
  std::string text;
  for (const LineWrite& w : step.writes) {
    text.append(w.bytes.begin(), w.bytes.end());
    if (decides) *decides = w.decides;
  }
  return text;
}

LineStep Feed(LineMachine& m, const std::string& bytes, int64_t at) {
  return m.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), at);
}

// Ticks every 250 ms (a read that brought nothing) from `from` until the machine is done; the
// time it ended.
int64_t TickUntilDone(LineMachine& m, int64_t from, int64_t limit = 60'000) {
  int64_t now = from;
  while (!m.Done() && now - from < limit) {
    now += 250;
    m.Tick(now);
  }
  return now;
}

TEST(CommandExchange, EchoesWhatItReceivesAndSendsAgainstTheEcho) {
  // "R" echoed, two hex digits each in a read of its own, then "Q," sent against its echo.
  CommandExchange x;
  x.Receive(1, true, CharRule::Exactly('R'), true);
  x.Receive(2, true, CharRule::HexDigit(), true);
  x.SendEchoed("Q,");
  EXPECT_TRUE(x.Start(kStart).writes.empty());
  EXPECT_EQ(x.Want().minimum, 1);
  EXPECT_EQ(x.Want().maximum, 1);  // an echoing read takes one byte at a time
  bool decides = true;
  EXPECT_EQ(Written(Feed(x, "R", kStart + 10), &decides), "R");
  EXPECT_FALSE(decides);  // an echo's write is not checked
  EXPECT_EQ(Written(Feed(x, "a", kStart + 20)), "a");
  // The last digit ends the receive step; the first character to send goes with its echo.
  EXPECT_EQ(Written(Feed(x, "F", kStart + 30), &decides), "FQ");
  EXPECT_TRUE(decides);
  EXPECT_EQ(x.StepsDone(), 2u);
  EXPECT_EQ(Written(Feed(x, "Q", kStart + 40)), ",");
  EXPECT_FALSE(x.Done());
  EXPECT_TRUE(Written(Feed(x, ",", kStart + 50)).empty());
  EXPECT_TRUE(x.Succeeded());
  EXPECT_EQ(std::string(x.Received().begin(), x.Received().end()), "RaF");
  EXPECT_EQ(x.EchoedCount(), 2);
}

TEST(CommandExchange, TheFirstCharacterThatFailsEndsIt) {
  CommandExchange bad;
  bad.Receive(4, true, CharRule::HexDigit(), true);
  bad.Receive(1, true, CharRule::Exactly(','), true);
  bad.Start(kStart);
  Feed(bad, "4", kStart + 1);
  // Echoed as it came, then looked at: not a digit, so nothing more is taken.
  EXPECT_EQ(Written(Feed(bad, "g", kStart + 2)), "g");
  EXPECT_TRUE(bad.Done());
  EXPECT_FALSE(bad.Succeeded());
  EXPECT_EQ(bad.StepsDone(), 0u);
  EXPECT_EQ(std::string(bad.Received().begin(), bad.Received().end()), "4");

  CommandExchange wrongEcho;
  wrongEcho.SendEchoed("1XSU");
  EXPECT_EQ(Written(wrongEcho.Start(kStart)), "1");
  EXPECT_EQ(Written(Feed(wrongEcho, "1", kStart + 5)), "X");
  EXPECT_TRUE(Written(Feed(wrongEcho, "x", kStart + 10)).empty());
  EXPECT_FALSE(wrongEcho.Succeeded());
  EXPECT_EQ(wrongEcho.EchoedCount(), 1);

  // A port that failed (or refused a character): the exchange ends there.
  CommandExchange aborted;
  aborted.SendEchoed("AB");
  aborted.Start(kStart);
  aborted.Abort();
  EXPECT_TRUE(aborted.Done());
  EXPECT_FALSE(aborted.Succeeded());
}

TEST(CommandExchange, TimingOnTheOneSecondClock) {
  // A character of its own read: five seconds for it to begin, then the read's own five.
  CommandExchange silent;
  silent.Receive(1, true, CharRule::Any(), true);
  silent.Start(kStart);
  const int64_t ended = TickUntilDone(silent, kStart);
  EXPECT_FALSE(silent.Succeeded());
  EXPECT_GE(ended - kStart, 8500);
  EXPECT_LE(ended - kStart, 10250);

  // Once data flows, one read ends five quiet seconds (four to five real ones) after the last
  // byte.
  CommandExchange pieces;
  pieces.Receive(6, false, CharRule::Any(), false);
  pieces.Start(kStart);
  EXPECT_EQ(pieces.Want().minimum, 6);  // a plain read waits for all it wants
  Feed(pieces, "AB", kStart + 1200);
  const int64_t last = kStart + 1200 + 3900;  // a pause shorter than the time-out
  pieces.Tick(last - 10);
  Feed(pieces, "CD", last);
  EXPECT_FALSE(pieces.Done());
  const int64_t quiet = TickUntilDone(pieces, last) - last;
  EXPECT_GE(quiet, 4000);
  EXPECT_LE(quiet, 5250);
  EXPECT_FALSE(pieces.Succeeded());  // four of six
  EXPECT_EQ(std::string(pieces.Received().begin(), pieces.Received().end()), "ABCD");

  // An echo that does not come: four to five seconds.
  CommandExchange noEcho;
  noEcho.SendEchoed("Q");
  noEcho.Start(kStart);
  const int64_t gaveUp = TickUntilDone(noEcho, kStart) - kStart;
  EXPECT_GE(gaveUp, 4000);
  EXPECT_LE(gaveUp, 5250);
}

TEST(DirectoryRead, TheEndByteEndsTheReadTheMomentItArrives) {
  DirectoryRead read;
  read.Start(kStart);
  EXPECT_EQ(read.Want().minimum, 1);  // a read returns with the first byte
  EXPECT_EQ(read.Want().maximum, DirectoryRead::kRoom);
  Feed(read, "\r\n2 Flash Files\r\nA.57x", kStart + 300);
  EXPECT_EQ(read.Want().maximum, DirectoryRead::kRoom - 22);
  Feed(read, "\r\nB.57x\r\n", kStart + 320);
  EXPECT_FALSE(read.Done());
  Feed(read, "\xFF", kStart + 330);
  EXPECT_TRUE(read.Done());  // no quiet wait after it
  EXPECT_EQ(read.Text(), "2 Flash Files\r\nA.57x\r\nB.57x");

  // Only the last byte of what has arrived counts: an 0xFF followed by more is text to drop.
  DirectoryRead inside;
  inside.Start(kStart);
  Feed(inside,
       std::string("A\xFF"
                   "B\0C",
                   5),
       kStart + 10);
  EXPECT_FALSE(inside.Done());
  Feed(inside, "\xFF", kStart + 20);
  EXPECT_TRUE(inside.Done());
  EXPECT_EQ(inside.Text(), "ABC");
}

TEST(DirectoryRead, SilenceAndAFullRoomEndItToo) {
  // Nothing at all: the first read's ten seconds, then no new read.
  DirectoryRead silent;
  silent.Start(kStart);
  const int64_t ended = TickUntilDone(silent, kStart) - kStart;
  EXPECT_GE(ended, 8500);
  EXPECT_LE(ended, 10250);
  EXPECT_TRUE(silent.Bytes().empty());

  // Text without the end byte: the read ends five quiet seconds after it; one more read follows
  // (it begins within five seconds of that data) and finds nothing in its ten.
  DirectoryRead open;
  open.Start(kStart);
  Feed(open, "ONLY ONE ENTRY", kStart + 200);
  const int64_t after = TickUntilDone(open, kStart + 200) - (kStart + 200);
  EXPECT_GE(after, 13000);
  EXPECT_LE(after, 15250);
  EXPECT_EQ(open.Text(), "ONLY ONE ENTRY");

  // More than the room: the first 1023 bytes, then the read is over.
  DirectoryRead flood;
  flood.Start(kStart);
  Feed(flood, std::string(1500, 'a'), kStart + 5);
  EXPECT_TRUE(flood.Done());
  EXPECT_EQ(flood.Text().size(), 1023u);
}

}  // namespace
