// The JSON, CSV and text forms of a result: field names, numbers as the C locale writes them
// whatever the process locale, null where there is no number, escaped text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "CommaLocale.h"
#include "SurveyLogs.h"
#include "assess/AssessmentWriters.h"
#include "file/PathText.h"
#include "log/LogTypes.h"

using namespace assess;

namespace {

// A result written by hand, so that every byte of the output can be foreseen.
AssessmentResult HandResult() {
  AssessmentResult r;
  SurveyFile file;
#ifdef _WIN32
  // Windows names are UTF-16: "ü" alone, as no byte there can fail to be UTF-8.
  file.path = PathFromText("M\xC3\xBCller/\"odd\".57x");
#else
  file.path = "M\xC3\xBCller/\xFF\"odd\".57x";  // "ü" in UTF-8, then a byte that is no UTF-8
#endif
  file.logType = kStandardLog;
  file.records = 3;
  file.first = 1236434709;  // 2009-03-07T14:05:09
  file.last = 1236434829;
  r.survey.files = {file};
  r.survey.logTypeName = "Standard Log";
  r.survey.records = 3;
  r.survey.recordsUsed = 3;
  r.survey.first = file.first;
  r.survey.last = file.last;
  r.survey.durationS = 180;
  r.survey.intervalS = 60;
  r.survey.windows = 1;
  r.survey.nominalVoltage = 230;
  r.survey.windowsSpanned = 1;
  r.survey.coverage = 1;
  r.survey.periods = {{1236434400, 1237039200, 1, 1008}};
  r.survey.gaps = {{1236434709, 1236434829}};
  r.verdict = Verdict::kFail;
  r.indicative = true;
  r.indicativeNote = "indicative: short";
  Criterion pass;
  pass.standard = "en50160";
  pass.id = "en50160.frequency";
  pass.quantity = "power frequency (Hz)";
  pass.limit = "99.5 % within 49.5 to 50.5 Hz";
  pass.statistic = "percent";
  pass.value = 99.75;
  pass.unit = Unit::kPercent;
  pass.count = 3;
  pass.min = 49.5;
  pass.max = 50.25;
  pass.p95 = 50.25;
  pass.verdict = Verdict::kPass;
  pass.note = "from Frequency, \"as recorded\"\ttab; indicative: short";
  pass.periods = {{1236434400, 1237039200, 3, 99.75, Verdict::kPass, -0.2}};
  Criterion fail = pass;
  fail.id = "en50160.voltage.ch1";
  fail.value = 1e-7;
  fail.min = std::numeric_limits<double>::quiet_NaN();
  fail.p95.reset();
  fail.verdict = Verdict::kFail;
  fail.note = "line\nbreak";
  fail.missingInput = "isc";
  fail.periods.clear();
  Criterion none;
  none.standard = "en50160";
  none.id = "en50160.flicker";
  none.verdict = Verdict::kNotAssessed;
  none.note = "not recorded";
  r.criteria = {pass, none, fail};
  return r;
}

}  // namespace

TEST(AssessWriters, JsonFieldsNumbersNullsAndEscapes) {
  std::string json;
  {
    const CommaLocale comma;  // the result must not follow it
    json = AssessmentJson(HandResult());
    if (!comma.Armed()) std::cout << "(" << comma.Why() << ": checked in the C locale only)\n";
  }
  const char* expected[] = {
#ifdef _WIN32
      "\"path\": \"M\xC3\xBCller/\\\"odd\\\".57x\"",
#else
      "\"path\": \"M\xC3\xBCller/\\ufffd\\\"odd\\\".57x\"",
#endif
      "\"log_type\": \"Standard Log\", \"records\": 3, \"first\": \"2009-03-07T14:05:09\", "
      "\"last\": \"2009-03-07T14:07:09\"}",
      "\"records_used\": 3,\n",
      "\"invalid_time\": 0,\n",
      "\"overlaps\": 0,\n",
      "\"duration_s\": 180,\n",
      "\"interval_s\": 60,\n",
      "\"windows\": 1,\n",
      "\"nominal_voltage\": 230,\n",
      "\"nominal_voltage_inferred\": false,\n",
      "\"nominal_frequency\": null,\n",
      "\"nominal_frequency_inferred\": false,\n",
      "\"nominal_voltage_declared\": true,\n",
      "\"connection\": \"wye\",\n",
      "\"system_voltage\": null,\n",
      "\"voltage_class\": null,\n",
      "\"coverage\": 1,\n",
      "\"periods\": [\n      {\"start\": \"2009-03-07T14:00:00\", \"end\": "
      "\"2009-03-14T14:00:00\", "
      "\"windows\": 1, \"expected_windows\": 1008}\n    ],\n",
      "\"gaps\": [\n      {\"start\": \"2009-03-07T14:05:09\", \"end\": \"2009-03-07T14:07:09\", "
      "\"duration_s\": 120}\n    ],\n",
      "\"interruptions\": [],\n",
      "\"windows_left_out\": 0\n",
      "\"verdict\": \"fail\",\n",
      "\"indicative\": true,\n",
      "\"indicative_note\": \"indicative: short\",\n",
      "\"judged\": 2,\n",
      "\"failed\": 1,\n",
      "\"missing_inputs\": [\"the short-circuit current Isc\"],\n",
      "{\"standard\": \"en50160\", \"id\": \"en50160.frequency\", \"quantity\": \"power frequency "
      "(Hz)\", \"phase\": \"\", \"limit\": \"99.5 % within 49.5 to 50.5 Hz\", \"statistic\": "
      "\"percent\", \"value\": 99.75, \"unit\": \"%\", \"count\": 3, \"min\": 49.5, \"max\": "
      "50.25, \"p95\": 50.25, \"verdict\": \"pass\", \"note\": \"from Frequency, \\\"as "
      "recorded\\\"\\ttab; indicative: short\", \"indicative\": false, \"missing_input\": null, "
      "\"periods\": [{\"start\": \"2009-03-07T14:00:00\", \"end\": \"2009-03-14T14:00:00\", "
      "\"count\": 3, \"value\": 99.75, \"verdict\": \"pass\"}]}",
      "\"value\": 1e-07, \"unit\": \"%\", \"count\": 3, \"min\": null, \"max\": 50.25, \"p95\": "
      "null, \"verdict\": \"fail\", \"note\": \"line\\nbreak\", \"indicative\": false, "
      "\"missing_input\": \"isc\", \"periods\": []}",
      "\"value\": null,",
      "\"verdict\": \"not assessed\"",
  };
  for (const char* part : expected) EXPECT_NE(json.find(part), std::string::npos) << part;
  EXPECT_EQ(json.find("99,75"), std::string::npos);
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.substr(json.size() - 8), "}\n  ]\n}\n");
}

TEST(AssessWriters, CsvOneLinePerCriterionQuotedWhereNeeded) {
  const std::string csv = AssessmentCsv(HandResult());
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")),
            "standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,note,"
            "indicative,missing_input,periods");
  EXPECT_NE(csv.find("\r\nen50160,en50160.frequency,power frequency (Hz),,99.5 % within 49.5 to "
                     "50.5 Hz,percent,99.75,%,3,49.5,50.25,50.25,pass,\"from Frequency, "
                     "\"\"as recorded\"\"\ttab; indicative: short\",false,,"
                     "2009-03-07T14:00:00/2009-03-14T14:00:00 3 99.75 pass\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",1e-07,%,3,,50.25,,fail,\"line\nbreak\",false,isc,\r\n"), std::string::npos)
      << csv;
  EXPECT_NE(
      csv.find("\r\nen50160,en50160.flicker,,,,,,,0,,,,not assessed,not recorded,false,,\r\n"),
      std::string::npos);
  size_t lines = 0;
  for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 4u);
  // The clipboard's form: TAB between the fields, the rows chosen in their order; a comma needs
  // no quotes there, a TAB does.
  const std::vector<size_t> rows = {2, 0};
  const std::string tsv = AssessmentCsv(HandResult(), '\t', &rows);
  EXPECT_EQ(tsv.substr(0, 17), "standard\tid\tquant");
  const size_t voltage = tsv.find("\ten50160.voltage.ch1\t");
  const size_t frequency = tsv.find("\ten50160.frequency\t");
  EXPECT_LT(voltage, frequency);
  EXPECT_EQ(tsv.find("flicker"), std::string::npos);
  EXPECT_NE(tsv.find("\t99.5 % within 49.5 to 50.5 Hz\t"), std::string::npos);
  EXPECT_NE(
      tsv.find("\t\"from Frequency, \"\"as recorded\"\"\ttab; indicative: short\"\tfalse\t\t"),
      std::string::npos)
      << tsv;
}

TEST(AssessWriters, TextTableFailuresFirstNotesOnce) {
  const std::string text = AssessmentTable(HandResult());
  const size_t header = text.find("VERDICT");
  ASSERT_NE(header, std::string::npos);
  const size_t fail = text.find("\nfail ", header);
  const size_t pass = text.find("\npass ", header);
  const size_t none = text.find("\nnot assessed ", header);
  EXPECT_LT(fail, pass);
  EXPECT_LT(pass, none);
  EXPECT_NE(text.find("Verdict: FAIL (fails 1 of the 2 criteria judged)\n  indicative: short\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Un = 230 V (declared), wye; Fn = unknown"), std::string::npos) << text;
  EXPECT_NE(text.find("Coverage: 1 of 1 10-minute windows hold records (100 %)\n    week 1, "
                      "2009-03-07 14:00 to 2009-03-14 14:00: 1 of 1008 windows (0.1 %)\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Gaps (records further apart than 2 intervals): 1\n    2009-03-07 14:05:09 "
                      "to 2009-03-07 14:07:09 (2 min)\n"),
            std::string::npos)
      << text;
  // A judged value at the comparison's resolution; the failed criterion's periods.
  EXPECT_NE(text.find("pass          en50160.frequency    99.75 %"), std::string::npos) << text;
  // The indicative remark stands once at the top, not again in each note.
  EXPECT_NE(text.find("  en50160.frequency: from Frequency, \"as recorded\"\ttab\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(FailuresFirst(HandResult()), (std::vector<size_t>{2, 0, 1}));
}

TEST(AssessWriters, ARealSurveyWritesEveryCriterion) {
  const auto doc = SurveyLogBuilder(kThreePhaseTabularLog, 50).Load();
  const AssessmentResult r = AssessDocs({doc.get()});
  const std::string json = AssessmentJson(r);
  size_t rows = 0;
  for (size_t at = 0; (at = json.find("{\"standard\": ", at)) != std::string::npos; ++at) ++rows;
  EXPECT_EQ(rows, r.criteria.size());
  for (const char* bad : {": nan", ": inf", ": -inf", ",\n  }"})
    EXPECT_EQ(json.find(bad), std::string::npos) << bad;
}

// The summary of many logs: a failing log with its worst criterion, a passing one, one that could
// not be read; every field in each form.
TEST(AssessWriters, SummaryOfManyLogs) {
  std::vector<SurveyLine> lines(3);
  lines[0] = SurveyLineOf("site \"a\".57x", HandResult());
  lines[1].path = "b.57x";
  lines[1].logType = "Standard Log";
  lines[1].first = 1236434709;
  lines[1].last = 1237039509;  // a week later
  lines[1].durationS = 604800;
  lines[1].verdict = Verdict::kPass;
  lines[2].path = "cut.57x";
  lines[2].error = "Error in File Size (600, 3592876)";
  EXPECT_EQ(lines[0].failed, 1u);
  EXPECT_EQ(lines[0].worst, "en50160.voltage.ch1");
  EXPECT_EQ(lines[0].worstValue, 1e-7);

  EXPECT_EQ(SurveySummaryCsv(lines),
            "file,log_type,first,last,duration_s,verdict,indicative,failed,worst,worst_value,"
            "worst_unit,error\r\n"
            "\"site \"\"a\"\".57x\",Standard Log,2009-03-07T14:05:09,2009-03-07T14:07:09,180,fail,"
            "true,1,en50160.voltage.ch1,1e-07,%,\r\n"
            "b.57x,Standard Log,2009-03-07T14:05:09,2009-03-14T14:05:09,604800,pass,false,0,,,,\r\n"
            "cut.57x,,,,,error,false,0,,,,\"Error in File Size (600, 3592876)\"\r\n");
  EXPECT_EQ(SurveySummaryJson(lines),
            "[\n  {\"file\": \"site \\\"a\\\".57x\", \"log_type\": \"Standard Log\", \"first\": "
            "\"2009-03-07T14:05:09\", \"last\": \"2009-03-07T14:07:09\", \"duration_s\": 180, "
            "\"verdict\": \"fail\", \"indicative\": true, \"failed\": 1, \"worst\": "
            "\"en50160.voltage.ch1\", \"worst_value\": 1e-07, \"worst_unit\": \"%\", \"error\": "
            "null},\n"
            "  {\"file\": \"b.57x\", \"log_type\": \"Standard Log\", \"first\": "
            "\"2009-03-07T14:05:09\", \"last\": \"2009-03-14T14:05:09\", \"duration_s\": 604800, "
            "\"verdict\": \"pass\", \"indicative\": false, \"failed\": 0, \"worst\": null, "
            "\"worst_value\": null, \"worst_unit\": null, \"error\": null},\n"
            "  {\"file\": \"cut.57x\", \"log_type\": null, \"first\": null, \"last\": null, "
            "\"duration_s\": null, \"verdict\": \"error\", \"indicative\": false, \"failed\": 0, "
            "\"worst\": null, \"worst_value\": null, \"worst_unit\": null, \"error\": \"Error in "
            "File Size (600, 3592876)\"}\n]\n");
  EXPECT_EQ(SurveySummaryJson({}), "[]\n");

  const std::string text = SurveySummaryTable(lines);
  EXPECT_NE(text.find("fail (indicative)  1       en50160.voltage.ch1  0 %\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\nb.57x  "), std::string::npos) << text;
  EXPECT_NE(text.find("  7      pass  "), std::string::npos) << text;
  EXPECT_NE(text.find("error              Error in File Size (600, 3592876)\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("\n3 logs: 1 pass, 1 fail, 1 could not be assessed\n"), std::string::npos)
      << text;
}
