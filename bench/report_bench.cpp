// Report speed: a Three Phase Tabular survey from its file to the finished report, as
// `meterlog2-cli report` makes it: loaded, assessed against both standards on a declared Un of
// 230 V with the current limits, its digest taken, drawn as a PDF or an HTML page offscreen.
// Two surveys: 20,000 records a minute apart (about two weeks), and four weeks of a record each
// 10 minutes (4,032), where the drawing is most of the time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <cstdint>
#include <filesystem>
#include <string>

#include "assess/Assessment.h"
#include "report/AssessmentReport.h"
#include "samples/SampleLog.h"

namespace {

enum class Survey { kTwoWeeks, kFourWeeks };

std::filesystem::path MakeSurvey(const char* name, uint32_t records, unsigned intervalSeconds) {
  const auto file = std::filesystem::temp_directory_path() / name;
  SampleLogOptions options;
  options.logType = 4;
  options.records = records;
  options.intervalSeconds = intervalSeconds;
  std::string error;
  if (!WriteSampleLog(file, options, error)) qFatal("%s", error.c_str());
  return file;
}

const std::filesystem::path& SurveyFile(Survey survey) {
  static const std::filesystem::path twoWeeks = MakeSurvey("meterlog2-report-bench.57x", 20000, 60);
  static const std::filesystem::path fourWeeks =
      MakeSurvey("meterlog2-report-bench-4w.57x", 4 * 7 * 144, 600);
  return survey == Survey::kTwoWeeks ? twoWeeks : fourWeeks;
}

void Report(benchmark::State& state, ReportFormat format, Survey survey) {
  const std::filesystem::path& file = SurveyFile(survey);
  assess::AssessOptions options;
  options.nominalVoltage = 230;
  options.isc = 5000;
  size_t bytes = 0;
  for (auto _ : state) {
    assess::AssessmentResult result;
    std::string error;
    if (!assess::AssessFiles({file}, options, 0, result, error) ||
        !assess::AddFileDigests(result.survey, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    const QByteArray report = RenderReport(result, {}, format);
    bytes = static_cast<size_t>(report.size());
    benchmark::DoNotOptimize(report.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

// The drawing alone, from an assessment already made.
void Draw(benchmark::State& state, ReportFormat format, Survey survey) {
  assess::AssessOptions options;
  options.nominalVoltage = 230;
  options.isc = 5000;
  assess::AssessmentResult result;
  std::string error;
  if (!assess::AssessFiles({SurveyFile(survey)}, options, 0, result, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(RenderReport(result, {}, format).data());
}

}  // namespace

BENCHMARK_CAPTURE(Report, pdf_tabular_20000, ReportFormat::kPdf, Survey::kTwoWeeks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Report, html_tabular_20000, ReportFormat::kHtml, Survey::kTwoWeeks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, pdf_tabular_20000, ReportFormat::kPdf, Survey::kTwoWeeks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, html_tabular_20000, ReportFormat::kHtml, Survey::kTwoWeeks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Report, pdf_4_weeks_10_minutes, ReportFormat::kPdf, Survey::kFourWeeks)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Report, html_4_weeks_10_minutes, ReportFormat::kHtml, Survey::kFourWeeks)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(SurveyFile(Survey::kTwoWeeks));
  std::filesystem::remove(SurveyFile(Survey::kFourWeeks));
  return 0;
}
