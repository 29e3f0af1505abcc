#pragma once
// The report a client receives: an assessment's result drawn as a PDF (vector charts, fonts
// embedded, every page numbered) or as one self-contained HTML page (charts as PNG data,
// printable, the same bytes for the same result and options), drawn from the report's model
// (core/report). The report shows the assessment's numbers and verdicts; it computes none of its
// own. The desktop program and
// `meterlog2-cli report` both make it here, offscreen.

#include <QByteArray>
#include <QString>
#include <filesystem>
#include <vector>

#include "assess/Assessment.h"
#include "report/ReportOptions.h"

using meterlog2::report::kDefaultReportTitle;
using meterlog2::report::ReportOptions;

enum class ReportFormat { kNone, kPdf, kHtml };
// The format a file name asks for by its ending (.pdf, .html; any case), kNone for another.
ReportFormat ReportFormatFor(const QString& path);

// The report as the bytes of a PDF or an HTML page. The files' digests are shown as the result
// holds them (assess::AddFileDigests takes them).
QByteArray RenderReport(const assess::AssessmentResult& result, const ReportOptions& options,
                        ReportFormat format);

// Writes the report to `path` in the format its name asks for, through the one output facility:
// complete or not at all, never onto one of `inputs`. False with a sentence in `error`.
bool SaveReport(const assess::AssessmentResult& result, const ReportOptions& options,
                const std::filesystem::path& path, const std::vector<std::filesystem::path>& inputs,
                QString& error);
