#pragma once
// The abstract serial line that the instrument protocol and the packet receive work on, and the
// clocks they time themselves by. The Qt port class (SerialLinkPort.h) is one implementation; the
// tests use an in-memory peer running in virtual time.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// Calendar time of the computer, for the instrument's clock command.
struct LocalDateTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class LinkClock {
 public:
  virtual ~LinkClock() = default;
  // Whole seconds since some fixed point; the protocol's five-second time-outs count these, so a
  // quiet time of "five seconds" lies between four and five real seconds.
  virtual int64_t Seconds() = 0;
  virtual int64_t Milliseconds() = 0;
  virtual void Sleep(int milliseconds) = 0;
  virtual LocalDateTime LocalNow() = 0;
};

// The process's real clocks (steady clock for the time-outs, local time for the clock command).
LinkClock& SystemLinkClock();

class LinkPort {
 public:
  virtual ~LinkPort() = default;
  // Reads up to `count` bytes. Returns once `count` bytes are there or the port's read time-out
  // (250 ms) has passed (sooner once the command is cancelled), with the number of bytes read;
  // -1 when the port has failed for good.
  virtual int Read(uint8_t* buffer, int count) = 0;
  // Hands `count` bytes to the driver within the write time-out (500 ms). Returns the number of
  // bytes written, -1 on failure.
  virtual int Write(const uint8_t* data, int count) = 0;
  // Bytes waiting in the input queue; also clears a pending line error. -1 on failure.
  virtual int BytesWaiting() = 0;
  // Pushes buffered output towards the driver without waiting for it to go out.
  virtual bool FlushOutput() = 0;
  // Waits until everything written has left the driver, at most `milliseconds`. True when drained.
  virtual bool WaitDrained(int milliseconds) = 0;
  virtual void PurgeInput() = 0;
  // Why the port failed for good (after a read, write or query returned -1), empty otherwise.
  virtual std::string FailureReason() const { return {}; }
  virtual void PurgeOutput() = 0;
  virtual LinkClock& Clock() = 0;

  // Called again and again while an exchange waits on the line, at least every 20 ms: the
  // desktop program lets its progress window paint and notices Cancel there.
  void SetWaitHook(std::function<void()> hook) { m_waitHook = std::move(hook); }
  const std::function<void()>& WaitHook() const { return m_waitHook; }
  void Waiting() {
    if (m_waitHook) m_waitHook();
  }

  // The user gave the command up (Cancel in its progress window, usually noticed in the wait
  // hook): the exchange on the line ends at its next look, within a read time-out.
  void Cancel() { m_cancelled = true; }
  bool Cancelled() const { return m_cancelled; }

 private:
  std::function<void()> m_waitHook;
  bool m_cancelled = false;
};

// Sets a port's wait hook for one scope and puts the previous one back at its end.
class WaitHookScope {
 public:
  WaitHookScope(LinkPort* port, std::function<void()> hook) : m_port(port) {
    if (m_port == nullptr) return;
    m_previous = m_port->WaitHook();
    m_port->SetWaitHook(std::move(hook));
  }
  ~WaitHookScope() {
    if (m_port != nullptr) m_port->SetWaitHook(std::move(m_previous));
  }
  WaitHookScope(const WaitHookScope&) = delete;
  WaitHookScope& operator=(const WaitHookScope&) = delete;

 private:
  LinkPort* m_port;
  std::function<void()> m_previous;
};

// Ends an instrument command's use of the port: lets written bytes leave the driver, discards
// pending input, closes the port (restoring its previous settings) and leaves `port` null.
void CloseComPort(std::unique_ptr<LinkPort>& port);
