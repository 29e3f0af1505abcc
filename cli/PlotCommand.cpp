// plot: a trend, spectrum, waveform or phasor diagram of a log, drawn offscreen with the
// desktop program's plot classes and written as a PNG image or a PDF document.
#include <climits>
#include <cstring>
#include <iostream>
#include <memory>

#include "Commands.h"
#include "OffscreenApplication.h"
#include "TableSelection.h"
#include "plot/PhasorPlot.h"
#include "plot/SpectrumPlot.h"
#include "plot/TrendPlot.h"
#include "plot/WaveformPlot.h"
#include "table/PlotData.h"

namespace {

constexpr const char* kUsage =
    "plot --kind trend|spectrum|waveform|phasor [--columns TITLE,...] [--row N] [--size WxH]\n"
    "       [--data-format 1|256] -o OUT.png|OUT.pdf [--] FILE";

int UsageError(const std::string& message) {
  return ReportUsage(kUsage, message);
}

bool ParseSize(const std::string& text, QSize& size) {
  const size_t x = text.find_first_of("xX");
  unsigned long long w = 0, h = 0;
  // A PNG is drawn in memory first: 40 million pixels (160 MB) at most.
  if (x == std::string::npos || !ParseUnsigned(text.substr(0, x), 10000, w) ||
      !ParseUnsigned(text.substr(x + 1), 10000, h) || w < 100 || h < 100 || w * h > 40000000)
    return false;
  size = QSize(int(w), int(h));
  return true;
}

bool HasImageSuffix(const std::string& path) {
  auto endsWith = [&](const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (path.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != suffix[i])
        return false;
    return true;
  };
  return endsWith(".png") || endsWith(".pdf");
}

// The trend's columns: those named, or the log's default ones.
bool TrendColumns(const TableSelection& table, bool named, const std::string& path,
                  std::vector<TrendColumn>& columns) {
  auto titleOf = [&](int id) -> std::string {
    for (const TableColumn& column : table.columns)
      if (column.id == id) return column.title;
    return {};
  };
  if (!named) {
    for (int id : DefaultTrendColumns(table.doc))
      if (!titleOf(id).empty()) columns.push_back({id, QString::fromStdString(titleOf(id))});
    if (columns.empty()) {
      std::cerr << "meterlog2-cli: " << path << ": name the columns to plot with --columns\n";
      return false;
    }
    return true;
  }
  // Every named column is offered: the trend itself leaves out what it cannot draw.
  for (const TableColumn& column : table.columns)
    columns.push_back({column.id, QString::fromStdString(column.title)});
  return true;
}

// The plot of `kind` over the chosen table (a trend of its columns, else the diagram of record
// `row`); nullptr, after saying why, when there are no trend columns to offer.
std::unique_ptr<LogPlot> MakePlot(const std::string& kind, const TableSelection& table, bool named,
                                  const std::string& path, unsigned long long row) {
  std::unique_ptr<LogPlot> plot;
  if (kind == "trend") {
    std::vector<TrendColumn> columns;
    if (!TrendColumns(table, named, path, columns)) return nullptr;
    auto trend = std::make_unique<TrendPlot>();
    trend->SetDocument(&table.doc);
    // As in the desktop program: what cannot be drawn is left out and said so; the rest is
    // drawn (nothing at all: the plot's message says so).
    const QString note = trend->SetColumns(columns);
    if (!note.isEmpty())
      std::cerr << "meterlog2-cli: " << path << ": " << note.toStdString() << "\n";
    plot = std::move(trend);
  } else {
    if (kind == "spectrum") plot = std::make_unique<SpectrumPlot>();
    if (kind == "waveform") plot = std::make_unique<WaveformPlot>();
    if (kind == "phasor") plot = std::make_unique<PhasorPlot>();
    plot->SetDocument(&table.doc);
    plot->ShowRow(unsigned(row));
  }
  return plot;
}

}  // namespace

static int RunPlot(Args& args) {
  std::string out, kind = "trend", rowText, sizeText, error;
  const bool toFile = TakeOption(args, "--output", out);
  TakeOption(args, "--kind", kind);
  const bool rowGiven = TakeOption(args, "--row", rowText);
  const bool sizeGiven = TakeOption(args, "--size", sizeText);
  TableOptions options;
  if (!TakeTableOptions(args, options, error)) return UsageError(error);
  const std::vector<std::string>& logs = args.operands;
  if (logs.size() != 1) return UsageError(logs.empty() ? "no log file given" : "one log file");
  if (!toFile || out.empty()) return UsageError("-o names the image to write (.png or .pdf)");
  if (!HasImageSuffix(out)) return UsageError("the image's name must end in .png or .pdf");
  if (kind != "trend" && kind != "spectrum" && kind != "waveform" && kind != "phasor")
    return UsageError("--kind is trend, spectrum, waveform or phasor, not \"" + kind + "\"");
  if (!options.rows.Empty()) return UsageError("plot takes one record with --row N");
  if (kind != "trend" && !options.titles.empty())
    return UsageError("--columns chooses the columns of a trend only");
  if (kind == "trend" && rowGiven)
    return UsageError(
        "--row chooses the record of a spectrum, "
        "waveform or phasor diagram");
  QSize size(kPlotImageWidth, kPlotImageHeight);
  if (sizeGiven && !ParseSize(sizeText, size))
    return UsageError(
        "--size is WIDTHxHEIGHT in pixels, 100 to 10000 each and 40 million in all, "
        "not \"" +
        sizeText + "\"");
  unsigned long long row = 0;
  if (rowGiven && !ParseUnsigned(rowText, UINT_MAX, row))
    return UsageError("--row takes a record number (0-based), not \"" + rowText + "\"");
  const std::string& path = logs.front();

  TableSelection table;
  if (!SelectTable(path, options, "nothing to plot", table)) return 1;
  if (row >= table.doc.GetRecordCount()) {
    std::cerr << "meterlog2-cli: " << path << ": the log has " << table.doc.GetRecordCount()
              << " records (0 to " << table.doc.GetRecordCount() - 1 << "), no record " << row
              << "\n";
    return 1;
  }

  const OffscreenApplication application;
  std::unique_ptr<LogPlot> plot = MakePlot(kind, table, !options.titles.empty(), path, row);
  if (plot == nullptr) return 1;
  plot->resize(size);
  plot->ResetView();
  if (!plot->Message().isEmpty()) {
    std::cerr << "meterlog2-cli: " << path << ": " << plot->Message().toStdString() << "\n";
    return 1;
  }
  QString saveError;
  if (!plot->SaveImage(QString::fromStdString(out), size, QString::fromStdString(path),
                       saveError)) {
    std::cerr << "meterlog2-cli: " << path << ": " << saveError.toStdString() << "\n";
    return 1;
  }
  return 0;
}

const CommandDescription kPlotCommand{
    "plot",
    kUsage,
    {{"--kind", "trend|spectrum|waveform|phasor", "what to draw (a trend unless given)"},
     {"--columns", "TITLE,...", "the trend's columns (the log's usual ones unless given)"},
     {"--row", "N", "the record of a spectrum, waveform or phasor diagram (from 0)"},
     {"--size", "WxH", "the image's size in pixels"},
     kDataFormatOption,
     {"-o,--output", "OUT.png|OUT.pdf", "the image to write"}},
    true,
    RunPlot};
