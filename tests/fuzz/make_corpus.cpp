// Writes the seed corpora of the fuzz targets from the sample generator:
//   fuzz_make_corpus DIR    ->  DIR/loader, DIR/receive, DIR/config
// Deterministic, so the checked-in seeds can be made again after a layout change.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScriptedLine.h"
#include "XmodemPackets.h"
#include "link/InstrumentProtocol.h"
#include "samples/SampleLog.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

constexpr uint8_t kReply = fuzz::kAfterReply;  // right after the program's reply
constexpr uint8_t kLater = 0x7F;               // 16 s: past every deadline
constexpr uint8_t kNewFirmware = 0x01;         // receive option bits
constexpr uint8_t kByteReads = 0x02;
constexpr uint8_t kFailAtEnd = 0x08;

bool Write(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) std::fprintf(stderr, "fuzz_make_corpus: cannot write %s\n", path.string().c_str());
  return static_cast<bool>(out);
}

SampleLogOptions Log(int type, uint32_t dataFormat) {
  SampleLogOptions o;
  o.logType = type;
  o.dataFormat = dataFormat;
  o.records = type <= 3 ? 3 : 2;  // the three-phase records are 2994 bytes each
  o.seed = static_cast<unsigned>(type * 10 + (dataFormat == 256));
  return o;
}

// The log as the instrument sends it: 128-byte blocks, the last padded.
std::vector<Bytes> Packets(const Bytes& log) {
  Bytes padded = log;
  padded.resize((log.size() + 127) / 128 * 128, 0x1A);
  std::vector<Bytes> packets;
  for (size_t i = 0; i < padded.size(); i += 128) {
    packets.push_back(fuzz::MakePacket(static_cast<int>(i / 128 + 1), padded.data() + i));
  }
  return packets;
}

void Chunk(Bytes& input, uint8_t timing, const Bytes& bytes) {
  fuzz::AppendChunk(input, timing, bytes.data(), bytes.size());
}

// A well-behaved sender: each packet right after the reply to the one before, then EOT.
Bytes Stream(uint8_t options, const std::vector<Bytes>& packets) {
  Bytes input{options};
  for (const Bytes& p : packets) Chunk(input, kReply | 1, p);
  Chunk(input, kReply | 1, {fuzz::kEot});
  return input;
}

bool WriteLoaderAndReceiveSeeds(const fs::path& loader, const fs::path& receive) {
  bool ok = true;
  for (uint32_t format : {1u, 256u}) {
    for (int type = 1; type <= 6; ++type) {
      const Bytes log = MakeSampleLog(Log(type, format));
      const std::string name = "type" + std::to_string(type) + "-format" + std::to_string(format);
      ok &= Write(loader / (name + ".57x"), log);
      ok &= Write(receive / (name + ".stream"),
                  Stream(format == 256 ? kNewFirmware : 0, Packets(log)));
    }
  }

  // The awkward files `meterlog2-cli sample` can make.
  struct Variant {
    const char* name;
    SampleLogOptions options;
  };
  std::vector<Variant> variants;
  auto add = [&variants](const char* name, int type, uint32_t format, auto&& change) {
    SampleLogOptions o = Log(type, format);
    change(o);
    variants.push_back({name, o});
  };
  add("no-header", 3, 1, [](SampleLogOptions& o) { o.headerSize = 0; });
  add("padded-records", 1, 256, [](SampleLogOptions& o) { o.recordSize = 320; });
  add("trailing-bytes", 2, 1, [](SampleLogOptions& o) { o.trailingBytes = 5; });
  add("invalid-dates", 1, 1, [](SampleLogOptions& o) { o.invalidDates = true; });
  add("mixed-types", 5, 256, [](SampleLogOptions& o) {
    o.mixedLogType = 1;
    o.records = 3;
  });
  add("60hz", 6, 256, [](SampleLogOptions& o) { o.mainsHz = 60; });
  add("count-too-large", 1, 1, [](SampleLogOptions& o) {
    o.overrideCount = true;
    o.headerCount = 4;
  });
  add("count-smaller", 2, 256, [](SampleLogOptions& o) {
    o.overrideCount = true;
    o.headerCount = 1;
  });
  add("no-records", 4, 1, [](SampleLogOptions& o) { o.records = 0; });
  for (const Variant& v : variants) {
    ok &= Write(loader / (std::string(v.name) + ".57x"), MakeSampleLog(v.options));
  }

  // Streams with the line's troubles, on a small Standard log (8 packets).
  const std::vector<Bytes> p = Packets(MakeSampleLog(Log(1, 1)));
  {
    Bytes in{0};  // a corrupted packet, answered with NAK, then sent again
    for (size_t i = 0; i < p.size(); ++i) {
      if (i == 2) {
        Bytes bad = p[i];
        bad[60] ^= 0x40;
        Chunk(in, kReply | 1, bad);
      }
      Chunk(in, kReply | 1, p[i]);
    }
    Chunk(in, kReply | 1, {fuzz::kEot});
    ok &= Write(receive / "nak-resend.stream", in);
  }
  {
    Bytes in{kNewFirmware};  // the reply to block 3 is lost: block 3 comes again
    for (size_t i = 0; i < p.size(); ++i) {
      Chunk(in, kReply | 1, p[i]);
      if (i == 2) Chunk(in, kReply | 1, p[i]);
    }
    Chunk(in, kReply | 1, {fuzz::kEot});
    ok &= Write(receive / "repeated-block.stream", in);
  }
  {
    Bytes in{0};  // block 2 stalls half-way past the deadline, then comes whole
    for (size_t i = 0; i < p.size(); ++i) {
      if (i == 1) {
        Chunk(in, kReply | 1, Bytes(p[i].begin(), p[i].begin() + 60));
        Chunk(in, kLater, Bytes(p[i].begin() + 60, p[i].end()));
      }
      Chunk(in, kReply | 1, p[i]);
    }
    Chunk(in, kReply | 1, {fuzz::kEot});
    ok &= Write(receive / "stalled-packet.stream", in);
  }
  {
    Bytes in{0};  // starts only after two start requests; a quiet spell before EOT
    for (size_t i = 0; i < p.size(); ++i) Chunk(in, i == 0 ? kReply | 100 : kReply | 1, p[i]);
    Chunk(in, kReply | 120, {fuzz::kEot});
    ok &= Write(receive / "late-start.stream", in);
  }
  {
    Bytes in{kByteReads};  // a sender that does not wait for replies, read a byte at a time
    for (const Bytes& packet : p) Chunk(in, 2, packet);
    Chunk(in, 2, {fuzz::kEot});
    ok &= Write(receive / "no-waiting.stream", in);
  }
  {
    Bytes in{0};  // a packet whose first byte came as EOT, answered with NAK, then sent again
    for (size_t i = 0; i < p.size(); ++i) {
      if (i == 3) {
        Bytes damaged = p[i];
        damaged[0] = fuzz::kEot;
        Chunk(in, kReply | 1, damaged);
      }
      Chunk(in, kReply | 1, p[i]);
    }
    Chunk(in, kReply | 1, {fuzz::kEot});
    ok &= Write(receive / "eot-then-data.stream", in);
  }
  {
    Bytes in{0};  // EOT before the end the file's header declares
    for (size_t i = 0; i < 5; ++i) Chunk(in, kReply | 1, p[i]);
    Chunk(in, kReply | 1, {fuzz::kEot});
    ok &= Write(receive / "early-eot.stream", in);
  }
  {
    Bytes in{0};  // the instrument cancels
    for (size_t i = 0; i < 4; ++i) Chunk(in, kReply | 1, p[i]);
    Chunk(in, kReply | 1, {fuzz::kCan});
    ok &= Write(receive / "instrument-cancels.stream", in);
  }
  {
    Bytes in{kFailAtEnd};  // the line dies half-way
    for (size_t i = 0; i < 4; ++i) Chunk(in, kReply | 1, p[i]);
    ok &= Write(receive / "line-fails.stream", in);
  }
  {
    // More than 255 packets, so the block number wraps to 0.
    SampleLogOptions o = Log(4, 256);
    o.records = 12;
    ok &= Write(receive / "block-wrap.stream", Stream(kNewFirmware, Packets(MakeSampleLog(o))));
  }
  return ok;
}

// A configuration record as an instrument holds it (multi-byte fields big-endian): a date and
// time, channels Van and Ia, range bit set, unit scale factors, the rest a pattern.
ConfigRecord WireRecord(bool pattern) {
  ConfigRecord r{};
  if (pattern) {
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<uint8_t>(i * 7 + 3);
    return r;
  }
  r[1] = 1;
  const char model[] = "57X-0001234";
  for (size_t i = 0; i < 11; ++i) r[2 + i] = static_cast<uint8_t>(model[i]);
  const uint8_t clock[13] = {9, 5, 14, 15, 3, 0, 74, 0x07, 0xDA, 0x00, 0x5F, 0xA5, 0x99};
  for (size_t i = 0; i < 13; ++i) r[13 + i] = clock[i];
  r[33] = 6;
  r[34] = 12;
  r[38] = 0x83;
  for (int j = 0; j < 15; ++j) {  // 1.0f and 0.0f, as the instrument stores them
    const uint8_t one[4] = {0x3F, 0x80, 0x00, 0x00};
    for (int k = 0; k < 4; ++k) r[static_cast<size_t>(651 + 8 * j + k)] = one[k];
  }
  return r;
}

// The read reply: "R", nine groups of hex with ',' after each, "Q"; one character per echo.
void ConfigReply(Bytes& input, const ConfigRecord& wire, bool lowercase, int dropSeparator) {
  const char* digits = lowercase ? "0123456789abcdef" : "0123456789ABCDEF";
  std::string text = "R";
  for (int g = 0; g < kConfigGroupCount; ++g) {
    const ConfigGroup& group = ConfigGroupAt(g);
    for (int i = 0; i < group.length; ++i) {
      const uint8_t b = wire[static_cast<size_t>(group.offset + i)];
      text.push_back(digits[b >> 4]);
      text.push_back(digits[b & 15]);
    }
    if (g != dropSeparator) text.push_back(',');
  }
  text.push_back('Q');
  for (char c : text) Chunk(input, kReply, {static_cast<uint8_t>(c)});
}

Bytes VersionReply(const std::string& date) {
  std::string text = date + " 57x Power Analyzer V3.10";
  text.resize(47, ' ');
  text += "\r\n";
  return Bytes(text.begin(), text.end());
}

bool WriteConfigSeeds(const fs::path& config) {
  bool ok = true;
  {
    Bytes in{0};
    ConfigReply(in, WireRecord(false), false, -1);
    ok &= Write(config / "read.reply", in);
  }
  {
    Bytes in{3};  // mode 0, lowercase digits
    ConfigReply(in, WireRecord(true), true, -1);
    ok &= Write(config / "read-lowercase.reply", in);
  }
  {
    Bytes in{0};
    ConfigReply(in, WireRecord(false), false, 4);
    ok &= Write(config / "read-no-separator.reply", in);
  }
  for (const char* date : {"21 Sep 2005", "20 Sep 2005"}) {
    Bytes in{1};  // identification, then the read
    Chunk(in, kReply | 2, VersionReply(date));
    ConfigReply(in, WireRecord(false), false, -1);
    ok &= Write(config / ("version-" + std::string(date).substr(7) + "-" +
                          std::string(date).substr(0, 2) + ".reply"),
                in);
  }
  const std::string directory =
      "\r\n3 Flash Files\r\n"
      "1  STANDARD  03/07/09 14:05  979 bytes\r\n"
      "2  HARMONIC  03/07/09 15:10  3379 bytes\r\n"
      "3  3-PHASE   03/08/09 09:00  6058 bytes\r\n";
  {
    Bytes in{2};
    Bytes text(directory.begin(), directory.end());
    text.push_back(0xFF);
    Chunk(in, kReply | 5, Bytes(text.begin(), text.begin() + 100));
    Chunk(in, 50, Bytes(text.begin() + 100, text.end()));
    ok &= Write(config / "directory.reply", in);
  }
  {
    Bytes in{2};  // no terminator: the reply ends in silence
    Chunk(in, kReply | 5, Bytes(directory.begin(), directory.begin() + 60));
    ok &= Write(config / "directory-cut.reply", in);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_corpus DIR\n");
    return 2;
  }
  const fs::path root = argv[1];
  for (const char* sub : {"loader", "receive", "config"}) fs::create_directories(root / sub);
  const bool ok = WriteLoaderAndReceiveSeeds(root / "loader", root / "receive") &&
                  WriteConfigSeeds(root / "config");
  return ok ? 0 : 1;
}
