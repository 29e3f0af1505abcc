#include "SurveyOptions.h"

#include <iostream>

#include "TableSelection.h"
#include "file/Interrupt.h"
#include "file/PathText.h"
#include "text/DecimalText.h"

namespace {

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

}  // namespace

bool TakeSurveyOptions(Args& args, SurveyOptions& survey, std::string& error) {
  assess::AssessOptions& options = survey.assess;
  std::string value;
  while (TakeOption(args, "--standard", value)) {
    assess::StandardSet& set = options.standards ? *options.standards : options.standards.emplace();
    if (value == "en50160") {
      set.en50160 = true;
    } else if (value == "ieee519") {
      set.ieee519 = true;
    } else if (value == "ansi_c84_1") {
      set.ansiC84 = true;
    } else {
      error = "--standard takes en50160, ieee519 or ansi_c84_1, not \"" + value + "\"";
      return false;
    }
  }
  if (TakeOption(args, "--connection", value)) {
    const std::optional<assess::Connection> connection = assess::ConnectionFromText(value);
    if (!connection) {
      error = "--connection takes wye, delta, split-phase or single-phase, not \"" + value + "\"";
      return false;
    }
    options.connection = *connection;
  }
  if (!TakePositive(args, "--nominal-voltage", "volts", assess::kMaxNominalVoltage,
                    options.nominalVoltage, error) ||
      !TakePositive(args, "--isc", "amperes", assess::kMaxCurrent, options.isc, error) ||
      !TakePositive(args, "--il", "amperes", assess::kMaxCurrent, options.il, error))
    return false;
  if (TakeOption(args, "--nominal-frequency", value)) {
    if (value != "50" && value != "60") {
      error = "--nominal-frequency takes 50 or 60, not \"" + value + "\"";
      return false;
    }
    options.nominalFrequency = value == "50" ? 50.0 : 60.0;
  }
  if (TakeOption(args, "--data-format", value)) {
    if (value != "1" && value != "256") {
      error = "--data-format takes 1 (Type 0001) or 256 (Type 0100), not \"" + value + "\"";
      return false;
    }
    survey.dataFormat = value == "1" ? 1u : 256u;
  }
  survey.failOnViolation = TakeFlag(args, "--fail-on-violation");
  return true;
}

void SayWhatAnInterruptLeaves(const std::string& out) {
  SetInterruptMessage(out == "-"
                          ? "meterlog2-cli: interrupted; nothing was written\n"
                          : "meterlog2-cli: interrupted; \"" + out + "\" was left as it was\n");
}

const std::vector<meterlog2::cli::OptionDescription>& SurveyOptionDescriptions() {
  static const std::vector<meterlog2::cli::OptionDescription> kDescriptions = {
      {"--standard", "en50160|ieee519|ansi_c84_1", "a standard to judge against (again for more)",
       true},
      {"--nominal-voltage", "V",
       "the declared supply voltage Un (phase to neutral; between "
       "phases for --connection delta)"},
      {"--connection", "wye|delta|split-phase|single-phase", "how the instrument was connected"},
      {"--nominal-frequency", "50|60", "the supply's frequency Fn (inferred unless given)"},
      {"--isc", "A", "the short-circuit current at the point of common coupling"},
      {"--il", "A", "the maximum demand load current (derived unless given)"},
      kDataFormatOption,
      {"--fail-on-violation", nullptr, "exit status 3 when a criterion fails"}};
  return kDescriptions;
}

int AssessSurvey(const std::vector<std::string>& logs, const SurveyOptions& options, Survey& survey,
                 assess::AssessmentResult& result) {
  for (const std::string& path : logs) {
    auto doc = std::make_unique<CMeterlog2Doc>();
    const LoadResult loaded = doc->Load(PathFromText(path));
    if (loaded.status != LoadResult::Status::kLoaded) {
      ReportLoadFailure(path, loaded);
      return 1;
    }
    if (options.dataFormat != 0) doc->SetDataFormat(options.dataFormat);
    survey.logs.push_back({PathFromText(path), doc.get()});
    survey.paths.push_back(PathFromText(path));
    survey.docs.push_back(std::move(doc));
  }
  std::string error;
  assess::AssessFailure failure = assess::AssessFailure::kNone;
  if (!assess::Assess(survey.logs, options.assess, result, error, &failure)) {
    std::cerr << "meterlog2-cli: " << error << "\n";
    return failure == assess::AssessFailure::kImplausible ? kImplausibleStatus : 1;
  }
  return 0;
}
