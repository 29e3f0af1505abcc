// The Select Columns dialog driven with the mouse as a user would: locked "Time", single and
// multi-selection clicks, Invert All, Check All, and the layout limits.

#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "GuiTestSupport.h"
#include "table/CSelectColumns.h"

namespace {

// Entries: 0 "Log Type", 1 "Time" (locked), 2..7 others; 3 and 5 start unchecked.
void Fill(CSelectColumns& dialog) {
  const char* const names[] = {"Log Type",  "Time",  "Ch1 Select", "Ch2 Select",
                               "Frequency", "Phase", "Power Wide", "Power Factor Wide"};
  for (int i = 0; i < 8; ++i)
    dialog.AddColumn(QString::fromLatin1(names[i]), i != 3 && i != 5, i != 1);
}

void ClickBox(CSelectColumns& dialog, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  CColumnCheckList* list = dialog.List();
  const QRect box = list->CheckRect(row);
  QVERIFY(!box.isEmpty());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, box.center());
}

void ClickText(CSelectColumns& dialog, int row, Qt::KeyboardModifiers mods) {
  CColumnCheckList* list = dialog.List();
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
    QVERIFY(!dialog.List()->item(1)->isSelected());
    dialog.OnInvertAll();
    dialog.OnInvertAll();
    dialog.OnCheckAll();
    QVERIFY(dialog.GetCheck(1));
    QCOMPARE(dialog.List()->item(1)->checkState(), Qt::Checked);
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
    QVERIFY(dialog.List()->item(2)->isSelected() && dialog.List()->item(5)->isSelected());
    QCOMPARE(Checks(dialog), before);

    ClickBox(dialog, 5);
    QVERIFY(dialog.GetCheck(5));
    QVERIFY(!dialog.GetCheck(2));
    QCOMPARE(dialog.List()->item(2)->checkState(), Qt::Unchecked);
    QVERIFY(dialog.List()->item(2)->isSelected() && dialog.List()->item(5)->isSelected());
    QCOMPARE(dialog.GetCheck(4), before[4]);  // unselected entries stay
  }

  void invertTwiceRestoresAndCheckAllClearsSelection() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QList<bool> before = Checks(dialog);
    ClickText(dialog, 3, Qt::NoModifier);
    dialog.InvertAllButton()->click();
    QVERIFY(dialog.List()->selectedItems().isEmpty());
    QCOMPARE(dialog.GetCheck(3), !before[3]);
    dialog.InvertAllButton()->click();
    QCOMPARE(Checks(dialog), before);

    ClickText(dialog, 2, Qt::NoModifier);
    ClickText(dialog, 6, Qt::ControlModifier);
    dialog.CheckAllButton()->click();
    QVERIFY(dialog.List()->selectedItems().isEmpty());
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

  void layoutFollowsTheSize() {
    CSelectColumns dialog;
    Fill(dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.minimumSize(), QSize(383, 354));
    dialog.resize(100, 100);
    QVERIFY(dialog.width() >= 383 && dialog.height() >= 354);
    for (QPushButton* b : {dialog.InvertAllButton(), dialog.CheckAllButton(), dialog.CancelButton(),
                           dialog.OkButton()})
      QVERIFY(dialog.rect().contains(b->geometry()));

    dialog.resize(900, 700);
    QTRY_VERIFY(dialog.List()->width() > 800);
    QVERIFY(dialog.List()->height() > 550);
    QVERIFY(dialog.OkButton()->geometry().right() > 800);
    QVERIFY(dialog.OkButton()->geometry().bottom() > 650);
    QVERIFY(dialog.InvertAllButton()->geometry().left() < 50);
    QVERIFY(dialog.InvertAllButton()->geometry().bottom() > 650);
  }
};

REGISTER_GUI_TEST(SelectColumnsTest);
#include "select_columns_test.moc"
