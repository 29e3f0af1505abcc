#pragma once
// The two captured sample blocks of a Waveform log's record, as lines of raw signed counts:
// the log gives no scale for them.

#include "LogPlot.h"

class WaveformPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit WaveformPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void ShowRow(unsigned row) override;
  void ResetView() override;
};
