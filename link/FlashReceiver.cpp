#include "FlashReceiver.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<uint16_t, 256> MakeCrcTable() {
  std::array<uint16_t, 256> table{};
  for (int i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit) {
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[static_cast<size_t>(i)] = crc;
  }
  return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint16_t Crc16(const uint8_t* data, size_t length) {
  uint16_t crc = 0;
  for (size_t i = 0; i < length; ++i) {
    crc = static_cast<uint16_t>(kCrcTable[((crc >> 8) ^ data[i]) & 0xFF] ^ (crc << 8));
  }
  return crc;
}

void FlashReceiver::Note(ReceiveStep& step, ReceiveEvent event) {
  step.events.push_back(event);
  m_progress.lastEvent = event;
}

void FlashReceiver::Finish(ReceiveStep& step, ReceiveEvent event) {
  Note(step, event);
  m_end = event;
  m_progress.phase = ReceivePhase::kEnded;
}

ReceiveStep FlashReceiver::Start(int64_t nowMs) {
  ReceiveStep step;
  if (m_progress.phase != ReceivePhase::kWaitingForStart) return step;
  m_waitBegin = m_lastRequest = nowMs;
  step.send = {kCrcRequest, 0, 0, 0};
  Note(step, ReceiveEvent::kStartRequest);
  return step;
}

ReceiveStep FlashReceiver::Tick(int64_t nowMs) {
  ReceiveStep step;
  if (m_progress.phase == ReceivePhase::kWaitingForStart) {
    if (nowMs - m_waitBegin >= kStartWaitMs) {
      Finish(step, ReceiveEvent::kNoStart);
    } else if (nowMs - m_lastRequest >= kStartRepeatMs) {
      m_lastRequest = nowMs;
      step.send = {kCrcRequest, 0, 0, 0};
      Note(step, ReceiveEvent::kStartRequest);
    }
    return step;
  }
  if (m_progress.phase != ReceivePhase::kReceiving) return step;
  if (m_mode == Mode::kEotPending) {
    if (nowMs - m_eotAt >= kQuietMs) {
      step.send.push_back(kAck);
      Finish(step, ReceiveEvent::kEot);
    }
  } else if (m_mode == Mode::kDraining) {
    if (nowMs - m_lastDrained >= kQuietMs || nowMs >= m_drainUntil) EndDrain(step, nowMs);
  } else if (m_fill == 0 && nowMs >= m_idleDeadline) {
    m_idleDeadline = nowMs + kDeadlineMs;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kTimeout);
  } else if (m_fill > 0 && nowMs >= m_packetDeadline) {
    std::memset(m_packet, 0, sizeof m_packet);
    m_fill = 0;
    m_packetDeadline = nowMs + kDeadlineMs;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kTimeout);
  }
  return step;
}

ReceiveStep FlashReceiver::Feed(const uint8_t* bytes, size_t count, int64_t nowMs) {
  ReceiveStep step;
  if (count == 0) return Tick(nowMs);
  if (m_progress.phase == ReceivePhase::kEnded) return step;
  if (m_progress.phase == ReceivePhase::kWaitingForStart) {
    m_progress.phase = ReceivePhase::kReceiving;
    m_idleDeadline = nowMs + kDeadlineMs;
  }
  m_packetDeadline = nowMs + kDeadlineMs;
  for (size_t i = 0; i < count && m_progress.phase == ReceivePhase::kReceiving; ++i) {
    TakeByte(step, bytes[i], nowMs);
  }
  return step;
}

void FlashReceiver::TakeByte(ReceiveStep& step, uint8_t byte, int64_t nowMs) {
  switch (m_mode) {
    case Mode::kEotPending:  // more bytes after an EOT: a damaged packet, not the end
      m_mode = Mode::kDraining;
      m_drainUntil = m_eotAt + kDeadlineMs;
      ++m_progress.lineBytes;  // the EOT was the packet's damaged first byte
      [[fallthrough]];
    case Mode::kDraining:
      ++m_progress.lineBytes;
      m_lastDrained = nowMs;
      if (nowMs >= m_drainUntil) EndDrain(step, nowMs);
      return;
    case Mode::kPacket:
      break;
  }
  if (m_fill == 0 && byte == kEot) {
    m_mode = Mode::kEotPending;
    m_eotAt = nowMs;
    return;
  }
  if (m_fill == 0 && byte == kCan) {
    step.send.push_back(kAck);
    Finish(step, ReceiveEvent::kCan);
    return;
  }
  m_packet[m_fill++] = byte;
  ++m_progress.lineBytes;
  if (step.events.empty() || step.events.back() != ReceiveEvent::kBytes) {
    Note(step, ReceiveEvent::kBytes);
  }
  if (m_fill == kPacketSize) CompletePacket(step, nowMs);
}

void FlashReceiver::CompletePacket(ReceiveStep& step, int64_t nowMs) {
  m_idleDeadline = nowMs + kDeadlineMs;
  m_fill = 0;
  const uint8_t block = m_packet[1];
  const bool valid = m_packet[0] == kSoh && m_packet[2] == static_cast<uint8_t>(~block) &&
                     ((m_packet[131] << 8) | m_packet[132]) == Crc16(m_packet + 3, kDataSize);
  if (valid && block == m_expected) {
    ++m_progress.packets;
    step.send.push_back(kAck);
    if (m_progress.packets == 1) {
      for (int k = 0; k < 4; ++k) m_packet[3 + k] = static_cast<uint8_t>(m_marker >> (8 * k));
    }
    step.data.insert(step.data.end(), m_packet + 3, m_packet + 3 + kDataSize);
    m_progress.dataBytes += kDataSize;
    ++m_expected;
    Note(step, ReceiveEvent::kPacket);
  } else if (valid && block == static_cast<uint8_t>(m_expected - 1)) {
    ++m_progress.repeats;
    step.send.push_back(kAck);
    Note(step, ReceiveEvent::kRepeat);
  } else if (valid) {
    step.send.push_back(kCan);
    Finish(step, ReceiveEvent::kOutOfSequence);
  } else {
    ++m_progress.refused;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kInvalid);
  }
  std::memset(m_packet, 0, sizeof m_packet);
}

void FlashReceiver::EndDrain(ReceiveStep& step, int64_t nowMs) {
  m_mode = Mode::kPacket;
  std::memset(m_packet, 0, sizeof m_packet);
  m_fill = 0;
  m_idleDeadline = nowMs + kDeadlineMs;
  ++m_progress.refused;
  step.send.push_back(kNak);
  Note(step, ReceiveEvent::kInvalid);
}

ReadWant FlashReceiver::Want() const {
  if (m_mode != Mode::kPacket) return {1, kPacketSize};  // whatever follows an EOT
  if (m_fill > 0) return {kPacketSize - m_fill, kPacketSize - m_fill};
  return {1, 1};  // the first byte alone says packet, EOT or CAN, and when it came
}

ReceiveStep FlashReceiver::Cancel() {
  ReceiveStep step;
  if (m_progress.phase == ReceivePhase::kEnded) return step;
  step.send.push_back(kCan);
  Finish(step, ReceiveEvent::kCancelled);
  return step;
}

void FlashReceiver::Abort() {
  if (m_progress.phase == ReceivePhase::kEnded) return;
  m_progress.phase = ReceivePhase::kEnded;
}
