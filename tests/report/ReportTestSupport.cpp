#include "ReportTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtGlobal>
#include <memory>

#include "file/Sha256.h"
#include "log/CMeterlog2Doc.h"

Survey Assessed(const std::vector<SampleLogOptions>& logs, const assess::AssessOptions& options,
                const std::vector<std::string>& names) {
  Survey survey;
  std::vector<std::unique_ptr<CMeterlog2Doc>> docs;
  std::vector<assess::SurveyLog> surveyLogs;
  for (size_t i = 0; i < logs.size(); ++i) {
    const std::string name =
        i < names.size() ? names[i] : "survey" + std::to_string(i + 1) + ".57x";
    survey.bytes.push_back(MakeSampleLog(logs[i]));
    docs.push_back(std::make_unique<CMeterlog2Doc>());
    docs.back()->LoadFromMemory(survey.bytes.back().data(), survey.bytes.back().size(), name);
    surveyLogs.push_back({std::filesystem::path(name), docs.back().get()});
  }
  std::string error;
  if (!assess::Assess(surveyLogs, options, survey.result, error)) qFatal("%s", error.c_str());
  for (size_t i = 0; i < survey.result.survey.files.size(); ++i)
    survey.result.survey.files[i].sha256 = Sha256Hex(std::string_view(
        reinterpret_cast<const char*>(survey.bytes[i].data()), survey.bytes[i].size()));
  return survey;
}

SampleLogOptions Tabular(uint32_t records, unsigned interval) {
  SampleLogOptions options;
  options.logType = 4;
  options.records = records;
  options.intervalSeconds = interval;
  return options;
}

SampleLogOptions TabularFrom(uint32_t records, unsigned interval, int day, int hour, int minute) {
  SampleLogOptions options = Tabular(records, interval);
  options.day = day;
  options.hour = hour;
  options.minute = minute;
  return options;
}

assess::AssessOptions Declared(double nominalVoltage, std::optional<double> isc) {
  assess::AssessOptions options;
  options.nominalVoltage = nominalVoltage;
  options.isc = isc;
  return options;
}

QString Tool(const char* name) {
  return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

bool HavePoppler() {
  for (const char* tool : {"pdftotext", "pdffonts", "pdfimages", "pdfinfo"})
    if (Tool(tool).isEmpty()) return false;
  return true;
}

QString Poppler(const char* tool, const QStringList& arguments) {
  QProcess process;
  process.start(Tool(tool), arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

QString Flat(const QString& text) {
  return QString(text).replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
}

QString ReportFiles::Write(const QByteArray& bytes, const QString& name) {
  const QString path = m_dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
  return path;
}

QStringList ReportFiles::Pages(const QByteArray& pdf) {
  const QString path = Write(pdf, QStringLiteral("report.pdf"));
  QStringList pages = Poppler("pdftotext", {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                            QStringLiteral("UTF-8"), path, QStringLiteral("-")})
                          .split(QLatin1Char('\f'));
  if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
  return pages;
}

double ReportFiles::WordHeight(const QByteArray& pdf, const QString& word) {
  const QString path = Write(pdf, QStringLiteral("words.pdf"));
  const QString boxes =
      Poppler("pdftotext", {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                            QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")});
  const QRegularExpression box(
      QStringLiteral("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">%1<")
          .arg(QRegularExpression::escape(word)));
  const QRegularExpressionMatch m = box.match(boxes);
  return m.hasMatch() ? m.captured(2).toDouble() - m.captured(1).toDouble() : 0;
}
