#include "SerialLinkPort.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QString>
#include <algorithm>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#include <termios.h>
#endif
#include "InstrumentFlows.h"
#include "file/WindowsApi.h"

namespace {

constexpr int kReadTimeoutMs = 250;
constexpr int kWriteTimeoutMs = 500;
constexpr int kStaleInputLimitMs = 1000;
// Waits on the line are cut into slices this long, between which the wait hook runs (the
// desktop program's progress window paints and notices Cancel there).
constexpr int kWaitSliceMs = 20;

// Errors after which the port gives nothing more: the device is gone (an unplugged adapter, a
// closed pseudo-terminal), or reading or writing it fails outright.
bool IsFatalError(QSerialPort::SerialPortError error) {
  return error == QSerialPort::ResourceError || error == QSerialPort::DeviceNotFoundError ||
         error == QSerialPort::PermissionError || error == QSerialPort::NotOpenError ||
         error == QSerialPort::ReadError || error == QSerialPort::WriteError;
}

class SerialLinkPort final : public LinkPort {
 public:
  explicit SerialLinkPort(const std::string& name) {
    m_port.setPortName(QString::fromStdString(name));
  }
  ~SerialLinkPort() override {
    if (m_port.isOpen()) m_port.close();
  }

  bool Open(const LineSettings& line, std::string& error, bool& openFailed) {
    openFailed = false;
    if (!m_port.open(QIODevice::ReadWrite)) {
      openFailed = true;
      error = m_port.errorString().toStdString();
      return false;
    }
    const bool configured =
        m_port.setBaudRate(line.baudRate) &&
        m_port.setDataBits(line.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8) &&
        m_port.setParity(line.parity == LineParity::Even  ? QSerialPort::EvenParity
                         : line.parity == LineParity::Odd ? QSerialPort::OddParity
                                                          : QSerialPort::NoParity) &&
        m_port.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
      error = m_port.errorString().toStdString();
      return false;
    }
    // A pseudo-terminal has no modem lines; the instrument's cable may. Failure is fine here.
    m_port.setDataTerminalReady(true);
    m_port.setRequestToSend(true);
    m_port.clearError();
    m_port.flush();
    DiscardStaleInput(line.baudRate);
    return true;
  }

  int Read(uint8_t* buffer, int count) override {
    if (count <= 0) return 0;
    QElapsedTimer timer;
    timer.start();
    while (m_port.bytesAvailable() < count) {
      const qint64 left = kReadTimeoutMs - timer.elapsed();
      if (left <= 0) break;
      if (!m_port.waitForReadyRead(static_cast<int>(std::min<qint64>(left, kWaitSliceMs)))) {
        if (IsFatal()) return -1;
        m_port.clearError();  // the time-out, or a line error: wait out what is left
      }
      Waiting();
      if (Cancelled()) break;
    }
    const qint64 n = m_port.read(reinterpret_cast<char*>(buffer),
                                 std::min<qint64>(count, m_port.bytesAvailable()));
    return n < 0 ? -1 : static_cast<int>(n);
  }

  int Write(const uint8_t* data, int count) override {
    if (count <= 0) return 0;
    const qint64 queued = m_port.write(reinterpret_cast<const char*>(data), count);
    if (queued < 0) return -1;
    QElapsedTimer timer;
    timer.start();
    while (m_port.bytesToWrite() > 0) {
      const qint64 left = kWriteTimeoutMs - timer.elapsed();
      if (left <= 0) break;
      if (!m_port.waitForBytesWritten(static_cast<int>(std::min<qint64>(left, kWaitSliceMs)))) {
        if (IsFatal()) return -1;
        m_port.clearError();
      }
      Waiting();
    }
    const qint64 pending = m_port.bytesToWrite();
    if (pending > 0) {
      // Whatever did not go within the write time-out is dropped, as the driver would report a
      // short write; it must not leak into a later write.
      m_port.clear(QSerialPort::Output);
    }
    return static_cast<int>(queued - std::min<qint64>(pending, queued));
  }

  int BytesWaiting() override {
    m_port.waitForReadyRead(0);  // moves what the driver holds into the port's buffer
    if (IsFatal()) return -1;
    m_port.clearError();
    return static_cast<int>(m_port.bytesAvailable());
  }

  bool FlushOutput() override { return m_port.flush() || m_port.bytesToWrite() == 0; }

  bool WaitDrained(int milliseconds) override {
    if (!m_failure.empty()) return false;  // nothing leaves a port that is gone
    QElapsedTimer timer;
    timer.start();
    while (m_port.bytesToWrite() > 0 && timer.elapsed() < milliseconds) {
      m_port.waitForBytesWritten(
          static_cast<int>(std::clamp<qint64>(milliseconds - timer.elapsed(), 1, kWaitSliceMs)));
      if (IsFatal()) return false;
      Waiting();
    }
    if (m_port.bytesToWrite() > 0) return false;
#if defined(Q_OS_UNIX)
    const int fd = static_cast<int>(m_port.handle());
    for (;;) {
      int queued = 0;
      if (::ioctl(fd, TIOCOUTQ, &queued) != 0) return ::tcdrain(fd) == 0;
      if (queued <= 0) return true;
      if (timer.elapsed() >= milliseconds) return false;
      SystemLinkClock().Sleep(2);
      Waiting();
    }
#elif defined(Q_OS_WIN)
    return FlushFileBuffers(reinterpret_cast<HANDLE>(m_port.handle())) != 0;
#else
    return true;
#endif
  }

  std::string FailureReason() const override {
    return m_failure;
  }

  void PurgeInput() override {
    m_port.clear(QSerialPort::Input);
  }
  void PurgeOutput() override {
    m_port.clear(QSerialPort::Output);
  }
  LinkClock& Clock() override {
    return SystemLinkClock();
  }

 private:
  // True when the port has failed for good; remembers why.
  bool IsFatal() {
    if (!IsFatalError(m_port.error())) return false;
    if (m_failure.empty()) m_failure = m_port.errorString().toStdString();
    return true;
  }

  // Whatever an earlier command left on the line (the rest of a packet that was on its way when
  // a download was interrupted, say) would be read as the first reply. It is thrown away: the
  // driver's queue at once, then whatever is still arriving until the line has been quiet for
  // four character times at its rate, but at least 20 ms (a USB adapter hands bytes over every
  // 16 ms by default): 20 ms at 9600 baud, 36 ms at 1200.
  void DiscardStaleInput(int baudRate) {
    const int characterMs = (10000 + std::max(baudRate, 1) - 1) / std::max(baudRate, 1);
    const int quietMs = std::max(20, 4 * characterMs);
    m_port.clear(QSerialPort::Input);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kStaleInputLimitMs && m_port.waitForReadyRead(quietMs)) {
      m_port.readAll();
    }
    m_port.readAll();
    m_port.clearError();
  }

  QSerialPort m_port;
  std::string m_failure;
};

}  // namespace

std::vector<std::string> FindComPorts() {
  std::vector<std::string> names;
#ifdef Q_OS_WIN
  for (int n = 1; n <= 32; ++n) {
    QSerialPort probe(QStringLiteral("COM%1").arg(n));
    if (probe.open(QIODevice::ReadWrite)) {
      names.push_back("COM" + std::to_string(n));
      probe.close();
    }
  }
#else
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    names.push_back(info.systemLocation().toStdString());
  }
  std::sort(names.begin(), names.end());
  if (const char* extra = std::getenv("METERLOG2_PORTS")) {
    const std::string list = extra;
    size_t start = 0;
    while (start <= list.size()) {
      const size_t end = std::min(list.find(':', start), list.size());
      const std::string path = list.substr(start, end - start);
      if (!path.empty() && std::find(names.begin(), names.end(), path) == names.end()) {
        names.push_back(path);
      }
      start = end + 1;
    }
  }
#endif
  return names;
}

std::unique_ptr<LinkPort> OpenSerialPort(const std::string& name, const LineSettings& line,
                                         std::string& error, bool& openFailed) {
  auto port = std::make_unique<SerialLinkPort>(name);
  if (!port->Open(line, error, openFailed)) {
    if (!openFailed) {
      std::unique_ptr<LinkPort> opened = std::move(port);
      CloseComPort(opened);
    }
    return nullptr;
  }
  return port;
}

LinkServices SystemLinkServices() {
  LinkServices services;
  services.findPorts = FindComPorts;
  services.openPort = OpenSerialPort;
  return services;
}
