#include "ReportText.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

using assess::Criterion;
using assess::Verdict;

namespace meterlog2::report::text {

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

// The length of the UTF-8 sequence at `at` and the code point it encodes; a byte that starts no
// valid sequence counts alone, as U+FFFD.
std::pair<size_t, char32_t> Decode(std::string_view s, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) return {1, lead};
  const size_t length = lead > 0xF4    ? 0
                        : lead >= 0xF0 ? 4
                        : lead >= 0xE0 ? 3
                        : lead >= 0xC2 ? 2
                                       : 0;
  if (length == 0 || at + length > s.size()) return {1, 0xFFFD};
  char32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return {1, 0xFFFD};
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
  if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {1, 0xFFFD};
  return {length, code};
}

// White space as Unicode has it: the space separators, the line and paragraph separators, TAB to
// CR and NEL.
bool IsSpace(char32_t c) {
  return c == ' ' || (c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

}  // namespace

std::string Fill(std::string_view pattern, std::initializer_list<FillArg> args) {
  std::string out;
  out.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const size_t n = i + 1 < pattern.size() ? static_cast<size_t>(pattern[i + 1] - '1') : 9;
    if (pattern[i] == '%' && n < args.size()) {
      out += (args.begin() + n)->View();
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string Join(const Strings& parts, std::string_view separator) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out += separator;
    out += parts[i];
  }
  return out;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string Number(double value) {
  return ReadableDecimal(value, 3);
}

std::string WithUnit(const std::string& number, Unit unit) {
  return unit == Unit::kNone ? number : number + " " + UnitSymbol(unit);
}

std::string CriterionValue(const Criterion& c, double value) {
  return WithUnit(assess::ValueText(c, value), c.unit);
}

std::string Count(uint64_t n) {
  return std::to_string(n);
}

std::string Time(int64_t seconds) {
  return TimeText(seconds, TimeStyle::kIsoSpace);
}

std::string Minutes(int64_t seconds) {
  return Time(seconds).substr(0, 16);
}

std::string Duration(int64_t seconds) {
  return assess::DurationText(static_cast<double>(seconds));
}

std::string Typeset(const std::string& text) {
  std::string s = text;
  ReplaceAll(s, "<=", "\u2264");
  ReplaceAll(s, ">=", "\u2265");
  ReplaceAll(s, "+/-", "\u00b1");
  return s;
}

std::string WithoutControls(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    const auto [length, code] = Decode(text, at);
    if (code == '\n' || code == '\t' || code == '\r')
      clean += ' ';
    else if (!(code < 0x20 || (code >= 0x7F && code <= 0x9F)))
      clean.append(text.substr(at, length));
    at += length;
  }
  return clean;
}

std::string Simplified(std::string_view text) {
  std::string out;
  bool space = false;
  for (size_t at = 0; at < text.size();) {
    const auto [length, code] = Decode(text, at);
    if (IsSpace(code)) {
      space = !out.empty();
    } else {
      if (space) out += ' ';
      space = false;
      out.append(text.substr(at, length));
    }
    at += length;
  }
  return out;
}

std::string Capitalized(std::string text) {
  if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

std::string Plural(uint64_t n, const char* one, const char* many) {
  return Count(n) + " " + (n == 1 ? one : many);
}

std::string VerdictWord(Verdict verdict) {
  return Upper(assess::VerdictText(verdict));
}

Tone ToneOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::kPass:
      return Tone::kPass;
    case Verdict::kFail:
      return Tone::kFail;
    case Verdict::kInfo:
      return Tone::kInfo;
    case Verdict::kIncomplete:
      return Tone::kWarn;
    case Verdict::kNotAssessed:
      break;
  }
  return Tone::kMuted;
}

std::string PhaseName(const std::string& phase) {
  if (phase.size() > 2 && phase.compare(0, 2, "ch") == 0) return "Ch " + phase.substr(2);
  return Upper(phase);
}

std::string PhaseLabel(const std::string& phase) {
  if (phase.empty()) return {};
  return (phase.compare(0, 2, "ch") == 0 ? std::string() : "Phase ") + PhaseName(phase);
}

std::string StandardName(const std::string& standard) {
  const char* title = assess::StandardTitle(standard);
  return title ? std::string(title) : standard;
}

Strings ChosenStandardNames(const assess::StandardSet& set) {
  Strings names;
  for (const auto& [on, id] : {std::pair{set.en50160, assess::Standard::kEn50160},
                               std::pair{set.ieee519, assess::Standard::kIeee519},
                               std::pair{set.ansiC84, assess::Standard::kAnsiC84_1}})
    if (on) names.push_back(StandardName(assess::StandardKey(id)));
  return names;
}

std::string StandardShortName(const std::string& standard) {
  // Titles without an edition: their short names.
  if (standard == assess::StandardKey(assess::Standard::kNema)) return "NEMA MG 1";
  if (standard == assess::StandardKey(assess::Standard::kInfo)) return "informative";
  const std::string name = StandardName(standard);
  return name.substr(0, name.find(','));
}

std::string PeriodLabel(const Criterion& c, size_t index) {
  return (c.idStatistic == assess::IdStatistic::kDaily99 ? "day " : "week ") +
         std::to_string(index + 1);
}

double UpperLimit(const Criterion& c) {
  return c.bands.empty() ? NAN : c.bands.front().high;
}

ReportCell Cell(const std::string& text, Tone tone) {
  ReportCell cell;
  cell.text = text;
  cell.tone = tone;
  return cell;
}

ReportCell BoldCell(const std::string& text, Tone tone) {
  ReportCell cell = Cell(text, tone);
  cell.bold = true;
  return cell;
}

ReportCell VerdictCell(Verdict verdict) {
  ReportCell cell = Cell(VerdictWord(verdict), ToneOf(verdict));
  cell.bold = verdict == Verdict::kFail || verdict == Verdict::kPass;
  return cell;
}

}  // namespace meterlog2::report::text
