#pragma once
// "Select Columns": one check box per column of the column list. Checking or unchecking an
// entry that is part of a multi-selection inverts the other selected entries too, so a block
// of columns can be flipped with one click. Entries that may not change (the "Time" column)
// keep their check box as added and cannot be selected.

#include <QDialog>
#include <QListWidget>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

// The list: a click on an entry's check box toggles it without touching the selection, so
// that a multi-selection survives the click that is meant to flip it.
class ColumnCheckList : public QListWidget {
  Q_OBJECT
 public:
  explicit ColumnCheckList(QWidget* parent = nullptr);
  // The check box of `row` in viewport coordinates (empty when the row has none).
  QRect CheckRect(int row) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  bool ToggleAt(const QPoint& pos);
  bool m_swallowRelease = false;
};

class CSelectColumns : public QDialog {
  Q_OBJECT
 public:
  explicit CSelectColumns(QWidget* parent = nullptr);

  // Appends an entry (`tip`: its tooltip, the title with its unit); returns the number of
  // entries.
  int AddColumn(const QString& text, bool checked, bool mayChange, const QString& tip = QString());
  // The entry's check state; false for an index at or past the last entry.
  bool GetCheck(int index) const;

  void OnInvertAll();
  void OnCheckAll();
  // Shows only the entries whose title holds `text` (any case); checks stay as they are.
  void FilterEntries(const QString& text);
  // Checks (or unchecks) every entry of a quick group that may change: "Phase A", "Phase B",
  // "Phase C", "Wide", "Narrow", "Fundamentals", "Harmonics 2-15", "All harmonics".
  void CheckGroup(const QString& group, bool check);
  static QStringList GroupNames();
  static bool InGroup(const QString& group, const QString& title);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Entry {
    bool checked;
    bool mayChange;
  };
  // Places the filter, the group bar, the list and the buttons, and sizes the dialog.
  void LayOut();
  void OnItemChanged(QListWidgetItem* item);
  void UpdateGroups();
  void SetChecked(int index, bool checked);

  std::vector<Entry> m_entries;
  bool m_bGuard = false;  // ignores the check changes the dialog makes itself
  ColumnCheckList* m_pList = nullptr;
  QLineEdit* m_pFilter = nullptr;
  QComboBox* m_pGroup = nullptr;
  QPushButton* m_pGroupCheck = nullptr;
  QPushButton* m_pGroupUncheck = nullptr;
  int m_widestText = 0;
  QPushButton* m_pInvertAll = nullptr;
  QPushButton* m_pCheckAll = nullptr;
  QPushButton* m_pCancel = nullptr;
  QPushButton* m_pOk = nullptr;
};
