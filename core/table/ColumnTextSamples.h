#pragma once
// What a column's cells may show, for sizing the column: every text a text column can hold
// (log type names, time stamps, channel inputs, phase rotations), and for a numeric column the
// longest cell text of a bounded sample of rows (the first, the last and some spread between).
// The cost is the same for a log of ten records or of a million.

#include <string>
#include <vector>

#include "text/TimeText.h"

class CMeterlog2Doc;

// `timeStyle`: how the Time column writes its times.
std::vector<std::string> ColumnTextSamples(const CMeterlog2Doc& doc, int columnId,
                                           TimeStyle timeStyle = TimeStyle::kTable);
