#pragma once
// Phasor diagram of a three-phase record: the voltages and currents of phases A, B and C as
// arrows from their magnitudes and angles (voltages scaled to the outer circle, currents to the
// inner one), with a table of the numbers beside it.

#include "LogPlot.h"
#include "table/PlotData.h"

class PhasorPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit PhasorPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void ShowRow(unsigned row) override;
  void ResetView() override;
  const PhasorSet& Phasors() const { return m_phasors; }
  // The table beside the diagram, as drawn.
  QString TableText() const;

 private:
  PhasorSet m_phasors;
  QString m_table;
};
