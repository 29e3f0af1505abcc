#pragma once
// Harmonic spectrum of one record: bars of the fundamental and harmonics 2 to 50 of every
// channel (single-phase) or every phase's voltage and current (three-phase), or of one of them;
// in percent of each fundamental or as absolute magnitudes, on a linear or (absolute only) a
// logarithmic scale. Every harmonic is labelled (every odd one where they crowd); in percent the
// axis is sized to the harmonics, and the legend gives the value of a fundamental whose bar it
// cuts. In percent, a voltage's spectrum carries EN 50160's limit of each harmonic 2..25 as a
// marker. The title gives the record's THD; the legend sits above the bars.

#include "LogPlot.h"
#include "table/PlotData.h"

class SpectrumPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit SpectrumPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void ShowRow(unsigned row) override;
  void ResetView() override;
  // -1: every channel; otherwise an index into ChannelNames().
  void SetChannel(int channel);
  void SetPercent(bool percent);
  bool Percent() const { return m_percent; }
  // A logarithmic value axis for absolute magnitudes (percent stays linear).
  void SetLogScale(bool logScale);
  bool LogScale() const { return m_logScale && !m_percent; }
  // The channels of the log (from record 0): "Ch 1 Van", "Phase A Volts", ...
  QStringList ChannelNames() const;
  // The heights of the bars drawn for channel index `channel`: 50 values, fundamental first.
  QVector<double> BarValues(int channel) const;
  // The legend's entry of channel index `channel` as drawn ("" when not drawn): its name (and
  // unit, for magnitudes), and the fundamental's value when its bar runs off the top.
  QString LegendEntry(int channel) const;
  // The limit markers drawn: (harmonic number, limit in %); empty when none are shown.
  QVector<QPair<double, double>> LimitMarkers() const;

 private:
  void Draw();
  // Names the fundamentals whose bars the value axis cuts in their legend entries.
  void NameCutFundamentals();

  std::vector<SpectrumChannel> m_channels;
  unsigned m_row = 0;
  int m_channel = -1;
  bool m_percent = true;
  bool m_logScale = false;
  std::vector<QCPBars*> m_bars;  // per channel index; null when not drawn
  QCPGraph* m_limits = nullptr;  // EN 50160's harmonic limits, when drawn
};
