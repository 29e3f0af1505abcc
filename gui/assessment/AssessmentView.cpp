#include "AssessmentView.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <cstring>

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
#include "text/DecimalText.h"
#include "text/TimeText.h"

namespace {

QString Readable(double value) {
  return QString::fromStdString(ReadableDecimal(value, 3));
}

QString Time(int64_t seconds) {
  return QString::fromStdString(TimeText(seconds, TimeStyle::kIsoSpace));
}

// A positive number up to `max` typed into `edit`, or nothing when it is empty; false when it
// holds something else.
bool ReadPositive(const QLineEdit* edit, double max, std::optional<double>& value) {
  const QString text = edit->text().trimmed();
  if (text.isEmpty()) return true;
  double number = 0;
  if (!ParseDecimal(text.toStdString(), number) || number <= 0 || number > max) return false;
  value = number;
  return true;
}

bool SameChoices(const assess::AssessOptions& a, const assess::AssessOptions& b) {
  return a.standards == b.standards && a.nominalVoltage == b.nominalVoltage &&
         a.nominalFrequency == b.nominalFrequency && a.isc == b.isc && a.il == b.il;
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

  CreateChoiceFields();
  QGridLayout* choices = ChoicesLayout();
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
  layout->addLayout(choices);
  layout->addWidget(m_summary);
  layout->addWidget(splitter, 1);
  resize(1100, 800);
}

void AssessmentView::CreateChoiceFields() {
  m_en50160 = new QCheckBox(QStringLiteral("&EN 50160"));
  m_ieee519 = new QCheckBox(QStringLiteral("&IEEE 519-2014"));
  m_en50160->setChecked(true);
  m_ieee519->setChecked(true);
  m_en50160->setToolTip(
      QStringLiteral("Low-voltage supply: frequency, voltage, THD, harmonics "
                     "2 to 25, unbalance"));
  m_ieee519->setToolTip(
      QStringLiteral("Bus up to 1 kV: voltage THD and harmonics 2 to 50; with "
                     "Isc the current harmonics and TDD"));
  m_voltage = new QLineEdit;
  m_voltage->setToolTip(QStringLiteral("Nominal voltage Un, phase to neutral"));
  m_voltageSource = new QLabel;
  m_frequency = new QComboBox;
  m_frequency->addItems({QStringLiteral("50"), QStringLiteral("60")});
  m_frequencySource = new QLabel;
  m_isc = new QLineEdit;
  m_isc->setPlaceholderText(QStringLiteral("needed for current limits"));
  m_isc->setToolTip(QStringLiteral("Short-circuit current at the point of common coupling"));
  m_il = new QLineEdit;
  m_il->setPlaceholderText(QStringLiteral("from the log"));
  m_il->setToolTip(
      QStringLiteral("Maximum demand load current; when empty, the largest "
                     "15-minute mean of each phase's fundamental current"));
  m_assess = new QPushButton(QStringLiteral("&Assess"));
  m_assess->setDefault(true);
  connect(m_voltage, &QLineEdit::textEdited, this, [this] {
    m_voltageInferred = false;
    m_voltageSource->setText(QStringLiteral("given"));
  });
  connect(m_frequency, &QComboBox::activated, this, [this] {
    m_frequencyInferred = false;
    m_frequencySource->setText(QStringLiteral("given"));
  });
  connect(m_assess, &QPushButton::clicked, this, &AssessmentView::Assess);
}

QGridLayout* AssessmentView::ChoicesLayout() {
  auto* choices = new QGridLayout;
  choices->addWidget(new QLabel(QStringLiteral("Standards:")), 0, 0);
  choices->addWidget(m_en50160, 0, 1);
  choices->addWidget(m_ieee519, 0, 2, 1, 2);
  auto addField = [&](int row, int column, const QString& label, QWidget* field,
                      const QString& unit, QLabel* source) {
    auto* name = new QLabel(label);
    name->setBuddy(field);
    choices->addWidget(name, row, column);
    auto* box = new QHBoxLayout;
    box->addWidget(field, 1);
    box->addWidget(new QLabel(unit));
    if (source != nullptr) {
      source->setMinimumWidth(source->fontMetrics().horizontalAdvance(QStringLiteral("inferred")));
      source->setEnabled(false);
      box->addWidget(source);
    }
    choices->addLayout(box, row, column + 1);
  };
  addField(1, 0, QStringLiteral("U&n:"), m_voltage, QStringLiteral("V"), m_voltageSource);
  addField(1, 2, QStringLiteral("&Fn:"), m_frequency, QStringLiteral("Hz"), m_frequencySource);
  addField(2, 0, QStringLiteral("I&sc:"), m_isc, QStringLiteral("A"), nullptr);
  addField(2, 2, QStringLiteral("I&L:"), m_il, QStringLiteral("A"), nullptr);
  choices->addWidget(m_assess, 2, 4);
  choices->setColumnStretch(5, 1);
  return choices;
}

QHBoxLayout* AssessmentView::CreateTableBar() {
  m_summary = new QLabel;
  m_summary->setWordWrap(true);
  m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_failuresOnly = new QCheckBox(QStringLiteral("Failures &only"));
  auto* copy = new QPushButton(QStringLiteral("&Copy"));
  copy->setToolTip(QStringLiteral("Put the rows shown on the clipboard (TAB separated)"));
  connect(copy, &QPushButton::clicked, this, &AssessmentView::Copy);
  m_saveReport = new QPushButton(QStringLiteral("Save &Report..."));
  m_saveReport->setToolTip(
      QStringLiteral("Save the assessment as the report a client receives (PDF or HTML)"));
  connect(m_saveReport, &QPushButton::clicked, this, &AssessmentView::SaveReport);
  auto* tableBar = new QHBoxLayout;
  tableBar->addWidget(m_failuresOnly);
  tableBar->addStretch(1);
  tableBar->addWidget(copy);
  tableBar->addWidget(m_saveReport);
  return tableBar;
}

void AssessmentView::CreateTable() {
  m_model = new AssessmentTableModel(this);
  m_table = new QTableView;
  m_table->setModel(m_model);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setWordWrap(false);
  m_table->verticalHeader()->setVisible(false);
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_table->setColumnWidth(AssessmentTableModel::kVerdict, 90);
  m_table->setColumnWidth(AssessmentTableModel::kCriterion, 230);
  m_table->setColumnWidth(AssessmentTableModel::kValue, 100);
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

AssessmentView::~AssessmentView() = default;

void AssessmentView::SetDocument(const CMeterlog2Doc* doc, const QString& path) {
  m_doc = doc != nullptr && doc->GetRecordCount() > 0 ? doc : nullptr;
  m_path = path;
  m_voltageInferred = m_frequencyInferred = true;
  m_voltage->clear();
  Assess();
}

void AssessmentView::Refresh() {
  Assess();
}

bool AssessmentView::ReadChoices(assess::AssessOptions& options, QString& error) const {
  options = assess::AssessOptions();
  assess::StandardSet& set = options.standards.emplace();
  set.en50160 = m_en50160->isChecked();
  set.ieee519 = m_ieee519->isChecked();
  if (!set.Any()) {
    error = QStringLiteral("Choose at least one standard.");
    return false;
  }
  if (!m_voltageInferred &&
      !ReadPositive(m_voltage, assess::kMaxNominalVoltage, options.nominalVoltage)) {
    error = QStringLiteral("Please enter Un as a positive number of volts.");
    return false;
  }
  if (!m_frequencyInferred) options.nominalFrequency = m_frequency->currentText().toDouble();
  if (!ReadPositive(m_isc, assess::kMaxCurrent, options.isc)) {
    error = QStringLiteral("Please enter Isc as a positive number of amperes.");
    return false;
  }
  if (!ReadPositive(m_il, assess::kMaxCurrent, options.il)) {
    error = QStringLiteral("Please enter IL as a positive number of amperes.");
    return false;
  }
  return true;
}

bool AssessmentView::Assess() {
  QString refused;
  assess::AssessOptions options;
  if (!ReadChoices(options, refused)) {
    ShowMessage(this, refused);
    return false;
  }
  m_options = options;
  m_result.reset();
  if (m_doc != nullptr) {
    WaitCursor wait;
    auto result = std::make_unique<assess::AssessmentResult>();
    const assess::SurveyLog log[] = {{PathFromQString(m_path), m_doc}};
    std::string error;
    if (assess::Assess(log, options, *result, error)) {
      m_result = std::move(result);
    } else {
      refused = QString::fromStdString(error);
    }
  }
  ShowNominalValues();
  ShowResult();
  if (!refused.isEmpty()) m_summary->setText(refused);
  return true;
}

void AssessmentView::ShowNominalValues() {
  if (m_result == nullptr) return;
  const assess::SurveyFacts& s = m_result->survey;
  if (m_voltageInferred) {
    m_voltage->setText(s.nominalVoltage ? Readable(*s.nominalVoltage) : QString());
    m_voltageSource->setText(s.nominalVoltage ? QStringLiteral("inferred") : QString());
  }
  if (m_frequencyInferred) {
    if (s.nominalFrequency) m_frequency->setCurrentText(Readable(*s.nominalFrequency));
    m_frequencySource->setText(s.nominalFrequency ? QStringLiteral("inferred") : QString());
  }
}

void AssessmentView::ShowResult() {
  m_model->SetResult(m_result.get());
  m_saveReport->setEnabled(m_result != nullptr);
  if (m_result == nullptr) {
    m_summary->setText(m_doc ? QString() : QStringLiteral("No log with records is open."));
    m_plot->SetCriterion(nullptr, {});
    return;
  }
  const assess::AssessmentResult& r = *m_result;
  const assess::SurveyFacts& s = r.survey;
  int failed = 0;
  for (const assess::Criterion& c : r.criteria) failed += c.verdict == assess::Verdict::kFail;
  const QColor color = r.verdict == assess::Verdict::kFail   ? QColor(190, 0, 0)
                       : r.verdict == assess::Verdict::kPass ? QColor(0, 125, 0)
                                                             : QColor(100, 100, 100);
  QString text =
      QStringLiteral("<b style=\"color:%1; font-size:large\">%2</b>")
          .arg(color.name(), QString::fromUtf8(assess::VerdictText(r.verdict)).toUpper());
  if (failed > 0)
    text += QStringLiteral(" &nbsp;%1 %2 failed")
                .arg(failed)
                .arg(failed == 1 ? "criterion" : "criteria");
  text +=
      QStringLiteral(
          "<br>%1: %2 to %3, %4 of %5 records used (%6 without a valid time, %7 "
          "overlapping), %8 10-minute windows")
          .arg(QString::fromStdString(s.logTypeName).toHtmlEscaped(), Time(*s.first), Time(*s.last))
          .arg(s.recordsUsed)
          .arg(s.records)
          .arg(s.invalidTime)
          .arg(s.overlaps)
          .arg(s.windows);
  if (r.indicative)
    text += QStringLiteral("<br><i>%1</i>")
                .arg(QString::fromStdString(r.indicativeNote).toHtmlEscaped());
  m_summary->setText(text);
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
  if (!ReadChoices(shown, error)) {
    ShowMessage(this, error);
    return false;
  }
  if (!SameChoices(shown, m_options) && !Assess()) return false;
  if (m_result == nullptr || m_doc == nullptr) {
    ShowMessage(this,
                m_doc == nullptr
                    ? QStringLiteral("There is no assessment to report: open a log with "
                                     "records first.")
                    : QStringLiteral("There is no assessment to report: ") + m_summary->text());
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
