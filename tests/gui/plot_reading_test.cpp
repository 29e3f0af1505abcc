// Plots that never mislead, checked against the log's own numbers: value axes that show a
// near-constant series and label their ticks apart, the band of a long trend per pixel column,
// the phasors' angles and scale, a spectrum ready for a report, the waveform's channels, and the
// image that Copy and Save both give.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <set>

#include "GuiTestSupport.h"
#include "PlotTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "log/CMeterlog2Doc.h"
#include "plot/PhasorPlot.h"
#include "plot/SpectrumPlot.h"
#include "plot/TrendPlot.h"
#include "plot/WaveformPlot.h"
#include "plotpane/PlotPane.h"
#include "table/CellText.h"
#include "table/PlotData.h"
#include "table/TrendEnvelope.h"
#include "table/Units.h"
#include "view/CMeterlog2View.h"

using meterlog2::plotpane::PlotPane;

namespace {

// The trend of `title` alone, drawn; the labels of its value axis's ticks.
QStringList TrendOf(CMeterlog2App& app, const QString& title) {
  PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
  pane->PlotColumns({ColumnIdByTitle(app.GetView(), title)});
  pane->DrawPending();
  pane->Trend()->replot();
  return pane->Trend()->yAxis->tickVectorLabels();
}

bool AllDiffer(const QStringList& labels) {
  return std::set<QString>(labels.begin(), labels.end()).size() == size_t(labels.size());
}

QStringList LegendNames(const QCustomPlot& plot) {
  QStringList names;
  for (int i = 0; i < plot.legend->itemCount(); ++i)
    if (auto* item = qobject_cast<QCPPlottableLegendItem*>(plot.legend->item(i)))
      names << item->plottable()->name();
  return names;
}

CMeterlog2Doc LoadDoc(const QString& path) {
  CMeterlog2Doc doc;
  doc.Load(path.toStdString());
  return doc;
}

}  // namespace

class PlotReadingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { TakeMessages(); }

  void valueAxesShowANearConstantSeriesAndTickLabelsDiffer() {
    CMeterlog2App app;
    QVERIFY(OpenShown(app, WriteSample(QStringLiteral("axes.57x"), 4, 30)));
    TrendPlot* trend = Child<PlotPane>(app.GetMainFrame(), "plotPane")->Trend();
    const double thd = CellByTitle(app, 0, "Phase A Volts THD");
    QVERIFY(std::fabs(thd - 2.1) < 1e-6);  // in every record of the sample

    // A constant percentage: the axis from 0, the value well inside it, every tick its own.
    QStringList labels = TrendOf(app, QStringLiteral("Phase A Volts THD"));
    QCOMPARE(trend->yAxis->range().lower, 0.0);
    QVERIFY2(trend->yAxis->range().upper > thd * 1.02,
             qPrintable(QString::number(trend->yAxis->range().upper)));
    QVERIFY2(labels.size() >= 3 && AllDiffer(labels), qPrintable(labels.join('|')));

    // The frequency moves by hundredths of a hertz: the axis spans at least 1 % of it, so the
    // line is not blown up into noise, and its labels still differ.
    labels = TrendOf(app, QStringLiteral("3 Phase Frequency"));
    QVERIFY2(trend->yAxis->range().size() >= 0.5, qPrintable(labels.join('|')));
    QVERIFY(trend->yAxis->range().contains(50.0));
    QVERIFY2(labels.size() >= 3 && AllDiffer(labels), qPrintable(labels.join('|')));

    // Zero degrees throughout: a span of the unit's resolution at least, and a zero that is
    // never "-0".
    labels = TrendOf(app, QStringLiteral("Phase A Volts Phase Angle Fund"));
    QVERIFY(trend->yAxis->range().size() > 0);
    QVERIFY(trend->yAxis->range().contains(0));
    QVERIFY2(AllDiffer(labels) && labels.contains(QStringLiteral("0.00")) &&
                 labels.filter(QRegularExpression(QStringLiteral("^-0(\\.0*)?$"))).isEmpty(),
             qPrintable(labels.join('|')));
  }

  void aLongTrendIsDrawnAsItsBandPerPixelColumn() {
    SampleLogOptions options;
    options.records = 20000;  // a Standard log, one record a minute: about two weeks
    const CMeterlog2Doc doc = LoadDoc(WriteSample(QStringLiteral("long.57x"), options));
    TrendPlot trend;
    trend.SetDocument(&doc);
    const int frequency = DefaultTrendColumns(doc).front();
    QCOMPARE(trend.SetColumns({{frequency, QStringLiteral("Frequency")}}), QString());
    trend.resize(640, 400);
    trend.show();
    QVERIFY(QTest::qWaitForWindowExposed(&trend));
    trend.replot();

    const int width = trend.axisRect()->width();
    QVERIFY(trend.IsEnvelope(0));
    const std::vector<std::pair<double, double>> band = trend.EnvelopeOf(0);
    QCOMPARE(band.size(), size_t(width));
    // The band drawn is the records': each column's least and greatest value of the records in
    // its time, and over all columns the log's own extremes.
    const std::vector<double> values = TrendValues(doc, trend.Axis(), frequency);
    const TrendEnvelope expected =
        BuildEnvelope(trend.Axis().times, values, trend.xAxis->range().lower,
                      trend.xAxis->range().upper, size_t(width));
    double low = INFINITY, high = -INFINITY;
    for (size_t c = 0; c < band.size(); ++c) {
      QCOMPARE(band[c].first, expected.lower[c]);
      QCOMPARE(band[c].second, expected.upper[c]);
      low = std::min(low, band[c].first);
      high = std::max(high, band[c].second);
    }
    QCOMPARE(low, *std::min_element(values.begin(), values.end()));
    QCOMPARE(high, *std::max_element(values.begin(), values.end()));
    QCOMPARE(LegendNames(trend),
             QStringList{QStringLiteral("Frequency (Hz): min to max per pixel column")});

    // Zoomed in to fewer records than pixel columns: the line itself again, and its plain name.
    const double start = trend.Axis().times.front();
    trend.xAxis->setRange(start, start + 200 * 60);
    trend.replot();
    QVERIFY(!trend.IsEnvelope(0));
    QVERIFY(trend.SeriesLine(0)->visible());
    QCOMPARE(LegendNames(trend), QStringList{QStringLiteral("Frequency (Hz)")});
  }

  void seriesAndTheMarkerEachHaveTheirOwnColour() {
    std::set<QRgb> colours;
    for (size_t k = 0; k < 6; ++k) colours.insert(SeriesColor(k).rgb());
    QCOMPARE(colours.size(), size_t(6));
    QVERIFY(!colours.count(MarkerColor().rgb()));
    // Past six, the colours come again in another line style.
    QVERIFY(SeriesPen(6, 1).style() != SeriesPen(0, 1).style());
    QCOMPARE(SeriesPen(6, 1).color(), SeriesPen(0, 1).color());
  }

  void phasorsReadWithinPlusMinus180WithAScaleAndNoIdleHint() {
    CMeterlog2App app;
    QVERIFY(OpenShown(app, WriteSample(QStringLiteral("vector.57x"), 5, 4, 256)));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    QVERIFY(pane->GestureHint().contains(QLatin1String("Wheel")));  // on the trend
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(3);
    app.GetView()->SelectRow(1);
    pane->DrawPending();
    PhasorPlot* phasor = pane->Phasor();

    // The log holds -240 degrees for Vc: the table reads 120.
    const double vc = CellByTitle(app, 1, "Phase C Volts Phase");
    QVERIFY(std::fabs(vc + 240) < 1e-3);
    const QStringList lines = phasor->TableText().split('\n');
    const auto line = std::find_if(lines.begin(), lines.end(),
                                   [](const QString& l) { return l.startsWith("Vc "); });
    QVERIFY(line != lines.end());
    QVERIFY2(line->endsWith(QString::fromUtf8("120.0°")), qPrintable(*line));
    for (const Phasor& p : phasor->Phasors().phasors) QVERIFY(p.angle > -180 && p.angle <= 180);

    // The scale: every 30 degrees from -150 to 180.
    const QStringList scale = phasor->ScaleLabels();
    QCOMPARE(scale.size(), 12);
    for (const char* degrees : {"0°", "90°", "180°", "-90°", "-150°"})
      QVERIFY2(scale.contains(QString::fromUtf8(degrees)), degrees);
    QVERIFY(!scale.contains(QString::fromUtf8("-180°")));

    // The diagram takes no gesture: no hint, nothing to reset.
    QCOMPARE(pane->GestureHint(), QString());
    const QList<QPushButton*> buttons = pane->findChildren<QPushButton*>();
    const auto reset = std::find_if(buttons.begin(), buttons.end(), [](QPushButton* b) {
      return b->text() == QStringLiteral("&Reset View");
    });
    QVERIFY(reset != buttons.end() && !(*reset)->isEnabled());
  }

  void aSmallPaneScrollsThePhasorsRatherThanCutTheirTable() {
    CMeterlog2App app;
    QVERIFY(OpenShown(app, WriteSample(QStringLiteral("tabular.57x"), 4, 4)));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(3);
    pane->DrawPending();
    PhasorPlot* phasor = pane->Phasor();
    QVERIFY(!phasor->Phasors().note.empty());  // the longest table: six lines and a note
    Child<QTabWidget>(pane, "plotTabs")->resize(320, 180);
    QApplication::processEvents();
    const QSize needed = static_cast<QWidget*>(phasor)->minimumSizeHint();
    const QFontMetrics fixed(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QRect table =
        fixed.boundingRect(QRect(0, 0, 10000, 10000), Qt::AlignLeft, phasor->TableText());
    QVERIFY2(needed.height() >= table.height(), qPrintable(QString::number(needed.height())));
    QVERIFY(needed.width() >= table.width() + 240);  // the table beside the diagram
    QVERIFY(phasor->width() >= needed.width() && phasor->height() >= needed.height());
    auto* scroll = qobject_cast<QScrollArea*>(Child<QTabWidget>(pane, "plotTabs")->currentWidget());
    QVERIFY(scroll != nullptr && scroll->widget() == phasor);
  }

  void aSpectrumReadyForAReport() {
    const CMeterlog2Doc doc = LoadDoc(WriteSample(QStringLiteral("spectrum.57x"), 4, 3));
    SpectrumPlot spectrum;
    spectrum.SetDocument(&doc);
    spectrum.resize(1400, 600);
    spectrum.show();
    QVERIFY(QTest::qWaitForWindowExposed(&spectrum));
    spectrum.replot();
    // Room for all: every harmonic labelled.
    QStringList labels = spectrum.xAxis->tickVectorLabels();
    QCOMPARE(labels.size(), 50);
    QVERIFY(
        std::none_of(labels.begin(), labels.end(), [](const QString& l) { return l.isEmpty(); }));
    // Crowded: every odd one.
    spectrum.resize(900, 400);
    QTRY_COMPARE(spectrum.width(), 900);
    spectrum.replot();
    labels = spectrum.xAxis->tickVectorLabels();
    QCOMPARE(labels.size(), 50);
    QCOMPARE(labels[0], QStringLiteral("1"));
    QCOMPARE(labels[1], QString());
    QCOMPARE(labels[2], QStringLiteral("3"));
    QCOMPARE(labels[48], QStringLiteral("49"));

    // In percent the fundamentals run off the top: the legend gives their values.
    const std::vector<SpectrumChannel> channels = BuildSpectrum(doc, 0);
    QVERIFY(spectrum.Percent());
    QCOMPARE(spectrum.LegendEntry(0),
             QString::fromStdString(channels[0].name + ": fundamental " +
                                    DisplayValue(channels[0].fundamental, channels[0].unit)));
    QVERIFY(spectrum.yAxis->range().upper < 100);
    // The legend stands off the bars.
    QVERIFY(!spectrum.legend->outerRect().intersects(spectrum.axisRect()->rect()));

    // Magnitudes: nothing cut, on a logarithmic scale when asked; percent stays linear.
    spectrum.SetPercent(false);
    QCOMPARE(spectrum.LegendEntry(0),
             QString::fromStdString(LabelWithUnit(channels[0].name, channels[0].unit)));
    QCOMPARE(spectrum.yAxis->scaleType(), QCPAxis::stLinear);
    spectrum.SetLogScale(true);
    QCOMPARE(spectrum.yAxis->scaleType(), QCPAxis::stLogarithmic);
    QVERIFY(spectrum.yAxis->range().lower > 0);
    QVERIFY(spectrum.yAxis->range().upper > channels[0].fundamental);
    spectrum.SetPercent(true);
    QCOMPARE(spectrum.yAxis->scaleType(), QCPAxis::stLinear);
  }

  void theSpectrumControlsFitTheirEntries() {
    CMeterlog2App app;
    QVERIFY(OpenShown(app, WriteSample(QStringLiteral("controls.57x"), 4, 3)));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(1);
    pane->DrawPending();
    QApplication::processEvents();
    QComboBox* channel = Child<QComboBox>(pane, "spectrumChannel");
    int longest = 0;
    for (int i = 0; i < channel->count(); ++i)
      longest = std::max(longest, channel->fontMetrics().horizontalAdvance(channel->itemText(i)));
    QVERIFY2(channel->width() > longest, qPrintable(QString::number(channel->width())));
    // The logarithmic scale is for magnitudes.
    QVERIFY(!Child<QCheckBox>(pane, "spectrumLogScale")->isEnabled());
    Child<QCheckBox>(pane, "spectrumPercent")->setChecked(false);
    QVERIFY(Child<QCheckBox>(pane, "spectrumLogScale")->isEnabled());
    Child<QCheckBox>(pane, "spectrumLogScale")->setChecked(true);
    QCOMPARE(pane->Spectrum()->yAxis->scaleType(), QCPAxis::stLogarithmic);
  }

  void theWaveformNamesItsChannelsAndSaysWhatTheSamplesAre() {
    CMeterlog2App app;
    QVERIFY(OpenShown(app, WriteSample(QStringLiteral("wave.57x"), 3, 3)));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(2);
    pane->DrawPending();
    WaveformPlot* wave = pane->Waveform();
    std::string first, second;
    GetCellText(app.GetDocument(), 0, ColumnIdByTitle(app.GetView(), "Ch1 Select"), first);
    GetCellText(app.GetDocument(), 0, ColumnIdByTitle(app.GetView(), "Ch2 Select"), second);
    QCOMPARE(first, std::string("Ch 1 Van"));
    QCOMPARE(LegendNames(*wave),
             (QStringList{QString::fromStdString(first), QString::fromStdString(second)}));
    QVERIFY(wave->yAxis->label().contains(QLatin1String("Raw count")));
    QVERIFY(wave->TitleText().contains(QLatin1String("raw signed 8-bit counts")));
  }

  void copyImageCopiesWhatSaveImageWritesWithoutTheReadOut() {
    const QString path = WriteSample(QStringLiteral("image.57x"), 2, 30);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    TrendPlot* trend = Child<PlotPane>(app.GetMainFrame(), "plotPane")->Trend();
    const QString png = ScratchDir() + QStringLiteral("/image.png");
    QString error;
    QVERIFY2(trend->SaveImage(png, QSize(), path, error), qPrintable(error));
    const QImage saved = QImage(png).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(saved.size(), QSize(kPlotImageWidth, kPlotImageHeight));
    QVERIFY(trend->size() != saved.size());  // the pane's own size is another

    // The mouse over the plot: its read-out shows on screen, in neither image.
    const int x = int(std::lround(trend->xAxis->coordToPixel(trend->Axis().times[10])));
    QTest::mouseMove(trend, QPoint(x, trend->axisRect()->center().y()));
    QTRY_VERIFY(!trend->ReadOut().isEmpty());
    QApplication::clipboard()->clear();
    trend->CopyImage();
    const QImage copied = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(copied.size(), saved.size());
    QVERIFY(copied == saved);
    QVERIFY(trend->SaveImage(png, QSize(), path, error));
    QVERIFY(QImage(png).convertToFormat(QImage::Format_RGB32) == saved);
  }
};

REGISTER_GUI_TEST(PlotReadingTest);
#include "plot_reading_test.moc"
