#pragma once
// Phasor diagram of a three-phase record: the voltages and currents of phases A, B and C as
// arrows from their magnitudes and angles (voltages scaled to the outer circle, currents to the
// inner one) over an angle scale, with a table of the numbers beside it, every angle within
// (-180°, 180°]. The table and its note have a place of their own in the layout, so they are
// never cut off: the plot's minimum size holds them.

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
  // The angle scale's labels, as drawn ("0°", "30°", ... "180°", "-150°", ...).
  QStringList ScaleLabels() const;

 private:
  void AddScale();
  void updateLayout() override;

  PhasorSet m_phasors;
  QCPLayoutGrid* m_row = nullptr;  // the diagram and the table
  QCPAxisRect* m_diagram = nullptr;
  QCPTextElement* m_table = nullptr;
  QStringList m_scaleLabels;
};
