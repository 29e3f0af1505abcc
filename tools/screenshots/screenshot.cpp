// Saves a picture of the main window with a sample log for the README:
//   gui_screenshot OUTPUT.png [trend|spectrum|waveform|phasor|columns|goto|envelope|statistics]
// (under Xvfb: xvfb-run -a -s "-screen 0 1280x900x24"). The plot pane shows the tab named
// (the trend without one), on a log of a kind that has it; "columns" pictures Select Columns,
// "goto" the Go To Time dialog refusing a day-month-year date, with dates shown as ISO 8601;
// "envelope" the trend of a 200,000-record Standard log, drawn as its least and greatest value
// per pixel column; "statistics" View > Statistics over the three rows selected, narrowed to
// the phase A columns, with dates shown as ISO 8601.

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTimer>

#include <QLineEdit>
#include <QTabWidget>
#include "ScratchState.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "common/DateFormat.h"
#include "plotpane/PlotPane.h"
#include "samples/SampleLog.h"
#include "view/CMeterlog2View.h"
#include "view/CSelectColumns.h"
#include "view/GoToTimeDialog.h"
#include "view/StatisticsDialog.h"

using meterlog2::view::StatisticsDialog;

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) return 2;
  const QString output = QString::fromLocal8Bit(argv[1]);
  const ScratchState scratch;

  const QString kind = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("trend");
  const QStringList kinds = {"trend",   "spectrum", "waveform", "phasor",
                             "columns", "goto",     "envelope", "statistics"};
  const int tab = int(kinds.indexOf(kind)) % 6;  // the envelope is the trend's
  if (!kinds.contains(kind)) return 2;
  const bool columns = kind == "columns";
  SampleLogOptions options;
  options.logType = kind == "waveform" ? 3 : kind == "phasor" ? 5 : kind == "envelope" ? 1 : 4;
  options.dataFormat = kind == "phasor" ? 256 : 1;
  options.records = kind == "envelope" ? 200000 : 200;
  const QString path = scratch.FilePath("three-phase.57x");
  std::string error;
  if (!WriteSampleLog(path.toStdString(), options, error)) return 1;

  CMeterlog2App app;
  if (!app.InitInstance({path})) return 1;
  app.GetMainFrame()->resize(1100, 820);
  if (kind == "goto") {
    SetDateFormat(TimeStyle::kIsoSpace);
    app.GetView()->SelectRow(21);
    bool saved = false;
    QTimer::singleShot(500, [&] {
      auto* goTo = qobject_cast<GoToTimeDialog*>(QApplication::activeModalWidget());
      if (goTo == nullptr) return;
      goTo->findChild<QLineEdit*>(QStringLiteral("dateTime"))
          ->setText(QStringLiteral("31-12-2009 10:00"));
      goTo->accept();  // refused: the dialog says why and stays open
      QTimer::singleShot(300, [&saved, goTo, output] {
        saved = goTo->grab().save(output);
        goTo->reject();
      });
    });
    app.GetMainFrame()->GetCommands().goToTime->trigger();
    return saved ? 0 : 1;
  }
  if (!columns && kind != "statistics")
    app.GetMainFrame()->findChild<QTabWidget*>(QStringLiteral("plotTabs"))->setCurrentIndex(tab);
  CSelectColumns dialog(app.GetMainFrame());
  if (columns) {
    for (const ColumnInfo& info : app.GetView()->GetColumnList().Entries())
      dialog.AddColumn(QString::fromStdString(info.strTitle), info.bVisible,
                       info.nColumnId != meterlog2::table::kTimeColumn);
    dialog.resize(820, 480);
    dialog.show();
    dialog.findChild<QLineEdit*>(QStringLiteral("filter"))->setText(QStringLiteral("phase a"));
  }
  for (int row : {3, 4, 5}) app.GetView()->selectRow(row);
  app.GetView()->selectionModel()->select(app.GetView()->model()->index(3, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  app.GetView()->selectionModel()->select(app.GetView()->model()->index(4, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  if (kind == "statistics") {
    SetDateFormat(TimeStyle::kIsoSpace);
    bool saved = false;
    QTimer::singleShot(500, [&] {
      auto* statistics = qobject_cast<StatisticsDialog*>(QApplication::activeModalWidget());
      if (statistics == nullptr) return;
      statistics->findChild<QLineEdit*>(QStringLiteral("filter"))
          ->setText(QStringLiteral("phase a"));
      QTimer::singleShot(300, [&saved, statistics, output] {
        saved = statistics->grab().save(output);
        statistics->reject();
      });
    });
    app.GetMainFrame()->GetCommands().statistics->trigger();
    return saved ? 0 : 1;
  }
  QTimer::singleShot(800, [&] {
    const bool ok = (columns ? dialog.grab() : app.GetMainFrame()->grab()).save(output);
    QApplication::exit(ok ? 0 : 1);
  });
  return QApplication::exec();
}
