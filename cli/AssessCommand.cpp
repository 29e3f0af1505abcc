// assess: judges a survey of one or more logs against EN 50160 and IEEE 519-2014.
#include <iostream>

#include "SurveyOptions.h"
#include "assess/AssessmentWriters.h"
#include "file/OutputFile.h"
#include "file/PathText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "assess [--standard en50160|ieee519]... [--nominal-voltage V] [--nominal-frequency 50|60]\n"
    "       [--isc A] [--il A] [--data-format 1|256] [--format text|csv|json] [-o OUT|-]\n"
    "       [--fail-on-violation] [--] LOG...";

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

}  // namespace

int RunAssess(const Args& argsIn) {
  Args args = argsIn;
  std::string error, out = "-", format = "text";
  SurveyOptions options;
  if (!TakeSurveyOptions(args, options, error)) return UsageError(error);
  if (TakeOption(args, "--format", format) && format != "text" && format != "csv" &&
      format != "json")
    return UsageError("--format takes text, csv or json, not \"" + format + "\"");
  const bool toFile = TakeOption(args, "--output", out, "-o");
  std::vector<const char*> valued = SurveyValuedOptions();
  valued.insert(valued.end(), {"-o", "--output", "--format"});
  if (const std::string bare = OptionWithoutValue(args, valued); !bare.empty())
    return UsageError(bare + " needs a value");
  Args logs;
  if (!TakeOperands(args, logs)) return UsageError("");
  if (logs.empty()) return UsageError("no log file given");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");

  Survey survey;
  assess::AssessmentResult result;
  if (!AssessSurvey(logs, options, survey, result)) return 1;
  const std::string text = format == "json"  ? assess::AssessmentJson(result)
                           : format == "csv" ? assess::AssessmentCsv(result)
                                             : assess::AssessmentTable(result);
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // CR LF as written
#endif
  OutputFile output;
  if (!output.Open(PathFromText(out), survey.paths) || !output.Write(text) || !output.Commit()) {
    std::cerr << "meterlog2-cli: " << output.Error() << "\n";
    return 1;
  }
  return options.failOnViolation && result.verdict == assess::Verdict::kFail ? kViolationStatus : 0;
}
