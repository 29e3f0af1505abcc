#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "file/Interrupt.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include "file/WindowsApi.h"
// For CommandLineToArgvW.
#include <shellapi.h>
#endif

namespace {

// Every command with its options and what it does; Usage prints it all, CommandHelp a command's
// part.
std::string UsageText() {
  return std::string() +
         "usage: meterlog2-cli COMMAND [ARGS]\n"
         "  info FILE                     what a log holds\n"
         "  dump FILE [-o OUT]            the dump text of every record\n"
         "  sample --type N --records K [--data-format 1|256] -o FILE\n"
         "                                write a generated sample log\n"
         "  export FILE... [-o OUT | -d DIR [--jobs N]] [--data-format 1|256]\n"
         "         [--columns TITLE,...] [--rows A-B,...]\n"
         "                                the table as CSV; several logs into DIR, N at once\n"
         "                                (one per processor without --jobs)\n"
         "  stats FILE [-o OUT] [--data-format 1|256] [--columns TITLE,...] [--rows A-B,...]\n"
         "                                count, minimum, mean, maximum per column (CSV)\n"
         "  assess LOG... [--standard en50160|ieee519|ansi_c84_1]... [--nominal-voltage V]\n"
         "         [--connection wye|delta|split-phase|single-phase] [--nominal-frequency 50|60]\n"
         "         [--isc A] [--il A] [--data-format 1|256] [--format text|csv|json] [-o OUT]\n"
         "         [--fail-on-violation] [--each [--jobs N]]\n"
         "                                judge the supply against EN 50160, IEEE 519 and\n"
         "                                ANSI C84.1 on the declared Un\n"
         "                                (exit 3 with --fail-on-violation when it fails);\n"
         "                                --each: every log on its own, a line each, N at once\n"
#ifdef METERLOG2_WITH_PLOT
         "  plot FILE --kind trend|spectrum|waveform|phasor [--columns TITLE,...]\n"
         "       [--row N] [--size WxH] [--data-format 1|256] -o OUT.png|OUT.pdf\n"
         "                                a plot as an image, drawn offscreen\n"
         "  report LOG... [--standard en50160|ieee519|ansi_c84_1]... [--nominal-voltage V]\n"
         "         [--connection wye|delta|split-phase|single-phase] [--nominal-frequency 50|60]\n"
         "         [--isc A] [--il A] [--data-format 1|256] [--fail-on-violation]\n"
         "         [--title TEXT] [--site TEXT] [--page a4|letter]\n"
         "         -o REPORT.pdf|REPORT.html\n"
         "                                the assessment as a report for a client (PDF or\n"
         "                                one HTML page), drawn offscreen\n"
#endif
         "  (\"-o -\" is standard output; \"--\" ends the options, for file names that\n"
         "  begin with \"-\")\n"
#ifdef METERLOG2_WITH_LINK
         "  ports                         serial ports\n"
         "  directory --port DEV          the instrument's Flash File directory\n"
         "  download --port DEV --entry N -o FILE\n"
         "                                receive a Flash File\n"
         "  config --port DEV [--set NAME=VALUE...] [--no-clock]\n"
         "                                read or change the configuration\n"
         "  (instrument commands also take --line BAUD/BITS PARITY STOP, e.g. --line 9600/8n1,\n"
         "   or --baud, --data-bits, --parity, --stop-bits)\n"
#endif
         "  --version                     the program's version\n";
}

void Usage() {
  std::cerr << UsageText();
}

// The part of the usage text that describes `command`: its lines, and the note on the options of
// the instrument commands for those. Empty for a command the text does not describe.
std::string CommandHelp(const std::string& command) {
  const std::string text = UsageText();
  std::string help, note;
  bool inside = false;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    const bool commandLine =
        line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != ' ' && line[2] != '(';
    if (commandLine)
      inside = line.compare(2, command.size() + 1, command + " ") == 0 || line.substr(2) == command;
    if (line.find("(instrument commands also take") != std::string::npos) note = line;
    if (inside && (commandLine || line.compare(0, 5, "     ") == 0)) help += line + "\n";
    if (!note.empty() && line.compare(0, 4, "   ") == 0 && line.compare(0, 4, "   -") == 0)
      note += "\n" + line;
  }
  if (help.empty()) return {};
  help.replace(0, 2, "usage: meterlog2-cli ");
  const bool instrument =
      command == "ports" || command == "directory" || command == "download" || command == "config";
  if (instrument && !note.empty()) help += note + "\n";
  return help;
}

bool WantsHelp(const Args& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

}  // namespace

int ReportUsage(const char* usage, const std::string& message) {
  if (!message.empty()) std::cerr << "meterlog2-cli: " << message << "\n";
  std::cerr << "usage: meterlog2-cli " << usage << "\n";
  return 2;
}

namespace {

// The options a command has taken so far, so that one given again can be told apart from one
// whose value is missing.
struct TakenOption {
  std::string name, shortName;
  bool valued;  // takes a value
};
std::vector<TakenOption> g_taken;

// The option taken already that `arg` names ("-o", "--output", "--output=x"), or null.
const TakenOption* TakenBefore(const std::string& arg) {
  for (const TakenOption& option : g_taken) {
    const std::string& name = option.name;
    if (arg == name || (!option.shortName.empty() && arg == option.shortName) ||
        (arg.size() > name.size() && arg.compare(0, name.size(), name) == 0 &&
         arg[name.size()] == '='))
      return &option;
  }
  return nullptr;
}

}  // namespace

// Options are looked for only before "--"; what follows it is operands whatever it looks like.
bool TakeOption(Args& args, const std::string& name, std::string& value,
                const std::string& shortName) {
  for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    const std::string& a = args[i];
    if ((a == name || (!shortName.empty() && a == shortName)) && i + 1 < args.size() &&
        args[i + 1] != "--") {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      g_taken.push_back({name, shortName, true});
      return true;
    }
    if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
      value = a.substr(name.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      g_taken.push_back({name, shortName, true});
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<long>(i));
      g_taken.push_back({name, std::string(), false});
      return true;
    }
  }
  return false;
}

std::string LeftoverOptionError(const Args& args, size_t i) {
  const std::string& arg = args[i];
  const TakenOption* taken = TakenBefore(arg);
  const bool valueFollows = i + 1 < args.size() && args[i + 1] != "--";
  // An option that may come several times (taken in a loop) is only ever short of its value.
  if (!taken || (taken->valued && arg.find('=') == std::string::npos && !valueFollows))
    return arg + " needs a value";
  return (arg.find('=') == std::string::npos ? arg : taken->name) + " is given twice";
}

bool TakeOperands(Args& args, Args& operands) {
  operands.clear();
  size_t i = 0;
  for (; i < args.size() && args[i] != "--"; ++i) {
    const std::string& a = args[i];
    if (a.size() > 1 && a[0] == '-') {
      if (TakenBefore(a) != nullptr) {
        std::cerr << "meterlog2-cli: " << LeftoverOptionError(args, i) << "\n";
        return false;
      }
      std::cerr << "meterlog2-cli: \"" << a
                << "\" is not an option of this command, or its value is missing (a file "
                   "whose name begins with \"-\" goes after \"--\")\n";
      return false;
    }
    operands.push_back(a);
  }
  if (i < args.size())
    operands.insert(operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
  args.clear();
  return true;
}

namespace {

int Run(const std::string& command, const Args& args) {
  // Every command answers --help; assess and sample say more than the usage text.
  if (WantsHelp(args) && command != "assess" && command != "sample") {
    const std::string help = CommandHelp(command);
    if (!help.empty()) {
      std::cout << help;
      return 0;
    }
  }
  if (command == "info") return RunInfo(args);
  if (command == "dump") return RunDump(args);
  if (command == "sample") return RunSample(args);
  if (command == "export") return RunExport(args);
  if (command == "stats") return RunStats(args);
  if (command == "assess") return RunAssess(args);
#ifdef METERLOG2_WITH_PLOT
  if (command == "plot") return RunPlot(args);
  if (command == "report") return RunReport(args);
#endif
#ifdef METERLOG2_WITH_LINK
  if (command == "ports") return RunPorts(args);
  if (command == "directory") return RunDirectory(args);
  if (command == "download") return RunDownload(args);
  if (command == "config") return RunConfig(args);
#endif
  std::cerr << "meterlog2-cli: unknown command \"" << command << "\"\n";
  Usage();
  return 2;
}

// What went to standard output through the C and C++ streams is checked once, at the end: a
// full disk or a closed pipe shows at the latest when the buffer is flushed.
int CheckStandardOutput(int status) {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int error = errno;
  if (flushed && !std::ferror(stdout) && std::cout) return status;
  std::cerr << "meterlog2-cli: could not write to standard output: "
            << (error != 0 ? std::strerror(error) : "a write failed") << "\n";
  return status == 0 ? 1 : status;
}

}  // namespace

static int Main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage();
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "meterlog2-cli " METERLOG2_VERSION_STRING "\n";
    return CheckStandardOutput(0);
  }
  // Writers notice a signal, remove their temporary files and end with 128 + the signal.
  InstallInterruptHandlers();
  int status = 1;
  try {
    status = Run(argv[1], Args(argv + 2, argv + argc));
  } catch (const std::exception& e) {
    std::cerr << "meterlog2-cli: " << e.what() << "\n";
    status = 1;
  }
  return InterruptExitStatus(CheckStandardOutput(status));
}

#ifdef _WIN32
namespace {

std::string Utf8FromWide(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(size) - 1);
  return utf8;
}

}  // namespace

// The narrow argv of a Windows program is in the ANSI code page, which cannot hold every file
// name: the arguments are read in UTF-16 and carried as UTF-8 (see file/PathText.h). Messages
// go out as UTF-8 too, and nothing on standard output is translated: CSV lines keep one CR LF.
int main(int, char**) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> utf8;
  for (int i = 0; wide != nullptr && i < count; ++i) utf8.push_back(Utf8FromWide(wide[i]));
  if (wide != nullptr) LocalFree(wide);
  std::vector<char*> argv;
  for (std::string& arg : utf8) argv.push_back(arg.data());
  argv.push_back(nullptr);
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  return Main(static_cast<int>(utf8.size()), argv.data());
}
#else
int main(int argc, char** argv) {
  return Main(argc, argv);
}
#endif
