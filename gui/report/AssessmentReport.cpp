#include "AssessmentReport.h"

#include "HtmlReport.h"
#include "PdfReport.h"
#include "file/OutputFile.h"
#include "file/PathText.h"
#include "report/ReportContent.h"

ReportFormat ReportFormatFor(const QString& path) {
  if (path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) return ReportFormat::kPdf;
  if (path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive)) return ReportFormat::kHtml;
  return ReportFormat::kNone;
}

QByteArray RenderReport(const assess::AssessmentResult& result, const ReportOptions& options,
                        ReportFormat format) {
  const meterlog2::report::ReportDocument doc =
      meterlog2::report::BuildReportDocument(result, options);
  if (format == ReportFormat::kPdf) return RenderPdf(doc, options.page);
  if (format == ReportFormat::kHtml) return RenderHtml(doc, options.page);
  return {};
}

bool SaveReport(const assess::AssessmentResult& result, const ReportOptions& options,
                const std::filesystem::path& path, const std::vector<std::filesystem::path>& inputs,
                QString& error) {
  const QString name = QString::fromStdString(PathText(path));
  const ReportFormat format = ReportFormatFor(name);
  if (format == ReportFormat::kNone) {
    error = QStringLiteral(
                "Could not save the report as \"%1\": the name must end in .pdf or "
                ".html.")
                .arg(name);
    return false;
  }
  OutputFile file;
  // Refused before anything is drawn when the target cannot be written or is a log of the survey.
  if (!file.Open(path, inputs)) {
    error = QString::fromStdString(file.Error());
    return false;
  }
  const QByteArray bytes = RenderReport(result, options, format);
  if (bytes.isEmpty()) {
    error = QStringLiteral("Could not draw the report \"%1\".").arg(name);
    return false;
  }
  if (file.Write(bytes.constData(), static_cast<size_t>(bytes.size())) && file.Commit())
    return true;
  error = QString::fromStdString(file.Error());
  return false;
}
