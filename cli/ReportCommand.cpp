// report: the assessment of a survey as the report a client receives, a PDF or an HTML page,
// drawn offscreen with the desktop program's report library.
#include <iostream>

#include "OffscreenApplication.h"
#include "SurveyOptions.h"
#include "file/Interrupt.h"
#include "file/PathText.h"
#include "report/AssessmentReport.h"

namespace {

constexpr const char* kUsage =
    "report [--title TEXT] [--site TEXT] [--page a4|letter]\n"
    "       [--standard en50160|ieee519|ansi_c84_1]... [--nominal-voltage V]\n"
    "       [--connection wye|delta|split-phase|single-phase] [--nominal-frequency 50|60]\n"
    "       [--isc A] [--il A] [--data-format 1|256] [--fail-on-violation]\n"
    "       -o REPORT.pdf|REPORT.html [--] LOG...";

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

}  // namespace

static int RunReport(Args& args) {
  std::string error, out, title, site, page = "a4";
  SurveyOptions options;
  if (!TakeSurveyOptions(args, options, error)) return UsageError(error);
  const bool toFile = TakeOption(args, "--output", out);
  TakeOption(args, "--title", title);
  TakeOption(args, "--site", site);
  TakeOption(args, "--page", page);
  const std::vector<std::string>& logs = args.operands;
  if (logs.empty()) return UsageError("no log file given");
  if (!toFile || out.empty()) return UsageError("-o names the report to write (.pdf or .html)");
  if (ReportFormatFor(QString::fromStdString(out)) == ReportFormat::kNone)
    return UsageError(
        "the report's name must end in .pdf or .html, which chooses its format, "
        "not \"" +
        out + "\"");
  if (page != "a4" && page != "letter")
    return UsageError("--page takes a4 or letter, not \"" + page + "\"");
  ReportOptions report;
  report.title = title;
  report.site = site;
  report.page = page == "letter" ? ReportOptions::Page::kLetter : ReportOptions::Page::kA4;

  SayWhatAnInterruptLeaves(out);
  Survey survey;
  assess::AssessmentResult result;
  if (const int status = AssessSurvey(logs, options, survey, result)) return status;
  if (!assess::AddFileDigests(result.survey, error)) {
    std::cerr << "meterlog2-cli: " << error << "\n";
    return 1;
  }
  const OffscreenApplication application;
  QString saveError;
  if (!SaveReport(result, report, PathFromText(out), survey.paths, saveError)) {
    std::cerr << "meterlog2-cli: " << saveError.toStdString() << "\n";
    return 1;
  }
  MarkOutputComplete();
  return options.failOnViolation && result.verdict == assess::Verdict::kFail ? kViolationStatus : 0;
}

namespace {

std::vector<meterlog2::cli::OptionDescription> ReportOptionDescriptions() {
  std::vector<meterlog2::cli::OptionDescription> options = {
      {"--title", "TEXT", "the report's title"},
      {"--site", "TEXT", "the site surveyed"},
      {"--page", "a4|letter", "the PDF's page size (A4 unless given)"}};
  const std::vector<meterlog2::cli::OptionDescription>& survey = SurveyOptionDescriptions();
  options.insert(options.end(), survey.begin(), survey.end());
  options.push_back({"-o,--output", "REPORT.pdf|REPORT.html", "the report to write"});
  return options;
}

}  // namespace

const CommandDescription kReportCommand{"report", kUsage, ReportOptionDescriptions(), true,
                                        RunReport};
