#include "ProgramMain.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>

#include "file/Interrupt.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include "file/WindowsApi.h"
// For CommandLineToArgvW.
#include <shellapi.h>
#else
#include <signal.h>
#endif

namespace meterlog2::cli {

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

int RunCommandLine(const std::vector<const CommandDescription*>& commands, int argc, char** argv,
                   void (*usage)()) {
  const std::string name = argv[1];
  const CommandDescription* command = nullptr;
  for (const CommandDescription* candidate : commands)
    if (name == candidate->name) command = candidate;
  if (command == nullptr) {
    std::cerr << "meterlog2-cli: unknown command \"" << name << "\"\n";
    if (usage != nullptr) usage();
    return 2;
  }
  // Until the command says more (what its output was left as), an interrupt says at least that.
  SetInterruptMessage("meterlog2-cli: interrupted\n");
  InstallInterruptHandlers();
#ifndef _WIN32
  // meterlog2-cli blocks them while it starts a helper (HelperProgram.cpp): now they are handled.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &signals, nullptr);
#endif
  int status = 1;
  try {
    status = RunCommand(*command, std::vector<std::string>(argv + 2, argv + argc));
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

int ProgramMain(int, char**, int (*main)(int, char**)) {
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
  return main(static_cast<int>(utf8.size()), argv.data());
}
#else
int ProgramMain(int argc, char** argv, int (*main)(int, char**)) {
  return main(argc, argv);
}
#endif

}  // namespace meterlog2::cli
