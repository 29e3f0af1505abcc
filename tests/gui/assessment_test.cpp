// Tools > Assess Supply Quality: the same result, words and numbers as `meterlog2-cli assess` on
// the same log and choices (no Un, a declared one, a connection, 60 Hz with ANSI C84.1); Un
// empty on opening with the records' suggestion one click away; Un typed with its unit; the
// standards following Fn until chosen; no verdict for data that cannot be a supply; the new
// controls reached by keyboard; failures first and the failures-only filter; the chosen
// criterion drawn with its limits, periods and gaps; Copy; the byte order followed; and the
// spectrum's EN 50160 markers.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "assess/AssessmentWriters.h"
#include "assessment/AssessmentChoices.h"
#include "assessment/AssessmentSummary.h"
#include "assessment/AssessmentTableModel.h"
#include "assessment/AssessmentView.h"
#include "log/LogTypes.h"
#include "plot/CriterionPlot.h"
#include "plot/SpectrumPlot.h"
#include "plotpane/PlotPane.h"
#include "view/CMeterlog2View.h"

using meterlog2::plotpane::PlotPane;

namespace {

QString FailingSurvey() {
  return WriteFailingSurvey(QStringLiteral("assess-fail.57x"));
}

// Writes the bytes of a log under the scratch folder and returns its path.
QString WriteBytes(const QString& name, const std::vector<uint8_t>& bytes) {
  const QString path = QDir(ScratchDir()).filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(reinterpret_cast<const char*>(bytes.data()),
                                                     qint64(bytes.size())) != qint64(bytes.size()))
    qFatal("could not write %s", qPrintable(path));
  return path;
}

// Records `from` to `to` (excluded) of the log `bytes` made with `options`, made again with
// `other`.
void Replace(std::vector<uint8_t>& bytes, const SampleLogOptions& options,
             const SampleLogOptions& other, unsigned from, unsigned to) {
  const size_t size = MakeSampleRecord(options, 0).size();
  for (unsigned i = from; i < to; ++i) {
    const std::vector<uint8_t> record = MakeSampleRecord(other, i);
    std::copy(record.begin(), record.end(), bytes.begin() + 12 + options.headerSize + i * size);
  }
}

// Three Phase Tabular records a minute apart from 2009-03-07 14:00.
SampleLogOptions Minutes(unsigned records) {
  SampleLogOptions options;
  options.logType = kThreePhaseTabularLog;
  options.records = records;
  options.minute = options.second = 0;
  return options;
}

// `before` records, then a hole of `gapDays` days, then `after` records.
QString SurveyWithGap(const QString& name, unsigned before, int gapDays, unsigned after) {
  const SampleLogOptions options = Minutes(before + after);
  std::vector<uint8_t> bytes = MakeSampleLog(options);
  SampleLogOptions later = options;
  later.day += gapDays;
  Replace(bytes, options, later, before, before + after);
  return WriteBytes(name, bytes);
}

// `days` days in which records `from` to `from + count` hold `percent` % of the 5th voltage
// harmonic.
QString SurveyWithBurst(const QString& name, unsigned days, unsigned from, unsigned count,
                        double percent) {
  const SampleLogOptions options = Minutes(days * 1440);
  std::vector<uint8_t> bytes = MakeSampleLog(options);
  SampleLogOptions burst = options;
  burst.distortedHarmonic = 5;
  burst.distortionPercent = percent;
  Replace(bytes, options, burst, from, from + count);
  return WriteBytes(name, bytes);
}

QString SixtyHertzService() {
  SampleLogOptions options;
  options.logType = kHarmonicLog;
  options.records = 200;
  options.mainsHz = 60;
  return WriteSample(QStringLiteral("assess-60.57x"), options);
}

// Opens `path` and Tools > Assess Supply Quality; nullptr when either fails.
AssessmentView* OpenAssessment(CMeterlog2App& app, const QString& path) {
  if (!app.InitInstance({path}, false)) return nullptr;
  QAction* assess = app.GetMainFrame()->GetCommands().assess;
  if (!assess->isEnabled()) return nullptr;
  assess->trigger();
  return app.GetMainFrame()->findChild<AssessmentView*>(QStringLiteral("assessmentView"));
}

struct CliRun {
  int status = -1;
  QByteArray out, err;
};

// `meterlog2-cli assess ARGS`.
CliRun RunCli(const QStringList& arguments) {
  QProcess cli;
  cli.start(QStringLiteral(METERLOG2_CLI_PATH), QStringList{QStringLiteral("assess")} + arguments);
  CliRun run;
  if (!cli.waitForFinished(60000)) return run;
  run.status = cli.exitCode();
  run.out = cli.readAllStandardOutput();
  run.err = cli.readAllStandardError();
  return run;
}

// What `meterlog2-cli assess ARGS` writes on standard output when it succeeds.
QByteArray Cli(const QStringList& arguments) {
  const CliRun run = RunCli(arguments);
  return run.status == 0 ? run.out : QByteArray();
}

// Types `text` into `edit` as a user does.
void TypeInto(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// The window against the command line's JSON and text for the same log and options: the same
// result; every row's verdict, and its value at the comparison's resolution; the summary's
// verdict sentence, inputs and coverage as the text output words them.
void CompareWithCli(AssessmentView* view, const QStringList& options, const QString& path) {
  QVERIFY(view->Result() != nullptr);
  const QByteArray json = Cli(QStringList{QStringLiteral("--format"), QStringLiteral("json")} +
                              options + QStringList{path});
  QVERIFY(!json.isEmpty());
  QCOMPARE(QByteArray::fromStdString(assess::AssessmentJson(*view->Result())), json);

  const QJsonObject cli = QJsonDocument::fromJson(json).object();
  QHash<QString, QJsonObject> criteria;
  for (const QJsonValue& c : cli[QStringLiteral("criteria")].toArray())
    criteria.insert(c[QStringLiteral("id")].toString(), c.toObject());
  AssessmentTableModel* model = view->Model();
  QCOMPARE(model->rowCount(), int(criteria.size()));
  for (int row = 0; row < model->rowCount(); ++row) {
    const auto cell = [&](int column) {
      return model->data(model->index(row, column), Qt::DisplayRole).toString();
    };
    const QJsonObject c = criteria.value(cell(AssessmentTableModel::kCriterion));
    QCOMPARE(cell(AssessmentTableModel::kVerdict), c[QStringLiteral("verdict")].toString());
    const QString verdict = c[QStringLiteral("verdict")].toString();
    if (c[QStringLiteral("value")].isNull()) {
      QCOMPARE(cell(AssessmentTableModel::kValue), QStringLiteral("-"));
    } else if (verdict == QLatin1String("pass") || verdict == QLatin1String("fail")) {
      // At the comparison's resolution: two decimals at most, the CLI's value rounded.
      const QString shown = cell(AssessmentTableModel::kValue).section(' ', 0, 0);
      QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+(\\.\\d{1,2})?$")).match(shown).hasMatch(),
               qPrintable(shown));
      QVERIFY2(std::abs(shown.toDouble() - c[QStringLiteral("value")].toDouble()) <= 0.005 + 1e-9,
               qPrintable(cell(AssessmentTableModel::kCriterion)));
    }
  }

  const QString text = QString::fromUtf8(Cli(options + QStringList{path}));
  const QString summary = view->Summary()->text();
  const QString verdictLine = text.section(QStringLiteral("Verdict: "), 1).section('\n', 0, 0);
  const QString word = verdictLine.section(' ', 0, 0);
  QCOMPARE(word.toLower(), cli[QStringLiteral("verdict")].toString());
  QVERIFY2(summary.contains(QStringLiteral(">%1<").arg(word)), qPrintable(summary));
  const QString sentence = verdictLine.section('(', 1).chopped(1);
  QVERIFY2(summary.contains(sentence.toHtmlEscaped()), qPrintable(sentence));
  for (const QString& line : text.split('\n')) {
    if (line.startsWith(QLatin1String("  Un = ")) || line.startsWith(QLatin1String("  Coverage: ")))
      QVERIFY2(summary.contains(line.trimmed().toHtmlEscaped()), qPrintable(line));
  }
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
    // Un not declared: incomplete.
    CompareWithCli(view, {}, path);
    QCOMPARE(view->Result()->verdict, assess::Verdict::kIncomplete);
    // A declared Un and Isc.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("220"));
    Child<QLineEdit>(view, "shortCircuitCurrent")->setText(QStringLiteral("2500"));
    QVERIFY(view->Assess());
    CompareWithCli(view,
                   {QStringLiteral("--nominal-voltage"), QStringLiteral("220"),
                    QStringLiteral("--isc"), QStringLiteral("2500")},
                   path);
    QCOMPARE(Child<QLabel>(view, "nominalVoltageSource")->text(), QStringLiteral("declared"));
    // Un between phases typed in kV, for a delta connection.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("0.4 kV"));
    Child<QComboBox>(view, "connection")
        ->setCurrentIndex(Child<QComboBox>(view, "connection")->findText(QStringLiteral("delta")));
    Child<QLineEdit>(view, "shortCircuitCurrent")->clear();
    QVERIFY(view->Assess());
    CompareWithCli(view,
                   {QStringLiteral("--nominal-voltage"), QStringLiteral("400"),
                    QStringLiteral("--connection"), QStringLiteral("delta")},
                   path);
    QVERIFY(TakeMessages().isEmpty());
  }

  void sixtyHertzJudgedWithAnsiByDefaultUntilStandardsAreChosen() {
    const QString path = SixtyHertzService();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QCOMPARE(Child<QComboBox>(view, "nominalFrequency")->currentText(), QStringLiteral("60"));
    QVERIFY(!Child<QCheckBox>(view, "en50160")->isChecked());
    QVERIFY(Child<QCheckBox>(view, "ieee519")->isChecked());
    QVERIFY(Child<QCheckBox>(view, "ansiC84")->isChecked());
    QCOMPARE(Child<QLabel>(view, "standardsSource")->text(),
             QStringLiteral("the defaults for 60 Hz"));
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("120"));
    QVERIFY(view->Assess());
    QVERIFY(!view->Options().standards.has_value());
    CompareWithCli(view, {QStringLiteral("--nominal-voltage"), QStringLiteral("120")}, path);
    QVERIFY(view->Result()->FindCriterion("ansi_c84_1.voltage.ch1") != nullptr);

    // EN 50160 asked for as well: the chosen set, as --standard gives it.
    Child<QCheckBox>(view, "en50160")->click();
    QCOMPARE(Child<QLabel>(view, "standardsSource")->text(), QStringLiteral("as chosen"));
    QVERIFY(view->Assess());
    CompareWithCli(
        view,
        {QStringLiteral("--nominal-voltage"), QStringLiteral("120"), QStringLiteral("--standard"),
         QStringLiteral("en50160"), QStringLiteral("--standard"), QStringLiteral("ieee519"),
         QStringLiteral("--standard"), QStringLiteral("ansi_c84_1")},
        path);

    // A 50 Hz log afterwards starts with its own defaults; Fn chosen moves them along.
    QVERIFY(app.OpenDocumentFile(FailingSurvey()));
    QVERIFY(Child<QCheckBox>(view, "en50160")->isChecked() &&
            !Child<QCheckBox>(view, "ansiC84")->isChecked());
    QCOMPARE(Child<QLabel>(view, "standardsSource")->text(),
             QStringLiteral("the defaults for 50 Hz"));
    QComboBox* fn = Child<QComboBox>(view, "nominalFrequency");
    fn->setFocus();
    QTest::keyClick(fn, Qt::Key_Down);  // 60, as the keyboard chooses it
    QCOMPARE(fn->currentText(), QStringLiteral("60"));
    QCOMPARE(Child<QLabel>(view, "nominalFrequencySource")->text(), QStringLiteral("given"));
    QVERIFY(!Child<QCheckBox>(view, "en50160")->isChecked() &&
            Child<QCheckBox>(view, "ansiC84")->isChecked());
    QVERIFY(view->Assess());
    QVERIFY(!view->Options().standards.has_value());
    QVERIFY(view->Result()->survey.standards.ansiC84);
  }

  void unStartsEmptyAndTheSuggestionIsOneClickAway() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QVERIFY(Child<QLineEdit>(view, "nominalVoltage")->text().isEmpty());
    QCOMPARE(Child<QLabel>(view, "nominalVoltageSource")->text(), QStringLiteral("not declared"));
    const assess::AssessmentResult* r = view->Result();
    QVERIFY(!r->survey.nominalVoltage.has_value());
    const assess::Criterion* voltage = r->FindCriterion("en50160.voltage.a");
    QCOMPARE(voltage->verdict, assess::Verdict::kNotAssessed);
    QCOMPARE(voltage->missingInput, std::string("nominal_voltage"));
    // INCOMPLETE, in amber rather than the colour of a pass.
    const QString summary = view->Summary()->text();
    QVERIFY(summary.contains(QLatin1String(">INCOMPLETE<")));
    QVERIFY(summary.contains(SurveyVerdictColor(assess::Verdict::kIncomplete).name()));
    QVERIFY(!summary.contains(SurveyVerdictColor(assess::Verdict::kPass).name()));
    QVERIFY(SurveyVerdictColor(assess::Verdict::kIncomplete) !=
            SurveyVerdictColor(assess::Verdict::kPass));
    // The rows that want Un say so.
    AssessmentTableModel* model = view->Model();
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.voltage.a")));
    const int row = Child<QTableView>(view, "criteria")->currentIndex().row();
    QVERIFY(model->data(model->index(row, AssessmentTableModel::kNote), Qt::DisplayRole)
                .toString()
                .startsWith(QLatin1String("declare the nominal voltage Un")));

    QPushButton* use = Child<QPushButton>(view, "useSuggestion");
    QVERIFY(!use->isHidden());
    QCOMPARE(Child<QLabel>(view, "suggestion")->text(),
             QStringLiteral("the records suggest 230 V"));
    use->click();
    QCOMPARE(Child<QLineEdit>(view, "nominalVoltage")->text(), QStringLiteral("230"));
    QCOMPARE(*view->Result()->survey.nominalVoltage, 230.0);
    QCOMPARE(view->Result()->verdict, assess::Verdict::kFail);
    QVERIFY(use->isHidden());  // nothing more to suggest
    CompareWithCli(view, {QStringLiteral("--nominal-voltage"), QStringLiteral("230")}, path);

    // Another Un shows the suggestion again; another connection hides it until assessed, for
    // what the records suggest depends on it.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("220"));
    QVERIFY(!use->isHidden());
    Child<QComboBox>(view, "connection")
        ->setCurrentIndex(
            Child<QComboBox>(view, "connection")->findText(QStringLiteral("split-phase")));
    QVERIFY(use->isHidden());
    QVERIFY(view->Assess());
    QVERIFY(!use->isHidden());

    // Reopened, the log starts without Un and with wye again.
    QVERIFY(app.OpenDocumentFile(path));
    QVERIFY(Child<QLineEdit>(view, "nominalVoltage")->text().isEmpty());
    QCOMPARE(Child<QComboBox>(view, "connection")->currentText(), QStringLiteral("wye"));
    QVERIFY(!view->Result()->survey.nominalVoltage.has_value());
    QVERIFY(TakeMessages().isEmpty());
  }

  void unTypedWithItsUnit() {
    const struct {
      const char* text;
      double volts;  // 0: refused
    } cases[] = {
        {"230", 230},     {" 240V ", 240},  {"240 v", 240},  {"0.4 kV", 400}, {"0.4kv", 400},
        {"11 KV", 11000}, {"4e-1 kV", 400}, {"1e3 V", 1000}, {"", 0},         {"V", 0},
        {"kV", 0},        {"230 A", 0},     {"230 VAC", 0},  {"230,5", 0},    {"-230 V", 0},
        {"0 kV", 0},      {"2000 kV", 0},   {"230 k V", 0},  {"230 mV", 0},   {"inf", 0},
    };
    for (const auto& c : cases) {
      const std::optional<double> volts = NominalVoltageFromText(QString::fromLatin1(c.text));
      QVERIFY2(volts.has_value() == (c.volts > 0), c.text);
      if (volts) QCOMPARE(*volts, c.volts);
    }

    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("240V"));
    QCOMPARE(Child<QLabel>(view, "nominalVoltageSource")->text(),
             QStringLiteral("240 V, declared"));
    QVERIFY(view->Assess());
    QCOMPARE(view->Options().nominalVoltage, std::optional<double>(240));
    // Refused at once, beside the field, and by Assess with the last result kept.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230 A"));
    QVERIFY(Child<QLabel>(view, "nominalVoltageSource")
                ->text()
                .startsWith(QLatin1String("not a voltage")));
    QVERIFY(
        Child<QLabel>(view, "nominalVoltageSource")->styleSheet().contains(QLatin1String("color")));
    QVERIFY(!view->Assess());
    QVERIFY(TakeMessages().join(' ').contains(QLatin1String("Un")));
    QCOMPARE(view->Options().nominalVoltage, std::optional<double>(240));
    QVERIFY(view->Result() != nullptr);
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("0.4 kV"));
    QVERIFY(view->Assess());
    QCOMPARE(view->Options().nominalVoltage, std::optional<double>(400));
  }

  void dataThatCannotBeASupplyGetsNoVerdict() {
    const QString path = WriteSample(QStringLiteral("assess-std.57x"), kStandardLog, 300);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QVERIFY(view->Result() != nullptr);
    const std::string before = assess::AssessmentJson(*view->Result());
    app.OnDataFormat(kDataFormat0100);  // the floats read reversed
    QVERIFY(view->Result() == nullptr);
    QCOMPARE(view->Failure(), assess::AssessFailure::kImplausible);
    const CliRun cli = RunCli({QStringLiteral("--data-format"), QStringLiteral("256"), path});
    QCOMPARE(cli.status, 2);
    const QString message =
        QString::fromUtf8(cli.err).trimmed().remove(QStringLiteral("meterlog2-cli: "));
    QVERIFY(message.contains(QLatin1String("data format")));
    const QString summary = view->Summary()->text();
    QVERIFY2(summary.contains(message.toHtmlEscaped()), qPrintable(summary));
    for (const char* verdict : {"PASS", "FAIL", "INCOMPLETE"})
      QVERIFY(!summary.contains(QLatin1String(verdict)));
    QCOMPARE(view->Model()->rowCount(), 0);
    QVERIFY(!view->Plot()->Message().isEmpty());
    QVERIFY(!Child<QPushButton>(view, "saveReport")->isEnabled());
    QVERIFY(!view->SaveReport());
    QVERIFY(TakeMessages().join(' ').contains(message));
    app.OnDataFormatRevert();
    QCOMPARE(assess::AssessmentJson(*view->Result()), before);
  }

  void theNewControlsAreReachedByKeyboard() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QVERIFY(QTest::qWaitForWindowActive(view));
    QTest::keyClick(view, Qt::Key_T, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Child<QComboBox>(view, "connection"));
    QTest::keyClick(view, Qt::Key_N, Qt::AltModifier);
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(view, "nominalVoltage"));
    // Tab from Un reaches the suggestion, Space takes it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Child<QPushButton>(view, "useSuggestion"));
    QTest::keyClick(Child<QPushButton>(view, "useSuggestion"), Qt::Key_Space);
    QCOMPARE(Child<QLineEdit>(view, "nominalVoltage")->text(), QStringLiteral("230"));
    QCOMPARE(view->Result()->verdict, assess::Verdict::kFail);
    // ... and on to the connection.
    QCOMPARE(QApplication::focusWidget(), Child<QLineEdit>(view, "nominalVoltage"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), Child<QComboBox>(view, "connection"));
    // Alt+8 toggles ANSI C84.1, Alt+D opens the details (a mnemonic clicks after a moment).
    QTest::keyClick(view, Qt::Key_8, Qt::AltModifier);
    QTRY_VERIFY(Child<QCheckBox>(view, "ansiC84")->isChecked());
    QCOMPARE(Child<QLabel>(view, "standardsSource")->text(), QStringLiteral("as chosen"));
    QTest::keyClick(view, Qt::Key_D, Qt::AltModifier);
    QTRY_VERIFY(Child<QPlainTextEdit>(view, "details")->isVisible());
    // Back to an empty Un, then the suggestion by its mnemonic.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QString());
    QVERIFY(view->Assess());
    QTest::keyClick(view, Qt::Key_U, Qt::AltModifier);
    QTRY_COMPARE(Child<QLineEdit>(view, "nominalVoltage")->text(), QStringLiteral("230"));
    QVERIFY(view->Result()->survey.nominalVoltage.has_value());
  }

  void gapsCoverageAndPeriodsShownAndDrawn() {
    // Day 1 and day 7 of a week: a 5-day hole, 28.57 % coverage.
    const QString path = SurveyWithGap(QStringLiteral("assess-gap.57x"), 1440, 5, 1440);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230"));
    QVERIFY(view->Assess());
    CompareWithCli(view, {QStringLiteral("--nominal-voltage"), QStringLiteral("230")}, path);
    const assess::AssessmentResult& r = *view->Result();
    QCOMPARE(r.survey.gaps.size(), size_t(1));
    QVERIFY(r.indicative);
    const QString summary = view->Summary()->text();
    QVERIFY(summary.contains(QLatin1String(">indicative<")));
    QVERIFY(summary.contains(QLatin1String("below 90 %: week 1")));
    QVERIFY(summary.contains(QLatin1String("Gaps: 1, the longest 5 days")));
    QVERIFY(summary.contains(QString::fromStdString(r.indicativeNote).toHtmlEscaped()));
    const QString text =
        QString::fromUtf8(Cli({QStringLiteral("--nominal-voltage"), QStringLiteral("230"), path}));
    const QString details = Child<QPlainTextEdit>(view, "details")->toPlainText();
    QVERIFY(details.contains(QString::fromStdString(assess::SpanText(r.survey.gaps[0]))));
    QVERIFY(text.contains(QString::fromStdString(assess::SpanText(r.survey.gaps[0]))));
    QVERIFY(view->Summary()->toolTip().contains(QLatin1String("(5 days")));

    // Lines break at the hole: the 10-minute voltage and every record's frequency.
    CriterionPlot* plot = view->Plot();
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.voltage.a")));
    QCOMPARE(plot->PointCount(), int(r.survey.windows));
    QCOMPARE(plot->LineBreaks(), 1);
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.frequency")));
    QCOMPARE(plot->PointCount(), 2880);
    QCOMPARE(plot->LineBreaks(), 1);

    // A daily 99th percentile: the days drawn as steps against 1.5 x the table, no series.
    QVERIFY(view->ChooseCriterion(QStringLiteral("ieee519.voltage.harmonic.5.a.daily99")));
    const assess::Criterion* daily = r.FindCriterion("ieee519.voltage.harmonic.5.a.daily99");
    QCOMPARE(plot->PointCount(), 0);
    const QVector<double> days = plot->PeriodValues();
    QCOMPARE(days.size(), qsizetype(daily->periods.size()));
    QCOMPARE(days.size(), qsizetype(r.survey.days.size()));
    QCOMPARE(days.front(), *daily->periods.front().value);
    QVERIFY(std::isnan(days[2]));  // a day of the hole
    QCOMPARE(plot->LimitLines(), QVector<double>{7.5});
    // Its worst period named, every day in the tooltip.
    AssessmentTableModel* model = view->Model();
    const int row = Child<QTableView>(view, "criteria")->currentIndex().row();
    const QModelIndex worst = model->index(row, AssessmentTableModel::kWorstPeriod);
    QVERIFY(model->data(worst, Qt::DisplayRole).toString().startsWith(QLatin1String("day ")));
    QCOMPARE(model->data(worst, Qt::ToolTipRole).toString().count('\n') + 1, days.size());
  }

  void aDayWithOneHundredMinutesOfTheFifthHarmonicFails() {
    // Day 3 of four holds 100 minutes of 8 % (IEEE 519's daily 99th percentile: 7.5 %).
    const QString path =
        SurveyWithBurst(QStringLiteral("assess-burst.57x"), 4, 2 * 1440 + 600, 100, 8);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    Child<QPushButton>(view, "useSuggestion")->click();
    CompareWithCli(view, {QStringLiteral("--nominal-voltage"), QStringLiteral("230")}, path);
    QCOMPARE(view->Result()->verdict, assess::Verdict::kFail);
    AssessmentTableModel* model = view->Model();
    const auto cell = [&](int row, int column) {
      return model->data(model->index(row, column), Qt::DisplayRole).toString();
    };
    QCOMPARE(cell(0, AssessmentTableModel::kCriterion),
             QStringLiteral("ieee519.voltage.harmonic.5.a.daily99"));
    QCOMPARE(cell(0, AssessmentTableModel::kWorstPeriod), QStringLiteral("day 3"));
    QVERIFY(view->ChooseCriterion(QStringLiteral("ieee519.voltage.harmonic.5.a.daily99")));
    const QVector<double> days = view->Plot()->PeriodValues();
    QCOMPARE(days.size(), 4);
    for (int d = 0; d < 4; ++d) QCOMPARE(days[d] > 7.5, d == 2);
    // The weekly 95th percentile of the 10-minute values passes: the burst is too short.
    QCOMPARE(view->Result()->FindCriterion("ieee519.voltage.harmonic.5.a")->verdict,
             assess::Verdict::kPass);
  }

  void aLongInterruptionIsListedAndLeftOut() {
    // Two hours of records at 0.5 V in a day of a 230 V supply.
    const SampleLogOptions options = Minutes(1440);
    std::vector<uint8_t> bytes = MakeSampleLog(options);
    SampleLogOptions outage = options;
    outage.volts = 0.5;
    Replace(bytes, options, outage, 600, 720);
    const QString path = WriteBytes(QStringLiteral("assess-outage.57x"), bytes);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QVERIFY(view->Result()->survey.interruptions.empty());  // none without Un
    Child<QPushButton>(view, "useSuggestion")->click();
    CompareWithCli(view, {QStringLiteral("--nominal-voltage"), QStringLiteral("230")}, path);
    const assess::SurveyFacts& s = view->Result()->survey;
    QCOMPARE(s.interruptions.size(), size_t(1));
    QCOMPARE(s.windowsLeftOut, uint64_t(12));
    QVERIFY(view->Summary()->text().contains(
        QLatin1String("long interruptions: 1; windows left out: 12")));
    QVERIFY(Child<QPlainTextEdit>(view, "details")
                ->toPlainText()
                .contains(QString::fromStdString(assess::SpanText(s.interruptions[0]))));
    // The voltage's line breaks where the windows were left out.
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.voltage.a")));
    QCOMPARE(view->Plot()->PointCount(), 144 - 12);
    QCOMPARE(view->Plot()->LineBreaks(), 1);
  }

  void weeklyNinetyNinthAndRowsWithoutValues() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230"));
    Child<QLineEdit>(view, "shortCircuitCurrent")->setText(QStringLiteral("2500"));
    QVERIFY(view->Assess());
    const assess::AssessmentResult& r = *view->Result();
    // Weekly 99th percentile: the 10-minute values of the weekly row with its own limit.
    const assess::Criterion* weekly = r.FindCriterion("ieee519.current.harmonic.5.a.weekly99");
    QVERIFY(weekly != nullptr);
    QVERIFY(view->ChooseCriterion(QString::fromStdString(weekly->id)));
    CriterionPlot* plot = view->Plot();
    QCOMPARE(plot->PointCount(), int(r.survey.windows));
    QCOMPARE(plot->LimitLines(), QVector<double>{weekly->bands[0].high});
    QCOMPARE(plot->LimitLines().front(),
             1.5 * r.FindCriterion("ieee519.current.harmonic.5.a")->bands[0].high);
    QCOMPARE(plot->PeriodValues(), QVector<double>{*weekly->periods[0].value});
    // Not assessed, and informative without values over time: nothing drawn, and why.
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.flicker")));
    QCOMPARE(plot->PointCount(), 0);
    const QString message = QString(plot->Message()).replace('\n', ' ');
    QVERIFY(message.contains(QLatin1String("not assessed")));
    QVERIFY(message.contains(QString::fromStdString(r.FindCriterion("en50160.flicker")->note)));
    QVERIFY(view->ChooseCriterion(QStringLiteral("info.energy")));
    QVERIFY(plot->Message().contains(QLatin1String("no values over time")));
  }

  void failuresFirstAndTheChosenCriterionsLimits() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    QCOMPARE(Child<QComboBox>(view, "nominalFrequency")->currentText(), QStringLiteral("50"));
    QCOMPARE(Child<QLabel>(view, "nominalFrequencySource")->text(), QStringLiteral("inferred"));
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230"));
    QVERIFY(view->Assess());
    QVERIFY(view->Summary()->text().contains(QLatin1String(">FAIL<")));

    AssessmentTableModel* model = view->Model();
    const int all = model->rowCount();
    QCOMPARE(size_t(all), view->Result()->criteria.size());
    QCOMPARE(model->data(model->index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("fail"));
    QCOMPARE(model->data(model->index(0, 1), Qt::DisplayRole).toString(),
             QStringLiteral("en50160.harmonic.9.a"));
    QCOMPARE(model->data(model->index(0, AssessmentTableModel::kValue), Qt::DisplayRole).toString(),
             QStringLiteral("2 %"));
    QCOMPARE(model->data(model->index(0, 0), Qt::BackgroundRole).value<QColor>(),
             VerdictColor(assess::Verdict::kFail));
    QCOMPARE(model->data(model->index(all - 1, 0), Qt::DisplayRole).toString(),
             QStringLiteral("not assessed"));
    Child<QCheckBox>(view, "failuresOnly")->setChecked(true);
    QCOMPARE(model->rowCount(), 3);  // harmonic 9 of phases a, b and c
    QVERIFY(!view->ChooseCriterion(QStringLiteral("en50160.voltage.a")));
    Child<QCheckBox>(view, "failuresOnly")->setChecked(false);
    QCOMPARE(model->rowCount(), all);

    // The chosen criterion drawn with its limits: the voltage's two bands.
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.voltage.b")));
    CriterionPlot* plot = view->Plot();
    QCOMPARE(plot->PointCount(), int(view->Result()->survey.windows));
    QCOMPARE(plot->LineBreaks(), 0);
    QCOMPARE(plot->LimitLines(), (QVector<double>{207, 253, 195.5, 253}));
    QVERIFY(plot->PeriodValues().isEmpty());  // a share, not a value of the voltage
    QVERIFY(plot->TitleText().contains(QLatin1String("en50160.voltage.b (pass)")));
    QVERIFY(view->ChooseCriterion(QStringLiteral("en50160.harmonic.9.c")));
    QCOMPARE(plot->LimitLines(), QVector<double>{1.5});

    // Copy: the rows shown, TAB separated, as the core writes them.
    Child<QCheckBox>(view, "failuresOnly")->setChecked(true);
    const QString text = view->CopyText();
    QCOMPARE(text.count(QStringLiteral("\r\n")), 4);
    QVERIFY(text.startsWith(QLatin1String("standard\tid\tquantity")));
    QVERIFY(text.contains(QLatin1String("\ten50160.harmonic.9.b\t")));
  }

  void theAssessmentFollowsTheLog() {
    const QString path = FailingSurvey();
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    // Another log: a 60 Hz one; Fn inferred afresh, Un empty.
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230"));
    QVERIFY(app.OpenDocumentFile(SixtyHertzService()));
    QVERIFY(Child<QLineEdit>(view, "nominalVoltage")->text().isEmpty());
    QCOMPARE(Child<QComboBox>(view, "nominalFrequency")->currentText(), QStringLiteral("60"));
    QCOMPARE(view->Result()->verdict, assess::Verdict::kIncomplete);
    app.OnFileNew();
    QVERIFY(view->Result() == nullptr);
    QVERIFY(!app.GetMainFrame()->GetCommands().assess->isEnabled());
  }

  // A Three Phase Vector log read in its other byte order gets its vector layout's columns, but
  // it is the same log: the Un declared for it stays, and the assessment runs again with it.
  void theByteOrderKeepsTheDeclaredUn() {
    const QString path = WriteSample(QStringLiteral("assess-vector.57x"), kThreePhaseVectorLog, 30);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    TypeInto(Child<QLineEdit>(view, "nominalVoltage"), QStringLiteral("230"));
    QVERIFY(view->Assess());
    app.OnDataFormat(kDataFormat0100);
    QCOMPARE(Child<QLineEdit>(view, "nominalVoltage")->text(), QStringLiteral("230"));
    QVERIFY(view->Failure() != assess::AssessFailure::kNone || view->Result() != nullptr);
    if (view->Result() != nullptr) QCOMPARE(view->Result()->survey.nominalVoltage, 230.0);
  }

  void refusedChoicesAreSaid() {
    const QString path = WriteSample(QStringLiteral("assess-std.57x"), kStandardLog, 30);
    CMeterlog2App app;
    AssessmentView* view = OpenAssessment(app, path);
    QVERIFY(view != nullptr);
    Child<QLineEdit>(view, "shortCircuitCurrent")->setText(QStringLiteral("-5"));
    QVERIFY(!view->Assess());
    QVERIFY(TakeMessages().join(' ').contains(QLatin1String("Isc")));
    Child<QLineEdit>(view, "shortCircuitCurrent")->clear();
    for (QCheckBox* box : {Child<QCheckBox>(view, "en50160"), Child<QCheckBox>(view, "ieee519"),
                           Child<QCheckBox>(view, "ansiC84")})
      if (box->isChecked()) box->click();
    QVERIFY(!view->Assess());
    QVERIFY(TakeMessages().join(' ').contains(QLatin1String("standard")));
    Child<QCheckBox>(view, "ieee519")->click();
    QVERIFY(view->Assess());
    for (const assess::Criterion& c : view->Result()->criteria) QVERIFY(c.standard != "en50160");
  }

  void spectrumCarriesTheEnLimitsForVoltages() {
    const QString path = WriteSample(QStringLiteral("assess-spectrum.57x"), kHarmonicLog, 5);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    app.GetMainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainFrame()));
    PlotPane* pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    Child<QTabWidget>(pane, "plotTabs")->setCurrentIndex(1);
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
