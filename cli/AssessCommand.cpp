// assess: judges a survey of one or more logs against EN 50160 and IEEE 519-2014.
#include <iostream>
#include <memory>

#include "Commands.h"
#include "LogJobs.h"
#include "TableSelection.h"
#include "assess/Assessment.h"
#include "assess/AssessmentWriters.h"
#include "file/Interrupt.h"
#include "file/OutputFile.h"
#include "file/PathText.h"
#include "text/DecimalText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr const char* kUsage =
    "assess [--standard en50160|ieee519]... [--nominal-voltage V] [--nominal-frequency 50|60]\n"
    "       [--isc A] [--il A] [--data-format 1|256] [--format text|csv|json] [-o OUT|-]\n"
    "       [--fail-on-violation] [--each [--jobs N]] [--] LOG...";

// The exit status when --fail-on-violation is given and a criterion fails.
constexpr int kViolation = 3;

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

// "--name V" as a positive number up to `max`; false with `error` set when it is given but not
// one.
bool TakePositive(Args& args, const char* name, const char* unit, double max,
                  std::optional<double>& into, std::string& error) {
  std::string value;
  if (!TakeOption(args, name, value)) return true;
  double number = 0;
  if (ParseDecimal(value, number) && number > 0 && number <= max) {
    into = number;
    return true;
  }
  error = std::string(name) + " takes a positive number of " + unit + " up to " +
          ShortestDecimal(max) + ", not \"" + value + "\"";
  return false;
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
  return true;
}

// --each: every log assessed on its own, `jobs` at once, and a line for each in the summary.
int AssessEach(const Args& logs, const assess::AssessOptions& options, uint32_t dataFormat,
               const std::string& format, const std::string& out, bool failOnViolation,
               unsigned jobs) {
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
  return failOnViolation && violations ? kViolation : 0;
}

}  // namespace

int RunAssess(const Args& argsIn) {
  Args args = argsIn;
  if (TakeFlag(args, "--help") || TakeFlag(args, "-h")) {
    std::cout << "usage: meterlog2-cli " << kUsage << "\n"
              << "Judges the logs, joined in time order, against EN 50160 (en50160) and IEEE "
                 "519-2014 (ieee519).\nUn and Fn are inferred unless given; the current limits "
                 "need --isc (IL is derived unless given).\nExit status: 0 assessed, 1 could "
                 "not assess, 2 used wrongly, 3 a criterion failed (--fail-on-violation).\n";
    return 0;
  }
  std::string error, value, out = "-", format = "text";
  assess::AssessOptions options;
  bool anyStandard = false;
  while (TakeOption(args, "--standard", value)) {
    if (!anyStandard) options.en50160 = options.ieee519 = false;
    anyStandard = true;
    if (value == "en50160") {
      options.en50160 = true;
    } else if (value == "ieee519") {
      options.ieee519 = true;
    } else {
      return UsageError("--standard takes en50160 or ieee519, not \"" + value + "\"");
    }
  }
  if (!TakePositive(args, "--nominal-voltage", "volts", assess::kMaxNominalVoltage,
                    options.nominalVoltage, error) ||
      !TakePositive(args, "--isc", "amperes", assess::kMaxCurrent, options.isc, error) ||
      !TakePositive(args, "--il", "amperes", assess::kMaxCurrent, options.il, error))
    return UsageError(error);
  if (TakeOption(args, "--nominal-frequency", value)) {
    if (value != "50" && value != "60")
      return UsageError("--nominal-frequency takes 50 or 60, not \"" + value + "\"");
    options.nominalFrequency = value == "50" ? 50.0 : 60.0;
  }
  uint32_t dataFormat = 0;
  if (TakeOption(args, "--data-format", value)) {
    if (value != "1" && value != "256")
      return UsageError("--data-format takes 1 (Type 0001) or 256 (Type 0100), not \"" + value +
                        "\"");
    dataFormat = value == "1" ? 1u : 256u;
  }
  if (TakeOption(args, "--format", format) && format != "text" && format != "csv" &&
      format != "json")
    return UsageError("--format takes text, csv or json, not \"" + format + "\"");
  const bool toFile = TakeOption(args, "--output", out, "-o");
  const bool failOnViolation = TakeFlag(args, "--fail-on-violation");
  const bool each = TakeFlag(args, "--each");
  unsigned jobs = 1;
  if (!TakeJobsOption(args, jobs, error)) return UsageError(error);
  for (size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
    static const char* kValued[] = {
        "-o",    "--output", "--standard",    "--nominal-voltage", "--nominal-frequency",
        "--isc", "--il",     "--data-format", "--format",          "--jobs"};
    for (const char* name : kValued)
      if (args[i] == name) return UsageError(LeftoverOptionError(args, i));
  }
  Args logs;
  if (!TakeOperands(args, logs)) return UsageError("");
  if (logs.empty()) return UsageError("no log file given");
  if (toFile && out.empty()) return UsageError("-o needs a file name (or - for standard output)");

  if (each) return AssessEach(logs, options, dataFormat, format, out, failOnViolation, jobs);

  std::vector<std::unique_ptr<CMeterlog2Doc>> docs;
  std::vector<assess::SurveyLog> survey;
  std::vector<std::filesystem::path> inputs;
  for (const std::string& path : logs) {
    auto doc = std::make_unique<CMeterlog2Doc>();
    const LoadResult loaded = doc->Load(PathFromText(path));
    if (loaded.status != LoadResult::Status::kLoaded) {
      ReportLoadFailure(path, loaded);
      return 1;
    }
    if (dataFormat != 0) doc->SetDataFormat(dataFormat);
    survey.push_back({PathFromText(path), doc.get()});
    inputs.push_back(PathFromText(path));
    docs.push_back(std::move(doc));
  }
  assess::AssessmentResult result;
  if (!assess::Assess(survey, options, result, error)) {
    std::cerr << "meterlog2-cli: " << error << "\n";
    return 1;
  }
  const std::string text = format == "json"  ? assess::AssessmentJson(result)
                           : format == "csv" ? assess::AssessmentCsv(result)
                                             : assess::AssessmentTable(result);
  if (!WriteOutput(out, inputs, text)) return 1;
  return failOnViolation && result.verdict == assess::Verdict::kFail ? kViolation : 0;
}
