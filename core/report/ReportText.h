#pragma once
// The words and numbers of a report: the assessment's texts as a reader sees them, numbers as the
// assessment's writers write them, verdicts as words with their tones, and the table cells that
// carry them. Internal to the report library.

#include <QString>
#include <cstdint>
#include <string>

#include "ReportDocument.h"
#include "assess/Assessment.h"

namespace report_text {

QString Q(const std::string& text);
// Three decimals at most, as the assessment's text table writes a number that is not judged.
QString Number(double value);
QString WithUnit(const QString& number, Unit unit);
// A criterion's value as the CLI shows it (ValueText), with its unit.
QString CriterionValue(const assess::Criterion& c, double value);
QString Count(uint64_t n);
// "2009-03-07 14:05:09"; Minutes without the seconds.
QString Time(int64_t seconds);
QString Minutes(int64_t seconds);
QString Duration(int64_t seconds);
// The assessment writes its rules in plain ASCII; the report sets them as a reader expects.
QString Typeset(const std::string& text);
// `text` without control characters (ESC, SOH, DEL, the C1 controls ...; a line break or TAB
// becomes a space): what a title, a site or a file name may carry into a page.
QString WithoutControls(const QString& text);
QString Capitalized(QString text);
QString Plural(uint64_t n, const char* one, const char* many);

// "PASS", "FAIL", "NOT ASSESSED", "INFO", "INCOMPLETE", and the tone each is shown in.
QString VerdictWord(assess::Verdict verdict);
Tone ToneOf(assess::Verdict verdict);

// "a" reads "A", "ch2" reads "Ch 2"; PhaseLabel "Phase A", "Ch 2".
QString PhaseName(const std::string& phase);
QString PhaseLabel(const std::string& phase);

// The standard's title with its edition ("EN 50160:2010, voltage characteristics of ..."), and
// the title up to its edition's end ("EN 50160:2010").
QString StandardName(const std::string& standard);
QString StandardShortName(const std::string& standard);

// "week 2", "day 5": a period of a criterion, counted from 1.
QString PeriodLabel(const assess::Criterion& c, size_t index);
// The upper edge of a criterion's inner band: the limit a percentile is judged against.
double UpperLimit(const assess::Criterion& c);

ReportCell Cell(const QString& text, Tone tone = Tone::kNormal);
ReportCell BoldCell(const QString& text, Tone tone = Tone::kNormal);
ReportCell VerdictCell(assess::Verdict verdict);

}  // namespace report_text
