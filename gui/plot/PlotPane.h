#pragma once
// The plot pane under the table: Trend, Spectrum, Waveform and Phasor tabs, with Reset View,
// Save Image and Copy Image for the tab shown. Plots are drawn after the table has shown and
// only for the tab in view, so opening a log is never held up by them. A click in the trend
// chooses a record; the table's current record is marked in the trend and drawn in the others.

#include <QWidget>
#include <vector>

#include "table/ColumnInfo.h"

class CMeterlog2Doc;
class LogPlot;
class PhasorPlot;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTabWidget;
class SpectrumPlot;
class TrendPlot;
class WaveformPlot;

class PlotPane : public QWidget {
  Q_OBJECT
 public:
  explicit PlotPane(QWidget* parent = nullptr);

  // A log was opened, or emptied: `columns` are the view's columns with the titles the table
  // shows. The trend starts with the frequency and the first voltage. `sourcePath` is the log,
  // which a saved image never replaces.
  void SetDocument(const CMeterlog2Doc* doc, const std::vector<ColumnInfo>& columns,
                   const QString& sourcePath);
  // The values changed (another byte order): every plot is drawn again.
  void Refresh();
  // The table's current record (-1: none).
  void SetCurrentRow(int row);
  // Shows the trend of these columns (in this order), replacing what it showed.
  void PlotColumns(const std::vector<int>& columnIds);
  // Adds one column to what the trend shows.
  void AddColumn(int columnId);

  QTabWidget* Tabs() const { return m_pTabs; }
  TrendPlot* Trend() const { return m_pTrend; }
  SpectrumPlot* Spectrum() const { return m_pSpectrum; }
  WaveformPlot* Waveform() const { return m_pWaveform; }
  PhasorPlot* Phasor() const { return m_pPhasor; }
  LogPlot* CurrentPlot() const;
  QListWidget* ColumnChoice() const { return m_pColumnList; }
  QComboBox* ChannelChoice() const { return m_pChannel; }
  QCheckBox* PercentChoice() const { return m_pPercent; }
  // Draws whatever waits to be drawn now (the pane does it itself once the event loop runs).
  void DrawPending();

 signals:
  void RowChosen(unsigned row);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* MakeTrendPage();
  QWidget* MakeSpectrumPage();
  void ScheduleDraw();
  void ColumnChoiceChanged();
  void FilterColumns(const QString& text);
  void SaveImage();

  const CMeterlog2Doc* m_pDoc = nullptr;
  QString m_sourcePath;
  int m_row = -1;
  bool m_trendPending = false;     // the document or the columns changed
  std::vector<bool> m_docPending;  // per tab: the log or its values changed
  std::vector<bool> m_rowPending;  // per tab: the record changed since it was drawn
  bool m_drawScheduled = false;
  bool m_updatingList = false;

  QTabWidget* m_pTabs = nullptr;
  TrendPlot* m_pTrend = nullptr;
  SpectrumPlot* m_pSpectrum = nullptr;
  WaveformPlot* m_pWaveform = nullptr;
  PhasorPlot* m_pPhasor = nullptr;
  QLineEdit* m_pFilter = nullptr;
  QListWidget* m_pColumnList = nullptr;
  QLabel* m_pRefused = nullptr;
  QComboBox* m_pChannel = nullptr;
  QCheckBox* m_pPercent = nullptr;
};
