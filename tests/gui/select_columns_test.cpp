// The Select Columns dialog driven with the mouse as a user would: locked "Time", single and
// multi-selection clicks, Invert All, Check All, and the layout limits.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "GuiTestSupport.h"
#include "view/CSelectColumns.h"

namespace {

// Entries: 0 "Log Type", 1 "Time" (locked), 2..7 others; 3 and 5 start unchecked.
void Fill(CSelectColumns& dialog) {
  const char* const names[] = {"Log Type",  "Time",  "Ch1 Select", "Ch2 Select",
                               "Frequency", "Phase", "Power Wide", "Power Factor Wide"};
  for (int i = 0; i < 8; ++i)
    dialog.AddColumn(QString::fromLatin1(names[i]), i != 3 && i != 5, i != 1);
}

void ClickBox(CSelectColumns& dialog, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  ColumnCheckList* list = Child<ColumnCheckList>(&dialog, "columns");
  const QRect box = list->CheckRect(row);
  QVERIFY(!box.isEmpty());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, box.center());
}

void ClickText(CSelectColumns& dialog, int row, Qt::KeyboardModifiers mods) {
  ColumnCheckList* list = Child<ColumnCheckList>(&dialog, "columns");
  const QRect item = list->visualRect(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods,
                    QPoint(list->CheckRect(row).right() + 12, item.center().y()));
}

QList<bool> Checks(const CSelectColumns& dialog) {
  QList<bool> checks;
  for (int i = 0; i < 8; ++i) checks << dialog.GetCheck(i);
  return checks;
}

}  // namespace

class SelectColumnsTest : public QObject {
  Q_OBJECT

 private slots:
  void timeIsLockedAndNeverSelected() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ClickBox(dialog, 1);
    QVERIFY(dialog.GetCheck(1));
    ClickText(dialog, 1, Qt::NoModifier);
    QVERIFY(!Child<ColumnCheckList>(&dialog, "columns")->item(1)->isSelected());
    dialog.OnInvertAll();
    dialog.OnInvertAll();
    dialog.OnCheckAll();
    QVERIFY(dialog.GetCheck(1));
    QCOMPARE(Child<ColumnCheckList>(&dialog, "columns")->item(1)->checkState(), Qt::Checked);
    QVERIFY(!dialog.GetCheck(8));
    QVERIFY(!dialog.GetCheck(-1));
  }

  void singleClickChangesOneEntry() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QList<bool> before = Checks(dialog);
    ClickBox(dialog, 4);
    QList<bool> expected = before;
    expected[4] = !expected[4];
    QCOMPARE(Checks(dialog), expected);
  }

  void boxInMultiSelectionInvertsTheOthers() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // Entries 2 (checked) and 5 (unchecked) selected; selecting alone changes no box.
    const QList<bool> before = Checks(dialog);
    ClickText(dialog, 2, Qt::NoModifier);
    ClickText(dialog, 5, Qt::ControlModifier);
    QVERIFY(Child<ColumnCheckList>(&dialog, "columns")->item(2)->isSelected() &&
            Child<ColumnCheckList>(&dialog, "columns")->item(5)->isSelected());
    QCOMPARE(Checks(dialog), before);

    ClickBox(dialog, 5);
    QVERIFY(dialog.GetCheck(5));
    QVERIFY(!dialog.GetCheck(2));
    QCOMPARE(Child<ColumnCheckList>(&dialog, "columns")->item(2)->checkState(), Qt::Unchecked);
    QVERIFY(Child<ColumnCheckList>(&dialog, "columns")->item(2)->isSelected() &&
            Child<ColumnCheckList>(&dialog, "columns")->item(5)->isSelected());
    QCOMPARE(dialog.GetCheck(4), before[4]);  // unselected entries stay
  }

  void invertTwiceRestoresAndCheckAllClearsSelection() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QList<bool> before = Checks(dialog);
    ClickText(dialog, 3, Qt::NoModifier);
    Child<QPushButton>(&dialog, "invertAll")->click();
    QVERIFY(Child<ColumnCheckList>(&dialog, "columns")->selectedItems().isEmpty());
    QCOMPARE(dialog.GetCheck(3), !before[3]);
    Child<QPushButton>(&dialog, "invertAll")->click();
    QCOMPARE(Checks(dialog), before);

    ClickText(dialog, 2, Qt::NoModifier);
    ClickText(dialog, 6, Qt::ControlModifier);
    Child<QPushButton>(&dialog, "checkAll")->click();
    QVERIFY(Child<ColumnCheckList>(&dialog, "columns")->selectedItems().isEmpty());
    for (bool checked : Checks(dialog)) QVERIFY(checked);
  }

  void lockedUncheckedEntryStaysUnchecked() {
    CSelectColumns dialog;
    dialog.AddColumn(QStringLiteral("Locked"), false, false);
    dialog.AddColumn(QStringLiteral("Free"), false, true);
    dialog.OnCheckAll();
    QVERIFY(!dialog.GetCheck(0));
    QVERIFY(dialog.GetCheck(1));
  }

  void filterAndGroupsFindColumnsAmongHundreds() {
    // A three-phase harmonic log's titles (a sample of them), "Time" locked and unchecked.
    CSelectColumns dialog;
    const QStringList titles = {"Log Type",
                                "Time",
                                "Phase A Volts Wide",
                                "Phase A Current Narrow",
                                "Phase B Volts Narrow",
                                "Phase C Volts Fund",
                                "Phase A Volts Harm 2",
                                "Phase B Current Harm 15",
                                "Phase C Current Harm 16",
                                "Phase A Volts Phase Angle Harm 9",
                                "Phase C Volts Phase Angle Fund",
                                "Total Power Wide"};
    for (int i = 0; i < titles.size(); ++i)
      dialog.AddColumn(titles[i], i != 1, i != 1, titles[i] + QStringLiteral(" (V)"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    ColumnCheckList* list = Child<ColumnCheckList>(&dialog, "columns");
    auto checked = [&] {
      QStringList names;
      for (int i = 0; i < titles.size(); ++i)
        if (dialog.GetCheck(i)) names << titles[i];
      return names;
    };

    // Full titles, nothing cut short; the unit in the tooltip; typing goes to the filter.
    const QString longest = "Phase A Volts Phase Angle Harm 9";
    QVERIFY(list->visualRect(list->model()->index(9, 0)).width() >
            list->fontMetrics().horizontalAdvance(longest));
    QCOMPARE(list->item(2)->toolTip(), QStringLiteral("Phase A Volts Wide (V)"));
    QVERIFY(Child<QLineEdit>(&dialog, "filter")->hasFocus());
    QTest::keyClicks(Child<QLineEdit>(&dialog, "filter"), "volts fund");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
      if (!list->item(i)->isHidden()) shown << list->item(i)->text();
    QCOMPARE(shown, QStringList{"Phase C Volts Fund"});
    QCOMPARE(checked().size(), titles.size() - 1);  // filtering changes no check
    Child<QLineEdit>(&dialog, "filter")->clear();
    QVERIFY(!list->item(0)->isHidden());

    // Groups: unchecked and checked at once, "Time" never touched.
    dialog.CheckGroup("All harmonics", false);
    QCOMPARE(checked(), (QStringList{"Log Type", "Phase A Volts Wide", "Phase A Current Narrow",
                                     "Phase B Volts Narrow", "Phase C Volts Fund",
                                     "Phase C Volts Phase Angle Fund", "Total Power Wide"}));
    dialog.CheckGroup("Harmonics 2-15", true);
    QVERIFY(dialog.GetCheck(6) && dialog.GetCheck(7) && dialog.GetCheck(9) && !dialog.GetCheck(8));
    dialog.OnCheckAll();
    dialog.CheckGroup("Phase A", false);
    QCOMPARE(checked(), (QStringList{"Log Type", "Phase B Volts Narrow", "Phase C Volts Fund",
                                     "Phase B Current Harm 15", "Phase C Current Harm 16",
                                     "Phase C Volts Phase Angle Fund", "Total Power Wide"}));
    dialog.OnCheckAll();
    dialog.CheckGroup("Wide", false);
    dialog.CheckGroup("Narrow", false);
    dialog.CheckGroup("Fundamentals", false);
    QVERIFY(!dialog.GetCheck(2) && !dialog.GetCheck(3) && !dialog.GetCheck(4) &&
            !dialog.GetCheck(5) && !dialog.GetCheck(10) && !dialog.GetCheck(11));
    QVERIFY(dialog.GetCheck(0) && dialog.GetCheck(6));
    dialog.CheckGroup("Phase B", true);
    QVERIFY(!dialog.GetCheck(1));  // Time stays as it was added
    // Through the buttons.
    Child<QComboBox>(&dialog, "group")->setCurrentText("Phase C");
    for (QPushButton* b : dialog.findChildren<QPushButton*>())
      if (b->text() == "&Uncheck Group") b->click();
    QVERIFY(!dialog.GetCheck(5) && !dialog.GetCheck(8) && !dialog.GetCheck(10));
  }

  void layoutFollowsTheSize() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.minimumSize(), QSize(383, 354));
    dialog.resize(100, 100);
    QVERIFY(dialog.width() >= 383 && dialog.height() >= 354);
    for (QPushButton* b :
         {Child<QPushButton>(&dialog, "invertAll"), Child<QPushButton>(&dialog, "checkAll"),
          Child<QPushButton>(&dialog, "cancel"), Child<QPushButton>(&dialog, "ok")})
      QVERIFY(dialog.rect().contains(b->geometry()));

    dialog.resize(900, 700);
    QTRY_VERIFY(Child<ColumnCheckList>(&dialog, "columns")->width() > 800);
    QVERIFY(Child<ColumnCheckList>(&dialog, "columns")->height() > 550);
    QVERIFY(Child<QPushButton>(&dialog, "ok")->geometry().right() > 800);
    QVERIFY(Child<QPushButton>(&dialog, "ok")->geometry().bottom() > 650);
    QVERIFY(Child<QPushButton>(&dialog, "invertAll")->geometry().left() < 50);
    QVERIFY(Child<QPushButton>(&dialog, "invertAll")->geometry().bottom() > 650);
  }
};

REGISTER_GUI_TEST(SelectColumnsTest);
#include "select_columns_test.moc"
