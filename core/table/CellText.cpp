#include "CellText.h"

#include <array>
#include <cstdint>

#include "QuantityCatalogue.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"
#include "log/NumberText.h"

namespace {

using meterlog2::table::CatalogueEntry;
using meterlog2::table::kCatalogue;
using meterlog2::table::Quantity;

// What a cell of one identifier reads, with the query's selectors: w or c in `sel`, p, h.
struct Dispatch {
  bool query = false;  // false: no query, "-"
  Quantity quantity = Quantity::kLogType;
  uint8_t sel = 0;
  bool narrow = false;
  uint8_t p = kNoPhase;
  uint8_t h = 0;  // harmonic index 0..48
  Unit unit = Unit::kNone;
  bool unitOfInput = false;
};

// The selector a quantity's query takes first: the bandwidth or the channel (or signal).
constexpr uint8_t Selector(const CatalogueEntry& entry) {
  switch (entry.quantity) {
    case Quantity::kPower:
    case Quantity::kPowerFactor:
    case Quantity::kVoltAmps:
    case Quantity::kVars:
    case Quantity::kVoltage:
    case Quantity::kCurrent:
      return static_cast<uint8_t>(entry.bandwidth);
    default:
      return static_cast<uint8_t>(entry.input);
  }
}

constexpr Dispatch DispatchOfEntry(const CatalogueEntry& entry, int harmonicIndex) {
  Dispatch d;
  d.query = (entry.flags & meterlog2::table::kNoQuery) == 0;
  d.quantity = entry.quantity;
  d.sel = Selector(entry);
  d.narrow = entry.bandwidth == Bandwidth::kNarrow;
  d.p = static_cast<uint8_t>(entry.phase);
  d.h = static_cast<uint8_t>(harmonicIndex);
  d.unit = d.query ? entry.unit : Unit::kNone;
  d.unitOfInput = (entry.flags & meterlog2::table::kUnitOfInput) != 0;
  return d;
}

// Every identifier's dispatch, from its catalogue row; built at compile time so that a cell
// costs one indexed load before its query.
constexpr auto kDispatch = [] {
  std::array<Dispatch, kColumnIdCount> table{};
  std::array<bool, kColumnIdCount> set{};
  for (const CatalogueEntry& entry : kCatalogue) {
    const int count = meterlog2::table::IsHarmonicFamily(entry.quantity) ? kHarmonicFamilySize : 1;
    for (int k = 0; k < count; ++k) {
      const auto id = static_cast<size_t>(entry.id + k);
      if (set[id]) continue;  // "Frequency" before "3 Phase Frequency"
      set[id] = true;
      table[id] = DispatchOfEntry(entry, k);
    }
  }
  return table;
}();

// The number of a numeric query; false where the cell reads "Oops!".
bool QueryValue(const CMeterlog2Doc& doc, unsigned row, const Dispatch& d, double& value) {
  switch (d.quantity) {
    case Quantity::kFrequency:
      return doc.GetFrequency(value, row);
    case Quantity::kPhaseAngle:
      return doc.GetPhase(value, row, d.p);
    case Quantity::kPower:
      return doc.GetPower(value, row, d.sel, d.p);
    case Quantity::kPowerFactor:
      return doc.GetPowerFactor(value, row, d.sel, d.p);
    case Quantity::kVoltAmps:
      return doc.GetVoltAmps(value, row, d.sel, d.p);
    case Quantity::kVars:
      return doc.GetVars(value, row, d.sel, d.p);
    case Quantity::kMagnitude:
      return doc.GetChannelLevel(value, row, d.sel, d.narrow, d.p);
    case Quantity::kFundamental:
      return doc.GetChannelLevel(value, row, d.sel, true, d.p);
    case Quantity::kThd:
      return doc.GetThd(value, row, d.sel, d.p);
    case Quantity::kWattHours:
      return doc.GetWattHours(value, row);
    case Quantity::kVoltAmpHours:
      return doc.GetVoltAmpHours(value, row);
    case Quantity::kVarHours:
      return doc.GetVarHours(value, row);
    case Quantity::kKFactor:
      return doc.GetKFactor(value, row, d.sel, d.p);
    case Quantity::kHarmonic:
      return doc.GetHarmonicMagnitude(value, row, d.sel, d.h, d.p);
    case Quantity::kFundamentalAngle:
      value = 0.0;
      return true;
    case Quantity::kHarmonicAngle:
      return doc.GetHarmonicPhase(value, row, d.sel, d.h, d.p);
    case Quantity::kVoltage:
      return doc.GetVoltage(value, row, d.sel, d.p);
    case Quantity::kCurrent:
      return doc.GetCurrent(value, row, d.sel, d.p);
    case Quantity::kVoltagePhase:
      return doc.GetVoltagePhase(value, row, d.p);
    case Quantity::kCurrentPhase:
      return doc.GetCurrentPhase(value, row, d.p);
    default:
      return false;
  }
}

// The columns whose cells are names or time stamps, and those without a query.
bool IsTextColumn(const Dispatch& d) {
  switch (d.quantity) {
    case Quantity::kLogType:
    case Quantity::kTime:
    case Quantity::kChannelSelect:
    case Quantity::kPhaseDirection:
      return true;
    default:
      return !d.query;
  }
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
  return d != nullptr && !IsTextColumn(*d);
}

std::optional<double> GetCellValue(const CMeterlog2Doc& doc, unsigned row, int columnId) {
  const Dispatch* d = DispatchOf(columnId);
  double value = 0;
  if (d == nullptr || IsTextColumn(*d) || !QueryValue(doc, row, *d, value)) return {};
  return value;
}

Unit GetColumnUnit(const CMeterlog2Doc& doc, int columnId) {
  const Dispatch* d = DispatchOf(columnId);
  if (d == nullptr) return Unit::kNone;
  // A single-phase channel measures whatever input it was set to.
  if (d->unitOfInput && doc.GetFirstLogType() < kThreePhaseTabularLog)
    return ChannelUnit(doc, d->sel);
  return d->unit;
}

std::string GetColumnLabel(const CMeterlog2Doc& doc, int columnId, std::string_view title) {
  return LabelWithUnit(title, GetColumnUnit(doc, columnId));
}

void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text,
                 TimeStyle timeStyle) {
  text.clear();
  const Dispatch* d = DispatchOf(columnId);
  if (d == nullptr || !d->query) {
    text.assign("-");
    return;
  }
  bool ok = true;
  switch (d->quantity) {
    case Quantity::kLogType:
      ok = doc.GetLogTypeName(text, row);
      break;
    case Quantity::kTime:
      ok = doc.GetTimeStamp(text, row, timeStyle);
      break;
    case Quantity::kChannelSelect:
      ok = doc.GetChannelSelectName(text, row, d->sel);
      break;
    case Quantity::kPhaseDirection:
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
