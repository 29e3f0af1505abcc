#pragma once
// A report document as one self-contained HTML page: the style sheet inline (with one for print:
// the page size, a header and "Page N of M" where the browser draws page margins), the charts as
// PNG data. Nothing in it depends on when or where it is made, so the same document gives the
// same bytes.

#include <QByteArray>

#include "AssessmentReport.h"
#include "report/ReportDocument.h"

QByteArray RenderHtml(const meterlog2::report::ReportDocument& doc, ReportOptions::Page page);
