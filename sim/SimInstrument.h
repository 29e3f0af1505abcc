#pragma once
// A 57x instrument as a state machine: bytes from the program go in, bytes for the program come
// out, and time-outs run on the caller's millisecond clock. meterlog2-sim drives it on a
// pseudo-terminal; the link tests drive it in virtual time.
//
// What it does with each command (the real instrument's inside is unknown; this follows the
// program's side of the protocol):
// - "VER" (after "\r\n"): 49 characters, the firmware date first, ending CR LF.
// - "1XSU": 'R', the nine groups in hex with ',' after each, 'Q'; every character waits for the
//   program's echo (a wrong echo or five quiet seconds end the exchange).
// - "2XSU": 'R', then echoes every character of the groups; on 'Q' the record is stored.
// - "7SST", "7SUP": noted. "YYYY:MM:DD:hh:mm:ssTDS": sets the instrument's clock.
// - "RLD": the directory (summary line, one line per file, 0xFF).
// - "<n>SLD": Flash File n by XMODEM-CRC: waits for 'C' (zero bytes are ignored), 133-byte
//   packets padded with 0x1A, resends on NAK or after the ACK time-out, EOT at the end; one
//   CAN from the program aborts.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "config/ConfigRecord.h"

enum class SimFault {
  kSilence,         // answers nothing
  kWrongEcho,       // echoes the first character of a written record wrongly
  kBadHex,          // a non-hex digit in the first group of a record read
  kNoSeparator,     // no ',' after the first group of a record read
  kBadCrc,          // the fault block's CRC is wrong, once
  kRepeatBlock,     // the fault block is sent a second time after its ACK
  kOutOfSequence,   // the block after the fault block is sent in its place
  kCancel,          // CAN instead of the fault block
  kStall,           // the fault block stops after 60 bytes until the program's NAK
  kChecksumPacket,  // the fault block goes out once as a 132-byte checksum-mode packet
  kNoise,           // bytes of the fault block (and every seventh block after it) flipped once
  kNoDirectory,     // answers everything but the directory request
};
bool ParseSimFault(const std::string& name, SimFault& fault);
std::vector<std::string> SimFaultNames();

struct SimFile {
  std::string name;
  std::vector<uint8_t> bytes;
};

struct SimOptions {
  std::string firmwareDate = "21 Sep 2005";  // "DD Mon YYYY"
  std::vector<SimFile> files;
  std::set<SimFault> faults;
  int faultBlock = 2;
  int64_t echoTimeoutMs = 5000;  // waiting for the program's echo or next character
  int64_t ackTimeoutMs = 12000;  // waiting for ACK/NAK before sending a packet again
  int64_t startTimeoutMs = 30000;
  int maxRetries = 10;
};

class SimInstrument {
 public:
  SimInstrument(SimOptions options, const ConfigRecord& wireRecord);

  void Receive(const uint8_t* data, size_t count, int64_t nowMs);
  void Tick(int64_t nowMs);
  std::vector<uint8_t> TakeOutput();
  // The program let go of the line: whatever exchange was running is dropped.
  void Reset();

  // The record as it travels on the wire (multi-byte fields big-endian).
  const ConfigRecord& WireRecord() const { return m_record; }
  // True once after each record the program wrote completely.
  bool TakeRecordChanged();
  // Seconds the instrument's clock runs ahead of the computer's (set by the clock command).
  int64_t ClockOffset() const { return m_clockOffset; }
  void SetClockOffset(int64_t seconds) { m_clockOffset = seconds; }
  // What happened, one line per event, for the simulator's log and the tests.
  std::vector<std::string> TakeEvents();

  // A plausible default record (inputs Van and Ia, factors 1 and 0).
  static ConfigRecord DefaultWireRecord();

 private:
  enum class State {
    kIdle,
    kConfigRead,
    kConfigWriteR,
    kConfigWrite,
    kWaitStart,
    kWaitAck,
    kWaitEotAck
  };

  void OnIdleByte(uint8_t byte, int64_t now);
  // One received byte in each of the other states.
  void EndExchange(const char* event, uint8_t byte, int64_t now);
  void OnConfigReadByte(uint8_t byte, int64_t now);
  void OnConfigWriteRByte(uint8_t byte, int64_t now);
  void OnConfigWriteByte(uint8_t byte, int64_t now);
  void OnWaitStartByte(uint8_t byte, int64_t now);
  // An answer to a block or to the end of transmission (kWaitAck, kWaitEotAck).
  void OnTransferReplyByte(uint8_t byte, int64_t now);
  void AbandonForCommand(uint8_t byte, int64_t now);
  void Send(const std::vector<uint8_t>& bytes);
  void Send(const std::string& text);
  void Event(const std::string& text) { m_events.push_back(text); }
  void StartRead(int64_t now);
  void FinishWrite();
  void SendBlock(bool resend, int64_t now);
  std::vector<uint8_t> Packet(int index) const;
  void FillClock(ConfigRecord& wire) const;
  std::string DirectoryText() const;

  SimOptions m_options;
  ConfigRecord m_record;
  std::vector<uint8_t> m_out;
  std::vector<std::string> m_events;
  State m_state = State::kIdle;
  std::string m_line;
  int64_t m_deadline = 0;
  int64_t m_clockOffset = 0;
  bool m_recordChanged = false;
  // configuration exchange
  std::string m_readText;
  size_t m_readPos = 0;
  std::string m_writeText;
  bool m_wrongEchoDone = false;
  // transfer
  const SimFile* m_file = nullptr;
  int m_blockCount = 0;
  int m_blockIndex = 0;  // 0-based index of the block in flight
  int m_retries = 0;
  std::set<int> m_faultsDone;
  bool m_repeatPending = false;
};
