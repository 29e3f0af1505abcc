#include "Settings.h"

std::unique_ptr<QSettings> OpenSettings() {
  return std::make_unique<QSettings>(QStringLiteral("Local AppWizard-Generated Applications"),
                                     QStringLiteral("Meterlog"));
}
