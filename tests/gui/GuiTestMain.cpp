// Runs every registered GUI suite in one QApplication, or with "--suite CLASS" (repeatable) only
// those: ctest runs each area as its own entry, so that a failure names its area. Settings and
// the dump file go to a
// scratch folder so that a test run never touches the user's own. Its name holds a space and a
// letter beyond ASCII: every test opens, exports, dumps and downloads through such a folder.

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <cstring>
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
  // "--suite CLASS" is ours; everything else goes to QtTest.
  QStringList suites;
  std::vector<char*> testArgs;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--suite") == 0 && i + 1 < argc) {
      suites << QString::fromLocal8Bit(argv[++i]);
    } else {
      testArgs.push_back(argv[i]);
    }
  }
  int failures = 0;
  QStringList ran;
  for (const auto& make : GuiTests()) {
    std::unique_ptr<QObject> test(make());
    const QString name = QString::fromLatin1(test->metaObject()->className());
    if (!suites.isEmpty() && !suites.contains(name)) continue;
    ran << name;
    failures += QTest::qExec(test.get(), static_cast<int>(testArgs.size()), testArgs.data());
  }
  for (const QString& suite : suites) {
    if (ran.contains(suite)) continue;
    std::fprintf(stderr, "gui_tests: no suite %s in this build\n", qPrintable(suite));
    ++failures;
  }
  return failures == 0 ? 0 : 1;
}
