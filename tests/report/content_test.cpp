// What the report says before it is drawn: the charts' plans (every limit a chart names inside
// its value axis, lines broken at gaps), the tables of each period (a bad first week of two, a
// failing day of a long survey), the class and rows named for a medium-voltage supply, and a
// service voltage outside ANSI C84.1's Range B.
#include <qcustomplot.h>

#include <QtTest>
#include <cmath>

#include "ReportTestSupport.h"
#include "report/ReportChart.h"
#include "report/ReportContent.h"
#include "report/ReportStyle.h"

using namespace meterlog2::report;

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
    if (Q(plan->title).startsWith(start)) return plan;
  return nullptr;
}

// The first block of `kind` after the subheading that starts with `heading`.
const ReportBlock* After(const ReportDocument& doc, const QString& heading, Kind kind) {
  bool seen = false;
  for (const ReportBlock& block : doc.blocks) {
    if (block.kind == Kind::kSubheading) seen = Q(block.text).startsWith(heading);
    if (seen && block.kind == kind) return &block;
  }
  return nullptr;
}

// Every word of the document: blocks, table cells and chart titles and legends.
QString AllText(const ReportDocument& doc) {
  QStringList text;
  for (const ReportBlock& block : doc.blocks) {
    text << Q(block.text) << Q(block.subtitle) << Q(block.chart.title);
    for (const ChartLimit& limit : block.chart.limits) text << Q(limit.name);
    for (const auto& row : block.table.rows)
      for (const ReportCell& cell : row) text << Q(cell.text) << Q(cell.detail);
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

// The last key at or before the gap's start and the first at or after its end.
std::pair<double, double> Around(const std::vector<double>& keys, const assess::TimeSpan& gap) {
  double before = -INFINITY, after = INFINITY;
  for (double key : keys) {
    if (key <= static_cast<double>(gap.start)) before = std::max(before, key);
    if (key >= static_cast<double>(gap.end)) after = std::min(after, key);
  }
  return {before, after};
}

// Whether a pixel of `image` in columns from..to and rows top..bottom is of one of `colors` (or
// near it, where a line is smoothed).
bool Shows(const QImage& image, const std::vector<QColor>& colors, double from, double to, int top,
           int bottom) {
  for (int x = static_cast<int>(std::ceil(from)); x <= static_cast<int>(to); ++x) {
    for (int y = top; y <= bottom; ++y) {
      const QColor pixel = image.pixelColor(x, y);
      for (const QColor& color : colors) {
        const int r = pixel.red() - color.red(), g = pixel.green() - color.green(),
                  b = pixel.blue() - color.blue();
        if (r * r + g * g + b * b < 30 * 30) return true;
      }
    }
  }
  return false;
}

LinePoints Points(std::vector<double> keys, std::vector<double> values) {
  return LinePoints{std::move(keys), std::move(values)};
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
    QVERIFY(Q(frequency->limits[1].name).contains(QStringLiteral("47 to 52 Hz")));
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
          QVERIFY2(Within(range, limit.low) && Within(range, limit.high), limit.name.c_str());
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
    LinePoints points = LineData(plan, {std::string(), &records, {}});
    QCOMPARE(points.keys.size(), size_t(6));
    QVERIFY(std::isnan(points.values[3]));
    QCOMPARE(points.keys[3], 260.0);

    const assess::Series windows = SeriesAt({0, 600, 1200, 1800}, 600);
    plan.gapSeconds = 600;
    QCOMPARE(NaNs(LineData(plan, {std::string(), &windows, {}})), size_t(0));
    plan.gaps = {{590, 650}};  // from the first window into the second
    points = LineData(plan, {std::string(), &windows, {}});
    QCOMPARE(NaNs(points), size_t(1));
    QVERIFY(std::isnan(points.values[1]));
    plan.gaps = {{610, 700}, {1210, 1260}};  // within one window each
    QCOMPARE(NaNs(LineData(plan, {std::string(), &windows, {}})), size_t(0));

    // A survey with a 2-day hole: every line of every time chart breaks once, at the hole.
    const Survey hole =
        Assessed({TabularFrom(1440, 60, 7), TabularFrom(1440, 60, 10)}, Declared(230));
    QCOMPARE(hole.result.survey.gaps.size(), size_t(1));
    const assess::TimeSpan gap = hole.result.survey.gaps[0];
    size_t lines = 0, charts = 0;
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
      // The chart as drawn: nothing of a line in the hole, its lines on either side. The
      // frequency has a value a minute, more than the chart has columns: it is drawn as its band.
      const std::unique_ptr<QCustomPlot> plot = MakeChart(*chart);
      const QImage image = plot->toPixmap(kChartWidth, kChartHeight, kChartPixelRatio).toImage();
      const bool band = chart->title.starts_with("Power frequency");
      QCOMPARE(plot->graph(0)->dataCount() == 0, band);
      const auto [before, after] = Around(points.keys, gap);
      auto x = [&](double key) { return plot->xAxis->coordToPixel(key) * kChartPixelRatio; };
      const QRect area = plot->axisRect()->rect();
      const int top = area.top() * kChartPixelRatio, bottom = area.bottom() * kChartPixelRatio;
      // (Lines of equal values cover each other: any line's colour will do on either side.)
      std::vector<QColor> colors;
      for (const ChartLine& line : chart->lines) colors.push_back(ToQColor(line.color));
      QVERIFY2(!Shows(image, colors, x(before) + 3, x(after) - 3, top, bottom),
               chart->title.c_str());
      QVERIFY(Shows(image, colors, x(before) - 12, x(before) - 1, top, bottom));
      QVERIFY(Shows(image, colors, x(after) + 1, x(after) + 12, top, bottom));
      ++charts;
    }
    QVERIFY(lines >= 8);  // frequency, 3 voltages, 3 THD, 3 IEEE THD, demand
    QVERIFY(charts >= 4);
    // Without a gap, no break.
    const Survey whole = Assessed(Tabular(1440), Declared(230));
    const ReportDocument wholeDoc = BuildReportDocument(whole.result, {});
    for (const ChartPlan* chart : Charts(wholeDoc))
      for (const ChartLine& line : chart->lines) QCOMPARE(NaNs(LineData(*chart, line)), size_t(0));
  }

  // A long line's band: the least and the greatest value of each column; broken where the line
  // breaks, each piece from its first to its last value (the gap as long as it was); a column
  // without a value of its own covered by the one before it; values outside the range left out.
  void aLongLineIsDrawnAsItsBand() {
    // Two columns of four values each: the second ends at its last value, not at the range's end.
    std::vector<BandColumn> band =
        BandData(Points({0, 1, 2, 3, 4, 5, 6, 7}, {1, 5, 2, 4, 3, 3, 9, 0}), 0, 8, 2);
    QCOMPARE(band.size(), size_t(2));
    QCOMPARE(std::make_pair(band[0].lower, band[0].upper), std::make_pair(1.0, 5.0));
    QCOMPARE(std::make_pair(band[1].lower, band[1].upper), std::make_pair(0.0, 9.0));
    QCOMPARE(std::make_pair(band[0].from, band[0].to), std::make_pair(0.0, 4.0));
    QCOMPARE(std::make_pair(band[1].from, band[1].to), std::make_pair(4.0, 7.0));
    QVERIFY(band[0].first && !band[1].first);

    // A break (the NaN LineData puts in a gap): the band stops at 2 and starts again at 5.
    band = BandData(Points({0, 1, 2, 3.5, 5, 6}, {1, 2, 3, NAN, 4, 5}), 0, 6, 3);
    QCOMPARE(band.size(), size_t(3));
    QCOMPARE(band[1].to, 2.0);
    QCOMPARE(std::make_pair(band[2].from, band[2].to), std::make_pair(5.0, 6.0));
    QCOMPARE(std::make_pair(band[2].lower, band[2].upper), std::make_pair(4.0, 5.0));
    QVERIFY(band[0].first && !band[1].first && band[2].first);

    // Columns 1 to 3 hold no value: the first column reaches over them to the last one.
    band = BandData(Points({0, 1, 9}, {1, 2, 3}), 0, 10, 5);
    QCOMPARE(band.size(), size_t(2));
    QCOMPARE(std::make_pair(band[0].from, band[0].to), std::make_pair(0.0, 8.0));
    QCOMPARE(std::make_pair(band[1].from, band[1].to), std::make_pair(8.0, 9.0));
    QVERIFY(!band[1].first);

    // Only what lies in the range counts; nothing to draw without columns or numbers.
    band = BandData(Points({-5, 1, 2, 20}, {100, 1, 2, -100}), 0, 10, 1);
    QCOMPARE(band.size(), size_t(1));
    QCOMPARE(std::make_pair(band[0].lower, band[0].upper), std::make_pair(1.0, 2.0));
    QVERIFY(BandData(Points({0, 1}, {1, 2}), 0, 10, 0).empty());
    QVERIFY(BandData(Points({0, 1}, {NAN, NAN}), 0, 10, 5).empty());

    // A four-week survey of 10-minute values is drawn as bands, each line still in the legend
    // under its name; a day's values are few enough to be drawn as lines.
    const Survey month = Assessed(Tabular(4032, 600), Declared(230));
    const Survey day = Assessed(Tabular(144, 600), Declared(230));
    for (const auto* survey : {&month, &day}) {
      const ReportDocument doc = BuildReportDocument(survey->result, {});
      const ChartPlan* voltage = ChartTitled(doc, QStringLiteral("Supply voltage"));
      QVERIFY(voltage != nullptr);
      const std::unique_ptr<QCustomPlot> plot = MakeChart(*voltage);
      plot->toPixmap(kChartWidth, kChartHeight, kChartPixelRatio);
      for (int i = 0; i < 3; ++i) {
        QCOMPARE(plot->graph(i)->dataCount() == 0, survey == &month);
        QCOMPARE(plot->legend->itemWithPlottable(plot->graph(i)) != nullptr, true);
        QCOMPARE(plot->graph(i)->name(),
                 QString::fromStdString(voltage->lines[static_cast<size_t>(i)].name));
      }
    }
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
    QCOMPARE(table->table.headers, (Strings{"Week", "Period", "Phase A", "Phase B", "Phase C"}));
    QCOMPARE(table->table.rows.size(), size_t(2));
    const auto& week1 = table->table.rows[0];
    const auto& week2 = table->table.rows[1];
    QCOMPARE(Q(week1[1].text), QStringLiteral("2009-03-07 14:00"));
    QCOMPARE(Q(week1[1].detail), QStringLiteral("to 2009-03-14 14:00"));
    for (size_t phase = 2; phase < 5; ++phase) {
      QCOMPARE(Q(week1[phase].text), QStringLiteral("harmonic 9: 2 %"));
      QCOMPARE(Q(week1[phase].detail), QStringLiteral("limit 1.5 %; FAIL (1 harmonic)"));
      QCOMPARE(week1[phase].tone, Tone::kFail);
      QCOMPARE(week2[phase].tone, Tone::kPass);
      QVERIFY(Q(week2[phase].detail).endsWith(QStringLiteral("; PASS")));
    }
    const ReportBlock* failures = After(doc, QStringLiteral("Criteria that fail"), Kind::kTable);
    QVERIFY(failures != nullptr);
    QCOMPARE(failures->table.rows.size(), size_t(3));
    for (const auto& row : failures->table.rows) {
      QCOMPARE(Q(row[4].text), QStringLiteral("week 1: 2 %"));
      QCOMPARE(Q(row[4].detail), QStringLiteral("of 2 weeks"));
    }
    // The supply voltage: a row per week with its share and count.
    const ReportBlock* voltage =
        After(doc, QStringLiteral("Supply voltage \u2014 EN 50160"), Kind::kTable);
    QVERIFY(voltage != nullptr);
    QCOMPARE(voltage->table.rows.size(), size_t(2));
    QCOMPARE(Q(voltage->table.rows[1][2].detail), QStringLiteral("PASS, 1008 values"));
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
    QCOMPARE(Q((*day20)[2].text), QStringLiteral("harmonic 5: 8 %"));
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
    QCOMPARE(Q(voltage->limits[0].name), QStringLiteral("99 % of the values: 5715 to 6985 V"));
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
      if (row.size() < 5 || row[0].text != "Service voltage") continue;
      QCOMPARE(Q(row[2].text), QStringLiteral("0 %"));
      QVERIFY(Q(row[2].detail)
                  .startsWith(QStringLiteral("percent of each week's 10-minute values "
                                             "within Range A; from 12")));
      QCOMPARE(Q(row[4].text), QStringLiteral("FAIL"));
      ++failed;
    }
    QCOMPARE(failed, size_t(3));
    QVERIFY(AllText(doc).contains(QStringLiteral("ANSI C84.1 sets no share of time")));
    QCOMPARE(doc.blocks[1].kind, Kind::kParagraph);
    QVERIFY(Q(doc.blocks[1].text)
                .contains(QStringLiteral("IEEE 519-2014, harmonic control and ANSI "
                                         "C84.1-2016, service voltage ranges")));
  }
};

QTEST_MAIN(ContentTest)
#include "content_test.moc"
