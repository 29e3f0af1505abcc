#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "Commands.h"

namespace {

void Usage() {
  std::cerr << "usage: meterlog2-cli COMMAND [ARGS]\n"
               "  info FILE                     what a log holds\n"
               "  dump FILE [-o OUT]            the dump text of every record\n"
               "  sample --type N --records K [--data-format 1|256] -o FILE\n"
               "                                write a generated sample log\n"
               "  export FILE... [-o OUT | -d DIR] [--data-format 1|256]\n"
               "         [--columns TITLE,...] [--rows A-B,...]\n"
               "                                the table as CSV\n"
#ifdef METERLOG2_WITH_LINK
               "  ports                         serial ports\n"
               "  directory --port DEV          the instrument's Flash File directory\n"
               "  download --port DEV --entry N -o FILE\n"
               "                                receive a Flash File\n"
               "  config --port DEV [--set NAME=VALUE...] [--no-clock]\n"
               "                                read or change the configuration\n"
               "  (instrument commands also take --baud, --data-bits, --parity, --stop-bits)\n"
#endif
      ;
}

}  // namespace

bool TakeOption(Args& args, const std::string& name, std::string& value,
                const std::string& shortName) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == name || (!shortName.empty() && a == shortName)) && i + 1 < args.size()) {
      value = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return true;
    }
    if (a.size() > name.size() && a.compare(0, name.size(), name) == 0 && a[name.size()] == '=') {
      value = a.substr(name.size() + 1);
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

bool TakeFlag(Args& args, const std::string& name) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == name) {
      args.erase(args.begin() + static_cast<long>(i));
      return true;
    }
  }
  return false;
}

bool ParseUnsigned(const std::string& text, unsigned long long max, unsigned long long& value) {
  if (text.empty() || text.size() > 20) return false;
  unsigned long long v = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9') return false;
    const unsigned d = static_cast<unsigned>(ch - '0');
    if (v > (max - d) / 10) return false;
    v = v * 10 + d;
  }
  value = v;
  return true;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage();
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  Args args(argv + 2, argv + argc);
  try {
    if (command == "info") return RunInfo(args);
    if (command == "dump") return RunDump(args);
    if (command == "sample") return RunSample(args);
    if (command == "export") return RunExport(args);
#ifdef METERLOG2_WITH_LINK
    if (command == "ports") return RunPorts(args);
    if (command == "directory") return RunDirectory(args);
    if (command == "download") return RunDownload(args);
    if (command == "config") return RunConfig(args);
#endif
  } catch (const std::exception& e) {
    std::cerr << "meterlog2-cli: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "meterlog2-cli: unknown command \"" << command << "\"\n";
  Usage();
  return 2;
}
