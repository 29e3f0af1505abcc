#include "CellText.h"

#include <array>
#include <cstdint>

#include "ColumnInfo.h"
#include "log/CMeterlog2Doc.h"
#include "log/NumberText.h"

namespace {

enum class Query : uint8_t {
  kNone,  // no query: "-"
  kLogTypeName,
  kTimeStamp,
  kChannelSelectName,
  kFrequency,
  kPhase,
  kPower,
  kPowerFactor,
  kVoltAmps,
  kVars,
  kChannelLevel,
  kThd,
  kWattHours,
  kVoltAmpHours,
  kVarHours,
  kKFactor,
  kHarmonicMagnitude,
  kFundamentalPhase,  // always 0: the harmonic phases are relative to the fundamental
  kHarmonicPhase,
  kPhaseDirectionName,
  kVoltage,
  kCurrent,
  kVoltagePhase,
  kCurrentPhase,
};

// The query of one identifier and its selectors: w or c in `sel`, p, h.
struct Dispatch {
  Query query = Query::kNone;
  uint8_t sel = 0;
  bool narrow = false;
  uint8_t p = 3;
  uint8_t h = 0;
};

constexpr Dispatch Make(Query query, int sel = 0, int p = 3, bool narrow = false, int h = 0) {
  Dispatch d;
  d.query = query;
  d.sel = static_cast<uint8_t>(sel);
  d.p = static_cast<uint8_t>(p);
  d.narrow = narrow;
  d.h = static_cast<uint8_t>(h);
  return d;
}

// A harmonic block of 101 identifiers for channel (or volts/current) c and phase p.
constexpr Dispatch HarmonicBlock(int offset, int c, int p) {
  if (offset == 0) return Make(Query::kKFactor, c, p);
  if (offset == 1) return Make(Query::kChannelLevel, c, p, true);
  if (offset <= 50) return Make(Query::kHarmonicMagnitude, c, p, false, offset - 2);
  if (offset == 51) return Make(Query::kFundamentalPhase);
  return Make(Query::kHarmonicPhase, c, p, false, offset - 52);
}

// Per-phase identifiers 239 + 15 p + k. Three of the fifteen quantities of each phase are
// in no column set and have no query (Current Wide; Volts Narrow of A and C; Current Narrow
// of B): they read "-".
constexpr Dispatch PerPhase(int k, int p) {
  switch (k) {
    case 0:
      return Make(Query::kPhase, 0, p);
    case 1:
      return Make(Query::kPower, 0, p);
    case 2:
      return Make(Query::kPowerFactor, 0, p);
    case 3:
      return Make(Query::kVoltAmps, 0, p);
    case 4:
      return Make(Query::kVars, 0, p);
    case 5:
      return Make(Query::kChannelLevel, 0, p, false);
    case 7:
      return Make(Query::kThd, 0, p);
    case 8:
      return Make(Query::kPower, 1, p);
    case 9:
      return Make(Query::kPowerFactor, 1, p);
    case 10:
      return Make(Query::kVoltAmps, 1, p);
    case 11:
      return Make(Query::kVars, 1, p);
    case 12:
      return p == 1 ? Make(Query::kChannelLevel, 0, p, true) : Dispatch{};
    case 13:
      return p != 1 ? Make(Query::kChannelLevel, 1, p, true) : Dispatch{};
    case 14:
      return Make(Query::kThd, 1, p);
    default:
      return Dispatch{};
  }
}

constexpr Dispatch DispatchFor(int id) {
  switch (id) {
    case 0:
      return Make(Query::kLogTypeName);
    case 1:
      return Make(Query::kTimeStamp);
    case 2:
      return Make(Query::kChannelSelectName, 0);
    case 3:
      return Make(Query::kChannelSelectName, 1);
    case 4:
      return Make(Query::kFrequency);
    case 5:
      return Make(Query::kPhase);
    case 6:
      return Make(Query::kPower, 0);
    case 7:
      return Make(Query::kPowerFactor, 0);
    case 8:
      return Make(Query::kVoltAmps, 0);
    case 9:
      return Make(Query::kVars, 0);
    case 10:
      return Make(Query::kChannelLevel, 0, 3, false);
    case 11:
      return Make(Query::kChannelLevel, 0, 3, true);
    case 12:
      return Make(Query::kThd, 0);
    case 13:
      return Make(Query::kPower, 1);
    case 14:
      return Make(Query::kPowerFactor, 1);
    case 15:
      return Make(Query::kVoltAmps, 1);
    case 16:
      return Make(Query::kVars, 1);
    case 17:
      return Make(Query::kChannelLevel, 1, 3, false);
    case 18:
      return Make(Query::kChannelLevel, 1, 3, true);
    case 19:
      return Make(Query::kThd, 1);
    case 20:
      return Make(Query::kWattHours);
    case 21:
      return Make(Query::kVoltAmpHours);
    case 22:
      return Make(Query::kVarHours);
    case 225:
      return Make(Query::kPhaseDirectionName);
    case 226:
      return Make(Query::kPhase);
    case 227:
      return Make(Query::kVoltage, 0);
    case 228:
      return Make(Query::kCurrent, 0);
    case 229:
      return Make(Query::kPowerFactor, 0);
    case 230:
      return Make(Query::kPower, 0);
    case 231:
      return Make(Query::kVoltAmps, 0);
    case 232:
      return Make(Query::kVars, 0);
    case 233:
      return Make(Query::kVoltage, 1);
    case 234:
      return Make(Query::kCurrent, 1);
    case 235:
      return Make(Query::kPowerFactor, 1);
    case 236:
      return Make(Query::kPower, 1);
    case 237:
      return Make(Query::kVoltAmps, 1);
    case 238:
      return Make(Query::kVars, 1);
    default:
      break;
  }
  if (id >= 23 && id <= 224) return HarmonicBlock((id - 23) % 101, (id - 23) / 101, 3);
  if (id >= 239 && id <= 283) return PerPhase((id - 239) % 15, (id - 239) / 15);
  if (id >= 284 && id <= 889) {
    const int block = (id - 284) / 101;  // 2p + q
    return HarmonicBlock((id - 284) % 101, block % 2, block / 2);
  }
  if (id >= 890 && id <= 901) {
    const int p = (id - 890) / 4;
    switch ((id - 890) % 4) {
      case 0:
        return Make(Query::kVoltage, 1, p);
      case 1:
        return Make(Query::kVoltagePhase, 0, p);
      case 2:
        return Make(Query::kCurrent, 1, p);
      default:
        return Make(Query::kCurrentPhase, 0, p);
    }
  }
  return Dispatch{};
}

constexpr std::array<Dispatch, kColumnIdCount> MakeDispatchTable() {
  std::array<Dispatch, kColumnIdCount> table{};
  for (int id = 0; id < kColumnIdCount; ++id) table[static_cast<size_t>(id)] = DispatchFor(id);
  return table;
}

// Built at compile time so that a cell costs one indexed load before its query.
constexpr std::array<Dispatch, kColumnIdCount> kDispatch = MakeDispatchTable();

// The number of a numeric query; false where the cell reads "Oops!".
bool QueryValue(const CMeterlog2Doc& doc, unsigned row, const Dispatch& d, double& value) {
  switch (d.query) {
    case Query::kFrequency:
      return doc.GetFrequency(value, row);
    case Query::kPhase:
      return doc.GetPhase(value, row, d.p);
    case Query::kPower:
      return doc.GetPower(value, row, d.sel, d.p);
    case Query::kPowerFactor:
      return doc.GetPowerFactor(value, row, d.sel, d.p);
    case Query::kVoltAmps:
      return doc.GetVoltAmps(value, row, d.sel, d.p);
    case Query::kVars:
      return doc.GetVars(value, row, d.sel, d.p);
    case Query::kChannelLevel:
      return doc.GetChannelLevel(value, row, d.sel, d.narrow, d.p);
    case Query::kThd:
      return doc.GetThd(value, row, d.sel, d.p);
    case Query::kWattHours:
      return doc.GetWattHours(value, row);
    case Query::kVoltAmpHours:
      return doc.GetVoltAmpHours(value, row);
    case Query::kVarHours:
      return doc.GetVarHours(value, row);
    case Query::kKFactor:
      return doc.GetKFactor(value, row, d.sel, d.p);
    case Query::kHarmonicMagnitude:
      return doc.GetHarmonicMagnitude(value, row, d.sel, d.h, d.p);
    case Query::kFundamentalPhase:
      value = 0.0;
      return true;
    case Query::kHarmonicPhase:
      return doc.GetHarmonicPhase(value, row, d.sel, d.h, d.p);
    case Query::kVoltage:
      return doc.GetVoltage(value, row, d.sel, d.p);
    case Query::kCurrent:
      return doc.GetCurrent(value, row, d.sel, d.p);
    case Query::kVoltagePhase:
      return doc.GetVoltagePhase(value, row, d.p);
    case Query::kCurrentPhase:
      return doc.GetCurrentPhase(value, row, d.p);
    default:
      return false;
  }
}

bool IsTextQuery(Query query) {
  return query == Query::kNone || query == Query::kLogTypeName || query == Query::kTimeStamp ||
         query == Query::kChannelSelectName || query == Query::kPhaseDirectionName;
}

const Dispatch* DispatchOf(int columnId) {
  if (columnId < 0 || columnId >= kColumnIdCount) return nullptr;
  return &kDispatch[static_cast<size_t>(columnId)];
}

// The unit of what channel c measures in a single-phase log: its input as record 0 selects it.
Unit ChannelUnit(const CMeterlog2Doc& doc, unsigned c) {
  int code = 0;
  if (!doc.GetChannelSelect(code, 0, c)) return Unit::kNone;
  if (code <= 11) return Unit::kVolt;    // Vab .. Vcs
  if (code <= 14) return Unit::kAmpere;  // Ia, Ib, Ic
  return Unit::kNone;                    // Cal
}

}  // namespace

bool IsNumericColumn(int columnId) {
  const Dispatch* d = DispatchOf(columnId);
  return d != nullptr && !IsTextQuery(d->query);
}

std::optional<double> GetCellValue(const CMeterlog2Doc& doc, unsigned row, int columnId) {
  const Dispatch* d = DispatchOf(columnId);
  double value = 0;
  if (d == nullptr || IsTextQuery(d->query) || !QueryValue(doc, row, *d, value)) return {};
  return value;
}

Unit GetColumnUnit(const CMeterlog2Doc& doc, int columnId) {
  const Dispatch* d = DispatchOf(columnId);
  if (d == nullptr) return Unit::kNone;
  switch (d->query) {
    case Query::kFrequency:
      return Unit::kHertz;
    case Query::kPhase:
    case Query::kFundamentalPhase:
    case Query::kHarmonicPhase:
    case Query::kVoltagePhase:
    case Query::kCurrentPhase:
      return Unit::kDegree;
    case Query::kPower:
      return Unit::kWatt;
    case Query::kVoltAmps:
      return Unit::kVoltAmpere;
    case Query::kVars:
      return Unit::kVar;
    case Query::kWattHours:
      return Unit::kWattHour;
    case Query::kVoltAmpHours:
      return Unit::kVoltAmpereHour;
    case Query::kVarHours:
      return Unit::kVarHour;
    case Query::kThd:
      return Unit::kPercent;
    case Query::kVoltage:
      return Unit::kVolt;
    case Query::kCurrent:
      return Unit::kAmpere;
    case Query::kChannelLevel:
    case Query::kHarmonicMagnitude:
      // Three-phase records measure volts on channel 0 and currents on channel 1; a
      // single-phase channel measures whatever input it was set to.
      if (d->p == 3 && doc.GetFirstLogType() < 4) return ChannelUnit(doc, d->sel);
      return d->sel == 0 ? Unit::kVolt : Unit::kAmpere;
    default:
      return Unit::kNone;  // power factor, K-factor, and the text columns
  }
}

void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text) {
  text.clear();
  const Dispatch* d = DispatchOf(columnId);
  bool ok = true;
  switch (d == nullptr ? Query::kNone : d->query) {
    case Query::kNone:
      text.assign("-");
      return;
    case Query::kLogTypeName:
      ok = doc.GetLogTypeName(text, row);
      break;
    case Query::kTimeStamp:
      ok = doc.GetTimeStamp(text, row);
      break;
    case Query::kChannelSelectName:
      ok = doc.GetChannelSelectName(text, row, d->sel);
      break;
    case Query::kPhaseDirectionName:
      ok = doc.GetPhaseDirectionName(text, row);
      break;
    default: {
      // Every number is its value written with "%f".
      double value = 0;
      ok = QueryValue(doc, row, *d, value);
      if (ok) AppendFixed6(text, value);
      break;
    }
  }
  if (!ok) text.assign("Oops!");
}
