#pragma once
// An assessment result as JSON, as CSV (one line per criterion) and as a readable text table
// (failures first). Numbers are written with std::to_chars, never through the process locale:
// JSON and CSV carry the shortest text that reads back as the same double, the table three
// decimals at most.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Assessment.h"

namespace assess {

// {"survey": {...}, "verdict": ..., "indicative": ..., "criteria": [...]}; a value that is no
// number is null; text is escaped, and bytes that are not UTF-8 (a file name's) become U+FFFD.
std::string AssessmentJson(const AssessmentResult& result);

// The header "standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,
// note", then one line per criterion in the result's order (or the criteria `rows` names, in
// that order); CR LF line ends. A field holding the separator, a quote or a line break is
// quoted. The clipboard takes the same lines with TAB as the separator.
std::string AssessmentCsv(const AssessmentResult& result, char separator = ',',
                          const std::vector<size_t>* rows = nullptr);

// The survey, the overall verdict and a table of the criteria, failures first, then the notes.
std::string AssessmentTable(const AssessmentResult& result);

// The criteria's indices in the order a reader wants them: failures, passes, informative rows,
// then what was not assessed; the result's order within each.
std::vector<size_t> FailuresFirst(const AssessmentResult& result);

// The criterion's note without the remark that the survey is indicative, which a reader is told
// once for the whole result.
std::string_view OwnNote(const AssessmentResult& result, const Criterion& criterion);

// `text` as a JSON string literal (quotes included).
std::string JsonString(std::string_view text);

// One log of many, each assessed on its own (`assess --each`): one line of their summary.
struct SurveyLine {
  std::filesystem::path path;
  std::string logType;  // empty when not known
  std::optional<int64_t> first, last;
  std::optional<double> durationS;
  std::optional<Verdict> verdict;  // nothing when the log could not be assessed
  bool indicative = false;
  size_t failed = 0;  // failed criteria
  // The failed criterion furthest beyond its limit, and its value; empty without failures.
  std::string worst;
  std::optional<double> worstValue;
  std::string worstUnit;
  std::string error;  // why the log could not be read or assessed
};

// The summary line of a log's assessment.
SurveyLine SurveyLineOf(const std::filesystem::path& path, const AssessmentResult& result);

// The summary of many logs, a line each in the order given: JSON (an array of objects with the
// keys file, log_type, first, last, duration_s, verdict, indicative, failed, worst, worst_value,
// worst_unit and error), CSV (a header line with those names, CR LF line ends) or a text table.
// A log that could not be assessed has the verdict "error" and says why.
std::string SurveySummaryJson(const std::vector<SurveyLine>& lines);
std::string SurveySummaryCsv(const std::vector<SurveyLine>& lines);
std::string SurveySummaryTable(const std::vector<SurveyLine>& lines);

}  // namespace assess
