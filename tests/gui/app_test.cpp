// The application as the user meets it: start-up, titles, the command states through open,
// data-format changes and revert, recent files, drops, the About box and the dump file.

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/AboutDialog.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "app/LogSession.h"
#include "app/RecentFileList.h"
#include "app/ToolbarIcons.h"
#include "app/VersionText.h"
#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/Settings.h"
#include "log/LogTypes.h"
#include "log/RecordDump.h"
#include "plot/TrendPlot.h"
#include "plotpane/PlotPane.h"
#include "view/CMeterlog2View.h"
#include "view/LogTableModel.h"

using meterlog2::log::DumpFilePath;
using meterlog2::log::DumpWriter;
using meterlog2::plotpane::PlotPane;

void InstallMessageSink();

namespace {

struct CommandState {
  bool exportCsv, selectColumns, dataFormat, copy;
};

CommandState States(CMeterlog2App& app) {
  const auto& c = app.GetMainFrame()->GetCommands();
  return {c.exportCsv->isEnabled(), c.selectColumns->isEnabled(),
          app.GetMainFrame()->GetDataFormatMenu()->menuAction()->isEnabled(),
          c.editCopy->isEnabled()};
}

// The dump file's path, with the file and its older part removed.
QString FreshDumpFile() {
  const QString path = QString::fromStdString(DumpFilePath());
  QFile::remove(path);
  QFile::remove(QString::fromStdString(DumpWriter::RotatedPath(DumpFilePath())));
  return path;
}

QString ExpectedTitle(CMeterlog2App& app) {
  std::string title;
  if (!app.GetDocument().GetRecordTitle(title, 0)) return QString();
  return QString::fromStdString(title);
}

}  // namespace

class AppTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ClearSettings();
    TakeMessages();
  }

  void versionText() {
    QCOMPARE(FormatVersionText(2, 0, 0, 2), QStringLiteral("v2.002"));
    QCOMPARE(FormatVersionText(10, 1, 2, 3), QStringLiteral("v10.123"));
    AboutDialog about;
    QCOMPARE(about.windowTitle(), QStringLiteral("About Meterlog"));
    QCOMPARE(about.VersionText(), QStringLiteral(METERLOG2_EXPECTED_VERSION_TEXT));
  }

  void startWithoutFile() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    QCOMPARE(app.GetMainFrame()->windowTitle(), QStringLiteral("Flash File: Empty - Meterlog"));
    QCOMPARE(app.GetView()->model()->rowCount(), 0);
    QCOMPARE(app.GetView()->model()->columnCount(), 0);
    const CommandState s = States(app);
    QVERIFY(!s.exportCsv && !s.selectColumns && !s.dataFormat && !s.copy);
    const auto& c = app.GetMainFrame()->GetCommands();
    for (QAction* always : {c.fileOpen, c.appExit, c.configure, c.download, c.appAbout})
      QVERIFY(always->isEnabled());
    // Logs are only read: Exit promises no question about saving that never comes.
    QCOMPARE(c.appExit->statusTip(), QStringLiteral("Quit the application"));
    QCOMPARE(Child<QLabel>(app.GetMainFrame(), "messagePane")->text(), QStringLiteral("Ready"));
    QVERIFY(TakeMessages().isEmpty());
  }

  void startWithFileAndFailedStart() {
    const QString path = WriteSample(QStringLiteral("start.57x"), 1, 12);
    {
      CMeterlog2App app;
      QVERIFY(app.InitInstance({path}));
      QCOMPARE(app.GetView()->model()->rowCount(), 12);
      QCOMPARE(app.GetView()->model()->columnCount(), 23);
      QVERIFY(ExpectedTitle(app).startsWith(QLatin1String("Standard Log ")));
      QCOMPARE(app.GetMainFrame()->windowTitle(),
               "start.57x: " + ExpectedTitle(app) + " - Meterlog");
      const CommandState s = States(app);
      QVERIFY(s.exportCsv && s.selectColumns && s.dataFormat && !s.copy);
      app.GetView()->selectRow(3);
      QVERIFY(app.GetMainFrame()->GetCommands().editCopy->isEnabled());
      app.GetView()->clearSelection();
      QVERIFY(!app.GetMainFrame()->GetCommands().editCopy->isEnabled());
    }
    // A file that cannot be opened ends start-up after telling the user.
    CMeterlog2App app;
    QVERIFY(!app.InitInstance({ScratchDir() + "/missing.57x"}, false));
    QCOMPARE(TakeMessages().size(), 1);
  }

  void emptyFileAndNewDocumentClearRows() {
    SampleLogOptions none;
    none.logType = 1;
    none.records = 0;
    const QString empty = WriteSample(QStringLiteral("norecords.57x"), none);
    const QString path = WriteSample(QStringLiteral("five.57x"), 1, 5);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    QVERIFY(app.OpenDocumentFile(empty));
    QCOMPARE(app.GetTitle(), QStringLiteral("Flash File: Empty"));
    // The column list stays; the rows follow the document.
    QCOMPARE(app.GetView()->model()->columnCount(), 23);
    QCOMPARE(app.GetView()->model()->rowCount(), 0);
    QVERIFY(!States(app).exportCsv);

    QVERIFY(app.OpenDocumentFile(path));
    app.GetMainFrame()->GetCommands().fileNew->trigger();
    QCOMPARE(app.GetTitle(), QStringLiteral("Flash File: Empty"));
    QCOMPARE(app.GetView()->model()->rowCount(), 0);
  }

  void unknownLogTypeInFirstRecord() {
    SampleLogOptions odd;
    odd.logType = 9;
    odd.records = 4;
    const QString path = WriteSample(QStringLiteral("type9.57x"), odd);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    QCOMPARE(app.GetTitle(), QStringLiteral("Flash File: Empty"));
    QCOMPARE(app.GetView()->model()->columnCount(), 59);
    QCOMPARE(app.GetView()->model()->rowCount(), 4);
    QCOMPARE(app.GetView()->model()->index(0, 0).data().toString(), QStringLiteral("Oops!"));
  }

  void dataFormatMarksAndRevert() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("f256.57x"), 1, 3, 256)}, false));
    const auto& c = app.GetMainFrame()->GetCommands();
    QVERIFY(c.format0100->isChecked() && !c.format0001->isChecked());
    QVERIFY(!c.formatUnknown->isEnabled() && !c.formatUnknown->isChecked());
    QVERIFY(!c.formatRevert->isEnabled());
    const int freq = app.GetView()->model()->columnCount() > 4 ? 4 : 0;
    const QString before = app.GetView()->model()->index(0, freq).data().toString();
    app.GetView()->selectRow(1);

    c.format0001->trigger();
    QVERIFY(c.format0001->isChecked() && !c.format0100->isChecked());
    QVERIFY(c.formatRevert->isEnabled());
    QVERIFY(app.GetView()->model()->index(0, freq).data().toString() != before);
    // Not a vector log: only a repaint, the selection survives.
    QVERIFY(app.GetView()->HasSelection());

    c.formatRevert->trigger();
    QCOMPARE(app.GetDocument().GetDataFormat(), 256u);
    QVERIFY(c.format0100->isChecked() && !c.formatRevert->isEnabled());
    QCOMPARE(app.GetView()->model()->index(0, freq).data().toString(), before);

    // Marker 0: "Unknown" until a format is chosen; revert to 0 is refused.
    QVERIFY(app.OpenDocumentFile(WriteSample(QStringLiteral("f0.57x"), 1, 3, 0)));
    QVERIFY(c.formatUnknown->isEnabled() && c.formatUnknown->isChecked());
    QVERIFY(!c.format0001->isChecked() && !c.format0100->isChecked());
    c.formatUnknown->trigger();  // does nothing, and the check mark stays
    QVERIFY(c.formatUnknown->isChecked());
    c.format0100->trigger();
    QVERIFY(!c.formatUnknown->isEnabled() && !c.formatUnknown->isChecked());
    QVERIFY(c.formatRevert->isEnabled());
    c.formatRevert->trigger();
    QCOMPARE(app.GetDocument().GetDataFormat(), 256u);
    QVERIFY(c.formatRevert->isEnabled());
  }

  void vectorLogSwitchesColumnSets() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("vec.57x"), 5, 6, 1)}, false));
    CMeterlog2View* view = app.GetView();
    QCOMPARE(view->model()->columnCount(), 59);
    view->GetColumnList().Entries()[3].bVisible = false;
    view->RebuildTable();
    QCOMPARE(view->model()->columnCount(), 58);
    view->selectRow(2);
    app.GetMainFrame()->GetCommands().format0100->trigger();
    QCOMPARE(view->model()->columnCount(), 18);
    QCOMPARE(view->SelectedRows(), std::vector<unsigned>{2});  // the same records
    app.GetMainFrame()->GetCommands().format0001->trigger();
    QCOMPARE(view->model()->columnCount(), 59);  // every column shown again
    QCOMPARE(view->model()->rowCount(), 6);
  }

  void aFailedOpenKeepsTheOpenLog() {
    const QString open = WriteSample(QStringLiteral("kept.57x"), 4, 30);
    const QString text = ScratchDir() + QStringLiteral("/notes.57x");
    {
      QFile file(text);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write("  This is a text file, not a log.\n");  // header size "is" = 0x6973
    }
    const QString whole = WriteSample(QStringLiteral("whole.57x"), 2, 20);
    const QString cut = ScratchDir() + QStringLiteral("/cut.57x");
    {
      QFile file(cut);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(ReadAll(whole).left(64 + 12 + 6 + 7 * 1103 + 500));  // 7 records and a part
    }
    const QString shortHeader = ScratchDir() + QStringLiteral("/short.57x");
    {
      QFile file(shortHeader);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(QByteArray("\x01\x00\x00", 3));
    }
    CMeterlog2App app;
    QVERIFY(app.InitInstance({open}, false));
    CMainFrame* frame = app.GetMainFrame();
    CMeterlog2View* view = app.GetView();
    view->SelectRow(12);
    view->GetColumnList().Entries()[5].bVisible = false;
    view->RebuildTable();
    const QString title = frame->windowTitle();
    QVERIFY2(title.startsWith(QLatin1String("kept.57x: Three Phase Tabular Log ")),
             qPrintable(title));
    const int columns = view->model()->columnCount();
    const QString header = view->model()->headerData(5, Qt::Horizontal).toString();
    const QString cell = view->model()->index(12, 5).data().toString();
    const int trendColumns = Child<QListWidget>(app.GetMainFrame(), "trendColumns")->count();
    const auto unchanged = [&](const char* what) {
      QVERIFY2(frame->windowTitle() == title, what);
      QCOMPARE(app.GetDocument().GetRecordCount(), 30u);
      QCOMPARE(view->model()->rowCount(), 30);
      QCOMPARE(view->model()->columnCount(), columns);
      QCOMPARE(view->model()->headerData(5, Qt::Horizontal).toString(), header);
      QCOMPARE(view->model()->index(12, 5).data().toString(), cell);
      QCOMPARE(view->SelectedRows(), std::vector<unsigned>{12});
      QCOMPARE(view->GetSourcePath(), open);
      QCOMPARE(Child<QListWidget>(app.GetMainFrame(), "trendColumns")->count(), trendColumns);
      QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(), QStringLiteral("30 records"));
      QCOMPARE(app.GetRecentFiles().Files(), QStringList{QDir::toNativeSeparators(open)});
    };

    // Not a log: the described message, then in words what is wrong, naming the file.
    QVERIFY(!app.OpenDocumentFile(text));
    QCOMPARE(TakeMessages(),
             QStringList{QStringLiteral("Error in File Header Size\n\n%1 is not a 57x log: its "
                                        "header size is 26995 (a log's is at most 3100).")
                             .arg(QDir::toNativeSeparators(text))});
    unchanged("not a log");
    // Ends inside its header; and a file that is not there.
    QVERIFY(!app.OpenDocumentFile(shortHeader));
    QVERIFY(TakeMessages().value(0).endsWith(
        QLatin1String("short.57x is not a 57x log: it ends after 3 bytes, inside its header.")));
    unchanged("ends inside its header");
    QVERIFY(!app.OpenDocumentFile(ScratchDir() + "/missing.57x"));
    QCOMPARE(TakeMessages().size(), 1);
    unchanged("missing");

    // Cut short: one question says what is wrong and how many records are complete. No: the
    // open log stays.
    QStringList asked;
    SetAnswerHook([&](const QString& question) {
      asked << question;
      return false;
    });
    QVERIFY(!app.OpenDocumentFile(cut));
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].startsWith(QLatin1String("Error in File Size (")));
    QVERIFY2(asked[0].endsWith(QStringLiteral("\n\n%1 is cut short: its header declares 20 "
                                              "records, and only 7 are complete.\n\nOpen the 7 "
                                              "complete records?")
                                   .arg(QDir::toNativeSeparators(cut))),
             qPrintable(asked[0]));
    QCOMPARE(TakeMessages().size(), 1);  // the question itself, nothing after it
    unchanged("salvage declined");

    // Yes: the complete records; the title and the status bar say the log is not whole.
    SetAnswerHook([](const QString&) { return true; });
    QVERIFY(app.OpenDocumentFile(cut));
    SetAnswerHook(nullptr);
    TakeMessages();
    QCOMPARE(app.GetDocument().GetRecordCount(), 7u);
    QCOMPARE(view->model()->rowCount(), 7);
    QVERIFY2(
        frame->windowTitle().startsWith(QLatin1String("cut.57x: Harmonic Log ")) &&
            frame->windowTitle().endsWith(QLatin1String(" (salvaged: 7 of 20 records) - Meterlog")),
        qPrintable(frame->windowTitle()));
    QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(),
             QStringLiteral("7 of 20 records (salvaged)"));
    QCOMPARE(app.GetRecentFiles()[0], QDir::toNativeSeparators(cut));
    // A whole log afterwards is just itself.
    QVERIFY(app.OpenDocumentFile(whole));
    QVERIFY(TakeMessages().isEmpty());
    QVERIFY(!frame->windowTitle().contains(QLatin1String("salvaged")));
    QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(), QStringLiteral("20 records"));
  }

  void theSalvageQuestionDefaultsToYes() {
    const QString whole = WriteSample(QStringLiteral("whole-yes.57x"), 1, 5);
    const QString cut = ScratchDir() + QStringLiteral("/cut-yes.57x");
    {
      QFile file(cut);
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(ReadAll(whole).chopped(10));
    }
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    SetMessageHook(nullptr);  // the real box this once
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      QVERIFY(box);
      defaultButton = box->standardButton(box->defaultButton());
      QTest::keyClick(box, Qt::Key_Return);
    });
    const bool opened = app.OpenDocumentFile(cut);
    InstallMessageSink();
    QCOMPARE(defaultButton, QMessageBox::Yes);
    QVERIFY(opened);
    QCOMPARE(app.GetDocument().GetRecordCount(), 4u);
  }

  void startingWithAFileThatIsNoLogStartsEmpty() {
    const QString text = ScratchDir() + QStringLiteral("/start-notes.57x");
    QFile file(text);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Some text that is longer than a header.\n");
    file.close();
    CMeterlog2App app;
    QVERIFY(app.InitInstance({text}, false));
    QCOMPARE(TakeMessages().size(), 1);
    QCOMPARE(app.GetMainFrame()->windowTitle(), QStringLiteral("Flash File: Empty - Meterlog"));
    QCOMPARE(app.GetRecentFiles().GetSize(), 0);
  }

  void iconsAreDrawnAtEverySize() {
    // Drawn afresh for the size asked (200 % scaling asks 32 for 16, 300 % 48), never blown up.
    for (int size : {16, 24, 32, 48, 96}) {
      const QImage image = ToolbarIcon(ToolbarIconKind::kDownload).pixmap(size).toImage();
      QCOMPARE(image.size(), QSize(size, size));
      // Sharp: the arrow's colour fills whole pixels, as at 16.
      int solid = 0;
      for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) solid += qAlpha(image.pixel(x, y)) == 255;
      QVERIFY2(solid > size * size / 5, qPrintable(QString::number(size)));
    }
    const QIcon icon = ToolbarIcon(ToolbarIconKind::kCopy);
    QVERIFY(icon.pixmap(32, QIcon::Disabled).toImage() != icon.pixmap(32).toImage());
    QVERIFY(ProgramIcon().availableSizes().contains(QSize(256, 256)));
  }

  void recentFilesKeepFourNewestFirst() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
      paths << WriteSample(QStringLiteral("recent-%1.57x").arg(i), 1, 2);
      QVERIFY(app.OpenDocumentFile(paths.back()));
    }
    QVERIFY(app.OpenDocumentFile(paths[2]));  // reopening moves it to the top, no duplicate
    RecentFileList stored;
    stored.ReadList();
    QCOMPARE(stored.GetSize(), 4);
    QCOMPARE(stored[0], QDir::toNativeSeparators(paths[2]));
    QCOMPARE(stored[1], QDir::toNativeSeparators(paths[4]));
    QCOMPARE(stored[3], QDir::toNativeSeparators(paths[1]));
    // The recent files are the File menu's entries that carry their place in the list.
    QList<QAction*> actions;
    for (QAction* action : Child<QMenu>(app.GetMainFrame(), "fileMenu")->actions())
      if (action->data().isValid()) actions << action;
    QCOMPARE(actions.size(), 4);
    for (QAction* action : actions) QVERIFY(action->text().size() <= 3 + 30);
    QVERIFY(!app.GetMainFrame()->GetCommands().recentPlaceholder->isVisible());

    // A recent file that has gone leaves the list when chosen.
    QFile::remove(paths[4]);
    emit app.GetMainFrame()->RecentFileChosen(1);
    QCOMPARE(TakeMessages().size(), 1);
    stored.ReadList();
    QCOMPARE(stored.GetSize(), 3);
    QVERIFY(!stored.Files().contains(QDir::toNativeSeparators(paths[4])));

#ifndef Q_OS_WIN
    // Kept in the program's own folder; a list an earlier version kept elsewhere is taken over.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    QVERIFY(ReadAll(config + "/meterlog2/meterlog2.conf").contains("recent-2.57x"));
    QVERIFY(!QFile::exists(config + "/Local AppWizard-Generated Applications/Meterlog.conf"));
    {
      QSettings earlier(config + "/Local AppWizard-Generated Applications/Meterlog.conf",
                        QSettings::IniFormat);
      earlier.setValue("Recent File List/File1", paths[0]);
    }
    ClearSettings();
    stored.ReadList();
    QCOMPARE(stored.GetSize(), 1);
    QCOMPARE(stored[0], QDir::toNativeSeparators(paths[0]));
    QFile::remove(config + "/Local AppWizard-Generated Applications/Meterlog.conf");
#endif
  }

  void abbreviatedPaths() {
    QCOMPARE(AbbreviatePath("/short/name.57x", 30), QStringLiteral("/short/name.57x"));
    const QString longPath = "/home/engineer/measurements/site-b/2009/march/log.57x";
    const QString shown = AbbreviatePath(longPath, 30);
    QVERIFY(shown.size() <= 30);
    QVERIFY(shown.startsWith("/...") && shown.endsWith("/march/log.57x"));
    QCOMPARE(AbbreviatePath("/data/a-very-long-folder-name/more/x.57x", 30),
             QStringLiteral("/.../more/x.57x"));
    QVERIFY(AbbreviatePath("/d/" + QString(40, 'n') + ".57x", 30).size() <= 30);
  }

  void dropOpensTheFile() {
    const QString path = WriteSample(QStringLiteral("dropped.57x"), 2, 3);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.GetMainFrame(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(app.GetMainFrame(), &drop);
    QTRY_COMPARE(app.GetView()->model()->rowCount(), 3);
    QCOMPARE(app.GetView()->model()->columnCount(), 225);
  }

  void barsToggleAndCommandsWithoutFlows() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}));
    const auto& c = app.GetMainFrame()->GetCommands();
    QVERIFY(c.viewToolbar->isChecked() && c.viewStatusBar->isChecked());
    c.viewToolbar->trigger();
    QVERIFY(!app.GetMainFrame()->GetToolBar()->isVisible() && !c.viewToolbar->isChecked());
    c.viewToolbar->trigger();
    QVERIFY(app.GetMainFrame()->GetToolBar()->isVisible() && c.viewToolbar->isChecked());
    QCOMPARE(app.GetMainFrame()->toolBarArea(app.GetMainFrame()->GetToolBar()), Qt::TopToolBarArea);
    c.viewStatusBar->trigger();
    QVERIFY(!app.GetMainFrame()->statusBar()->isVisible() && !c.viewStatusBar->isChecked());
    c.viewStatusBar->trigger();
    QVERIFY(app.GetMainFrame()->statusBar()->isVisible());

    // Prompts: the first half in the status bar, the second as the button's tooltip.
    c.exportCsv->showStatusText(app.GetMainFrame());
    QCOMPARE(app.GetMainFrame()->statusBar()->currentMessage(),
             QStringLiteral("Export the current file as a CSV file"));
    QStatusTipEvent idle{QString()};
    QApplication::sendEvent(app.GetMainFrame(), &idle);
    QCOMPARE(app.GetMainFrame()->statusBar()->currentMessage(), QString());
    QVERIFY(Child<QLabel>(app.GetMainFrame(), "messagePane")->isVisible());
    QCOMPARE(app.GetMainFrame()->GetToolBar()->widgetForAction(c.download)->toolTip(),
             QStringLiteral("Down Load Flash File"));
  }

  void theLogSessionTellsOnlyRealChanges() {
    using meterlog2::app::LogSession;
    const QString log = WriteSample(QStringLiteral("session.57x"), 1, 5);
    LogSession session;
    QSignalSpy replaced(&session, &LogSession::LogReplaced);
    QSignalSpy reread(&session, &LogSession::DataFormatChanged);
    QVERIFY(session.Open(log, nullptr));
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(session.SourcePath(), log);
    QCOMPARE(session.FileName(), QStringLiteral("session.57x"));

    // A file that does not open is told, and neither the log nor those who follow it change.
    QVERIFY(!session.Open(ScratchDir() + "/missing.57x", nullptr));
    QCOMPARE(TakeMessages().size(), 1);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(session.SourcePath(), log);
    QCOMPARE(session.Document().GetRecordCount(), 5u);

    // Another byte order is the same log read again; a refused one changes nothing.
    QVERIFY(session.SetDataFormat(kDataFormat0100));
    QCOMPARE(reread.count(), 1);
    QVERIFY(!session.SetDataFormat(kDataFormatUnknown));
    QCOMPARE(reread.count(), 1);
    QCOMPARE(session.Document().GetDataFormat(), kDataFormat0100);
    QCOMPARE(replaced.count(), 1);

    session.Close();
    QCOMPARE(replaced.count(), 2);
    QVERIFY(!session.HasRecords() && session.SourcePath().isEmpty());
  }

  void theCommandsFollowTheTableByKeyboard() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("keys.57x"), 1, 6)}));
    QVERIFY(QTest::qWaitForWindowActive(app.GetMainFrame()));
    CMainFrame* frame = app.GetMainFrame();
    const auto& c = frame->GetCommands();
    CMeterlog2View* view = app.GetView();
    view->setFocus();
    QVERIFY(c.exportCsv->isEnabled() && !c.editCopy->isEnabled());
    QTest::keyClick(view, Qt::Key_Down);
    QTest::keyClick(view, Qt::Key_Down, Qt::ShiftModifier);
    QVERIFY(c.editCopy->isEnabled());
    QCOMPARE(Child<QLabel>(frame, "selectedPane")->text(), QStringLiteral("2 selected"));
    const QString current = QStringLiteral("Record %1: ").arg(view->currentIndex().row() + 1);
    QVERIFY2(Child<QLabel>(frame, "currentPane")->text().startsWith(current),
             qPrintable(Child<QLabel>(frame, "currentPane")->text()));

    QTest::keyClick(view, Qt::Key_N, Qt::ControlModifier);  // no log
    QVERIFY(!c.exportCsv->isEnabled() && !c.editCopy->isEnabled());
    QCOMPARE(Child<QLabel>(frame, "selectedPane")->text(), QString());
    QCOMPARE(Child<QLabel>(frame, "currentPane")->text(), QString());
    QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(), QString());
  }

  void saveKeyNeverWritesTheLog() {
    const QString path = WriteSample(QStringLiteral("keep.57x"), 1, 4);
    const QByteArray before = ReadAll(path);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}));
    QTest::keyClick(app.GetView(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadAll(path), before);
  }

  void everyLoadAppendsItsDump() {
    const QString dumpPath = QString::fromStdString(DumpFilePath());
    QVERIFY(dumpPath.startsWith(ScratchDir()));
    QFile::remove(dumpPath);
    const QString path = WriteSample(QStringLiteral("dumped.57x"), 4, 3);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    QVERIFY(app.OpenDocumentFile(path));
    app.GetDumpWriter().WaitIdle();

    std::string one;
    const CMeterlog2Doc& doc = app.GetDocument();
    for (unsigned i = 0; i < doc.GetRecordCount(); ++i)
      AppendRecordDump(one, doc.GetRecord(i), doc.GetRecordSize());
    const QByteArray expected = QByteArray::fromStdString(one + one);
    QCOMPARE(ReadAll(dumpPath), expected);

    // Help > About says where the file is.
    AboutDialog about;
    QVERIFY(about.findChild<QLabel*>(QStringLiteral("dumpFile"))
                ->text()
                .contains(QDir::toNativeSeparators(dumpPath)));
  }

  void theDumpFileStaysBounded() {
    const QString dumpPath = QString::fromStdString(DumpFilePath());
    const QString rotated = QString::fromStdString(DumpWriter::RotatedPath(DumpFilePath()));
    QVERIFY(rotated.endsWith(QLatin1String("/meterlog2_dump.1.txt")));
    QFile::remove(dumpPath);
    QFile::remove(rotated);
    const QString path = WriteSample(QStringLiteral("rotated.57x"), 2, 3);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    app.GetDumpWriter().WaitIdle();
    const QByteArray one = ReadAll(dumpPath);
    QVERIFY(one.size() > 1000);

    // Room for one more dump: it is appended.
    app.GetDumpWriter().SetSizeLimit(static_cast<uint64_t>(one.size()) * 2 + 100);
    QVERIFY(app.OpenDocumentFile(path));
    app.GetDumpWriter().WaitIdle();
    QCOMPARE(ReadAll(dumpPath), one + one);
    QVERIFY(!QFile::exists(rotated));

    // No room: the full file moves aside whole and the dump begins a new one.
    QVERIFY(app.OpenDocumentFile(path));
    app.GetDumpWriter().WaitIdle();
    QCOMPARE(ReadAll(rotated), one + one);
    QCOMPARE(ReadAll(dumpPath), one);
    // Once more: the older part is replaced, never more than two files.
    app.GetDumpWriter().SetSizeLimit(static_cast<uint64_t>(one.size()) + 10);
    QVERIFY(app.OpenDocumentFile(path));
    app.GetDumpWriter().WaitIdle();
    QCOMPARE(ReadAll(rotated), one);
    QCOMPARE(ReadAll(dumpPath), one);
  }

  // Options > Diagnostic Dump: on by default, off writes nothing, and the choice is kept. The
  // About box and the status bar's tooltip tell the disk the dump takes, and that it is off.
  void theDumpCanBeTurnedOffAndTellsItsDiskUse() {
    const QString dumpPath = FreshDumpFile();
    const QString path = WriteSample(QStringLiteral("switched.57x"), 2, 3);
    {
      CMeterlog2App app;
      QVERIFY(app.InitInstance({path}, false));
      QAction* dump = app.GetMainFrame()->GetCommands().diagnosticDump;
      QVERIFY(dump->isCheckable() && dump->isChecked());
      app.GetDumpWriter().WaitIdle();
      const qint64 size = QFileInfo(dumpPath).size();
      QVERIFY(size > 1000);
      const QString disk = QStringLiteral("%1 KiB").arg((size + 1023) / 1024);
      QStatusBar* bar = app.GetMainFrame()->statusBar();
      QHelpEvent tip(QEvent::ToolTip, QPoint(5, 5), bar->mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(bar, &tip);
      QCOMPARE(bar->toolTip(), QStringLiteral("Diagnostic dump: %1 on the disk").arg(disk));
      QVERIFY(AboutDialog(nullptr, &app.GetDumpWriter())
                  .findChild<QLabel*>(QStringLiteral("dumpFile"))
                  ->text()
                  .contains(QStringLiteral("Both files take %1 on the disk").arg(disk)));

      dump->trigger();
      QVERIFY(!dump->isChecked());
      QVERIFY(app.OpenDocumentFile(path));
      app.GetDumpWriter().WaitIdle();
      QCOMPARE(QFileInfo(dumpPath).size(), size);
      QApplication::sendEvent(bar, &tip);
      QCOMPARE(bar->toolTip(), QStringLiteral("Diagnostic dump: off (%1 on the disk)").arg(disk));
      QVERIFY(AboutDialog(nullptr, &app.GetDumpWriter())
                  .findChild<QLabel*>(QStringLiteral("dumpFile"))
                  ->text()
                  .startsWith(QStringLiteral("The diagnostic dump is turned off")));
    }
    {
      const qint64 size = QFileInfo(dumpPath).size();
      CMeterlog2App app;  // the choice is remembered
      QVERIFY(app.InitInstance({path}, false));
      QVERIFY(!app.GetMainFrame()->GetCommands().diagnosticDump->isChecked());
      app.GetDumpWriter().WaitIdle();
      QCOMPARE(QFileInfo(dumpPath).size(), size);
      app.GetMainFrame()->GetCommands().diagnosticDump->trigger();  // on again for the others
    }
  }

  // A large log's table is painted before its dump begins and before its plots are built; the
  // dump still comes whole afterwards.
  void theTableIsPaintedBeforeTheDumpAndThePlots() {
    const QString dumpPath = FreshDumpFile();
    const QString path = WriteSample(QStringLiteral("first-paint.57x"), 4, 400);
    CMeterlog2App app;
    struct FirstPaint : QObject {
      QString dumpPath;
      PlotPane* pane = nullptr;
      bool seen = false;
      qint64 dumpBytes = -1;
      int graphs = -1;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen) {
          seen = true;
          dumpBytes = QFileInfo(dumpPath).size();
          graphs = pane->Trend()->SeriesCount();
        }
        return false;
      }
    } watch;
    watch.dumpPath = dumpPath;
    QVERIFY(app.InitInstance({}, false));
    watch.pane = Child<PlotPane>(app.GetMainFrame(), "plotPane");
    app.GetView()->viewport()->installEventFilter(&watch);
    app.GetMainFrame()->show();
    QVERIFY(app.OpenDocumentFile(path));
    QTRY_VERIFY(watch.seen);
    QCOMPARE(watch.dumpBytes, qint64(0));  // not even begun
    QCOMPARE(watch.graphs, 0);
    QTRY_COMPARE(Child<PlotPane>(app.GetMainFrame(), "plotPane")->Trend()->SeriesCount(), 2);
    app.GetDumpWriter().WaitIdle();
    std::string expected;
    const CMeterlog2Doc& doc = app.GetDocument();
    for (unsigned i = 0; i < doc.GetRecordCount(); ++i)
      AppendRecordDump(expected, doc.GetRecord(i), doc.GetRecordSize());
    QCOMPARE(ReadAll(dumpPath), QByteArray::fromStdString(expected));
  }

  // Without a home folder the settings last for the run, and no home folder is made up: not
  // by the program opening a log (which remembers it among the recent files), nor here.
  void settingsNeverMakeUpAHomeFolder() {
    const QString missing = ScratchDir() + QStringLiteral("/no such home");
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("XDG_STATE_HOME"));
    environment.insert(QStringLiteral("HOME"), missing);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("METERLOG2_TIME_FIRST_PAINT"), QStringLiteral("1"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(METERLOG2_GUI_PATH),
                  {WriteSample(QStringLiteral("homeless.57x"), 1, 3)});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY2(program.readAllStandardError().contains("first paint after"), "the program ran");
    QVERIFY(!QFileInfo::exists(missing));

    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(missing));
    qunsetenv("XDG_CONFIG_HOME");
    OpenSettings()->setValue(QStringLiteral("Settings/Probe"), 7);
    const int kept = OpenSettings()->value(QStringLiteral("Settings/Probe")).toInt();
    qputenv("HOME", home);
    qputenv("XDG_CONFIG_HOME", config);
    QCOMPARE(kept, 7);
    QVERIFY(!QFileInfo::exists(missing));
  }

  // Names with letters beyond ASCII, spaces and a dash: opened, listed, exported, and named in
  // a message as they are.
  void namesBeyondAscii() {
    QVERIFY(QDir(ScratchDir()).mkpath(QStringLiteral("Größe Ä")));
    const QString path = WriteSample(QStringLiteral("Größe Ä/Netz – 1.57x"), 4, 3);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    QCOMPARE(app.GetView()->model()->rowCount(), 3);
    QCOMPARE(app.GetRecentFiles()[0], path);
    QCOMPARE(app.GetView()->GetSourcePath(), path);
    const QString csv = ScratchDir() + QStringLiteral("/Größe Ä/Netz – 1.csv");
    QString error;
    QVERIFY2(app.GetView()->Export().ExportCsv(csv, false, error), qPrintable(error));
    QVERIFY(ReadAll(csv).startsWith("Log Type,Time,"));
    QVERIFY(!app.GetView()->Export().ExportCsv(path, false, error));
    QVERIFY2(error.contains(QStringLiteral("Netz – 1.57x")), qPrintable(error));

    TakeMessages();
    const QString missing = ScratchDir() + QStringLiteral("/Größe Ä/fehlt ü.57x");
    QVERIFY(!app.OpenDocumentFile(missing));
    const QStringList said = TakeMessages();
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(missing), qPrintable(said[0]));
    QCOMPARE(QStringFromPath(PathFromQString(missing)), missing);
  }

  void exportNeverWritesOntoTheOpenLog() {
    const QString path = WriteSample(QStringLiteral("target.57x"), 1, 4);
    const QByteArray before = ReadAll(path);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    QString error;
    QVERIFY(!app.GetView()->Export().ExportCsv(path, false, error));
    QVERIFY(error.contains(QLatin1String("being read")));
    QCOMPARE(ReadAll(path), before);
    // A link to it is the same file.
    const QString link = ScratchDir() + QStringLiteral("/link-to-target.csv");
    QFile::remove(link);
    QVERIFY(QFile::link(path, link));
    QVERIFY(!app.GetView()->Export().ExportCsv(link, false, error));
    QCOMPARE(ReadAll(path), before);
  }
};

REGISTER_GUI_TEST(AppTest);
#include "app_test.moc"
