#include "CellText.h"

#include <array>
#include <cstdint>

#include "QuantityColumns.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogTypes.h"
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
  uint8_t p = kNoPhase;
  uint8_t h = 0;
};

constexpr Dispatch Make(Query query, int sel = 0, int p = kNoPhase, bool narrow = false,
                        int h = 0) {
  Dispatch d;
  d.query = query;
  d.sel = static_cast<uint8_t>(sel);
  d.p = static_cast<uint8_t>(p);
  d.narrow = narrow;
  d.h = static_cast<uint8_t>(h);
  return d;
}

// The queries of every identifier, written as the quantities they show. Identifiers that
// none of these name keep kNone ("-").
class DispatchBuilder {
 public:
  constexpr std::array<Dispatch, kColumnIdCount> Build() {
    Set(kLogTypeColumn, Make(Query::kLogTypeName));
    Set(kTimeColumn, Make(Query::kTimeStamp));
    Set(kFrequencyColumn, Make(Query::kFrequency));
    Set(kWattHoursColumn, Make(Query::kWattHours));
    Set(kVoltAmpHoursColumn, Make(Query::kVoltAmpHours));
    Set(kVarHoursColumn, Make(Query::kVarHours));
    SinglePhase();
    ThreePhase();
    return m_table;
  }

 private:
  constexpr void Set(int id, Dispatch d) { m_table[static_cast<size_t>(id)] = d; }

  // The power quantities of bandwidth w for phase p (kNoPhase: the record's or the total).
  constexpr void Powers(int w, int p, int power, int powerFactor, int voltAmps, int vars) {
    Set(power, Make(Query::kPower, w, p));
    Set(powerFactor, Make(Query::kPowerFactor, w, p));
    Set(voltAmps, Make(Query::kVoltAmps, w, p));
    Set(vars, Make(Query::kVars, w, p));
  }

  // K-factor, fundamental, harmonics and their angles of channel (or signal) c of phase p.
  constexpr void HarmonicBlock(int c, int p, int kFactor, int fundamental, int fundamentalAngle,
                               auto harmonic, auto harmonicAngle) {
    Set(kFactor, Make(Query::kKFactor, c, p));
    Set(fundamental, Make(Query::kChannelLevel, c, p, true));
    Set(fundamentalAngle, Make(Query::kFundamentalPhase));
    for (int n = kFirstHarmonic; n <= kLastHarmonic; ++n) {
      Set(harmonic(n), Make(Query::kHarmonicMagnitude, c, p, false, n - kFirstHarmonic));
      Set(harmonicAngle(n), Make(Query::kHarmonicPhase, c, p, false, n - kFirstHarmonic));
    }
  }

  constexpr void SinglePhase() {
    Set(kPhaseAngleColumn, Make(Query::kPhase));
    for (Bandwidth w : {Bandwidth::kWide, Bandwidth::kNarrow})
      Powers(static_cast<int>(w), kNoPhase, PowerColumn(w), PowerFactorColumn(w), VoltAmpsColumn(w),
             VarsColumn(w));
    for (int c = 0; c < kChannelCount; ++c) {
      Set(ChannelSelectColumn(c), Make(Query::kChannelSelectName, c));
      Set(ChannelMagnitudeColumn(c, Bandwidth::kWide), Make(Query::kChannelLevel, c));
      Set(ChannelMagnitudeColumn(c, Bandwidth::kNarrow),
          Make(Query::kChannelLevel, c, kNoPhase, true));
      Set(ChannelThdColumn(c), Make(Query::kThd, c));
      HarmonicBlock(
          c, kNoPhase, ChannelKFactorColumn(c), ChannelFundamentalColumn(c),
          ChannelFundamentalAngleColumn(c), [c](int n) { return ChannelHarmonicColumn(c, n); },
          [c](int n) { return ChannelHarmonicAngleColumn(c, n); });
    }
  }

  constexpr void ThreePhase() {
    Set(kPhaseDirectionColumn, Make(Query::kPhaseDirectionName));
    Set(kAveragePhaseColumn, Make(Query::kPhase));
    for (Bandwidth w : {Bandwidth::kWide, Bandwidth::kNarrow}) {
      const int b = static_cast<int>(w);
      Set(AverageVoltsColumn(w), Make(Query::kVoltage, b));
      Set(AverageCurrentColumn(w), Make(Query::kCurrent, b));
      Powers(b, kNoPhase, TotalPowerColumn(w), AveragePowerFactorColumn(w), TotalVoltAmpsColumn(w),
             TotalVarsColumn(w));
    }
    for (int p = 0; p < kPhaseCount; ++p) {
      Set(PhaseAngleColumn(p), Make(Query::kPhase, 0, p));
      for (Bandwidth w : {Bandwidth::kWide, Bandwidth::kNarrow})
        Powers(static_cast<int>(w), p, PhasePowerColumn(p, w), PhasePowerFactorColumn(p, w),
               PhaseVoltAmpsColumn(p, w), PhaseVarsColumn(p, w));
      // No phase's Current Wide has a query, nor A's and C's Volts Narrow, nor B's Current
      // Narrow: those identifiers are in no column set and read "-".
      Set(PhaseVoltsColumn(p, Bandwidth::kWide), Make(Query::kChannelLevel, 0, p));
      if (p == 1)
        Set(PhaseVoltsColumn(p, Bandwidth::kNarrow), Make(Query::kChannelLevel, 0, p, true));
      else
        Set(PhaseCurrentColumn(p, Bandwidth::kNarrow), Make(Query::kChannelLevel, 1, p, true));
      for (Signal s : {Signal::kVoltage, Signal::kCurrent}) {
        const int q = static_cast<int>(s);
        Set(PhaseThdColumn(p, s), Make(Query::kThd, q, p));
        HarmonicBlock(
            q, p, PhaseKFactorColumn(p, s), PhaseFundamentalColumn(p, s),
            PhaseFundamentalAngleColumn(p, s),
            [p, s](int n) { return PhaseHarmonicColumn(p, s, n); },
            [p, s](int n) { return PhaseHarmonicAngleColumn(p, s, n); });
      }
      // The vector layout keeps its volts and currents in the Narrow places.
      Set(VectorMagnitudeColumn(p, Signal::kVoltage), Make(Query::kVoltage, 1, p));
      Set(VectorAngleColumn(p, Signal::kVoltage), Make(Query::kVoltagePhase, 0, p));
      Set(VectorMagnitudeColumn(p, Signal::kCurrent), Make(Query::kCurrent, 1, p));
      Set(VectorAngleColumn(p, Signal::kCurrent), Make(Query::kCurrentPhase, 0, p));
    }
  }

  std::array<Dispatch, kColumnIdCount> m_table{};
};

// Built at compile time so that a cell costs one indexed load before its query.
constexpr std::array<Dispatch, kColumnIdCount> kDispatch = DispatchBuilder().Build();

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
      if (d->p == kNoPhase && doc.GetFirstLogType() < kThreePhaseTabularLog)
        return ChannelUnit(doc, d->sel);
      return d->sel == 0 ? Unit::kVolt : Unit::kAmpere;
    default:
      return Unit::kNone;  // power factor, K-factor, and the text columns
  }
}

std::string GetColumnLabel(const CMeterlog2Doc& doc, int columnId, std::string_view title) {
  return LabelWithUnit(title, GetColumnUnit(doc, columnId));
}

void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text,
                 TimeStyle timeStyle) {
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
      ok = doc.GetTimeStamp(text, row, timeStyle);
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
