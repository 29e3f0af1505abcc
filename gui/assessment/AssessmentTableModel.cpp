#include "AssessmentTableModel.h"

#include <QColor>

#include "assess/AssessmentWriters.h"
#include "text/TimeText.h"

namespace {

QString Minutes(int64_t seconds) {
  return QString::fromStdString(TimeText(seconds, TimeStyle::kIsoSpace)).left(16);
}

}  // namespace

AssessmentTableModel::AssessmentTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void AssessmentTableModel::SetResult(const assess::AssessmentResult* result) {
  beginResetModel();
  m_result = result;
  Rebuild();
  endResetModel();
}

void AssessmentTableModel::SetFailuresOnly(bool failuresOnly) {
  if (failuresOnly == m_failuresOnly) return;
  beginResetModel();
  m_failuresOnly = failuresOnly;
  Rebuild();
  endResetModel();
}

void AssessmentTableModel::Rebuild() {
  m_rows.clear();
  if (m_result == nullptr) return;
  for (size_t i : assess::FailuresFirst(*m_result))
    if (!m_failuresOnly || m_result->criteria[i].verdict == assess::Verdict::kFail)
      m_rows.push_back(i);
}

const assess::Criterion* AssessmentTableModel::CriterionAt(int row) const {
  if (m_result == nullptr || row < 0 || size_t(row) >= m_rows.size()) return nullptr;
  return &m_result->criteria[m_rows[size_t(row)]];
}

int AssessmentTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(m_rows.size());
}

int AssessmentTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant AssessmentTableModel::data(const QModelIndex& index, int role) const {
  const assess::Criterion* c = CriterionAt(index.row());
  if (c == nullptr) return {};
  if (role == Qt::BackgroundRole) return VerdictColor(c->verdict);
  if (role == Qt::ToolTipRole)
    return index.column() == kWorstPeriod && !c->periods.empty() ? PeriodsText(*c) : NoteText(*c);
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case kVerdict:
      return QString::fromUtf8(assess::VerdictText(c->verdict));
    case kCriterion:
      return QString::fromStdString(c->id);
    case kValue: {
      if (!c->value) return QStringLiteral("-");
      const QString value = QString::fromStdString(assess::ValueText(*c, *c->value));
      return c->unit == Unit::kNone ? value : value + " " + QString::fromUtf8(UnitSymbol(c->unit));
    }
    case kWorstPeriod:
      return QString::fromStdString(assess::WorstPeriodText(*c));
    case kLimit:
      return QString::fromStdString(c->limit);
    case kNote:
      return NoteText(*c);
    default:
      return {};
  }
}

QString AssessmentTableModel::NoteText(const assess::Criterion& c) const {
  return QString::fromStdString(std::string(assess::OwnNote(*m_result, c)));
}

QString AssessmentTableModel::PeriodsText(const assess::Criterion& c) const {
  const char* unit = c.idStatistic == assess::IdStatistic::kDaily99 ? "day" : "week";
  const std::string worst = assess::WorstPeriodText(c);
  QStringList lines;
  for (size_t i = 0; i < c.periods.size(); ++i) {
    const assess::PeriodResult& p = c.periods[i];
    const std::string name = std::string(unit) + " " + std::to_string(i + 1);
    QString line = QStringLiteral("%1, %2 to %3: ")
                       .arg(QString::fromStdString(name), Minutes(p.start), Minutes(p.end));
    if (p.value) {
      line += QString::fromStdString(assess::ValueText(c, *p.value));
      if (c.unit != Unit::kNone) line += " " + QString::fromUtf8(UnitSymbol(c.unit));
      line += QStringLiteral(" %1 (%2 values)")
                  .arg(QString::fromUtf8(assess::VerdictText(p.verdict)))
                  .arg(p.count);
    } else {
      line += QStringLiteral("no values");
    }
    if (name == worst) line += QStringLiteral(", the worst");
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

QVariant AssessmentTableModel::headerData(int section, Qt::Orientation orientation,
                                          int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* kTitles[kColumnCount] = {"Verdict",      "Criterion", "Value",
                                              "Worst period", "Limit",     "Note"};
  return section >= 0 && section < kColumnCount ? QString::fromLatin1(kTitles[section])
                                                : QVariant();
}

QColor VerdictColor(assess::Verdict verdict) {
  switch (verdict) {
    case assess::Verdict::kFail:
      return QColor(255, 200, 200);
    case assess::Verdict::kPass:
      return QColor(205, 240, 205);
    case assess::Verdict::kInfo:
      return QColor(215, 230, 250);
    case assess::Verdict::kNotAssessed:
    case assess::Verdict::kIncomplete:
      break;
  }
  return QColor(232, 232, 232);
}
