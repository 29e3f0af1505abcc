#include "ReportContent.h"

#include "ReportSections.h"
#include "ReportText.h"

namespace meterlog2::report {

using text::Time;

ReportBlock& ReportWriter::Add(ReportBlock::Kind kind, const std::string& text) {
  ReportBlock& block = m_doc.blocks.emplace_back();
  block.kind = kind;
  block.text = text;
  return block;
}

void ReportWriter::Heading(const std::string& text, const std::string& anchor, bool newPage) {
  ReportBlock& block = Add(ReportBlock::Kind::kHeading, text);
  block.anchor = anchor;
  block.newPage = newPage;
}

void ReportWriter::Subheading(const std::string& text) {
  Add(ReportBlock::Kind::kSubheading, text);
}

void ReportWriter::Paragraph(const std::string& text, bool small) {
  Add(ReportBlock::Kind::kParagraph, text).small = small;
}

void ReportWriter::Table(ReportTable table) {
  Add(ReportBlock::Kind::kTable).table = std::move(table);
}

void ReportWriter::Chart(ChartPlan plan) {
  Add(ReportBlock::Kind::kChart).chart = std::move(plan);
}

std::string ProgramNameAndVersion() {
  return "Meterlog2 " + std::to_string(METERLOG2_VERSION_MAJOR + 0) + "." +
         std::to_string(METERLOG2_VERSION_MINOR + 0) + "." +
         std::to_string(METERLOG2_VERSION_PATCH + 0) + "." +
         std::to_string(METERLOG2_VERSION_TWEAK + 0);
}

ReportDocument BuildReportDocument(const assess::AssessmentResult& result,
                                   const ReportOptions& options) {
  ReportDocument doc;
  const assess::SurveyFacts& s = result.survey;
  // The engineer's words, on one line and without control characters (an ESC or SOH pasted
  // into --title would otherwise reach the page as it is).
  const std::string title = text::Simplified(text::WithoutControls(options.title));
  doc.title = title.empty() ? std::string(kDefaultReportTitle) : title;
  doc.site = text::Simplified(text::WithoutControls(options.site));
  if (s.first && s.last) doc.period = Time(*s.first) + " to " + Time(*s.last);
  doc.footer = ProgramNameAndVersion();
  ReportWriter writer(result, doc);
  WriteSummary(writer);
  WritePeriods(writer);
  WriteCharts(writer);
  WriteInformative(writer);
  WriteMethod(writer);
  return doc;
}

}  // namespace meterlog2::report
