#pragma once
// The program's settings store: the registry key "Local AppWizard-Generated Applications" /
// "Meterlog" on Windows, `meterlog2/meterlog2.conf` in the user's config folder elsewhere.
// Elsewhere, without a home folder, settings last for the run only: no home folder is made up.

#include <QSettings>
#include <memory>

std::unique_ptr<QSettings> OpenSettings();
