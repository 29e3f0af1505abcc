#include "HelperProgram.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include "file/WindowsApi.h"
#else
#include <signal.h>
#include <unistd.h>
#endif

namespace meterlog2::cli {

namespace {

// This program's own file.
std::filesystem::path OwnPath() {
#ifdef _WIN32
  std::wstring path(32768, L'\0');
  const DWORD size = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(size);
  return path;
#else
  std::error_code ec;
  return std::filesystem::read_symlink("/proc/self/exe", ec);
#endif
}

// Where the helper may be, in the order looked at: beside this program (the build tree, and
// Windows), LIBEXECDIR/meterlog2 relative to this program's folder (an installation moved as a
// whole), and the folder it was installed to.
std::vector<std::filesystem::path> HelperPlaces(const char* helper) {
  std::filesystem::path name = helper;
#ifdef _WIN32
  name += ".exe";
#endif
  const std::filesystem::path folder = OwnPath().parent_path();
  std::vector<std::filesystem::path> places = {folder / name};
#ifdef METERLOG2_LIBEXEC_RELATIVE
  places.push_back(folder / ".." / METERLOG2_LIBEXEC_RELATIVE / "meterlog2" / name);
#endif
#ifdef METERLOG2_LIBEXEC_DIR
  places.push_back(std::filesystem::path(METERLOG2_LIBEXEC_DIR) / "meterlog2" / name);
#endif
  return places;
}

#ifdef _WIN32
// The command line with this program's name replaced by `helper`'s, the rest kept as typed.
std::wstring HelperCommandLine(const std::filesystem::path& helper) {
  const std::wstring line = GetCommandLineW();
  size_t end = 0;
  if (!line.empty() && line[0] == L'"') {
    end = line.find(L'"', 1);
    end = end == std::wstring::npos ? line.size() : end + 1;
  } else {
    end = line.find_first_of(L" \t");
    if (end == std::wstring::npos) end = line.size();
  }
  return L"\"" + helper.wstring() + L"\"" + line.substr(end);
}

// Runs `helper` and waits; its exit status, or -1 when it could not be started. Ctrl+C reaches
// both programs: this one leaves it to the helper.
int Spawn(const std::filesystem::path& helper, char**) {
  std::wstring line = HelperCommandLine(helper);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(helper.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process))
    return -1;
  SetConsoleCtrlHandler(nullptr, TRUE);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
#else
// A Ctrl+C or SIGTERM that comes while the helper starts (loading its libraries takes a few
// milliseconds) waits, blocked, until the helper's handlers are in place (RunCommandLine):
// otherwise it would end the helper without the message and the clean-up it owes.
int Spawn(const std::filesystem::path& helper, char** argv) {
  sigset_t signals, previous;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_BLOCK, &signals, &previous);
  execv(helper.c_str(), argv);
  const int error = errno;
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return -1;  // execv returns only when it failed
}
#endif

}  // namespace

const char* HelperFor(const char* name) {
  [[maybe_unused]] const std::string command = name;
#ifdef METERLOG2_WITH_PLOT
  if (command == "plot" || command == "report") return "meterlog2-cli-draw";
#endif
#ifdef METERLOG2_WITH_LINK
  if (command == "ports" || command == "directory" || command == "download" || command == "config")
    return "meterlog2-cli-link";
#endif
  return nullptr;
}

int RunHelperProgram(const char* helper, int, char** argv) {
  std::string looked;
  for (const std::filesystem::path& place : HelperPlaces(helper)) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(place, ec)) {
      looked += "\n  " + place.lexically_normal().string();
      continue;
    }
    const int status = Spawn(place, argv);
    if (status >= 0) return status;
    std::cerr << "meterlog2-cli: cannot run " << place.string() << ": " << std::strerror(errno)
              << "\n";
    return 1;
  }
  std::cerr << "meterlog2-cli: the " << argv[1] << " command is run by " << helper
            << ", which is not installed where it is looked for:" << looked
            << "\n(reinstall meterlog2)\n";
  return 1;
}

}  // namespace meterlog2::cli
