#pragma once
// Receiving one Flash File from the instrument by XMODEM-CRC.
//
// The wire protocol itself is FlashReceiver's (FlashReceiver.h); this is the part around it:
// the request "<n>SLD", the serial line, the progress windows and the file.
// - A read asks for the bytes still missing to a full packet, so a packet that arrives in one
//   burst is taken in one read and answered at once; the next wait is on the line, not a sleep.
// - After EOT the file must hold every record its own header declares (a log's header says how
//   long the file is); a shorter file is a failed transfer, not a success.
// - A port that fails (the adapter unplugged, the device gone) ends the transfer at once.
// - The file gets the data of every accepted packet, padding of the last block included. It is
//   written through the output facility: the target appears, complete, only after a successful
//   transfer. After a failure an earlier file at the target is left as it was, and the packets
//   accepted so far are kept beside it as "NAME.partial" (nothing is kept when no packet came);
//   when something stands at that name already (an earlier download's partial file, a device),
//   it is left alone and the data goes to "NAME.partial.1" (.2, ...) instead.
// - A packet is acknowledged only once its data is in the file: a packet that cannot be written
//   (a full disk, a program being interrupted) is answered with CAN, and the counts in the report
//   are those of the file.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FlashReceiver.h"
#include "LinkPort.h"
#include "LinkPrompt.h"

// ReceiveEnd::kEot is always written scoped, apart from the byte kEot; GCC's -Wshadow warns of
// it all the same.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#endif
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
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

struct ReceiveReport {
  ReceiveEnd end = ReceiveEnd::kNoStart;
  int packets = 0;              // accepted packets, all of them in the file
  int repeats = 0;              // repeated packets acknowledged and not written
  long long bytes = 0;          // bytes taken from the line, headers and rejected packets included
  long long dataBytes = 0;      // bytes of accepted packets, the file's length
  long long requiredBytes = 0;  // for kEndedEarly: the length the file's header declares
  bool fileCreated = false;     // the output could be opened (the transfer was asked for)
  std::string fileError;        // for kCannotCreateFile and kFileWriteFailed: the reason
  std::string portError;        // for kPortFailed: the port's reason
  std::filesystem::path partialPath;  // after a failure: where the data received so far was kept
};

// How long a log of `fileLength` bytes must be according to its header: the header and every
// record it declares. `head` holds the file's first `headSize` bytes (all of the header: at least
// 3112 bytes, or the whole file). A header the loader would refuse (a header block longer than
// 3100 bytes) is not judged here: the result is then `fileLength` itself.
long long RequiredLogLength(const uint8_t* head, size_t headSize, long long fileLength);

// Requests Flash File `fileNumber` (1-based) and writes it to `path`. `version` is the
// instrument's identification text, for the format marker; `expectedBytes` the entry's size
// when its directory line gives one (0: unknown), for the progress bar. Nonzero only after EOT
// with a complete file in place.
int ReceiveFlashFile(LinkPort* port, int fileNumber, const std::filesystem::path& path,
                     const std::string& version, LinkPrompt& prompt,
                     ReceiveReport* report = nullptr, long long expectedBytes = 0);
