#include "CSelectColumns.h"

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int kMinWidth = 383;
constexpr int kMinHeight = 354;
}  // namespace

CColumnCheckList::CColumnCheckList(QWidget* parent) : QListWidget(parent) {
  // Entries run down in columns and the list scrolls sideways, so hundreds of columns
  // stay readable in a small dialog.
  setViewMode(QListView::ListMode);
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QRect CColumnCheckList::CheckRect(int row) const {
  const QListWidgetItem* entry = item(row);
  if (entry == nullptr) return {};
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(indexFromItem(entry));
  option.text = entry->text();
  option.features |= QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
  option.checkState = entry->checkState();
  return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

bool CColumnCheckList::ToggleAt(const QPoint& pos) {
  QListWidgetItem* entry = itemAt(pos);
  if (entry == nullptr || !(entry->flags() & Qt::ItemIsUserCheckable)) return false;
  if (!CheckRect(row(entry)).contains(pos)) return false;
  entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  return true;
}

void CColumnCheckList::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && ToggleAt(event->position().toPoint())) {
    m_bSwallowRelease = true;
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
}

void CColumnCheckList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click flips the box again, as a second single click would.
  if (event->button() == Qt::LeftButton && ToggleAt(event->position().toPoint())) {
    m_bSwallowRelease = true;
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void CColumnCheckList::mouseReleaseEvent(QMouseEvent* event) {
  if (m_bSwallowRelease) {
    m_bSwallowRelease = false;
    event->accept();
    return;
  }
  QListWidget::mouseReleaseEvent(event);
}

CSelectColumns::CSelectColumns(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Select Columns"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  m_pList = new CColumnCheckList(this);
  m_pInvertAll = new QPushButton(QStringLiteral("&Invert All"), this);
  m_pCheckAll = new QPushButton(QStringLiteral("Check &All"), this);
  m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_pOk = new QPushButton(QStringLiteral("OK"), this);
  m_pOk->setDefault(true);
  m_pInvertAll->setAutoDefault(false);
  m_pCheckAll->setAutoDefault(false);
  m_pCancel->setAutoDefault(false);

  // The list takes every change of size; the buttons stay along the bottom edge, two at the
  // left and two at the right.
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pInvertAll);
  buttons->addWidget(m_pCheckAll);
  buttons->addStretch(1);
  buttons->addWidget(m_pCancel);
  buttons->addWidget(m_pOk);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pList, 1);
  layout->addLayout(buttons);

  setMinimumSize(kMinWidth, kMinHeight);
  resize(kMinWidth, kMinHeight);

  connect(m_pInvertAll, &QPushButton::clicked, this, &CSelectColumns::OnInvertAll);
  connect(m_pCheckAll, &QPushButton::clicked, this, &CSelectColumns::OnCheckAll);
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_pList, &QListWidget::itemChanged, this, &CSelectColumns::OnItemChanged);
}

int CSelectColumns::AddColumn(const QString& text, bool checked, bool mayChange) {
  m_entries.push_back(Entry{checked, mayChange});
  m_bGuard = true;
  auto* entry = new QListWidgetItem(text);
  // An entry that may not change can neither be ticked nor selected; it still reads as a
  // normal, enabled entry.
  entry->setFlags(mayChange ? (Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable)
                            : Qt::ItemIsEnabled);
  entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  m_pList->addItem(entry);
  m_bGuard = false;
  return static_cast<int>(m_entries.size());
}

bool CSelectColumns::GetCheck(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= m_entries.size()) return false;
  return m_entries[static_cast<size_t>(index)].bChecked;
}

void CSelectColumns::SetChecked(int index, bool checked) {
  m_entries[static_cast<size_t>(index)].bChecked = checked;
  m_pList->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CSelectColumns::OnItemChanged(QListWidgetItem* item) {
  if (m_bGuard) return;
  const int i = m_pList->row(item);
  if (i < 0 || static_cast<size_t>(i) >= m_entries.size()) return;
  Entry& entry = m_entries[static_cast<size_t>(i)];
  const bool checked = item->checkState() == Qt::Checked;
  if (!entry.bMayChange) {
    // Only the dialog changes such an entry's box; put it back as it was added.
    if (checked != entry.bChecked) {
      m_bGuard = true;
      item->setCheckState(entry.bChecked ? Qt::Checked : Qt::Unchecked);
      m_bGuard = false;
    }
    return;
  }
  if (checked == entry.bChecked) return;  // another role of the item changed
  m_bGuard = true;
  entry.bChecked = checked;
  if (item->isSelected()) {
    for (int j = 0; j < m_pList->count(); ++j) {
      if (j == i || !m_pList->item(j)->isSelected()) continue;
      if (!m_entries[static_cast<size_t>(j)].bMayChange) continue;
      SetChecked(j, !m_entries[static_cast<size_t>(j)].bChecked);
    }
  }
  m_bGuard = false;
}

void CSelectColumns::OnInvertAll() {
  m_pList->clearSelection();
  m_bGuard = true;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].bMayChange) SetChecked(static_cast<int>(i), !m_entries[i].bChecked);
  m_bGuard = false;
}

void CSelectColumns::OnCheckAll() {
  m_pList->clearSelection();
  m_bGuard = true;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].bMayChange) SetChecked(static_cast<int>(i), true);
  m_bGuard = false;
}
