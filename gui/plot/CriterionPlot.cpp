#include "CriterionPlot.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "TrendPlot.h"
#include "assess/AssessmentWriters.h"

namespace {

const QColor kValueColor(31, 119, 180);
const QColor kPeriodColor(148, 103, 189);
const QColor kInnerColor(44, 160, 44);
const QColor kOuterColor(255, 127, 14);
const QColor kUpperColor(214, 39, 40);
const double kNaN = std::numeric_limits<double>::quiet_NaN();

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// True when the criterion's periods can be drawn against its limit: a statistic of each period
// judged against an upper limit, in the unit of the values drawn beside it.
bool DrawsPeriods(const assess::Criterion& c, const assess::Series* series) {
  if (c.periods.empty() || c.bands.size() != 1 || std::isfinite(c.bands[0].low)) return false;
  return series == nullptr || series->unit == c.unit;
}

// `text` broken into lines of about `width` characters at its spaces: a title is one line
// otherwise, and a note is longer than a plot is wide.
QString Wrapped(const QString& text, qsizetype width = 110) {
  QString out;
  qsizetype line = 0;
  for (const QString& word : text.split(QLatin1Char(' '))) {
    if (line > 0 && line + 1 + word.size() > width) {
      out += QLatin1Char('\n');
      line = 0;
    } else if (line > 0) {
      out += QLatin1Char(' ');
      ++line;
    }
    out += word;
    line += word.size();
  }
  return out;
}

QString NothingToDraw(const assess::AssessmentResult* result, const assess::Criterion* c) {
  if (result == nullptr) return QStringLiteral("There is no assessment to draw.");
  if (c == nullptr) return QStringLiteral("Choose a criterion to see the values it was judged on.");
  const QString note = Text(std::string(assess::OwnNote(*result, *c)));
  if (c->verdict == assess::Verdict::kNotAssessed)
    return QStringLiteral("%1 was not assessed, so there is nothing to draw:\n%2")
        .arg(Text(c->id), Wrapped(note));
  return QStringLiteral("%1 keeps no values over time to draw:\n%2")
      .arg(Text(c->id), Wrapped(note));
}

// Where the survey has no values to draw a line through, in time order: its gaps, and its long
// interruptions (whose windows are left out of the supply's statistics).
std::vector<assess::TimeSpan> Holes(const assess::SurveyFacts& survey) {
  std::vector<assess::TimeSpan> holes = survey.gaps;
  holes.insert(holes.end(), survey.interruptions.begin(), survey.interruptions.end());
  std::sort(holes.begin(), holes.end(),
            [](const assess::TimeSpan& a, const assess::TimeSpan& b) { return a.start < b.start; });
  return holes;
}

// True when a hole of the survey lies between the values at `a` and `b` of a series of
// `window`-second values (0: one a record), so that its line must break there. A hole shorter
// than a window leaves the windows on both sides of it, and their line, whole.
bool GapBetween(int64_t a, int64_t b, int64_t window, const std::vector<assess::TimeSpan>& holes,
                size_t& next) {
  while (next < holes.size() && holes[next].start < a) ++next;
  return next < holes.size() && holes[next].end <= b + window && (window == 0 || b - a > window);
}

}  // namespace

CriterionPlot::CriterionPlot(QWidget* parent) : LogPlot(parent) {
  SetUpTimePlot(this);
  connect(this, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent*) { ResetView(); });
  SetCriterion(nullptr, {});
}

void CriterionPlot::SetCriterion(const assess::AssessmentResult* result, const std::string& id) {
  m_values = m_periods = nullptr;
  m_limits.clear();
  m_breaks = 0;
  const assess::Criterion* c = result ? result->FindCriterion(id) : nullptr;
  const assess::Series* series = c ? result->FindSeries(c->seriesKey) : nullptr;
  const bool periods = c != nullptr && DrawsPeriods(*c, series);
  if (c == nullptr || (series == nullptr && !periods)) {
    // Nothing of the last criterion stays: its axis, its legend.
    yAxis->setLabel(QString());
    legend->setVisible(false);
    ShowMessage(NothingToDraw(result, c));
    return;
  }
  ClearContent();
  legend->setVisible(true);
  if (series != nullptr) DrawSeries(*series, Holes(result->survey));
  if (periods) DrawPeriods(*c);
  const QString unit = Text(UnitSymbol(series ? series->unit : c->unit));
  DrawLimits(*c, unit);
  yAxis->setLabel(Text(series ? series->quantity : c->quantity) +
                  (unit.isEmpty() ? QString() : " (" + unit + ")"));
  // The rule on a line of its own: a long one would run past the plot's edges.
  SetTitle(QStringLiteral("%1 (%2)\n%3")
               .arg(Text(c->id), QString::fromUtf8(VerdictText(c->verdict)),
                    Wrapped(Text(c->limit), 160)));
  ResetView();
}

void CriterionPlot::DrawSeries(const assess::Series& series,
                               const std::vector<assess::TimeSpan>& holes) {
  m_values = addGraph();
  QVector<double> keys, values;
  keys.reserve(qsizetype(series.times.size()));
  values.reserve(qsizetype(series.values.size()));
  size_t next = 0;
  for (size_t i = 0; i < series.times.size() && i < series.values.size(); ++i) {
    if (i > 0 &&
        GapBetween(series.times[i - 1], series.times[i], series.windowSeconds, holes, next)) {
      keys.append(double(series.times[i - 1] + series.times[i]) / 2);
      values.append(kNaN);
      ++m_breaks;
    }
    keys.append(double(series.times[i]));
    values.append(series.values[i]);
  }
  m_values->setData(keys, values, true);
  m_values->setPen(QPen(kValueColor, 1.5));
  if (series.windowSeconds > 0)
    m_values->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));
  const QString what = series.windowSeconds == 0
                           ? QStringLiteral("every record")
                           : QStringLiteral("%1-minute values").arg(series.windowSeconds / 60);
  m_values->setName(Text(series.quantity) + " (" + what + ")");
}

void CriterionPlot::DrawPeriods(const assess::Criterion& c) {
  QVector<double> keys, values;
  for (const assess::PeriodResult& p : c.periods) {
    keys.append(double(p.start));
    values.append(p.value ? *p.value : kNaN);
  }
  // The last period's step runs to its end.
  keys.append(double(c.periods.back().end));
  values.append(values.back());
  m_periods = addGraph();
  m_periods->setData(keys, values, true);
  m_periods->setLineStyle(QCPGraph::lsStepLeft);
  m_periods->setPen(QPen(kPeriodColor, 2.5));
  m_periods->setName(Text(c.statistic));
}

// The limits: an area for the first band, lines for the second; an upper limit alone as a red
// line.
void CriterionPlot::DrawLimits(const assess::Criterion& c, const QString& unit) {
  for (size_t b = 0; b < c.bands.size(); ++b) {
    const assess::LimitBand& band = c.bands[b];
    const bool bounded = std::isfinite(band.low) && std::isfinite(band.high);
    if (b == 0 && bounded) {
      auto* area = new QCPItemRect(this);
      area->topLeft->setTypeX(QCPItemPosition::ptAxisRectRatio);
      area->bottomRight->setTypeX(QCPItemPosition::ptAxisRectRatio);
      area->topLeft->setCoords(0, band.high);
      area->bottomRight->setCoords(1, band.low);
      area->setPen(Qt::NoPen);
      area->setBrush(QColor(kInnerColor.red(), kInnerColor.green(), kInnerColor.blue(), 40));
      area->setLayer(QStringLiteral("background"));
      AddLimitLine(band.low, kInnerColor, Qt::SolidLine, Text(band.label));
      AddLimitLine(band.high, kInnerColor, Qt::SolidLine, QString());
    } else if (bounded) {
      AddLimitLine(band.low, kOuterColor, Qt::DashLine, Text(band.label));
      AddLimitLine(band.high, kOuterColor, Qt::DashLine, QString());
    } else {
      AddLimitLine(band.high, kUpperColor, Qt::SolidLine,
                   Text(band.label) + " " + QString::number(band.high) + " " + unit);
    }
  }
}

void CriterionPlot::AddLimitLine(double value, const QColor& color, Qt::PenStyle style,
                                 const QString& name) {
  if (!std::isfinite(value)) return;
  auto* item = new QCPItemStraightLine(this);
  item->point1->setCoords(0, value);
  item->point2->setCoords(1, value);
  item->setPen(QPen(color, 1.5, style));
  m_limits.push_back(item);
  if (name.isEmpty()) return;
  // A legend entry for the line: an empty graph drawn with the same pen.
  QCPGraph* entry = addGraph();
  entry->setPen(item->pen());
  entry->setName(name);
}

void CriterionPlot::ResetView() {
  if (m_values == nullptr && m_periods == nullptr) {
    replot();
    return;
  }
  bool keysFound = false, valuesFound = false;
  QCPRange keys, values;
  // Widens `range` by `more`, or starts it there.
  const auto take = [](QCPRange& range, bool& any, const QCPRange& more) {
    if (any) {
      range.expand(more);
    } else {
      range = more;
    }
    any = true;
  };
  for (QCPGraph* graph : {m_values, m_periods}) {
    if (graph == nullptr) continue;
    bool found = false;
    const QCPRange k = graph->getKeyRange(found);
    if (found) take(keys, keysFound, k);
    const QCPRange v = graph->getValueRange(found);
    if (found) take(values, valuesFound, v);
  }
  if (keysFound) xAxis->setRange(keys.lower - 300, keys.upper + 300);
  if (!valuesFound) values = QCPRange(0, 1);
  for (const QCPItemStraightLine* item : m_limits) values.expand(item->point1->coords().y());
  const double margin = std::max(values.size() * 0.08, 1e-6);
  yAxis->setRange(values.lower - margin, values.upper + margin);
  replot();
}

QVector<double> CriterionPlot::LimitLines() const {
  QVector<double> lines;
  for (const QCPItemStraightLine* item : m_limits) lines.append(item->point1->coords().y());
  return lines;
}

int CriterionPlot::PointCount() const {
  if (m_values == nullptr) return 0;
  int count = 0;
  for (auto it = m_values->data()->constBegin(); it != m_values->data()->constEnd(); ++it)
    count += !std::isnan(it->value);
  return count;
}

QVector<double> CriterionPlot::PeriodValues() const {
  QVector<double> values;
  if (m_periods == nullptr) return values;
  for (auto it = m_periods->data()->constBegin(); it != m_periods->data()->constEnd(); ++it)
    values.append(it->value);
  values.removeLast();  // the point that closes the last step
  return values;
}
