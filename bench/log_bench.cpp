// Loading and dumping a large three-phase log.
#include <benchmark/benchmark.h>

#include <sstream>

#include "log/Meterlog2Doc.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"

namespace {

const std::vector<uint8_t>& ThreePhaseLog() {
  static const std::vector<uint8_t> bytes = [] {
    SampleLogOptions o;
    o.logType = 4;
    o.records = 20000;
    return MakeSampleLog(o);
  }();
  return bytes;
}

// Discards what it is given, so the dump's formatting is measured, not the disk.
class NullBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

void BM_LoadThreePhaseTabular20k(benchmark::State& state) {
  const auto& bytes = ThreePhaseLog();
  for (auto _ : state) {
    CMeterlog2Doc doc;
    doc.LoadFromMemory(bytes.data(), bytes.size(), "bench");
    benchmark::DoNotOptimize(doc.GetRecordCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

void BM_LoadAndDumpThreePhaseTabular20k(benchmark::State& state) {
  const auto& bytes = ThreePhaseLog();
  NullBuffer sink;
  std::ostream out(&sink);
  for (auto _ : state) {
    CMeterlog2Doc doc;
    doc.LoadFromMemory(bytes.data(), bytes.size(), "bench", &out);
    benchmark::DoNotOptimize(doc.GetRecordCount());
  }
  state.counters["records/s"] = benchmark::Counter(
      20000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadAndDumpThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

}  // namespace
