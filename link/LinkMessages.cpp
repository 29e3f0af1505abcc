#include "LinkMessages.h"

#include "FlashReceive.h"
#include "file/PathText.h"
#include "text/Text.h"

const char* FaultMessage(LinkFault fault) {
  switch (fault) {
    case LinkFault::kNoPorts:
      return "No COM Ports Detected";
    case LinkFault::kCannotOpen:
      return "Could not open the COM Port";
    case LinkFault::kNoInstrument:
      return "Failed to communicate with a 57x device";
    case LinkFault::kDirectoryNotSent:
      return "Error while sending initial command";
    case LinkFault::kNoDirectory:
      return "Couldn't read Flash File Directory";
    case LinkFault::kConfigReadFailed:
      return "Failed to read configuration";
    case LinkFault::kConfigWriteFailed:
      return "Error updating configuration";
    case LinkFault::kNone:
    case LinkFault::kPortNotChosen:
    case LinkFault::kCannotConfigure:
    case LinkFault::kCancelled:
      break;
  }
  return "";
}

std::string FaultText(LinkFault fault, const LineSettings& line) {
  std::string text = FaultMessage(fault);
  if (fault == LinkFault::kNoInstrument) {
    text += "\n\nCheck the port (" + line.port + ") and its line settings (" + line.LineText() +
            ": the instrument must use the same), that the cable is plugged in at both ends, " +
            "and that the instrument is switched on.";
  }
  return text;
}

namespace {

std::string CountText(int packets, long long lineBytes) {
  return "Packets: " + IntText(packets) + " / Bytes: " + IntText(lineBytes);
}

}  // namespace

std::string ReceivingText(int packets, long long lineBytes) {
  return std::string(link_text::kReceiving) + "\n" + CountText(packets, lineBytes);
}

std::string TransferText(const TransferProgress& progress) {
  const int percent = PercentDone(progress);
  if (percent < 0) return {};
  std::string text = IntText(percent) + " %";
  const long long left = SecondsLeft(progress);
  if (left >= 0) text += ", about " + IntText(left) + " s left";
  return text;
}

std::string TransferLine(const TransferProgress& progress) {
  std::string line = CountText(progress.packets, progress.lineBytes);
  const std::string done = TransferText(progress);
  if (!done.empty()) line += " (" + done + ")";
  return line;
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

std::vector<std::string> DownloadFailureLines(const ReceiveReport& report,
                                              const std::filesystem::path& target,
                                              const std::string& cancelNote) {
  const std::string name = PathText(target);
  std::vector<std::string> lines;
  if (report.end == ReceiveEnd::kCancelled) {
    lines.push_back("The download of " + name + " was cancelled" +
                    (cancelNote.empty() ? "" : " (" + cancelNote + ")") + ".");
  } else {
    lines.push_back("The download of " + name + " failed: " + DescribeReceiveEnd(report) + ".");
  }
  std::error_code ec;
  if (report.fileCreated && std::filesystem::is_regular_file(target, ec)) {
    lines.push_back(name + " was left as it was.");
  }
  if (!report.partialPath.empty()) {
    std::filesystem::path usual = target;
    usual += ".partial";
    std::string kept = "The data received so far (" + IntText(report.packets) + " packets, " +
                       IntText(report.dataBytes) + " bytes) was kept as " +
                       PathText(report.partialPath);
    if (report.partialPath != usual) {
      // A number after the usual name: that name was taken; else it was cut to fit the folder.
      if (PathText(report.partialPath).rfind(PathText(usual) + ".", 0) == 0)
        kept += "; " + PathText(usual) + " was there already and was left as it was";
      else
        kept += " (the usual name, " + PathText(usual) + ", is longer than a file name may be)";
    }
    lines.push_back(kept + ".");
  }
  return lines;
}
