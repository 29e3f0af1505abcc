#pragma once
// The table's columns up to and including Time, drawn over its left edge so that they stay in
// view while the table scrolls sideways. It shares the table's model and selection and follows
// its row scrolling, column widths and column moves; the table keeps the keyboard focus, and
// copy and export never see this overlay.

#include <QTableView>

class FrozenColumns : public QTableView {
  Q_OBJECT
 public:
  // `table` shows the same model; its column `timeColumnId` (through `columnId`) ends the
  // frozen part.
  explicit FrozenColumns(QTableView* table);

  void SetFreezing(bool on);
  // While the table is rebuilt its columns change one by one: follow them once, at the end.
  void Suspend(bool suspended) { m_suspended = suspended; }
  bool Freezing() const { return m_freezing; }
  // Follows the table after a reset, a resize or a move of its columns.
  void Update();
  // The width the overlay covers (0 when it is not shown).
  int CoveredWidth() const { return isVisible() ? m_width : 0; }

 private:
  void UpdateGeometry();

  QTableView* m_table;
  bool m_freezing = true;
  bool m_suspended = false;
  int m_width = 0;
};
