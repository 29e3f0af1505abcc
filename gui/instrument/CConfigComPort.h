#pragma once
// "Configure COM Port": the port and its line settings, each chosen from a list. Text typed into
// the edit fields of the four line-setting boxes does not count; only a choice from a list does.
// The lists and their defaults (first port, 9600, 8, None, 1) are this dialog's.

#include <QDialog>
#include <QStringList>
#include <array>

#include "link/LineSettings.h"

class QComboBox;

class CConfigComPort : public QDialog {
  Q_OBJECT
 public:
  enum Setting { kPort, kBaudRate, kDataBits, kParity, kStopBits, kSettingCount };

  explicit CConfigComPort(QWidget* parent = nullptr);

  // The ports found and the one to preselect (-1: the first).
  void SetPorts(const QStringList& ports, int preset);
  // The line to preselect; the port field is not used.
  void SetLine(const LineSettings& line);
  // After "Connect": the index of the chosen port, and the chosen line (its port field empty).
  int GetPortIndex() const { return m_selection[kPort]; }
  LineSettings GetLine() const;

  QComboBox* Box(Setting setting) const { return m_boxes[setting]; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::array<QComboBox*, kSettingCount> m_boxes{};
  std::array<QStringList, kSettingCount> m_choices;
  std::array<int, kSettingCount> m_preset{-1, -1, -1, -1, -1};
  std::array<int, kSettingCount> m_selection{-1, -1, -1, -1, -1};
  bool m_bInitialised = false;
};
