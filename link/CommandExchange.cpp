#include "CommandExchange.h"

#include "text/Text.h"

bool CharRule::Accepts(uint8_t c) const {
  switch (kind) {
    case Kind::kAny:
      return true;
    case Kind::kHexDigit:
      return HexDigitValue(static_cast<char>(c)) >= 0;
    case Kind::kExactly:
      return c == static_cast<uint8_t>(expected);
  }
  return false;
}

void CommandExchange::Receive(int count, bool echo, CharRule rule, bool readEach) {
  Step step;
  step.count = count;
  step.echo = echo;
  step.readEach = readEach;
  step.rule = rule;
  m_steps.push_back(step);
}

void CommandExchange::SendEchoed(std::string text) {
  Step step;
  step.send = true;
  step.text = std::move(text);
  m_steps.push_back(std::move(step));
}

LineStep CommandExchange::Start(int64_t nowMs) {
  LineStep step;
  m_index = 0;
  m_done = m_failed = false;
  BeginStep(nowMs, step);
  return step;
}

void CommandExchange::BeginStep(int64_t nowMs, LineStep& step) {
  for (; m_index < m_steps.size(); ++m_index) {
    const Step& s = m_steps[m_index];
    m_position = 0;
    if (s.send && !s.text.empty()) {
      SendNext(nowMs, step);
      return;
    }
    if (!s.send && s.count > 0) {
      m_read.Begin(s.readEach ? 1 : s.count, s.echo, -1, nowMs);
      return;
    }
  }
  m_done = true;
}

void CommandExchange::SendNext(int64_t nowMs, LineStep& step) {
  const uint8_t c = static_cast<uint8_t>(m_steps[m_index].text[static_cast<size_t>(m_position)]);
  step.writes.push_back({{c}, true});
  m_echoDeadlineSecond = WholeSeconds(nowMs) + TimedRead::kQuietSeconds;
}

LineStep CommandExchange::Feed(const uint8_t* bytes, size_t count, int64_t nowMs) {
  LineStep step;
  size_t at = 0;
  while (at < count && !m_done) {
    const Step& s = m_steps[m_index];
    if (s.send) {
      if (bytes[at++] != static_cast<uint8_t>(s.text[static_cast<size_t>(m_position)])) {
        Fail();
        break;
      }
      ++m_echoed;
      if (++m_position < static_cast<int>(s.text.size())) {
        SendNext(nowMs, step);
      } else {
        ++m_index;
        BeginStep(nowMs, step);
      }
      continue;
    }
    const size_t before = m_read.Bytes().size();
    const size_t took = m_read.Feed(bytes + at, count - at, nowMs, step);
    if (took == 0) break;
    at += took;
    for (size_t i = before; i < m_read.Bytes().size(); ++i) {
      const uint8_t c = m_read.Bytes()[i];
      if (!s.rule.Accepts(c)) {
        Fail();  // echoed already, as the instrument saw it
        return step;
      }
      m_received.push_back(c);
    }
    if (m_read.Done()) ReadDone(nowMs, step);
  }
  return step;
}

void CommandExchange::ReadDone(int64_t nowMs, LineStep& step) {
  const Step& s = m_steps[m_index];
  if (!m_read.Complete()) {
    Fail();  // five quiet seconds
    return;
  }
  m_position += s.readEach ? 1 : s.count;
  if (m_position < s.count) {
    m_read.Begin(1, s.echo, -1, nowMs);
    return;
  }
  ++m_index;
  BeginStep(nowMs, step);
}

LineStep CommandExchange::Tick(int64_t nowMs) {
  LineStep step;
  if (m_done) return step;
  if (m_steps[m_index].send) {
    if (WholeSeconds(nowMs) >= m_echoDeadlineSecond) Fail();
    return step;
  }
  m_read.Tick(nowMs);
  if (m_read.Done()) ReadDone(nowMs, step);
  return step;
}

void CommandExchange::Abort() {
  Fail();
}

void CommandExchange::Fail() {
  m_done = m_failed = true;
}

ReadWant CommandExchange::Want() const {
  if (m_done || m_steps[m_index].send) return {1, 1};
  return m_read.Want();
}
