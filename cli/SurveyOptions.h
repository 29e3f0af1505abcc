#pragma once
// What `assess` and `report` share: the options that shape an assessment and the loading of the
// survey's logs.

#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "assess/Assessment.h"
#include "log/CMeterlog2Doc.h"

struct SurveyOptions {
  assess::AssessOptions assess;
  uint32_t dataFormat = 0;  // 0: each log's own
  bool failOnViolation = false;
};

// Takes --standard, --nominal-voltage, --connection, --nominal-frequency, --isc, --il,
// --data-format and --fail-on-violation out of `args`. False with `error` set (for a usage message)
// when a value is bad.
bool TakeSurveyOptions(Args& args, SurveyOptions& options, std::string& error);

// The options TakeSurveyOptions takes.
const std::vector<meterlog2::cli::OptionDescription>& SurveyOptionDescriptions();

// The logs of a survey, loaded.
struct Survey {
  std::vector<std::unique_ptr<CMeterlog2Doc>> docs;
  std::vector<assess::SurveyLog> logs;
  std::vector<std::filesystem::path> paths;
};

// Loads every log (in the byte order asked for) and assesses them together: 0, or the exit
// status with the reason on stderr: 1 when a log cannot be loaded or the logs cannot be
// assessed, kImplausibleStatus when the values cannot be a supply in the byte order read.
int AssessSurvey(const std::vector<std::string>& logs, const SurveyOptions& options, Survey& survey,
                 assess::AssessmentResult& result);

// The exit status when the data cannot be a supply as read (the other byte order is suggested).
constexpr int kImplausibleStatus = 2;

// What a Ctrl+C or SIGTERM that comes before anything is written says: that `out` ("-": standard
// output) was left as it was.
void SayWhatAnInterruptLeaves(const std::string& out);

// The exit status when --fail-on-violation is given and a criterion fails.
constexpr int kViolationStatus = 3;
