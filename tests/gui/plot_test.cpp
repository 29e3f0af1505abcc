// The plot pane driven as a user would: the default trend, a click that picks a record, the
// marker that follows the table, spectrum bars against the row's cells, the waveform samples,
// zooming, and images saved at the size asked for.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QTabWidget>
#include <QWheelEvent>
#include <QtTest>
#include <cmath>

#include "GuiTestSupport.h"
#include "PlotTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "common/DateFormat.h"
#include "plot/PhasorPlot.h"
#include "plot/SpectrumPlot.h"
#include "plot/TrendPlot.h"
#include "plot/WaveformPlot.h"
#include "plotpane/PlotPane.h"
#include "table/CellText.h"
#include "table/QuantityColumns.h"
#include "view/CMeterlog2View.h"
#include "view/LogTableModel.h"

using namespace meterlog2::table;
using meterlog2::plotpane::PlotPane;

namespace {

int CurrentRow(CMeterlog2View* view) {
  return view->selectionModel()->currentIndex().row();
}

}  // namespace

class PlotTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { TakeMessages(); }
  void cleanup() { SetDateFormat(TimeStyle::kTable); }

  void trendFollowsTheTableBothWays() {
    const QString path = WriteSample(QStringLiteral("plot-trend.57x"), 4, 40);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    TrendPlot* trend = pane->Trend();
    QVERIFY(!app.GetMainFrame()->GetPlotDock()->isHidden());
    QVERIFY(app.GetMainFrame()->GetCommands().viewPlots->isChecked());

    // A log opens with its frequency and first voltage, on two axes by unit.
    QCOMPARE(trend->Columns().size(), size_t(2));
    QCOMPARE(trend->Columns()[0].title, QStringLiteral("3 Phase Frequency"));
    QCOMPARE(trend->Columns()[1].title, QStringLiteral("Phase A Volts Wide"));
    QCOMPARE(trend->SeriesCount(), 2);
    QCOMPARE(trend->SeriesLine(0)->dataCount(), 40);
    QVERIFY(trend->yAxis->label().contains(QLatin1String("Hz")));
    QVERIFY(trend->yAxis2->visible());
    QCOMPARE(trend->SeriesLine(1)->data()->at(9)->value, CellByTitle(app, 9, "Phase A Volts Wide"));
    QVERIFY(Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(1) &&
            !Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(2) &&
            Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(3));

    // A click on the plot picks the record nearest in time, in the table too.
    trend->replot();
    const double x = trend->xAxis->coordToPixel(trend->Axis().times[17]);
    const int y = trend->axisRect()->center().y();
    QTest::mouseClick(trend, Qt::LeftButton, Qt::NoModifier, QPoint(int(std::lround(x)), y));
    QCOMPARE(CurrentRow(app.GetView()), 17);
    QCOMPARE(app.GetView()->SelectedRows(), std::vector<unsigned>{17});
    // Moving over the plot reads that record out.
    QTest::mouseMove(trend, QPoint(int(std::lround(x)), y));
    QTRY_VERIFY(trend->ReadOut().startsWith(QStringLiteral("Record 17, ")));

    // The table's current record is marked.
    app.GetView()->SelectRow(25);
    pane->DrawPending();
    QCOMPARE(trend->MarkerTime(), trend->Axis().times[25]);

    // The wheel zooms the time axis; a double click shows everything again.
    const QCPRange before = trend->xAxis->range();
    QWheelEvent wheel(QPointF(x, y), trend->mapToGlobal(QPointF(x, y)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(trend, &wheel);
    QVERIFY(trend->xAxis->range().size() < before.size() * 0.9);
    trend->ResetView();
    QCOMPARE(trend->xAxis->range().size(), before.size());

    // Columns chosen in the pane's list: four units on four axes, W and VA sharing one; a fifth
    // unit is unticked and the note above the plot says why. "Add to the Trend" from the header
    // does the same.
    QListWidget* list = Child<QListWidget>(pane, "trendColumns");
    const auto tick = [&](const QStringList& titles) {
      for (int i = 0; i < list->count(); ++i)
        if (titles.contains(list->item(i)->text())) list->item(i)->setCheckState(Qt::Checked);
      pane->DrawPending();
    };
    const auto ticked = [&](const QString& title) {
      const QList<QListWidgetItem*> found = list->findItems(title, Qt::MatchExactly);
      return !found.isEmpty() && found.front()->checkState() == Qt::Checked;
    };
    tick({"Total Power Wide", "Total Volt Amps Wide", "Average Power Factor Wide"});
    QCOMPARE(trend->Columns().size(), size_t(5));
    QCOMPARE(trend->ValueAxes().size(), size_t(4));
    const auto axisOf = [&](const QString& title) {
      for (size_t k = 0; k < trend->Columns().size(); ++k)
        if (trend->Columns()[k].title == title) return trend->ValueAxis(k);
      return static_cast<QCPAxis*>(nullptr);
    };
    QVERIFY(axisOf("Total Power Wide") != nullptr);
    QCOMPARE(axisOf("Total Power Wide"), axisOf("Total Volt Amps Wide"));
    QCOMPARE(pane->TrendNote(), QString());
    tick({"Average Current Wide"});
    QCOMPARE(trend->Columns().size(), size_t(5));
    QVERIFY(!ticked("Average Current Wide"));
    QCOMPARE(pane->TrendNote(), QStringLiteral("Not drawn: Average Current Wide (a trend has four "
                                               "value axes at most; W, VA and var share one)."));
    emit app.GetView()->PlotColumnRequested(ColumnIdByTitle(app.GetView(), "Phase A Volts THD"),
                                            true);
    pane->DrawPending();
    QCOMPARE(trend->Columns().size(), size_t(5));
    QVERIFY(!ticked("Phase A Volts THD"));
    QVERIFY(pane->TrendNote().startsWith(QLatin1String("Not drawn: Phase A Volts THD (")));
    emit app.GetView()->PlotColumnRequested(ColumnIdByTitle(app.GetView(), "Total VARs Wide"),
                                            true);
    pane->DrawPending();
    QCOMPARE(trend->Columns().size(), size_t(6));  // var joins W and VA
    QVERIFY(ticked("Total VARs Wide"));
    QCOMPARE(pane->TrendNote(), QString());

    // The header's "Plot" command shows that column alone.
    emit app.GetView()->PlotColumnRequested(ColumnIdByTitle(app.GetView(), "Total VARs Wide"),
                                            false);
    pane->DrawPending();
    QCOMPARE(trend->Columns().size(), size_t(1));
    QCOMPARE(trend->yAxis->label(), QStringLiteral("Total VARs Wide (var)"));

    // View > Plots hides and shows the pane.
    app.GetMainFrame()->GetCommands().viewPlots->trigger();
    QVERIFY(app.GetMainFrame()->GetPlotDock()->isHidden());
    app.GetMainFrame()->GetCommands().viewPlots->trigger();
    QVERIFY(!app.GetMainFrame()->GetPlotDock()->isHidden());
  }

  void spectrumBarsAreTheRowsCells() {
    const QString path = WriteSample(QStringLiteral("plot-spectrum.57x"), 4, 6);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(1);
    app.GetView()->SelectRow(3);
    pane->DrawPending();
    SpectrumPlot* spectrum = pane->Spectrum();
    QCOMPARE(Child<QComboBox>(pane, "spectrumChannel")->count(), 7);  // All and six
    const QVector<double> percent = spectrum->BarValues(2);           // Phase B Volts
    QCOMPARE(percent.size(), 50);
    const double fundamental = CellByTitle(app, 3, "Phase B Volts Fund");
    QCOMPARE(percent[0], 100.0);
    QCOMPARE(percent[6], 100 * CellByTitle(app, 3, "Phase B Volts Harm 7") / fundamental);
    QVERIFY(spectrum->TitleText().contains(
        QString::number(CellByTitle(app, 3, "Phase B Volts THD"), 'f', 2)));

    Child<QCheckBox>(pane, "spectrumPercent")->setChecked(false);
    const QVector<double> absolute = spectrum->BarValues(5);  // Phase C Current
    QCOMPARE(absolute[0], CellByTitle(app, 3, "Phase C Current Fund"));
    QCOMPARE(absolute[49], CellByTitle(app, 3, "Phase C Current Harm 50"));
    QVERIFY(spectrum->yAxis2->visible());  // volts and amperes apart

    // One channel alone.
    Child<QComboBox>(pane, "spectrumChannel")->setCurrentIndex(1);
    spectrum->SetChannel(0);
    QVERIFY(spectrum->BarValues(1).isEmpty());
    QCOMPARE(spectrum->BarValues(0).size(), 50);
  }

  void waveformAndPhasorsOfTheCurrentRecord() {
    const QString wavePath = WriteSample(QStringLiteral("plot-wave.57x"), 3, 4);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, wavePath));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    QVERIFY(Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(2) &&
            !Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(3));
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(2);
    app.GetView()->SelectRow(2);
    pane->DrawPending();
    WaveformPlot* wave = pane->Waveform();
    QCOMPARE(wave->graphCount(), 2);
    const uint8_t* record = app.GetDocument().GetRecord(2);
    for (int i : {0, 100, 239}) {
      QCOMPARE(wave->graph(0)->data()->at(i)->value, double(int8_t(record[1103 + i])));
      QCOMPARE(wave->graph(1)->data()->at(i)->value, double(int8_t(record[1343 + i])));
    }
    QVERIFY(wave->TitleText().startsWith(QStringLiteral("Waveform, record 2")));

    const QString vectorPath = WriteSample(QStringLiteral("plot-vector.57x"), 5, 4, 256);
    QVERIFY(app.OpenDocumentFile(vectorPath));
    QVERIFY(Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(3) &&
            !Child<QTabWidget>(pane, "plotTabs")->isTabEnabled(1));
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(3);
    app.GetView()->SelectRow(1);
    pane->DrawPending();
    const QString table = pane->Phasor()->TableText();
    QVERIFY2(table.contains(QString::number(CellByTitle(app, 1, "Phase B Current"), 'f', 3)),
             qPrintable(table));
    QCOMPARE(pane->Phasor()->Phasors().phasors[1].angle,
             CellByTitle(app, 1, "Phase B Volts Phase"));
  }

  // The time axis, the read-out and the record titles write a time as the table does, also
  // for a year below 1000, and all follow a change of style.
  void timesReadAsTheTableWritesThem() {
    SampleLogOptions options;
    options.logType = 2;
    options.records = 30;
    options.year = 999;
    const QString path = WriteSample(QStringLiteral("plot-year-999.57x"), options);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    TrendPlot* trend = pane->Trend();
    trend->replot();
    const QRegularExpression tableTick(QStringLiteral("^\\d\\d-\\d\\d-999\n\\d\\d:\\d\\d:\\d\\d$"));
    QVERIFY(!trend->xAxis->tickVectorLabels().isEmpty());
    for (const QString& label : trend->xAxis->tickVectorLabels())
      QVERIFY2(tableTick.match(label).hasMatch(), qPrintable(label));
    std::string cell;
    GetCellText(app.GetDocument(), 4, kTimeColumn, cell);
    QCOMPARE(cell, std::string("03-07-999 14:09:09"));
    const int x = int(std::lround(trend->xAxis->coordToPixel(trend->Axis().times[4])));
    QTest::mouseMove(trend, QPoint(x, trend->axisRect()->center().y()));
    QTRY_VERIFY(trend->ReadOut().startsWith(QStringLiteral("Record 4, 03-07-999 14:09:09\n")));

    // View > Date Format: the axis and the read-out follow at once.
    SetDateFormat(TimeStyle::kIsoSpace);
    trend->replot();
    for (const QString& label : trend->xAxis->tickVectorLabels())
      QVERIFY2(label.startsWith(QLatin1String("0999-03-")), qPrintable(label));
    QVERIFY(trend->ReadOut().startsWith(QStringLiteral("Record 4, 0999-03-07 14:09:09\n")));
    SetDateFormat(TimeStyle::kLocale);
    QVERIFY(trend->ReadOut().startsWith(
        QStringLiteral("Record 4, ") +
        RecordTimeText(SecondsFromClockTime({999, 3, 7, 14, 9, 9}), TimeStyle::kLocale)));

    // The other plots' titles at their next drawing.
    SetDateFormat(TimeStyle::kTable);
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(1);
    app.GetView()->SelectRow(4);
    pane->DrawPending();
    QVERIFY(pane->Spectrum()->TitleText().contains(QLatin1String("record 4 (03-07-999 14:09:09)")));
    SetDateFormat(TimeStyle::kIsoSpace);
    pane->DrawPending();
    QVERIFY(pane->Spectrum()->TitleText().contains(QLatin1String("(0999-03-07 14:09:09)")));
  }

  void aLogWithoutTimesOrWithShortRecordsGetsMessagesNotCrashes() {
    SampleLogOptions options;
    options.logType = 4;
    options.records = 5;
    options.year = 50;  // before the calendar's first year: no record has a valid time
    const QString path = WriteSample(QStringLiteral("plot-no-times.57x"), options);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    QCOMPARE(pane->Trend()->Message(),
             QStringLiteral("No record of this log has a valid time stamp."));
    pane->Trend()->ResetView();
    const int before = CurrentRow(app.GetView());
    QTest::mouseClick(pane->Trend(), Qt::LeftButton, Qt::NoModifier, QPoint(300, 100));
    QCOMPARE(CurrentRow(app.GetView()), before);  // no record to pick
    // The other plots do not need the time.
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(3);
    pane->DrawPending();
    QVERIFY(pane->Phasor()->Message().isEmpty());
    QCOMPARE(pane->Phasor()->Phasors().phasors.size(), size_t(6));

    // Records shorter than their layout: the values they lack are drawn as nothing.
    SampleLogOptions shortRecords;
    shortRecords.logType = 2;
    shortRecords.records = 3;
    shortRecords.recordSize = 700;  // the harmonic table ends at 1103
    const QString shortPath = WriteSample(QStringLiteral("plot-short.57x"), shortRecords);
    QVERIFY(app.OpenDocumentFile(shortPath));
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(1);
    pane->DrawPending();
    QCOMPARE(pane->Spectrum()->BarValues(0).size(), 50);
    pane->Spectrum()->ResetView();
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(0);
    pane->DrawPending();
    QCOMPARE(pane->Trend()->SeriesCount(), 2);

    // Records that end before any measured value: a trend with nothing to draw says so.
    shortRecords.logType = 1;
    shortRecords.recordSize = 60;
    QVERIFY(app.OpenDocumentFile(WriteSample(QStringLiteral("plot-no-values.57x"), shortRecords)));
    pane->DrawPending();
    QCOMPARE(pane->Trend()->Message(),
             QStringLiteral("Nothing to draw: no record with a valid time stamp holds a number in "
                            "Frequency, Ch1 Mag Wide."));
    QCOMPARE(pane->Trend()->SeriesCount(), 0);
  }

  void imagesAreSavedAtTheSizeAskedFor() {
    const QString path = WriteSample(QStringLiteral("plot-save.57x"), 2, 5);
    CMeterlog2App app;
    QVERIFY(OpenShown(app, path));
    TrendPlot* trend = Child<PlotPane>(app.GetMainFrame(), "plotPane")->Trend();
    QString error;
    const QString png = ScratchDir() + QStringLiteral("/trend.png");
    QVERIFY2(trend->SaveImage(png, QSize(640, 360), path, error), qPrintable(error));
    QCOMPARE(QImage(png).size(), QSize(640, 360));
    const QString pdf = ScratchDir() + QStringLiteral("/trend.pdf");
    QVERIFY2(trend->SaveImage(pdf, QSize(), path, error), qPrintable(error));
    QVERIFY(ReadAll(pdf).startsWith("%PDF"));
    // Never onto the open log, and only the two formats.
    QVERIFY(!trend->SaveImage(path.chopped(4) + QStringLiteral(".57x"), QSize(), path, error));
    QVERIFY(error.contains(QLatin1String(".png or .pdf")));
    const QString linkToLog = ScratchDir() + QStringLiteral("/log-as.png");
    QFile::link(path, linkToLog);
    QVERIFY(!trend->SaveImage(linkToLog, QSize(), path, error));
    QVERIFY(error.contains(QLatin1String("being read")));
    QCOMPARE(ReadAll(path).size(), QFileInfo(path).size());
    QVERIFY(!trend->SaveImage(ScratchDir() + QStringLiteral("/no/such/dir/x.png"), QSize(), path,
                              error));
    QVERIFY(error.contains(QLatin1String("x.png")));
  }
};

REGISTER_GUI_TEST(PlotTest);
#include "plot_test.moc"
