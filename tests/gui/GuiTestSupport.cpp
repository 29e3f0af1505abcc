#include "GuiTestSupport.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTimer>
#include <memory>
#include <vector>

#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/Settings.h"
#include "log/LogTypes.h"

namespace {
QStringList& Messages() {
  static QStringList messages;
  return messages;
}
}  // namespace

std::vector<std::function<QObject*()>>& GuiTests() {
  static std::vector<std::function<QObject*()>> tests;
  return tests;
}

int RegisterGuiTest(std::function<QObject*()> make) {
  GuiTests().push_back(std::move(make));
  return static_cast<int>(GuiTests().size());
}

QString& ScratchPath() {
  static QString path;
  return path;
}

QString ScratchDir() {
  return ScratchPath();
}

QString WriteSample(const QString& name, const SampleLogOptions& options) {
  const QString path = QDir(ScratchDir()).filePath(name);
  std::string error;
  if (!WriteSampleLog(PathFromQString(path), options, error)) qFatal("sample: %s", error.c_str());
  return path;
}

QString WriteSample(const QString& name, int logType, unsigned records, uint32_t dataFormat) {
  SampleLogOptions options;
  options.logType = logType;
  options.records = records;
  options.dataFormat = dataFormat;
  return WriteSample(name, options);
}

QString WriteFailingSurvey(const QString& name) {
  SampleLogOptions options;
  options.logType = kThreePhaseTabularLog;
  options.records = 300;
  options.distortedHarmonic = 9;
  options.distortionPercent = 2;
  return WriteSample(name, options);
}

QByteArray ReadAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QStringList TakeMessages() {
  QStringList taken = Messages();
  Messages().clear();
  return taken;
}

void InstallMessageSink() {
  SetMessageHook([](const QString& text, MessageKind) { Messages().append(text); });
}

void WhenModal(std::function<void(QWidget*)> action) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [action, poll] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      action(modal);
      // A failed check returns early: never leave the dialog waiting for a click.
      if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible())
        dialog->reject();
      *poll = nullptr;  // break the cycle
      return;
    }
    QTimer::singleShot(10, *poll);
  };
  QTimer::singleShot(0, *poll);
}

void ClearSettings() {
  auto settings = OpenSettings();
  settings->clear();
  settings->sync();
}
