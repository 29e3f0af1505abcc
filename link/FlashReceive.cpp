#include "FlashReceive.h"

#include <filesystem>
#include <vector>

#include "InstrumentProtocol.h"
#include "LinkMessages.h"
#include "SerialIo.h"
#include "file/OutputFile.h"
#include "text/Text.h"

namespace {

constexpr int kStartPollMs = 10;  // also the pause after a read that returned at once
constexpr int kCancelAttempts = 3;
// The header and the first record count and size lie within this many bytes of the start.
constexpr size_t kHeadBytes = 12 + 3100;

// The transfer's two progress windows may fail to come up; it goes on without them.
struct Window {
  std::unique_ptr<LinkProgress> progress;
  std::string text;

  void Open(LinkPrompt& prompt, bool withCancel) {
    progress = prompt.NewProgress();
    if (progress && !progress->Create(withCancel)) progress.reset();
  }
  void SetText(const std::string& newText) {
    if (progress && newText != text) progress->SetText(newText);
    text = newText;
  }
  void SetTransfer(const TransferProgress& transfer) {
    if (progress) progress->SetTransfer(transfer);
  }
  void Pump() {
    if (progress) progress->PeekAndPump();
  }
  bool Cancelled() const { return progress && progress->Cancelled(); }
  void Hide() {
    if (progress) progress->Hide();
  }
  void Close() {
    Hide();
    progress.reset();
  }
};

ReceiveEnd EndOf(ReceiveEvent event) {
  switch (event) {
    case ReceiveEvent::kEot:
      return ReceiveEnd::kEot;
    case ReceiveEvent::kCan:
      return ReceiveEnd::kInstrumentCancelled;
    case ReceiveEvent::kOutOfSequence:
      return ReceiveEnd::kOutOfSequence;
    case ReceiveEvent::kCancelled:
      return ReceiveEnd::kCancelled;
    default:
      return ReceiveEnd::kNoStart;
  }
}

// One transfer: the state machine on the serial line, with its windows and its file.
class Transfer {
 public:
  Transfer(LinkPort* port, LinkPrompt& prompt, ReceiveReport& report, uint32_t marker,
           long long expectedBytes)
      : m_port(port),
        m_clock(port->Clock()),
        m_prompt(prompt),
        m_report(report),
        m_receiver(marker) {
    m_transfer.expectedBytes = expectedBytes;
  }

  bool OpenFile(const std::filesystem::path& path);
  int Run(const std::string& command, const std::filesystem::path& path);

 private:
  bool WaitForStart();
  void ReceivePackets();
  void SendCan();
  bool Apply(const ReceiveStep& step);
  bool Send(const std::vector<uint8_t>& bytes);
  bool WriteData(const std::vector<uint8_t>& data);
  void Show(const ReceiveStep& step);
  bool PortFailed();
  bool CheckLength();

  LinkPort* m_port;
  LinkClock& m_clock;
  LinkPrompt& m_prompt;
  ReceiveReport& m_report;
  FlashReceiver m_receiver;
  OutputFile m_file;
  Window m_first, m_second;
  Window* m_current = &m_first;
  std::vector<uint8_t> m_head;  // the file's first bytes, for the length its header declares
  TransferProgress m_transfer;
  int64_t m_firstByteAt = -1;
};

bool Transfer::OpenFile(const std::filesystem::path& path) {
  if (m_file.Open(path)) return true;
  m_report.end = ReceiveEnd::kCannotCreateFile;
  m_report.fileError = m_file.Reason();
  return false;
}

int Transfer::Run(const std::string& command, const std::filesystem::path& path) {
  m_report.fileCreated = true;
  WaitHookScope hook(m_port, [this] { m_current->Pump(); });
  m_prompt.BeginWait();
  m_first.Open(m_prompt, false);
  m_first.SetText(link_text::kPreparing);
  if (!WriteCommand(command, m_port)) {
    m_report.end = ReceiveEnd::kCommandNotSent;
    m_first.Close();
    m_prompt.EndWait();
    return 0;
  }
  m_first.SetText(link_text::kWaitingForTransfer);
  m_port->FlushOutput();
  const bool started = WaitForStart();
  m_first.Hide();
  m_prompt.EndWait();
  m_second.Open(m_prompt, true);
  m_current = &m_second;
  m_second.SetText(link_text::kReceiving);
  if (started) ReceivePackets();

  bool done = m_report.end == ReceiveEnd::kEot && CheckLength();
  m_second.Close();
  if (done && !m_file.Commit()) {
    m_report.end = ReceiveEnd::kFileWriteFailed;
    m_report.fileError = m_file.Reason();
    done = false;
  }
  if (!done) {
    // Exactly the acknowledged blocks, under a name that replaces nothing.
    std::filesystem::path partial = path;
    partial += ".partial";
    m_report.partialPath = m_file.KeepAs(partial, static_cast<uint64_t>(m_report.dataBytes));
  }
  m_current = &m_first;
  m_first.Close();
  return done ? 1 : 0;
}

// Start requests until the first byte waits in the line's queue (the first window has no
// Cancel button: this wait cannot be cancelled).
bool Transfer::WaitForStart() {
  if (!Send(m_receiver.Start(m_clock.Milliseconds()).send)) return false;
  while (m_receiver.Phase() == ReceivePhase::kWaitingForStart) {
    m_first.Pump();
    m_clock.Sleep(kStartPollMs);
    const int waiting = m_port->BytesWaiting();
    if (waiting < 0) return PortFailed();
    if (waiting > 0) return true;
    if (!Send(m_receiver.Tick(m_clock.Milliseconds()).send)) return false;
  }
  m_report.end = ReceiveEnd::kNoStart;
  return false;
}

void Transfer::ReceivePackets() {
  uint8_t buffer[FlashReceiver::kPacketSize];
  while (m_receiver.Phase() != ReceivePhase::kEnded) {
    const int64_t before = m_clock.Milliseconds();
    const int n = ReadFor(m_port, buffer, m_receiver.Want());
    if (n < 0) {
      PortFailed();
      return;
    }
    // A read waits for data; one that comes back empty at once must not make the loop spin.
    if (n == 0 && m_clock.Milliseconds() - before < kStartPollMs) m_clock.Sleep(kStartPollMs);
    const int64_t now = m_clock.Milliseconds();
    if (n > 0 && m_firstByteAt < 0) m_firstByteAt = now;
    const ReceiveStep step =
        n > 0 ? m_receiver.Feed(buffer, static_cast<size_t>(n), now) : m_receiver.Tick(now);
    if (!Apply(step)) return;
    if (m_receiver.Phase() == ReceivePhase::kEnded) m_report.end = EndOf(m_receiver.End());
    m_second.Pump();
    if (m_second.Cancelled()) break;
  }
  // The user cancelled (also after a pass that ended the transfer): one CAN.
  if (m_second.Cancelled()) {
    m_receiver.Cancel();
    if (m_report.end != ReceiveEnd::kEot) m_report.end = ReceiveEnd::kCancelled;
    SendCan();
  }
}

// One CAN, with a few more attempts when the port refuses it.
void Transfer::SendCan() {
  for (int attempt = 0; attempt < kCancelAttempts && m_port->Write(&kCan, 1) != 1; ++attempt) {
  }
}

// A packet is acknowledged only once it is in the file: the data goes first, then the answer.
// Data that cannot be kept (a full disk, a program being interrupted) is answered with CAN
// instead, so the instrument never hears of a block the file does not hold.
bool Transfer::Apply(const ReceiveStep& step) {
  if (!step.data.empty() && !WriteData(step.data)) return false;
  // A port that fails here never told the instrument: the block just written is not counted,
  // and the partial file is cut back to the acknowledged blocks.
  if (!Send(step.send)) return false;
  m_report.dataBytes += static_cast<long long>(step.data.size());
  m_report.packets += static_cast<int>(step.data.size() / FlashReceiver::kDataSize);
  Show(step);
  return true;
}

bool Transfer::Send(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return true;
  if (m_port->Write(bytes.data(), static_cast<int>(bytes.size())) >= 0) return true;
  m_receiver.Abort();
  return PortFailed();
}

bool Transfer::WriteData(const std::vector<uint8_t>& data) {
  if (m_file.Write(data.data(), data.size())) {
    if (m_head.size() < kHeadBytes) m_head.insert(m_head.end(), data.begin(), data.end());
    return true;
  }
  m_receiver.Abort();
  m_second.Pump();  // an interrupt refuses the write; the window reports it as a cancel
  if (m_second.Cancelled()) {
    m_report.end = ReceiveEnd::kCancelled;
  } else {
    m_report.fileError = m_file.Reason();
    m_report.end = ReceiveEnd::kFileWriteFailed;
  }
  SendCan();
  return false;
}

// The window's text as the protocol goes, and beside it the numbers of the transfer.
void Transfer::Show(const ReceiveStep& step) {
  const ReceiveProgress& p = m_receiver.Progress();
  m_report.repeats = p.repeats;
  m_report.bytes = p.lineBytes;
  for (ReceiveEvent event : step.events) {
    if (event != ReceiveEvent::kBytes && event != ReceiveEvent::kPacket) continue;
    m_transfer.packets = m_report.packets;
    m_transfer.lineBytes = p.lineBytes;
    m_transfer.dataBytes = m_report.dataBytes;
    m_transfer.elapsedMs = m_clock.Milliseconds() - m_firstByteAt;
    m_second.SetTransfer(m_transfer);
    break;
  }
  for (ReceiveEvent event : step.events) {
    switch (event) {
      case ReceiveEvent::kBytes:
      case ReceiveEvent::kPacket:
        m_second.SetText(ReceivingText(m_report.packets, p.lineBytes));
        break;
      case ReceiveEvent::kInvalid:
        m_second.SetText(link_text::kInvalidPacket);
        break;
      case ReceiveEvent::kEot:
        m_second.SetText(link_text::kReceivedEot);
        break;
      case ReceiveEvent::kCan:
        m_second.SetText(link_text::kReceivedCan);
        break;
      default:
        break;
    }
  }
}

// A write or read that fails for good ends the transfer at once, with the port's reason.
bool Transfer::PortFailed() {
  m_receiver.Abort();
  m_report.end = ReceiveEnd::kPortFailed;
  m_report.portError = m_port->FailureReason();
  if (m_report.portError.empty()) m_report.portError = "the port stopped working";
  return false;
}

// The instrument says the file is complete; the file's own header must agree.
bool Transfer::CheckLength() {
  const long long required = RequiredLogLength(m_head.data(), m_head.size(), m_report.dataBytes);
  if (m_report.dataBytes >= required) return true;
  m_report.end = ReceiveEnd::kEndedEarly;
  m_report.requiredBytes = required;
  return false;
}

}  // namespace

long long RequiredLogLength(const uint8_t* head, size_t headSize, long long fileLength) {
  constexpr size_t kMaxHeaderSize = 3100;
  if (fileLength < 6 || headSize < 6) return 6;
  const size_t headerSize = (size_t{head[4]} << 8) | head[5];
  const long long header = static_cast<long long>(headerSize);
  if (headerSize > kMaxHeaderSize) return fileLength;  // no log the loader takes: not ours to judge
  if (fileLength == 6 + header) return fileLength;     // a log without records
  if (fileLength < 12 + header) return 12 + header;
  if (headSize < 12 + headerSize) return fileLength;
  const uint8_t* p = head + 6 + headerSize;
  const uint64_t count =
      (uint64_t{p[0]} << 24) | (uint64_t{p[1]} << 16) | (uint64_t{p[2]} << 8) | p[3];
  const uint64_t recordSize = (uint64_t{p[4]} << 8) | p[5];
  return 12 + header + static_cast<long long>(count * recordSize);
}

int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::filesystem::path& path,
                     const std::string& version, LinkPrompt& prompt, ReceiveReport* report,
                     long long expectedBytes) {
  ReceiveReport local;
  ReceiveReport& r = report ? *report : local;
  r = ReceiveReport{};
  if (port == nullptr) {
    r.end = ReceiveEnd::kCommandNotSent;
    return 0;
  }
  Transfer transfer(port, prompt, r, FormatMarkerFromVersion(version), expectedBytes);
  if (!transfer.OpenFile(path)) return 0;
  return transfer.Run(IntText(fileNumber) + "SLD", path);
}
