#pragma once
// Every text the instrument commands show the user, once: the message boxes of the port, the
// identification, the directory and the configuration, and the progress window's texts. The
// desktop program shows them in its windows, the command-line tool prints them; both take them
// from here, so the same fault reads the same everywhere.

#include <filesystem>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "TransferProgress.h"

struct ReceiveReport;  // FlashReceive.h

// Why an instrument command ended without doing its work.
enum class LinkFault {
  kNone,
  kNoPorts,           // no serial port found
  kPortNotChosen,     // the port choice was cancelled (nothing is said)
  kCannotOpen,        // the chosen port could not be opened
  kCannotConfigure,   // it opened but refused its settings (nothing is said)
  kNoInstrument,      // the identification failed
  kDirectoryNotSent,  // "RLD" could not be written
  kNoDirectory,       // no directory byte arrived
  kConfigReadFailed,
  kConfigWriteFailed,
  kCancelled,  // the user cancelled while the instrument was asked (nothing is said)
};

// The message box text of a fault; empty for the faults that end a command silently.
const char* FaultMessage(LinkFault fault);
// The same with what to check after it, a blank line between, where the fault leaves that open:
// an instrument that did not answer on `line` ("Check the port (COM3) and its line settings
// ...").
std::string FaultText(LinkFault fault, const LineSettings& line);

namespace link_text {
inline constexpr char kConfigUpdated[] = "Updated Device Configuration";

// The progress window's texts.
inline constexpr char kInitiate[] = "Initiate communication with device...";
inline constexpr char kRetrievingDirectory[] = "Retrieving Flash File Directory from device...";
inline constexpr char kRetrievingConfig[] = "Retrieving current configuration from the device...";
inline constexpr char kSendingConfig[] = "Sending new configuration to the device...";
inline constexpr char kPreparing[] = "Preparing to receive Flash File...";
inline constexpr char kWaitingForTransfer[] = "Waiting for transfer to begin...";
inline constexpr char kReceiving[] = "Receiving Flash File...";
inline constexpr char kReceivedEot[] = "Received an EOT...";
inline constexpr char kReceivedCan[] = "Received a CAN...";
inline constexpr char kInvalidPacket[] = "Received an invalid packet...";
}  // namespace link_text

// "Receiving Flash File...\nPackets: 3 / Bytes: 399": the receive's progress text. The bytes are
// those taken from the line, packet headers and refused packets included.
std::string ReceivingText(int packets, long long lineBytes);

// How far a download is beside that text, when the entry's directory line gave its size:
// "21 %, about 40 s left" ("21 %" in its first second); empty when the size is not known. The
// desktop shows it under its progress bar.
std::string TransferText(const TransferProgress& progress);
// The command-line tool's progress line: "Packets: 3 / Bytes: 399 (21 %, about 40 s left)".
std::string TransferLine(const TransferProgress& progress);

// "Why it ended" in a few words, e.g. "the instrument cancelled the transfer".
std::string DescribeReceiveEnd(const ReceiveReport& report);

// What a download that did not leave a complete file tells the user, one sentence per line: what
// happened to `target`, whether it was left as it was, and where the data received so far was
// kept. `cancelNote` says why the program cancelled (empty: the user did). The command-line
// tool prints the lines one by one, the desktop program shows them in one message box.
std::vector<std::string> DownloadFailureLines(const ReceiveReport& report,
                                              const std::filesystem::path& target,
                                              const std::string& cancelNote = {});
