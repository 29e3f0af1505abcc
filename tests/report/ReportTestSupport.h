#pragma once
// Surveys made with the sample generator and assessed as the report sees them, and the PDF read
// back as its reader gets it (poppler-utils).

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <optional>
#include <string>
#include <vector>

#include "assess/Assessment.h"
#include "samples/SampleLog.h"

struct Survey {
  std::vector<std::vector<uint8_t>> bytes;  // of each log
  assess::AssessmentResult result;
};

// The assessment of generated logs joined in one survey, with the digests a report shows.
Survey Assessed(const std::vector<SampleLogOptions>& logs,
                const assess::AssessOptions& options = {},
                const std::vector<std::string>& names = {});
inline Survey Assessed(const SampleLogOptions& log, const assess::AssessOptions& options = {},
                       const std::string& name = "survey.57x") {
  return Assessed(std::vector<SampleLogOptions>{log}, options, {name});
}

// A Three Phase Tabular Log of `records` records `interval` seconds apart.
SampleLogOptions Tabular(uint32_t records, unsigned interval = 60);
// The same, starting at the given day and hour of March 2009.
SampleLogOptions TabularFrom(uint32_t records, unsigned interval, int day, int hour = 14,
                             int minute = 5);
// Un (and Isc) declared.
assess::AssessOptions Declared(double nominalVoltage, std::optional<double> isc = {});

QString Tool(const char* name);
bool HavePoppler();
// Runs a poppler tool and gives its standard output as UTF-8 text (empty when it fails).
QString Poppler(const char* tool, const QStringList& arguments);
// Page text with its line breaks and runs of spaces as single spaces.
QString Flat(const QString& text);

class ReportFiles {
 public:
  QString Write(const QByteArray& bytes, const QString& name);
  // The PDF's pages as text, in reading order (pdftotext -layout).
  QStringList Pages(const QByteArray& pdf);
  // The height of the first box of `word` on the PDF's first page, in points; 0 when absent.
  double WordHeight(const QByteArray& pdf, const QString& word);

 private:
  QTemporaryDir m_dir;
};
