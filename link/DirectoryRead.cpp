#include "DirectoryRead.h"

#include "text/Text.h"

LineStep DirectoryRead::Start(int64_t nowMs) {
  m_bytes.clear();
  m_done = false;
  m_lastDataSecond = WholeSeconds(nowMs);
  NextRead(nowMs);
  return {};
}

void DirectoryRead::NextRead(int64_t nowMs) {
  if (static_cast<int>(m_bytes.size()) >= kRoom ||
      WholeSeconds(nowMs) >= m_lastDataSecond + TimedRead::kQuietSeconds) {
    m_done = true;
    return;
  }
  m_read.Begin(kRoom - static_cast<int>(m_bytes.size()), false, kEndByte, nowMs);
}

LineStep DirectoryRead::Feed(const uint8_t* bytes, size_t count, int64_t nowMs) {
  LineStep step;
  if (m_done) return step;
  m_read.Feed(bytes, count, nowMs, step);
  if (m_read.Done()) ReadDone(nowMs);
  return step;
}

LineStep DirectoryRead::Tick(int64_t nowMs) {
  if (!m_done) {
    m_read.Tick(nowMs);
    if (m_read.Done()) ReadDone(nowMs);
  }
  return {};
}

void DirectoryRead::ReadDone(int64_t nowMs) {
  const std::vector<uint8_t>& got = m_read.Bytes();
  if (!got.empty()) {
    m_bytes.insert(m_bytes.end(), got.begin(), got.end());
    m_lastDataSecond = WholeSeconds(nowMs);
    if (got.back() == kEndByte) {
      m_done = true;
      return;
    }
  }
  NextRead(nowMs);
}

std::string DirectoryRead::Text() const {
  std::string all;
  for (uint8_t byte : m_bytes) {
    if (byte != 0x00 && byte != kEndByte) all.push_back(static_cast<char>(byte));
  }
  return std::string(TrimBlanks(all));
}
