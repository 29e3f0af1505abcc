#include <memory>

#include "LinkPort.h"

namespace {

// Long enough for a full driver queue at the slowest line rate to go out.
constexpr int kDrainLimitMs = 10000;

}  // namespace

void CloseComPort(std::unique_ptr<LinkPort>& port) {
  if (!port) return;
  // The last bytes of a command (the ACK after EOT, "7SST"/"7SUP", the clock command) are often
  // still on their way when the command ends; purging output at once would destroy them. Let the
  // output drain first, and only throw away output that could not be sent at all.
  const bool drained = port->WaitDrained(kDrainLimitMs);
  port->PurgeInput();
  if (!drained) port->PurgeOutput();
  port.reset();  // closes the port; QSerialPort puts the previous line settings back
}
