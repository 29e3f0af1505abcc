// Report speed: a 20,000-record Three Phase Tabular survey (a record a minute, about two weeks)
// from its file to the finished report, as `meterlog2-cli report` makes it: loaded, assessed
// against both standards on a declared Un of 230 V with the current limits, its digest taken,
// drawn as a PDF or an HTML page offscreen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <filesystem>
#include <string>

#include "assess/Assessment.h"
#include "report/AssessmentReport.h"
#include "samples/SampleLog.h"

namespace {

const std::filesystem::path& SurveyFile() {
  static const std::filesystem::path path = [] {
    const auto file = std::filesystem::temp_directory_path() / "meterlog2-report-bench.57x";
    SampleLogOptions options;
    options.logType = 4;
    options.records = 20000;
    options.intervalSeconds = 60;
    std::string error;
    if (!WriteSampleLog(file, options, error)) qFatal("%s", error.c_str());
    return file;
  }();
  return path;
}

void Report(benchmark::State& state, ReportFormat format) {
  const std::filesystem::path& file = SurveyFile();
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
void Draw(benchmark::State& state, ReportFormat format) {
  assess::AssessOptions options;
  options.nominalVoltage = 230;
  options.isc = 5000;
  assess::AssessmentResult result;
  std::string error;
  if (!assess::AssessFiles({SurveyFile()}, options, 0, result, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(RenderReport(result, {}, format).data());
}

}  // namespace

BENCHMARK_CAPTURE(Report, pdf_tabular_20000, ReportFormat::kPdf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Report, html_tabular_20000, ReportFormat::kHtml)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, pdf_tabular_20000, ReportFormat::kPdf)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Draw, html_tabular_20000, ReportFormat::kHtml)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove(SurveyFile());
  return 0;
}
