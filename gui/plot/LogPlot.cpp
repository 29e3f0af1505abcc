#include "LogPlot.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QPdfWriter>
#include <filesystem>

#include "common/QtPath.h"
#include "file/OutputFile.h"
#include "log/CMeterlog2Doc.h"

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
  m_message.clear();
}

void LogPlot::ShowMessage(const QString& message) {
  ClearContent();
  m_message = message;
  SetTitle(message);
  replot();
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

QImage LogPlot::Image(QSize size) const {
  if (size.isEmpty()) size = this->size();
  // toPixmap draws into its own buffer; the widget on screen is left as it is.
  return const_cast<LogPlot*>(this)->toPixmap(size.width(), size.height()).toImage();
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
    toPainter(&painter, size.width(), size.height());
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
