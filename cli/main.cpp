#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "Commands.h"
#include "HelperProgram.h"
#include "ProgramMain.h"

namespace {

// Every command with its options and what it does, for `meterlog2-cli --help`; a command's own
// --help comes from its CommandDescription.
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

// The commands this program runs itself.
const std::vector<const CommandDescription*> kCommands = {&kInfoCommand,   &kDumpCommand,
                                                          &kSampleCommand, &kExportCommand,
                                                          &kStatsCommand,  &kAssessCommand};

}  // namespace

static int Main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage();
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::cout << "meterlog2-cli " METERLOG2_VERSION_STRING "\n";
    return meterlog2::cli::CheckStandardOutput(0);
  }
  // The commands that draw or talk to the instrument run in a helper program, so that the log
  // commands start without Qt (docs/cli.md).
  if (const char* helper = meterlog2::cli::HelperFor(argv[1]))
    return meterlog2::cli::RunHelperProgram(helper, argc, argv);
  return meterlog2::cli::RunCommandLine(kCommands, argc, argv, Usage);
}

int main(int argc, char** argv) {
  return meterlog2::cli::ProgramMain(argc, argv, Main);
}
