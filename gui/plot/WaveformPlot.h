#pragma once
// The two captured sample blocks of a Waveform log's record, one per channel and named as the
// record names the channel ("Ch 1 Van"), as lines of raw signed 8-bit counts: the log gives no
// scale for them, so the axis says so.

#include "LogPlot.h"

class WaveformPlot : public LogPlot {
  Q_OBJECT
 public:
  explicit WaveformPlot(QWidget* parent = nullptr);

  void SetDocument(const CMeterlog2Doc* doc) override;
  void ShowRow(unsigned row) override;
  void ResetView() override;
};
