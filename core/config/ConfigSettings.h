#pragma once
// Named changes to a configuration record, for the command line ("channel1=AC: Vab",
// "range=0-360", "Ia.magnitude=2.5", ...). Each value is checked with the bounds the
// "Configure Device" dialog applies; only the named field changes.
//
// Names (case ignored): channel1, channel2 (an input code or its name from the channel's list),
// range (0-180 or 0-360), polarity (- or +), scale (on/off, 1/0, yes/no, true/false),
// <input>.magnitude and <input>.phase for Vab, Vbc, Vca, Van, Vbn, Vcn, Ia, Ib, Ic.

#include <string>
#include <vector>

#include "ConfigRecord.h"

// Applies one "NAME=VALUE". False with a sentence in `error` when the name or value is refused;
// the record is then unchanged.
bool ApplyConfigSetting(ConfigRecord& record, const std::string& setting, std::string& error);
