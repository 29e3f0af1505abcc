#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>

#include "FakeLink.h"
#include "file/Interrupt.h"
#include "link/FlashReceive.h"
#include "link/LinkMessages.h"

namespace {

constexpr uint8_t SOH = 0x01, EOT = 0x04, ACK = 0x06, NAK = 0x15, CAN = 0x18;
const std::string kNewFirmware = "21 Sep 2005 57x";
const std::string kOldFirmware = "20 Sep 2005 57x";

std::vector<uint8_t> Data(int block) {
  std::vector<uint8_t> data(128);
  for (int i = 0; i < 128; ++i) data[static_cast<size_t>(i)] = static_cast<uint8_t>(block * 31 + i);
  return data;
}

std::vector<uint8_t> Packet(int block, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> p(133);
  p[0] = SOH;
  p[1] = static_cast<uint8_t>(block);
  p[2] = static_cast<uint8_t>(~block);
  std::copy(data.begin(), data.begin() + 128, p.begin() + 3);
  const uint16_t crc = Crc16(data.data(), 128);
  p[131] = static_cast<uint8_t>(crc >> 8);
  p[132] = static_cast<uint8_t>(crc);
  return p;
}
std::vector<uint8_t> Packet(int block) {
  return Packet(block, Data(block));
}

// One more transfer on a port of its own: `start` queues the instrument's bytes at the first start
// request, `onNak` answers every NAK.
int ReceiveOnce(const std::string& path, const std::function<void(FakePort&)>& start,
                ReceiveReport& report, const std::function<void(FakePort&)>& onNak = nullptr) {
  FakePort port;
  FakePrompt prompt;
  bool started = false;
  port.onByte = [&](FakePort& p, uint8_t b) {
    if (b == 'C' && !started) {
      started = true;
      start(p);
    }
    if (b == NAK && onNak) onNak(p);
  };
  return ReceiveFlashFile(&port, 1, path, kNewFirmware, prompt, &report);
}

class FlashReceiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ =
        (std::filesystem::temp_directory_path() /
         ("meterlog2_receive_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
          "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".57x"))
            .string();
  }
  void TearDown() override {
    std::filesystem::remove(path_);
    std::filesystem::remove(path_ + ".partial");
    for (int n = 1; n <= 3; ++n) std::filesystem::remove(path_ + ".partial." + std::to_string(n));
  }

  // The instrument starts sending `delay` ms after the first start request.
  void StartAfter(int64_t delay, const std::vector<std::vector<uint8_t>>& chunks,
                  int64_t gap = 200) {
    plan_ = chunks;
    port_.onByte = [this, delay, gap](FakePort& p, uint8_t b) {
      if (b == 'C' && !started_) {
        started_ = true;
        int64_t at = p.clock.ms + delay;
        for (const auto& chunk : plan_) {
          p.SendAt(at, chunk);
          at += gap;
        }
      }
    };
  }
  int Receive(const std::string& firmware = kNewFirmware, int file = 3) {
    return ReceiveFlashFile(&port_, file, path_, firmware, prompt_, &report_);
  }
  std::vector<uint8_t> FileBytes() const { return ReadAll(path_); }
  // After a failure: the target is as it was (here: absent), the data received so far beside it.
  std::vector<uint8_t> PartialBytes() const {
    EXPECT_FALSE(std::filesystem::exists(path_));
    EXPECT_EQ(report_.partialPath, path_ + ".partial");
    return ReadAll(path_ + ".partial");
  }
  static std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  // The control bytes the program sent after the start requests.
  std::vector<uint8_t> Replies() const {
    std::vector<uint8_t> out;
    for (uint8_t b : port_.sent) {
      if (b == ACK || b == NAK || b == CAN) out.push_back(b);
    }
    return out;
  }

  FakePort port_;
  FakePrompt prompt_;
  ReceiveReport report_;
  std::string path_;
  std::vector<std::vector<uint8_t>> plan_;
  std::vector<int64_t> nakAt_;
  bool started_ = false;
  int64_t firstRequestAt() const {
    for (size_t i = 0; i < port_.sent.size(); ++i) {
      if (port_.sent[i] == 'C') return port_.sentAt[i];
    }
    return 0;
  }
};

TEST(Crc16, MatchesTheXmodemCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
  EXPECT_EQ(Crc16(nullptr, 0), 0);
}

TEST_F(FlashReceiveTest, CleanTransferWritesPacketsWithTheFormatMarker) {
  StartAfter(500, {Packet(1), Packet(2), Packet(3), {EOT}});
  EXPECT_EQ(Receive(), 1);
  const std::vector<uint8_t> file = FileBytes();
  ASSERT_EQ(file.size(), 384u);
  EXPECT_EQ((std::vector<uint8_t>(file.begin(), file.begin() + 4)),
            (std::vector<uint8_t>{0, 1, 0, 0}));
  EXPECT_TRUE(std::equal(file.begin() + 4, file.begin() + 128, Data(1).begin() + 4));
  EXPECT_TRUE(std::equal(file.begin() + 256, file.end(), Data(3).begin()));
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, ACK, ACK, ACK}));
  const std::string sent = port_.SentText();
  EXPECT_EQ(sent.substr(0, 8), std::string("3SLDC\0\0\0", 8));
  EXPECT_EQ(report_.packets, 3);
  EXPECT_EQ(prompt_.progress.texts.front(), "Preparing to receive Flash File...");
  EXPECT_EQ(prompt_.progress.texts.back(), "Received an EOT...");
  EXPECT_NE(std::find(prompt_.progress.texts.begin(), prompt_.progress.texts.end(),
                      "Receiving Flash File...\nPackets: 3 / Bytes: 399"),
            prompt_.progress.texts.end());
  EXPECT_EQ(prompt_.waitDepth, 0);
  EXPECT_EQ(prompt_.progress.calls,
            (std::vector<std::string>{"create0", "hide", "create1", "hide", "hide"}));
}

TEST_F(FlashReceiveTest, ProgressCountsDataBytesAgainstTheEntrySize) {
  StartAfter(500, {Packet(1), Packet(2), Packet(3), {EOT}}, 1000);
  EXPECT_EQ(ReceiveFlashFile(&port_, 1, path_, kNewFirmware, prompt_, &report_, 300), 1);
  const std::vector<TransferProgress>& t = prompt_.progress.transfers;
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t.back().packets, 3);
  EXPECT_EQ(t.back().dataBytes, 384);  // without the packet headers
  EXPECT_EQ(t.back().lineBytes, 399);
  EXPECT_EQ(t.back().expectedBytes, 300);
  EXPECT_EQ(PercentDone(t.back()), 100);  // the last block's padding does not go past 100
  EXPECT_EQ(t.back().elapsedMs, 2000);    // from the first byte, in virtual time
  // The count grows packet by packet.
  for (size_t i = 1; i < t.size(); ++i) EXPECT_GE(t[i].dataBytes, t[i - 1].dataBytes);
}

TEST(TransferProgress, PercentageAndTimeLeft) {
  TransferProgress p;
  p.dataBytes = 1280;
  EXPECT_EQ(PercentDone(p), -1);  // the size is not known
  EXPECT_EQ(SecondsLeft(p), -1);
  p.expectedBytes = 6400;
  p.elapsedMs = 999;
  EXPECT_EQ(PercentDone(p), 20);
  EXPECT_EQ(SecondsLeft(p), -1);  // less than a second of data: no estimate yet
  p.elapsedMs = 2000;
  EXPECT_EQ(SecondsLeft(p), 8);  // 5120 bytes at 640 bytes/s
  p.elapsedMs = 2001;
  EXPECT_EQ(SecondsLeft(p), 9);  // rounded up
  p.dataBytes = 6528;
  EXPECT_EQ(PercentDone(p), 100);
  EXPECT_EQ(SecondsLeft(p), 0);
}

TEST(TransferProgress, OneLineOfNumbersForTheToolAndTheWindow) {
  TransferProgress p;
  p.packets = 10;
  p.lineBytes = 1330;
  p.dataBytes = 1280;
  EXPECT_EQ(TransferText(p), "");  // the size is not known: the line bytes alone
  EXPECT_EQ(TransferLine(p), "Packets: 10 / Bytes: 1330");
  p.expectedBytes = 6400;
  p.elapsedMs = 500;
  EXPECT_EQ(TransferText(p), "20 %");
  p.elapsedMs = 2000;
  EXPECT_EQ(TransferText(p), "20 %, about 8 s left");
  EXPECT_EQ(TransferLine(p), "Packets: 10 / Bytes: 1330 (20 %, about 8 s left)");
  // The window's text above it counts the same bytes.
  EXPECT_EQ(ReceivingText(p.packets, p.lineBytes),
            "Receiving Flash File...\n" + TransferLine({10, 1330}));
}

TEST(DownloadFailureLines, SayWhatHappenedToTheTargetAndWhereTheDataIs) {
  const std::filesystem::path target =
      std::filesystem::temp_directory_path() / "meterlog2_failure_lines.57x";
  std::filesystem::remove(target);
  ReceiveReport report;
  report.end = ReceiveEnd::kOutOfSequence;
  report.fileCreated = true;
  report.packets = 3;
  report.dataBytes = 384;
  report.partialPath = target;
  report.partialPath += ".partial";
  const std::string name = target.string();
  EXPECT_EQ(
      DownloadFailureLines(report, target),
      (std::vector<std::string>{
          "The download of " + name +
              " failed: the instrument sent a block out of sequence; the transfer was "
              "cancelled.",
          "The data received so far (3 packets, 384 bytes) was kept as " + name + ".partial."}));

  // An earlier file at the target, an earlier partial file beside it, a cancel with its reason.
  { std::ofstream(target) << "earlier"; }
  report.end = ReceiveEnd::kCancelled;
  report.partialPath += ".1";
  EXPECT_EQ(DownloadFailureLines(report, target, "interrupted"),
            (std::vector<std::string>{
                "The download of " + name + " was cancelled (interrupted).",
                name + " was left as it was.",
                "The data received so far (3 packets, 384 bytes) was kept as " + name +
                    ".partial.1; " + name + ".partial was there already and was left as it was."}));
  std::filesystem::remove(target);

  // A target near the longest name a folder takes: its partial file's name was cut to fit.
  const std::filesystem::path longTarget =
      std::filesystem::temp_directory_path() / (std::string(240, 'x') + ".57x");
  ReceiveReport cut = report;
  cut.partialPath = std::filesystem::temp_directory_path() / (std::string(240, 'x') + "~.partial");
  const std::vector<std::string> lines = DownloadFailureLines(cut, longTarget, "interrupted");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "The data received so far (3 packets, 384 bytes) was kept as " +
                          cut.partialPath.string() + " (the usual name, " + longTarget.string() +
                          ".partial, is longer than a file name may be).");

  // Nothing could be created: no word of a target or of kept data.
  ReceiveReport refused;
  refused.end = ReceiveEnd::kCannotCreateFile;
  refused.fileError = "Permission denied";
  EXPECT_EQ(DownloadFailureLines(refused, target),
            std::vector<std::string>{"The download of " + name +
                                     " failed: the output file could not be created (Permission "
                                     "denied)."});
}

TEST_F(FlashReceiveTest, OldFirmwareGetsMarkerOne) {
  StartAfter(100, {Packet(1), {EOT}});
  EXPECT_EQ(Receive(kOldFirmware), 1);
  const std::vector<uint8_t> file = FileBytes();
  EXPECT_EQ((std::vector<uint8_t>(file.begin(), file.begin() + 4)),
            (std::vector<uint8_t>{1, 0, 0, 0}));
}

TEST_F(FlashReceiveTest, BadCrcIsRefusedThenTheResentPacketIsAccepted) {
  std::vector<uint8_t> bad = Packet(2);
  bad[132] ^= 0x55;
  std::vector<uint8_t> badHeader = Packet(2);
  badHeader[0] = 0x02;
  std::vector<uint8_t> badComplement = Packet(2);
  badComplement[2] ^= 1;
  StartAfter(100, {Packet(1), bad, badHeader, badComplement, Packet(2), {EOT}});
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, NAK, NAK, NAK, ACK, ACK}));
  EXPECT_EQ(FileBytes().size(), 256u);
  EXPECT_NE(std::find(prompt_.progress.texts.begin(), prompt_.progress.texts.end(),
                      "Received an invalid packet..."),
            prompt_.progress.texts.end());
}

TEST_F(FlashReceiveTest, RepeatedPacketIsAcknowledgedButNotWritten) {
  StartAfter(100,
             {Packet(1), Packet(2), Packet(3), Packet(4), Packet(5), Packet(5), Packet(6), {EOT}});
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(FileBytes().size(), 6u * 128);
  EXPECT_EQ(Replies(), std::vector<uint8_t>(8, ACK));
  EXPECT_EQ(report_.packets, 6);
}

TEST_F(FlashReceiveTest, OutOfSequenceBlockCancelsAndKeepsWhatCameBefore) {
  StartAfter(100, {Packet(1), Packet(2), Packet(3), Packet(4), Packet(7), Packet(5)});
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kOutOfSequence);
  EXPECT_EQ(PartialBytes().size(), 4u * 128);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, ACK, ACK, ACK, CAN}));
}

TEST_F(FlashReceiveTest, BlockNumbersWrapFrom255ToZero) {
  std::vector<std::vector<uint8_t>> plan;
  for (int n = 1; n <= 255; ++n) plan.push_back(Packet(n));
  plan.push_back(Packet(255));  // a repeat right at the wrap
  plan.push_back(Packet(0, Data(256)));
  plan.push_back(Packet(1, Data(257)));
  plan.push_back({EOT});
  StartAfter(100, plan, 50);
  EXPECT_EQ(Receive(), 1);
  const std::vector<uint8_t> file = FileBytes();
  ASSERT_EQ(file.size(), 257u * 128);
  EXPECT_TRUE(std::equal(file.begin() + 255 * 128, file.begin() + 256 * 128, Data(256).begin()));
  EXPECT_TRUE(std::equal(file.begin() + 256 * 128, file.end(), Data(257).begin()));
  EXPECT_EQ(report_.packets, 257);
}

TEST_F(FlashReceiveTest, StalledPacketIsDroppedWithNakAfterTenSeconds) {
  const std::vector<uint8_t> p2 = Packet(2);
  StartAfter(100, {Packet(1), std::vector<uint8_t>(p2.begin(), p2.begin() + 60)});
  port_.onByte = [this, inner = port_.onByte, p2](FakePort& p, uint8_t b) {
    inner(p, b);
    if (b == NAK) {
      nakAt_.push_back(p.clock.ms);
      p.Send(p2, 20);
      p.Send(std::vector<uint8_t>{EOT}, 100);
    }
  };
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(FileBytes().size(), 256u);
  ASSERT_EQ(nakAt_.size(), 1u);
  // Measured from the partial packet's arrival (start + 100 + 200).
  EXPECT_GE(nakAt_[0] - firstRequestAt(), 300 + 10000);
  EXPECT_LE(nakAt_[0] - firstRequestAt(), 300 + 10600);
}

TEST_F(FlashReceiveTest, ChecksumModePacketNeverCompletes) {
  std::vector<uint8_t> checksum = Packet(1);
  checksum.pop_back();  // 132 bytes
  StartAfter(100, {checksum});
  port_.onByte = [this, inner = port_.onByte](FakePort& p, uint8_t b) {
    inner(p, b);
    if (b == NAK) {
      p.Send(Packet(1), 20);
      p.Send(std::vector<uint8_t>{EOT}, 100);
    }
  };
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{NAK, ACK, ACK}));
  EXPECT_EQ(FileBytes().size(), 128u);
}

TEST_F(FlashReceiveTest, EotAndCanInsideAPacketAreData) {
  std::vector<uint8_t> data = Data(1);
  data[0] = EOT;
  data[1] = CAN;
  const std::vector<uint8_t> p = Packet(1, data);
  // Split so that a read begins with EOT, then with CAN, in the middle of the packet.
  StartAfter(100,
             {std::vector<uint8_t>(p.begin(), p.begin() + 3),
              {p[3]},
              std::vector<uint8_t>(p.begin() + 4, p.end()),
              {EOT}},
             300);
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(FileBytes().size(), 128u);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, ACK}));
}

TEST_F(FlashReceiveTest, CanAtAPacketStartEndsTheTransfer) {
  StartAfter(100, {Packet(1), {CAN}});
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kInstrumentCancelled);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, ACK}));
  EXPECT_EQ(prompt_.progress.texts.back(), "Received a CAN...");
  EXPECT_EQ(PartialBytes().size(), 128u);
}

TEST_F(FlashReceiveTest, SilentInstrumentGetsStartRequestsAtZeroThreeSixNine) {
  const int64_t start = port_.clock.ms;
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kNoStart);
  std::vector<int64_t> requests;
  for (size_t i = 0; i < port_.sent.size(); ++i) {
    if (port_.sent[i] == 'C') requests.push_back(port_.sentAt[i] - start);
  }
  ASSERT_EQ(requests.size(), 4u);
  for (int k = 0; k < 4; ++k) {
    EXPECT_GE(requests[static_cast<size_t>(k)], 3000 * k);
    EXPECT_LT(requests[static_cast<size_t>(k)], 3000 * k + 100);
  }
  EXPECT_EQ(port_.SentText(), std::string("3SLD") + std::string("C\0\0\0", 4) +
                                  std::string("C\0\0\0", 4) + std::string("C\0\0\0", 4) +
                                  std::string("C\0\0\0", 4));
  EXPECT_TRUE(report_.fileCreated);
  // Nothing arrived: nothing is left, neither the file nor a partial one.
  EXPECT_FALSE(std::filesystem::exists(path_));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".partial"));
  EXPECT_TRUE(report_.partialPath.empty());
}

TEST_F(FlashReceiveTest, SilenceWhileReceivingIsAnsweredWithNakEveryTenSeconds) {
  StartAfter(100, {Packet(1)});
  prompt_.progress.cancelWhen = [this] { return port_.clock.ms > firstRequestAt() + 35000; };
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kCancelled);
  // ACK for packet 1, three NAKs in 35 s of silence, then one CAN for the cancel.
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, NAK, NAK, NAK, CAN}));
  EXPECT_EQ(PartialBytes().size(), 128u);
}

TEST_F(FlashReceiveTest, CancelSendsOneCanAndKeepsThePartialFile) {
  StartAfter(100, {Packet(1), Packet(2), Packet(3), Packet(4)}, 400);
  prompt_.progress.cancelWhen = [this] { return report_.packets >= 2; };
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kCancelled);
  const std::vector<uint8_t> replies = Replies();
  EXPECT_EQ(std::count(replies.begin(), replies.end(), CAN), 1);
  EXPECT_EQ(replies.back(), CAN);
  EXPECT_EQ(PartialBytes().size(), 256u);
}

TEST_F(FlashReceiveTest, DataArrivingAsADeadlineExpiresIsKept) {
  // Wherever the next packet lands around the ten-second idle deadline, it must not be lost.
  for (int64_t offset = -400; offset <= 400; offset += 37) {
    ReceiveReport report;
    const auto start = [offset](FakePort& p) {
      p.SendAt(p.clock.ms + 100, Packet(1));
      p.SendAt(p.clock.ms + 100 + 10000 + offset, Packet(2));
      p.SendAt(p.clock.ms + 100 + 10000 + offset + 300, {EOT});
    };
    EXPECT_EQ(ReceiveOnce(path_, start, report), 1) << offset;
    EXPECT_EQ(report.packets, 2) << offset;
  }
}

TEST_F(FlashReceiveTest, FailuresBeforeTheTransfer) {
  port_.failWrites = true;
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kCommandNotSent);
  EXPECT_TRUE(port_.sent.empty());

  FakePort port;
  FakePrompt prompt;
  ReceiveReport report;
  const std::string badPath =
      (std::filesystem::temp_directory_path() / "no_such_dir_meterlog2" / "x.57x").string();
  EXPECT_EQ(ReceiveFlashFile(&port, 12, badPath, kNewFirmware, prompt, &report), 0);
  EXPECT_EQ(report.end, ReceiveEnd::kCannotCreateFile);
  EXPECT_FALSE(report.fileCreated);
  EXPECT_TRUE(port.sent.empty());  // nothing goes to the instrument
  EXPECT_TRUE(prompt.progress.calls.empty());
}

// A log's first packet: marker, a header block of `headerSize` bytes, `count` records of `size`.
std::vector<uint8_t> LogHead(int headerSize, uint32_t count, int size) {
  std::vector<uint8_t> data = Data(1);
  data[4] = static_cast<uint8_t>(headerSize >> 8);
  data[5] = static_cast<uint8_t>(headerSize);
  const size_t at = 6 + static_cast<size_t>(headerSize);
  for (int k = 0; k < 4; ++k)
    data[at + static_cast<size_t>(k)] = static_cast<uint8_t>(count >> (24 - 8 * k));
  data[at + 4] = static_cast<uint8_t>(size >> 8);
  data[at + 5] = static_cast<uint8_t>(size);
  return data;
}

TEST_F(FlashReceiveTest, AnEotFollowedByBytesIsADamagedPacket) {
  // The first byte of packet 2 arrives as EOT: the rest of the packet follows at once. That is
  // no end of file: the bytes are drained, NAK asks for the packet again.
  std::vector<uint8_t> damaged = Packet(2);
  damaged[0] = EOT;
  StartAfter(100, {Packet(1), damaged});
  port_.onByte = [this, inner = port_.onByte](FakePort& p, uint8_t b) {
    inner(p, b);
    if (b == NAK) {
      p.Send(Packet(2), 20);
      p.Send(Packet(3), 20);
      p.Send(std::vector<uint8_t>{EOT}, 20);
    }
  };
  EXPECT_EQ(Receive(), 1);
  EXPECT_EQ(report_.end, ReceiveEnd::kEot);
  EXPECT_EQ(Replies(), (std::vector<uint8_t>{ACK, NAK, ACK, ACK, ACK}));
  EXPECT_EQ(FileBytes().size(), 3u * 128);

  // The same when the damaged EOT and the rest come in separate reads.
  ReceiveReport report;
  const auto start = [&damaged](FakePort& p) {
    p.SendAt(p.clock.ms + 100, Packet(1));
    p.SendAt(p.clock.ms + 400, {EOT});
    p.SendAt(p.clock.ms + 430, std::vector<uint8_t>(damaged.begin() + 1, damaged.end()));
  };
  const auto resend = [](FakePort& p) {
    p.Send(Packet(2), 20);
    p.Send(std::vector<uint8_t>{EOT}, 20);
  };
  EXPECT_EQ(ReceiveOnce(path_, start, report, resend), 1);
  EXPECT_EQ(report.packets, 2);
}

TEST_F(FlashReceiveTest, AnEotBeforeTheLastRecordIsAFailureThatKeepsTheData) {
  // The header declares 5 records of 100 bytes: 12 + 64 + 500 = 576 bytes; two packets are 256.
  StartAfter(100, {Packet(1, LogHead(64, 5, 100)), Packet(2), {EOT}});
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kEndedEarly);
  EXPECT_EQ(DescribeReceiveEnd(report_), "the transfer ended early: 256 of 576 bytes");
  EXPECT_EQ(PartialBytes().size(), 256u);

  // Enough packets for every record: a success, padding and all.
  std::filesystem::remove(path_ + ".partial");
  ReceiveReport report;
  const auto start = [](FakePort& p) {
    p.SendAt(p.clock.ms + 100, Packet(1, LogHead(64, 5, 100)));
    for (int n = 2; n <= 5; ++n) p.SendAt(p.clock.ms + 100 + 200 * n, Packet(n));
    p.SendAt(p.clock.ms + 2000, {EOT});
  };
  EXPECT_EQ(ReceiveOnce(path_, start, report), 1);
  EXPECT_EQ(ReadAll(path_).size(), 5u * 128);
  EXPECT_TRUE(report.partialPath.empty());
}

TEST(RequiredLogLength, FollowsTheHeaderAsTheLoaderReadsIt) {
  std::vector<uint8_t> head(3200, 0);
  head[4] = 0;
  head[5] = 10;  // header block of 10 bytes: count at 16, size at 20
  head[16 + 3] = 3;
  head[20 + 1] = 200;
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 4000), 22 + 600);
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 16), 16);  // ends after the header block
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 20), 22);  // ends inside count and size
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 0), 6);
  head[4] = 0x0C;
  head[5] = 0x1D;  // 3101: the loader refuses it, so the length is not judged
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 128), 128);
  // The largest declaration does not overflow.
  head[4] = 0;
  head[5] = 0;
  for (int k = 6; k < 12; ++k) head[static_cast<size_t>(k)] = 0xFF;
  EXPECT_EQ(RequiredLogLength(head.data(), head.size(), 128), 12 + 0xFFFFFFFFll * 0xFFFF);
}

TEST_F(FlashReceiveTest, AFailedTransferLeavesAnEarlierFileAlone) {
  {
    std::ofstream earlier(path_, std::ios::binary);
    earlier << "an earlier download";
  }
  StartAfter(100, {Packet(1), Packet(2), Packet(4)});
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kOutOfSequence);
  const std::vector<uint8_t> earlier = FileBytes();
  EXPECT_EQ(std::string(earlier.begin(), earlier.end()), "an earlier download");
  EXPECT_EQ(ReadAll(path_ + ".partial").size(), 256u);
  // Only the target and the partial file are in the folder: no temporary file is left.
  int strays = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(path_).parent_path())) {
    if (entry.path().filename().string().find(std::filesystem::path(path_).filename().string() +
                                              ".") == 1) {
      ++strays;
    }
  }
  EXPECT_EQ(strays, 0);
}

TEST_F(FlashReceiveTest, AVanishingPortEndsTheTransferAtOnce) {
  StartAfter(100, {Packet(1), Packet(2), Packet(3)}, 1000);
  port_.failReadsAt = port_.clock.ms + 700;  // after packet 1 and before packet 2
  const int64_t start = port_.clock.ms;
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.end, ReceiveEnd::kPortFailed);
  EXPECT_EQ(DescribeReceiveEnd(report_), "the port failed (No such device)");
  EXPECT_LT(port_.clock.ms - start, 3000);
  EXPECT_EQ(PartialBytes().size(), 128u);

  // Gone already while the start is awaited.
  FakePort port;
  FakePrompt prompt;
  port.failReadsAt = port.clock.ms + 20;
  ReceiveReport report;
  const int64_t begin = port.clock.ms;
  EXPECT_EQ(ReceiveFlashFile(&port, 1, path_, kNewFirmware, prompt, &report), 0);
  EXPECT_EQ(report.end, ReceiveEnd::kPortFailed);
  EXPECT_LT(port.clock.ms - begin, 1000);
}

TEST_F(FlashReceiveTest, TheEndIsAcknowledgedAQuietReadTimeOutAfterTheEotArrived) {
  // The EOT arrives 230 ms after packet 2's start, when a read for a whole packet would still
  // be waiting: it is seen, and dated, the moment it arrives.
  StartAfter(100, {Packet(1), Packet(2), {EOT}}, 230);
  EXPECT_EQ(Receive(), 1);
  const int64_t eotArrived = firstRequestAt() + 100 + 2 * 230;
  ASSERT_FALSE(port_.sentAt.empty());
  EXPECT_EQ(port_.sent.back(), ACK);
  EXPECT_GE(port_.sentAt.back() - eotArrived, 250);
  EXPECT_LE(port_.sentAt.back() - eotArrived, 260);
}

// A port on which SIGINT arrives while a read is waiting for the rest of packet `packet`.
class InterruptedPort : public FakePort {
 public:
  int64_t at = -1;
  int Read(uint8_t* buffer, int count) override {
    const int n = FakePort::Read(buffer, count);
    if (at >= 0 && clock.ms >= at) {
      at = -1;
      std::raise(SIGINT);  // recorded: the download's output file is open
    }
    return n;
  }
};

TEST_F(FlashReceiveTest, APacketWhoseReadWasInterruptedIsAnsweredWithCanNotAck) {
  InstallInterruptHandlers();
  InterruptedPort port;
  FakePrompt prompt;
  prompt.progress.cancelWhen = [] { return InterruptSignal() != 0; };  // as the CLI's window
  bool started = false;
  port.onByte = [&](FakePort& p, uint8_t b) {
    if (b != 'C' || started) return;
    started = true;
    for (int n = 1; n <= 4; ++n) {
      const std::vector<uint8_t> packet = Packet(n);
      // Each packet in two halves 40 ms apart; SIGINT comes between the halves of packet 3.
      p.SendAt(p.clock.ms + 100 * n, std::vector<uint8_t>(packet.begin(), packet.begin() + 60));
      p.SendAt(p.clock.ms + 100 * n + 40, std::vector<uint8_t>(packet.begin() + 60, packet.end()));
    }
    p.SendAt(p.clock.ms + 500, {EOT});
    static_cast<InterruptedPort&>(p).at = p.clock.ms + 320;
  };
  EXPECT_EQ(ReceiveFlashFile(&port, 1, path_, kNewFirmware, prompt, &report_), 0);
  const int signal = InterruptSignal();
  ClearInterrupt();
  EXPECT_EQ(signal, SIGINT);
  EXPECT_EQ(report_.end, ReceiveEnd::kCancelled);
  // Packets 1 and 2 acknowledged and kept; packet 3 completed after the signal: CAN, never ACK.
  std::vector<uint8_t> replies;
  for (uint8_t b : port.sent) {
    if (b == ACK || b == NAK || b == CAN) replies.push_back(b);
  }
  EXPECT_EQ(replies, (std::vector<uint8_t>{ACK, ACK, CAN}));
  EXPECT_EQ(report_.packets, 2);
  EXPECT_EQ(report_.dataBytes, 256);
  EXPECT_EQ(PartialBytes().size(), 256u);
}

TEST_F(FlashReceiveTest, AnEarlierPartialFileIsNeverReplaced) {
  // A first download breaks off after 3 packets, a second after 1, a third after 2: each keeps
  // its own data, under the first free name.
  for (int packets : {3, 1, 2}) {
    ReceiveReport report;
    const auto start = [packets](FakePort& p) {
      for (int n = 1; n <= packets; ++n) p.SendAt(p.clock.ms + 100 * n, Packet(n));
      p.SendAt(p.clock.ms + 100 * (packets + 1), Packet(packets + 2));  // out of sequence
    };
    EXPECT_EQ(ReceiveOnce(path_, start, report), 0);
    EXPECT_EQ(report.end, ReceiveEnd::kOutOfSequence);
  }
  EXPECT_EQ(ReadAll(path_ + ".partial").size(), 3u * 128);
  EXPECT_EQ(ReadAll(path_ + ".partial.1").size(), 1u * 128);
  EXPECT_EQ(ReadAll(path_ + ".partial.2").size(), 2u * 128);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

#ifndef _WIN32
TEST_F(FlashReceiveTest, SomethingElseAtThePartialNameIsLeftAlone) {
  // A link to a file elsewhere, and a link to nothing: neither is followed nor replaced.
  const std::string elsewhere = path_ + ".elsewhere";
  { std::ofstream(elsewhere) << "not ours"; }
  std::filesystem::create_symlink(elsewhere, path_ + ".partial");
  std::filesystem::create_symlink(path_ + ".nowhere", path_ + ".partial.1");
  StartAfter(100, {Packet(1), Packet(3)});
  EXPECT_EQ(Receive(), 0);
  EXPECT_EQ(report_.partialPath, path_ + ".partial.2");
  EXPECT_EQ(ReadAll(path_ + ".partial.2").size(), 128u);
  EXPECT_EQ(ReadAll(elsewhere).size(), 8u);
  EXPECT_TRUE(std::filesystem::is_symlink(path_ + ".partial"));
  EXPECT_TRUE(std::filesystem::is_symlink(path_ + ".partial.1"));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".nowhere"));
  std::filesystem::remove(elsewhere);
}
#endif

}  // namespace
