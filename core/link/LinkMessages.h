#pragma once
// Every text the instrument commands show the user, once: the message boxes of the port, the
// identification, the directory and the configuration, and the progress window's texts. The
// desktop program shows them in its windows, the command-line tool prints them; both take them
// from here, so the same fault reads the same everywhere.

#include <string>

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
};

// The message box text of a fault; empty for the faults that end a command silently.
const char* FaultMessage(LinkFault fault);

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

// "Receiving Flash File...\nPackets: 3 / Bytes: 399": the receive's count line; the bytes are
// those on the line, packet headers and CRCs included.
std::string ReceivingText(int packets, long long lineBytes);
