#include "WaveformPlot.h"

#include "log/CMeterlog2Doc.h"
#include "table/PlotData.h"

WaveformPlot::WaveformPlot(QWidget* parent) : LogPlot(parent) {
  xAxis->setLabel(QStringLiteral("Sample number in the block (240 per block)"));
  yAxis->setLabel(QStringLiteral("Raw count (no scale)"));
  PlaceLegendAbovePlot();
  setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
  connect(this, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  ShowMessage(NoLogMessage());
}

void WaveformPlot::SetDocument(const CMeterlog2Doc* doc) {
  LogPlot::SetDocument(doc);
  ShowRow(0);
}

void WaveformPlot::ShowRow(unsigned row) {
  if (!ReadyToDraw(
          m_doc && HasWaveform(*m_doc),
          QStringLiteral("This log holds no waveform (waveforms come from Waveform logs).")))
    return;
  const WaveformBlocks blocks = BuildWaveform(*m_doc, row);
  for (int b = 0; b < 2; ++b) {
    QVector<double> keys, values;
    for (size_t i = 0; i < blocks.block[b].size(); ++i) {
      keys.append(double(i));
      values.append(blocks.block[b][i]);
    }
    QCPGraph* graph = addGraph();
    graph->setData(keys, values, true);
    graph->setPen(SeriesPen(size_t(b), 1.5));
    graph->setName(QString::fromStdString(blocks.name[b]));
  }
  SetTitle(QStringLiteral("Waveform, record %1 (%2)\nSamples as raw signed 8-bit counts, -128 to "
                          "127: the log gives no scale for them")
               .arg(row)
               .arg(RecordTime(row)));
  ResetView();
}

void WaveformPlot::ResetView() {
  xAxis->setRange(0, 239);
  yAxis->setRange(-130, 130);  // the whole range of a signed 8-bit sample
  replot();
}
