#pragma once
// The shape every exchange with the instrument has: a state machine that is fed the bytes that
// arrive and the time, and answers with what to write. It never waits and never touches a port;
// RunOnLine below is the one loop that drives such a machine on a serial line, and the tests
// drive the same machines in virtual time. (The Flash File receive, FlashReceiver.h, has this
// shape too, with data for the file besides.)

#include <cstddef>
#include <cstdint>
#include <vector>

#include "LinkPort.h"

// One write the machine asks for.
struct LineWrite {
  std::vector<uint8_t> bytes;
  // A write whose failure ends the exchange (a character whose echo is awaited). Echoes of
  // received characters are written without looking at the result, as the instrument expects.
  bool decides = false;
};

// What one call asks of its driver: the writes, in order.
struct LineStep {
  std::vector<LineWrite> writes;
};

// How the next read waits: until `minimum` bytes are there (or the port's read time-out of
// 250 ms has passed), then it also takes what else has already arrived, up to `maximum`.
struct ReadWant {
  int minimum = 1;
  int maximum = 1;
};

class LineMachine {
 public:
  virtual ~LineMachine() = default;
  virtual LineStep Start(int64_t nowMs) = 0;
  // Bytes that arrived by `nowMs` (never more than Want().maximum from RunOnLine).
  virtual LineStep Feed(const uint8_t* bytes, size_t count, int64_t nowMs) = 0;
  // A read that brought nothing, at `nowMs`.
  virtual LineStep Tick(int64_t nowMs) = 0;
  // The port failed, or a write that decides did: the exchange ends here, unfinished.
  virtual void Abort() = 0;
  virtual bool Done() const = 0;
  virtual ReadWant Want() const = 0;
};

// Whole seconds of a millisecond time: the protocol's five-second time-outs count these, so a
// quiet time of "five seconds" lies between four and five real seconds.
constexpr int64_t WholeSeconds(int64_t ms) {
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

// One read as `want` says. The number of bytes read, or -1 when the port has failed for good.
int ReadFor(LinkPort* port, uint8_t* buffer, ReadWant want);

// Runs `machine` on `port` from Start until it is done (or aborted because the port failed,
// refused a write that decides, or was cancelled).
void RunOnLine(LinkPort* port, LineMachine& machine);
