// Tools > Assess Supply Quality: the same result as `meterlog2-cli assess` on the same log, the
// inferred Un and Fn, failures first and the failures-only filter, the chosen criterion drawn
// with its limits, Copy, the byte order followed, and the spectrum's EN 50160 markers.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "assess/AssessmentWriters.h"
#include "assessment/AssessmentTableModel.h"
#include "assessment/AssessmentView.h"
#include "log/LogTypes.h"
#include "plot/CriterionPlot.h"
#include "plot/PlotPane.h"
#include "plot/SpectrumPlot.h"
#include "view/CMeterlog2View.h"

namespace {

QString FailingSurvey() {
  return WriteFailingSurvey(QStringLiteral("assess-fail.57x"));
}

// Opens `path` and Tools > Assess Supply Quality; nullptr when either fails.
AssessmentView* OpenAssessment(CMeterlog2App& app, const QString& path) {
  if (!app.InitInstance({path}, false)) return nullptr;
  QAction* assess = app.GetMainFrame()->GetCommands().assess;
  if (!assess->isEnabled()) return nullptr;
  assess->trigger();
  return app.GetAssessmentView();
}

// What `meterlog2-cli assess ARGS` writes on standard output.
QByteArray Cli(const QStringList& arguments) {
  QProcess cli;
  cli.start(QStringLiteral(METERLOG2_CLI_PATH), QStringList{QStringLiteral("assess")} + arguments);
  if (!cli.waitForFinished(60000) || cli.exitCode() != 0) return {};
  return cli.readAllStandardOutput();
}

}  // namespace

class AssessmentTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ClearSettings();
    TakeMessages();
  }

  void theSameResultAsTheCommandLine() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QVERIFY(view->Result() != nullptr);
    const QByteArray desktop = QByteArray::fromStdString(assess::AssessmentJson(*view->Result()));
    QCOMPARE(desktop, Cli({QStringLiteral("--format"), QStringLiteral("json"), path}));
    // With the current limits and a given Un as well.
    view->NominalVoltage()->setText(QStringLiteral("220"));
    emit view->NominalVoltage()->textEdited(QStringLiteral("220"));
    view->ShortCircuitCurrent()->setText(QStringLiteral("2500"));
    QVERIFY(view->Assess());
    QCOMPARE(QByteArray::fromStdString(assess::AssessmentJson(*view->Result())),
             Cli({QStringLiteral("--format"), QStringLiteral("json"),
                  QStringLiteral("--nominal-voltage"), QStringLiteral("220"),
                  QStringLiteral("--isc"), QStringLiteral("2500"), path}));
    QCOMPARE(view->NominalVoltageSource()->text(), QStringLiteral("given"));
    QVERIFY(TakeMessages().isEmpty());
  }

  void inferredValuesFailuresFirstAndTheChosenCriterionsLimits() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QCOMPARE(view->NominalVoltage()->text(), QStringLiteral("230"));
    QCOMPARE(view->NominalVoltageSource()->text(), QStringLiteral("inferred"));
    QCOMPARE(view->NominalFrequency()->currentText(), QStringLiteral("50"));
    QCOMPARE(view->NominalFrequencySource()->text(), QStringLiteral("inferred"));
    QVERIFY(view->Summary()->text().contains(QLatin1String("FAIL")));

    AssessmentTableModel* model = view->Model();
    const int all = model->rowCount();
    QCOMPARE(size_t(all), view->Result()->criteria.size());
    QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("fail"));
    QCOMPARE(model->data(model->index(0, 1), Qt::DisplayRole).toString(),
             QStringLiteral("en50160.harmonic.9.a"));
    QCOMPARE(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
             VerdictColor(assess::Verdict::kFail));
    QCOMPARE(model->data(model->index(all - 1, 0), Qt::DisplayRole).toString(),
             QStringLiteral("not assessed"));
    view->FailuresOnly()->setChecked(true);
    QCOMPARE(model->rowCount(), 3);  // harmonic 9 of phases a, b and c
    QVERIFY(!view->ChooseCriterion(QStringLiteral("en50160.voltage.a")));
    view->FailuresOnly()->setChecked(false);
    QCOMPARE(model->rowCount(), all);

    // The chosen criterion drawn with its limits: the voltage's two bands.
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.voltage.b")));
    CriterionPlot* plot = view->Plot();
    QCOMPARE(plot->PointCount(), int(view->Result()->survey.windows));
    QCOMPARE(plot->LimitLines(), (QVector<double>{207, 253, 195.5, 253}));
    QVERIFY(plot->TitleText().contains(QLatin1String("en50160.voltage.b (pass)")));
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.harmonic.9.c")));
    QCOMPARE(plot->LimitLines(), QVector<double>{1.5});
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.frequency")));
    QCOMPARE(plot->PointCount(), 300);  // one value a record
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.flicker")));
    QCOMPARE(plot->PointCount(), 0);
    QVERIFY(plot->TitleText().contains(QLatin1String("flicker")));

    // Copy: the rows shown, TAB separated, as the core writes them.
    view->FailuresOnly()->setChecked(true);
    const QString text = view->CopyText();
    QCOMPARE(text.count(QStringLiteral("\r\n")), 4);
    QVERIFY(text.startsWith(QLatin1String("standard\tid\tquantity")));
    QVERIFY(text.contains(QLatin1String("\ten50160.harmonic.9.b\t")));
  }

  void theAssessmentFollowsTheDataFormatAndTheLog() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    const std::string before = assess::AssessmentJson(*view->Result());
    app.OnDataFormat(kDataFormat0100);  // the floats read reversed: nonsense values
    QVERIFY(view->Result() != nullptr);
    QVERIFY(assess::AssessmentJson(*view->Result()) != before);
    app.OnDataFormatRevert();
    QCOMPARE(assess::AssessmentJson(*view->Result()), before);

    // Another log: a passing 60 Hz one; Un and Fn inferred afresh.
    SampleLogOptions options;
    options.logType = kHarmonicLog;
    options.records = 200;
    options.mainsHz = 60;
    QVERIFY(app.OpenDocumentFile(WriteSample(QStringLiteral("assess-60.57x"), options)));
    QCOMPARE(view->NominalVoltage()->text(), QStringLiteral("120"));
    QCOMPARE(view->NominalFrequency()->currentText(), QStringLiteral("60"));
    QCOMPARE(view->Result()->verdict, assess::Verdict::kPass);
    app.OnFileNew();
    QVERIFY(view->Result() == nullptr);
    QVERIFY(!app.GetMainFrame()->GetCommands().assess->isEnabled());
  }

  void refusedChoicesAreSaid() {
    const QString path = WriteSample(QStringLiteral("assess-std.57x"), kStandardLog, 30);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    view->ShortCircuitCurrent()->setText(QStringLiteral("-5"));
    QVERIFY(!view->Assess());
    QVERIFY(TakeMessages().join(' ').contains(QLatin1String("Isc")));
    view->ShortCircuitCurrent()->clear();
    view->En50160Choice()->setChecked(false);
    view->Ieee519Choice()->setChecked(false);
    QVERIFY(!view->Assess());
    QVERIFY(TakeMessages().join(' ').contains(QLatin1String("standard")));
    view->Ieee519Choice()->setChecked(true);
    QVERIFY(view->Assess());
    for (const assess::Criterion& c : view->Result()->criteria) QVERIFY(c.standard != "en50160");
  }

  void spectrumCarriesTheEnLimitsForVoltages() {
    const QString path = WriteSample(QStringLiteral("assess-spectrum.57x"), kHarmonicLog, 5);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    app.GetMainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainFrame()));
    PlotPane* pane = app.GetPlotPane();
    pane->Tabs()->setCurrentIndex(1);
    app.GetView()->SelectRow(0);
    pane->DrawPending();
    SpectrumPlot* spectrum = pane->Spectrum();
    const QVector<QPair<double, double>> markers = spectrum->LimitMarkers();
    QCOMPARE(markers.size(), 24);  // harmonics 2 to 25
    QCOMPARE(markers[0], (QPair<double, double>(2, 2)));
    QCOMPARE(markers[3], (QPair<double, double>(5, 6)));
    QCOMPARE(markers[13], (QPair<double, double>(15, 0.5)));
    spectrum->SetChannel(1);  // channel 2 measures a current: no voltage limits
    QVERIFY(spectrum->LimitMarkers().isEmpty());
    spectrum->SetChannel(0);
    spectrum->SetPercent(false);  // absolute magnitudes: the limits are percentages
    QVERIFY(spectrum->LimitMarkers().isEmpty());
  }
};

REGISTER_GUI_TEST(AssessmentTest);
#include "assessment_test.moc"
