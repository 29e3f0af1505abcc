#pragma once
// Every key of the program's settings store (Settings.h), written once. The texts are what
// users' stored settings hold: a changed text would lose what they chose.

#include <QLatin1String>
#include <QString>

namespace meterlog2::common {

// "Recent File List" holds File1..File4 (RecentFileKey).
inline constexpr QLatin1String kRecentFileGroup("Recent File List");
inline QString RecentFileKey(int number) {
  return QStringLiteral("File%1").arg(number);
}

inline constexpr QLatin1String kDiagnosticDumpKey("Settings/DiagnosticDump");
inline constexpr QLatin1String kDateFormatKey("View/DateFormat");  // "log", "iso" or "locale"

// The export's choices.
inline constexpr QLatin1String kExportIsoTimeKey("Export/IsoTime");
inline constexpr QLatin1String kExportDecimalCommaKey("Export/DecimalComma");

// The report's choices.
inline constexpr QLatin1String kReportTitleKey("Report/Title");
inline constexpr QLatin1String kReportSiteKey("Report/Site");
inline constexpr QLatin1String kReportPageKey("Report/Page");
inline constexpr QLatin1String kReportTypeKey("Report/Type");  // "html" or "pdf"

// The serial line last chosen: the port's name and the line as "9600/8n1".
inline constexpr QLatin1String kLinkPortKey("Link/Port");
inline constexpr QLatin1String kLinkLineKey("Link/Line");

// The folders last used by each file dialog.
inline constexpr QLatin1String kOpenFolderKey("Folders/Open");
inline constexpr QLatin1String kExportFolderKey("Folders/Export");
inline constexpr QLatin1String kReportFolderKey("Folders/Report");
inline constexpr QLatin1String kDownloadFolderKey("Folders/Download");

}  // namespace meterlog2::common
