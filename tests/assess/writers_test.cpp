// The JSON, CSV and text forms of a result: field names, numbers as the C locale writes them
// whatever the process locale, null where there is no number, escaped text.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

#include "SurveyLogs.h"
#include "assess/AssessmentWriters.h"
#include "log/LogTypes.h"

using namespace assess;

namespace {

// A result written by hand, so that every byte of the output can be foreseen.
AssessmentResult HandResult() {
  AssessmentResult r;
  SurveyFile file;
  file.path = "M\xC3\xBCller/\xFF\"odd\".57x";  // "ü" in UTF-8, then a byte that is no UTF-8
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
  r.survey.nominalVoltageInferred = true;
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
  pass.unit = "%";
  pass.count = 3;
  pass.min = 49.5;
  pass.max = 50.25;
  pass.p95 = 50.25;
  pass.verdict = Verdict::kPass;
  pass.note = "from Frequency, \"as recorded\"\ttab; indicative: short";
  Criterion fail = pass;
  fail.id = "en50160.voltage.ch1";
  fail.value = 1e-7;
  fail.min = std::numeric_limits<double>::quiet_NaN();
  fail.p95.reset();
  fail.verdict = Verdict::kFail;
  fail.note = "line\nbreak";
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
  const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
  const std::string json = AssessmentJson(HandResult());
  std::setlocale(LC_ALL, "C");
  if (german == nullptr) std::cout << "(no German locale: checked in the C locale only)\n";
  const char* expected[] = {
      "\"path\": \"M\xC3\xBCller/\\ufffd\\\"odd\\\".57x\"",
      "\"log_type\": \"Standard Log\", \"records\": 3, \"first\": \"2009-03-07T14:05:09\", "
      "\"last\": \"2009-03-07T14:07:09\"}",
      "\"records_used\": 3,\n",
      "\"invalid_time\": 0,\n",
      "\"overlaps\": 0,\n",
      "\"duration_s\": 180,\n",
      "\"interval_s\": 60,\n",
      "\"windows\": 1,\n",
      "\"nominal_voltage\": 230,\n",
      "\"nominal_voltage_inferred\": true,\n",
      "\"nominal_frequency\": null,\n",
      "\"nominal_frequency_inferred\": false\n",
      "\"verdict\": \"fail\",\n",
      "\"indicative\": true,\n",
      "{\"standard\": \"en50160\", \"id\": \"en50160.frequency\", \"quantity\": \"power frequency "
      "(Hz)\", \"phase\": \"\", \"limit\": \"99.5 % within 49.5 to 50.5 Hz\", \"statistic\": "
      "\"percent\", \"value\": 99.75, \"unit\": \"%\", \"count\": 3, \"min\": 49.5, \"max\": "
      "50.25, \"p95\": 50.25, \"verdict\": \"pass\", \"note\": \"from Frequency, \\\"as "
      "recorded\\\"\\ttab; indicative: short\"}",
      "\"value\": 1e-07, \"unit\": \"%\", \"count\": 3, \"min\": null, \"max\": 50.25, \"p95\": "
      "null, \"verdict\": \"fail\", \"note\": \"line\\nbreak\"}",
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
            "standard,id,quantity,phase,limit,statistic,value,unit,count,min,max,p95,verdict,note");
  EXPECT_NE(csv.find("\r\nen50160,en50160.frequency,power frequency (Hz),,99.5 % within 49.5 to "
                     "50.5 Hz,percent,99.75,%,3,49.5,50.25,50.25,pass,\"from Frequency, "
                     "\"\"as recorded\"\"\ttab; indicative: short\"\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",1e-07,%,3,,50.25,,fail,\"line\nbreak\"\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\nen50160,en50160.flicker,,,,,,,0,,,,not assessed,not recorded\r\n"),
            std::string::npos);
  size_t lines = 0;
  for (size_t at = 0; (at = csv.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
  EXPECT_EQ(lines, 4u);
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
  EXPECT_NE(text.find("Verdict: FAIL (1 criterion failed)\n  indicative: short\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Un = 230 V (inferred), Fn = unknown"), std::string::npos);
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
