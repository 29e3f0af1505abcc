#pragma once
// How the program shows a record's date and time: the reader's choice under View > Date Format,
// remembered in the settings. The table's Time column, Go To Time, the status bar, the window
// title and Configure Device take their text from here, and so can every other window: one
// call, RecordTimeText(seconds), and a notification when the choice changes. The CSV export and
// the clipboard keep their own time option (ExportDialog), whatever is chosen here.

#include <QObject>
#include <QString>
#include <optional>

#include "text/TimeText.h"

class CMeterlog2Doc;

// The reader's choice is TimeStyle::kTable (month-day-year as the log writes it), kIsoSpace
// (ISO 8601's year-month-day, a space before the time) or kLocale (the system locale's short
// date with a four-digit year, and the time with seconds).

// The choice in force (read from the settings once; kTable when none was made).
TimeStyle CurrentDateFormat();
// Makes `format` the choice, remembers it and tells DateFormatChanges()' listeners.
void SetDateFormat(TimeStyle format);

// A record time (seconds since 1970-01-01 of the instrument's clock, as the document counts
// them) as text in the chosen format, or in `format`.
QString RecordTimeText(qint64 seconds);
QString RecordTimeText(qint64 seconds, TimeStyle format);
QString RecordTimeText(const ClockTime& time, TimeStyle format);
// The time of record `row` of `doc` in `format`; a time stamp that reads as no time, as the log
// has it.
QString RecordTimeText(const CMeterlog2Doc& doc, unsigned row, TimeStyle format);
// The same text with the date over the time, on two lines (a time axis's tick label).
QString RecordTimeLines(qint64 seconds, TimeStyle format);

// Reads a date and time typed by the user: in `format`, or as ISO 8601 ("2009-03-07 14:05:09",
// also with a "T"). The seconds, or the whole time of day, may be left out. Nothing when the
// text is no such time.
std::optional<qint64> ParseRecordTime(const QString& text, TimeStyle format);
// How to type a time in `format`, for the user ("MM-DD-YYYY hh:mm:ss" and the like).
QString DateFormatPattern(TimeStyle format);

// Sends Changed() after every SetDateFormat that changed the choice.
class DateFormatNotifier : public QObject {
  Q_OBJECT
 signals:
  void Changed();
};
DateFormatNotifier* DateFormatChanges();
