#pragma once
// A report document drawn as a PDF: laid out in points on A4 or US Letter, every page with the
// title, the survey period and "Page N of M" in its header, charts drawn as vectors, the fonts
// embedded by Qt's PDF engine.

#include <QByteArray>

#include "AssessmentReport.h"
#include "report/ReportDocument.h"

QByteArray RenderPdf(const meterlog2::report::ReportDocument& doc, ReportOptions::Page page);
