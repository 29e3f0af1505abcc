#include "LinkMessages.h"

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
      break;
  }
  return "";
}

std::string ReceivingText(int packets, long long lineBytes) {
  return std::string(link_text::kReceiving) + "\nPackets: " + IntText(packets) +
         " / Bytes: " + IntText(lineBytes);
}
