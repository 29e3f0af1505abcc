#pragma once
// Receiving one Flash File from the instrument by XMODEM-CRC.
//
// Developer note on the transfer:
// - The request is "<n>SLD". The receiver then sends the start request "C" 00 00 00 every
//   three seconds, for at most ten seconds, until the first byte arrives. (The instrument wants
//   the three zeros; a textbook XMODEM sender may take the first zero as a reply to block 1.)
// - Packets are 133 bytes: SOH, block number (1, 2, ... wrapping 255 -> 0), its ones'
//   complement, 128 data bytes, CRC-16/XMODEM of the data, high byte first. Valid and expected:
//   ACK and written; valid repeat of the previous block: ACK, not written; valid but any other
//   block: CAN, the transfer ends; invalid: NAK. EOT or CAN count only as the first byte of a
//   packet; EOT ends the file (answered with ACK), CAN aborts it (also answered with ACK).
// - Ten seconds without a byte while no packet is in progress: NAK, repeated every ten
//   seconds. A packet stuck half-way for ten seconds is dropped with NAK. Bytes that arrive in
//   the very pass in which such a deadline expires are kept: they are data, not silence.
// - Cancel sends one CAN (the instrument takes one; a textbook sender wants two).
// - A damaged first byte of a packet can look like EOT. So an EOT counts only when the line then
//   stays quiet for one read time-out (250 ms); bytes that follow make it a damaged packet: they
//   are drained until the line is quiet and answered with NAK, and the sender repeats the packet.
// - After EOT the file must hold every record its own header declares (a log's header says how
//   long the file is); a shorter file is a failed transfer, not a success.
// - A port that fails (the adapter unplugged, the device gone) ends the transfer at once.
// - The file gets the data of every accepted packet, padding of the last block included; the
//   first four bytes are replaced by the format marker (1 or 256, little-endian). It is written
//   through the output facility: the target appears, complete, only after a successful transfer.
//   After a failure an earlier file at the target is left as it was, and the packets accepted so
//   far are kept beside it as "NAME.partial" (nothing is kept when no packet arrived).

#include <cstddef>
#include <cstdint>
#include <string>

#include "LinkPort.h"
#include "LinkPrompt.h"

uint16_t Crc16(const uint8_t* data, size_t length);

enum class ReceiveEnd {
  kEot,                  // success
  kCannotCreateFile,     // nothing sent, no file
  kCommandNotSent,       // the download request could not be written
  kNoStart,              // no byte within ten seconds of start requests
  kInstrumentCancelled,  // CAN at a packet start
  kOutOfSequence,        // a valid packet with an unexpected block number; CAN sent
  kCancelled,            // the user cancelled; CAN sent
  kFileWriteFailed,      // the file could not take the data; CAN sent
  kPortFailed,           // the port failed (device gone); nothing more could be sent
  kEndedEarly,           // EOT came before every record the file's header declares
};

struct ReceiveReport {
  ReceiveEnd end = ReceiveEnd::kNoStart;
  int packets = 0;              // accepted packets
  long long bytes = 0;          // bytes taken from the line, headers and rejected packets included
  long long dataBytes = 0;      // bytes of accepted packets, the file's length
  long long requiredBytes = 0;  // for kEndedEarly: the length the file's header declares
  bool fileCreated = false;     // the output could be opened (the transfer was asked for)
  std::string fileError;        // for kCannotCreateFile and kFileWriteFailed: the reason
  std::string portError;        // for kPortFailed: the port's reason
  std::string partialPath;      // after a failure: where the data received so far was kept
};

// How long a log of `fileLength` bytes must be according to its header: the header and every
// record it declares. `head` holds the file's first `headSize` bytes (all of the header: at least
// 3112 bytes, or the whole file). A header the loader would refuse (a header block longer than
// 3100 bytes) is not judged here: the result is then `fileLength` itself.
long long RequiredLogLength(const uint8_t* head, size_t headSize, long long fileLength);

// Requests Flash File `fileNumber` (1-based) and writes it to `path` (UTF-8). `version` is the
// instrument's identification text, for the format marker. Nonzero only after EOT with a
// complete file in place.
int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::string& path,
                     const std::string& version, LinkPrompt& prompt,
                     ReceiveReport* report = nullptr);

// "Why it ended" in a sentence, for messages of headless callers.
std::string DescribeReceiveEnd(const ReceiveReport& report);
