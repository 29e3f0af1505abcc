#pragma once
// The choices an assessment runs with, the top rows of Tools > Assess Supply Quality: the
// standards (the defaults for Fn until the user changes one), Un as declared with what the
// records suggest beside it and one click to use that, how the channels are connected, Fn
// (inferred until chosen), Isc and IL, and the Assess button. Un is never filled in by itself:
// an empty field assesses without it, as `meterlog2-cli assess` without --nominal-voltage.

#include <QWidget>
#include <optional>

#include "assess/Assessment.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

class AssessmentChoices : public QWidget {
  Q_OBJECT
 public:
  explicit AssessmentChoices(QWidget* parent = nullptr);

  // A newly opened log: Un empty, wye, Fn inferred, the standards the defaults, no suggestion.
  void Reset();
  // Reads the choices into `options`; false with a sentence in `error` when one is refused.
  bool Read(assess::AssessOptions& options, QString& error) const;
  // After an assessment (nullptr: none could be made): the inferred Fn, the standards judged
  // when they were the defaults, and what the records suggest for Un.
  void ShowResult(const assess::AssessmentResult* result);
  // The last of the choices in Tab order.
  QPushButton* AssessButton() const { return m_assess; }

 signals:
  // The Assess button, or the suggestion taken for Un.
  void assessRequested();

 private:
  void CreateStandards();
  void CreateVoltage();
  void CreateOthers();
  QGridLayout* MakeLayout();
  void SetTabOrder();
  // The check boxes set to `set` without counting as the user's choice.
  void ShowStandards(const assess::StandardSet& set);
  void ShowDefaultStandards();
  void ShowVoltageState();
  void ShowSuggestion();
  std::optional<double> FrequencyOnScreen() const;
  assess::Connection ConnectionOnScreen() const;

  bool m_standardsChosen = false;
  bool m_settingStandards = false;
  bool m_frequencyInferred = true;
  // Fn as the last assessment inferred it (nothing before one, or when it could not).
  std::optional<double> m_inferredFrequency;
  // What the records suggest for Un, and the connection it was suggested for.
  std::optional<double> m_suggested;
  assess::Connection m_suggestedFor = assess::Connection::kWye;

  QCheckBox* m_en50160 = nullptr;
  QCheckBox* m_ieee519 = nullptr;
  QCheckBox* m_ansiC84 = nullptr;
  // "the defaults for 50 Hz" until a standard is chosen, then "as chosen".
  QLabel* m_standardsSource = nullptr;
  QLineEdit* m_voltage = nullptr;
  // Beside Un: "not declared", "declared", "400 V, declared", or why the text is refused.
  QLabel* m_voltageSource = nullptr;
  // "the records suggest 230 V" and its button; hidden when there is nothing to suggest.
  QLabel* m_suggestion = nullptr;
  QPushButton* m_useSuggestion = nullptr;
  QComboBox* m_connection = nullptr;
  QComboBox* m_frequency = nullptr;
  QLabel* m_frequencySource = nullptr;
  QLineEdit* m_isc = nullptr;
  QLineEdit* m_il = nullptr;
  QPushButton* m_assess = nullptr;
};

// Un as typed: a positive number of volts up to assess::kMaxNominalVoltage, written alone or
// with its unit ("230", "230 V", "230V", "0.4 kV"); nothing for any other text.
std::optional<double> NominalVoltageFromText(const QString& text);
