#include "FrozenColumns.h"

#include <QHeaderView>
#include <QScrollBar>

#include "LogTableModel.h"
#include "table/ColumnInfo.h"

namespace {
constexpr int kEdge = 2;  // pixels
}  // namespace

FrozenColumns::FrozenColumns(QTableView* table) : QTableView(table), m_table(table) {
  setModel(table->model());
  setSelectionModel(table->selectionModel());
  setSelectionBehavior(table->selectionBehavior());
  setSelectionMode(table->selectionMode());
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setFocusPolicy(Qt::NoFocus);
  setWordWrap(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(table->verticalScrollMode());
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(table->horizontalHeader()->defaultAlignment());
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  // A line where the frozen part ends.
  setStyleSheet(
      QStringLiteral("QTableView { border: none; border-right: %1px solid palette(dark); }")
          .arg(kEdge));
  // Above the table's cells, below its scroll bars.
  table->viewport()->stackUnder(this);

  connect(table->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
          &QAbstractSlider::setValue);
  connect(verticalScrollBar(), &QAbstractSlider::valueChanged, table->verticalScrollBar(),
          &QAbstractSlider::setValue);
  QHeaderView* header = table->horizontalHeader();
  connect(header, &QHeaderView::sectionResized, this, &FrozenColumns::Update);
  connect(header, &QHeaderView::sectionMoved, this, &FrozenColumns::Update);
  connect(header, &QHeaderView::geometriesChanged, this, &FrozenColumns::UpdateGeometry);
  connect(table->model(), &QAbstractItemModel::modelReset, this, &FrozenColumns::Update);
  hide();
}

void FrozenColumns::SetFreezing(bool on) {
  m_freezing = on;
  Update();
}

void FrozenColumns::Update() {
  if (m_suspended) return;
  auto* model = static_cast<LogTableModel*>(m_table->model());
  const QHeaderView* header = m_table->horizontalHeader();
  const int count = model->columnCount();
  // The columns the user sees up to and including Time.
  int last = -1;
  for (int visual = 0; visual < count && last < 0; ++visual)
    if (model->ColumnId(header->logicalIndex(visual)) == meterlog2::table::kTimeColumn)
      last = visual;
  m_width = 0;
  for (int logical = 0; logical < count; ++logical) {
    const bool frozen = last >= 0 && header->visualIndex(logical) <= last;
    setColumnHidden(logical, !frozen);
    if (!frozen) continue;
    setColumnWidth(logical, header->sectionSize(logical));
    horizontalHeader()->moveSection(horizontalHeader()->visualIndex(logical),
                                    header->visualIndex(logical));
    m_width += header->sectionSize(logical);
  }
  // Frozen columns that would take most of the window help nobody.
  const bool show = m_freezing && last >= 0 && model->rowCount() > 0 &&
                    m_width < m_table->viewport()->width() / 2;
  setVisible(show);
  if (show) UpdateGeometry();
}

void FrozenColumns::UpdateGeometry() {
  if (!m_freezing) return;
  verticalHeader()->setDefaultSectionSize(m_table->verticalHeader()->defaultSectionSize());
  horizontalHeader()->setFixedHeight(m_table->horizontalHeader()->height());
  const int frame = m_table->frameWidth();
  setGeometry(frame, frame, m_width + kEdge,
              m_table->viewport()->height() + m_table->horizontalHeader()->height());
  verticalScrollBar()->setValue(m_table->verticalScrollBar()->value());
}
