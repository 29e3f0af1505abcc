#pragma once
// What every plot of a log shares: a title line, the log it draws from, a message in place of
// the plot when there is nothing to draw, the date format of its times, value-axis tick labels
// that differ, a legend outside the data, and the image out: a PNG or PDF file of any size, or the
// clipboard, the same picture either way and without what follows the mouse. The pane and
// `meterlog2-cli plot` draw with the same classes.

#include <qcustomplot.h>
#include <QImage>
#include <QSize>
#include <QString>

#include "PlotColors.h"
#include "common/DateFormat.h"

class CMeterlog2Doc;

class LogPlot : public QCustomPlot {
  Q_OBJECT
 public:
  explicit LogPlot(QWidget* parent = nullptr);

  // The log to draw (nullptr: none). Subclasses read what they need at once or at ShowRow.
  virtual void SetDocument(const CMeterlog2Doc* doc) { m_doc = doc; }
  // Draws (or marks) record `row`.
  virtual void ShowRow(unsigned row) = 0;
  // Back to the ranges that show everything.
  virtual void ResetView();
  // How record times are written (titles, read-outs, the time axis): the log's own format
  // until told otherwise. The desktop's pane follows View > Date Format; `meterlog2-cli plot`
  // keeps the log's format. The axis and read-out follow at once, a title at the next record
  // drawn.
  virtual void SetTimeFormat(TimeStyle format);
  TimeStyle TimeFormat() const { return m_timeFormat; }
  // A text for the user when this kind of plot has nothing to show for the log, else empty.
  const QString& Message() const { return m_message; }
  QString TitleText() const;

  // The plot drawn at `size` (kPlotImageWidth x kPlotImageHeight when empty), without the
  // items that follow the mouse.
  QImage Image(QSize size = QSize());
  // Writes the plot as PNG or PDF, chosen by the name's ending (.png, .pdf), at `size` (the
  // default image size when empty). The file is written in full or not at all, never onto
  // `sourcePath`. False with a sentence in `error`.
  bool SaveImage(const QString& path, QSize size, const QString& sourcePath, QString& error);
  // Puts the same picture as SaveImage's PNG on the clipboard.
  void CopyImage();

 protected:
  void SetTitle(const QString& text);
  // Empties the plot and shows `message` in its place.
  void ShowMessage(const QString& message);
  // True when a log with records is open and `drawable` (this kind of plot exists for it);
  // otherwise the plot shows why not (`notDrawable`) and the answer is false.
  bool ReadyToDraw(bool drawable, const QString& notDrawable);
  // The message of a plot without a log.
  static QString NoLogMessage();
  // Clears the graphs, bars and items a subclass added, keeping the title.
  void ClearContent();
  // The time of record `row` of the log, as the plot writes times.
  QString RecordTime(unsigned row) const;
  // A time on the instrument's clock (seconds since 1970), as the plot writes times.
  QString TimeText(double seconds) const;
  // Moves the legend out of the data: into a row of its own between the title and the plot,
  // as many entries to a line as the width holds.
  void PlaceLegendAbovePlot();
  // Lays the legend above the plot out for the width drawn at (the screen's or an image's).
  void updateLayout() override;
  // An item that follows the mouse (a cursor line, a read-out): never part of an image. It goes
  // with the content (ClearContent).
  void AddMouseItem(QCPAbstractItem* item) { m_mouseItems.push_back(item); }

  const CMeterlog2Doc* m_doc = nullptr;

 private:
  void DrawImage(QCPPainter& painter, QSize size);

  QCPTextElement* m_title = nullptr;
  QString m_message;
  std::vector<QCPAbstractItem*> m_mouseItems;
  TimeStyle m_timeFormat = TimeStyle::kTable;
  bool m_legendAbove = false;
};

// Value-axis tick labels with as many decimals as their spacing needs (table/PlotScale.h).
QSharedPointer<QCPAxisTicker> MakeValueTicker();

// The default size of a saved plot.
constexpr int kPlotImageWidth = 1200;
constexpr int kPlotImageHeight = 700;
