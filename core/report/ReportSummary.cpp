// The report's first pages: the overall verdict, what it was judged on (the inputs, the coverage
// of each week, the gaps and interruptions), what was not judged and why, the result's notes, the
// logs, a verdict per group and the criteria that fail.

#include <algorithm>

#include "ReportSections.h"
#include "ReportText.h"
#include "assess/AssessLimits.h"
#include "assess/AssessmentWriters.h"
#include "file/PathText.h"
#include "log/LogTypes.h"

namespace meterlog2::report {

using namespace std::string_literals;
using assess::Criterion;
using assess::Verdict;
using namespace text;

namespace {

// A sentence of the result ("the records suggest 240 V") as a reader's sentence.
std::string Sentence(const std::string& text) {
  std::string s = Capitalized(Typeset(text));
  if (!EndsWith(s, ".")) s += '.';
  return s;
}

// A table of two columns: what, and its value.
class FactTable {
 public:
  FactTable() { m_table.widths = {1, 3.2}; }
  void Add(const std::string& name, ReportCell value) {
    m_table.AddRow({BoldCell(name), std::move(value)});
  }
  void Add(const std::string& name, const std::string& value, Tone tone = Tone::kNormal) {
    Add(name, Cell(value, tone));
  }
  ReportTable Take() { return std::move(m_table); }

 private:
  ReportTable m_table;
};

// "A and B", "A; B; and C": the names hold commas of their own.
std::string JoinedNames(const Strings& names) {
  if (names.size() < 3) return Join(names, " and "s);
  return Join({names.begin(), names.end() - 1}, "; ") + "; and " + names.back();
}

void Title(ReportWriter& w) {
  ReportBlock& title = w.Add(ReportBlock::Kind::kTitle, w.Doc().title);
  title.subtitle = w.Doc().site;
  title.anchor = "summary"s;
  Strings standards = ChosenStandardNames(w.Survey().standards);
  w.Paragraph(Fill("This report judges the supply against %1, from %2 of a 57x power analyzer.",
                   {JoinedNames(standards), Plural(w.Survey().files.size(), "log", "logs")}));
}

void OverallVerdict(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportBlock& block = w.Add(ReportBlock::Kind::kVerdict);
  block.verdict = VerdictWord(r.verdict);
  block.tone = ToneOf(r.verdict);
  const std::string sentence = assess::VerdictSentence(r);
  block.text = r.verdict == Verdict::kPass || r.verdict == Verdict::kFail
                   ? "The supply "s + sentence + "."
                   : Capitalized(sentence) + ".";
  if (r.indicative) block.subtitle = Sentence(r.indicativeNote);
}

std::string StandardsText(const assess::SurveyFacts& s) {
  Strings names;
  for (const auto& [on, name] : {std::pair{s.standards.en50160, assess::kEnEdition},
                                 std::pair{s.standards.ieee519, assess::kIeeeEdition},
                                 std::pair{s.standards.ansiC84, assess::kAnsiEdition}})
    if (on) names.push_back(std::string(name));
  std::string text = Join(names, ", "s);
  if (s.standardsChosen) return text + ", as chosen"s;
  return text + (s.nominalFrequency ? Fill(", chosen by the nominal frequency (%1 Hz)",
                                           {Number(*s.nominalFrequency)})
                                    : ", since the nominal frequency is not known"s);
}

void CurrentInputs(ReportWriter& w, FactTable& facts) {
  const assess::AssessmentResult& r = w.Result();
  if (!r.currentBasis) {
    if (std::any_of(r.criteria.begin(), r.criteria.end(),
                    [](const Criterion& c) { return c.missingInput == "isc"; }))
      facts.Add("Short-circuit current Isc"s,
                "not declared: IEEE 519's current limits depend on it and were "
                "not assessed"s,
                Tone::kWarn);
    return;
  }
  const assess::CurrentBasis& b = *r.currentBasis;
  facts.Add("Short-circuit current Isc"s, Number(b.isc) + " A, declared"s);
  std::string il = Number(b.il) + " A, "s;
  if (b.ilDerived && b.ilWindow)
    il += Fill(
        "the largest 15-minute mean of the fundamental current over all phases "
        "(%1, from %2)",
        {PhaseLabel(b.ilPhase), Minutes(*b.ilWindow)});
  else
    il += "declared"s;
  facts.Add("Load current IL"s, il);
  facts.Add("IEEE 519 current limits"s,
            Fill("Isc/IL = %1: %2, row %3", {Number(b.ratio), b.table, Typeset(b.row)}));
}

void Inputs(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  w.Subheading("What the verdicts rest on"s);
  FactTable facts;
  const bool delta = s.connection == assess::Connection::kDelta;
  if (s.nominalVoltage) {
    facts.Add("Nominal voltage Un"s, Number(*s.nominalVoltage) + " V, declared ("s +
                                         (delta ? "between phases)"s : "phase to neutral)"s));
  } else {
    std::string text = "not declared"s;
    if (s.nominalVoltageSuggested)
      text += Fill(" (the records suggest %1 V)", {Number(*s.nominalVoltageSuggested)});
    facts.Add("Nominal voltage Un"s,
              text + ": the criteria whose limits depend on Un were not assessed"s, Tone::kWarn);
  }
  facts.Add("Connection"s, std::string(assess::ConnectionText(s.connection)));
  if (s.systemVoltage && s.voltageClass)
    facts.Add(
        "System voltage"s,
        Fill("%1 V between phases: %2 (%3, %4)",
             {Number(*s.systemVoltage), std::string(ClassName(*s.voltageClass)),
              std::string(ClassCode(*s.voltageClass)), std::string(ClassRange(*s.voltageClass))}));
  else
    facts.Add("System voltage"s, "not known without Un"s, Tone::kWarn);
  facts.Add("Nominal frequency Fn"s,
            s.nominalFrequency
                ? Number(*s.nominalFrequency) + (s.nominalFrequencyInferred
                                                     ? " Hz, inferred from the median frequency"s
                                                     : " Hz, declared"s)
                : "not known: nothing to infer it from"s);
  facts.Add("Standards judged"s, StandardsText(s));
  CurrentInputs(w, facts);
  w.Table(facts.Take());
}

void Coverage(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  w.Subheading("Coverage and gaps"s);
  w.Paragraph("Coverage: "s + assess::CoverageText(s) +
              Fill(". A week needs %1 % of its %2 windows, or its verdicts are "
                   "indicative.",
                   {Number(100 * assess::kCoverageRequired), assess::kWindowsPerWeek}));
  ReportTable table;
  table.headers = {"Week"s, "From"s, "To"s, "Windows with records"s, "Expected"s, "Coverage"s};
  table.widths = {0.8, 1.5, 1.5, 1.3, 1, 1.5};
  for (size_t i = 0; i < s.periods.size(); ++i) {
    const assess::Period& p = s.periods[i];
    const bool low = p.LowCoverage();
    ReportCell coverage =
        Cell(assess::JudgedText(100 * p.Coverage()) + " %", low ? Tone::kWarn : Tone::kNormal);
    if (low)
      coverage.detail = Fill("below %1 %: indicative", {Number(100 * assess::kCoverageRequired)});
    table.AddRow({Cell(std::to_string(i + 1)), Cell(Minutes(p.start)), Cell(Minutes(p.end)),
                  Cell(Count(p.windows)), Cell(Count(p.expectedWindows)), coverage});
  }
  w.Table(std::move(table));
}

void Gaps(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  const std::string what = Fill("Gaps (consecutive records further apart than %1 record intervals)",
                                {assess::kGapIntervals});
  if (s.gaps.empty()) {
    w.Paragraph(what + ": none."s);
    return;
  }
  w.Paragraph(what + Fill(": %1; the charts' lines break there.", {s.gaps.size()}));
  ReportTable table;
  table.headers = {"Last record before"s, "First record after"s, "Length"s};
  table.widths = {1.5, 1.5, 2};
  for (const assess::TimeSpan& gap : s.gaps)
    table.AddRow({Cell(Time(gap.start)), Cell(Time(gap.end)), Cell(Duration(gap.Seconds()))});
  w.Table(std::move(table));
}

void Interruptions(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  const std::string what = Fill(
      "Long interruptions (records below %1 % of Un on every judged voltage, "
      "%2 or more)",
      {Number(assess::kInterruptionPercent), Duration(assess::kLongInterruptionSeconds)});
  const double interval = s.intervalS.value_or(0);
  if (!s.nominalVoltage) {
    w.Paragraph(what + ": not looked for, since Un was not declared."s);
  } else if (interval > assess::kInterruptionInterval) {
    w.Paragraph(what + Fill(": not looked for; the records are %1 s apart, and timing "
                            "one needs records at most %2 s apart.",
                            {Number(interval), assess::kInterruptionInterval}));
  } else if (s.interruptions.empty()) {
    w.Paragraph(what + ": none found."s);
  } else {
    w.Paragraph(what + Fill(": %1.", {s.interruptions.size()}));
    ReportTable table;
    table.headers = {"From"s, "To"s, "Length"s};
    table.widths = {1.5, 1.5, 2};
    for (const assess::TimeSpan& t : s.interruptions)
      table.AddRow({Cell(Time(t.start)), Cell(Time(t.end)), Cell(Duration(t.Seconds()))});
    w.Table(std::move(table));
  }
  if (s.windowsLeftOut)
    w.Paragraph(
        Fill("%1 holding an interruption left out of the supply voltage's "
             "statistics.",
             {Plural(s.windowsLeftOut, "10-minute window", "10-minute windows")}));
}

// A row not assessed by the name of its group ("Supply voltage"), or by its own where that says
// more ("harmonic voltages 2 to 50" for a phase's harmonics).
std::string NotAssessedName(const Criterion& c) {
  const char* title = GroupTitle(assess::CriterionGroup(c));
  if (!title || c.quantity.find(" to ") != std::string::npos) return Capitalized(c.quantity);
  return std::string(title);
}

// Every criterion not assessed, and why: the phases of a row not assessed for one reason share
// a row.
void NotAssessed(ReportWriter& w) {
  const assess::AssessmentResult& r = w.Result();
  ReportTable table;
  table.headers = {"Not assessed"s, "Phase"s, "Why"s};
  table.widths = {2.3, 0.7, 4.8};
  for (const Criterion& c : r.criteria) {
    if (c.verdict != Verdict::kNotAssessed) continue;
    std::vector<ReportCell> row = {
        Cell(NotAssessedName(c) + " (" + StandardShortName(c.standard) + ")"),
        Cell(PhaseName(c.phase)),
        Cell(Typeset(std::string(assess::OwnNote(r, c))),
             c.missingInput.empty() ? Tone::kNormal : Tone::kWarn)};
    auto same = std::find_if(table.rows.begin(), table.rows.end(), [&](const auto& other) {
      return other[0].text == row[0].text && other[2].text == row[2].text;
    });
    if (same == table.rows.end())
      table.AddRow(std::move(row));
    else
      (*same)[1].text += ", "s + row[1].text;
  }
  if (table.rows.empty()) return;
  w.Subheading("What was not assessed, and why"s);
  w.Table(std::move(table));
}

void Notes(ReportWriter& w) {
  if (w.Result().notes.empty()) return;
  w.Subheading("Notes"s);
  for (const std::string& note : w.Result().notes) w.Paragraph(Sentence(note));
}

void SurveyFacts(ReportWriter& w) {
  const assess::SurveyFacts& s = w.Survey();
  FactTable facts;
  facts.Add("Period"s, w.Doc().period.empty() ? "no valid time stamp"s : w.Doc().period);
  facts.Add("Duration"s, (assess::DurationText(s.durationS)) +
                             " (the first to the last record, plus one record interval)"s);
  if (s.intervalS)
    facts.Add("Record interval"s, Number(*s.intervalS) + " s (the median spacing of the records)"s);
  facts.Add("Log type"s, s.logTypeName);
  std::string records = Count(s.recordsUsed) + " of "s + Count(s.records) + " used, in "s +
                        Plural(s.windows, "10-minute window", "10-minute windows");
  Strings leftOut;
  if (s.invalidTime) leftOut.push_back(Count(s.invalidTime) + " without a valid time stamp"s);
  if (s.overlaps)
    leftOut.push_back(Count(s.overlaps) +
                      " with the time stamp of a record already taken (overlapping "
                      "downloads)"s);
  records += leftOut.empty() ? "; none left out"s : "; left out: "s + Join(leftOut, ", "s);
  facts.Add("Records"s, records);
  w.Table(facts.Take());
}

void Files(ReportWriter& w) {
  ReportTable table;
  table.headers = {"Log file"s, "Type"s, "Records"s, "First record"s, "Last record"s};
  table.widths = {3.2, 1.6, 1.3, 1.35, 1.35};
  for (const assess::SurveyFile& f : w.Survey().files) {
    ReportCell name = Cell(PathText(f.path));
    name.code = true;
    ReportCell digest =
        Cell(f.sha256.empty() ? "SHA-256 not taken"s : "SHA-256 "s + f.sha256, Tone::kMuted);
    digest.code = true;
    const char* type = LogTypeName(f.logType);
    ReportCell records = Cell(Count(f.records));
    Strings detail{Count(f.used) + " used"s};
    if (f.invalidTime) detail.push_back(Count(f.invalidTime) + " without valid time"s);
    if (f.overlaps) detail.push_back(Count(f.overlaps) + " overlapping"s);
    records.detail = Join(detail, ", "s);
    table.AddRow({name, Cell(type ? std::string(type) : "unknown"s), records,
                  Cell(f.first ? Time(*f.first) : "-"s), Cell(f.last ? Time(*f.last) : "-"s)});
    table.AddRow({digest}, RowStyle::kNote);
  }
  w.Table(std::move(table));
}

}  // namespace

void WriteSummary(ReportWriter& w) {
  Title(w);
  OverallVerdict(w);
  Inputs(w);
  Coverage(w);
  Gaps(w);
  Interruptions(w);
  NotAssessed(w);
  Notes(w);
  w.Subheading("The survey"s);
  SurveyFacts(w);
  Files(w);
  w.Subheading("Verdicts by group"s);
  WriteVerdictTable(w);
  WriteFailures(w);
}

}  // namespace meterlog2::report
