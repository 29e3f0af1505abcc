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
// note,indicative,missing_input,periods", then one line per criterion in the result's order (or the
// criteria `rows` names, in that order); CR LF line ends. A field holding the separator, a quote or
// a line break is quoted. The clipboard takes the same lines with TAB as the separator.
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

// The overall verdict in words: "passes the 87 criteria judged", "fails 3 of the 87 criteria
// judged", "none of the 12 criteria judged fails, but criteria the logs could support were not
// judged for want of the nominal voltage Un".
std::string VerdictSentence(const AssessmentResult& result);
// A criterion's value as a reader sees it: at the comparison's resolution for a judged row
// (JudgedText), three decimals at most for another.
std::string ValueText(const Criterion& criterion, double value);
// "week 2", "day 5": the worst period of a criterion judged over more than one; empty otherwise.
std::string WorstPeriodText(const Criterion& criterion);
// "Un = 230 V (declared), wye: 398.372 V between phases, low voltage (up to 1 kV); Fn = 50 Hz
// (inferred)".
std::string InputsText(const SurveyFacts& survey);
// "288 of 1008 10-minute windows hold records (28.57 %)".
std::string CoverageText(const SurveyFacts& survey);
// "week 1, 2009-03-07 14:00 to 2009-03-14 14:00: 288 of 1008 windows (28.57 %)".
std::string PeriodText(const Period& period, const char* unit, size_t index);
// "2009-03-08 14:00:00 to 2009-03-13 14:00:00 (5 days)".
std::string SpanText(const TimeSpan& span);

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
  Unit worstUnit = Unit::kNone;
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
