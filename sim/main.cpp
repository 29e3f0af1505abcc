// meterlog2-sim: a 57x instrument on a pseudo-terminal, for trying and testing the program
// without the instrument. Prints the terminal's path on its first line.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "SimInstrument.h"
#include "file/OutputFile.h"
#include "link/InstrumentProtocol.h"
#include "samples/SampleLog.h"
#include "text/Text.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int) {
  g_stop = 1;
}

void Usage() {
  std::cerr
      << "usage: meterlog2-sim [OPTIONS]\n"
         "  --dir FOLDER           serve the .57x files of FOLDER (default: generated samples)\n"
         "  --sample-records N     records in the first generated sample (default 40)\n"
         "  --state FILE           where the configuration record is kept between runs\n"
         "                         (default: ~/.local/state/meterlog2/sim-state.bin)\n"
         "  --firmware-date DATE   firmware date in the identification, \"DD Mon YYYY\"\n"
         "                         (default \"21 Sep 2005\"; up to \"20 Sep 2005\" means format "
         "1)\n"
         "  --baud N               pace the output at N baud, 10 bits a byte (default 9600;\n"
         "                         0: as fast as the terminal takes it)\n"
         "  --link PATH            also make PATH a symbolic link to the terminal\n"
         "  --fault NAME           inject a fault (repeatable): silence, wrong-echo, bad-hex,\n"
         "                         no-separator, bad-crc, repeat-block, out-of-sequence,\n"
         "                         cancel, stall, checksum-packet, noise, no-directory\n"
         "  --fault-block N        the block the transfer faults hit (default 2)\n"
         "  --echo-timeout MS      how long the instrument waits for an echo (default 5000)\n"
         "  --ack-timeout MS       how long it waits for ACK/NAK before resending (default 12000)\n"
         "  --quiet                no event log on stderr\n"
         "  --version              the program's version\n";
}

int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string DefaultStatePath() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg) {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::filesystem::path(home) / ".local" / "state";
  } else {
    base = std::filesystem::temp_directory_path();
  }
  return (base / "meterlog2" / "sim-state.bin").string();
}

// State file: the 869-byte record as on the wire, then the clock offset (8 bytes, LE).
bool LoadState(const std::string& path, ConfigRecord& record, int64_t& offset) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  if (bytes.size() != kConfigRecordSize + 8) return false;
  std::copy(bytes.begin(), bytes.begin() + kConfigRecordSize, record.begin());
  uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | bytes[kConfigRecordSize + static_cast<size_t>(k)];
  offset = static_cast<int64_t>(v);
  return true;
}

bool SaveState(const std::string& path, const ConfigRecord& record, int64_t offset) {
  std::error_code ec;
  const std::filesystem::path target(path);
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  uint8_t tail[8];
  for (int k = 0; k < 8; ++k)
    tail[k] = static_cast<uint8_t>(static_cast<uint64_t>(offset) >> (8 * k));
  OutputFile out;
  return out.Open(target) && out.Write(record.data(), record.size()) && out.Write(tail, 8) &&
         out.Commit();
}

bool LoadFolder(const std::string& folder, std::vector<SimFile>& files, std::string& error) {
  std::error_code ec;
  std::vector<std::filesystem::path> paths;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (entry.is_regular_file() && ext == ".57x") paths.push_back(entry.path());
  }
  if (ec) {
    error = "cannot read the folder " + folder + ": " + ec.message();
    return false;
  }
  std::sort(paths.begin(), paths.end());
  for (const auto& p : paths) {
    std::ifstream in(p, std::ios::binary);
    if (!in) {
      error = "cannot read " + p.string();
      return false;
    }
    files.push_back(
        {p.filename().string(), std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {})});
  }
  return true;
}

std::vector<SimFile> SampleFiles(uint32_t firstRecords, uint32_t dataFormat) {
  struct Kind {
    const char* name;
    int type;
    uint32_t records;
  };
  const Kind kinds[] = {{"STANDARD.57x", 1, firstRecords},
                        {"HARMONIC.57x", 2, 12},
                        {"WAVEFORM.57x", 3, 4},
                        {"3PHASE.57x", 4, 6}};
  std::vector<SimFile> files;
  unsigned seed = 1;
  for (const Kind& k : kinds) {
    SampleLogOptions o;
    o.logType = k.type;
    o.records = k.records;
    o.dataFormat = dataFormat;
    o.seed = seed++;
    files.push_back({k.name, MakeSampleLog(o)});
  }
  return files;
}

// What the command line asks for.
struct SimSettings {
  SimOptions options;
  std::string folder, statePath = DefaultStatePath(), linkPath;
  long long baud = 9600, sampleRecords = 40;
  bool quiet = false;
};

// Reads the options into `s`. Returns -1 to go on, or the exit status (after --help, a mistake).
int ParseArguments(int argc, char** argv, SimSettings& s) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) {
        std::cerr << "meterlog2-sim: " << a << " needs a value\n";
        std::exit(2);
      }
      out = argv[++i];
    };
    auto number = [&](long long low, long long high) {
      std::string text;
      value(text);
      long long v = 0;
      if (!ParseInteger(text, low, high, v)) {
        std::cerr << "meterlog2-sim: " << a << " wants a number from " << low << " to " << high
                  << ", not \"" << text << "\"\n";
        std::exit(2);
      }
      return v;
    };
    if (a == "--help" || a == "-h") {
      Usage();
      return 0;
    } else if (a == "--version") {
      std::cout << "meterlog2-sim " METERLOG2_VERSION_STRING "\n";
      return 0;
    } else if (a == "--dir") {
      value(s.folder);
    } else if (a == "--state") {
      value(s.statePath);
    } else if (a == "--firmware-date") {
      value(s.options.firmwareDate);
    } else if (a == "--baud") {
      s.baud = number(0, 4000000);
    } else if (a == "--link") {
      value(s.linkPath);
    } else if (a == "--sample-records") {
      s.sampleRecords = number(0, 1000000);
    } else if (a == "--fault") {
      std::string name;
      value(name);
      SimFault fault;
      if (!ParseSimFault(name, fault)) {
        std::cerr << "meterlog2-sim: unknown fault \"" << name << "\"\n";
        return 2;
      }
      s.options.faults.insert(fault);
    } else if (a == "--fault-block") {
      s.options.faultBlock = static_cast<int>(number(1, 1000000));
    } else if (a == "--echo-timeout") {
      s.options.echoTimeoutMs = number(1, 600000);
    } else if (a == "--ack-timeout") {
      s.options.ackTimeoutMs = number(1, 600000);
    } else if (a == "--quiet") {
      s.quiet = true;
    } else {
      std::cerr << "meterlog2-sim: unknown option \"" << a << "\"\n";
      Usage();
      return 2;
    }
  }
  return -1;
}

// A pseudo-terminal in raw mode; its master side (non-blocking), or -1 with a message.
int OpenPseudoTerminal(std::string& device) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::cerr << "meterlog2-sim: cannot create a pseudo-terminal: " << std::strerror(errno) << "\n";
    return -1;
  }
  device = ptsname(master);
  {
    // Raw 8-bit line until the program sets its own; the settings stay with the terminal.
    const int slave = open(device.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave >= 0 && tcgetattr(slave, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(slave, TCSANOW, &tio);
    }
    if (slave >= 0) close(slave);
  }
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  return master;
}

// Serves the line until a signal stops the simulator: the instrument's answers go out no
// faster than the baud rate, and a changed configuration is saved at once.
void Serve(int master, SimInstrument& instrument, const SimSettings& s) {
  const int64_t byteMicros = s.baud > 0 ? (10'000'000 + s.baud - 1) / s.baud : 0;
  std::deque<uint8_t> pending;
  int64_t lineFreeAt = 0;
  bool connected = false;
  uint8_t buffer[4096];
  while (!g_stop) {
    int64_t now = NowMicros();
    int timeoutUs = 20000;
    if (!pending.empty() && connected) {
      // Wake when the next chunk may go (up to 500 us early, see below): waking only when the
      // line is free loses the wake-up latency on every chunk and paces the line a few per cent
      // slower than its baud rate.
      timeoutUs = static_cast<int>(std::clamp<int64_t>(lineFreeAt - 500 - now, 0, 20000));
    }
    pollfd pfd{master, POLLIN, 0};
    const timespec ts{0, static_cast<long>(timeoutUs) * 1000};
    const int ready = ppoll(&pfd, 1, &ts, nullptr);
    if (ready < 0 && errno != EINTR) break;
    now = NowMicros();

    if (pfd.revents & POLLIN) {
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) {
        connected = true;
        instrument.Receive(buffer, static_cast<size_t>(n), now / 1000);
      }
    }
    if ((pfd.revents & POLLHUP) && !(pfd.revents & POLLIN)) {
      if (connected) {
        instrument.Reset();
        pending.clear();
      }
      connected = false;
      usleep(10000);
    } else if (!(pfd.revents & POLLHUP)) {
      connected = true;
    }
    instrument.Tick(now / 1000);
    const std::vector<uint8_t> out = instrument.TakeOutput();
    if (connected) pending.insert(pending.end(), out.begin(), out.end());

    if (connected && !pending.empty()) {
      if (lineFreeAt < now) lineFreeAt = now;
      if (lineFreeAt <= now + 500) {
        size_t count = pending.size();
        if (byteMicros > 0)
          count = std::min<size_t>(count, std::max<int64_t>(1, 2000 / byteMicros));
        std::vector<uint8_t> chunk(pending.begin(), pending.begin() + static_cast<long>(count));
        const ssize_t w = write(master, chunk.data(), chunk.size());
        if (w > 0) {
          pending.erase(pending.begin(), pending.begin() + w);
          lineFreeAt += w * byteMicros;
        }
      }
    }

    if (!s.quiet) {
      for (const std::string& e : instrument.TakeEvents())
        std::cerr << "meterlog2-sim: " << e << "\n";
    } else {
      instrument.TakeEvents();
    }
    if (instrument.TakeRecordChanged()) {
      if (!SaveState(s.statePath, instrument.WireRecord(), instrument.ClockOffset())) {
        std::cerr << "meterlog2-sim: cannot save the state to " << s.statePath << "\n";
      }
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  SimSettings s;
  const int status = ParseArguments(argc, argv, s);
  if (status >= 0) return status;

  if (!s.folder.empty()) {
    std::string error;
    if (!LoadFolder(s.folder, s.options.files, error)) {
      std::cerr << "meterlog2-sim: " << error << "\n";
      return 1;
    }
  } else {
    s.options.files = SampleFiles(static_cast<uint32_t>(s.sampleRecords),
                                  FormatMarkerFromVersion(s.options.firmwareDate));
  }

  ConfigRecord record = SimInstrument::DefaultWireRecord();
  int64_t clockOffset = 0;
  LoadState(s.statePath, record, clockOffset);
  SimInstrument instrument(s.options, record);
  instrument.SetClockOffset(clockOffset);

  std::string device;
  const int master = OpenPseudoTerminal(device);
  if (master < 0) return 1;
  if (!s.linkPath.empty()) {
    std::error_code ec;
    if (std::filesystem::is_symlink(s.linkPath, ec)) std::filesystem::remove(s.linkPath, ec);
    if (symlink(device.c_str(), s.linkPath.c_str()) != 0) {
      std::cerr << "meterlog2-sim: cannot make the link " << s.linkPath << ": "
                << std::strerror(errno) << "\n";
      return 1;
    }
  }
  std::cout << device << std::endl;
  if (!s.quiet) {
    std::cerr << "meterlog2-sim: serving " << s.options.files.size() << " Flash Files on " << device
              << " at " << s.baud << " baud; state in " << s.statePath << "\n";
  }

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  Serve(master, instrument, s);
  if (!s.linkPath.empty()) {
    std::error_code ec;
    std::filesystem::remove(s.linkPath, ec);
  }
  close(master);
  return 0;
}
