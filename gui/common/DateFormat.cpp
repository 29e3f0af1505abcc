#include "DateFormat.h"

#include <QDate>
#include <QLocale>
#include <QTime>

#include "Settings.h"
#include "SettingsKeys.h"
#include "log/CMeterlog2Doc.h"

namespace {

// The reader's choices as the settings store them.
struct StoredChoice {
  TimeStyle style;
  const char* value;
};
constexpr StoredChoice kStoredChoices[] = {
    {TimeStyle::kTable, "log"}, {TimeStyle::kIsoSpace, "iso"}, {TimeStyle::kLocale, "locale"}};

std::optional<TimeStyle>& Chosen() {
  static std::optional<TimeStyle> chosen;
  return chosen;
}

// The system locale's short date with a four-digit year (a two-digit one leaves the century to
// guessing), and its short time with seconds added where it has none (records come seconds
// apart).
struct LocalePatterns {
  QString date, time, timeWithoutSeconds;
};

LocalePatterns LocaleFormats() {
  const QLocale locale = QLocale::system();
  LocalePatterns p;
  p.date = locale.dateFormat(QLocale::ShortFormat);
  if (!p.date.contains(QLatin1String("yyyy"))) p.date.replace(QLatin1String("yy"), "yyyy");
  p.timeWithoutSeconds = locale.timeFormat(QLocale::ShortFormat);
  p.time = p.timeWithoutSeconds;
  if (!p.time.contains(QLatin1Char('s'))) {
    const qsizetype minutes = p.time.indexOf(QLatin1String("mm"));
    if (minutes >= 0) p.time.insert(minutes + 2, QLatin1String(":ss"));
  }
  return p;
}

std::optional<qint64> Seconds(const ClockTime& t) {
  if (!IsValidClockTime(t)) return std::nullopt;
  return SecondsFromClockTime(t);
}

std::optional<qint64> ParseLocaleTime(const QString& typed) {
  const QLocale locale = QLocale::system();
  const LocalePatterns p = LocaleFormats();
  const QString text = typed.simplified();
  const auto make = [](const QDate& date, const QTime& time) -> std::optional<qint64> {
    return Seconds(
        {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()});
  };
  const QDate alone = locale.toDate(text, p.date);
  if (alone.isValid()) return make(alone, QTime(0, 0));
  // The date's own pattern may hold blanks, and so may the time's (AM/PM): every split is tried.
  for (qsizetype at = text.indexOf(QLatin1Char(' ')); at >= 0;
       at = text.indexOf(QLatin1Char(' '), at + 1)) {
    const QDate date = locale.toDate(text.left(at), p.date);
    if (!date.isValid()) continue;
    for (const QString& pattern : {p.time, p.timeWithoutSeconds}) {
      const QTime time = locale.toTime(text.mid(at + 1), pattern);
      if (time.isValid()) return make(date, time);
    }
  }
  return std::nullopt;
}

std::optional<qint64> ParseWithStyle(const QString& text, TimeStyle style) {
  const std::optional<ClockTime> t = ParseTimeText(text.toStdString(), style);
  if (!t) return std::nullopt;
  return Seconds(*t);
}

// The date and the time of `t` in `format`, `between` them.
QString TimeTextJoined(const ClockTime& t, TimeStyle format, QChar between) {
  if (format == TimeStyle::kLocale) {
    const QLocale locale = QLocale::system();
    const LocalePatterns p = LocaleFormats();
    return locale.toString(QDate(t.year, t.month, t.day), p.date) + between +
           locale.toString(QTime(t.hour, t.minute, t.second), p.time);
  }
  std::string text;
  AppendDateText(text, t, format);
  text += static_cast<char>(between.toLatin1());
  AppendClockText(text, t);
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The stored value of a choice; a style that is no choice is stored as the log's.
const char* StoredValue(TimeStyle style) {
  for (const StoredChoice& choice : kStoredChoices)
    if (choice.style == style) return choice.value;
  return kStoredChoices[0].value;
}

}  // namespace

TimeStyle CurrentDateFormat() {
  std::optional<TimeStyle>& chosen = Chosen();
  if (!chosen) {
    const QString value = OpenSettings()->value(meterlog2::common::kDateFormatKey).toString();
    chosen = TimeStyle::kTable;
    for (const StoredChoice& choice : kStoredChoices)
      if (value == QLatin1String(choice.value)) chosen = choice.style;
  }
  return *chosen;
}

void SetDateFormat(TimeStyle format) {
  const bool changed = CurrentDateFormat() != format;
  Chosen() = format;
  OpenSettings()->setValue(meterlog2::common::kDateFormatKey, QLatin1String(StoredValue(format)));
  if (changed) emit DateFormatChanges()->Changed();
}

QString RecordTimeText(qint64 seconds) {
  return RecordTimeText(seconds, CurrentDateFormat());
}

QString RecordTimeText(qint64 seconds, TimeStyle format) {
  return RecordTimeText(ClockTimeFromSeconds(seconds), format);
}

QString RecordTimeText(const ClockTime& t, TimeStyle format) {
  return TimeTextJoined(t, format, QLatin1Char(' '));
}

QString RecordTimeText(const CMeterlog2Doc& doc, unsigned row, TimeStyle format) {
  int64_t seconds;
  if (format != TimeStyle::kTable && doc.GetTimeSeconds(seconds, row))
    return RecordTimeText(seconds, format);
  std::string text;
  doc.GetTimeStamp(text, row);
  return QString::fromStdString(text);
}

QString RecordTimeLines(qint64 seconds, TimeStyle format) {
  return TimeTextJoined(ClockTimeFromSeconds(seconds), format, QLatin1Char('\n'));
}

std::optional<qint64> ParseRecordTime(const QString& text, TimeStyle format) {
  std::optional<qint64> seconds;
  if (format == TimeStyle::kTable) seconds = ParseWithStyle(text, TimeStyle::kTable);
  if (format == TimeStyle::kLocale) seconds = ParseLocaleTime(text);
  return seconds ? seconds : ParseWithStyle(text, TimeStyle::kIso);
}

QString DateFormatPattern(TimeStyle format) {
  switch (format) {
    case TimeStyle::kTable:
      return QStringLiteral("MM-DD-YYYY hh:mm:ss");
    case TimeStyle::kIsoSpace:
      return QStringLiteral("YYYY-MM-DD hh:mm:ss");
    case TimeStyle::kIso:
      return QStringLiteral("YYYY-MM-DDThh:mm:ss");
    case TimeStyle::kLocale:
      break;
  }
  const LocalePatterns p = LocaleFormats();
  return p.date + QLatin1Char(' ') + p.time;
}

DateFormatNotifier* DateFormatChanges() {
  static DateFormatNotifier notifier;
  return &notifier;
}
