// Record times as the reader chose to see them (View > Date Format) in the table, the title, the
// status bar, Go To Time and Configure Device, while CSV and Copy keep their own bytes; and Go To
// Time taking exactly what is typed or pasted, keystroke by keystroke, through the real widget.

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QSignalSpy>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "common/DateFormat.h"
#include "common/Settings.h"
#include "config/ConfigFields.h"
#include "instrument/CConfigUnit.h"
#include "view/CMeterlog2View.h"
#include "view/GoToTimeDialog.h"

namespace {

qint64 SecondsOf(int year, int month, int day, int hour, int minute, int second) {
  return SecondsFromClockTime({year, month, day, hour, minute, second});
}

// A Standard log with one record a minute from 03-07-2009 14:05:09, or one a day.
QString MinuteLog() {
  SampleLogOptions options;
  options.records = 1300;  // to 03-08-2009 11:44:09
  return WriteSample(QStringLiteral("minutes.57x"), options);
}

QString DailyLog() {
  SampleLogOptions options;
  options.records = 400;  // to 04-10-2010
  options.intervalSeconds = 86400;
  return WriteSample(QStringLiteral("days.57x"), options);
}

// Runs Edit > Go To Time; `act` types into the dialog once it is up. Returns the dialog's
// problem text if it stayed open (it is then cancelled), else an empty text.
QString GoToTimeThroughMenu(CMeterlog2App& app, const std::function<void(GoToTimeDialog*)>& act) {
  QString problem;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<GoToTimeDialog*>(modal);
    QVERIFY(dialog);
    act(dialog);
    if (dialog->isVisible()) {
      problem = Child<QLabel>(dialog, "problem")->isVisible()
                    ? Child<QLabel>(dialog, "problem")->text()
                    : "(still open)";
      dialog->reject();
    }
  });
  app.GetMainFrame()->GetCommands().goToTime->trigger();
  return problem;
}

// Types `text` over the whole box, key by key, then Enter.
void TypeAndEnter(GoToTimeDialog* dialog, const QString& text) {
  QLineEdit* edit = Child<QLineEdit>(dialog, "dateTime");
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, text);
  QCOMPARE(edit->text(), text);
  QTest::keyClick(edit, Qt::Key_Return);
}

unsigned CurrentRow(CMeterlog2App& app) {
  return unsigned(app.GetView()->currentIndex().row());
}

}  // namespace

class DateFormatTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ClearSettings();
    SetDateFormat(TimeStyle::kTable);
    TakeMessages();
  }
  void cleanup() { SetDateFormat(TimeStyle::kTable); }

  void eachFormatWritesAndReadsTheSameMoment() {
    const ClockTime t{2009, 3, 7, 14, 5, 9};
    QCOMPARE(RecordTimeText(t, TimeStyle::kTable), QStringLiteral("03-07-2009 14:05:09"));
    QCOMPARE(RecordTimeText(t, TimeStyle::kIsoSpace), QStringLiteral("2009-03-07 14:05:09"));
    const qint64 at = SecondsFromClockTime(t);
    QCOMPARE(RecordTimeText(at), QStringLiteral("03-07-2009 14:05:09"));
    // Every format reads back what it writes, the locale's too (whatever the suite's locale),
    // with seconds, a four-digit year, midnight and the afternoon of 12-hour clocks.
    for (const ClockTime& moment :
         {t, ClockTime{1999, 12, 31, 23, 59, 59}, ClockTime{2000, 2, 29, 0, 0, 0},
          ClockTime{2038, 1, 19, 12, 14, 8}}) {
      for (TimeStyle format : {TimeStyle::kTable, TimeStyle::kIsoSpace, TimeStyle::kLocale}) {
        const QString text = RecordTimeText(moment, format);
        QVERIFY2(text.contains(QString::number(moment.year)), qPrintable(text));
        QCOMPARE(ParseRecordTime(text, format),
                 std::optional<qint64>(SecondsFromClockTime(moment)));
      }
    }
    // ISO 8601 is taken whatever the format; the seconds and the time may be left out.
    for (TimeStyle format : {TimeStyle::kTable, TimeStyle::kIsoSpace, TimeStyle::kLocale}) {
      QCOMPARE(ParseRecordTime(QStringLiteral("2009-03-08 10:30:15"), format),
               std::optional<qint64>(SecondsOf(2009, 3, 8, 10, 30, 15)));
      QCOMPARE(ParseRecordTime(QStringLiteral("2009-03-08T10:30"), format),
               std::optional<qint64>(SecondsOf(2009, 3, 8, 10, 30, 0)));
      QCOMPARE(ParseRecordTime(QStringLiteral("2009-12-31"), format),
               std::optional<qint64>(SecondsOf(2009, 12, 31, 0, 0, 0)));
    }
    // Month-day-year is not read as day-month-year, and no text is cut to what fits.
    QCOMPARE(ParseRecordTime(QStringLiteral("12-31-2009"), TimeStyle::kTable),
             std::optional<qint64>(SecondsOf(2009, 12, 31, 0, 0, 0)));
    for (const char* refused : {"31-12-2009", "03-08-2009 10:30:15x", "03-08-09 10:30", "", "today",
                                "02-30-2009", "03-08-2009 24:00:00"})
      QVERIFY2(!ParseRecordTime(QLatin1String(refused), TimeStyle::kTable), refused);
    // Under ISO the log's own form is not guessed at.
    QVERIFY(!ParseRecordTime(QStringLiteral("03-08-2009 10:30:15"), TimeStyle::kIsoSpace));
  }

  void theChoiceIsRememberedAndAnnounced() {
    QSignalSpy changed(DateFormatChanges(), &DateFormatNotifier::Changed);
    SetDateFormat(TimeStyle::kIsoSpace);
    SetDateFormat(TimeStyle::kIsoSpace);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(OpenSettings()->value(QStringLiteral("View/DateFormat")).toString(),
             QStringLiteral("iso"));
    QCOMPARE(CurrentDateFormat(), TimeStyle::kIsoSpace);
  }

  void tableTitleStatusAndGoToTimeFollowTheChoice() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("dates.57x"), 4, 30)}, false));
    CMainFrame* frame = app.GetMainFrame();
    CMeterlog2View* view = app.GetView();
    const auto& c = frame->GetCommands();
    const int time = 1;
    QCOMPARE(view->model()->headerData(time, Qt::Horizontal).toString(), QStringLiteral("Time"));
    QVERIFY(c.dateLog->isChecked() && !c.dateIso->isChecked());
    view->SelectRow(2);
    QCOMPARE(Child<QLabel>(frame, "currentPane")->text(),
             QStringLiteral("Record 3: 03-07-2009 14:07:09"));
    QString error;
    const QString before = ScratchDir() + "/dates-before.csv";
    QVERIFY(view->Export().ExportCsv(before, false, error));
    view->selectRow(2);
    const QString clipBefore = view->Export().SelectionText();

    c.dateIso->trigger();
    QVERIFY(c.dateIso->isChecked() && !c.dateLog->isChecked());
    QCOMPARE(view->model()->index(2, time).data().toString(),
             QStringLiteral("2009-03-07 14:07:09"));
    QCOMPARE(frame->windowTitle(),
             QStringLiteral("dates.57x: Three Phase Tabular Log 2009-03-07 14:05:09 - Meterlog"));
    QCOMPARE(Child<QLabel>(frame, "currentPane")->text(),
             QStringLiteral("Record 3: 2009-03-07 14:07:09"));
    // The CSV and the clipboard keep their own option and bytes.
    const QString after = ScratchDir() + "/dates-after.csv";
    QVERIFY(view->Export().ExportCsv(after, false, error));
    QCOMPARE(ReadAll(after), ReadAll(before));
    QCOMPARE(view->Export().SelectionText(), clipBefore);
    // Go To Time offers and takes the chosen form.
    QCOMPARE(GoToTimeThroughMenu(app,
                                 [](GoToTimeDialog* dialog) {
                                   QCOMPARE(Child<QLineEdit>(dialog, "dateTime")->text(),
                                            QStringLiteral("2009-03-07 14:07:09"));
                                   TypeAndEnter(dialog, QStringLiteral("2009-03-07 14:20:00"));
                                 }),
             QString());
    QCOMPARE(CurrentRow(app), 15u);

    // The locale's form is as wide as its column; the choice is remembered for the next start.
    c.dateLocale->trigger();
    const QString local = view->model()->index(2, time).data().toString();
    QCOMPARE(local, RecordTimeText(SecondsOf(2009, 3, 7, 14, 7, 9), TimeStyle::kLocale));
    QVERIFY(view->horizontalHeader()->sectionSize(time) >
            view->fontMetrics().horizontalAdvance(local));
    QCOMPARE(OpenSettings()->value(QStringLiteral("View/DateFormat")).toString(),
             QStringLiteral("locale"));
    c.dateLog->trigger();
    QCOMPARE(view->model()->index(2, time).data().toString(),
             QStringLiteral("03-07-2009 14:07:09"));
  }

  void configureDeviceShowsTheChosenFormat() {
    ConfigDialogValues values;
    values.deviceDateTime = "Mar 15, 2010 14:05:09";
    values.deviceClock = {2010, 3, 15, 14, 5, 9};
    SetDateFormat(TimeStyle::kIsoSpace);
    {
      CConfigUnit dialog;
      dialog.SetValues(values);
      dialog.show();
      QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("dateTime"))->text(),
               QStringLiteral("2010-03-15 14:05:09"));
    }
    // A date the calendar does not have is shown as the instrument holds it.
    values.deviceDateTime = "2010-13-15 14:05:09";
    values.deviceClock.month = 13;
    CConfigUnit dialog;
    dialog.SetValues(values);
    dialog.show();
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("dateTime"))->text(),
             QStringLiteral("2010-13-15 14:05:09"));
  }

  void goToTimeTakesWhatIsTypedKeyByKey() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({MinuteLog()}, false));
    // Typed over the whole box: 10:30:15 of the next day, so the record of 10:31:09.
    QCOMPARE(GoToTimeThroughMenu(app,
                                 [](GoToTimeDialog* dialog) {
                                   QCOMPARE(Child<QLineEdit>(dialog, "dateTime")->text(),
                                            QStringLiteral("03-07-2009 14:05:09"));
                                   TypeAndEnter(dialog, QStringLiteral("03-08-2009 10:30:15"));
                                 }),
             QString());
    QCOMPARE(CurrentRow(app), 1226u);
    QCOMPARE(app.GetView()->SelectedRows(), std::vector<unsigned>{1226});

    // Not a time: said in the dialog, which stays open; nothing moves.
    const QString refused = GoToTimeThroughMenu(app, [](GoToTimeDialog* dialog) {
      QCOMPARE(Child<QLineEdit>(dialog, "dateTime")->text(), QStringLiteral("03-08-2009 10:31:09"));
      TypeAndEnter(dialog, QStringLiteral("31-12-2009 10:00"));
    });
    QVERIFY2(refused.contains(QLatin1String("\"31-12-2009 10:00\" is not a date and time")),
             qPrintable(refused));
    QVERIFY(refused.contains(QLatin1String("MM-DD-YYYY hh:mm:ss")));
    QCOMPARE(CurrentRow(app), 1226u);

    // Past the last record: said, and the dialog stays open for a correction.
    const QString past = GoToTimeThroughMenu(
        app, [](GoToTimeDialog* dialog) { TypeAndEnter(dialog, QStringLiteral("03-09-2009")); });
    QCOMPARE(past, QStringLiteral("No record of this log is at or after 03-09-2009 00:00:00; its "
                                  "last record is of 03-08-2009 11:44:09."));
    QCOMPARE(CurrentRow(app), 1226u);

    // A correction after a refusal goes through; ISO 8601 is taken as well.
    QCOMPARE(GoToTimeThroughMenu(
                 app,
                 [](GoToTimeDialog* dialog) {
                   TypeAndEnter(dialog, QStringLiteral("not a time"));
                   QVERIFY(dialog->isVisible() && Child<QLabel>(dialog, "problem")->isVisible());
                   QTest::keyClicks(Child<QLineEdit>(dialog, "dateTime"), QStringLiteral("x"));
                   QVERIFY(!Child<QLabel>(dialog, "problem")->isVisible());
                   TypeAndEnter(dialog, QStringLiteral("2009-03-07 15:00"));
                 }),
             QString());
    QCOMPARE(CurrentRow(app), 55u);
  }

  void goToTimeTakesAPastedDateWhole() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({DailyLog()}, false));
    QGuiApplication::clipboard()->setText(QStringLiteral("12-31-2009"));
    QCOMPARE(GoToTimeThroughMenu(
                 app,
                 [](GoToTimeDialog* dialog) {
                   Child<QLineEdit>(dialog, "dateTime")->selectAll();
                   QTest::keySequence(Child<QLineEdit>(dialog, "dateTime"), QKeySequence::Paste);
                   QCOMPARE(Child<QLineEdit>(dialog, "dateTime")->text(),
                            QStringLiteral("12-31-2009"));
                   QTest::keyClick(Child<QLineEdit>(dialog, "dateTime"), Qt::Key_Return);
                 }),
             QString());
    // 12-31-2009 00:00:00: the record of that day's 14:05:09, 299 days after the first.
    QCOMPARE(CurrentRow(app), 299u);
    QCOMPARE(app.GetView()->model()->index(299, 1).data().toString(),
             QStringLiteral("12-31-2009 14:05:09"));
  }
};

REGISTER_GUI_TEST(DateFormatTest);
#include "date_format_test.moc"
