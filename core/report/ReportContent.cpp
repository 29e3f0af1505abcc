#include "ReportContent.h"

#include "ReportSections.h"
#include "ReportStyle.h"
#include "ReportText.h"

using report_text::Time;

ReportBlock& ReportWriter::Add(ReportBlock::Kind kind, const QString& text) {
  ReportBlock& block = m_doc.blocks.emplace_back();
  block.kind = kind;
  block.text = text;
  return block;
}

void ReportWriter::Heading(const QString& text, const QString& anchor, bool newPage) {
  ReportBlock& block = Add(ReportBlock::Kind::kHeading, text);
  block.anchor = anchor;
  block.newPage = newPage;
}

void ReportWriter::Subheading(const QString& text) {
  Add(ReportBlock::Kind::kSubheading, text);
}

void ReportWriter::Paragraph(const QString& text, bool small) {
  Add(ReportBlock::Kind::kParagraph, text).small = small;
}

void ReportWriter::Table(ReportTable table) {
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

void ReportWriter::Chart(ChartPlan plan) {
  Add(ReportBlock::Kind::kChart).chart = std::move(plan);
}

QString ProgramNameAndVersion() {
  return QStringLiteral("Meterlog2 %1.%2.%3.%4")
      .arg(METERLOG2_VERSION_MAJOR + 0)
      .arg(METERLOG2_VERSION_MINOR + 0)
      .arg(METERLOG2_VERSION_PATCH + 0)
      .arg(METERLOG2_VERSION_TWEAK + 0);
}

ReportDocument BuildReportDocument(const assess::AssessmentResult& result,
                                   const ReportOptions& options) {
  ReportDocument doc;
  const assess::SurveyFacts& s = result.survey;
  // The engineer's words, on one line and without control characters (an ESC or SOH pasted
  // into --title would otherwise reach the page as it is).
  const QString title = report_text::WithoutControls(options.title).simplified();
  doc.title = title.isEmpty() ? QString::fromLatin1(kDefaultReportTitle) : title;
  doc.site = report_text::WithoutControls(options.site).simplified();
  if (s.first && s.last) doc.period = Time(*s.first) + QStringLiteral(" to ") + Time(*s.last);
  doc.footer = ProgramNameAndVersion();
  ReportWriter writer(result, doc);
  WriteSummary(writer);
  WritePeriods(writer);
  WriteCharts(writer);
  WriteInformative(writer);
  WriteMethod(writer);
  return doc;
}

QColor ToneColor(Tone tone) {
  switch (tone) {
    case Tone::kPass:
      return QColor(25, 135, 84);
    case Tone::kFail:
      return QColor(200, 35, 51);
    case Tone::kMuted:
      return QColor(120, 124, 130);
    case Tone::kInfo:
      return QColor(13, 110, 253);
    case Tone::kWarn:
      return QColor(160, 82, 0);
    case Tone::kNormal:
      break;
  }
  return kInkColor;
}
