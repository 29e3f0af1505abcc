#include "DumpStatus.h"

#include <QDir>
#include <QFileInfo>

#include "log/DumpWriter.h"

using meterlog2::log::DumpFilePath;
using meterlog2::log::DumpWriter;

namespace {

QString DiskText(uint64_t bytes) {
  if (bytes < (1u << 20)) return QStringLiteral("%1 KiB").arg((bytes + 1023) / 1024);
  return QStringLiteral("%1 MiB").arg(QString::number(double(bytes) / (1 << 20), 'f', 1));
}

QString DiskUseText(const std::string& path) {
  return DiskText(DumpWriter::DiskUse(path));
}

}  // namespace

QString DumpAboutText(const DumpWriter& writer, const std::string& path) {
  if (path.empty()) {
#ifdef _WIN32
    return QStringLiteral(
        "No diagnostic dump is written: C:\\ may not be written and there is no folder for it "
        "(LOCALAPPDATA is not set).");
#else
    return QStringLiteral(
        "No diagnostic dump is written: there is no folder for it (HOME is not set, or the "
        "home folder does not exist).");
#endif
  }
  const QString file = QDir::toNativeSeparators(QString::fromStdString(path));
  const QString older = QFileInfo(QString::fromStdString(DumpWriter::RotatedPath(path))).fileName();
  QString text = writer.Enabled() ? QStringLiteral(
                                        "Every load appends a text dump of its records to the "
                                        "diagnostic dump file:\n%1\n")
                                        .arg(file)
                                  : QStringLiteral(
                                        "The diagnostic dump is turned off (Options > Diagnostic "
                                        "Dump). Earlier loads were dumped to:\n%1\n")
                                        .arg(file);
  text += QStringLiteral(
              "No dump file grows past %3 MiB: a dump that does not fit moves the file aside to "
              "%1 (replacing an older one) and begins a new one; a dump larger than that alone "
              "keeps the records that fit and ends with a line saying how many were left out. "
              "Both files take %2 on the disk; delete them whenever you like.")
              .arg(older, DiskUseText(path))
              .arg(DumpWriter::kDefaultSizeLimit >> 20);
  const std::string problem = writer.LastProblem();
  if (!problem.empty())
    text += QStringLiteral("\nThe last dump stopped: %1.").arg(QString::fromStdString(problem));
  return text;
}

QString DumpStatusLine(const DumpWriter& writer, const std::string& path) {
  if (path.empty()) return QStringLiteral("Diagnostic dump: none (no folder for it)");
  const QString disk = DiskUseText(path);
  const std::string problem = writer.LastProblem();
  if (!writer.Enabled()) return QStringLiteral("Diagnostic dump: off (%1 on the disk)").arg(disk);
  if (!problem.empty()) {
    return QStringLiteral("Diagnostic dump stopped: %1 (%2 on the disk)")
        .arg(QString::fromStdString(problem), disk);
  }
  return QStringLiteral("Diagnostic dump: %1 on the disk").arg(disk);
}
