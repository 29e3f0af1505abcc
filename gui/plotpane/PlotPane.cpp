#include "PlotPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "common/DateFormat.h"
#include "common/MessageBox.h"
#include "log/CMeterlog2Doc.h"
#include "plot/PhasorPlot.h"
#include "plot/SpectrumPlot.h"
#include "plot/TrendPlot.h"
#include "plot/WaveformPlot.h"
#include "table/CellText.h"
#include "table/PlotData.h"

namespace meterlog2::plotpane {

namespace {
enum Tab { kTrendTab, kSpectrumTab, kWaveformTab, kPhasorTab, kTabCount };
constexpr int kColumnIdRole = Qt::UserRole;
}  // namespace

PlotPane::PlotPane(QWidget* parent)
    : QWidget(parent), m_docPending(kTabCount, true), m_rowPending(kTabCount, false) {
  m_tabs = new QTabWidget(this);
  m_tabs->setObjectName(QStringLiteral("plotTabs"));
  m_spectrum = new SpectrumPlot;
  m_waveform = new WaveformPlot;
  m_phasor = new PhasorPlot;
  m_tabs->addTab(MakeTrendPage(), QStringLiteral("&Trend"));
  m_tabs->addTab(MakeSpectrumPage(), QStringLiteral("S&pectrum"));
  m_tabs->addTab(m_waveform, QStringLiteral("&Waveform"));
  // The diagram and its table need their room: a small pane scrolls rather than cut them.
  auto* phasorScroll = new QScrollArea;
  phasorScroll->setWidget(m_phasor);
  phasorScroll->setWidgetResizable(true);
  phasorScroll->setFrameShape(QFrame::NoFrame);
  m_tabs->addTab(phasorScroll, QStringLiteral("P&hasors"));
  connect(m_tabs, &QTabWidget::currentChanged, this, &PlotPane::ScheduleDraw);
  connect(m_tabs, &QTabWidget::currentChanged, this, &PlotPane::UpdateTabControls);

  m_reset = new QPushButton(QStringLiteral("&Reset View"));
  auto* save = new QPushButton(QStringLiteral("Sa&ve Image..."));
  auto* copy = new QPushButton(QStringLiteral("C&opy Image"));
  m_reset->setToolTip(QStringLiteral("Show everything again (or double-click the plot)"));
  save->setToolTip(QStringLiteral("Save the plot as a PNG image or a PDF document (%1 x %2)")
                       .arg(kPlotImageWidth)
                       .arg(kPlotImageHeight));
  copy->setToolTip(QStringLiteral("Put the picture Save Image writes on the clipboard"));
  connect(m_reset, &QPushButton::clicked, this, [this] { CurrentPlot()->ResetView(); });
  connect(save, &QPushButton::clicked, this, &PlotPane::SaveImage);
  connect(copy, &QPushButton::clicked, this, [this] { CurrentPlot()->CopyImage(); });
  m_hint = new QLabel;
  m_hint->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_hint, 1);
  buttons->addWidget(m_reset);
  buttons->addWidget(save);
  buttons->addWidget(copy);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(m_tabs, 1);
  layout->addLayout(buttons);

  connect(m_trend, &TrendPlot::RowClicked, this, &PlotPane::RowChosen);
  // Times as View > Date Format shows them: the time axis and read-out at once, the titles at
  // their next drawing.
  const auto followDateFormat = [this] {
    for (LogPlot* plot : std::initializer_list<LogPlot*>{m_trend, m_spectrum, m_waveform, m_phasor})
      plot->SetTimeFormat(CurrentDateFormat());
    std::fill(m_rowPending.begin(), m_rowPending.end(), true);
    ScheduleDraw();
  };
  followDateFormat();
  connect(DateFormatChanges(), &DateFormatNotifier::Changed, this, followDateFormat);
  UpdateTabControls();
  SetDocument(nullptr, {}, QString());
}

QString PlotPane::GestureHint() const {
  return m_hint->text();
}

QString PlotPane::TrendNote() const {
  return m_trendNote->isVisibleTo(m_tabs->widget(kTrendTab)) ? m_trendNote->text() : QString();
}

void PlotPane::UpdateTabControls() {
  // Only what the tab shown answers to: the phasors take no gesture and have nothing to reset.
  switch (m_tabs->currentIndex()) {
    case kTrendTab:
      m_hint->setText(
          QStringLiteral("Wheel: zoom the time   Drag: pan   Shift+drag or "
                         "right-drag: zoom to a box   Click: pick a record   "
                         "Double-click: reset"));
      break;
    case kSpectrumTab:
    case kWaveformTab:
      m_hint->setText(QStringLiteral("Wheel: zoom   Drag: pan   Double-click: reset"));
      break;
    default:
      m_hint->clear();
  }
  m_reset->setEnabled(m_tabs->currentIndex() != kPhasorTab);
}

QWidget* PlotPane::MakeTrendPage() {
  m_trend = new TrendPlot;
  m_filter = new QLineEdit;
  m_filter->setPlaceholderText(QStringLiteral("Filter columns"));
  m_filter->setClearButtonEnabled(true);
  m_columnList = new QListWidget;
  m_columnList->setObjectName(QStringLiteral("trendColumns"));
  m_columnList->setToolTip(QStringLiteral(
      "Check the columns to plot (four value axes at most; W, VA and var share one)"));
  m_trendNote = new QLabel;
  m_trendNote->setWordWrap(true);
  m_trendNote->setVisible(false);
  m_trendNote->setStyleSheet(QStringLiteral(
      "QLabel { background: #fff4ce; color: #3d2e00; border: 1px solid #d9b44a; padding: 3px; }"));
  connect(m_filter, &QLineEdit::textChanged, this, &PlotPane::FilterColumns);
  connect(m_columnList, &QListWidget::itemChanged, this, &PlotPane::ColumnChoiceChanged);

  auto* side = new QWidget;
  auto* sideLayout = new QVBoxLayout(side);
  sideLayout->setContentsMargins(0, 0, 0, 0);
  sideLayout->addWidget(m_filter);
  sideLayout->addWidget(m_columnList, 1);
  // The note sits over the plot, where the eye goes after a tick.
  auto* plotSide = new QWidget;
  auto* plotLayout = new QVBoxLayout(plotSide);
  plotLayout->setContentsMargins(0, 0, 0, 0);
  plotLayout->setSpacing(2);
  plotLayout->addWidget(m_trendNote);
  plotLayout->addWidget(m_trend, 1);
  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(side);
  splitter->addWidget(plotSide);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({220, 800});
  return splitter;
}

QWidget* PlotPane::MakeSpectrumPage() {
  m_channel = new QComboBox;
  m_channel->setObjectName(QStringLiteral("spectrumChannel"));
  m_channel->setSizeAdjustPolicy(QComboBox::AdjustToContents);  // "Phase A Current" whole
  m_percent = new QCheckBox(QStringLiteral("In percent of the &fundamental"));
  m_percent->setObjectName(QStringLiteral("spectrumPercent"));
  m_percent->setChecked(true);
  m_logScale = new QCheckBox(QStringLiteral("&Logarithmic scale"));
  m_logScale->setObjectName(QStringLiteral("spectrumLogScale"));
  m_logScale->setToolTip(QStringLiteral("For magnitudes in volts and amperes"));
  m_logScale->setEnabled(false);
  connect(m_channel, &QComboBox::activated, this,
          [this](int index) { m_spectrum->SetChannel(index - 1); });
  connect(m_percent, &QCheckBox::toggled, this, [this](bool percent) {
    m_logScale->setEnabled(!percent);
    m_spectrum->SetPercent(percent);
  });
  connect(m_logScale, &QCheckBox::toggled, m_spectrum, &SpectrumPlot::SetLogScale);
  auto* channelLabel = new QLabel(QStringLiteral("&Channel:"));
  channelLabel->setBuddy(m_channel);
  auto* controls = new QHBoxLayout;
  controls->addWidget(channelLabel);
  controls->addWidget(m_channel);
  controls->addWidget(m_percent);
  controls->addWidget(m_logScale);
  controls->addStretch(1);
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(controls);
  layout->addWidget(m_spectrum, 1);
  return page;
}

LogPlot* PlotPane::CurrentPlot() const {
  switch (m_tabs->currentIndex()) {
    case kSpectrumTab:
      return m_spectrum;
    case kWaveformTab:
      return m_waveform;
    case kPhasorTab:
      return m_phasor;
    default:
      return m_trend;
  }
}

void PlotPane::SetDocument(const CMeterlog2Doc* doc, const std::vector<ColumnInfo>& columns,
                           const QString& sourcePath) {
  m_doc = doc != nullptr && doc->GetRecordCount() > 0 ? doc : nullptr;
  m_sourcePath = sourcePath;
  m_row = -1;

  // The trend's choice: every numeric column of the log, checked for the default series.
  m_updatingList = true;
  m_columnList->clear();
  std::vector<int> defaults = m_doc ? DefaultTrendColumns(*m_doc) : std::vector<int>{};
  for (const ColumnInfo& column : columns) {
    if (m_doc == nullptr || !IsNumericColumn(column.nColumnId)) continue;
    auto* item = new QListWidgetItem(QString::fromStdString(column.strTitle), m_columnList);
    item->setData(kColumnIdRole, column.nColumnId);
    item->setToolTip(
        QString::fromStdString(GetColumnLabel(*m_doc, column.nColumnId, column.strTitle)));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    const bool chosen =
        std::find(defaults.begin(), defaults.end(), column.nColumnId) != defaults.end();
    item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
  }
  m_updatingList = false;
  FilterColumns(m_filter->text());
  for (int i = 0; i < m_columnList->count(); ++i) {
    if (m_columnList->item(i)->checkState() == Qt::Checked) {
      m_columnList->scrollToItem(m_columnList->item(i), QAbstractItemView::PositionAtTop);
      break;
    }
  }

  m_tabs->setTabEnabled(kSpectrumTab, m_doc && HasSpectrum(*m_doc));
  m_tabs->setTabEnabled(kWaveformTab, m_doc && HasWaveform(*m_doc));
  m_tabs->setTabEnabled(kPhasorTab, m_doc && HasPhasors(*m_doc));
  m_tabs->setTabToolTip(kSpectrumTab,
                        QStringLiteral("Harmonic, Waveform and Three Phase Tabular logs"));
  m_tabs->setTabToolTip(kWaveformTab, QStringLiteral("Waveform logs"));
  m_tabs->setTabToolTip(kPhasorTab, QStringLiteral("Three-phase logs"));
  Refresh();
}

void PlotPane::Refresh() {
  std::fill(m_docPending.begin(), m_docPending.end(), true);
  ScheduleDraw();
}

void PlotPane::SetCurrentRow(int row) {
  if (row == m_row) return;
  m_row = row;
  std::fill(m_rowPending.begin(), m_rowPending.end(), true);
  ScheduleDraw();
}

void PlotPane::PlotColumns(const std::vector<int>& columnIds) {
  m_updatingList = true;
  for (int i = 0; i < m_columnList->count(); ++i) {
    QListWidgetItem* item = m_columnList->item(i);
    const int id = item->data(kColumnIdRole).toInt();
    const bool chosen = std::find(columnIds.begin(), columnIds.end(), id) != columnIds.end();
    item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
  }
  m_updatingList = false;
  m_tabs->setCurrentIndex(kTrendTab);
  m_trendPending = true;
  m_rowPending[kTrendTab] = true;
  ScheduleDraw();
}

void PlotPane::AddColumn(int columnId) {
  std::vector<int> ids{};
  for (int i = 0; i < m_columnList->count(); ++i) {
    const QListWidgetItem* item = m_columnList->item(i);
    if (item->checkState() == Qt::Checked) ids.push_back(item->data(kColumnIdRole).toInt());
  }
  ids.push_back(columnId);
  PlotColumns(ids);
}

void PlotPane::ColumnChoiceChanged() {
  if (m_updatingList) return;
  m_trendPending = true;
  m_rowPending[kTrendTab] = true;
  ScheduleDraw();
}

void PlotPane::FilterColumns(const QString& text) {
  for (int i = 0; i < m_columnList->count(); ++i) {
    QListWidgetItem* item = m_columnList->item(i);
    item->setHidden(!text.isEmpty() && !item->text().contains(text, Qt::CaseInsensitive));
  }
}

void PlotPane::ScheduleDraw() {
  if (m_drawScheduled) return;
  m_drawScheduled = true;
  // Once the events waiting are handled; a newly opened log's table paints first (HoldDrawing).
  QTimer::singleShot(0, this, &PlotPane::DrawScheduled);
}

void PlotPane::DrawScheduled() {
  m_drawScheduled = false;
  if (m_drawHeld) {
    m_drawDeferred = true;
    return;
  }
  DrawPending();
}

void PlotPane::ReleaseDrawing() {
  m_drawHeld = false;
  if (std::exchange(m_drawDeferred, false)) ScheduleDraw();
}

void PlotPane::DrawPending() {
  m_drawScheduled = false;
  const int tab = m_tabs->currentIndex();
  if (tab < 0 || !isVisible()) return;  // drawn when shown (see showEvent)
  const size_t t = size_t(tab);
  LogPlot* plot = CurrentPlot();
  if (m_docPending[t]) {
    m_docPending[t] = false;
    m_rowPending[t] = true;
    plot->SetDocument(m_doc);
    if (tab == kTrendTab) m_trendPending = true;
    if (tab == kSpectrumTab) {
      m_channel->clear();
      m_channel->addItem(QStringLiteral("All"));
      m_channel->addItems(m_spectrum->ChannelNames());
      m_spectrum->SetPercent(m_percent->isChecked());
      m_spectrum->SetLogScale(m_logScale->isChecked());
    }
  }
  if (tab == kTrendTab && m_trendPending) {
    m_trendPending = false;
    std::vector<TrendColumn> chosen;
    for (int i = 0; i < m_columnList->count(); ++i) {
      const QListWidgetItem* item = m_columnList->item(i);
      if (item->checkState() == Qt::Checked)
        chosen.push_back({item->data(kColumnIdRole).toInt(), item->text()});
    }
    // What is drawn keeps its axis: a newly ticked column is the one left out when the axes run
    // short.
    std::stable_partition(chosen.begin(), chosen.end(), [this](const TrendColumn& column) {
      const std::vector<TrendColumn>& drawn = m_trend->Columns();
      return std::any_of(drawn.begin(), drawn.end(),
                         [&](const TrendColumn& d) { return d.id == column.id; });
    });
    const QString note = m_trend->SetColumns(chosen);
    // What is ticked is what is drawn: a refused column is unticked, and the note says why.
    m_updatingList = true;
    for (const TrendColumn& refused : m_trend->Refused()) {
      for (int i = 0; i < m_columnList->count(); ++i) {
        QListWidgetItem* item = m_columnList->item(i);
        if (item->data(kColumnIdRole).toInt() == refused.id) item->setCheckState(Qt::Unchecked);
      }
    }
    m_updatingList = false;
    m_trendNote->setText(note);
    m_trendNote->setVisible(!note.isEmpty());
  }
  if (!m_rowPending[t]) return;
  m_rowPending[t] = false;
  if (tab != kTrendTab || m_row >= 0) plot->ShowRow(m_row >= 0 ? unsigned(m_row) : 0);
}

void PlotPane::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ScheduleDraw();
}

void PlotPane::SaveImage() {
  static const char* const kNames[kTabCount] = {"Trend", "Spectrum", "Waveform", "Phasors"};
  QString filter;
  QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Save Plot"),
      QString::fromLatin1(kNames[m_tabs->currentIndex()]) + QStringLiteral(".png"),
      QStringLiteral("PNG Images (*.png);;PDF Documents (*.pdf)"), &filter);
  if (path.isEmpty()) return;
  const QString suffix = QFileInfo(path).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("pdf")) {
    path +=
        filter.startsWith(QLatin1String("PDF")) ? QStringLiteral(".pdf") : QStringLiteral(".png");
    // The dialog asked about the name as typed; the name with its ending is asked about here.
    if (QFileInfo::exists(path) &&
        !AskYesNo(this, QStringLiteral("%1 already exists.\nDo you want to replace it?")
                            .arg(QDir::toNativeSeparators(path))))
      return;
  }
  QString error;
  if (!CurrentPlot()->SaveImage(path, QSize(), m_sourcePath, error)) ShowMessage(this, error);
}

}  // namespace meterlog2::plotpane
