// Assessment speed: a whole survey judged against both standards, from a log already in memory
// (loading has its own figures in log_bench).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "assess/Assessment.h"
#include "log/CMeterlog2Doc.h"
#include "samples/SampleLog.h"

namespace {

std::unique_ptr<CMeterlog2Doc> Load(int logType, uint32_t records, unsigned interval) {
  SampleLogOptions options;
  options.logType = logType;
  options.records = records;
  options.intervalSeconds = interval;
  const std::vector<uint8_t> bytes = MakeSampleLog(options);
  auto doc = std::make_unique<CMeterlog2Doc>();
  doc->LoadFromMemory(bytes.data(), bytes.size(), "bench.57x");
  return doc;
}

void AssessSurvey(benchmark::State& state, int logType, uint32_t records, unsigned interval) {
  static std::unique_ptr<CMeterlog2Doc> doc;
  static std::vector<int> key;
  const std::vector<int> wanted = {logType, static_cast<int>(records), static_cast<int>(interval)};
  if (key != wanted) doc = Load(logType, records, interval), key = wanted;
  const assess::SurveyLog logs[] = {{"bench.57x", doc.get()}};
  assess::AssessOptions options;  // the standards of a 50 Hz supply
  options.nominalVoltage = 230;   // every criterion that needs Un
  options.isc = 5000;             // the current limits too
  size_t criteria = 0;
  for (auto _ : state) {
    assess::AssessmentResult result;
    std::string error;
    if (!assess::Assess(logs, options, result, error)) state.SkipWithError(error.c_str());
    criteria = result.criteria.size();
    benchmark::DoNotOptimize(result.criteria.data());
  }
  state.counters["criteria"] = static_cast<double>(criteria);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(records) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

}  // namespace

// 20,000 Three Phase Tabular records a minute apart (about two weeks): every harmonic of every
// phase, voltages and currents.
BENCHMARK_CAPTURE(AssessSurvey, tabular_20000, 4, 20000, 60)->Unit(benchmark::kMillisecond);
// A week of Standard records a second apart.
BENCHMARK_CAPTURE(AssessSurvey, standard_week_1s, 1, 604800, 1)->Unit(benchmark::kMillisecond);
