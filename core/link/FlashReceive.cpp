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

std::filesystem::path PathFromUtf8(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string PathToUtf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

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
      : port_(port), clock_(port->Clock()), prompt_(prompt), report_(report), receiver_(marker) {
    transfer_.expectedBytes = expectedBytes;
  }

  bool OpenFile(const std::string& path);
  int Run(const std::string& command, const std::string& path);

 private:
  bool WaitForStart();
  void ReceivePackets();
  void SendCancel();
  bool Apply(const ReceiveStep& step);
  bool Send(const std::vector<uint8_t>& bytes);
  bool WriteData(const std::vector<uint8_t>& data);
  void Show(const ReceiveStep& step);
  bool PortFailed();
  bool CheckLength();

  LinkPort* port_;
  LinkClock& clock_;
  LinkPrompt& prompt_;
  ReceiveReport& report_;
  FlashReceiver receiver_;
  OutputFile file_;
  Window first_, second_;
  Window* current_ = &first_;
  std::vector<uint8_t> head_;  // the file's first bytes, for the length its header declares
  TransferProgress transfer_;
  int64_t firstByteAt_ = -1;
};

bool Transfer::OpenFile(const std::string& path) {
  if (file_.Open(PathFromUtf8(path))) return true;
  report_.end = ReceiveEnd::kCannotCreateFile;
  report_.fileError = file_.Reason();
  return false;
}

int Transfer::Run(const std::string& command, const std::string& path) {
  report_.fileCreated = true;
  WaitHookScope hook(port_, [this] { current_->Pump(); });
  prompt_.BeginWait();
  first_.Open(prompt_, false);
  first_.SetText(link_text::kPreparing);
  if (!WriteCommand(command, port_)) {
    report_.end = ReceiveEnd::kCommandNotSent;
    first_.Close();
    prompt_.EndWait();
    return 0;
  }
  first_.SetText(link_text::kWaitingForTransfer);
  port_->FlushOutput();
  const bool started = WaitForStart();
  first_.Hide();
  prompt_.EndWait();
  second_.Open(prompt_, true);
  current_ = &second_;
  second_.SetText(link_text::kReceiving);
  if (started) ReceivePackets();

  bool done = report_.end == ReceiveEnd::kEot && CheckLength();
  second_.Close();
  if (done && !file_.Commit()) {
    report_.end = ReceiveEnd::kFileWriteFailed;
    report_.fileError = file_.Reason();
    done = false;
  }
  if (!done) report_.partialPath = PathToUtf8(file_.KeepAs(PathFromUtf8(path + ".partial")));
  current_ = &first_;
  first_.Close();
  return done ? 1 : 0;
}

// Start requests until the first byte waits in the line's queue (the first window has no
// Cancel button: this wait cannot be cancelled).
bool Transfer::WaitForStart() {
  if (!Send(receiver_.Start(clock_.Milliseconds()).send)) return false;
  while (receiver_.Phase() == ReceivePhase::kWaitingForStart) {
    first_.Pump();
    clock_.Sleep(kStartPollMs);
    const int waiting = port_->BytesWaiting();
    if (waiting < 0) return PortFailed();
    if (waiting > 0) return true;
    if (!Send(receiver_.Tick(clock_.Milliseconds()).send)) return false;
  }
  report_.end = ReceiveEnd::kNoStart;
  return false;
}

void Transfer::ReceivePackets() {
  uint8_t buffer[FlashReceiver::kPacketSize];
  while (receiver_.Phase() != ReceivePhase::kEnded) {
    const int64_t before = clock_.Milliseconds();
    const int n = port_->Read(buffer, receiver_.BytesWanted());
    if (n < 0) {
      PortFailed();
      return;
    }
    // A read waits for data; one that comes back empty at once must not make the loop spin.
    if (n == 0 && clock_.Milliseconds() - before < kStartPollMs) clock_.Sleep(kStartPollMs);
    const int64_t now = clock_.Milliseconds();
    if (n > 0 && firstByteAt_ < 0) firstByteAt_ = now;
    const ReceiveStep step =
        n > 0 ? receiver_.Feed(buffer, static_cast<size_t>(n), now) : receiver_.Tick(now);
    if (!Apply(step)) {
      // A file write that failed because the program is being interrupted is a cancel.
      if (report_.end == ReceiveEnd::kFileWriteFailed && second_.Cancelled()) SendCancel();
      return;
    }
    if (receiver_.Phase() == ReceivePhase::kEnded) report_.end = EndOf(receiver_.End());
    second_.Pump();
    if (second_.Cancelled()) break;
  }
  if (second_.Cancelled()) SendCancel();
}

// The user cancelled (also after a pass that ended the transfer): one CAN, with a few more
// attempts when the port refuses it.
void Transfer::SendCancel() {
  receiver_.Cancel();
  if (report_.end != ReceiveEnd::kEot) report_.end = ReceiveEnd::kCancelled;
  for (int attempt = 0; attempt < kCancelAttempts && port_->Write(&kCan, 1) != 1; ++attempt) {
  }
}

// The answer goes out first: the instrument starts the next packet as soon as it has it.
bool Transfer::Apply(const ReceiveStep& step) {
  if (!Send(step.send)) return false;
  Show(step);
  return step.data.empty() || WriteData(step.data);
}

bool Transfer::Send(const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) return true;
  if (port_->Write(bytes.data(), static_cast<int>(bytes.size())) >= 0) return true;
  receiver_.Abort();
  return PortFailed();
}

bool Transfer::WriteData(const std::vector<uint8_t>& data) {
  if (head_.size() < kHeadBytes) head_.insert(head_.end(), data.begin(), data.end());
  if (file_.Write(data.data(), data.size())) {
    report_.dataBytes += static_cast<long long>(data.size());
    return true;
  }
  // A file that cannot take the data must not let the transfer run on as if it did.
  report_.fileError = file_.Reason();
  report_.end = ReceiveEnd::kFileWriteFailed;
  receiver_.Abort();
  if (!second_.Cancelled()) Send({0x18});  // a cancel sends its own CAN
  return false;
}

// The window's text as the protocol goes, and beside it the numbers of the transfer.
void Transfer::Show(const ReceiveStep& step) {
  const ReceiveProgress& p = receiver_.Progress();
  report_.packets = p.packets;
  report_.repeats = p.repeats;
  report_.bytes = p.lineBytes;
  for (ReceiveEvent event : step.events) {
    if (event != ReceiveEvent::kBytes && event != ReceiveEvent::kPacket) continue;
    transfer_.packets = p.packets;
    transfer_.lineBytes = p.lineBytes;
    transfer_.dataBytes = p.dataBytes;
    transfer_.elapsedMs = clock_.Milliseconds() - firstByteAt_;
    second_.SetTransfer(transfer_);
    break;
  }
  for (ReceiveEvent event : step.events) {
    switch (event) {
      case ReceiveEvent::kBytes:
      case ReceiveEvent::kPacket:
        second_.SetText(ReceivingText(p.packets, p.lineBytes));
        break;
      case ReceiveEvent::kInvalid:
        second_.SetText(link_text::kInvalidPacket);
        break;
      case ReceiveEvent::kEot:
        second_.SetText(link_text::kReceivedEot);
        break;
      case ReceiveEvent::kCan:
        second_.SetText(link_text::kReceivedCan);
        break;
      default:
        break;
    }
  }
}

// A write or read that fails for good ends the transfer at once, with the port's reason.
bool Transfer::PortFailed() {
  receiver_.Abort();
  report_.end = ReceiveEnd::kPortFailed;
  report_.portError = port_->FailureReason();
  if (report_.portError.empty()) report_.portError = "the port stopped working";
  return false;
}

// The instrument says the file is complete; the file's own header must agree.
bool Transfer::CheckLength() {
  const long long required = RequiredLogLength(head_.data(), head_.size(), report_.dataBytes);
  if (report_.dataBytes >= required) return true;
  report_.end = ReceiveEnd::kEndedEarly;
  report_.requiredBytes = required;
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

int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::string& path,
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

std::string DescribeReceiveEnd(const ReceiveReport& report) {
  switch (report.end) {
    case ReceiveEnd::kEot:
      return "the Flash File was received";
    case ReceiveEnd::kCannotCreateFile:
      return "the output file could not be created (" + report.fileError + ")";
    case ReceiveEnd::kCommandNotSent:
      return "the download request could not be sent to the instrument";
    case ReceiveEnd::kNoStart:
      return "the instrument did not start the transfer within ten seconds";
    case ReceiveEnd::kInstrumentCancelled:
      return "the instrument cancelled the transfer";
    case ReceiveEnd::kOutOfSequence:
      return "the instrument sent a block out of sequence; the transfer was cancelled";
    case ReceiveEnd::kCancelled:
      return "the transfer was cancelled";
    case ReceiveEnd::kFileWriteFailed:
      return "the output file could not be written (" + report.fileError + ")";
    case ReceiveEnd::kPortFailed:
      return "the port failed (" + report.portError + ")";
    case ReceiveEnd::kEndedEarly:
      return "the transfer ended early: " + IntText(report.dataBytes) + " of " +
             IntText(report.requiredBytes) + " bytes";
  }
  return "the transfer failed";
}
