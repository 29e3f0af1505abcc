#include "CConfigComPort.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The entries each box starts on when nothing else is preset: the first port, 9600, 8, None, 1.
constexpr std::array<int, CConfigComPort::kSettingCount> kDefaults = {0, 3, 1, 0, 0};

template <class T, size_t N>
int IndexOf(const T (&values)[N], T value) {
  for (size_t i = 0; i < N; ++i) {
    if (values[i] == value) return static_cast<int>(i);
  }
  return -1;
}

template <class T, size_t N>
T ValueAt(const T (&values)[N], int index, int fallback) {
  return values[index >= 0 && static_cast<size_t>(index) < N ? index : fallback];
}
constexpr const char* kLabels[] = {"COM &Port", "&Baud Rate", "&Data Bits", "P&arity",
                                   "&Stop Bits"};
constexpr const char* kNames[] = {"port", "baudRate", "dataBits", "parity", "stopBits"};
}  // namespace

CConfigComPort::CConfigComPort(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Configure COM Port"));
  setObjectName(QStringLiteral("CConfigComPort"));

  for (int baud : kLineBaudRates) m_choices[kBaudRate].append(QString::number(baud));
  for (int bits : kLineDataBits) m_choices[kDataBits].append(QString::number(bits));
  for (LineParity parity : kLineParities)
    m_choices[kParity].append(QLatin1String(ParityName(parity)));
  for (int bits : kLineStopBits) m_choices[kStopBits].append(QString::number(bits));

  auto* grid = new QGridLayout;
  for (int s = 0; s < kSettingCount; ++s) {
    auto* box = new QComboBox(this);
    box->setObjectName(QLatin1String(kNames[s]));
    box->setMinimumContentsLength(s == kPort ? 12 : 6);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (s != kPort) {
      // An edit field, as the instrument's users know it, but typed text is never taken: leaving
      // the field shows the chosen entry again, so what is seen is what will be used.
      box->setEditable(true);
      box->setInsertPolicy(QComboBox::NoInsert);
      QComboBox* self = box;
      connect(box->lineEdit(), &QLineEdit::editingFinished, self, [self] {
        if (self->currentIndex() >= 0) self->setEditText(self->itemText(self->currentIndex()));
      });
    }
    connect(box, &QComboBox::currentIndexChanged, this, [this, s](int index) {
      if (m_bInitialised && index >= 0) m_selection[s] = index;
    });
    auto* label = new QLabel(QLatin1String(kLabels[s]), this);
    label->setBuddy(box);
    grid->addWidget(label, s, 0);
    grid->addWidget(box, s, 1);
    m_boxes[static_cast<size_t>(s)] = box;
  }
  // A device path such as /dev/serial/by-id/usb-... is read in full.
  m_boxes[kPort]->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
  QPushButton* connectButton =
      buttons->addButton(QStringLiteral("Connect"), QDialogButtonBox::AcceptRole);
  connectButton->setObjectName(QStringLiteral("connect"));
  connectButton->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid);
  auto* right = new QVBoxLayout;
  right->addWidget(buttons);
  right->addStretch();
  layout->addLayout(right);
}

void CConfigComPort::SetPorts(const QStringList& ports, int preset) {
  m_choices[kPort] = ports;
  m_preset[kPort] = preset;
}

void CConfigComPort::SetLine(const LineSettings& line) {
  m_preset[kBaudRate] = IndexOf(kLineBaudRates, line.baudRate);
  m_preset[kDataBits] = IndexOf(kLineDataBits, line.dataBits);
  m_preset[kParity] = IndexOf(kLineParities, line.parity);
  m_preset[kStopBits] = IndexOf(kLineStopBits, line.stopBits);
}

LineSettings CConfigComPort::GetLine() const {
  LineSettings line;
  line.baudRate = ValueAt(kLineBaudRates, m_selection[kBaudRate], kDefaults[kBaudRate]);
  line.dataBits = ValueAt(kLineDataBits, m_selection[kDataBits], kDefaults[kDataBits]);
  line.parity = ValueAt(kLineParities, m_selection[kParity], kDefaults[kParity]);
  line.stopBits = ValueAt(kLineStopBits, m_selection[kStopBits], kDefaults[kStopBits]);
  return line;
}

void CConfigComPort::showEvent(QShowEvent* event) {
  if (!m_bInitialised) {
    for (int s = 0; s < kSettingCount; ++s) {
      QComboBox* box = m_boxes[static_cast<size_t>(s)];
      box->clear();
      box->addItems(m_choices[s]);
      int index = m_preset[s] != -1 ? m_preset[s] : kDefaults[static_cast<size_t>(s)];
      if (index >= box->count()) index = -1;
      box->setCurrentIndex(index);
      m_selection[s] = index;
    }
    m_bInitialised = true;
    m_boxes[kPort]->setFocus();
    // The dialog took its size before the lists were filled; now the port box knows its longest
    // name, and the dialog grows to show it whole.
    layout()->activate();
    resize(size().expandedTo(sizeHint()));
  }
  QDialog::showEvent(event);
}
