#pragma once
// What the engineer says about a report besides the assessment: its title, the site and the
// paper size. Text is UTF-8.

#include <string>

namespace meterlog2::report {

struct ReportOptions {
  std::string title;  // empty: kDefaultReportTitle
  std::string site;   // empty: none
  enum class Page { kA4, kLetter };
  Page page = Page::kA4;
};

inline const char* const kDefaultReportTitle = "Power quality assessment";

}  // namespace meterlog2::report
