// The receive's state machine on its own: bytes and time in, answers and data out, with the input
// cut every way a driver may cut it.

#include <gtest/gtest.h>

#include <algorithm>

#include "link/FlashReceiver.h"

namespace {

constexpr uint8_t SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;
constexpr uint32_t kMarker = 256;

std::vector<uint8_t> Data(int block) {
  std::vector<uint8_t> data(128);
  for (int i = 0; i < 128; ++i) data[static_cast<size_t>(i)] = static_cast<uint8_t>(block * 7 + i);
  data[5] = EOT;  // control bytes inside a packet are data
  data[9] = CAN;
  data[10] = SOH;
  return data;
}

std::vector<uint8_t> Packet(int block) {
  const std::vector<uint8_t> data = Data(block);
  std::vector<uint8_t> p = {SOH, static_cast<uint8_t>(block), static_cast<uint8_t>(~block)};
  p.insert(p.end(), data.begin(), data.end());
  const uint16_t crc = Crc16(data.data(), data.size());
  p.push_back(static_cast<uint8_t>(crc >> 8));
  p.push_back(static_cast<uint8_t>(crc));
  return p;
}

// What the file must hold after blocks 1..count: their data, the marker in front.
std::vector<uint8_t> FileOf(int count) {
  std::vector<uint8_t> file;
  for (int b = 1; b <= count; ++b) {
    const std::vector<uint8_t> data = Data(b);
    file.insert(file.end(), data.begin(), data.end());
  }
  for (int k = 0; k < 4; ++k) file[static_cast<size_t>(k)] = static_cast<uint8_t>(kMarker >> 8 * k);
  return file;
}

// Drives a receiver the way a port driver does: reads of at most what it wants, a tick for every
// read that brought nothing (a read waits out 250 ms).
struct Driver {
  FlashReceiver receiver{kMarker};
  int64_t now = 5000;
  std::vector<uint8_t> sent, file;

  Driver() { Take(receiver.Start(now)); }
  void Take(const ReceiveStep& step) {
    sent.insert(sent.end(), step.send.begin(), step.send.end());
    file.insert(file.end(), step.data.begin(), step.data.end());
  }
  // Hands `bytes` over in reads of `chunk` bytes (never more than the receiver wants when
  // `bounded`), 5 ms apart.
  void Feed(const std::vector<uint8_t>& bytes, size_t chunk, bool bounded = false) {
    for (size_t at = 0; at < bytes.size() && receiver.Phase() != ReceivePhase::kEnded;) {
      size_t n = std::min(chunk, bytes.size() - at);
      if (bounded) n = std::min(n, static_cast<size_t>(receiver.Want().maximum));
      now += 5;
      Take(receiver.Feed(bytes.data() + at, n, now));
      at += n;
    }
  }
  void Quiet(int64_t ms) {
    for (int64_t end = now + ms; now < end && receiver.Phase() != ReceivePhase::kEnded;) {
      now += 250;
      Take(receiver.Tick(now));
    }
  }
  std::vector<uint8_t> Replies() const {  // after the start request
    return std::vector<uint8_t>(sent.begin() + 4, sent.end());
  }
};

std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(FlashReceiver, TheSameTransferWhateverTheReadsLookLike) {
  const std::vector<uint8_t> line = Concat({Packet(1), Packet(2), Packet(3), {EOT}});
  // Byte by byte, odd chunks, a packet split across reads, two packets and more in one read.
  for (size_t chunk : {size_t{1}, size_t{2}, size_t{7}, size_t{60}, size_t{132}, size_t{133},
                       size_t{134}, size_t{266}, size_t{400}}) {
    Driver d;
    d.Feed(line, chunk);
    d.Quiet(250);  // an EOT counts once the line stays quiet
    EXPECT_EQ(d.receiver.End(), ReceiveEvent::kEot) << chunk;
    EXPECT_EQ(d.file, FileOf(3)) << chunk;
    EXPECT_EQ(d.Replies(), (std::vector<uint8_t>{ACK, ACK, ACK, ACK})) << chunk;
    const ReceiveProgress& p = d.receiver.Progress();
    EXPECT_EQ(p.packets, 3);
    EXPECT_EQ(p.dataBytes, 384);
    EXPECT_EQ(p.lineBytes, 399);  // headers counted, the EOT not
    EXPECT_EQ(p.lastEvent, ReceiveEvent::kEot);
    EXPECT_EQ(p.phase, ReceivePhase::kEnded);
  }
}

TEST(FlashReceiver, AnswersAPacketTheMomentItIsComplete) {
  Driver d;
  const std::vector<uint8_t> p1 = Packet(1);
  d.Feed(std::vector<uint8_t>(p1.begin(), p1.end() - 1), 200);
  EXPECT_EQ(d.Replies().size(), 0u);
  EXPECT_EQ(d.receiver.Want().minimum, 1);  // inside a packet: the rest of it
  EXPECT_EQ(d.receiver.Want().maximum, 1);
  d.Take(d.receiver.Feed(&p1.back(), 1, d.now + 1));
  EXPECT_EQ(d.Replies(), std::vector<uint8_t>{ACK});
  // At a packet start a read returns with the first byte alone (an EOT is dated when it came,
  // nothing after a CAN is taken).
  EXPECT_EQ(d.receiver.Want().minimum, 1);
  EXPECT_EQ(d.receiver.Want().maximum, 1);
}

TEST(FlashReceiver, AnEotCountsOnlyOnAQuietLine) {
  Driver d;
  d.Feed(Concat({Packet(1), {EOT}}), 500);
  d.Take(d.receiver.Tick(d.now + 100));
  EXPECT_EQ(d.receiver.Phase(), ReceivePhase::kReceiving);  // not yet: may be a damaged packet
  d.Take(d.receiver.Tick(d.now + 250));
  EXPECT_EQ(d.receiver.End(), ReceiveEvent::kEot);

  // A packet whose first byte was hit into EOT: the rest follows, is dropped until the line is
  // quiet, and answered with NAK; the packet sent again is taken.
  Driver hit;
  std::vector<uint8_t> damaged = Packet(2);
  damaged[0] = EOT;
  hit.Feed(Concat({Packet(1), damaged}), 50);
  EXPECT_EQ(hit.Replies(), std::vector<uint8_t>{ACK});
  hit.Quiet(250);
  EXPECT_EQ(hit.Replies(), (std::vector<uint8_t>{ACK, NAK}));
  EXPECT_EQ(hit.receiver.Progress().lastEvent, ReceiveEvent::kInvalid);
  hit.Feed(Concat({Packet(2), {EOT}}), 133);
  hit.Quiet(250);
  EXPECT_EQ(hit.receiver.End(), ReceiveEvent::kEot);
  EXPECT_EQ(hit.file, FileOf(2));
}

TEST(FlashReceiver, NoiseBetweenPacketsCostsOnlyTheDamagedPacket) {
  Driver d;
  // Three stray bytes after packet 1 shift packet 2: the shifted block is refused with NAK, the
  // bytes left over sit as a partial packet until its ten seconds are up (NAK), the idle deadline
  // of the refused block has passed by then too (NAK), and the sender's repeat of packet 2 is
  // taken.
  d.Feed(Concat({Packet(1), {0x55, 0xAA, 0x00}, Packet(2)}), 37, true);
  EXPECT_EQ(d.Replies(), (std::vector<uint8_t>{ACK, NAK}));
  EXPECT_EQ(d.receiver.Progress().refused, 1);
  d.Quiet(9000);
  EXPECT_EQ(d.Replies().size(), 2u);  // the partial packet is still waited for
  d.Quiet(1500);
  EXPECT_EQ(d.Replies(), (std::vector<uint8_t>{ACK, NAK, NAK, NAK}));
  d.Feed(Concat({Packet(2), Packet(2), Packet(3), {EOT}}), 133, true);
  d.Quiet(250);
  EXPECT_EQ(d.Replies(), (std::vector<uint8_t>{ACK, NAK, NAK, NAK, ACK, ACK, ACK, ACK}));
  EXPECT_EQ(d.receiver.Progress().repeats, 1);
  EXPECT_EQ(d.file, FileOf(3));
}

TEST(FlashReceiver, DeadlinesAndBytesArrivingAsTheyExpire) {
  Driver d;
  // Start requests every three seconds, then no more waiting after ten.
  for (int64_t t = 1000; t <= 10000; t += 1000) d.Take(d.receiver.Tick(d.now + t));
  EXPECT_EQ(std::count(d.sent.begin(), d.sent.end(), 'C'), 4);
  EXPECT_EQ(d.receiver.End(), ReceiveEvent::kNoStart);

  Driver idle;
  idle.Feed(Packet(1), 133);
  const int64_t after = idle.now;
  idle.Take(idle.receiver.Tick(after + 9999));
  EXPECT_EQ(idle.Replies(), std::vector<uint8_t>{ACK});
  // Bytes handed over at the very moment the idle deadline expires are data, not silence.
  const std::vector<uint8_t> p2 = Packet(2);
  idle.Take(idle.receiver.Feed(p2.data(), p2.size(), after + 10000));
  EXPECT_EQ(idle.Replies(), (std::vector<uint8_t>{ACK, ACK}));
  // Silence brings a NAK every ten seconds.
  idle.now = after + 10000;
  idle.Quiet(30000);
  EXPECT_EQ(idle.Replies(), (std::vector<uint8_t>{ACK, ACK, NAK, NAK, NAK}));
  EXPECT_EQ(idle.receiver.Progress().lastEvent, ReceiveEvent::kTimeout);
}

TEST(FlashReceiver, EndingsCanOutOfSequenceAndCancel) {
  Driver can;
  can.Feed(Concat({Packet(1), {CAN}, Packet(2)}), 500);
  EXPECT_EQ(can.receiver.End(), ReceiveEvent::kCan);
  EXPECT_EQ(can.Replies(), (std::vector<uint8_t>{ACK, ACK}));
  EXPECT_EQ(can.file, FileOf(1));  // nothing after the CAN is taken

  Driver jump;
  jump.Feed(Concat({Packet(1), Packet(3)}), 133);
  EXPECT_EQ(jump.receiver.End(), ReceiveEvent::kOutOfSequence);
  EXPECT_EQ(jump.Replies(), (std::vector<uint8_t>{ACK, CAN}));

  Driver user;
  user.Feed(Packet(1), 100);
  user.Take(user.receiver.Cancel());
  EXPECT_EQ(user.receiver.End(), ReceiveEvent::kCancelled);
  user.Take(user.receiver.Cancel());  // once ended, nothing more goes out
  user.Take(user.receiver.Tick(user.now + 20000));
  EXPECT_EQ(user.Replies(), (std::vector<uint8_t>{ACK, CAN}));
}

}  // namespace
