#include "SimInstrument.h"

#include <cstring>
#include <ctime>

#include "link/FlashReceive.h"
#include "link/InstrumentProtocol.h"
#include "text/Text.h"

namespace {

struct FaultName {
  SimFault fault;
  const char* name;
};
constexpr FaultName kFaultNames[] = {
    {SimFault::kSilence, "silence"},
    {SimFault::kWrongEcho, "wrong-echo"},
    {SimFault::kBadHex, "bad-hex"},
    {SimFault::kNoSeparator, "no-separator"},
    {SimFault::kBadCrc, "bad-crc"},
    {SimFault::kRepeatBlock, "repeat-block"},
    {SimFault::kOutOfSequence, "out-of-sequence"},
    {SimFault::kCancel, "cancel"},
    {SimFault::kStall, "stall"},
    {SimFault::kChecksumPacket, "checksum-packet"},
    {SimFault::kNoise, "noise"},
    {SimFault::kNoDirectory, "no-directory"},
};

std::string Hex(const uint8_t* p, int n) {
  std::string s;
  AppendHex(s, p, static_cast<size_t>(n));
  return s;
}

// Whole seconds since 1970 of a calendar time taken as UTC: differences of two such values are
// what the instrument's clock offset needs, whatever the time zone.
int64_t CalendarSeconds(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400LL +
         hour * 3600LL + minute * 60LL + second;
}

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local;
}

}  // namespace

bool ParseSimFault(const std::string& name, SimFault& fault) {
  for (const FaultName& f : kFaultNames) {
    if (name == f.name) {
      fault = f.fault;
      return true;
    }
  }
  return false;
}

std::vector<std::string> SimFaultNames() {
  std::vector<std::string> names;
  for (const FaultName& f : kFaultNames) names.emplace_back(f.name);
  return names;
}

SimInstrument::SimInstrument(SimOptions options, const ConfigRecord& wireRecord)
    : m_options(std::move(options)), m_record(wireRecord) {}

ConfigRecord SimInstrument::DefaultWireRecord() {
  ConfigRecord r{};
  r[0] = 0x00;
  r[1] = 0x01;
  const char* model = "57X-SIM0001";
  std::memcpy(r.data() + 2, model, 11);
  r[33] = 6;     // channel 1: AC: Van
  r[34] = 12;    // channel 2: AC: Ia
  r[38] = 0x83;  // range 0-360, polarity +, and two bits of the instrument's own
  r[650] = 0;
  for (int j = 0; j < 15; ++j) {
    const float one = 1.0f;
    std::memcpy(r.data() + 651 + 8 * j, &one, 4);  // least significant byte first
  }
  return r;
}

void SimInstrument::Reset() {
  if (m_state != State::kIdle) Event("line closed; exchange dropped");
  m_state = State::kIdle;
  m_line.clear();
  m_out.clear();
}

bool SimInstrument::TakeRecordChanged() {
  const bool changed = m_recordChanged;
  m_recordChanged = false;
  return changed;
}

std::vector<uint8_t> SimInstrument::TakeOutput() {
  std::vector<uint8_t> out;
  out.swap(m_out);
  return out;
}

std::vector<std::string> SimInstrument::TakeEvents() {
  std::vector<std::string> events;
  events.swap(m_events);
  return events;
}

void SimInstrument::Send(const std::vector<uint8_t>& bytes) {
  m_out.insert(m_out.end(), bytes.begin(), bytes.end());
}
void SimInstrument::Send(const std::string& text) {
  m_out.insert(m_out.end(), text.begin(), text.end());
}

void SimInstrument::Receive(const uint8_t* data, size_t count, int64_t now) {
  for (size_t i = 0; i < count; ++i) {
    const uint8_t byte = data[i];
    if (m_options.faults.count(SimFault::kSilence)) continue;
    switch (m_state) {
      case State::kIdle:
        OnIdleByte(byte, now);
        break;
      case State::kConfigRead:
        OnConfigReadByte(byte, now);
        break;
      case State::kConfigWriteR:
        OnConfigWriteRByte(byte, now);
        break;
      case State::kConfigWrite:
        OnConfigWriteByte(byte, now);
        break;
      case State::kWaitStart:
        OnWaitStartByte(byte, now);
        break;
      case State::kWaitAck:
      case State::kWaitEotAck:
        OnTransferReplyByte(byte, now);
        break;
    }
  }
}

// An exchange the host broke off: said in the log, and the byte read as the start of another.
void SimInstrument::EndExchange(const char* event, uint8_t byte, int64_t now) {
  Event(event);
  m_state = State::kIdle;
  OnIdleByte(byte, now);
}

void SimInstrument::OnConfigReadByte(uint8_t byte, int64_t now) {
  if (m_readPos < m_readText.size() && byte == static_cast<uint8_t>(m_readText[m_readPos])) {
    if (++m_readPos == m_readText.size()) {
      Event("configuration read");
      m_state = State::kIdle;
    } else {
      Send(std::string(1, m_readText[m_readPos]));
      m_deadline = now + m_options.echoTimeoutMs;
    }
  } else {
    EndExchange("configuration read: wrong echo, exchange ended", byte, now);
  }
}

void SimInstrument::OnConfigWriteRByte(uint8_t byte, int64_t now) {
  if (byte == 'R') {
    m_state = State::kConfigWrite;
    m_writeText.clear();
    m_deadline = now + m_options.echoTimeoutMs;
  } else {
    EndExchange("configuration write: no echo of R", byte, now);
  }
}

void SimInstrument::OnConfigWriteByte(uint8_t byte, int64_t now) {
  uint8_t echo = byte;
  if (m_options.faults.count(SimFault::kWrongEcho) && !m_wrongEchoDone) {
    m_wrongEchoDone = true;
    echo = static_cast<uint8_t>(byte ^ 0x01);
  }
  Send(std::vector<uint8_t>{echo});
  m_writeText.push_back(static_cast<char>(byte));
  m_deadline = now + m_options.echoTimeoutMs;
  if (byte == 'Q') {
    FinishWrite();
    m_state = State::kIdle;
  } else if (m_writeText.size() > 2 * kConfigRecordSize + 16) {
    Event("configuration write: too long, exchange ended");
    m_state = State::kIdle;
  }
}

void SimInstrument::OnWaitStartByte(uint8_t byte, int64_t now) {
  if (byte == kCrcRequest) {
    Event("transfer of " + m_file->name + " started");
    m_blockIndex = 0;
    m_retries = 0;
    SendBlock(false, now);
  } else if (byte != 0) {
    AbandonForCommand(byte, now);
  }
}

void SimInstrument::OnTransferReplyByte(uint8_t byte, int64_t now) {
  if (byte == kCan) {
    Event("transfer cancelled by the program after " + IntText(m_blockIndex) +
          " acknowledged blocks");
    m_state = State::kIdle;
  } else if (byte == kAck) {
    if (m_state == State::kWaitEotAck) {
      Event("transfer complete");
      m_state = State::kIdle;
    } else if (m_options.faults.count(SimFault::kRepeatBlock) &&
               m_blockIndex + 1 == m_options.faultBlock && !m_faultsDone.count(-1)) {
      m_faultsDone.insert(-1);
      Event("fault: block sent again after its ACK");
      Send(Packet(m_blockIndex));
      m_deadline = now + m_options.ackTimeoutMs;
    } else {
      ++m_blockIndex;
      m_retries = 0;
      if (m_blockIndex >= m_blockCount) {
        Send(std::vector<uint8_t>{kEot});
        m_state = State::kWaitEotAck;
        m_deadline = now + m_options.ackTimeoutMs;
      } else {
        SendBlock(false, now);
      }
    }
  } else if (byte == kNak) {
    if (++m_retries > m_options.maxRetries) {
      Event("transfer given up after too many NAKs");
      Send(std::vector<uint8_t>{kCan, kCan});
      m_state = State::kIdle;
    } else if (m_state == State::kWaitEotAck) {
      Send(std::vector<uint8_t>{kEot});
      m_deadline = now + m_options.ackTimeoutMs;
    } else {
      SendBlock(true, now);
    }
  } else if (byte != 0 && byte != kCrcRequest) {
    AbandonForCommand(byte, now);
  }
}

void SimInstrument::AbandonForCommand(uint8_t byte, int64_t now) {
  // A new command means the program has given up on the transfer.
  m_line.push_back(static_cast<char>(byte));
  if (m_line.size() > 64) m_line.erase(0, m_line.size() - 64);
  if (m_line.ends_with("VER") || m_line.ends_with("XSU") || m_line.ends_with("RLD") ||
      m_line.ends_with("SLD")) {
    Event("transfer abandoned for a new command");
    m_state = State::kIdle;
    const std::string pendingLine = m_line;
    m_line.clear();
    for (char c : pendingLine) OnIdleByte(static_cast<uint8_t>(c), now);
  }
}

void SimInstrument::Tick(int64_t now) {
  if (m_state == State::kIdle || now < m_deadline) return;
  switch (m_state) {
    case State::kConfigRead:
    case State::kConfigWriteR:
    case State::kConfigWrite:
      Event("configuration exchange timed out");
      m_state = State::kIdle;
      break;
    case State::kWaitStart:
      Event("no start request; transfer dropped");
      m_state = State::kIdle;
      break;
    case State::kWaitAck:
    case State::kWaitEotAck: {
      const uint8_t nak = kNak;
      Event("no reply to a packet; sending it again");
      Receive(&nak, 1, now);
      break;
    }
    case State::kIdle:
      break;
  }
}

void SimInstrument::OnIdleByte(uint8_t byte, int64_t now) {
  m_line.push_back(static_cast<char>(byte));
  if (m_line.size() > 64) m_line.erase(0, m_line.size() - 64);

  if (m_line.ends_with("VER")) {
    std::string text = m_options.firmwareDate + " 57x Power Analyzer Simulator";
    text.resize(47, ' ');
    Send(text + "\r\n");
    Event("identification");
  } else if (m_line.ends_with("1XSU")) {
    StartRead(now);
  } else if (m_line.ends_with("2XSU")) {
    Send("R");
    m_wrongEchoDone = false;
    m_state = State::kConfigWriteR;
    m_deadline = now + m_options.echoTimeoutMs;
  } else if (m_line.ends_with("7SST") || m_line.ends_with("7SUP")) {
    Event(m_line.substr(m_line.size() - 4));
  } else if (m_line.ends_with("TDS") && m_line.size() >= 22) {
    const std::string t = m_line.substr(m_line.size() - 22, 19);
    auto field = [&](size_t at, size_t n) {
      int v = 0;
      for (size_t k = at; k < at + n; ++k) {
        if (t[k] < '0' || t[k] > '9') return -1;
        v = v * 10 + (t[k] - '0');
      }
      return v;
    };
    const int y = field(0, 4), mo = field(5, 2), d = field(8, 2), h = field(11, 2),
              mi = field(14, 2), s = field(17, 2);
    if (y >= 0 && mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h >= 0 && mi >= 0 && s >= 0) {
      const std::tm local = LocalNow();
      m_clockOffset = CalendarSeconds(y, mo, d, h, mi, s) -
                      CalendarSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                      local.tm_hour, local.tm_min, local.tm_sec);
      Event("clock set to " + t);
      m_recordChanged = true;
    } else {
      Event("clock command not understood: " + t);
    }
  } else if (m_line.ends_with("RLD")) {
    if (m_options.faults.count(SimFault::kNoDirectory)) {
      Event("directory request ignored");
      m_line.clear();
      return;
    }
    std::vector<uint8_t> reply;
    const std::string text = DirectoryText();
    reply.assign(text.begin(), text.end());
    reply.push_back(0xFF);
    Send(reply);
    Event("directory");
  } else if (m_line.ends_with("SLD")) {
    size_t start = m_line.size() - 3;
    while (start > 0 && m_line[start - 1] >= '0' && m_line[start - 1] <= '9' &&
           m_line.size() - 3 - (start - 1) <= 6) {
      --start;
    }
    int number = 0;
    for (size_t k = start; k < m_line.size() - 3; ++k) number = number * 10 + (m_line[k] - '0');
    if (number >= 1 && static_cast<size_t>(number) <= m_options.files.size()) {
      m_file = &m_options.files[static_cast<size_t>(number - 1)];
      m_blockCount = static_cast<int>((m_file->bytes.size() + 127) / 128);
      m_state = State::kWaitStart;
      m_deadline = now + m_options.startTimeoutMs;
      m_faultsDone.clear();
      Event("download of file " + IntText(number) + " requested");
    } else {
      Send(std::vector<uint8_t>{kCan});
      Event("download of a file that does not exist: " + IntText(number));
    }
  } else {
    return;
  }
  m_line.clear();
}

void SimInstrument::StartRead(int64_t now) {
  ConfigRecord wire = m_record;
  FillClock(wire);
  m_readText = "R";
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    std::string hex = Hex(wire.data() + group.offset, group.length);
    if (g == 0 && m_options.faults.count(SimFault::kBadHex)) hex[1] = 'G';
    m_readText += hex;
    if (!(g == 0 && m_options.faults.count(SimFault::kNoSeparator))) m_readText += ",";
  }
  m_readText += "Q";
  m_readPos = 0;
  Send(std::string(1, m_readText[0]));
  m_state = State::kConfigRead;
  m_deadline = now + m_options.echoTimeoutMs;
}

void SimInstrument::FinishWrite() {
  ConfigRecord wire{};
  size_t pos = 0;
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    for (int k = 0; k < group.length; ++k) {
      if (pos + 1 >= m_writeText.size()) {
        Event("configuration write: record too short");
        return;
      }
      const int high = HexDigitValue(m_writeText[pos]), low = HexDigitValue(m_writeText[pos + 1]);
      if (high < 0 || low < 0) {
        Event("configuration write: not a hex digit");
        return;
      }
      wire[static_cast<size_t>(group.offset + k)] = static_cast<uint8_t>(high << 4 | low);
      pos += 2;
    }
    if (pos >= m_writeText.size() || m_writeText[pos] != ',') {
      Event("configuration write: separator missing");
      return;
    }
    ++pos;
  }
  if (pos + 1 != m_writeText.size()) {
    Event("configuration write: unexpected characters");
    return;
  }
  m_record = wire;
  m_recordChanged = true;
  Event("configuration written");
}

std::vector<uint8_t> SimInstrument::Packet(int index) const {
  std::vector<uint8_t> p(133, 0x1A);
  p[0] = kSoh;
  p[1] = static_cast<uint8_t>(index + 1);
  p[2] = static_cast<uint8_t>(~(index + 1));
  const size_t from = static_cast<size_t>(index) * 128;
  for (size_t k = 0; k < 128 && from + k < m_file->bytes.size(); ++k)
    p[3 + k] = m_file->bytes[from + k];
  const uint16_t crc = Crc16(p.data() + 3, 128);
  p[131] = static_cast<uint8_t>(crc >> 8);
  p[132] = static_cast<uint8_t>(crc);
  return p;
}

void SimInstrument::SendBlock(bool resend, int64_t now) {
  m_state = State::kWaitAck;
  m_deadline = now + m_options.ackTimeoutMs;
  if (m_blockCount == 0) {
    Send(std::vector<uint8_t>{kEot});
    m_state = State::kWaitEotAck;
    return;
  }
  std::vector<uint8_t> p = Packet(m_blockIndex);
  const int block = m_blockIndex + 1;
  auto once = [&](SimFault fault, int at) {
    const int key = static_cast<int>(fault) * 1000000 + at;
    if (resend || !m_options.faults.count(fault) || m_faultsDone.count(key)) return false;
    m_faultsDone.insert(key);
    return true;
  };
  const int fb = m_options.faultBlock;
  if (block == fb && once(SimFault::kCancel, block)) {
    Event("fault: CAN instead of a block");
    Send(std::vector<uint8_t>{kCan});
    m_state = State::kIdle;
    return;
  }
  if (block == fb && once(SimFault::kOutOfSequence, block)) {
    Event("fault: block out of sequence");
    p[1] = static_cast<uint8_t>(block + 1);
    p[2] = static_cast<uint8_t>(~(block + 1));
  } else if (block == fb && once(SimFault::kBadCrc, block)) {
    Event("fault: corrupt CRC");
    p[132] ^= 0xFF;
  } else if (block == fb && once(SimFault::kStall, block)) {
    Event("fault: packet stalls after 60 bytes");
    p.resize(60);
  } else if (block == fb && once(SimFault::kChecksumPacket, block)) {
    Event("fault: checksum-mode packet");
    uint8_t sum = 0;
    for (int k = 3; k < 131; ++k) sum = static_cast<uint8_t>(sum + p[static_cast<size_t>(k)]);
    p.resize(132);
    p[131] = sum;
  } else if (block >= fb && (block - fb) % 7 == 0 && once(SimFault::kNoise, block)) {
    Event("fault: line noise");
    p[10] ^= 0x10;
    p[77] ^= 0x81;
  }
  Send(p);
}

void SimInstrument::FillClock(ConfigRecord& wire) const {
  // The computer's local time moved by the offset the clock command left, as calendar fields.
  const std::tm local = LocalNow();
  const std::time_t shifted = static_cast<std::time_t>(
      CalendarSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec) +
      m_clockOffset);
  std::tm t{};
  gmtime_r(&shifted, &t);
  uint8_t* p = wire.data() + 13;
  p[0] = static_cast<uint8_t>(t.tm_sec);
  p[1] = static_cast<uint8_t>(t.tm_min);
  p[2] = static_cast<uint8_t>(t.tm_hour);
  p[3] = static_cast<uint8_t>(t.tm_mday);
  p[4] = static_cast<uint8_t>(t.tm_mon + 1);
  const int dayOfYear = t.tm_yday + 1;
  const int year = t.tm_year + 1900;
  const uint32_t secondsOfYear = static_cast<uint32_t>(t.tm_yday) * 86400u +
                                 static_cast<uint32_t>(t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec);
  p[5] = static_cast<uint8_t>(dayOfYear >> 8);
  p[6] = static_cast<uint8_t>(dayOfYear);
  p[7] = static_cast<uint8_t>(year >> 8);
  p[8] = static_cast<uint8_t>(year);
  p[9] = static_cast<uint8_t>(secondsOfYear >> 24);
  p[10] = static_cast<uint8_t>(secondsOfYear >> 16);
  p[11] = static_cast<uint8_t>(secondsOfYear >> 8);
  p[12] = static_cast<uint8_t>(secondsOfYear);
}

std::string SimInstrument::DirectoryText() const {
  std::string text =
      "\r\n" + IntText(static_cast<long long>(m_options.files.size())) + " Flash Files\r\n";
  for (const SimFile& f : m_options.files) {
    text += f.name + "  " + IntText(static_cast<long long>(f.bytes.size())) + " bytes\r\n";
  }
  return text;
}
