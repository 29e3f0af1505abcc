#pragma once
// Logs for the assessment tests: the sample generator's records, with chosen values written at
// the offsets of the record layouts, so that every expected statistic can be worked out by hand.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "LogBytes.h"
#include "assess/Assessment.h"
#include "log/RecordLayout.h"
#include "samples/SampleLog.h"
#include "text/TimeText.h"

class SurveyLogBuilder {
 public:
  // `records` records `interval` seconds apart from `start` (an ISO time).
  SurveyLogBuilder(int logType, unsigned records, const std::string& start = "2009-03-07T14:00:00",
                   unsigned interval = 60, uint32_t dataFormat = 1, double hz = 50) {
    m_options.logType = logType;
    m_options.records = records;
    m_options.dataFormat = dataFormat;
    m_options.mainsHz = hz;
    m_options.intervalSeconds = interval;
    const ClockTime t = *ParseTimeText(start, TimeStyle::kIso);
    m_options.year = t.year, m_options.month = t.month, m_options.day = t.day;
    m_options.hour = t.hour, m_options.minute = t.minute, m_options.second = t.second;
    for (unsigned i = 0; i < records; ++i)
      m_records.emplace_back(MakeSampleRecord(m_options, i), dataFormat == 256);
  }
  SampleLogOptions& Options() { return m_options; }
  unsigned Count() const { return static_cast<unsigned>(m_records.size()); }

  SurveyLogBuilder& Float(unsigned row, size_t offset, float value) {
    Record(row).Float(offset, value);
    return *this;
  }
  SurveyLogBuilder& Byte(unsigned row, size_t offset, uint8_t value) {
    Record(row).Byte(offset, value);
    return *this;
  }
  // The same float in every record.
  SurveyLogBuilder& FloatAll(size_t offset, float value) {
    for (unsigned row = 0; row < Count(); ++row) Float(row, offset, value);
    return *this;
  }
  SurveyLogBuilder& Time(unsigned row, const std::string& iso) {
    const ClockTime t = *ParseTimeText(iso, TimeStyle::kIso);
    Record(row).Time(t.year, t.month, t.day, t.hour, t.minute, t.second);
    return *this;
  }
  SurveyLogBuilder& InvalidTime(unsigned row) { return Byte(row, layout::month, 13); }

  std::vector<uint8_t> Bytes() const {
    std::vector<std::vector<uint8_t>> records;
    for (const RecordBytes& r : m_records) records.push_back(r.bytes);
    return MakeLogFile(m_options.dataFormat, 0, Count(),
                       static_cast<uint16_t>(m_records.front().bytes.size()), records);
  }
  std::unique_ptr<CMeterlog2Doc> Load() const {
    auto doc = std::make_unique<CMeterlog2Doc>();
    const std::vector<uint8_t> bytes = Bytes();
    EXPECT_EQ(doc->LoadFromMemory(bytes.data(), bytes.size(), "survey.57x").status,
              LoadResult::Status::kLoaded);
    return doc;
  }

  // ---- Single-phase fields (channel c = 0, 1) ----
  static size_t ChannelRms(int c) { return layout::sp::fRms + 20 * c; }
  static size_t ChannelMagnitude(int c) { return layout::sp::fMagnitude + 20 * c; }
  static size_t ChannelResidual(int c) { return layout::sp::fResidual + 20 * c; }
  static size_t ChannelReference(int c) { return layout::sp::dspReturnChMag + 4 * c; }
  static size_t ChannelHarmonic(int c, int h) {
    return layout::sp::harmonicData + 16 * (h - 2) + 8 * c;
  }
  // ---- Three-phase fields (phase p = 0, 1, 2; c = 0 volts, 1 current) ----
  static size_t PhaseRms(int p, int c) { return layout::tp::updateSettings + 80 * p + 44 + 20 * c; }
  static size_t PhaseMagnitude(int p, int c) {
    return layout::tp::updateSettings + 80 * p + 48 + 20 * c;
  }
  static size_t PhaseReference(int p, int c) {
    return layout::tp::threePhaseHarmonicSequence + 826 * p + 2 + 20 * c + 8;
  }
  static size_t PhaseHarmonic(int p, int c, int h) {
    return layout::tp::threePhaseHarmonicSequence + 826 * p + 42 + 16 * (h - 2) + 8 * c;
  }

  // Harmonics of a three-phase channel as given, in the fundamental's unit: the reference is set
  // to the fundamental `fundamental`, so the log's scale factor is exactly 1; every other
  // harmonic is 0.
  SurveyLogBuilder& PhaseHarmonics(int p, int c, float fundamental,
                                   const std::vector<std::pair<int, float>>& harmonics) {
    FloatAll(PhaseMagnitude(p, c), fundamental);
    FloatAll(PhaseReference(p, c), fundamental);
    for (int h = 2; h <= 50; ++h) FloatAll(PhaseHarmonic(p, c, h), 0);
    for (const auto& [h, value] : harmonics) FloatAll(PhaseHarmonic(p, c, h), value);
    return *this;
  }

 private:
  RecordBytes& Record(unsigned row) { return m_records.at(row); }
  SampleLogOptions m_options;
  std::vector<RecordBytes> m_records;
};

// Assesses loaded documents named survey1.57x, survey2.57x, ...; fails the test on an error.
inline assess::AssessmentResult AssessDocs(const std::vector<const CMeterlog2Doc*>& docs,
                                           const assess::AssessOptions& options = {}) {
  std::vector<assess::SurveyLog> logs;
  for (size_t i = 0; i < docs.size(); ++i)
    logs.push_back({"survey" + std::to_string(i + 1) + ".57x", docs[i]});
  assess::AssessmentResult result;
  std::string error;
  EXPECT_TRUE(assess::Assess(logs, options, result, error)) << error;
  return result;
}

// The criterion `id` of a result; throws (failing the test) when there is none.
inline const assess::Criterion& Row(const assess::AssessmentResult& r, const std::string& id) {
  const assess::Criterion* c = r.FindCriterion(id);
  if (c == nullptr) throw std::runtime_error("no criterion " + id);
  return *c;
}

// Options with Un declared, and the connection.
inline assess::AssessOptions At(double un,
                                assess::Connection connection = assess::Connection::kWye) {
  assess::AssessOptions options;
  options.nominalVoltage = un;
  options.connection = connection;
  return options;
}
