#pragma once
// The sections of a report's content, each written by its own functions into one document
// through a writer that holds the result and its criteria in groups. Every number is the
// result's own; nothing here computes a statistic or a verdict. Internal to the report library:
// BuildReportDocument (ReportContent.h) calls them in order.

#include "ReportDocument.h"
#include "ReportGroups.h"

namespace meterlog2::report {

class ReportWriter {
 public:
  ReportWriter(const assess::AssessmentResult& result, ReportDocument& doc)
      : m_result(result), m_groups(result), m_doc(doc) {}

  const assess::AssessmentResult& Result() const { return m_result; }
  const assess::SurveyFacts& Survey() const { return m_result.survey; }
  const CriteriaGroups& Groups() const { return m_groups; }
  ReportDocument& Doc() { return m_doc; }

  ReportBlock& Add(ReportBlock::Kind kind, const std::string& text = {});
  void Heading(const std::string& text, const std::string& anchor, bool newPage);
  void Subheading(const std::string& text);
  void Paragraph(const std::string& text, bool small = false);
  void Table(ReportTable table);
  void Chart(ChartPlan plan);

 private:
  const assess::AssessmentResult& m_result;
  CriteriaGroups m_groups;
  ReportDocument& m_doc;
};

// Page 1 on: the verdict, the inputs, the coverage, the gaps, what was not assessed, the notes,
// the survey's logs, a verdict per group and the criteria that fail.
void WriteSummary(ReportWriter& w);
// Parts of the summary: a row per group and phase judged, and the criteria that fail.
void WriteVerdictTable(ReportWriter& w);
void WriteFailures(ReportWriter& w);
// Every judged group period by period: the weeks (the days for IEEE 519's daily statistics).
void WritePeriods(ReportWriter& w);
// The series judged, with their limits, and the harmonics' bars.
void WriteCharts(ReportWriter& w);
// The informative rows and their charts.
void WriteInformative(ReportWriter& w);
// How the numbers were found and judged.
void WriteMethod(ReportWriter& w);

}  // namespace meterlog2::report
