#include "CellText.h"

#include <array>
#include <cstdint>

#include "ColumnInfo.h"
#include "log/Meterlog2Doc.h"

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

}  // namespace

void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text) {
  text.clear();
  if (columnId < 0 || columnId >= kColumnIdCount) {
    text.assign("-");
    return;
  }
  const Dispatch& d = kDispatch[static_cast<size_t>(columnId)];
  bool ok = true;
  switch (d.query) {
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
      ok = doc.GetChannelSelectName(text, row, d.sel);
      break;
    case Query::kFrequency:
      ok = doc.GetFrequency(text, row);
      break;
    case Query::kPhase:
      ok = doc.GetPhase(text, row, d.p);
      break;
    case Query::kPower:
      ok = doc.GetPower(text, row, d.sel, d.p);
      break;
    case Query::kPowerFactor:
      ok = doc.GetPowerFactor(text, row, d.sel, d.p);
      break;
    case Query::kVoltAmps:
      ok = doc.GetVoltAmps(text, row, d.sel, d.p);
      break;
    case Query::kVars:
      ok = doc.GetVars(text, row, d.sel, d.p);
      break;
    case Query::kChannelLevel:
      ok = doc.GetChannelLevel(text, row, d.sel, d.narrow, d.p);
      break;
    case Query::kThd:
      ok = doc.GetThd(text, row, d.sel, d.p);
      break;
    case Query::kWattHours:
      ok = doc.GetWattHours(text, row);
      break;
    case Query::kVoltAmpHours:
      ok = doc.GetVoltAmpHours(text, row);
      break;
    case Query::kVarHours:
      ok = doc.GetVarHours(text, row);
      break;
    case Query::kKFactor:
      ok = doc.GetKFactor(text, row, d.sel, d.p);
      break;
    case Query::kHarmonicMagnitude:
      ok = doc.GetHarmonicMagnitude(text, row, d.sel, d.h, d.p);
      break;
    case Query::kFundamentalPhase:
      text.assign("0.000000");
      return;
    case Query::kHarmonicPhase:
      ok = doc.GetHarmonicPhase(text, row, d.sel, d.h, d.p);
      break;
    case Query::kPhaseDirectionName:
      ok = doc.GetPhaseDirectionName(text, row);
      break;
    case Query::kVoltage:
      ok = doc.GetVoltage(text, row, d.sel, d.p);
      break;
    case Query::kCurrent:
      ok = doc.GetCurrent(text, row, d.sel, d.p);
      break;
    case Query::kVoltagePhase:
      ok = doc.GetVoltagePhase(text, row, d.p);
      break;
    case Query::kCurrentPhase:
      ok = doc.GetCurrentPhase(text, row, d.p);
      break;
  }
  if (!ok) text.assign("Oops!");
}
