#include <QApplication>

#include "app/CMeterlog2App.h"
#include "app/ToolbarIcons.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Meterlog"));
  QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setDesktopFileName(QStringLiteral("meterlog2"));

  CMeterlog2App app;
  if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
  return QApplication::exec();
}
