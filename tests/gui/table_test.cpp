// The table: columns per log type, cells on demand, and what Copy and Export to CSV write
// after the user hid columns, dragged headers and selected rows.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <clocale>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "table/TableWriter.h"
#include "view/CMeterlog2View.h"
#include "view/CSelectColumns.h"
#include "view/ExportDialog.h"
#include "view/FrozenColumns.h"
#include "view/LogTableModel.h"

namespace {

QString Header(CMeterlog2View* view, int logical) {
  return view->model()->headerData(logical, Qt::Horizontal).toString();
}

int LogicalOf(CMeterlog2View* view, const QString& title) {
  for (int k = 0; k < view->model()->columnCount(); ++k)
    if (Header(view, k) == title) return k;
  return -1;
}

QByteArray CoreText(CMeterlog2View* view, const std::vector<unsigned>& rows, char separator) {
  return QByteArray::fromStdString(
      TableText(*view->GetDocument(), view->DisplayedColumns(), rows, separator));
}

}  // namespace

class TableTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { TakeMessages(); }

  void columnsPerLogType_data() {
    QTest::addColumn<int>("logType");
    QTest::addColumn<int>("dataFormat");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QString>("frequencyTitle");
    QTest::newRow("standard") << 1 << 1 << 23 << "Frequency";
    QTest::newRow("harmonic") << 2 << 1 << 225 << "Frequency";
    QTest::newRow("waveform") << 3 << 256 << 225 << "Frequency";
    QTest::newRow("tabular") << 4 << 1 << 665 << "3 Phase Frequency";
    QTest::newRow("vector 0001") << 5 << 1 << 59 << "3 Phase Frequency";
    QTest::newRow("vector 0100") << 5 << 256 << 18 << "";
    QTest::newRow("sequential") << 6 << 1 << 59 << "3 Phase Frequency";
  }

  void columnsPerLogType() {
    QFETCH(int, logType);
    QFETCH(int, dataFormat);
    QFETCH(int, columns);
    QFETCH(QString, frequencyTitle);
    CMeterlog2App app;
    const QString path = WriteSample(QStringLiteral("type%1-%2.57x").arg(logType).arg(dataFormat),
                                     logType, 7, static_cast<uint32_t>(dataFormat));
    QVERIFY(app.InitInstance({path}, false));
    CMeterlog2View* view = app.GetView();
    QCOMPARE(view->model()->columnCount(), columns);
    QCOMPARE(view->model()->rowCount(), 7);
    QCOMPARE(Header(view, 0), QStringLiteral("Log Type"));
    QCOMPARE(Header(view, 1), QStringLiteral("Time"));
    if (!frequencyTitle.isEmpty()) {
      QVERIFY(LogicalOf(view, frequencyTitle) >= 0);
      // The header's tooltip: the full title and the unit; no unit, no brackets.
      QCOMPARE(view->model()->headerData(LogicalOf(view, frequencyTitle), Qt::Horizontal,
                                         Qt::ToolTipRole),
               QVariant(frequencyTitle + QStringLiteral(" (Hz)")));
    }
    QCOMPARE(view->model()->headerData(1, Qt::Horizontal, Qt::ToolTipRole),
             QVariant(QStringLiteral("Time")));
    if (columns == 225) {
      QVERIFY(LogicalOf(view, "Ch1 Mag Harm 2") >= 0 && LogicalOf(view, "Ch1 Mag Harm 50") >= 0);
      QCOMPARE(LogicalOf(view, "Ch1 Mag Harm 51"), -1);
      const int fund = LogicalOf(view, "Ch1 Ph Fund");
      QCOMPARE(view->model()->index(3, fund).data().toString(), QStringLiteral("0.000000"));
    }
    // Cells are right-aligned; every column is wide enough for its header and for every cell
    // text it shows (and a Log Type column for the longest type name).
    QCOMPARE(view->model()->index(0, 1).data(Qt::TextAlignmentRole).toInt(),
             int(Qt::AlignRight | Qt::AlignVCenter));
    const QFontMetrics metrics = view->horizontalHeader()->fontMetrics();
    const QFontMetrics cells = view->fontMetrics();
    for (int k = 0; k < view->model()->columnCount(); ++k) {
      const int width = view->horizontalHeader()->sectionSize(k);
      const QString header = view->model()->headerData(k, Qt::Horizontal).toString();
      QVERIFY2(width >= metrics.horizontalAdvance(header) + 32, qPrintable(header));
      for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QString text = view->model()->index(row, k).data().toString();
        QVERIFY2(width > cells.horizontalAdvance(text) + 8, qPrintable(header + ": " + text));
      }
    }
    QVERIFY(view->horizontalHeader()->sectionSize(0) >
            cells.horizontalAdvance(QStringLiteral("Three Phase Sequential Log")));
    // Rows past the document's end have no text, not "Oops!".
    QVERIFY(view->model()->index(7, 0).data().isNull());
  }

  void hiddenAndDraggedColumnsInCopyAndCsv() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("copy.57x"), 1, 9)}));
    CMeterlog2View* view = app.GetView();

    // All columns, no drag: the header line holds the 23 titles in identifier order.
    QString error;
    const QString csv = ScratchDir() + "/all.csv";
    QVERIFY(view->Export().ExportCsv(csv, false, error));
    const QByteArray all = ReadAll(csv);
    QVERIFY(all.startsWith("Log Type,Time,Ch1 Select,"));
    QVERIFY(all.left(all.indexOf("\r\n")).endsWith(",VAR Hours"));
    QCOMPARE(all.count("\r\n"), 10);

    // Hide two columns, drag "Time" before "Log Type".
    auto& entries = view->GetColumnList().Entries();
    entries[2].bVisible = false;   // Ch1 Select
    entries[20].bVisible = false;  // Watt Hours
    view->RebuildTable();
    QCOMPARE(view->model()->columnCount(), 21);
    QHeaderView* header = view->horizontalHeader();
    header->moveSection(header->visualIndex(LogicalOf(view, "Time")), 0);
    QCOMPARE(view->DisplayedColumns().front().title, std::string("Time"));
    QCOMPARE(view->DisplayedColumns()[1].title, std::string("Log Type"));
    // Dragging moves the header; the column still shows its own quantity.
    QCOMPARE(view->model()->index(0, 0).data().toString(), QStringLiteral("Standard Log"));

    // Rows selected out of order come out ascending.
    for (int row : {7, 3, 5})
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(app.GetMainFrame()->GetCommands().editCopy->isEnabled());
    app.GetMainFrame()->GetCommands().editCopy->trigger();
    const QByteArray clip = QGuiApplication::clipboard()->text().toLatin1();
    QCOMPARE(clip, CoreText(view, {3, 5, 7}, '\t'));
    QVERIFY(clip.startsWith("Time\tLog Type\t"));
    QVERIFY(!clip.contains("Ch1 Select") && !clip.contains("Watt Hours"));
    QCOMPARE(clip.count("\r\n"), 4);

    // The keys reach the same command.
    QGuiApplication::clipboard()->clear();
    QVERIFY(QTest::qWaitForWindowActive(app.GetMainFrame()));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Insert, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text().toLatin1(), clip);

    const QString part = ScratchDir() + "/part.csv";
    QVERIFY(view->Export().ExportCsv(part, true, error));
    QCOMPARE(ReadAll(part), CoreText(view, {3, 5, 7}, ','));

    // Without a selection Copy is greyed, and Ctrl+C leaves the clipboard alone.
    view->clearSelection();
    QVERIFY(!app.GetMainFrame()->GetCommands().editCopy->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    view->setFocus();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    view->OnEditCopy();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
  }

  void userWidthsAndOrderHoldUntilAnotherLogOpens() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("layout.57x"), 1, 300)}));
    CMeterlog2View* view = app.GetView();
    QHeaderView* header = view->horizontalHeader();
    header->resizeSection(LogicalOf(view, "Frequency"), 311);
    header->moveSection(header->visualIndex(LogicalOf(view, "VAR Hours")), 0);
    view->SelectRow(250);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());

    // Hiding a column rebuilds the table: the user's width and order stay.
    view->GetColumnList().Entries()[2].bVisible = false;  // Ch1 Select
    view->RebuildTable();
    QCOMPARE(header->sectionSize(LogicalOf(view, "Frequency")), 311);
    QCOMPARE(view->DisplayedColumns().front().title, std::string("VAR Hours"));
    QCOMPARE(view->DisplayedColumns()[1].title, std::string("Log Type"));
    // Shown again, a column takes its own place among the others.
    view->GetColumnList().Entries()[2].bVisible = true;
    view->RebuildTable();
    QCOMPARE(view->DisplayedColumns()[3].title, std::string("Ch1 Select"));

    // Another log starts afresh: its own widths and order, first row and column, no selection.
    QVERIFY(app.OpenDocumentFile(WriteSample(QStringLiteral("layout2.57x"), 1, 300)));
    QVERIFY(header->sectionSize(LogicalOf(view, "Frequency")) < 311);
    QCOMPARE(view->DisplayedColumns().front().title, std::string("Log Type"));
    QVERIFY(!view->HasSelection());
    QVERIFY(!view->selectionModel()->currentIndex().isValid());
    QCOMPARE(view->verticalScrollBar()->value(), 0);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);
  }

  void timeStaysInViewWhileScrollingSideways() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("frozen.57x"), 4, 200)}));
    app.GetMainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainFrame()));
    CMeterlog2View* view = app.GetView();
    FrozenColumns* frozen = Child<FrozenColumns>(view, "frozenColumns");
    QHeaderView* header = view->horizontalHeader();
    const int logType = LogicalOf(view, "Log Type"), time = LogicalOf(view, "Time");
    QVERIFY(frozen->isVisible());
    QCOMPARE(frozen->CoveredWidth(), header->sectionSize(logType) + header->sectionSize(time));
    QVERIFY(!frozen->isColumnHidden(time) && frozen->isColumnHidden(LogicalOf(view, "VAR Hours")));

    // Scrolled right and down: the overlay shows the same rows, the table's last columns.
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    view->verticalScrollBar()->setValue(120);
    QCOMPARE(frozen->verticalScrollBar()->value(), 120);
    QCOMPARE(frozen->rowAt(0), view->rowAt(0));
    // Going to a frozen cell moves only the rows; a cell further right clears the overlay.
    const int right = view->horizontalScrollBar()->value();
    view->scrollTo(view->model()->index(10, time));
    QCOMPARE(view->horizontalScrollBar()->value(), right);
    QCOMPARE(view->rowAt(0), 10);
    const int watts = LogicalOf(view, "Watt Hours");
    view->scrollTo(view->model()->index(10, watts));
    QVERIFY(view->columnViewportPosition(watts) >= frozen->CoveredWidth());
    // The user's width follows.
    header->resizeSection(time, 250);
    QCOMPARE(frozen->columnWidth(time), 250);

    // Time moved far right: freezing everything before it would fill the window, so nothing is.
    header->moveSection(header->visualIndex(time), header->count() - 1);
    QVERIFY(!frozen->isVisible());
    header->moveSection(header->visualIndex(time), 0);
    QVERIFY(frozen->isVisible());
    QCOMPARE(frozen->CoveredWidth(), 250);  // Time alone, now first

    // View > Freeze Time Column.
    QAction* toggle = app.GetMainFrame()->GetCommands().freezeTime;
    QVERIFY(toggle->isChecked());
    toggle->trigger();
    QVERIFY(!frozen->isVisible() && !view->FreezeTime());
    toggle->trigger();
    QVERIFY(frozen->isVisible());
  }

  void homeSelectColumnsAndDataFormatKeepTheReaderInPlace() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("navigate.57x"), 4, 40)}));
    app.GetMainFrame()->show();
    QVERIFY(QTest::qWaitForWindowExposed(app.GetMainFrame()));
    CMeterlog2View* view = app.GetView();
    QHeaderView* header = view->horizontalHeader();
    QVERIFY(Child<FrozenColumns>(view, "frozenColumns")->isVisible());

    // Far right in row 5, then Home: the first column, and the table's left edge in view.
    const int last = header->logicalIndex(header->count() - 1);
    view->setFocus();
    view->setCurrentIndex(view->model()->index(5, last));
    QVERIFY(view->horizontalScrollBar()->value() > 0);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->currentIndex().row(), 5);
    QCOMPARE(header->visualIndex(view->currentIndex().column()), 0);
    QCOMPARE(view->horizontalScrollBar()->value(), 0);

    // Select Columns > OK keeps the selected records and the current one.
    view->clearSelection();
    for (int row : {3, 4, 9})
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(view->model()->index(9, 1),
                                            QItemSelectionModel::NoUpdate);
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CSelectColumns*>(modal);
      QVERIFY(dialog);
      Child<ColumnCheckList>(dialog, "columns")->item(4)->setCheckState(Qt::Unchecked);
      Child<QPushButton>(dialog, "ok")->click();
    });
    app.GetMainFrame()->GetCommands().selectColumns->trigger();
    QCOMPARE(view->model()->columnCount(), 664);
    QCOMPARE(view->SelectedRows(), (std::vector<unsigned>{3, 4, 9}));
    QCOMPARE(view->currentIndex().row(), 9);
    QCOMPARE(view->currentIndex().column(), 1);
    QCOMPARE(Child<QLabel>(app.GetMainFrame(), "selectedPane")->text(),
             QStringLiteral("3 selected"));

    // The other byte order: numbers of other lengths, and every column measured for them again;
    // a width the user set stays.
    const int time = LogicalOf(view, "Time");
    header->resizeSection(time, 300);
    app.GetMainFrame()->GetCommands().format0100->trigger();
    QCOMPARE(header->sectionSize(time), 300);
    const QFontMetrics cells = view->fontMetrics();
    int grown = 0;
    for (int k = 0; k < view->model()->columnCount(); ++k) {
      const int width = header->sectionSize(k);
      for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QString text = view->model()->index(row, k).data().toString();
        QVERIFY2(width > cells.horizontalAdvance(text) + 8,
                 qPrintable(Header(view, k) + ": " + text));
        grown += row == 0 && text.size() > 20;
      }
    }
    QVERIFY(grown > 0);  // the check above saw wider numbers than the first byte order had
    QCOMPARE(view->SelectedRows(), (std::vector<unsigned>{3, 4, 9}));
  }

  void statusBarTellsRecordsFormatSelectionAndAByteOrderHint() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("status.57x"), 4, 30)}));
    CMainFrame* frame = app.GetMainFrame();
    CMeterlog2View* view = app.GetView();
    QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(), QStringLiteral("30 records"));
    QCOMPARE(Child<QLabel>(frame, "formatPane")->text(), QStringLiteral("Type 0001"));
    QCOMPARE(Child<QLabel>(frame, "selectedPane")->text(), QString());
    QVERIFY(Child<QLabel>(frame, "hintPane")->isHidden());
    for (int row : {2, 3, 4, 3})
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(Child<QLabel>(frame, "selectedPane")->text(), QStringLiteral("3 selected"));
    view->selectAll();
    QCOMPARE(Child<QLabel>(frame, "selectedPane")->text(), QStringLiteral("30 selected"));

    // A file whose marker says "Type 0001" but whose floats are reversed: the status bar says
    // which byte order to try; the program does not switch by itself.
    const QString lying = WriteSample(QStringLiteral("lying.57x"), 6, 12, 256);
    QFile file(lying);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.write(QByteArray("\x01\x00\x00\x00", 4));
    file.close();
    QVERIFY(app.OpenDocumentFile(lying));
    QCOMPARE(Child<QLabel>(frame, "formatPane")->text(), QStringLiteral("Type 0001"));
    QVERIFY(!Child<QLabel>(frame, "hintPane")->isHidden());
    QVERIFY(Child<QLabel>(frame, "hintPane")
                ->text()
                .contains(QLatin1String("View > Data Format > Type 0100")));
    frame->GetCommands().format0100->trigger();
    QCOMPARE(Child<QLabel>(frame, "formatPane")->text(), QStringLiteral("Type 0100"));
    QVERIFY(Child<QLabel>(frame, "hintPane")->isHidden());
    frame->GetCommands().format0001->trigger();
    QVERIFY(!Child<QLabel>(frame, "hintPane")->isHidden());

    // An empty document shows no numbers.
    app.OnFileNew();
    QCOMPARE(Child<QLabel>(frame, "recordsPane")->text(), QString());
    QVERIFY(Child<QLabel>(frame, "hintPane")->isHidden());
  }

  void goToTimeFindsTheFirstRecordAtOrAfter() {
    CMeterlog2App app;  // records at 14:05:09, 14:06:09, ... of 03-07-2009
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("goto.57x"), 2, 50)}));
    CMeterlog2View* view = app.GetView();
    QVERIFY(app.GetMainFrame()->GetCommands().goToTime->isEnabled());
    const QDateTime first(QDate(2009, 3, 7), QTime(14, 5, 9), Qt::UTC);
    QString message;
    QVERIFY(view->GoToTime(first.addSecs(60 * 20 + 1).toSecsSinceEpoch(), message));
    QCOMPARE(view->SelectedRows(), std::vector<unsigned>{21});
    QVERIFY(!view->GoToTime(first.addSecs(60 * 50).toSecsSinceEpoch(), message));
    QCOMPARE(message, QStringLiteral("No record of this log is at or after 03-07-2009 14:55:09; "
                                     "its last record is of 03-07-2009 14:54:09."));
    QCOMPARE(view->SelectedRows(), std::vector<unsigned>{21});  // left where it was

    // Through the menu: the dialog starts at the current record's time.
    WhenModal([&](QWidget* dialog) {
      auto* edit = dialog->findChild<QLineEdit*>();
      QCOMPARE(edit->text(), QStringLiteral("03-07-2009 14:26:09"));
      edit->setText(QStringLiteral("03-07-2009 14:12:09"));
      static_cast<QDialog*>(dialog)->accept();
    });
    app.GetMainFrame()->GetCommands().goToTime->trigger();
    QCOMPARE(view->SelectedRows(), std::vector<unsigned>{7});
    QCOMPARE(view->currentIndex().row(), 7);
  }

  void exportAndCopyInSpreadsheetFormsForOtherLanguages() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("formats.57x"), 1, 4)}));
    CMeterlog2View* view = app.GetView();
    QString error;
    const QString plain = ScratchDir() + "/plain.csv", local = ScratchDir() + "/local.csv";
    QVERIFY(view->Export().ExportCsv(plain, false, error));
    const QByteArray plainBytes = ReadAll(plain);

    view->Export().SetTextFormat(TimeStyle::kIso, true);
    QVERIFY(view->Export().ExportCsv(local, false, error));
    const QByteArray bytes = ReadAll(local);
    TableFormat format(',');
    format.timeStyle = TimeStyle::kIso;
    format.decimalComma = true;
    QCOMPARE(bytes, QByteArray::fromStdString(TableText(
                        *view->GetDocument(), view->DisplayedColumns(), {0, 1, 2, 3}, format)));
    const QList<QByteArray> line = bytes.split('\n')[1].split(';');
    QCOMPARE(line[1], QByteArray("2009-03-07T14:05:09"));
    QVERIFY(line[4].contains(',') && !line[4].contains('.'));  // the frequency
    QCOMPARE(line[0], QByteArray("Standard Log"));
    // Copy follows the same choice, with TAB between the fields.
    view->selectRow(1);
    const QString clip = view->Export().SelectionText();
    QVERIFY(clip.contains(QLatin1String("\t2009-03-07T14:06:09\t")));
    QVERIFY(!clip.section('\n', 1).contains('.'));
    // The choice is remembered for the next export, and the defaults write the plain bytes again.
    ExportDialog dialog(nullptr, false, TimeStyle::kIso, true);
    QVERIFY(Child<QCheckBox>(&dialog, "isoTime")->isChecked() &&
            Child<QCheckBox>(&dialog, "decimalComma")->isChecked());
    view->Export().SetTextFormat(TimeStyle::kTable, false);
    QVERIFY(view->Export().ExportCsv(local, false, error));
    QCOMPARE(ReadAll(local), plainBytes);
  }

  void exportDialogOffersSelectedRowsOnlyWhileSelected() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("export.57x"), 1, 8)}));
    CMeterlog2View* view = app.GetView();
    const QString target = ScratchDir() + "/selected.csv";
    QFile::remove(target);

    for (int row : {2, 5})
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    bool boxEnabled = false, boxChecked = true;
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<ExportDialog*>(modal);
      QVERIFY(dialog);
      boxEnabled = Child<QCheckBox>(dialog, "selectedOnly")->isEnabled();
      boxChecked = Child<QCheckBox>(dialog, "selectedOnly")->isChecked();
      // The log's own name, as ".csv", in its own folder (no export made yet).
      QCOMPARE(QDir::cleanPath(dialog->selectedFiles().value(0)),
               QDir::cleanPath(view->GetSourcePath().chopped(4) + ".csv"));
      QCOMPARE(dialog->defaultSuffix(), QStringLiteral("csv"));
      Child<QCheckBox>(dialog, "selectedOnly")->setChecked(true);
      dialog->selectFile(target);
      static_cast<QDialog*>(dialog)->accept();
    });
    app.GetMainFrame()->GetCommands().exportCsv->trigger();
    QVERIFY(boxEnabled && !boxChecked);
    QCOMPARE(ReadAll(target), CoreText(view, {2, 5}, ','));

    // The next export starts unchecked again; without a selection the box is disabled.
    view->clearSelection();
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<ExportDialog*>(modal);
      QVERIFY(dialog);
      boxEnabled = Child<QCheckBox>(dialog, "selectedOnly")->isEnabled();
      boxChecked = Child<QCheckBox>(dialog, "selectedOnly")->isChecked();
      dialog->reject();
    });
    app.GetMainFrame()->GetCommands().exportCsv->trigger();
    QVERIFY(!boxEnabled && !boxChecked);
    QCOMPARE(ReadAll(target), CoreText(view, {2, 5}, ','));  // cancel wrote nothing
  }

  void failedExportSaysSoAndLeavesNoFile() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("fail.57x"), 1, 3)}, false));
    const QString target = ScratchDir() + "/no-such-folder/out.csv";
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<ExportDialog*>(modal);
      QVERIFY(dialog);
      dialog->selectFile(target);
      static_cast<QDialog*>(dialog)->accept();
    });
    app.GetView()->OnExportCsv();
    const QStringList messages = TakeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages[0].contains("out.csv"));
    QVERIFY(!QFile::exists(target));
  }

  void selectColumnsOkAndCancel() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("select.57x"), 1, 4)}));
    CMeterlog2View* view = app.GetView();

    // Cancel after changes: nothing changes.
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CSelectColumns*>(modal);
      QVERIFY(dialog);
      dialog->OnInvertAll();
      Child<QPushButton>(dialog, "cancel")->click();
    });
    app.GetMainFrame()->GetCommands().selectColumns->trigger();
    QCOMPARE(view->model()->columnCount(), 23);

    // Invert All then OK: only "Time" is left, as a one-column table.
    WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CSelectColumns*>(modal);
      QVERIFY(dialog);
      QCOMPARE(Child<ColumnCheckList>(dialog, "columns")->count(), 23);
      dialog->OnInvertAll();
      Child<QPushButton>(dialog, "ok")->click();
    });
    app.GetMainFrame()->GetCommands().selectColumns->trigger();
    QCOMPARE(view->model()->columnCount(), 1);
    QCOMPARE(Header(view, 0), QStringLiteral("Time"));
    QCOMPARE(view->model()->rowCount(), 4);
  }

  void decimalPointsWhateverTheLocale() {
    // Under the German locale run of this suite the process locale writes decimal commas;
    // here we make sure of it whenever the locale exists.
    const char* previous = std::setlocale(LC_ALL, nullptr);
    const std::string restore = previous ? previous : "C";
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) QSKIP("de_DE.UTF-8 is not installed");
    char probe[16];
    std::snprintf(probe, sizeof probe, "%f", 1.5);
    QCOMPARE(QByteArray(probe), QByteArray("1,500000"));

    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("locale.57x"), 4, 3)}, false));
    CMeterlog2View* view = app.GetView();
    const QString frequency =
        view->model()->index(1, LogicalOf(view, "3 Phase Frequency")).data().toString();
    QVERIFY2(frequency.contains('.') && !frequency.contains(','), qPrintable(frequency));
    QString error;
    const QString csv = ScratchDir() + "/locale.csv";
    QVERIFY(view->Export().ExportCsv(csv, false, error));
    const QByteArray text = ReadAll(csv);
    const QByteArray firstRow = text.split('\n').value(1);
    QCOMPARE(firstRow.count(','), view->model()->columnCount() - 1);
    QCOMPARE(text, CoreText(view, {0, 1, 2}, ','));
    std::setlocale(LC_ALL, restore.c_str());
  }
};

REGISTER_GUI_TEST(TableTest);
#include "table_test.moc"
