#include "ReportText.h"

#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

using assess::Criterion;
using assess::Verdict;

namespace report_text {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString Number(double value) {
  return Q(ReadableDecimal(value, 3));
}

QString WithUnit(const QString& number, Unit unit) {
  return unit == Unit::kNone ? number : number + " " + Q(UnitSymbol(unit));
}

QString CriterionValue(const Criterion& c, double value) {
  return WithUnit(Q(assess::ValueText(c, value)), c.unit);
}

QString Count(uint64_t n) {
  return QString::number(n);
}

QString Time(int64_t seconds) {
  return Q(TimeText(seconds, TimeStyle::kIsoSpace));
}

QString Minutes(int64_t seconds) {
  return Time(seconds).left(16);
}

QString Duration(int64_t seconds) {
  return Q(assess::DurationText(static_cast<double>(seconds)));
}

QString Typeset(const std::string& text) {
  QString s = Q(text);
  s.replace(QStringLiteral("<="), QStringLiteral("\u2264"));
  s.replace(QStringLiteral(">="), QStringLiteral("\u2265"));
  s.replace(QStringLiteral("+/-"), QStringLiteral("\u00b1"));
  return s;
}

QString WithoutControls(const QString& text) {
  QString clean;
  clean.reserve(text.size());
  for (const QChar c : text) {
    if (c == QLatin1Char('\n') || c == QLatin1Char('\t') || c == QLatin1Char('\r'))
      clean += QLatin1Char(' ');
    else if (c.category() != QChar::Other_Control)
      clean += c;
  }
  return clean;
}

QString Capitalized(QString text) {
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  return text;
}

QString Plural(uint64_t n, const char* one, const char* many) {
  return Count(n) + " " + QString::fromLatin1(n == 1 ? one : many);
}

QString VerdictWord(Verdict verdict) {
  return QString::fromLatin1(assess::VerdictText(verdict)).toUpper();
}

Tone ToneOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return Tone::kPass;
    case Verdict::kFail:
      return Tone::kFail;
    case Verdict::kInfo:
      return Tone::kInfo;
    case Verdict::kIncomplete:
      return Tone::kWarn;
    case Verdict::kNotAssessed:
      break;
  }
  return Tone::kMuted;
}

QString PhaseName(const std::string& phase) {
  if (phase.size() > 2 && phase.compare(0, 2, "ch") == 0) return "Ch " + Q(phase.substr(2));
  return Q(phase).toUpper();
}

QString PhaseLabel(const std::string& phase) {
  if (phase.empty()) return {};
  return (phase.compare(0, 2, "ch") == 0 ? QString() : QStringLiteral("Phase ")) + PhaseName(phase);
}

QString StandardName(const std::string& standard) {
  const char* title = assess::StandardTitle(standard);
  return title ? QString::fromLatin1(title) : Q(standard);
}

QString StandardShortName(const std::string& standard) {
  // Titles without an edition: their short names.
  if (standard == assess::StandardKey(assess::Standard::kNema)) return QStringLiteral("NEMA MG 1");
  if (standard == assess::StandardKey(assess::Standard::kInfo))
    return QStringLiteral("informative");
  return StandardName(standard).section(QLatin1Char(','), 0, 0);
}

QString PeriodLabel(const Criterion& c, size_t index) {
  return (c.idStatistic == assess::IdStatistic::kDaily99 ? QStringLiteral("day ")
                                                         : QStringLiteral("week ")) +
         QString::number(index + 1);
}

double UpperLimit(const Criterion& c) {
  return c.bands.empty() ? NAN : c.bands.front().high;
}

ReportCell Cell(const QString& text, Tone tone) {
  ReportCell cell;
  cell.text = text;
  cell.tone = tone;
  return cell;
}

ReportCell BoldCell(const QString& text, Tone tone) {
  ReportCell cell = Cell(text, tone);
  cell.bold = true;
  return cell;
}

ReportCell VerdictCell(Verdict verdict) {
  ReportCell cell = Cell(VerdictWord(verdict), ToneOf(verdict));
  cell.bold = verdict == Verdict::kFail || verdict == Verdict::kPass;
  return cell;
}

}  // namespace report_text
