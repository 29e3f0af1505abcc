#pragma once
// An assessment result as JSON, as CSV (one line per criterion) and as a readable text table
// (failures first). Numbers are written with std::to_chars, never through the process locale:
// JSON and CSV carry the shortest text that reads back as the same double, the table three
// decimals at most.

#include <string>
#include <string_view>

#include "Assessment.h"

namespace assess {

// {"survey": {...}, "verdict": ..., "indicative": ..., "criteria": [...]}; a value that is no
// number is null; text is escaped, and bytes that are not UTF-8 (a file name's) become U+FFFD.
std::string AssessmentJson(const AssessmentResult& result);

// The header "standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,
// note", then one line per criterion in the result's order; CR LF line ends.
std::string AssessmentCsv(const AssessmentResult& result);

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

}  // namespace assess
