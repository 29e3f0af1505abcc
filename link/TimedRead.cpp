#include "TimedRead.h"

void TimedRead::Begin(int count, bool echo, int stopByte, int64_t nowMs) {
  m_count = count;
  m_echo = echo;
  m_stopByte = stopByte;
  m_waitingForFirst = true;
  m_done = count <= 0;
  m_startSecond = WholeSeconds(nowMs);
  m_deadlineSecond = m_startSecond + kQuietSeconds;
  m_bytes.clear();
}

size_t TimedRead::Feed(const uint8_t* bytes, size_t count, int64_t nowMs, LineStep& step) {
  if (m_done) return 0;
  m_waitingForFirst = false;
  size_t taken = 0;
  while (taken < count && static_cast<int>(m_bytes.size()) < m_count) {
    const uint8_t byte = bytes[taken++];
    m_bytes.push_back(byte);
    // Bytes arriving in the same pass in which the deadline expires are data: it moves.
    m_deadlineSecond = WholeSeconds(nowMs) + kQuietSeconds;
    if (m_echo) {
      step.writes.push_back({{byte}, false});
      if (byte == m_stopByte) break;  // an echoing read takes one byte at a time
    }
  }
  m_done = static_cast<int>(m_bytes.size()) == m_count ||
           (taken > 0 && m_stopByte >= 0 && m_bytes.back() == m_stopByte);
  return taken;
}

void TimedRead::Tick(int64_t nowMs) {
  if (m_done) return;
  const int64_t second = WholeSeconds(nowMs);
  if (m_waitingForFirst) {
    // Five seconds without a first byte; the read itself still waits out its own five.
    if (second < m_startSecond + kQuietSeconds) return;
    m_waitingForFirst = false;
    m_deadlineSecond = second + kQuietSeconds;
    return;
  }
  if (second >= m_deadlineSecond) m_done = true;
}

ReadWant TimedRead::Want() const {
  const int rest = m_count - static_cast<int>(m_bytes.size());
  if (m_echo) return {1, 1};
  // A read for the stop byte must see it the moment it arrives, not 250 ms later.
  if (m_stopByte >= 0) return {1, rest};
  return {rest, rest};
}
