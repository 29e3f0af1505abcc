#pragma once
// "Configure Device": what the instrument reported (firmware, clock) and the settings the user
// may change: the two channel inputs, phase range and polarity, and the scale factors.
//
// "Update" checks every number box in turn and stops at the first that fails, with the focus on
// it. What the user did not touch goes back exactly as it came: an input code that is not in
// its list, a scale switch byte other than 0 or 1, and every factor whose box text is unchanged
// (the box shows six significant digits; the instrument's value may have more).

#include <QDialog>
#include <array>

#include "config/ConfigFields.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;

class CConfigUnit : public QDialog {
  Q_OBJECT
 public:
  explicit CConfigUnit(QWidget* parent = nullptr);

  void SetValues(const ConfigDialogValues& values);
  // The values after "Update".
  const ConfigDialogValues& GetValues() const { return m_values; }

  // Box `index` in the order magnitude, phase of Vab, Vbc, Vca, Van, Vbn, Vcn, Ia, Ib, Ic.
  QLineEdit* FactorBox(int index) const { return m_factorBoxes[static_cast<size_t>(index)]; }

 public slots:
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The constructor's parts, made in tab order: firmware, clock and channels; the scale
  // factors; the phase preferences; Update and Cancel.
  QGridLayout* CreateTopFields();
  QGroupBox* CreateScaleGroup();
  QGroupBox* CreatePhaseGroup();
  QDialogButtonBox* CreateButtons();
  void FillControls();

  ConfigDialogValues m_values;
  std::array<QString, 18> m_shownFactors;
  bool m_bScaleShownChecked = false;

  QLineEdit* m_pFirmware = nullptr;
  QLineEdit* m_pDateTime = nullptr;
  QCheckBox* m_pUpdateClock = nullptr;
  QComboBox* m_pChannel1 = nullptr;
  QComboBox* m_pChannel2 = nullptr;
  QCheckBox* m_pScaleEnable = nullptr;
  std::array<QLineEdit*, 18> m_factorBoxes{};
  QComboBox* m_pRange = nullptr;
  QComboBox* m_pPolarity = nullptr;
  bool m_bInitialised = false;
};
