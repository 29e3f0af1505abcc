#pragma once
// What the report says about an assessment, in order: the summary (the survey, Un and Fn, the
// overall verdict, a verdict per group of criteria), the charts, the informative values and the
// method. Every number is the result's own, written as `meterlog2-cli assess` writes it.

#include <string>

#include "ReportDocument.h"
#include "ReportOptions.h"
#include "assess/Assessment.h"

namespace meterlog2::report {

ReportDocument BuildReportDocument(const assess::AssessmentResult& result,
                                   const ReportOptions& options);

// "Meterlog2 2.0.0.0": the program that made the report.
std::string ProgramNameAndVersion();

}  // namespace meterlog2::report
