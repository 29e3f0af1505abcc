#pragma once
// One read of the instrument line as the instrument's primitive read times itself: it waits up
// to five seconds (on the one-second clock) for a first byte, then takes bytes until it has its
// count or five seconds pass without a new one. A silent line therefore costs about ten seconds.
// With echo every byte is written back the moment it is taken, one byte at a time. A part of the
// exchange machines (CommandExchange, DirectoryRead); it never waits itself.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "LineMachine.h"

class TimedRead {
 public:
  static constexpr int64_t kQuietSeconds = 5;

  // A read of up to `count` bytes from `nowMs` on. A `stopByte` of 0 to 255 ends the read as
  // soon as a read of the line ends with it.
  void Begin(int count, bool echo, int stopByte, int64_t nowMs);
  // Takes what arrived by `nowMs`, at most the bytes still wanted; returns how many it took.
  // Echoes go into `step`.
  size_t Feed(const uint8_t* bytes, size_t count, int64_t nowMs, LineStep& step);
  // Nothing arrived by `nowMs`.
  void Tick(int64_t nowMs);

  bool Done() const { return m_done; }
  ReadWant Want() const;
  const std::vector<uint8_t>& Bytes() const { return m_bytes; }
  bool Complete() const { return static_cast<int>(m_bytes.size()) == m_count; }

 private:
  int m_count = 0;
  bool m_echo = false;
  int m_stopByte = -1;
  bool m_waitingForFirst = true;
  bool m_done = true;
  int64_t m_startSecond = 0, m_deadlineSecond = 0;
  std::vector<uint8_t> m_bytes;
};
