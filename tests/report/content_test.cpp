// What the report says before it is drawn: the charts' plans (every limit a chart names inside
// its value axis, lines broken at gaps), the tables of each period (a bad first week of two, a
// failing day of a long survey), the class and rows named for a medium-voltage supply, and a
// service voltage outside ANSI C84.1's Range B.
#include <qcustomplot.h>

#include <QtTest>
#include <cmath>

#include "ReportTestSupport.h"
#include "report/ReportContent.h"

namespace {

using Kind = ReportBlock::Kind;

std::vector<const ChartPlan*> Charts(const ReportDocument& doc) {
  std::vector<const ChartPlan*> charts;
  for (const ReportBlock& block : doc.blocks)
    if (block.kind == Kind::kChart) charts.push_back(&block.chart);
  return charts;
}

const ChartPlan* ChartTitled(const ReportDocument& doc, const QString& start) {
  for (const ChartPlan* plan : Charts(doc))
    if (plan->title.startsWith(start)) return plan;
  return nullptr;
}

// The first block of `kind` after the subheading that starts with `heading`.
const ReportBlock* After(const ReportDocument& doc, const QString& heading, Kind kind) {
  bool seen = false;
  for (const ReportBlock& block : doc.blocks) {
    if (block.kind == Kind::kSubheading) seen = block.text.startsWith(heading);
    if (seen && block.kind == kind) return &block;
  }
  return nullptr;
}

// Every word of the document: blocks, table cells and chart titles and legends.
QString AllText(const ReportDocument& doc) {
  QStringList text;
  for (const ReportBlock& block : doc.blocks) {
    text << block.text << block.subtitle << block.chart.title;
    for (const ChartLimit& limit : block.chart.limits) text << limit.name;
    for (const auto& row : block.table.rows)
      for (const ReportCell& cell : row) text << cell.text << cell.detail;
  }
  return text.join(QLatin1Char('\n'));
}

size_t NaNs(const LinePoints& points) {
  return static_cast<size_t>(std::count_if(points.values.begin(), points.values.end(),
                                           [](double v) { return std::isnan(v); }));
}

bool Within(const std::pair<double, double>& range, double value) {
  return !std::isfinite(value) || (range.first < value && value < range.second);
}

// A series of `times` (a value each) for a plan of its own.
assess::Series SeriesAt(std::vector<int64_t> times, int64_t window) {
  assess::Series series;
  series.windowSeconds = window;
  series.times = std::move(times);
  series.values.assign(series.times.size(), 1.0);
  return series;
}

}  // namespace

class ContentTest : public QObject {
  Q_OBJECT

 private slots:
  // The frequency's 47 and 52 Hz and the voltage's 195.5 V lie inside their charts' value axes,
  // as does every limit any chart names, in a 50 Hz, a 60 Hz, a medium-voltage survey and one
  // with a gap; the plot draws the axis the plan gives.
  void everyLimitAChartNamesIsInView() {
    SampleLogOptions sixty = Tabular(1008, 600);
    sixty.mainsHz = 60;
    SampleLogOptions medium = Tabular(1008, 600);
    medium.volts = 6350;
    const Survey surveys[] = {
        Assessed(Tabular(1008, 600), Declared(230, 12000)), Assessed(sixty, Declared(120, 12000)),
        Assessed(medium, Declared(6350, 5000)),
        Assessed({TabularFrom(1440, 60, 7), TabularFrom(1440, 60, 10)}, Declared(230))};
    const ReportDocument fifty = BuildReportDocument(surveys[0].result, {});
    const ChartPlan* frequency = ChartTitled(fifty, QStringLiteral("Power frequency"));
    QVERIFY(frequency != nullptr);
    QCOMPARE(frequency->limits.size(), size_t(2));
    QCOMPARE(frequency->limits[1].low, 47.0);
    QCOMPARE(frequency->limits[1].high, 52.0);
    QVERIFY(frequency->limits[1].name.contains(QStringLiteral("47 to 52 Hz")));
    QVERIFY(Within(ValueRange(*frequency), 47) && Within(ValueRange(*frequency), 52));
    const ChartPlan* voltage = ChartTitled(fifty, QStringLiteral("Supply voltage"));
    QVERIFY(voltage != nullptr);
    QVERIFY(Within(ValueRange(*voltage), 195.5) && Within(ValueRange(*voltage), 253));

    size_t limits = 0;
    for (const Survey& survey : surveys) {
      const ReportDocument doc = BuildReportDocument(survey.result, {});
      for (const ChartPlan* plan : Charts(doc)) {
        const auto range = ValueRange(*plan);
        for (const ChartLimit& limit : plan->limits) {
          QVERIFY2(Within(range, limit.low) && Within(range, limit.high), qPrintable(limit.name));
          ++limits;
        }
        for (const ChartMarker& marker : plan->markers) {
          for (const auto& [h, value] : marker.limits) {
            QVERIFY(Within(range, value));
            ++limits;
          }
        }
        const std::unique_ptr<QCustomPlot> plot = MakeChart(*plan);
        QCOMPARE(plot->yAxis->range().lower, range.first);
        QCOMPARE(plot->yAxis->range().upper, range.second);
      }
    }
    QVERIFY(limits > 100);
  }

  // A line breaks where consecutive values lie further apart than the plan allows, and across a
  // gap of the survey that lies between two values (a gap shorter than a window breaks the line
  // between two windows it separates, not within one window).
  void linesBreakAtGaps() {
    ChartPlan plan;
    plan.kind = ChartPlan::Kind::kTime;
    plan.gapSeconds = 120;
    const assess::Series records = SeriesAt({0, 60, 120, 400, 460}, 0);
    LinePoints points = LineData(plan, {QString(), &records, {}});
    QCOMPARE(points.keys.size(), size_t(6));
    QVERIFY(std::isnan(points.values[3]));
    QCOMPARE(points.keys[3], 260.0);

    const assess::Series windows = SeriesAt({0, 600, 1200, 1800}, 600);
    plan.gapSeconds = 600;
    QCOMPARE(NaNs(LineData(plan, {QString(), &windows, {}})), size_t(0));
    plan.gaps = {{590, 650}};  // from the first window into the second
    points = LineData(plan, {QString(), &windows, {}});
    QCOMPARE(NaNs(points), size_t(1));
    QVERIFY(std::isnan(points.values[1]));
    plan.gaps = {{610, 700}, {1210, 1260}};  // within one window each
    QCOMPARE(NaNs(LineData(plan, {QString(), &windows, {}})), size_t(0));

    // A survey with a 2-day hole: every line of every time chart breaks once, at the hole.
    const Survey hole =
        Assessed({TabularFrom(1440, 60, 7), TabularFrom(1440, 60, 10)}, Declared(230));
    QCOMPARE(hole.result.survey.gaps.size(), size_t(1));
    const assess::TimeSpan gap = hole.result.survey.gaps[0];
    size_t lines = 0;
    const ReportDocument doc = BuildReportDocument(hole.result, {});
    for (const ChartPlan* chart : Charts(doc)) {
      if (chart->kind != ChartPlan::Kind::kTime) continue;
      for (const ChartLine& line : chart->lines) {
        points = LineData(*chart, line);
        QCOMPARE(NaNs(points), size_t(1));
        const size_t at =
            static_cast<size_t>(std::find_if(points.values.begin(), points.values.end(),
                                             [](double v) { return std::isnan(v); }) -
                                points.values.begin());
        QVERIFY(points.keys[at - 1] <= static_cast<double>(gap.start));
        QVERIFY(points.keys[at + 1] >= static_cast<double>(gap.end) - line.series->windowSeconds);
        ++lines;
      }
      // The plot draws the break.
      const std::unique_ptr<QCustomPlot> plot = MakeChart(*chart);
      const auto data = plot->graph(0)->data();
      QVERIFY(std::any_of(data->constBegin(), data->constEnd(),
                          [](const QCPGraphData& d) { return std::isnan(d.value); }));
    }
    QVERIFY(lines >= 8);  // frequency, 3 voltages, 3 THD, 3 IEEE THD, demand
    // Without a gap, no break.
    const Survey whole = Assessed(Tabular(1440), Declared(230));
    const ReportDocument wholeDoc = BuildReportDocument(whole.result, {});
    for (const ChartPlan* chart : Charts(wholeDoc))
      for (const ChartLine& line : chart->lines) QCOMPARE(NaNs(LineData(*chart, line)), size_t(0));
  }

  // Two weeks, the 9th harmonic at 2 % in the first only: the period table of EN 50160's
  // harmonics fails week 1 and passes week 2 on every phase, and the failures name week 1 of 2.
  void eachWeekHasItsRow() {
    SampleLogOptions bad = Tabular(1008, 600);
    bad.distortedHarmonic = 9;
    bad.distortionPercent = 2;
    const Survey survey = Assessed({bad, TabularFrom(1008, 600, 14)}, Declared(230));
    const ReportDocument doc = BuildReportDocument(survey.result, {});
    const ReportBlock* table =
        After(doc, QStringLiteral("Harmonic voltages 2 to 25 \u2014 EN 50160"), Kind::kTable);
    QVERIFY(table != nullptr);
    QCOMPARE(table->table.headers,
             QStringList({"Week", "Period", "Phase A", "Phase B", "Phase C"}));
    QCOMPARE(table->table.rows.size(), size_t(2));
    const auto& week1 = table->table.rows[0];
    const auto& week2 = table->table.rows[1];
    QCOMPARE(week1[1].text, QStringLiteral("2009-03-07 14:00"));
    QCOMPARE(week1[1].detail, QStringLiteral("to 2009-03-14 14:00"));
    for (size_t phase = 2; phase < 5; ++phase) {
      QCOMPARE(week1[phase].text, QStringLiteral("harmonic 9: 2 %"));
      QCOMPARE(week1[phase].detail, QStringLiteral("limit 1.5 %; FAIL (1 harmonic)"));
      QCOMPARE(week1[phase].tone, Tone::kFail);
      QCOMPARE(week2[phase].tone, Tone::kPass);
      QVERIFY(week2[phase].detail.endsWith(QStringLiteral("; PASS")));
    }
    const ReportBlock* failures = After(doc, QStringLiteral("Criteria that fail"), Kind::kTable);
    QVERIFY(failures != nullptr);
    QCOMPARE(failures->table.rows.size(), size_t(3));
    for (const auto& row : failures->table.rows) {
      QCOMPARE(row[4].text, QStringLiteral("week 1: 2 %"));
      QCOMPARE(row[4].detail, QStringLiteral("of 2 weeks"));
    }
    // The supply voltage: a row per week with its share and count.
    const ReportBlock* voltage =
        After(doc, QStringLiteral("Supply voltage \u2014 EN 50160"), Kind::kTable);
    QVERIFY(voltage != nullptr);
    QCOMPARE(voltage->table.rows.size(), size_t(2));
    QCOMPARE(voltage->table.rows[1][2].detail, QStringLiteral("PASS, 1008 values"));
  }

  // 42 days, the 5th harmonic at 8 % on day 20 only: the table of IEEE 519's daily 99th
  // percentiles keeps day 20 (it fails) and leaves out days that pass, saying how many it shows.
  void aLongSurveyKeepsItsFailingDays() {
    SampleLogOptions bad = TabularFrom(144, 600, 26);
    bad.distortedHarmonic = 5;
    bad.distortionPercent = 8;
    const Survey survey =
        Assessed({Tabular(2736, 600), bad, TabularFrom(3168, 600, 27)}, Declared(230));
    QCOMPARE(survey.result.survey.days.size(), size_t(42));
    const ReportDocument doc = BuildReportDocument(survey.result, {});
    const QString heading = QStringLiteral("Harmonic voltages 2 to 50, daily 99th percentile");
    const ReportBlock* table = After(doc, heading, Kind::kTable);
    QVERIFY(table != nullptr);
    const auto& rows = table->table.rows;
    QVERIFY(rows.size() < 42);
    const auto day20 =
        std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row[0].text == "20"; });
    QVERIFY(day20 != rows.end());
    QCOMPARE((*day20)[2].text, QStringLiteral("harmonic 5: 8 %"));
    QCOMPARE((*day20)[2].tone, Tone::kFail);
    const ReportBlock* note = After(doc, heading, Kind::kParagraph);
    QVERIFY(AllText(doc).contains(QStringLiteral("%1 of the 42 days shown").arg(rows.size())));
    QVERIFY(AllText(doc).contains(QStringLiteral("day 20: 8 %")));  // among the failures
    QVERIFY(note != nullptr);
    // The weeks are few enough to show all six.
    const ReportBlock* weeks =
        After(doc, QStringLiteral("Harmonic voltages 2 to 25 \u2014 EN 50160"), Kind::kTable);
    QCOMPARE(weeks->table.rows.size(), size_t(6));
    QCOMPARE(weeks->table.rows[2][2].tone, Tone::kFail);
  }

  // 11 kV (Un 6350 V phase to neutral): the medium-voltage class and its 99 % band, IEEE 519's
  // 1-69 kV row and its current table and row, and nowhere the low-voltage row.
  void mediumVoltageNamesItsClassAndRows() {
    SampleLogOptions medium = Tabular(1008, 600);
    medium.volts = 6350;
    const Survey survey = Assessed(medium, Declared(6350, 5000));
    const ReportDocument doc = BuildReportDocument(survey.result, {});
    const QString text = AllText(doc);
    QVERIFY(text.contains(
        QStringLiteral("10998.523 V between phases: medium voltage (MV, above 1 kV up to 36 kV)")));
    QVERIFY(text.contains(QStringLiteral("IEEE 519-2014 Table 1, 1 kV < V \u2264 69 kV")));
    QVERIFY(text.contains(QStringLiteral("Table 2 (systems rated 120 V through 69 kV), row")));
    QVERIFY(text.contains(QStringLiteral("EN 50160:2010, medium voltage")));
    QVERIFY(!text.contains(QStringLiteral("1.0 kV")));
    QVERIFY(!text.contains(QStringLiteral("low voltage")));
    const ChartPlan* voltage = ChartTitled(doc, QStringLiteral("Supply voltage"));
    QVERIFY(voltage != nullptr);
    QCOMPARE(voltage->limits[0].name, QStringLiteral("99 % of the values: 5715 to 6985 V"));
  }

  // 60 Hz at 128 V declared 120 V: every 10-minute value lies above Range B's 127 V, so ANSI
  // C84.1 fails though the value shown is the share within Range A.
  void aServiceVoltageOutsideRangeBFails() {
    SampleLogOptions high = Tabular(1008, 600);
    high.mainsHz = 60;
    high.volts = 129;
    const Survey survey = Assessed(high, Declared(120));
    const ReportDocument doc = BuildReportDocument(survey.result, {});
    const ReportBlock* verdicts = After(doc, QStringLiteral("Verdicts by group"), Kind::kTable);
    QVERIFY(verdicts != nullptr);
    size_t failed = 0;
    for (const auto& row : verdicts->table.rows) {
      if (row.size() < 5 || row[0].text != QStringLiteral("Service voltage")) continue;
      QCOMPARE(row[2].text, QStringLiteral("0 %"));
      QVERIFY(
          row[2].detail.startsWith(QStringLiteral("percent of each week's 10-minute values "
                                                  "within Range A; from 12")));
      QCOMPARE(row[4].text, QStringLiteral("FAIL"));
      ++failed;
    }
    QCOMPARE(failed, size_t(3));
    QVERIFY(AllText(doc).contains(QStringLiteral("ANSI C84.1 sets no share of time")));
    QCOMPARE(doc.blocks[1].kind, Kind::kParagraph);
    QVERIFY(
        doc.blocks[1].text.contains(QStringLiteral("IEEE 519-2014, harmonic control and ANSI "
                                                   "C84.1-2016, service voltage ranges")));
  }
};

QTEST_MAIN(ContentTest)
#include "content_test.moc"
