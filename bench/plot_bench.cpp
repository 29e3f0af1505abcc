// Plot speed: the trend the pane draws, on a large log, offscreen. The redraw is what a user
// waits for on every wheel step, drag and record change; the build happens once per choice of
// columns.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <vector>

#include "log/CMeterlog2Doc.h"
#include "plot/TrendPlot.h"
#include "samples/SampleLog.h"
#include "table/QuantityColumns.h"

using namespace meterlog2::table;

namespace {

const CMeterlog2Doc& StandardLog(uint32_t records) {
  static CMeterlog2Doc* doc = nullptr;
  if (doc == nullptr) {
    SampleLogOptions options;
    options.logType = 1;
    options.records = records;
    const std::vector<uint8_t> bytes = MakeSampleLog(options);
    doc = new CMeterlog2Doc;
    doc->LoadFromMemory(bytes.data(), bytes.size(), "bench.57x");
  }
  return *doc;
}

// Four columns of two units: the two levels of both channels.
const std::vector<TrendColumn> kColumns = {
    {ChannelMagnitudeColumn(0, Bandwidth::kWide), QStringLiteral("Ch1 Mag Wide")},
    {ChannelMagnitudeColumn(0, Bandwidth::kNarrow), QStringLiteral("Ch1 Mag Narrow")},
    {ChannelMagnitudeColumn(1, Bandwidth::kWide), QStringLiteral("Ch2 Mag Wide")},
    {ChannelMagnitudeColumn(1, Bandwidth::kNarrow), QStringLiteral("Ch2 Mag Narrow")}};

// A trend of kColumns over the 200,000-record log, drawn once.
void DrawTrend(TrendPlot& plot) {
  plot.resize(1200, 700);
  plot.SetDocument(&StandardLog(200000));
  plot.SetColumns(kColumns);
  plot.replot();
}

void BM_TrendBuild4Columns200k(benchmark::State& state) {
  const CMeterlog2Doc& doc = StandardLog(200000);
  TrendPlot plot;
  plot.resize(1200, 700);
  for (auto _ : state) {
    plot.SetDocument(&doc);
    plot.SetColumns(kColumns);
  }
  state.SetItemsProcessed(state.iterations() * 4 * 200000);
}
BENCHMARK(BM_TrendBuild4Columns200k)->Unit(benchmark::kMillisecond);

// After the first draw: each iteration pans the time axis a little and draws again.
void BM_TrendRedraw4Columns200k(benchmark::State& state) {
  TrendPlot plot;
  DrawTrend(plot);
  const double step = plot.xAxis->range().size() / 1000;
  int i = 0;
  for (auto _ : state) {
    plot.xAxis->moveRange((i++ % 2 == 0) ? step : -step);
    plot.replot();
  }
  state.SetItemsProcessed(state.iterations() * 4 * 200000);
}
BENCHMARK(BM_TrendRedraw4Columns200k)->Unit(benchmark::kMillisecond);

// Zoomed into a tenth of the log: fewer points on screen, the same data behind them.
void BM_TrendRedrawZoomed(benchmark::State& state) {
  TrendPlot plot;
  DrawTrend(plot);
  const QCPRange all = plot.xAxis->range();
  plot.xAxis->setRange(all.lower, all.lower + all.size() / 10);
  plot.replot();
  for (auto _ : state) {
    plot.ShowRow(static_cast<unsigned>(state.iterations() % 20000));
    plot.replot();
  }
}
BENCHMARK(BM_TrendRedrawZoomed)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
