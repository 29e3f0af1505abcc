#pragma once
// The words and numbers of a report: the assessment's texts as a reader sees them, numbers as the
// assessment's writers write them, verdicts as words with their tones, and the table cells that
// carry them. Text is UTF-8 throughout. Internal to the report library.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "ReportDocument.h"
#include "assess/Assessment.h"

namespace meterlog2::report::text {

// An argument of Fill: text, or a whole number written in decimal.
class FillArg {
 public:
  FillArg(std::string_view text) : m_text(text) {}
  FillArg(const std::string& text) : m_text(text) {}
  FillArg(const char* text) : m_text(text) {}
  template <class N, std::enable_if_t<std::is_integral_v<N>, int> = 0>
  FillArg(N number) : m_number(std::to_string(number)), m_isNumber(true) {}
  std::string_view View() const { return m_isNumber ? std::string_view(m_number) : m_text; }

 private:
  std::string_view m_text;
  std::string m_number;
  bool m_isNumber = false;
};

// `pattern` with %1, %2 ... %9 replaced by the arguments in one pass (a "%" before anything else
// stays as it is).
std::string Fill(std::string_view pattern, std::initializer_list<FillArg> args);
std::string Join(const Strings& parts, std::string_view separator);
bool EndsWith(std::string_view text, std::string_view end);

// Three decimals at most, as the assessment's text table writes a number that is not judged.
std::string Number(double value);
std::string WithUnit(const std::string& number, Unit unit);
// A criterion's value as the CLI shows it (ValueText), with its unit.
std::string CriterionValue(const assess::Criterion& c, double value);
std::string Count(uint64_t n);
// "2009-03-07 14:05:09"; Minutes without the seconds.
std::string Time(int64_t seconds);
std::string Minutes(int64_t seconds);
std::string Duration(int64_t seconds);
// The assessment writes its rules in plain ASCII; the report sets them as a reader expects.
std::string Typeset(const std::string& text);
// `text` without control characters (ESC, SOH, DEL, the C1 controls ...; a line break or TAB
// becomes a space): what a title, a site or a file name may carry into a page.
std::string WithoutControls(std::string_view text);
// `text` without white space at either end and each run of it inside made one space, white
// space being what Unicode calls so (a no-break space, an ideographic space ...).
std::string Simplified(std::string_view text);
// The first letter upper case (the assessment's texts are ASCII).
std::string Capitalized(std::string text);
std::string Plural(uint64_t n, const char* one, const char* many);

// "PASS", "FAIL", "NOT ASSESSED", "INFO", "INCOMPLETE", and the tone each is shown in.
std::string VerdictWord(assess::Verdict verdict);
Tone ToneOf(assess::Verdict verdict);

// "a" reads "A", "ch2" reads "Ch 2"; PhaseLabel "Phase A", "Ch 2".
std::string PhaseName(const std::string& phase);
std::string PhaseLabel(const std::string& phase);

// The standard's title with its edition ("EN 50160:2010, voltage characteristics of ..."), and
// the title up to its edition's end ("EN 50160:2010").
std::string StandardName(const std::string& standard);
// The titles of the standards a survey was judged against, in the order of the set.
Strings ChosenStandardNames(const assess::StandardSet& set);
std::string StandardShortName(const std::string& standard);

// "week 2", "day 5": a period of a criterion, counted from 1.
std::string PeriodLabel(const assess::Criterion& c, size_t index);
// The upper edge of a criterion's inner band: the limit a percentile is judged against.
double UpperLimit(const assess::Criterion& c);

ReportCell Cell(const std::string& text, Tone tone = Tone::kNormal);
ReportCell BoldCell(const std::string& text, Tone tone = Tone::kNormal);
ReportCell VerdictCell(assess::Verdict verdict);

}  // namespace meterlog2::report::text
