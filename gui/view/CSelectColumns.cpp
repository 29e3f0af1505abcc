#include "CSelectColumns.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyle>

namespace {
constexpr int kMinWidth = 383;
constexpr int kMinHeight = 354;
constexpr int kStartWidth = 640;  // room for three columns of titles at first
constexpr int kStartHeight = 460;
}  // namespace

ColumnCheckList::ColumnCheckList(QWidget* parent) : QListWidget(parent) {
  // Entries run down in columns and the list scrolls sideways, so hundreds of columns
  // stay readable in a small dialog.
  setViewMode(QListView::ListMode);
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  // Every entry as wide as the widest title (see AddColumn): nothing is cut short.
  setUniformItemSizes(false);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
}

QRect ColumnCheckList::CheckRect(int row) const {
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

bool ColumnCheckList::ToggleAt(const QPoint& pos) {
  QListWidgetItem* entry = itemAt(pos);
  if (entry == nullptr || !(entry->flags() & Qt::ItemIsUserCheckable)) return false;
  if (!CheckRect(row(entry)).contains(pos)) return false;
  entry->setCheckState(entry->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  return true;
}

void ColumnCheckList::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && ToggleAt(event->position().toPoint())) {
    m_swallowRelease = true;
    event->accept();
    return;
  }
  QListWidget::mousePressEvent(event);
}

void ColumnCheckList::mouseDoubleClickEvent(QMouseEvent* event) {
  // The second click of a double click flips the box again, as a second single click would.
  if (event->button() == Qt::LeftButton && ToggleAt(event->position().toPoint())) {
    m_swallowRelease = true;
    event->accept();
    return;
  }
  QListWidget::mouseDoubleClickEvent(event);
}

void ColumnCheckList::mouseReleaseEvent(QMouseEvent* event) {
  if (m_swallowRelease) {
    m_swallowRelease = false;
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

  m_pList = new ColumnCheckList(this);
  m_pList->setObjectName(QStringLiteral("columns"));
  m_pFilter = new QLineEdit(this);
  m_pFilter->setObjectName(QStringLiteral("filter"));
  m_pFilter->setPlaceholderText(QStringLiteral("Type to find columns by title"));
  m_pFilter->setClearButtonEnabled(true);
  m_pGroup = new QComboBox(this);
  m_pGroup->setObjectName(QStringLiteral("group"));
  m_pGroup->addItems(GroupNames());
  m_pGroupCheck = new QPushButton(QStringLiteral("C&heck Group"), this);
  m_pGroupUncheck = new QPushButton(QStringLiteral("&Uncheck Group"), this);
  m_pGroupCheck->setAutoDefault(false);
  m_pGroupUncheck->setAutoDefault(false);
  m_pInvertAll = new QPushButton(QStringLiteral("&Invert All"), this);
  m_pInvertAll->setObjectName(QStringLiteral("invertAll"));
  m_pCheckAll = new QPushButton(QStringLiteral("Check &All"), this);
  m_pCheckAll->setObjectName(QStringLiteral("checkAll"));
  m_pCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_pCancel->setObjectName(QStringLiteral("cancel"));
  m_pOk = new QPushButton(QStringLiteral("OK"), this);
  m_pOk->setObjectName(QStringLiteral("ok"));
  m_pOk->setDefault(true);
  m_pInvertAll->setAutoDefault(false);
  m_pCheckAll->setAutoDefault(false);
  m_pCancel->setAutoDefault(false);
  LayOut();

  connect(m_pInvertAll, &QPushButton::clicked, this, &CSelectColumns::OnInvertAll);
  connect(m_pCheckAll, &QPushButton::clicked, this, &CSelectColumns::OnCheckAll);
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_pList, &QListWidget::itemChanged, this, &CSelectColumns::OnItemChanged);
  connect(m_pFilter, &QLineEdit::textChanged, this, &CSelectColumns::FilterEntries);
  connect(m_pGroupCheck, &QPushButton::clicked, this,
          [this] { CheckGroup(m_pGroup->currentText(), true); });
  connect(m_pGroupUncheck, &QPushButton::clicked, this,
          [this] { CheckGroup(m_pGroup->currentText(), false); });
}

void CSelectColumns::LayOut() {
  // The list takes every change of size; the buttons stay along the bottom edge, two at the
  // left and two at the right.
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pInvertAll);
  buttons->addWidget(m_pCheckAll);
  buttons->addStretch(1);
  buttons->addWidget(m_pCancel);
  buttons->addWidget(m_pOk);
  auto* groups = new QHBoxLayout;
  groups->addWidget(new QLabel(QStringLiteral("Group:"), this));
  groups->addWidget(m_pGroup);
  groups->addWidget(m_pGroupCheck);
  groups->addWidget(m_pGroupUncheck);
  groups->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pFilter);
  layout->addLayout(groups);
  layout->addWidget(m_pList, 1);
  layout->addLayout(buttons);

  setMinimumSize(kMinWidth, kMinHeight);
  resize(kStartWidth, kStartHeight);
}

QStringList CSelectColumns::GroupNames() {
  return {QStringLiteral("Phase A"),        QStringLiteral("Phase B"),
          QStringLiteral("Phase C"),        QStringLiteral("Wide"),
          QStringLiteral("Narrow"),         QStringLiteral("Fundamentals"),
          QStringLiteral("Harmonics 2-15"), QStringLiteral("All harmonics")};
}

bool CSelectColumns::InGroup(const QString& group, const QString& title) {
  if (group.startsWith(QLatin1String("Phase "))) return title.startsWith(group + QLatin1Char(' '));
  if (group == QLatin1String("Wide") || group == QLatin1String("Narrow"))
    return title.endsWith(QLatin1Char(' ') + group);
  if (group == QLatin1String("Fundamentals")) return title.endsWith(QLatin1String(" Fund"));
  const int harm = title.lastIndexOf(QLatin1String(" Harm "));
  if (harm < 0) return false;
  if (group == QLatin1String("All harmonics")) return true;
  const int number = title.mid(harm + 6).toInt();
  return group == QLatin1String("Harmonics 2-15") && number >= 2 && number <= 15;
}

void CSelectColumns::UpdateGroups() {
  // A group the log has no column of cannot be chosen.
  for (int g = 0; g < m_pGroup->count(); ++g) {
    bool any = false;
    for (int i = 0; i < m_pList->count() && !any; ++i)
      any = InGroup(m_pGroup->itemText(g), m_pList->item(i)->text());
    auto* model = qobject_cast<QStandardItemModel*>(m_pGroup->model());
    if (model != nullptr) model->item(g)->setEnabled(any);
    if (!any && m_pGroup->currentIndex() == g && g + 1 < m_pGroup->count())
      m_pGroup->setCurrentIndex(g + 1);
  }
}

void CSelectColumns::FilterEntries(const QString& text) {
  for (int i = 0; i < m_pList->count(); ++i) {
    QListWidgetItem* entry = m_pList->item(i);
    entry->setHidden(!text.isEmpty() && !entry->text().contains(text, Qt::CaseInsensitive));
  }
}

void CSelectColumns::CheckGroup(const QString& group, bool check) {
  m_pList->clearSelection();
  m_bGuard = true;
  for (size_t i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].mayChange && InGroup(group, m_pList->item(int(i))->text()))
      SetChecked(static_cast<int>(i), check);
  }
  m_bGuard = false;
}

void CSelectColumns::showEvent(QShowEvent* event) {
  UpdateGroups();
  // Room for the widest title next to its box.
  const int box = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 16;
  m_pList->setGridSize(QSize(m_widestText + box + 12, m_pList->fontMetrics().height() + 6));
  QDialog::showEvent(event);
  m_pFilter->setFocus();  // typing finds columns at once
}

int CSelectColumns::AddColumn(const QString& text, bool checked, bool mayChange,
                              const QString& tip) {
  m_entries.push_back(Entry{checked, mayChange});
  m_widestText = std::max(m_widestText, m_pList->fontMetrics().horizontalAdvance(text));
  m_bGuard = true;
  auto* entry = new QListWidgetItem(text);
  if (!tip.isEmpty()) entry->setToolTip(tip);
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
  return m_entries[static_cast<size_t>(index)].checked;
}

void CSelectColumns::SetChecked(int index, bool checked) {
  m_entries[static_cast<size_t>(index)].checked = checked;
  m_pList->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void CSelectColumns::OnItemChanged(QListWidgetItem* item) {
  if (m_bGuard) return;
  const int i = m_pList->row(item);
  if (i < 0 || static_cast<size_t>(i) >= m_entries.size()) return;
  Entry& entry = m_entries[static_cast<size_t>(i)];
  const bool checked = item->checkState() == Qt::Checked;
  if (!entry.mayChange) {
    // Only the dialog changes such an entry's box; put it back as it was added.
    if (checked != entry.checked) {
      m_bGuard = true;
      item->setCheckState(entry.checked ? Qt::Checked : Qt::Unchecked);
      m_bGuard = false;
    }
    return;
  }
  if (checked == entry.checked) return;  // another role of the item changed
  m_bGuard = true;
  entry.checked = checked;
  if (item->isSelected()) {
    for (int j = 0; j < m_pList->count(); ++j) {
      if (j == i || !m_pList->item(j)->isSelected()) continue;
      if (!m_entries[static_cast<size_t>(j)].mayChange) continue;
      SetChecked(j, !m_entries[static_cast<size_t>(j)].checked);
    }
  }
  m_bGuard = false;
}

void CSelectColumns::OnInvertAll() {
  m_pList->clearSelection();
  m_bGuard = true;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].mayChange) SetChecked(static_cast<int>(i), !m_entries[i].checked);
  m_bGuard = false;
}

void CSelectColumns::OnCheckAll() {
  m_pList->clearSelection();
  m_bGuard = true;
  for (size_t i = 0; i < m_entries.size(); ++i)
    if (m_entries[i].mayChange) SetChecked(static_cast<int>(i), true);
  m_bGuard = false;
}
