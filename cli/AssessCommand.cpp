// assess: judges a survey of one or more logs against EN 50160 and IEEE 519-2014.
#include <iostream>

#include "LogJobs.h"
#include "SurveyOptions.h"
#include "TableSelection.h"
#include "assess/AssessmentWriters.h"
#include "file/Interrupt.h"
#include "file/OutputFile.h"
#include "file/PathText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "assess [--standard en50160|ieee519|ansi_c84_1]... [--nominal-voltage V]\n"
    "       [--connection wye|delta|split-phase|single-phase] [--nominal-frequency 50|60]\n"
    "       [--isc A] [--il A] [--data-format 1|256] [--format text|csv|json] [-o OUT|-]\n"
    "       [--fail-on-violation] [--each [--jobs N]] [--] LOG...";

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

// One log assessed on its own, as a line of the summary; a log that cannot be read or assessed
// gives its line with the reason (and says it on stderr).
assess::SurveyLine AssessOne(const std::string& path, const assess::AssessOptions& options,
                             uint32_t dataFormat) {
  assess::SurveyLine line;
  line.path = PathFromText(path);
  CMeterlog2Doc doc;
  const LoadResult loaded = doc.Load(line.path);
  if (loaded.status != LoadResult::Status::kLoaded) {
    ReportLoadFailure(path, loaded);
    line.error = LoadFailureText(loaded);
    return line;
  }
  if (dataFormat != 0) doc.SetDataFormat(dataFormat);
  const assess::SurveyLog log{line.path, &doc};
  assess::AssessmentResult result;
  std::string error;
  if (!assess::Assess({&log, 1}, options, result, error)) {
    // The reason alone: the message and the line name the file already.
    if (error.rfind(path + ": ", 0) == 0) error.erase(0, path.size() + 2);
    Messages() << "meterlog2-cli: " << path << ": " << error << "\n";
    doc.GetLogTypeName(line.logType, 0);
    line.error = error;
    return line;
  }
  return assess::SurveyLineOf(line.path, result);
}

// Writes `text` to `out` ("-": standard output), never onto one of the `inputs`; a failure is
// reported on stderr.
bool WriteOutput(const std::string& out, const std::vector<std::filesystem::path>& inputs,
                 const std::string& text) {
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // CR LF as written
#endif
  OutputFile output;
  if (!output.Open(PathFromText(out), inputs) || !output.Write(text) || !output.Commit()) {
    std::cerr << "meterlog2-cli: " << output.Error() << "\n";
    return false;
  }
  MarkOutputComplete();
  return true;
}

// --each: every log assessed on its own, `jobs` at once, and a line for each in the summary.
int AssessEach(const std::vector<std::string>& logs, const assess::AssessOptions& options,
               uint32_t dataFormat, const std::string& format, const std::string& out,
               bool failOnViolation, unsigned jobs) {
  std::vector<assess::SurveyLine> lines(logs.size());
  RunInOrder(logs.size(), jobs,
             [&](size_t i) { lines[i] = AssessOne(logs[i], options, dataFormat); });
  if (InterruptSignal() != 0) return 1;
  std::vector<std::filesystem::path> inputs;
  bool errors = false, violations = false;
  for (const assess::SurveyLine& line : lines) {
    inputs.push_back(line.path);
    errors = errors || !line.verdict;
    violations = violations || line.verdict == assess::Verdict::kFail;
  }
  const std::string text = format == "json"  ? assess::SurveySummaryJson(lines)
                           : format == "csv" ? assess::SurveySummaryCsv(lines)
                                             : assess::SurveySummaryTable(lines);
  if (!WriteOutput(out, inputs, text)) return 1;
  if (errors) return 1;
  return failOnViolation && violations ? kViolationStatus : 0;
}

}  // namespace

static int RunAssess(Args& args) {
  std::string error, out = "-", format = "text";
  SurveyOptions options;
  if (!TakeSurveyOptions(args, options, error)) return UsageError(error);
  if (TakeOption(args, "--format", format) && format != "text" && format != "csv" &&
      format != "json")
    return UsageError("--format takes text, csv or json, not \"" + format + "\"");
  const bool toFile = TakeOption(args, "--output", out);
  const bool each = TakeFlag(args, "--each");
  unsigned jobs = 1;
  if (!TakeJobsOption(args, jobs, error)) return UsageError(error);
  const std::vector<std::string>& logs = args.operands;
  if (logs.empty()) return UsageError("no log file given");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");
  SayWhatAnInterruptLeaves(out);

  if (each)
    return AssessEach(logs, options.assess, options.dataFormat, format, out,
                      options.failOnViolation, jobs);

  Survey survey;
  assess::AssessmentResult result;
  if (const int status = AssessSurvey(logs, options, survey, result)) return status;
  const std::string text = format == "json"  ? assess::AssessmentJson(result)
                           : format == "csv" ? assess::AssessmentCsv(result)
                                             : assess::AssessmentTable(result);
  if (!WriteOutput(out, survey.paths, text)) return 1;
  return options.failOnViolation && result.verdict == assess::Verdict::kFail ? kViolationStatus : 0;
}

namespace {

std::string AssessHelp() {
  return "Judges the logs, joined in time order, against EN 50160 (en50160), IEEE 519-2014 "
         "(ieee519)\nand ANSI C84.1 (ansi_c84_1); without --standard, EN 50160 and IEEE 519 for "
         "a 50 Hz\nsupply, IEEE 519 and ANSI C84.1 for a 60 Hz one.\n"
         "Un is declared with --nominal-voltage (phase to neutral; between phases for\n"
         "--connection delta): without it the criteria that depend on it are not assessed\nand "
         "the verdict is incomplete. Fn is inferred unless given. The current limits\nneed --isc "
         "(IL is derived unless given).\nExit status: 0 assessed, 1 could not assess, 2 used "
         "wrongly or the data cannot be\na supply in the byte order read, 3 a criterion failed "
         "(--fail-on-violation).\n";
}

std::vector<meterlog2::cli::OptionDescription> AssessOptions() {
  std::vector<meterlog2::cli::OptionDescription> options = SurveyOptionDescriptions();
  options.insert(options.end(),
                 {{"--format", "text|csv|json", "the result as text (the default), CSV or JSON"},
                  {"-o,--output", "OUT", "where it goes (\"-\": standard output, the default)"},
                  {"--each", nullptr, "every log on its own, a line each"},
                  {"--jobs", "N", "logs judged at once with --each (default: one per processor)"}});
  return options;
}

}  // namespace

const CommandDescription kAssessCommand{"assess", kUsage,    AssessOptions(),
                                        true,     RunAssess, AssessHelp};
