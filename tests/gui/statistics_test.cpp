// View > Statistics: the numbers of the visible numeric columns, all rows or the selected ones,
// copied and exported as the command-line tool writes them; the scope it opens on, the filter,
// the spread columns and the times in the chosen date format.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "common/DateFormat.h"
#include "table/ColumnStatistics.h"
#include "view/CMeterlog2View.h"
#include "view/StatisticsDialog.h"

using meterlog2::view::StatisticsDialog;

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
    QTableWidget* table = Child<QTableWidget>(&dialog, "statistics");
    QCOMPARE(table->rowCount(), 19);  // 23 columns less log type, time and the two selects
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Frequency"));
    QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Hz"));
    QCOMPARE(table->item(0, 2)->text(), QStringLiteral("12"));
    // The window reads hertz with three decimals; the copy and the CSV keep all six.
    const std::vector<ColumnStatistics> stats =
        ComputeStatistics(app.GetDocument(), view->DisplayedColumns(), nullptr);
    QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d{3}$"))
                .match(table->item(0, 3)->text())
                .hasMatch());
    QCOMPARE(table->item(0, 3)->text().toDouble(), std::round(stats[0].minimum * 1000) / 1000);
    QVERIFY(dialog.Text('\t').contains(QLatin1String("\tHz\t12\t")));
    QCOMPARE(table->horizontalHeaderItem(7)->text(), QStringLiteral("Time of Maximum"));
    QCOMPARE(Child<QComboBox>(&dialog, "rows")->count(), 1);  // no selection: all rows only

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
    QCOMPARE(Child<QComboBox>(&dialog, "rows")->currentIndex(), 1);
    QCOMPARE(Child<QTableWidget>(&dialog, "statistics")->item(0, 2)->text(), QStringLiteral("2"));
    Child<QComboBox>(&dialog, "rows")->setCurrentIndex(0);
    QCOMPARE(Child<QTableWidget>(&dialog, "statistics")->item(0, 2)->text(), QStringLiteral("10"));
    QApplication::clipboard()->clear();
    QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("copy")), Qt::LeftButton);
    QVERIFY(QApplication::clipboard()->text().startsWith(
        QStringLiteral("Column\tUnit\tCount\tMinimum\tTime of Minimum\tMean\tMaximum\t")));
  }

  // Through the menu, as the user opens it: the cursor's one row is not a choice of rows, several
  // are.
  void opensOnAllRowsUnlessSeveralAreSelected() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({WriteSample(QStringLiteral("stats-scope.57x"), 4, 20)}, false));
    CMeterlog2View* view = app.GetView();
    const auto openedOn = [&app] {
      int index = -1;
      QString count;
      WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<StatisticsDialog*>(w);
        if (dialog != nullptr) {
          index = Child<QComboBox>(dialog, "rows")->currentIndex();
          count = Child<QTableWidget>(dialog, "statistics")->item(0, 2)->text();
        }
        w->close();
      });
      app.GetMainFrame()->GetCommands().statistics->trigger();
      return std::make_pair(index, count);
    };
    view->SelectRow(7);
    QCOMPARE(view->SelectedRows().size(), size_t(1));
    QCOMPARE(openedOn(), std::make_pair(0, QStringLiteral("20")));
    for (int row : {8, 9})
      view->selectionModel()->select(view->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QCOMPARE(openedOn(), std::make_pair(1, QStringLiteral("3")));
  }

  void spreadFilterAndDatesAsChosen() {
    const QString path = WriteSample(QStringLiteral("stats-spread.57x"), 4, 20);
    CMeterlog2App app;
    QVERIFY(app.InitInstance({path}, false));
    CMeterlog2View* view = app.GetView();
    StatisticsDialog dialog(nullptr, app.GetDocument(), view->DisplayedColumns(), {}, path);
    QTableWidget* table = Child<QTableWidget>(&dialog, "statistics");
    QCOMPARE(table->columnCount(), 10);
    QCOMPARE(table->horizontalHeaderItem(8)->text(), QStringLiteral("Standard Deviation"));
    QVERIFY(table->horizontalHeaderItem(8)->toolTip().contains(QLatin1String("sample standard")));
    QCOMPARE(table->horizontalHeaderItem(9)->text(), QStringLiteral("95th Percentile"));
    QVERIFY(table->horizontalHeaderItem(9)->toolTip().contains(QLatin1String("nearest rank")));

    // The window shows the spread with its unit's decimals (volts: two), the copy all six.
    const std::vector<ColumnStatistics> stats =
        ComputeStatistics(app.GetDocument(), view->DisplayedColumns(), nullptr);
    int volts = -1;
    for (int row = 0; row < table->rowCount(); ++row)
      if (table->item(row, 0)->text() == QStringLiteral("Phase A Volts Wide")) volts = row;
    QVERIFY(volts >= 0);
    const ColumnStatistics& v = stats[size_t(volts)];
    QCOMPARE(table->item(volts, 8)->text(), QString::number(v.standardDeviation, 'f', 2));
    QCOMPARE(table->item(volts, 9)->text(), QString::number(v.percentile95, 'f', 2));
    QVERIFY(dialog.Text(',').contains(QString::number(v.standardDeviation, 'f', 6)));

    // The filter narrows the list, and Copy and Export take the columns shown.
    Child<QLineEdit>(&dialog, "filter")->setText(QStringLiteral("thd"));
    int shown = 0;
    for (int row = 0; row < table->rowCount(); ++row) {
      if (table->isRowHidden(row)) continue;
      ++shown;
      QVERIFY(table->item(row, 0)->text().contains(QLatin1String("THD")));
    }
    QCOMPARE(shown, 6);  // the voltage and current THD of three phases
    const QStringList lines = dialog.Text('\t').split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1 + shown);
    for (const QString& line : lines.mid(1)) QVERIFY(line.section('\t', 0, 0).contains("THD"));

    // Times as View > Date Format shows them; the copy keeps the log's own form.
    const int time = 4;  // Time of Minimum
    QVERIFY(table->item(0, time)->text().startsWith(QLatin1String("03-07-2009 ")));
    SetDateFormat(TimeStyle::kIsoSpace);
    QVERIFY(table->item(0, time)->text().startsWith(QLatin1String("2009-03-07 ")));
    QVERIFY(dialog.Text(',').contains(QLatin1String(",03-07-2009 ")));
    SetDateFormat(TimeStyle::kTable);
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
