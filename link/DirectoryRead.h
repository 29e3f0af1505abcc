#pragma once
// The reply to the directory request "RLD" as a state machine: up to 1023 bytes of text ended by
// the byte 0xFF, or by silence.
//
// Reads without echo (TimedRead.h) follow one another until a read ends with 0xFF, the 1023
// bytes are there, or, before a new read, five seconds (one-second clock) have passed since the
// last read that brought data (since the start when none did). Only the last byte of what has
// arrived is looked at, and it is looked at the moment it arrives: a directory that ends with
// 0xFF ends the read at once, without a quiet wait (the instrument sends nothing after it).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LineMachine.h"
#include "TimedRead.h"

class DirectoryRead final : public LineMachine {
 public:
  static constexpr int kRoom = 1023;
  static constexpr uint8_t kEndByte = 0xFF;

  LineStep Start(int64_t nowMs) override;
  LineStep Feed(const uint8_t* bytes, size_t count, int64_t nowMs) override;
  LineStep Tick(int64_t nowMs) override;
  void Abort() override { m_done = true; }
  bool Done() const override { return m_done; }
  ReadWant Want() const override { return m_read.Want(); }

  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  // Every byte received except 0x00 and 0xFF, blanks removed from both ends.
  std::string Text() const;

 private:
  void NextRead(int64_t nowMs);
  void ReadDone(int64_t nowMs);

  TimedRead m_read;
  std::vector<uint8_t> m_bytes;
  int64_t m_lastDataSecond = 0;
  bool m_done = false;
};
