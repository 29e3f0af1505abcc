#include <gtest/gtest.h>

#include "FakeLink.h"
#include "link/SerialIo.h"
#include "link/SerialLinkPort.h"

namespace {

TEST(ReadPort, SilentLineGivesNothingAfterAboutTenSeconds) {
  FakePort port;
  uint8_t buffer[8];
  const int64_t start = port.clock.ms;
  EXPECT_EQ(ReadPort(buffer, 8, &port, false), 0);
  const int64_t elapsed = port.clock.ms - start;
  EXPECT_GE(elapsed, 8500);
  EXPECT_LE(elapsed, 10500);
}

TEST(ReadPort, AFailedPortEndsTheReadAtOnce) {
  FakePort port;
  port.Send("AB", 100);
  port.failReadsAt = port.clock.ms + 300;
  uint8_t buffer[8];
  const int64_t start = port.clock.ms;
  EXPECT_EQ(ReadPort(buffer, 8, &port, false), 2);
  EXPECT_LT(port.clock.ms - start, 1000);
  EXPECT_EQ(ReadPort(buffer, 8, &port, false), 0);
  EXPECT_LT(port.clock.ms - start, 1000);
  EXPECT_EQ(WriteEchoed(buffer, 2, &port), 0);
}

TEST(ReadPort, AssemblesPiecesAndEndsAfterFiveQuietSeconds) {
  FakePort port;
  port.Send("AB", 1200);
  port.Send("CD", 3900);  // a pause shorter than the time-out
  port.Send("EF", 6000);  // after a pause long enough to end the read
  uint8_t buffer[8] = {};
  const int64_t start = port.clock.ms;
  EXPECT_EQ(ReadPort(buffer, 8, &port, false), 4);
  EXPECT_EQ(std::string(buffer, buffer + 4), "ABCD");
  // The quiet time lies between four and five seconds on the one-second clock.
  const int64_t quiet = port.clock.ms - (start + 1200 + 3900);
  EXPECT_GE(quiet, 4000);
  EXPECT_LE(quiet, 5250);
}

TEST(ReadPort, NeverStoresMoreThanAsked) {
  FakePort port;
  port.Send("0123456789");
  uint8_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), 0xEE);
  EXPECT_EQ(ReadPort(buffer, 5, &port, false), 5);
  EXPECT_EQ(std::string(buffer, buffer + 5), "01234");
  EXPECT_EQ(buffer[5], 0xEE);
  EXPECT_EQ(port.BytesWaiting(), 5);

  FakePort echoing;
  echoing.Send("xyz");
  EXPECT_EQ(ReadPort(buffer, 2, &echoing, true), 2);
  EXPECT_EQ(echoing.SentText(), "xy");  // every byte taken is written straight back
}

TEST(WriteEchoed, VerifiesEveryByteAgainstItsEcho) {
  FakePort good;
  good.onByte = [](FakePort& p, uint8_t b) { p.Send(std::vector<uint8_t>{b}); };
  const uint8_t data[] = {'1', 'X', 'S', 'U'};
  EXPECT_EQ(WriteEchoed(data, 4, &good), 4);

  FakePort wrong;
  wrong.onByte = [](FakePort& p, uint8_t b) {
    p.Send(std::vector<uint8_t>{static_cast<uint8_t>(b == 'S' ? 's' : b)});
  };
  EXPECT_EQ(WriteEchoed(data, 4, &wrong), 2);
  EXPECT_EQ(wrong.SentText(), "1XS");  // stops at the byte whose echo differed

  FakePort silent;
  const int64_t start = silent.clock.ms;
  EXPECT_EQ(WriteEchoed(data, 4, &silent), 0);
  EXPECT_EQ(silent.SentText(), "1");
  EXPECT_GE(silent.clock.ms - start, 4000);
  EXPECT_LE(silent.clock.ms - start, 5250);

  FakePort refusing;
  refusing.failWrites = true;
  EXPECT_EQ(WriteEchoed(data, 4, &refusing), 0);
}

TEST(ReadHex, AcceptsEitherCaseAndStopsAtANonDigit) {
  uint8_t buffer[4] = {};
  FakePort lower;
  lower.Send("4f4F00");
  EXPECT_EQ(ReadHex(buffer, 3, &lower, true), 3);
  EXPECT_EQ(buffer[0], 0x4F);
  EXPECT_EQ(buffer[1], 0x4F);
  EXPECT_EQ(buffer[2], 0x00);
  EXPECT_EQ(lower.SentText(), "4f4F00");

  FakePort bad;
  bad.Send("A14g99");
  EXPECT_EQ(ReadHex(buffer, 3, &bad, false), 1);
  EXPECT_EQ(buffer[0], 0xA1);
}

TEST(WriteHex, SendsUppercaseDigitPairs) {
  FakePort port;
  port.onByte = [](FakePort& p, uint8_t b) { p.Send(std::vector<uint8_t>{b}); };
  const uint8_t data[] = {0xAB, 0x0F, 0x90};
  EXPECT_EQ(WriteHex(data, 3, &port), 3);
  EXPECT_EQ(port.SentText(), "AB0F90");
}

TEST(Primitives, NullPortDoesNothing) {
  uint8_t buffer[2] = {};
  EXPECT_EQ(ReadPort(buffer, 2, nullptr, false), 0);
  EXPECT_EQ(WriteEchoed(buffer, 2, nullptr), 0);
  EXPECT_EQ(ReadHex(buffer, 1, nullptr, true), 0);
  EXPECT_EQ(WriteHex(buffer, 1, nullptr), 0);
  EXPECT_FALSE(WriteCommand("VER", nullptr));
}

// The flow's port is closed by CloseComPort: the last bytes written must get out before any
// purge, and output is thrown away only when it cannot leave at all.
TEST(CloseComPort, DrainsBeforePurgingAndPurgesOutputOnlyWhenStuck) {
  std::vector<std::string> events;
  struct Probe : FakePort {
    std::vector<std::string>* log;
    ~Probe() override { *log = events; }
  };
  auto drained = std::make_unique<Probe>();
  drained->log = &events;
  std::unique_ptr<LinkPort> port = std::move(drained);
  CloseComPort(port);
  EXPECT_FALSE(port);
  EXPECT_EQ(events, (std::vector<std::string>{"drain", "purge-in"}));

  auto stuck = std::make_unique<Probe>();
  stuck->log = &events;
  stuck->drains = false;
  port = std::move(stuck);
  CloseComPort(port);
  EXPECT_EQ(events, (std::vector<std::string>{"drain", "purge-in", "purge-out"}));
}

}  // namespace
