#include <QApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>

#include "app/CMeterlog2App.h"
#include "app/ToolbarIcons.h"
#include "file/Interrupt.h"

#ifndef _WIN32
#include <unistd.h>
#endif

int main(int argc, char* argv[]) {
  // Answered before the application object exists: it needs no display.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("meterlog2 %s\n", METERLOG2_VERSION_STRING);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
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
  return InterruptExitStatus(QApplication::exec());
}
