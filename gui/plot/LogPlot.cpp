#include "LogPlot.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QPdfWriter>
#include <algorithm>
#include <filesystem>

#include "common/QtPath.h"
#include "file/OutputFile.h"
#include "log/CMeterlog2Doc.h"
#include "table/PlotScale.h"

namespace {

class ValueTicker : public QCPAxisTicker {
 protected:
  QVector<QString> createLabelVector(const QVector<double>& ticks, const QLocale&, QChar,
                                     int) override {
    const std::vector<std::string> labels = TickLabels({ticks.begin(), ticks.end()});
    QVector<QString> result;
    result.reserve(qsizetype(labels.size()));
    for (const std::string& label : labels) result.append(QString::fromStdString(label));
    return result;
  }
};

}  // namespace

QSharedPointer<QCPAxisTicker> MakeValueTicker() {
  return QSharedPointer<ValueTicker>::create();
}

LogPlot::LogPlot(QWidget* parent) : QCustomPlot(parent) {
  plotLayout()->insertRow(0);
  QFont font = this->font();
  font.setBold(true);
  m_title = new QCPTextElement(this, QString(), font);
  plotLayout()->addElement(0, 0, m_title);
  setNoAntialiasingOnDrag(true);
  setPlottingHint(QCP::phCacheLabels, true);
  setMinimumSize(200, 150);
}

void LogPlot::ResetView() {
  rescaleAxes(true);
  replot();
}

QString LogPlot::TitleText() const {
  return m_title->text();
}

void LogPlot::SetTitle(const QString& text) {
  m_title->setText(text);
}

void LogPlot::ClearContent() {
  clearPlottables();
  clearItems();
  m_mouseItems.clear();
  m_message.clear();
}

void LogPlot::PlaceLegendAbovePlot() {
  if (legend == nullptr) return;
  axisRect()->insetLayout()->take(legend);
  plotLayout()->insertRow(1);
  plotLayout()->addElement(1, 0, legend);
  plotLayout()->setRowStretchFactor(1, 0.001);  // as tall as its entries, no more
  legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
  legend->setBorderPen(Qt::NoPen);
  legend->setMargins(QMargins(4, 0, 4, 0));
  legend->setVisible(true);
  m_legendAbove = true;
}

void LogPlot::updateLayout() {
  if (m_legendAbove) {
    int widest = 0;
    for (int i = 0; i < legend->itemCount(); ++i)  // the grid's cells, some of them empty
      if (const QCPAbstractLegendItem* item = legend->item(i))
        widest = std::max(widest, item->minimumOuterSizeHint().width());
    const int spacing = legend->columnSpacing();
    const int width = viewport().width() - legend->margins().left() - legend->margins().right();
    const int columns = std::max(1, (width + spacing) / (widest + spacing));
    if (widest > 0 && columns != legend->wrap()) {
      legend->setWrap(columns);
      legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true);  // the entries flow again
    }
  }
  QCustomPlot::updateLayout();
}

void LogPlot::ShowMessage(const QString& message) {
  ClearContent();
  m_message = message;
  SetTitle(message);
  replot();
}

void LogPlot::SetTimeFormat(TimeStyle format) {
  m_timeFormat = format;
  replot(QCustomPlot::rpQueuedReplot);
}

QString LogPlot::RecordTime(unsigned row) const {
  return m_doc != nullptr ? RecordTimeText(*m_doc, row, m_timeFormat) : QString();
}

QString LogPlot::TimeText(double seconds) const {
  return RecordTimeText(static_cast<qint64>(std::floor(seconds)), m_timeFormat);
}

QString LogPlot::NoLogMessage() {
  return QStringLiteral("No log with records is open.");
}

bool LogPlot::ReadyToDraw(bool drawable, const QString& notDrawable) {
  if (m_doc == nullptr || m_doc->GetRecordCount() == 0) {
    ShowMessage(NoLogMessage());
    return false;
  }
  if (!drawable) {
    ShowMessage(notDrawable);
    return false;
  }
  ClearContent();
  return true;
}

void LogPlot::DrawImage(QCPPainter& painter, QSize size) {
  std::vector<bool> shown;
  for (QCPAbstractItem* item : m_mouseItems) {
    shown.push_back(item->visible());
    item->setVisible(false);
  }
  // The layout is made for `size`, then made for the screen again.
  toPainter(&painter, size.width(), size.height());
  for (size_t i = 0; i < m_mouseItems.size(); ++i) m_mouseItems[i]->setVisible(shown[i]);
  // The layout is the image's now: the screen's again, or the mouse would point elsewhere.
  replot();
}

QImage LogPlot::Image(QSize size) {
  if (size.isEmpty()) size = QSize(kPlotImageWidth, kPlotImageHeight);
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QCPPainter painter(&image);
  DrawImage(painter, size);
  painter.end();
  return image;
}

bool LogPlot::SaveImage(const QString& path, QSize size, const QString& sourcePath,
                        QString& error) {
  if (size.isEmpty()) size = QSize(kPlotImageWidth, kPlotImageHeight);
  const QString suffix = QFileInfo(path).suffix().toLower();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (suffix == QLatin1String("png")) {
    if (!Image(size).save(&buffer, "PNG")) {
      error = QStringLiteral("Could not draw the plot as a PNG image of %1 x %2 pixels.")
                  .arg(size.width())
                  .arg(size.height());
      return false;
    }
  } else if (suffix == QLatin1String("pdf")) {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("Meterlog2"));
    writer.setTitle(TitleText());
    writer.setResolution(72);  // one point per pixel of the requested size
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(size), QPageSize::Point, QString(), QPageSize::ExactMatch));
    QCPPainter painter(&writer);
    DrawImage(painter, size);
    painter.end();
  } else {
    error = QStringLiteral("Could not save the plot as \"%1\": the name must end in .png or .pdf.")
                .arg(path);
    return false;
  }
  OutputFile file;
  std::vector<std::filesystem::path> inputs;
  if (!sourcePath.isEmpty()) inputs.push_back(PathFromQString(sourcePath));
  if (file.Open(PathFromQString(path), inputs) &&
      file.Write(bytes.constData(), size_t(bytes.size())) && file.Commit())
    return true;
  error = QString::fromStdString(file.Error());
  return false;
}

void LogPlot::CopyImage() {
  QApplication::clipboard()->setImage(Image());
}
