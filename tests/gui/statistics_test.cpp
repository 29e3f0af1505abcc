// View > Statistics: the numbers of the visible numeric columns, all rows or the selected ones,
// copied and exported as the command-line tool writes them.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "plot/StatisticsDialog.h"
#include "table/ColumnStatistics.h"
#include "view/CMeterlog2View.h"

class StatisticsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { TakeMessages(); }

  void numbersOfTheVisibleColumnsInTheirOrder() {
    const QString path = WriteSample(QStringLiteral("stats.57x"), 1, 12);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    CMeterlog2View* view = app.GetView();
    QVERIFY(app.GetMainFrame()->GetCommands().statistics->isEnabled());
    // Frequency dragged to the front: the statistics follow the order the user sees.
    view->horizontalHeader()->moveSection(4, 0);

    StatisticsDialog dialog(nullptr, app.GetDocument(), view->DisplayedColumns(), {}, path);
    QTableWidget* table = dialog.Table();
    QCOMPARE(table->rowCount(), 19);  // 23 columns less log type, time and the two selects
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Frequency"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Hz"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("12"));
    QCOMPARE(dialog.RowChoice()->count(), 1);  // no selection: all rows only

    // The same lines as the core writes (and `meterlog2-cli stats` prints).
    const std::string expected = StatisticsText(
        app.GetDocument(), ComputeStatistics(app.GetDocument(), view->DisplayedColumns(), nullptr));
    QCOMPARE(dialog.Text(','), QString::fromStdString(expected));
    const QString csv = ScratchDir() + QStringLiteral("/stats.csv");
    QString error;
    QVERIFY(dialog.ExportTo(csv, error));
    QCOMPARE(ReadAll(csv), QByteArray::fromStdString(expected));
    QVERIFY(!dialog.ExportTo(path, error));  // never onto the open log
    QVERIFY(error.contains(QLatin1String("being read")));
  }

  void selectedRowsFirstAndAllOnRequest() {
    const QString path = WriteSample(QStringLiteral("stats-sel.57x"), 4, 10);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    CMeterlog2View* view = app.GetView();
    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(5, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    StatisticsDialog dialog(nullptr, app.GetDocument(), view->DisplayedColumns(),
                            view->SelectedRows(), path);
    QCOMPARE(dialog.RowChoice()->currentIndex(), 1);
    QCOMPARE(dialog.Table()->item(0, 2)->text(), QStringLiteral("2"));
    dialog.RowChoice()->setCurrentIndex(0);
    QCOMPARE(dialog.Table()->item(0, 2)->text(), QStringLiteral("10"));
    QApplication::clipboard()->clear();
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("copy")), Qt::LeftButton);
    QVERIFY(QApplication::clipboard()->text().startsWith(
        QStringLiteral("Column\tUnit\tCount\tMinimum\tTime of Minimum\tMean\tMaximum\t")));
  }

  void theMenuCommandOpensTheWindow() {
    const QString path = WriteSample(QStringLiteral("stats-menu.57x"), 2, 3);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    bool shown = false;
    WhenModal([&shown](QWidget* w) {
      shown = qobject_cast<StatisticsDialog*>(w) != nullptr;
      w->close();
    });
    app.GetMainFrame()->GetCommands().statistics->trigger();
    QVERIFY(shown);

    app.OnFileNew();  // nothing to count
    QVERIFY(!app.GetMainFrame()->GetCommands().statistics->isEnabled());
  }
};

REGISTER_GUI_TEST(StatisticsTest);
#include "statistics_test.moc"
