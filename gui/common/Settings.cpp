#include "Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#if !defined(Q_OS_WIN)
namespace {

// Where the settings file would go is there, or can be made without making up a home folder:
// $XDG_CONFIG_HOME when it is an absolute path, else a home folder that exists.
bool HasConfigFolder() {
  if (qEnvironmentVariable("XDG_CONFIG_HOME").startsWith(QLatin1Char('/'))) return true;
  const QString home = qEnvironmentVariable("HOME");
  return !home.isEmpty() && QFileInfo(home).isDir();
}

// Settings for this run only: a private temporary file, removed when the program ends.
QString RunOnlySettingsPath() {
  static QTemporaryFile file(QDir::tempPath() + QStringLiteral("/meterlog2-settings-XXXXXX"));
  static const bool opened = file.open();
  return opened ? file.fileName() : QString();
}

}  // namespace
#endif

std::unique_ptr<QSettings> OpenSettings() {
#if defined(Q_OS_WIN)
  return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                     QStringLiteral("Meterlog"));
#else
  // Without a home folder nothing is remembered beyond this run, and none is made up.
  if (!HasConfigFolder())
    return std::make_unique<QSettings>(RunOnlySettingsPath(), QSettings::IniFormat);
  // The program's own folder: ~/.config/meterlog2/meterlog2.conf ($XDG_CONFIG_HOME honoured).
  auto settings =
      std::make_unique<QSettings>(QStringLiteral("meterlog2"), QStringLiteral("meterlog2"));
  if (settings->allKeys().isEmpty()) {
    // Earlier versions of Meterlog2 kept the recent files under the registry key's names on every
    // system: take them over once (that file stays as it was).
    QSettings earlier(QStringLiteral("Local AppWizard-Generated Applications"),
                      QStringLiteral("Meterlog"));
    for (const QString& key : earlier.allKeys()) settings->setValue(key, earlier.value(key));
  }
  return settings;
#endif
}
