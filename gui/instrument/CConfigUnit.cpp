#include "CConfigUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/DateFormat.h"
#include "common/MessageBox.h"
#include "config/ConfigNumbers.h"

namespace {

template <size_t N>
void FillChannelList(QComboBox* box, const std::array<int, N>& codes, int selected) {
  box->clear();
  for (int code : codes) box->addItem(QLatin1String(InputCodeName(code)), code);
  box->setCurrentIndex(box->findData(selected));  // none when the code is not listed
}

QLineEdit* ReadOnlyBox(QWidget* parent, const char* name) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QLatin1String(name));
  box->setReadOnly(true);
  return box;
}

}  // namespace

CConfigUnit::CConfigUnit(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Configure Device"));
  setObjectName(QStringLiteral("CConfigUnit"));

  QGridLayout* top = CreateTopFields();
  QGroupBox* scale = CreateScaleGroup();
  QGroupBox* phase = CreatePhaseGroup();
  QDialogButtonBox* buttons = CreateButtons();

  auto* groups = new QHBoxLayout;
  groups->addWidget(scale, 1);
  groups->addWidget(phase);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(groups);
  layout->addWidget(buttons);
}

QGridLayout* CConfigUnit::CreateTopFields() {
  m_pFirmware = ReadOnlyBox(this, "firmware");
  m_pDateTime = ReadOnlyBox(this, "dateTime");
  m_pUpdateClock = new QCheckBox(QStringLiteral("Update with current system &time"), this);
  m_pUpdateClock->setObjectName(QStringLiteral("updateClock"));
  m_pChannel1 = new QComboBox(this);
  m_pChannel1->setObjectName(QStringLiteral("channel1"));
  m_pChannel2 = new QComboBox(this);
  m_pChannel2->setObjectName(QStringLiteral("channel2"));

  auto* top = new QGridLayout;
  top->addWidget(new QLabel(QStringLiteral("Firmware Version"), this), 0, 0);
  top->addWidget(m_pFirmware, 0, 1);
  top->addWidget(new QLabel(QStringLiteral("Device Date/Time"), this), 1, 0);
  top->addWidget(m_pDateTime, 1, 1);
  top->addWidget(m_pUpdateClock, 2, 1);
  auto* channel1Label = new QLabel(QStringLiteral("Channel &1 Select"), this);
  channel1Label->setBuddy(m_pChannel1);
  auto* channel2Label = new QLabel(QStringLiteral("Channel &2 Select"), this);
  channel2Label->setBuddy(m_pChannel2);
  top->addWidget(channel1Label, 3, 0);
  top->addWidget(m_pChannel1, 3, 1);
  top->addWidget(channel2Label, 4, 0);
  top->addWidget(m_pChannel2, 4, 1);
  return top;
}

QGroupBox* CConfigUnit::CreateScaleGroup() {
  auto* scale = new QGroupBox(QStringLiteral("Scale Factors"), this);
  m_pScaleEnable = new QCheckBox(QStringLiteral("Enable &Scale Factors"), scale);
  m_pScaleEnable->setObjectName(QStringLiteral("scaleEnable"));
  auto* factors = new QGridLayout;
  factors->addWidget(m_pScaleEnable, 0, 0, 1, 4);
  factors->addWidget(new QLabel(QStringLiteral("Magnitude"), scale), 1, 1);
  factors->addWidget(new QLabel(QStringLiteral("Phase"), scale), 1, 2);
  for (int i = 0; i < 9; ++i) {
    const QString name = QLatin1String(kScaleFactorInputs[static_cast<size_t>(i)].name);
    factors->addWidget(new QLabel(name, scale), i + 2, 0);
    for (int part = 0; part < 2; ++part) {
      auto* box = new QLineEdit(scale);
      box->setObjectName(name +
                         (part == 0 ? QStringLiteral(".magnitude") : QStringLiteral(".phase")));
      box->setMaximumWidth(110);
      factors->addWidget(box, i + 2, 1 + part);
      m_factorBoxes[static_cast<size_t>(2 * i + part)] = box;
    }
    factors->addWidget(new QLabel(QStringLiteral("\u00B0"), scale), i + 2, 3);
  }
  factors->setColumnStretch(4, 1);
  scale->setLayout(factors);
  return scale;
}

QGroupBox* CConfigUnit::CreatePhaseGroup() {
  auto* phase = new QGroupBox(QStringLiteral("Phase Preferences"), this);
  m_pRange = new QComboBox(phase);
  m_pRange->setObjectName(QStringLiteral("range"));
  m_pPolarity = new QComboBox(phase);
  m_pPolarity->setObjectName(QStringLiteral("polarity"));
  auto* rangeLabel = new QLabel(QStringLiteral("&Range"), phase);
  rangeLabel->setBuddy(m_pRange);
  auto* polarityLabel = new QLabel(QStringLiteral("&Polarity"), phase);
  polarityLabel->setBuddy(m_pPolarity);
  auto* prefs = new QGridLayout;
  prefs->addWidget(rangeLabel, 0, 0);
  prefs->addWidget(m_pRange, 0, 1);
  prefs->addWidget(polarityLabel, 1, 0);
  prefs->addWidget(m_pPolarity, 1, 1);
  prefs->setRowStretch(2, 1);
  phase->setLayout(prefs);
  return phase;
}

QDialogButtonBox* CConfigUnit::CreateButtons() {
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* update = buttons->addButton(QStringLiteral("Update"), QDialogButtonBox::AcceptRole);
  update->setObjectName(QStringLiteral("update"));
  update->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &CConfigUnit::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  return buttons;
}

void CConfigUnit::SetValues(const ConfigDialogValues& values) {
  m_values = values;
}

void CConfigUnit::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    FillControls();
    m_bInitialised = true;
    m_pUpdateClock->setFocus();
  }
  QDialog::showEvent(event);
}

void CConfigUnit::FillControls() {
  m_pFirmware->setText(QString::fromStdString(m_values.firmwareVersion));
  // The date as every other window shows it (View > Date Format).
  m_pDateTime->setText(IsValidClockTime(m_values.deviceClock)
                           ? RecordTimeText(m_values.deviceClock, CurrentDateFormat())
                           : QString::fromStdString(m_values.deviceDateTime));
  m_pUpdateClock->setChecked(m_values.updateClock);
  FillChannelList(m_pChannel1, kChannel1Codes, m_values.channel1);
  FillChannelList(m_pChannel2, kChannel2Codes, m_values.channel2);
  m_pRange->clear();
  m_pRange->addItems({QStringLiteral("0-180"), QStringLiteral("0-360")});
  m_pRange->setCurrentIndex(m_values.rangeIndex >= 0 ? m_values.rangeIndex : -1);
  m_pPolarity->clear();
  m_pPolarity->addItems({QStringLiteral("-"), QStringLiteral("+")});
  m_pPolarity->setCurrentIndex(m_values.polarityIndex >= 0 ? m_values.polarityIndex : -1);
  m_bScaleShownChecked = m_values.scaleEnable != 0;
  m_pScaleEnable->setChecked(m_bScaleShownChecked);
  for (size_t i = 0; i < m_factorBoxes.size(); ++i) {
    m_shownFactors[i] = QString::fromStdString(FormatDialogNumber(m_values.factors[i]));
    m_factorBoxes[i]->setText(m_shownFactors[i]);
  }
}

void CConfigUnit::accept() {
  ConfigDialogValues values = m_values;
  values.updateClock = m_pUpdateClock->isChecked();
  // An input the lists do not know stays as it is until the user picks one.
  if (m_pChannel1->currentIndex() >= 0) values.channel1 = m_pChannel1->currentData().toInt();
  if (m_pChannel2->currentIndex() >= 0) values.channel2 = m_pChannel2->currentData().toInt();
  if (m_pRange->currentIndex() >= 0) values.rangeIndex = m_pRange->currentIndex();
  if (m_pPolarity->currentIndex() >= 0) values.polarityIndex = m_pPolarity->currentIndex();
  if (m_pScaleEnable->isChecked() != m_bScaleShownChecked) {
    values.scaleEnable = m_pScaleEnable->isChecked() ? 1 : 0;
  }

  for (size_t i = 0; i < m_factorBoxes.size(); ++i) {
    QLineEdit* box = m_factorBoxes[i];
    const bool phase = i % 2 == 1;
    const double low = phase ? kPhaseMin : kMagnitudeMin;
    const double high = phase ? kPhaseMax : kMagnitudeMax;
    double number = 0;
    QString failure;
    // The whole box must be the number: "1,5" or "12abc" must not reach the instrument as 1 or 12.
    if (!ReadWholeNumber(box->text().toStdString(), number)) {
      failure = QStringLiteral("Please enter a number.");
    } else if (!(number >= low && number <= high)) {
      failure = QString::fromStdString(RangeMessage(low, high));
    }
    if (!failure.isEmpty()) {
      ShowMessage(this, failure);
      box->setFocus();
      box->selectAll();
      return;
    }
    // An unchanged box keeps the instrument's value to the last bit.
    if (box->text() != m_shownFactors[i]) values.factors[i] = static_cast<float>(number);
  }
  m_values = values;
  QDialog::accept();
}
