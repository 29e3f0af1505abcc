#include "LineMachine.h"

#include <algorithm>

namespace {

// The longest read any exchange asks for: the directory's 1023 bytes.
constexpr int kLongestRead = 1024;
constexpr int64_t kWaitHookMs = 20;

// False when a write that decides did not go out whole (the machine is then aborted).
bool WriteAll(LinkPort* port, LineMachine& machine, const LineStep& step) {
  for (const LineWrite& write : step.writes) {
    const int size = static_cast<int>(write.bytes.size());
    const int written = port->Write(write.bytes.data(), size);
    if (write.decides && written != size) {
      machine.Abort();
      return false;
    }
  }
  return true;
}

}  // namespace

int ReadFor(LinkPort* port, uint8_t* buffer, ReadWant want) {
  const int n = port->Read(buffer, want.minimum);
  if (n < want.minimum || n >= want.maximum) return n;
  const int waiting = port->BytesWaiting();
  if (waiting <= 0) return n;  // a failure shows again at the next read
  const int more = port->Read(buffer + n, std::min(waiting, want.maximum - n));
  return more < 0 ? n : n + more;
}

void RunOnLine(LinkPort* port, LineMachine& machine) {
  LinkClock& clock = port->Clock();
  if (!WriteAll(port, machine, machine.Start(clock.Milliseconds()))) return;
  uint8_t buffer[kLongestRead];
  int64_t lastHook = clock.Milliseconds();
  while (!machine.Done()) {
    if (port->Cancelled()) {
      machine.Abort();
      return;
    }
    ReadWant want = machine.Want();
    want.maximum = std::clamp(want.maximum, 1, kLongestRead);
    want.minimum = std::clamp(want.minimum, 1, want.maximum);
    const int64_t before = clock.Milliseconds();
    const int n = ReadFor(port, buffer, want);
    if (n < 0) {
      machine.Abort();
      return;
    }
    // A read waits for data; one that comes back empty at once must not make the loop spin.
    if (n == 0 && clock.Milliseconds() == before) clock.Sleep(1);
    const int64_t now = clock.Milliseconds();
    // While data flows the port's own waits are short: the window is let paint (and its Cancel
    // noticed) here too, every 20 ms.
    if (n == 0 || now - lastHook >= kWaitHookMs) {
      port->Waiting();
      lastHook = now;
    }
    const LineStep step =
        n > 0 ? machine.Feed(buffer, static_cast<size_t>(n), now) : machine.Tick(now);
    if (!WriteAll(port, machine, step)) return;
  }
}
