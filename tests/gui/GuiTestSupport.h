#pragma once
// Shared by the GUI suites: sample logs in a scratch folder, a place for every message the
// program would show, and a way to act on a modal dialog once it is up.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

#include "samples/SampleLog.h"

class QWidget;

// Registers a test object with the suite's main(); returns the number registered.
int RegisterGuiTest(std::function<QObject*()> make);
#define REGISTER_GUI_TEST(Class) \
  static const int Class##_registered = RegisterGuiTest([] { return new Class; })

// The scratch folder of this run (also XDG_STATE_HOME and XDG_CONFIG_HOME).
QString ScratchDir();
// Writes a sample log under the scratch folder and returns its path.
QString WriteSample(const QString& name, const SampleLogOptions& options);
QString WriteSample(const QString& name, int logType, unsigned records, uint32_t dataFormat = 1);
// A Three Phase Tabular log of 300 records a minute apart whose 9th voltage harmonic is 2 % of
// the fundamental in every phase (EN 50160 allows 1.5 %), written as WriteSample does.
QString WriteFailingSurvey(const QString& name);
QByteArray ReadAll(const QString& path);

// Messages the program showed since the last TakeMessages().
QStringList TakeMessages();

// Runs `action` on the next modal dialog once it is shown (polls the event loop).
void WhenModal(std::function<void(QWidget*)> action);

// Forgets the recent-file list between tests.
void ClearSettings();

// The widget named `name` of type T under `root` (as the program names its parts); the test
// program stops, saying which, when there is none.
template <typename T>
T* Child(const QObject* root, const char* name) {
  T* child = root->findChild<T*>(QLatin1String(name));
  if (child == nullptr) qFatal("no %s named \"%s\"", T::staticMetaObject.className(), name);
  return child;
}
