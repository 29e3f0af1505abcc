#pragma once
// The plot pane under the table: Trend, Spectrum, Waveform and Phasor tabs, with Reset View,
// Save Image and Copy Image for the tab shown and a hint of the mouse gestures that tab takes.
// Plots are drawn after the table has shown and only for the tab in view, so opening a log is
// never held up by them. A click in the trend chooses a record; the table's current record is
// marked in the trend and drawn in the others. A column the trend cannot draw is unticked and
// the reason shown above the plot, whether it was ticked in the list or added from the table.

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
class QPushButton;
class QTabWidget;
class SpectrumPlot;
class TrendPlot;
class WaveformPlot;

namespace meterlog2::plotpane {

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

  TrendPlot* Trend() const { return m_trend; }
  SpectrumPlot* Spectrum() const { return m_spectrum; }
  WaveformPlot* Waveform() const { return m_waveform; }
  PhasorPlot* Phasor() const { return m_phasor; }
  LogPlot* CurrentPlot() const;
  // Why columns chosen for the trend are not drawn ("" when all are), as shown above the plot.
  QString TrendNote() const;
  // The mouse gestures of the tab shown, as the pane states them ("" for none).
  QString GestureHint() const;
  // Draws whatever waits to be drawn now (the pane does it itself once the event loop runs).
  void DrawPending();
  // While held, the pane's own drawing waits: a newly opened log's table paints first.
  void HoldDrawing() { m_drawHeld = true; }
  void ReleaseDrawing();

 signals:
  void RowChosen(unsigned row);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* MakeTrendPage();
  QWidget* MakeSpectrumPage();
  void ScheduleDraw();
  void DrawScheduled();
  void ColumnChoiceChanged();
  void FilterColumns(const QString& text);
  void UpdateTabControls();
  void SaveImage();

  const CMeterlog2Doc* m_doc = nullptr;
  QString m_sourcePath;
  int m_row = -1;
  bool m_trendPending = false;     // the document or the columns changed
  std::vector<bool> m_docPending;  // per tab: the log or its values changed
  std::vector<bool> m_rowPending;  // per tab: the record changed since it was drawn
  bool m_drawScheduled = false;
  bool m_drawHeld = false;
  bool m_drawDeferred = false;  // a scheduled drawing met the hold
  bool m_updatingList = false;

  QTabWidget* m_tabs = nullptr;
  TrendPlot* m_trend = nullptr;
  SpectrumPlot* m_spectrum = nullptr;
  WaveformPlot* m_waveform = nullptr;
  PhasorPlot* m_phasor = nullptr;
  QLineEdit* m_filter = nullptr;
  QListWidget* m_columnList = nullptr;
  QLabel* m_trendNote = nullptr;
  QComboBox* m_channel = nullptr;
  QCheckBox* m_percent = nullptr;
  QCheckBox* m_logScale = nullptr;
  QLabel* m_hint = nullptr;
  QPushButton* m_reset = nullptr;
};

}  // namespace meterlog2::plotpane
