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
  progress_.lastEvent = event;
}

void FlashReceiver::Finish(ReceiveStep& step, ReceiveEvent event) {
  Note(step, event);
  end_ = event;
  progress_.phase = ReceivePhase::kEnded;
}

ReceiveStep FlashReceiver::Start(int64_t nowMs) {
  ReceiveStep step;
  if (progress_.phase != ReceivePhase::kWaitingForStart) return step;
  waitBegin_ = lastRequest_ = nowMs;
  step.send = {kCrcRequest, 0, 0, 0};
  Note(step, ReceiveEvent::kStartRequest);
  return step;
}

ReceiveStep FlashReceiver::Tick(int64_t nowMs) {
  ReceiveStep step;
  if (progress_.phase == ReceivePhase::kWaitingForStart) {
    if (nowMs - waitBegin_ >= kStartWaitMs) {
      Finish(step, ReceiveEvent::kNoStart);
    } else if (nowMs - lastRequest_ >= kStartRepeatMs) {
      lastRequest_ = nowMs;
      step.send = {kCrcRequest, 0, 0, 0};
      Note(step, ReceiveEvent::kStartRequest);
    }
    return step;
  }
  if (progress_.phase != ReceivePhase::kReceiving) return step;
  if (mode_ == Mode::kEotPending) {
    if (nowMs - eotAt_ >= kQuietMs) {
      step.send.push_back(kAck);
      Finish(step, ReceiveEvent::kEot);
    }
  } else if (mode_ == Mode::kDraining) {
    if (nowMs - lastDrained_ >= kQuietMs || nowMs >= drainUntil_) EndDrain(step, nowMs);
  } else if (fill_ == 0 && nowMs >= idleDeadline_) {
    idleDeadline_ = nowMs + kDeadlineMs;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kTimeout);
  } else if (fill_ > 0 && nowMs >= packetDeadline_) {
    std::memset(packet_, 0, sizeof packet_);
    fill_ = 0;
    packetDeadline_ = nowMs + kDeadlineMs;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kTimeout);
  }
  return step;
}

ReceiveStep FlashReceiver::Feed(const uint8_t* bytes, size_t count, int64_t nowMs) {
  ReceiveStep step;
  if (count == 0) return Tick(nowMs);
  if (progress_.phase == ReceivePhase::kEnded) return step;
  if (progress_.phase == ReceivePhase::kWaitingForStart) {
    progress_.phase = ReceivePhase::kReceiving;
    idleDeadline_ = nowMs + kDeadlineMs;
  }
  packetDeadline_ = nowMs + kDeadlineMs;
  for (size_t i = 0; i < count && progress_.phase == ReceivePhase::kReceiving; ++i) {
    TakeByte(step, bytes[i], nowMs);
  }
  return step;
}

void FlashReceiver::TakeByte(ReceiveStep& step, uint8_t byte, int64_t nowMs) {
  switch (mode_) {
    case Mode::kEotPending:  // more bytes after an EOT: a damaged packet, not the end
      mode_ = Mode::kDraining;
      drainUntil_ = eotAt_ + kDeadlineMs;
      ++progress_.lineBytes;  // the EOT was the packet's damaged first byte
      [[fallthrough]];
    case Mode::kDraining:
      ++progress_.lineBytes;
      lastDrained_ = nowMs;
      if (nowMs >= drainUntil_) EndDrain(step, nowMs);
      return;
    case Mode::kPacket:
      break;
  }
  if (fill_ == 0 && byte == kEot) {
    mode_ = Mode::kEotPending;
    eotAt_ = nowMs;
    return;
  }
  if (fill_ == 0 && byte == kCan) {
    step.send.push_back(kAck);
    Finish(step, ReceiveEvent::kCan);
    return;
  }
  packet_[fill_++] = byte;
  ++progress_.lineBytes;
  if (step.events.empty() || step.events.back() != ReceiveEvent::kBytes) {
    Note(step, ReceiveEvent::kBytes);
  }
  if (fill_ == kPacketSize) CompletePacket(step, nowMs);
}

void FlashReceiver::CompletePacket(ReceiveStep& step, int64_t nowMs) {
  idleDeadline_ = nowMs + kDeadlineMs;
  fill_ = 0;
  const uint8_t block = packet_[1];
  const bool valid = packet_[0] == kSoh && packet_[2] == static_cast<uint8_t>(~block) &&
                     ((packet_[131] << 8) | packet_[132]) == Crc16(packet_ + 3, kDataSize);
  if (valid && block == expected_) {
    ++progress_.packets;
    step.send.push_back(kAck);
    if (progress_.packets == 1) {
      for (int k = 0; k < 4; ++k) packet_[3 + k] = static_cast<uint8_t>(marker_ >> (8 * k));
    }
    step.data.insert(step.data.end(), packet_ + 3, packet_ + 3 + kDataSize);
    progress_.dataBytes += kDataSize;
    ++expected_;
    Note(step, ReceiveEvent::kPacket);
  } else if (valid && block == static_cast<uint8_t>(expected_ - 1)) {
    ++progress_.repeats;
    step.send.push_back(kAck);
    Note(step, ReceiveEvent::kRepeat);
  } else if (valid) {
    step.send.push_back(kCan);
    Finish(step, ReceiveEvent::kOutOfSequence);
  } else {
    ++progress_.refused;
    step.send.push_back(kNak);
    Note(step, ReceiveEvent::kInvalid);
  }
  std::memset(packet_, 0, sizeof packet_);
}

void FlashReceiver::EndDrain(ReceiveStep& step, int64_t nowMs) {
  mode_ = Mode::kPacket;
  std::memset(packet_, 0, sizeof packet_);
  fill_ = 0;
  idleDeadline_ = nowMs + kDeadlineMs;
  ++progress_.refused;
  step.send.push_back(kNak);
  Note(step, ReceiveEvent::kInvalid);
}

ReceiveStep FlashReceiver::Cancel() {
  ReceiveStep step;
  if (progress_.phase == ReceivePhase::kEnded) return step;
  step.send.push_back(kCan);
  Finish(step, ReceiveEvent::kCancelled);
  return step;
}

void FlashReceiver::Abort() {
  if (progress_.phase == ReceivePhase::kEnded) return;
  progress_.phase = ReceivePhase::kEnded;
}
