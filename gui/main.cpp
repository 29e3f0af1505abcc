#include <QApplication>
#include <QSocketNotifier>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/CMeterlog2App.h"
#include "app/ToolbarIcons.h"
#include "file/Interrupt.h"

#ifndef _WIN32
#include <unistd.h>
#endif
#include "file/WindowsApi.h"

namespace {

// Answered before the application object exists: it needs no display.
int PrintVersion() {
  static const char text[] = "meterlog2 " METERLOG2_VERSION_STRING "\n";
#ifdef _WIN32
  // A windowed program has no console of its own. Its output goes where it was redirected, else
  // to the console of the command prompt that started it, else into a message box.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  const bool redirected =
      out != nullptr && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN;
  FILE* console = nullptr;
  if (!redirected &&
      (!AttachConsole(ATTACH_PARENT_PROCESS) || freopen_s(&console, "CONOUT$", "w", stdout) != 0)) {
    MessageBoxA(nullptr, text, "Meterlog", MB_OK | MB_ICONINFORMATION);
    return 0;
  }
#endif
  std::fputs(text, stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

namespace {

// Taken as the program is loaded, before main: the start of a first-paint measurement.
const auto kStarted = std::chrono::steady_clock::now();

}  // namespace

int main(int argc, char* argv[]) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) return PrintVersion();
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Meterlog"));
#if defined(_WIN32)
  QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
#else
  QApplication::setOrganizationName(QStringLiteral("meterlog2"));  // its own folders
#endif
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setDesktopFileName(QStringLiteral("meterlog2"));

  // SIGINT and SIGTERM close the program the way its window's close button does: a running
  // download is cancelled (the instrument told, the data kept) and an export removes its
  // temporary file. A second signal ends the program at once.
  InstallInterruptHandlers();
  InterruptScope interruptible;
  std::unique_ptr<QSocketNotifier> interrupts;
  if (const int wake = InterruptWakeDescriptor(); wake >= 0) {
    interrupts = std::make_unique<QSocketNotifier>(wake, QSocketNotifier::Read);
    QObject::connect(interrupts.get(), &QSocketNotifier::activated, [wake] {
#ifndef _WIN32
      char drained[16];
      while (read(wake, drained, sizeof drained) > 0) {
      }
#endif
      QApplication::closeAllWindows();
    });
  }

  CMeterlog2App app;
  if (!app.InitInstance(QApplication::arguments().mid(1))) return InterruptExitStatus(1);
  // METERLOG2_TIME_FIRST_PAINT=1: how long the table took to appear, on stderr; then the
  // program ends (README, Speed).
  if (qEnvironmentVariableIsSet("METERLOG2_TIME_FIRST_PAINT")) {
    app.AfterNextTablePaint([] {
      const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
          std::chrono::steady_clock::now() - kStarted);
      // The processor time too: on a busy machine the wall clock also counts the waiting.
      const long long cpu = static_cast<long long>(std::clock()) * 1000 / CLOCKS_PER_SEC;
      const std::string text = "meterlog2: first paint after " + std::to_string(elapsed.count()) +
                               " ms (processor " + std::to_string(cpu) + " ms)\n";
      std::fputs(text.c_str(), stderr);
      QApplication::quit();
    });
  }
  return InterruptExitStatus(QApplication::exec());
}
