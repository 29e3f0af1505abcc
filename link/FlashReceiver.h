#pragma once
// The XMODEM-CRC receive of one Flash File as a state machine: it is fed the bytes that arrive
// and the time, and answers with the bytes to send and the data to write. It never waits, reads
// a port or formats display text; FlashReceive.cpp drives it from the serial line.
//
// Developer note on the transfer (the whole protocol is here; the driver only moves bytes):
// - Before the first byte, the start request "C" 00 00 00 goes out at once and then every three
//   seconds; ten seconds without any byte end the transfer. (The instrument wants the three
//   zeros; a textbook XMODEM sender may take the first zero as a reply to block 1.)
// - Packets are 133 bytes: SOH, block number (1, 2, ... wrapping 255 -> 0), its ones'
//   complement, 128 data bytes, CRC-16/XMODEM of the data, high byte first. Valid and expected:
//   ACK and written; valid repeat of the previous block: ACK, not written; valid but any other
//   block: CAN, the transfer ends; invalid: NAK. A complete packet is answered at once.
// - EOT and CAN count only as the first byte of a packet; inside a packet they are data. CAN
//   aborts (answered with ACK). A damaged first byte can look like EOT, so an EOT counts only
//   when the line then stays quiet for one read time-out (250 ms from the EOT's arrival: the
//   first byte of a packet is read on its own, see Want); bytes that follow make it a
//   damaged packet: they are dropped until the line is quiet (at most ten seconds) and answered
//   with NAK, and the sender repeats the packet.
// - Ten seconds without a byte while no packet is in progress: NAK, repeated every ten seconds.
//   A packet stuck half-way for ten seconds is dropped with NAK. Bytes handed over together with
//   the time at which a deadline expired are data, not silence: Feed never takes the silent path.
// - The first four data bytes of the first accepted packet are replaced by the format marker
//   (1 or 256, little-endian).
// - Cancel sends one CAN (the instrument takes one; a textbook sender wants two).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "LineMachine.h"

// The line's control bytes; the receiver asks for CRC packets with 'C'.
constexpr uint8_t kSoh = 0x01;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCan = 0x18;
constexpr uint8_t kCrcRequest = 'C';

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, high byte sent first.
uint16_t Crc16(const uint8_t* data, size_t length);

enum class ReceivePhase { kWaitingForStart, kReceiving, kEnded };

// ReceiveEvent::kEot and ::kCan are always written scoped, apart from the bytes kEot and kCan;
// GCC's -Wshadow warns of them all the same.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#endif
enum class ReceiveEvent {
  kNone,
  kStartRequest,   // the start request was sent (again)
  kBytes,          // bytes were taken into a packet
  kPacket,         // a packet was accepted
  kRepeat,         // the previous packet came again: acknowledged, not written
  kInvalid,        // a packet was refused with NAK (header, complement, CRC, or a damaged EOT)
  kTimeout,        // silence, or a packet stuck half-way: NAK
  kEot,            // the end of the file, acknowledged
  kCan,            // the instrument cancelled, acknowledged
  kOutOfSequence,  // a valid packet with an unexpected block number: CAN sent
  kNoStart,        // no byte within ten seconds of start requests
  kCancelled,      // the user cancelled: CAN sent
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Where a transfer stands, for progress displays: data, never text.
struct ReceiveProgress {
  ReceivePhase phase = ReceivePhase::kWaitingForStart;
  int packets = 0;          // accepted packets
  long long lineBytes = 0;  // bytes taken from the line, headers and refused packets included
  long long dataBytes = 0;  // data of accepted packets: what the file holds
  int repeats = 0;          // repeated packets acknowledged
  int refused = 0;          // packets refused with NAK
  ReceiveEvent lastEvent = ReceiveEvent::kNone;
};

// What one call asks of its caller: append `data` to the file, then send `send` (in order). A
// packet is acknowledged only once it is kept: when the data cannot be written, the caller sends
// CAN instead of `send` (and the transfer ends).
struct ReceiveStep {
  std::vector<uint8_t> send;
  std::vector<uint8_t> data;         // 128 bytes per accepted packet
  std::vector<ReceiveEvent> events;  // in the order they happened
};

class FlashReceiver {
 public:
  static constexpr int kPacketSize = 133;
  static constexpr int kDataSize = 128;
  static constexpr int64_t kStartWaitMs = 10000;
  static constexpr int64_t kStartRepeatMs = 3000;
  static constexpr int64_t kDeadlineMs = 10000;
  static constexpr int64_t kQuietMs = 250;  // the line's read time-out

  explicit FlashReceiver(uint32_t formatMarker) : m_marker(formatMarker) {}

  // Begins the wait for the first byte: the first start request.
  ReceiveStep Start(int64_t nowMs);
  // Bytes that arrived by `nowMs`.
  ReceiveStep Feed(const uint8_t* bytes, size_t count, int64_t nowMs);
  // A read that brought nothing, at `nowMs`: deadlines, repeated start requests, a quiet EOT.
  ReceiveStep Tick(int64_t nowMs);
  // The user cancels: one CAN. Nothing happens once the transfer has ended.
  ReceiveStep Cancel();
  // Ends the transfer from outside (the file or the port failed); nothing is sent.
  void Abort();

  const ReceiveProgress& Progress() const { return m_progress; }
  ReceivePhase Phase() const { return m_progress.phase; }
  // How the transfer ended (kEot, kCan, kOutOfSequence, kNoStart, kCancelled), or kNone.
  ReceiveEvent End() const { return m_end; }
  // How the next read waits. At a packet start: for the first byte alone, which says whether a
  // packet, an EOT or a CAN comes, and dates an EOT from its arrival. Inside a packet: for the
  // bytes missing to a full packet, so that the rest of a packet arriving in one burst is taken
  // in one read. After an EOT: for anything that follows it.
  ReadWant Want() const;

 private:
  enum class Mode { kPacket, kEotPending, kDraining };

  void Note(ReceiveStep& step, ReceiveEvent event);
  void Finish(ReceiveStep& step, ReceiveEvent event);
  void TakeByte(ReceiveStep& step, uint8_t byte, int64_t nowMs);
  void CompletePacket(ReceiveStep& step, int64_t nowMs);
  void EndDrain(ReceiveStep& step, int64_t nowMs);

  uint32_t m_marker;
  ReceiveProgress m_progress;
  ReceiveEvent m_end = ReceiveEvent::kNone;
  Mode m_mode = Mode::kPacket;
  uint8_t m_packet[kPacketSize] = {};
  int m_fill = 0;
  uint8_t m_expected = 1;
  int64_t m_waitBegin = 0, m_lastRequest = 0;
  int64_t m_idleDeadline = 0, m_packetDeadline = 0;
  int64_t m_eotAt = 0, m_lastDrained = 0, m_drainUntil = 0;
};
