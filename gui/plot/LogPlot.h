#pragma once
// What every plot of a log shares: a title line, the log it draws from, a message in place of
// the plot when there is nothing to draw, and the image out: a PNG or PDF file of any size, or
// the clipboard. The pane and `meterlog2-cli plot` draw with the same classes.

#include <qcustomplot.h>
#include <QImage>
#include <QSize>
#include <QString>

#include "text/TimeText.h"

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
  // How record times are written (titles, read-outs, the time axis); a title follows at the
  // next record drawn.
  virtual void SetTimeStyle(TimeStyle style) { m_timeStyle = style; }
  TimeStyle GetTimeStyle() const { return m_timeStyle; }
  // A text for the user when this kind of plot has nothing to show for the log, else empty.
  const QString& Message() const { return m_message; }
  QString TitleText() const;

  // The plot drawn at `size` (the widget's own size when empty).
  QImage Image(QSize size = QSize()) const;
  // Writes the plot as PNG or PDF, chosen by the name's ending (.png, .pdf). The file is written
  // in full or not at all, never onto `sourcePath`. False with a sentence in `error`.
  bool SaveImage(const QString& path, QSize size, const QString& sourcePath, QString& error);
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

  const CMeterlog2Doc* m_doc = nullptr;
  TimeStyle m_timeStyle = TimeStyle::kTable;

 private:
  QCPTextElement* m_title = nullptr;
  QString m_message;
};

// The default size of a saved plot.
constexpr int kPlotImageWidth = 1200;
constexpr int kPlotImageHeight = 700;
