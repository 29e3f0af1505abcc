#include "AssessmentChoices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "text/DecimalText.h"

namespace {

QString Readable(double value) {
  return QString::fromStdString(ReadableDecimal(value, 3));
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

// Beside Un when its text is no voltage.
constexpr char kRefusedVoltage[] = "not a voltage (230, 230 V, 0.4 kV)";

// What Un is for each connection, as the choice's tooltips say it.
struct ConnectionChoice {
  assess::Connection connection;
  const char* meaning;
};
constexpr ConnectionChoice kConnections[] = {
    {assess::Connection::kWye,
     "Un is the voltage from phase to neutral; a channel between phases is compared with "
     "\u221a3 \u00d7 Un"},
    {assess::Connection::kDelta,
     "Un is the voltage between phases (a delta system has no neutral); the phase voltages are "
     "taken as voltages between phases"},
    {assess::Connection::kSplitPhase,
     "Un is the voltage from each line to neutral; the channel between the two lines is "
     "compared with 2 \u00d7 Un"},
    {assess::Connection::kSinglePhase, "Un is the voltage from phase to neutral"},
};

}  // namespace

std::optional<double> NominalVoltageFromText(const QString& text) {
  QString number = text.trimmed();
  bool kilo = false;
  if (number.endsWith(QLatin1Char('V'), Qt::CaseInsensitive)) {
    number.chop(1);
    if (number.endsWith(QLatin1Char('k'), Qt::CaseInsensitive)) {
      number.chop(1);
      kilo = true;
    }
    number = number.trimmed();
  }
  std::string digits = number.toStdString();
  // Kilovolts read as the number times 10^3 written out, so "0.4 kV" is exactly 400 V.
  const bool exponent = digits.find_first_of("eE") != std::string::npos;
  if (kilo && !exponent) digits += "e3";
  double volts = 0;
  if (digits.empty() || !ParseDecimal(digits, volts)) return std::nullopt;
  if (kilo && exponent) volts *= 1000;
  if (!(volts > 0) || volts > assess::kMaxNominalVoltage) return std::nullopt;
  return volts;
}

AssessmentChoices::AssessmentChoices(QWidget* parent) : QWidget(parent) {
  CreateStandards();
  CreateVoltage();
  CreateOthers();
  QGridLayout* layout = MakeLayout();
  layout->setContentsMargins(0, 0, 0, 0);
  setLayout(layout);
  SetTabOrder();
  Reset();
}

void AssessmentChoices::CreateStandards() {
  m_en50160 = new QCheckBox(QStringLiteral("&EN 50160"));
  m_en50160->setObjectName(QStringLiteral("en50160"));
  m_ieee519 = new QCheckBox(QStringLiteral("&IEEE 519-2014"));
  m_ieee519->setObjectName(QStringLiteral("ieee519"));
  m_ansiC84 = new QCheckBox(QStringLiteral("ANSI C&84.1"));
  m_ansiC84->setObjectName(QStringLiteral("ansiC84"));
  m_en50160->setToolTip(QStringLiteral(
      "EN 50160:2010, public networks of 50 Hz: frequency, supply voltage, THD, harmonics 2 to "
      "25, unbalance, with the limits of the voltage class"));
  m_ieee519->setToolTip(QStringLiteral(
      "IEEE 519-2014: voltage THD and harmonics by bus voltage (Table 1), weekly 95th and daily "
      "99th percentiles; with Isc the current harmonics and TDD"));
  m_ansiC84->setToolTip(
      QStringLiteral("ANSI C84.1-2016: service voltage Range A and Range B (systems up to 600 V)"));
  m_standardsSource = new QLabel;
  m_standardsSource->setObjectName(QStringLiteral("standardsSource"));
  m_standardsSource->setEnabled(false);
  for (QCheckBox* box : {m_en50160, m_ieee519, m_ansiC84}) {
    connect(box, &QCheckBox::toggled, this, [this] {
      if (m_settingStandards) return;
      m_standardsChosen = true;
      m_standardsSource->setText(QStringLiteral("as chosen"));
    });
  }
}

void AssessmentChoices::CreateVoltage() {
  m_voltage = new QLineEdit;
  m_voltage->setObjectName(QStringLiteral("nominalVoltage"));
  m_voltage->setToolTip(
      QStringLiteral("The nominal voltage Un as declared for the supply, in volts (\"230\", "
                     "\"230 V\" or \"0.4 kV\"); what it is measured between depends on the "
                     "connection. Empty: the criteria that depend on Un are not assessed."));
  m_voltageSource = new QLabel;
  m_voltageSource->setObjectName(QStringLiteral("nominalVoltageSource"));
  // As wide as its longest text, so that the row does not move while Un is typed.
  m_voltageSource->setFixedWidth(
      m_voltageSource->fontMetrics().horizontalAdvance(QString::fromLatin1(kRefusedVoltage)) + 8);
  m_suggestion = new QLabel;
  m_suggestion->setObjectName(QStringLiteral("suggestion"));
  m_useSuggestion = new QPushButton;
  m_useSuggestion->setObjectName(QStringLiteral("useSuggestion"));
  m_useSuggestion->setAutoDefault(false);
  // Hidden, the suggestion keeps its room: the connection beside it stays where it is.
  for (QWidget* w : std::initializer_list<QWidget*>{m_suggestion, m_useSuggestion}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
  m_useSuggestion->setToolTip(
      QStringLiteral("Declare the voltage the records suggest as Un and assess again"));
  connect(m_voltage, &QLineEdit::textChanged, this, [this] {
    ShowVoltageState();
    ShowSuggestion();
  });
  connect(m_useSuggestion, &QPushButton::clicked, this, [this] {
    if (!m_suggested) return;
    m_voltage->setText(Readable(*m_suggested));
    m_voltage->setFocus();
    emit assessRequested();
  });
  m_connection = new QComboBox;
  m_connection->setObjectName(QStringLiteral("connection"));
  QString meanings = QStringLiteral("How the channels are connected to the supply:");
  for (const ConnectionChoice& choice : kConnections) {
    const QString name = QString::fromLatin1(assess::ConnectionText(choice.connection));
    m_connection->addItem(name, int(choice.connection));
    m_connection->setItemData(m_connection->count() - 1, QString::fromUtf8(choice.meaning),
                              Qt::ToolTipRole);
    meanings += QStringLiteral("\n%1: %2.").arg(name, QString::fromUtf8(choice.meaning));
  }
  m_connection->setToolTip(meanings);
  // What the records suggest depends on the connection: it is shown again after the next
  // assessment.
  connect(m_connection, &QComboBox::currentIndexChanged, this, [this] { ShowSuggestion(); });
}

void AssessmentChoices::CreateOthers() {
  m_frequency = new QComboBox;
  m_frequency->setObjectName(QStringLiteral("nominalFrequency"));
  m_frequency->addItem(QStringLiteral("50"), 50.0);
  m_frequency->addItem(QStringLiteral("60"), 60.0);
  m_frequencySource = new QLabel;
  m_frequencySource->setObjectName(QStringLiteral("nominalFrequencySource"));
  m_frequencySource->setMinimumWidth(
      m_frequencySource->fontMetrics().horizontalAdvance(QStringLiteral("inferred")));
  m_frequencySource->setEnabled(false);
  m_isc = new QLineEdit;
  m_isc->setObjectName(QStringLiteral("shortCircuitCurrent"));
  m_isc->setPlaceholderText(QStringLiteral("needed for current limits"));
  m_isc->setToolTip(QStringLiteral("Short-circuit current at the point of common coupling"));
  m_il = new QLineEdit;
  m_il->setObjectName(QStringLiteral("loadCurrent"));
  m_il->setPlaceholderText(QStringLiteral("from the log"));
  m_il->setToolTip(
      QStringLiteral("Maximum demand load current at the point of common coupling; when empty, "
                     "the largest 15-minute mean of the fundamental current over all phases"));
  m_assess = new QPushButton(QStringLiteral("&Assess"));
  m_assess->setObjectName(QStringLiteral("assess"));
  m_assess->setDefault(true);
  connect(m_frequency, &QComboBox::activated, this, [this] {
    m_frequencyInferred = false;
    m_frequencySource->setText(QStringLiteral("given"));
    if (!m_standardsChosen) ShowDefaultStandards();
  });
  connect(m_assess, &QPushButton::clicked, this, &AssessmentChoices::assessRequested);
}

QGridLayout* AssessmentChoices::MakeLayout() {
  // A row each for the standards, Un and its connection, and Fn with the currents; their
  // first fields under each other.
  auto* grid = new QGridLayout;
  QHBoxLayout* rows[3];
  for (int r = 0; r < 3; ++r) {
    rows[r] = new QHBoxLayout;
    grid->addLayout(rows[r], r, 1);
  }
  grid->setColumnStretch(1, 1);
  const auto name = [&](int row, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    if (row >= 0) {
      grid->addWidget(label, row, 0);
    } else {
      rows[-row - 1]->addSpacing(label->fontMetrics().horizontalAdvance(QLatin1Char('M')));
      rows[-row - 1]->addWidget(label);
    }
  };
  const auto field = [](QHBoxLayout* row, QWidget* edit, const char* unit) {
    // Every field as wide as the others.
    edit->setFixedWidth(
        edit->fontMetrics().horizontalAdvance(QStringLiteral("needed for current")));
    row->addWidget(edit);
    if (unit != nullptr) row->addWidget(new QLabel(QString::fromLatin1(unit)));
  };
  name(0, QStringLiteral("Standards:"), nullptr);
  for (QWidget* w : {m_en50160, m_ieee519, m_ansiC84}) rows[0]->addWidget(w);
  rows[0]->addWidget(m_standardsSource);

  name(1, QStringLiteral("U&n:"), m_voltage);
  field(rows[1], m_voltage, "V");
  rows[1]->addWidget(m_voltageSource);
  rows[1]->addWidget(m_suggestion);
  rows[1]->addWidget(m_useSuggestion);
  name(-2, QStringLiteral("Connec&tion:"), m_connection);
  field(rows[1], m_connection, nullptr);

  name(2, QStringLiteral("&Fn:"), m_frequency);
  field(rows[2], m_frequency, "Hz");
  rows[2]->addWidget(m_frequencySource);
  name(-3, QStringLiteral("I&sc:"), m_isc);
  field(rows[2], m_isc, "A");
  name(-3, QStringLiteral("I&L:"), m_il);
  field(rows[2], m_il, "A");
  rows[2]->addSpacing(m_assess->fontMetrics().horizontalAdvance(QLatin1Char('M')));
  rows[2]->addWidget(m_assess);
  for (QHBoxLayout* row : rows) row->addStretch(1);
  return grid;
}

void AssessmentChoices::SetTabOrder() {
  const QWidget* order[] = {m_en50160,    m_ieee519,   m_ansiC84, m_voltage, m_useSuggestion,
                            m_connection, m_frequency, m_isc,     m_il,      m_assess};
  for (size_t i = 0; i + 1 < std::size(order); ++i)
    setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void AssessmentChoices::Reset() {
  m_voltage->clear();
  m_connection->setCurrentIndex(0);
  m_frequencyInferred = true;
  m_frequencySource->clear();
  m_standardsChosen = false;
  m_suggested.reset();
  m_inferredFrequency.reset();
  ShowDefaultStandards();
  ShowVoltageState();
  ShowSuggestion();
}

bool AssessmentChoices::Read(assess::AssessOptions& options, QString& error) const {
  options = assess::AssessOptions();
  if (m_standardsChosen) {
    assess::StandardSet& set = options.standards.emplace();
    set.en50160 = m_en50160->isChecked();
    set.ieee519 = m_ieee519->isChecked();
    set.ansiC84 = m_ansiC84->isChecked();
    if (!set.Any()) {
      error = QStringLiteral("Choose at least one standard.");
      return false;
    }
  }
  if (!m_voltage->text().trimmed().isEmpty()) {
    options.nominalVoltage = NominalVoltageFromText(m_voltage->text());
    if (!options.nominalVoltage) {
      error = QStringLiteral(
          "Please enter Un as a positive number of volts (\"230\", \"230 V\" or \"0.4 kV\"), or "
          "leave it empty to assess without it.");
      return false;
    }
  }
  options.connection = ConnectionOnScreen();
  if (!m_frequencyInferred) options.nominalFrequency = m_frequency->currentData().toDouble();
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

void AssessmentChoices::ShowResult(const assess::AssessmentResult* result) {
  m_suggested.reset();
  if (result != nullptr) {
    const assess::SurveyFacts& s = result->survey;
    m_suggested = s.nominalVoltageSuggested;
    m_suggestedFor = s.connection;
    if (m_frequencyInferred) {
      m_inferredFrequency = s.nominalFrequency;
      const int index = s.nominalFrequency ? m_frequency->findData(*s.nominalFrequency) : -1;
      if (index >= 0) m_frequency->setCurrentIndex(index);
      m_frequencySource->setText(s.nominalFrequency ? QStringLiteral("inferred") : QString());
    }
  } else if (m_frequencyInferred) {
    m_frequencySource->clear();
  }
  // Without a result the standards stay as they were: nothing was judged that could say more.
  if (!m_standardsChosen && result != nullptr) {
    ShowDefaultStandards();
    ShowStandards(result->survey.standards);
  }
  ShowSuggestion();
}

void AssessmentChoices::ShowStandards(const assess::StandardSet& set) {
  m_settingStandards = true;
  m_en50160->setChecked(set.en50160);
  m_ieee519->setChecked(set.ieee519);
  m_ansiC84->setChecked(set.ansiC84);
  m_settingStandards = false;
}

void AssessmentChoices::ShowDefaultStandards() {
  const std::optional<double> fn = FrequencyOnScreen();
  ShowStandards(assess::DefaultStandards(fn));
  m_standardsSource->setText(fn ? QStringLiteral("the defaults for %1 Hz").arg(Readable(*fn))
                                : QStringLiteral("the defaults while Fn is not known"));
}

void AssessmentChoices::ShowVoltageState() {
  const QString text = m_voltage->text().trimmed();
  const std::optional<double> volts = NominalVoltageFromText(text);
  double plain = 0;
  QString state;
  if (text.isEmpty()) {
    state = QStringLiteral("not declared");
  } else if (!volts) {
    state = QString::fromLatin1(kRefusedVoltage);
  } else if (ParseDecimal(text.toStdString(), plain)) {
    state = QStringLiteral("declared");
  } else {
    state = QStringLiteral("%1 V, declared").arg(Readable(*volts));
  }
  m_voltageSource->setText(state);
  // A refusal in the colour of an error and at once; the other states quietly.
  m_voltageSource->setEnabled(text.isEmpty() || volts.has_value());
  m_voltageSource->setStyleSheet(!text.isEmpty() && !volts ? QStringLiteral("color: #b00000")
                                                           : QString());
}

void AssessmentChoices::ShowSuggestion() {
  const std::optional<double> declared = NominalVoltageFromText(m_voltage->text());
  const bool shown = m_suggested && ConnectionOnScreen() == m_suggestedFor &&
                     !(declared && *declared == *m_suggested);
  if (shown) {
    const QString volts = Readable(*m_suggested);
    m_suggestion->setText(QStringLiteral("the records suggest %1 V").arg(volts));
    m_useSuggestion->setText(QStringLiteral("&Use %1 V").arg(volts));
  }
  m_suggestion->setVisible(shown);
  m_useSuggestion->setVisible(shown);
}

std::optional<double> AssessmentChoices::FrequencyOnScreen() const {
  if (!m_frequencyInferred) return m_frequency->currentData().toDouble();
  return m_inferredFrequency;
}

assess::Connection AssessmentChoices::ConnectionOnScreen() const {
  return static_cast<assess::Connection>(m_connection->currentData().toInt());
}
