#pragma once
// What a report says, before it is drawn: a title, the header every page carries, and a flow of
// blocks (headings, paragraphs, tables, charts). Both the PDF and the HTML page are drawn from
// the same document, so they carry the same words and numbers.

#include <string>
#include <vector>

#include "ChartPlan.h"

namespace meterlog2::report {

using Strings = std::vector<std::string>;

// The colour a piece of text carries: a verdict's, a warning's, or none.
enum class Tone {
  kNormal,
  kPass,
  kFail,
  kMuted,  // not assessed, no values
  kInfo,
  kWarn,  // incomplete, indicative, coverage below what the standards need: amber
};

struct ReportCell {
  std::string text;
  std::string detail;  // a second, smaller line (a range, a digest); empty for none
  Tone tone = Tone::kNormal;
  bool bold = false;
  bool code = false;  // digests and identifiers: a fixed-width font, broken anywhere
};

enum class RowStyle {
  kNormal,
  kGroup,  // heads a part of the table (a standard's name): one cell across every column
  kNote,   // one cell across every column that belongs to the row above (a file's digest)
};

struct ReportTable {
  Strings headers;
  std::vector<double> widths;  // relative widths of the columns
  std::vector<std::vector<ReportCell>> rows;
  std::vector<RowStyle> styles;  // per row
  void AddRow(std::vector<ReportCell> cells, RowStyle style = RowStyle::kNormal) {
    rows.push_back(std::move(cells));
    styles.push_back(style);
  }
};

struct ReportBlock {
  enum class Kind {
    kTitle,       // the report's title in large type, `subtitle` (the site) under it
    kHeading,     // a section: starts a new page when `newPage` is set
    kSubheading,  // a part of a section
    kParagraph,
    kVerdict,  // the overall verdict in large type, `text` under it
    kTable,
    kChart,
  };
  Kind kind = Kind::kParagraph;
  std::string text;
  std::string subtitle;
  std::string verdict;  // kVerdict: "PASS", "FAIL", ...
  Tone tone = Tone::kNormal;
  bool newPage = false;
  bool small = false;  // kParagraph: a note in smaller type
  std::string anchor;  // kHeading: the HTML page's anchor
  ReportTable table;
  ChartPlan chart;
};

struct ReportDocument {
  std::string title;
  std::string site;
  std::string period;  // "2009-03-07 14:05 to 2009-03-15 22:05": in every page's header
  std::string footer;  // the program and its version
  std::vector<ReportBlock> blocks;

  // "Title — Site", or the title alone: what every page's header names.
  std::string HeaderTitle() const { return site.empty() ? title : title + " \u2014 " + site; }
};

}  // namespace meterlog2::report
