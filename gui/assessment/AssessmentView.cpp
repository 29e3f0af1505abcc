#include "AssessmentView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <cstring>

#include "AssessmentChoices.h"
#include "AssessmentSummary.h"
#include "AssessmentTableModel.h"
#include "ReportDialog.h"
#include "assess/AssessmentWriters.h"
#include "common/MessageBox.h"
#include "common/QtPath.h"
#include "common/WaitCursor.h"
#include "file/PathText.h"
#include "file/Sha256.h"
#include "log/CMeterlog2Doc.h"
#include "plot/CriterionPlot.h"
#include "report/AssessmentReport.h"

namespace {

bool SameChoices(const assess::AssessOptions& a, const assess::AssessOptions& b) {
  return a.standards == b.standards && a.nominalVoltage == b.nominalVoltage &&
         a.connection == b.connection && a.nominalFrequency == b.nominalFrequency &&
         a.isc == b.isc && a.il == b.il;
}

// The SHA-256 of the log at `path` as it is now, provided that it still holds the records `doc`
// was loaded from: a report must not vouch for a file that was replaced after it was opened.
// False with a sentence naming the file in `error`.
bool DigestOfLoadedLog(const std::filesystem::path& path, const CMeterlog2Doc& doc,
                       std::string& hex, QString& error) {
  const QString name = QString::fromStdString(PathText(path.filename()));
  CMeterlog2Doc now;
  const LoadResult loaded = now.Load(path, true);
  if (loaded.status == LoadResult::Status::kOpenFailed) {
    error = QString::fromStdString(loaded.message);
    return false;
  }
  const size_t bytes = size_t(doc.GetRecordCount()) * doc.GetRecordSize();
  if (now.GetRecordCount() != doc.GetRecordCount() || now.GetRecordSize() != doc.GetRecordSize() ||
      std::memcmp(now.SharedRecords().get(), doc.SharedRecords().get(), bytes) != 0) {
    error = QStringLiteral(
                "The log \"%1\" has changed since it was opened: open it again to report on it "
                "as it is now.")
                .arg(name);
    return false;
  }
  std::string reason;
  if (Sha256OfFile(path, hex, reason)) return true;
  error = QStringLiteral("Could not read the log \"%1\": %2.")
              .arg(name, QString::fromStdString(reason));
  return false;
}

}  // namespace

AssessmentView::AssessmentView(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Assess Supply Quality"));
  setSizeGripEnabled(true);

  m_choices = new AssessmentChoices;
  connect(m_choices, &AssessmentChoices::assessRequested, this, &AssessmentView::Assess);
  m_summary = new AssessmentSummary;
  QHBoxLayout* tableBar = CreateTableBar();
  CreateTable();
  m_plot = new CriterionPlot;

  auto* upper = new QWidget;
  auto* upperLayout = new QVBoxLayout(upper);
  upperLayout->setContentsMargins(0, 0, 0, 0);
  upperLayout->addLayout(tableBar);
  upperLayout->addWidget(m_table, 1);
  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->addWidget(upper);
  splitter->addWidget(m_plot);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_choices);
  layout->addWidget(m_summary);
  layout->addWidget(splitter, 1);
  SetTabOrder();
  resize(1100, 800);
}

QHBoxLayout* AssessmentView::CreateTableBar() {
  m_failuresOnly = new QCheckBox(QStringLiteral("Failures &only"));
  m_failuresOnly->setObjectName(QStringLiteral("failuresOnly"));
  m_copy = new QPushButton(QStringLiteral("&Copy"));
  m_copy->setObjectName(QStringLiteral("copy"));
  m_copy->setAutoDefault(false);
  m_copy->setToolTip(QStringLiteral("Put the rows shown on the clipboard (TAB separated)"));
  connect(m_copy, &QPushButton::clicked, this, &AssessmentView::Copy);
  m_saveReport = new QPushButton(QStringLiteral("Save &Report..."));
  m_saveReport->setObjectName(QStringLiteral("saveReport"));
  m_saveReport->setAutoDefault(false);
  m_saveReport->setToolTip(
      QStringLiteral("Save the assessment as the report a client receives (PDF or HTML)"));
  connect(m_saveReport, &QPushButton::clicked, this, &AssessmentView::SaveReport);
  auto* tableBar = new QHBoxLayout;
  tableBar->addWidget(m_failuresOnly);
  tableBar->addStretch(1);
  tableBar->addWidget(m_copy);
  tableBar->addWidget(m_saveReport);
  return tableBar;
}

void AssessmentView::CreateTable() {
  m_model = new AssessmentTableModel(this);
  m_table = new QTableView;
  m_table->setObjectName(QStringLiteral("criteria"));
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setWordWrap(false);
  m_table->verticalHeader()->setVisible(false);
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_table->setColumnWidth(AssessmentTableModel::kVerdict, 90);
  m_table->setColumnWidth(AssessmentTableModel::kCriterion, 290);
  m_table->setColumnWidth(AssessmentTableModel::kValue, 120);
  m_table->setColumnWidth(AssessmentTableModel::kWorstPeriod, 90);
  m_table->setColumnWidth(AssessmentTableModel::kLimit, 380);
  connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &AssessmentView::CurrentRowChanged);
  connect(m_failuresOnly, &QCheckBox::toggled, this, [this](bool only) {
    const assess::Criterion* chosen = m_model->CriterionAt(m_table->currentIndex().row());
    const QString id = chosen ? QString::fromStdString(chosen->id) : QString();
    m_model->SetFailuresOnly(only);
    if (id.isEmpty() || !ChooseCriterion(id)) CurrentRowChanged();
  });
}

void AssessmentView::SetTabOrder() {
  QWidget* const order[] = {m_choices->AssessButton(),
                            m_summary->DetailsButton(),
                            m_failuresOnly,
                            m_copy,
                            m_saveReport,
                            m_table,
                            m_plot};
  for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

AssessmentView::~AssessmentView() = default;

QLabel* AssessmentView::Summary() const {
  return m_summary->Text();
}

void AssessmentView::SetDocument(const CMeterlog2Doc* doc, const QString& path) {
  m_doc = doc != nullptr && doc->GetRecordCount() > 0 ? doc : nullptr;
  m_path = path;
  m_choices->Reset();
  Assess();
}

void AssessmentView::Refresh() {
  Assess();
}

bool AssessmentView::Assess() {
  QString refused;
  assess::AssessOptions options;
  if (!m_choices->Read(options, refused)) {
    ShowMessage(this, refused);
    return false;
  }
  m_options = options;
  m_result.reset();
  m_failure = assess::AssessFailure::kNone;
  m_refusal.clear();
  if (m_doc != nullptr) {
    WaitCursor wait;
    auto result = std::make_unique<assess::AssessmentResult>();
    const assess::SurveyLog log[] = {{PathFromQString(m_path), m_doc}};
    std::string error;
    if (assess::Assess(log, options, *result, error, &m_failure)) {
      m_result = std::move(result);
    } else {
      m_refusal = QString::fromStdString(error);
    }
  }
  ShowResult();
  return true;
}

void AssessmentView::ShowResult() {
  m_choices->ShowResult(m_result.get());
  m_model->SetResult(m_result.get());
  m_saveReport->setEnabled(m_result != nullptr);
  m_copy->setEnabled(m_result != nullptr);
  if (m_result == nullptr) {
    m_summary->ShowNoResult(m_doc ? m_refusal : QStringLiteral("No log with records is open."));
    m_plot->SetCriterion(nullptr, {});
    return;
  }
  m_summary->ShowResult(*m_result);
  if (m_model->rowCount() > 0) {
    m_table->setCurrentIndex(m_model->index(0, 0));
  } else {
    CurrentRowChanged();
  }
}

bool AssessmentView::ChooseCriterion(const QString& id) {
  for (int row = 0; row < m_model->rowCount(); ++row) {
    const assess::Criterion* c = m_model->CriterionAt(row);
    if (QString::fromStdString(c->id) == id) {
      m_table->setCurrentIndex(m_model->index(row, 0));
      m_table->scrollTo(m_model->index(row, 0));
      return true;
    }
  }
  return false;
}

void AssessmentView::CurrentRowChanged() {
  const assess::Criterion* c = m_model->CriterionAt(m_table->currentIndex().row());
  m_plot->SetCriterion(m_result.get(), c ? c->id : std::string());
}

QString AssessmentView::CopyText() const {
  if (m_result == nullptr) return {};
  return QString::fromStdString(assess::AssessmentCsv(*m_result, '\t', &m_model->Rows()));
}

void AssessmentView::Copy() {
  QApplication::clipboard()->setText(CopyText());
}

bool AssessmentView::SaveReport() {
  assess::AssessOptions shown;
  QString error;
  if (!m_choices->Read(shown, error)) {
    ShowMessage(this, error);
    return false;
  }
  if (!SameChoices(shown, m_options) && !Assess()) return false;
  if (m_result == nullptr || m_doc == nullptr) {
    ShowMessage(this, m_doc == nullptr
                          ? QStringLiteral("There is no assessment to report: open a log with "
                                           "records first.")
                          : QStringLiteral("There is no assessment to report: ") + m_refusal);
    return false;
  }
  ReportDialog dialog(this, m_path);
  if (dialog.exec() != QDialog::Accepted) return false;
  dialog.Remember();
  const QString file = dialog.ChosenFile();
  // A FIFO, device or socket would take the report as a stream, and opening a FIFO waits for a
  // reader with the window frozen: from here a report goes to a file only.
  std::error_code ec;
  const std::filesystem::file_status target = std::filesystem::status(PathFromQString(file), ec);
  if (std::filesystem::exists(target) && !std::filesystem::is_regular_file(target) &&
      !std::filesystem::is_directory(target)) {
    ShowMessage(this, QStringLiteral("Could not save the report as \"%1\": it is not a file.")
                          .arg(QDir::toNativeSeparators(file)));
    return false;
  }
  bool saved = false;
  {
    WaitCursor wait;
    // The log is named as its window names it, without the folders it sits in on this computer.
    const std::filesystem::path log = PathFromQString(m_path);
    assess::AssessmentResult result = *m_result;
    result.survey.files.front().path = log.filename();
    saved = DigestOfLoadedLog(log, *m_doc, result.survey.files.front().sha256, error) &&
            ::SaveReport(result, dialog.Options(), PathFromQString(file), {log}, error);
  }
  if (!saved) ShowMessage(this, error);
  return saved;
}
