#include "AssessmentWriters.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

#include "file/PathText.h"
#include "log/LogTypes.h"
#include "text/DecimalText.h"
#include "text/Text.h"
#include "text/TimeText.h"

namespace assess {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `s` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), or 0.
size_t Utf8Length(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char b = byte(0);
  if (b < 0x80) return 1;
  size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  if (byte(1) < low || byte(1) > high) return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  return length;
}

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  while (!text.empty()) {
    const unsigned char c = static_cast<unsigned char>(text.front());
    const size_t length = Utf8Length(text);
    if (length == 0) {
      out += "\\ufffd";
      text.remove_prefix(1);
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out.append(text.substr(0, length));
    }
    text.remove_prefix(length);
  }
  out += '"';
}

std::string JsonNumber(const std::optional<double>& value) {
  return value && std::isfinite(*value) ? ShortestDecimal(*value) : "null";
}

std::string JsonTime(int64_t seconds) {
  return JsonString(TimeText(seconds, TimeStyle::kIso));
}

std::string JsonTime(const std::optional<int64_t>& seconds) {
  return seconds ? JsonString(TimeText(*seconds, TimeStyle::kIso)) : "null";
}

std::string LogTypeText(int logType) {
  const char* name = LogTypeName(logType);
  return name ? name : "";
}

// Writes `"key": value` pairs, comma-separated, one per line at `indent`.
class JsonObject {
 public:
  JsonObject(std::string& out, int indent) : m_out(out), m_indent(indent) { m_out += "{"; }
  void Raw(const char* key, const std::string& value) {
    m_out += m_first ? "\n" : ",\n";
    m_first = false;
    m_out.append(static_cast<size_t>(m_indent + 2), ' ');
    AppendJsonString(m_out, key);
    m_out += ": ";
    m_out += value;
  }
  void Text(const char* key, std::string_view value) { Raw(key, JsonString(value)); }
  void Number(const char* key, const std::optional<double>& value) { Raw(key, JsonNumber(value)); }
  void Count(const char* key, uint64_t value) { Raw(key, std::to_string(value)); }
  void Bool(const char* key, bool value) { Raw(key, value ? "true" : "false"); }
  void End() {
    m_out += "\n";
    m_out.append(static_cast<size_t>(m_indent), ' ');
    m_out += "}";
  }

 private:
  std::string& m_out;
  int m_indent;
  bool m_first = true;
};

// A criterion on one line: {"standard": ..., ...}.
std::string CriterionJson(const Criterion& c) {
  std::string out = "{";
  bool first = true;
  auto field = [&](const char* key, const std::string& value) {
    if (!first) out += ", ";
    first = false;
    AppendJsonString(out, key);
    out += ": ";
    out += value;
  };
  field("standard", JsonString(c.standard));
  field("id", JsonString(c.id));
  field("quantity", JsonString(c.quantity));
  field("phase", JsonString(c.phase));
  field("limit", JsonString(c.limit));
  field("statistic", JsonString(c.statistic));
  field("value", JsonNumber(c.value));
  field("unit", JsonString(UnitSymbol(c.unit)));
  field("count", std::to_string(c.count));
  field("min", JsonNumber(c.min));
  field("max", JsonNumber(c.max));
  field("p95", JsonNumber(c.p95));
  field("verdict", JsonString(VerdictText(c.verdict)));
  field("note", JsonString(c.note));
  field("indicative", c.indicative ? "true" : "false");
  field("missing_input", c.missingInput.empty() ? "null" : JsonString(c.missingInput));
  std::string periods = "[";
  for (const PeriodResult& p : c.periods) {
    if (periods.size() > 1) periods += ", ";
    periods += "{\"start\": " + JsonTime(p.start) + ", \"end\": " + JsonTime(p.end) +
               ", \"count\": " + std::to_string(p.count) + ", \"value\": " + JsonNumber(p.value) +
               ", \"verdict\": " + JsonString(VerdictText(p.verdict)) + "}";
  }
  field("periods", periods + "]");
  return out + "}";
}

// The periods of a criterion for a CSV field: "START/END COUNT VALUE VERDICT", joined by "; ".
std::string PeriodsText(const Criterion& c) {
  std::string text;
  for (const PeriodResult& p : c.periods) {
    if (!text.empty()) text += "; ";
    text += TimeText(p.start, TimeStyle::kIso) + "/" + TimeText(p.end, TimeStyle::kIso) + " " +
            std::to_string(p.count) + " " + (p.value ? ShortestDecimal(*p.value) : "-") + " " +
            VerdictText(p.verdict);
  }
  return text;
}

// One CSV field: quoted when it holds the separator, a quote or a line break.
std::string CsvField(std::string_view text, char separator = ',') {
  const char special[] = {separator, '"', '\r', '\n', '\0'};
  if (text.find_first_of(special) == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The fields joined by the separator, and CR LF.
void AppendCsvLine(std::string& out, std::span<const std::string> fields, char separator = ',') {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += separator;
    out += fields[i];
  }
  out += "\r\n";
}

std::string CsvNumber(const std::optional<double>& value) {
  return value && std::isfinite(*value) ? ShortestDecimal(*value) : "";
}

std::string Readable(double value) {
  return ReadableDecimal(value, 3);
}

void Pad(std::string& out, const std::string& text, size_t width) {
  out += text;
  if (text.size() < width) out.append(width - text.size(), ' ');
}

std::string Minutes(int64_t seconds) {
  return TimeText(seconds, TimeStyle::kIsoSpace).substr(0, 16);
}

}  // namespace

std::string WorstPeriodText(const Criterion& c) {
  const int worst = WorstPeriodIndex(c);
  if (c.periods.size() < 2 || worst < 0) return {};
  return std::string(c.idStatistic == IdStatistic::kDaily99 ? "day " : "week ") +
         std::to_string(worst + 1);
}

std::string ValueText(const Criterion& c, double value) {
  return c.verdict == Verdict::kPass || c.verdict == Verdict::kFail ? JudgedText(value)
                                                                    : Readable(value);
}

std::string VerdictSentence(const AssessmentResult& result) {
  const size_t judged = result.Judged(), failed = result.Failed();
  const auto criteria = [](size_t n) {
    return std::to_string(n) + (n == 1 ? " criterion" : " criteria");
  };
  switch (result.verdict) {
    case Verdict::kPass:
      return "passes the " + criteria(judged) + " judged";
    case Verdict::kFail:
      return "fails " + std::to_string(failed) + " of the " + criteria(judged) + " judged";
    default:
      break;
  }
  const std::vector<std::string> missing = result.MissingInputs();
  std::string text = judged == 0   ? std::string("nothing could be judged")
                     : judged == 1 ? std::string("the one criterion judged passes")
                                   : "none of the " + criteria(judged) + " judged fails";
  if (!missing.empty()) {
    text += ", but criteria the logs could support were not judged for want of ";
    for (size_t i = 0; i < missing.size(); ++i)
      text += (i == 0 ? "" : i + 1 == missing.size() ? " and " : ", ") + missing[i];
  }
  return text;
}

std::string InputsText(const SurveyFacts& s) {
  std::string text = "Un = ";
  if (s.nominalVoltage) {
    text += Readable(*s.nominalVoltage) + " V (declared)";
  } else {
    text += "not declared";
    if (s.nominalVoltageSuggested)
      text += " (the records suggest " + Readable(*s.nominalVoltageSuggested) + " V)";
  }
  text += ", " + std::string(ConnectionText(s.connection));
  if (s.systemVoltage)
    text += ": " + Readable(*s.systemVoltage) + " V between phases, " + ClassName(*s.voltageClass) +
            " (" + ClassCode(*s.voltageClass) + ", " + ClassRange(*s.voltageClass) + ")";
  text += "; Fn = ";
  text += s.nominalFrequency ? Readable(*s.nominalFrequency) + " Hz" +
                                   (s.nominalFrequencyInferred ? " (inferred)" : " (declared)")
                             : std::string("unknown");
  return text;
}

std::string CoverageText(const SurveyFacts& s) {
  return std::to_string(s.windows) + " of " + std::to_string(s.windowsSpanned) +
         " 10-minute windows hold records (" + JudgedText(100 * s.coverage) + " %)";
}

std::string PeriodText(const Period& p, const char* unit, size_t index) {
  const double coverage = p.Coverage();
  return std::string(unit) + " " + std::to_string(index + 1) + ", " + Minutes(p.start) + " to " +
         Minutes(p.end) + ": " + std::to_string(p.windows) + " of " +
         std::to_string(p.expectedWindows) + " windows (" + JudgedText(100 * coverage) + " %)";
}

std::string SpanText(const TimeSpan& span) {
  return TimeText(span.start, TimeStyle::kIsoSpace) + " to " +
         TimeText(span.end, TimeStyle::kIsoSpace) + " (" +
         DurationText(static_cast<double>(span.Seconds())) + ")";
}

std::string_view OwnNote(const AssessmentResult& result, const Criterion& c) {
  std::string_view note = c.note;
  const std::string suffix = "; " + result.indicativeNote;
  if (result.indicative && note.size() >= suffix.size() &&
      note.substr(note.size() - suffix.size()) == suffix)
    note.remove_suffix(suffix.size());
  return note;
}

std::string JsonString(std::string_view text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

namespace {

std::string PeriodsJson(const std::vector<Period>& periods) {
  std::string out = "[";
  for (const Period& p : periods) {
    out += out.size() > 1 ? ",\n      " : "\n      ";
    out += "{\"start\": " + JsonTime(p.start) + ", \"end\": " + JsonTime(p.end) +
           ", \"windows\": " + std::to_string(p.windows) +
           ", \"expected_windows\": " + std::to_string(p.expectedWindows) + "}";
  }
  return out + (periods.empty() ? "]" : "\n    ]");
}

std::string SpansJson(const std::vector<TimeSpan>& spans) {
  std::string out = "[";
  for (const TimeSpan& t : spans) {
    out += out.size() > 1 ? ",\n      " : "\n      ";
    out += "{\"start\": " + JsonTime(t.start) + ", \"end\": " + JsonTime(t.end) +
           ", \"duration_s\": " + std::to_string(t.Seconds()) + "}";
  }
  return out + (spans.empty() ? "]" : "\n    ]");
}

}  // namespace

std::string AssessmentJson(const AssessmentResult& result) {
  const SurveyFacts& s = result.survey;
  std::string out;
  JsonObject root(out, 0);
  std::string survey;
  JsonObject o(survey, 2);
  std::string files = "[";
  for (const SurveyFile& f : s.files) {
    files += files.size() > 1 ? ",\n      " : "\n      ";
    std::string file = "{";
    file += "\"path\": " + JsonString(PathText(f.path));
    file += ", \"log_type\": " + JsonString(LogTypeText(f.logType));
    file += ", \"records\": " + std::to_string(f.records);
    file += ", \"first\": " + JsonTime(f.first);
    file += ", \"last\": " + JsonTime(f.last) + "}";
    files += file;
  }
  files += s.files.empty() ? "]" : "\n    ]";
  o.Raw("files", files);
  o.Text("log_type", s.logTypeName);
  o.Count("records", s.records);
  o.Count("records_used", s.recordsUsed);
  o.Count("invalid_time", s.invalidTime);
  o.Count("overlaps", s.overlaps);
  o.Raw("first", JsonTime(s.first));
  o.Raw("last", JsonTime(s.last));
  o.Number("duration_s", s.durationS);
  o.Number("interval_s", s.intervalS);
  o.Count("windows", s.windows);
  o.Number("nominal_voltage", s.nominalVoltage);
  o.Bool("nominal_voltage_inferred", false);
  o.Number("nominal_frequency", s.nominalFrequency);
  o.Bool("nominal_frequency_inferred", s.nominalFrequencyInferred);
  o.Bool("nominal_voltage_declared", s.nominalVoltage.has_value());
  o.Number("nominal_voltage_suggested", s.nominalVoltageSuggested);
  o.Text("connection", ConnectionText(s.connection));
  o.Number("system_voltage", s.systemVoltage);
  o.Raw("voltage_class", s.voltageClass ? JsonString(ClassCode(*s.voltageClass)) : "null");
  std::string standards = "[";
  for (const auto& [on, id] : {std::pair{s.standards.en50160, Standard::kEn50160},
                               std::pair{s.standards.ieee519, Standard::kIeee519},
                               std::pair{s.standards.ansiC84, Standard::kAnsiC84_1}})
    if (on) standards += (standards.size() > 1 ? ", " : "") + JsonString(StandardKey(id));
  o.Raw("standards", standards + "]");
  o.Bool("standards_chosen", s.standardsChosen);
  o.Number("coverage", s.coverage);
  o.Count("windows_spanned", s.windowsSpanned);
  o.Raw("periods", PeriodsJson(s.periods));
  o.Raw("days", PeriodsJson(s.days));
  o.Raw("gaps", SpansJson(s.gaps));
  o.Raw("interruptions", SpansJson(s.interruptions));
  o.Count("windows_left_out", s.windowsLeftOut);
  o.End();
  root.Raw("survey", survey);
  root.Text("verdict", VerdictText(result.verdict));
  root.Bool("indicative", result.indicative);
  root.Raw("indicative_note",
           result.indicative ? JsonString(result.indicativeNote) : std::string("null"));
  root.Count("judged", result.Judged());
  root.Count("failed", result.Failed());
  std::string missing = "[";
  for (const std::string& input : result.MissingInputs())
    missing += (missing.size() > 1 ? ", " : "") + JsonString(input);
  root.Raw("missing_inputs", missing + "]");
  std::string notes = "[";
  for (const std::string& note : result.notes)
    notes += (notes.size() > 1 ? ",\n    " : "\n    ") + JsonString(note);
  root.Raw("notes", notes + (result.notes.empty() ? "]" : "\n  ]"));
  std::string criteria = "[";
  for (const Criterion& c : result.criteria) {
    criteria += criteria.size() > 1 ? ",\n    " : "\n    ";
    criteria += CriterionJson(c);
  }
  criteria += result.criteria.empty() ? "]" : "\n  ]";
  root.Raw("criteria", criteria);
  root.End();
  return out + "\n";
}

std::string AssessmentCsv(const AssessmentResult& result, char separator,
                          const std::vector<size_t>* rows) {
  static const std::string kHeader[] = {
      "standard", "id",   "quantity",   "phase",         "limit",  "statistic",
      "value",    "unit", "count",      "min",           "max",    "p95",
      "verdict",  "note", "indicative", "missing_input", "periods"};
  std::string out;
  AppendCsvLine(out, kHeader, separator);
  auto write = [&](const Criterion& c) {
    const auto field = [&](std::string_view text) { return CsvField(text, separator); };
    const std::string fields[] = {field(c.standard),
                                  field(c.id),
                                  field(c.quantity),
                                  field(c.phase),
                                  field(c.limit),
                                  field(c.statistic),
                                  CsvNumber(c.value),
                                  field(UnitSymbol(c.unit)),
                                  std::to_string(c.count),
                                  CsvNumber(c.min),
                                  CsvNumber(c.max),
                                  CsvNumber(c.p95),
                                  field(VerdictText(c.verdict)),
                                  field(c.note),
                                  c.indicative ? "true" : "false",
                                  field(c.missingInput),
                                  field(PeriodsText(c))};
    AppendCsvLine(out, fields, separator);
  };
  if (rows == nullptr) {
    for (const Criterion& c : result.criteria) write(c);
  } else {
    for (size_t i : *rows)
      if (i < result.criteria.size()) write(result.criteria[i]);
  }
  return out;
}

std::vector<size_t> FailuresFirst(const AssessmentResult& result) {
  auto rank = [](Verdict v) {
    switch (v) {
      case Verdict::kFail:
        return 0;
      case Verdict::kPass:
        return 1;
      case Verdict::kInfo:
        return 2;
      case Verdict::kNotAssessed:
      case Verdict::kIncomplete:
        break;
    }
    return 3;
  };
  std::vector<size_t> order(result.criteria.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return rank(result.criteria[a].verdict) < rank(result.criteria[b].verdict);
  });
  return order;
}

namespace {

// The survey's files, span, records, declared and inferred inputs, coverage, gaps and
// interruptions.
void AppendSurvey(std::string& out, const SurveyFacts& s) {
  out += "Survey of " + std::to_string(s.files.size()) + (s.files.size() == 1 ? " log" : " logs") +
         ", " + s.logTypeName + "\n";
  for (const SurveyFile& f : s.files) {
    out += "  " + PathText(f.path) + ": " + std::to_string(f.records) + " records";
    if (f.first)
      out += ", " + TimeText(*f.first, TimeStyle::kIsoSpace) + " to " +
             TimeText(*f.last, TimeStyle::kIsoSpace);
    out += "\n";
  }
  if (s.first)
    out += "  From " + TimeText(*s.first, TimeStyle::kIsoSpace) + " to " +
           TimeText(*s.last, TimeStyle::kIsoSpace) + ", " + Readable(s.durationS / 86400) + " days";
  if (s.intervalS) out += ", a record every " + Readable(*s.intervalS) + " s";
  out += "\n  " + std::to_string(s.recordsUsed) + " of " + std::to_string(s.records) +
         " records used (" + std::to_string(s.invalidTime) + " without a valid time, " +
         std::to_string(s.overlaps) + " overlapping), " + std::to_string(s.windows) +
         " 10-minute windows\n";
  out += "  " + InputsText(s) + "\n";
  out += "  Coverage: " + CoverageText(s) + "\n";
  for (size_t i = 0; i < s.periods.size(); ++i)
    out += "    " + PeriodText(s.periods[i], "week", i) + "\n";
  out += "  Gaps (records further apart than " + std::to_string(kGapIntervals) +
         " intervals): " + (s.gaps.empty() ? "none" : std::to_string(s.gaps.size())) + "\n";
  for (const TimeSpan& g : s.gaps) out += "    " + SpanText(g) + "\n";
  if (s.interruptions.empty()) {
    out += "  Long interruptions: none found\n";
  } else {
    out += "  Long interruptions: " + std::to_string(s.interruptions.size()) + "\n";
    for (const TimeSpan& t : s.interruptions) out += "    " + SpanText(t) + "\n";
  }
  if (s.windowsLeftOut)
    out += "  Left out: " + std::to_string(s.windowsLeftOut) +
           " 10-minute windows holding an interruption\n";
  out += "\n";
}

void AppendVerdict(std::string& out, const AssessmentResult& result) {
  std::string verdict = VerdictText(result.verdict);
  std::transform(verdict.begin(), verdict.end(), verdict.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
  out += "Verdict: " + verdict + " (" + VerdictSentence(result) + ")\n";
  if (result.indicative) out += "  " + result.indicativeNote + "\n";
  for (const std::string& note : result.notes) out += "  " + note + "\n";
  out += "\n";
}

// The criteria in `order`, one line each, in aligned columns under a heading.
void AppendRows(std::string& out, const AssessmentResult& result,
                const std::vector<size_t>& order) {
  struct Line {
    std::string verdict, id, value, period, limit;
  };
  std::vector<Line> lines = {{"VERDICT", "CRITERION", "VALUE", "WORST PERIOD", "LIMIT"}};
  for (size_t i : order) {
    const Criterion& c = result.criteria[i];
    std::string value = c.value ? ValueText(c, *c.value) : "-";
    if (c.value && c.unit != Unit::kNone) value += std::string(" ") + UnitSymbol(c.unit);
    lines.push_back({VerdictText(c.verdict), c.id, value, WorstPeriodText(c), c.limit});
  }
  size_t widths[4] = {0, 0, 0, 0};
  for (const Line& l : lines) {
    widths[0] = std::max(widths[0], l.verdict.size());
    widths[1] = std::max(widths[1], l.id.size());
    widths[2] = std::max(widths[2], l.value.size());
    widths[3] = std::max(widths[3], l.period.size());
  }
  for (const Line& l : lines) {
    Pad(out, l.verdict, widths[0] + 2);
    Pad(out, l.id, widths[1] + 2);
    Pad(out, l.value, widths[2] + 2);
    Pad(out, l.period, widths[3] + 2);
    out += l.limit;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += "\n";
  }
}

// Every period of each failed criterion.
void AppendFailedPeriods(std::string& out, const AssessmentResult& result,
                         const std::vector<size_t>& order) {
  bool any = false;
  for (size_t i : order) {
    const Criterion& c = result.criteria[i];
    if (c.verdict != Verdict::kFail) continue;
    if (!any) out += "\nPeriods of the criteria that fail\n";
    any = true;
    out += "  " + c.id + ":";
    const char* unit = c.idStatistic == IdStatistic::kDaily99 ? "day" : "week";
    for (size_t p = 0; p < c.periods.size(); ++p) {
      const PeriodResult& r = c.periods[p];
      out += p ? ", " : " ";
      out += std::string(unit) + " " + std::to_string(p + 1) + " ";
      out += r.value ? ValueText(c, *r.value) +
                           (c.unit == Unit::kNone ? "" : std::string(" ") + UnitSymbol(c.unit)) +
                           " " + VerdictText(r.verdict)
                     : std::string("no values");
    }
    out += "\n";
  }
}

// Notes, each once, with the criteria it belongs to.
void AppendNotes(std::string& out, const AssessmentResult& result,
                 const std::vector<size_t>& order) {
  std::vector<std::pair<std::string_view, std::vector<std::string_view>>> notes;
  for (size_t i : order) {
    const Criterion& c = result.criteria[i];
    const std::string_view note = OwnNote(result, c);
    if (note.empty()) continue;
    auto it =
        std::find_if(notes.begin(), notes.end(), [&](const auto& n) { return n.first == note; });
    if (it == notes.end()) it = notes.insert(notes.end(), {note, {}});
    it->second.push_back(c.id);
  }
  if (!notes.empty()) out += "\nNotes\n";
  for (const auto& [note, ids] : notes) {
    out += "  " + std::string(ids.front());
    if (ids.size() == 2) out += ", " + std::string(ids[1]);
    if (ids.size() > 2) out += " and " + std::to_string(ids.size() - 1) + " more";
    out += ": " + std::string(note) + "\n";
  }
}

}  // namespace

std::string AssessmentTable(const AssessmentResult& result) {
  std::string out;
  AppendSurvey(out, result.survey);
  AppendVerdict(out, result);
  const std::vector<size_t> order = FailuresFirst(result);
  AppendRows(out, result, order);
  AppendFailedPeriods(out, result, order);
  AppendNotes(out, result, order);
  return out;
}

SurveyLine SurveyLineOf(const std::filesystem::path& path, const AssessmentResult& result) {
  const SurveyFacts& s = result.survey;
  SurveyLine line;
  line.path = path;
  line.logType = s.logTypeName;
  line.first = s.first;
  line.last = s.last;
  line.durationS = s.durationS;
  line.verdict = result.verdict;
  line.indicative = result.indicative;
  for (const Criterion& c : result.criteria) line.failed += c.verdict == Verdict::kFail;
  if (const Criterion* worst = result.WorstFailure()) {
    line.worst = worst->id;
    line.worstValue = worst->value;
    line.worstUnit = worst->unit;
  }
  return line;
}

namespace {

const char* SummaryVerdict(const SurveyLine& line) {
  return line.verdict ? VerdictText(*line.verdict) : "error";
}

}  // namespace

std::string SurveySummaryJson(const std::vector<SurveyLine>& lines) {
  std::string out = "[";
  for (const SurveyLine& l : lines) {
    out += out.size() > 1 ? ",\n  " : "\n  ";
    out += "{\"file\": " + JsonString(PathText(l.path));
    out += ", \"log_type\": " + (l.logType.empty() ? "null" : JsonString(l.logType));
    out += ", \"first\": " + JsonTime(l.first);
    out += ", \"last\": " + JsonTime(l.last);
    out += ", \"duration_s\": " + JsonNumber(l.durationS);
    out += ", \"verdict\": " + JsonString(SummaryVerdict(l));
    out += ", \"indicative\": " + std::string(l.indicative ? "true" : "false");
    out += ", \"failed\": " + std::to_string(l.failed);
    out += ", \"worst\": " + (l.worst.empty() ? "null" : JsonString(l.worst));
    out += ", \"worst_value\": " + JsonNumber(l.worstValue);
    out += ", \"worst_unit\": " + (l.worst.empty() ? "null" : JsonString(UnitSymbol(l.worstUnit)));
    out += ", \"error\": " + (l.error.empty() ? "null" : JsonString(l.error)) + "}";
  }
  return out + (lines.empty() ? "]\n" : "\n]\n");
}

std::string SurveySummaryCsv(const std::vector<SurveyLine>& lines) {
  std::string out =
      "file,log_type,first,last,duration_s,verdict,indicative,failed,worst,worst_value,"
      "worst_unit,error\r\n";
  for (const SurveyLine& l : lines) {
    const std::string fields[] = {CsvField(PathText(l.path)),
                                  CsvField(l.logType),
                                  l.first ? TimeText(*l.first, TimeStyle::kIso) : "",
                                  l.last ? TimeText(*l.last, TimeStyle::kIso) : "",
                                  CsvNumber(l.durationS),
                                  SummaryVerdict(l),
                                  l.indicative ? "true" : "false",
                                  std::to_string(l.failed),
                                  CsvField(l.worst),
                                  CsvNumber(l.worstValue),
                                  CsvField(UnitSymbol(l.worstUnit)),
                                  CsvField(l.error)};
    AppendCsvLine(out, fields);
  }
  return out;
}

std::string SurveySummaryTable(const std::vector<SurveyLine>& lines) {
  using Row = std::vector<std::string>;
  std::vector<Row> rows = {
      {"FILE", "LOG TYPE", "FIRST", "LAST", "DAYS", "VERDICT", "FAILED", "WORST", "VALUE"}};
  size_t passed = 0, failed = 0, errors = 0;
  for (const SurveyLine& l : lines) {
    auto time = [](const std::optional<int64_t>& t) {
      return t ? TimeText(*t, TimeStyle::kIsoSpace) : std::string("-");
    };
    std::string verdict = SummaryVerdict(l);
    if (l.indicative) verdict += " (indicative)";
    Row row = {PathText(l.path),
               l.logType.empty() ? "-" : l.logType,
               time(l.first),
               time(l.last),
               l.durationS ? Readable(*l.durationS / 86400) : "-",
               verdict};
    if (!l.verdict) {
      row.push_back(l.error);  // the reason instead of the criteria, unaligned
      ++errors;
    } else {
      std::string value = l.worstValue ? Readable(*l.worstValue) : "-";
      if (l.worstValue && l.worstUnit != Unit::kNone)
        value += std::string(" ") + UnitSymbol(l.worstUnit);
      row.insert(row.end(), {std::to_string(l.failed), l.worst.empty() ? "-" : l.worst, value});
      passed += *l.verdict == Verdict::kPass;
      failed += *l.verdict == Verdict::kFail;
    }
    rows.push_back(std::move(row));
  }
  std::vector<size_t> widths(rows.front().size(), 0);
  for (const Row& row : rows) {
    const size_t aligned = row.size() == widths.size() ? row.size() : row.size() - 1;
    for (size_t i = 0; i < aligned; ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::string out;
  for (const Row& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i + 1 < row.size()) {
        Pad(out, row[i], widths[i] + 2);
      } else {
        out += row[i];
      }
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += "\n";
  }
  const size_t incomplete = lines.size() - passed - failed - errors;
  out += "\n" + std::to_string(lines.size()) + (lines.size() == 1 ? " log: " : " logs: ") +
         std::to_string(passed) + " pass, " + std::to_string(failed) + " fail";
  if (incomplete) out += ", " + std::to_string(incomplete) + " incomplete";
  if (errors) out += ", " + std::to_string(errors) + " could not be assessed";
  out += "\n";
  return out;
}

}  // namespace assess
