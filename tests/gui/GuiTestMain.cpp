// Runs every registered GUI suite in one QApplication. Settings and the dump file go to a
// scratch folder so that a test run never touches the user's own. Its name holds a space and a
// letter beyond ASCII: every test opens, exports, dumps and downloads through such a folder.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

std::vector<std::function<QObject*()>>& GuiTests();
QString& ScratchPath();
void InstallMessageSink();

int main(int argc, char* argv[]) {
  QTemporaryDir scratch(QDir::tempPath() + QStringLiteral("/meterlog2 Messungen Müller-XXXXXX"));
  if (!scratch.isValid()) return 2;
  ScratchPath() = scratch.path();
  qputenv("XDG_STATE_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("state"))));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");

  QApplication app(argc, argv);
  InstallMessageSink();
  int failures = 0;
  for (const auto& make : GuiTests()) {
    std::unique_ptr<QObject> test(make());
    failures += QTest::qExec(test.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
