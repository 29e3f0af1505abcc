#include "Settings.h"

std::unique_ptr<QSettings> OpenSettings() {
#if defined(Q_OS_WIN)
  return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                     QStringLiteral("Meterlog"));
#else
  // The program's own folder: ~/.config/meterlog2/meterlog2.conf ($XDG_CONFIG_HOME honoured).
  auto settings =
      std::make_unique<QSettings>(QStringLiteral("meterlog2"), QStringLiteral("meterlog2"));
  if (settings->allKeys().isEmpty()) {
    // Earlier versions kept the recent files under the Windows program's names: take them over
    // once (the old file stays as it was).
    QSettings earlier(QStringLiteral("Local AppWizard-Generated Applications"),
                      QStringLiteral("Meterlog"));
    for (const QString& key : earlier.allKeys()) settings->setValue(key, earlier.value(key));
  }
  return settings;
#endif
}
