#pragma once
// "Configure COM Port": the port and its line settings, each chosen from a list. Text typed into
// the edit fields of the four line-setting boxes does not count; only a choice from a list does.

#include <QDialog>
#include <QStringList>
#include <array>

class QComboBox;

class CConfigComPort : public QDialog {
  Q_OBJECT
 public:
  enum Setting { kPort, kBaudRate, kDataBits, kParity, kStopBits, kSettingCount };

  explicit CConfigComPort(QWidget* parent = nullptr);

  void SetChoices(Setting setting, const QStringList& choices);
  // -1: the dialog's default (first port, 9600, 8, None, 1).
  void SetPreset(Setting setting, int index);
  // The index chosen when the dialog ended with "Connect".
  int GetSelection(Setting setting) const { return m_selection[setting]; }

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
