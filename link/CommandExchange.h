#pragma once
// The echoed part of an instrument command as a state machine: a script of steps run in order,
// each receiving characters or sending them against the instrument's echo. The command bytes
// around it ("1XSU", "7SST", ...) are plain writes of their callers (InstrumentProtocol.cpp).
//
// - Receive: characters read with the primitive read's timing (TimedRead.h), either in one read
//   or each in a read of its own (the way the hex digits of a configuration record come). With
//   echo each character is written back as it arrives, before it is looked at. Each must pass
//   the step's rule; the first that does not ends the exchange (it has been echoed by then).
// - SendEchoed: the characters one at a time; each write must succeed, and the instrument must
//   send that very character back within five seconds (one-second clock) before the next goes.
// The first step that fails ends the exchange; nothing is retried.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "LineMachine.h"
#include "TimedRead.h"

// Which characters a receive step takes.
struct CharRule {
  enum class Kind { kAny, kHexDigit, kExactly };
  Kind kind = Kind::kAny;
  char expected = 0;

  static CharRule Any() { return {}; }
  static CharRule HexDigit() { return {Kind::kHexDigit, 0}; }
  static CharRule Exactly(char c) { return {Kind::kExactly, c}; }
  bool Accepts(uint8_t c) const;
};

class CommandExchange final : public LineMachine {
 public:
  // `count` characters, all in one read or (`readEach`) one read per character.
  void Receive(int count, bool echo, CharRule rule, bool readEach);
  void SendEchoed(std::string text);

  LineStep Start(int64_t nowMs) override;
  LineStep Feed(const uint8_t* bytes, size_t count, int64_t nowMs) override;
  LineStep Tick(int64_t nowMs) override;
  void Abort() override;
  bool Done() const override { return m_done; }
  ReadWant Want() const override;

  bool Succeeded() const { return m_done && !m_failed; }
  // Steps completed; the step after them is the one that failed (or was running).
  size_t StepsDone() const { return m_index; }
  // The characters the receive steps took and accepted, in order.
  const std::vector<uint8_t>& Received() const { return m_received; }
  // Characters sent and echoed correctly, over all steps.
  int EchoedCount() const { return m_echoed; }

 private:
  struct Step {
    bool send = false;
    std::string text;  // SendEchoed
    int count = 0;     // Receive
    bool echo = false, readEach = false;
    CharRule rule;
  };

  void BeginStep(int64_t nowMs, LineStep& step);
  void SendNext(int64_t nowMs, LineStep& step);
  void ReadDone(int64_t nowMs, LineStep& step);
  void Fail();

  std::vector<Step> m_steps;
  size_t m_index = 0;
  int m_position = 0;  // characters of the current step done
  TimedRead m_read;
  int64_t m_echoDeadlineSecond = 0;
  bool m_done = false, m_failed = false;
  std::vector<uint8_t> m_received;
  int m_echoed = 0;
};
