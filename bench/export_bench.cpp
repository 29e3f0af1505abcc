// Export speed: the whole table of a large log through the one CSV writer, into memory, so the
// figures measure cell texts and line assembly rather than the disk.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>
#include <vector>

#include "log/CMeterlog2Doc.h"
#include "samples/SampleLog.h"
#include "table/CellText.h"
#include "table/ColumnCatalogue.h"
#include "table/ColumnList.h"
#include "table/ColumnStatistics.h"
#include "table/QuantityColumns.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

using namespace meterlog2::table;

namespace {

struct LoadedLog {
  CMeterlog2Doc doc;
  std::vector<TableColumn> columns;
};

const LoadedLog& Log(int logType, uint32_t records, uint32_t dataFormat) {
  static std::vector<std::pair<std::vector<int>, LoadedLog*>> cache;
  const std::vector<int> key = {logType, static_cast<int>(records), static_cast<int>(dataFormat)};
  for (const auto& [k, log] : cache) {
    if (k == key) return *log;
  }
  SampleLogOptions options;
  options.logType = logType;
  options.records = records;
  options.dataFormat = dataFormat;
  const std::vector<uint8_t> bytes = MakeSampleLog(options);
  auto* log = new LoadedLog;
  log->doc.LoadFromMemory(bytes.data(), bytes.size(), "bench.57x");
  ColumnList list;
  list.BuildColumns(log->doc.GetFirstLogType(), 0, &log->doc);
  log->columns = VisibleColumns(list);
  cache.emplace_back(key, log);
  return *log;
}

void ExportTable(benchmark::State& state, int logType, uint32_t records, uint32_t dataFormat) {
  const LoadedLog& log = Log(logType, records, dataFormat);
  size_t bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    WriteTableChunks(log.doc, log.columns, nullptr, ',', [&](std::string_view piece) {
      bytes += piece.size();
      benchmark::DoNotOptimize(piece.data());
      return true;
    });
  }
  const double cells = static_cast<double>(log.columns.size()) * log.doc.GetRecordCount();
  state.counters["cells/s"] = benchmark::Counter(cells * static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

// 10,000 records x 665 columns = 6.65 million cells.
void BM_ExportThreePhaseTabular(benchmark::State& state) {
  ExportTable(state, 4, 10000, 1);
}
void BM_ExportThreePhaseTabularSwapped(benchmark::State& state) {
  ExportTable(state, 4, 10000, 256);
}
// 200,000 records x 23 columns = 4.6 million cells.
void BM_ExportStandard(benchmark::State& state) {
  ExportTable(state, 1, 200000, 1);
}
void BM_ExportHarmonic(benchmark::State& state) {
  ExportTable(state, 2, 20000, 1);
}

// One identifier over every row: which queries cost the most.
void BM_CellText(benchmark::State& state) {
  const LoadedLog& log = Log(4, 10000, 1);
  const int id = static_cast<int>(state.range(0));
  std::string text;
  const unsigned rows = log.doc.GetRecordCount();
  for (auto _ : state) {
    for (unsigned row = 0; row < rows; ++row) {
      GetCellText(log.doc, row, id, text);
      benchmark::DoNotOptimize(text.data());
    }
  }
  state.counters["cells/s"] =
      benchmark::Counter(static_cast<double>(rows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
  state.SetLabel(ColumnTitle(id));
}

}  // namespace

BENCHMARK(BM_ExportThreePhaseTabular)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportThreePhaseTabularSwapped)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportStandard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportHarmonic)->Unit(benchmark::kMillisecond);
// Time, Log Type, a plain value, THD, K-factor, harmonic magnitude, harmonic phase.
BENCHMARK(BM_CellText)
    ->Arg(kTimeColumn)
    ->Arg(kLogTypeColumn)
    ->Arg(PhasePowerColumn(0, Bandwidth::kWide))
    ->Arg(PhaseThdColumn(0, Signal::kVoltage))
    ->Arg(PhaseKFactorColumn(0, Signal::kVoltage))
    ->Arg(PhaseHarmonicColumn(0, Signal::kVoltage, 16))
    ->Arg(PhaseHarmonicAngleColumn(0, Signal::kVoltage, 16))
    ->Unit(benchmark::kMicrosecond);

namespace {
// The same cells without the writer: what the document's queries cost on their own.
void BM_CellsOnly(benchmark::State& state) {
  const LoadedLog& log = Log(4, 10000, 1);
  std::string text;
  const unsigned rows = log.doc.GetRecordCount();
  for (auto _ : state) {
    for (unsigned row = 0; row < rows; ++row) {
      for (const TableColumn& column : log.columns) {
        GetCellText(log.doc, row, column.id, text);
        benchmark::DoNotOptimize(text.data());
      }
    }
  }
  state.counters["cells/s"] =
      benchmark::Counter(static_cast<double>(rows) * static_cast<double>(log.columns.size()) *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
}  // namespace
BENCHMARK(BM_CellsOnly)->Unit(benchmark::kMillisecond);

namespace {
// Statistics of every column of a 20,000-record Three Phase Tabular log (665 columns).
void BM_StatisticsThreePhaseTabular(benchmark::State& state) {
  const LoadedLog& log = Log(4, 20000, 1);
  for (auto _ : state) {
    const std::vector<ColumnStatistics> stats = ComputeStatistics(log.doc, log.columns, nullptr);
    benchmark::DoNotOptimize(stats.data());
  }
  state.counters["cells/s"] = benchmark::Counter(static_cast<double>(log.doc.GetRecordCount()) *
                                                     static_cast<double>(log.columns.size()) *
                                                     static_cast<double>(state.iterations()),
                                                 benchmark::Counter::kIsRate);
}
}  // namespace
BENCHMARK(BM_StatisticsThreePhaseTabular)->Unit(benchmark::kMillisecond);
