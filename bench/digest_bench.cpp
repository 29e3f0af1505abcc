// The SHA-256 a report states for each log: of bytes in memory, and of a 60 MB log file (about
// a week of one-minute Three Phase Tabular records) read from the disk's cache.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "file/Sha256.h"
#include "samples/SampleLog.h"

namespace {

void BM_Sha256InMemory(benchmark::State& state) {
  std::string bytes(static_cast<size_t>(state.range(0)), '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 + 7);
  for (auto _ : state) benchmark::DoNotOptimize(Sha256Hex(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Sha256OfFile(benchmark::State& state) {
  const auto path = std::filesystem::temp_directory_path() / "meterlog2-digest-bench.57x";
  SampleLogOptions options;
  options.logType = 4;
  options.records = 20000;
  options.intervalSeconds = 60;
  std::string error;
  if (!WriteSampleLog(path, options, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const auto size = static_cast<int64_t>(std::filesystem::file_size(path));
  std::string hex, reason;
  for (auto _ : state)
    if (!Sha256OfFile(path, hex, reason)) state.SkipWithError(reason.c_str());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * size);
  std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_Sha256InMemory)->Arg(64)->Arg(64 << 20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Sha256OfFile)->Unit(benchmark::kMillisecond);
