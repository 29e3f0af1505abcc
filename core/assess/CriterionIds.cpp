#include "CriterionIds.h"

#include <array>

namespace assess {

namespace {

struct RuleName {
  Standard standard;
  const char* quantity;  // the id's part after the standard
};

// In the order of Rule.
constexpr std::array<RuleName, 22> kRules = {{
    {Standard::kEn50160, "frequency"},
    {Standard::kEn50160, "voltage"},
    {Standard::kEn50160, "thd"},
    {Standard::kEn50160, "harmonic"},
    {Standard::kEn50160, "unbalance"},
    {Standard::kEn50160, "interruptions"},
    {Standard::kEn50160, "dips"},
    {Standard::kEn50160, "swells"},
    {Standard::kEn50160, "rapid_voltage_changes"},
    {Standard::kEn50160, "flicker"},
    {Standard::kEn50160, "mains_signalling"},
    {Standard::kIeee519, "current"},
    {Standard::kIeee519, "voltage.thd"},
    {Standard::kIeee519, "voltage.harmonic"},
    {Standard::kIeee519, "current.tdd"},
    {Standard::kIeee519, "current.harmonic"},
    {Standard::kAnsiC84_1, "voltage"},
    {Standard::kNema, "unbalance.lvur"},
    {Standard::kInfo, "unbalance.pvur"},
    {Standard::kInfo, "power_factor"},
    {Standard::kInfo, "energy"},
    {Standard::kInfo, "demand"},
}};
static_assert(kRules.size() == static_cast<size_t>(Rule::kInfoDemand) + 1);

const RuleName& NameOf(Rule rule) {
  return kRules[static_cast<size_t>(rule)];
}

std::string StandardAndQuantity(Rule rule) {
  const RuleName& name = NameOf(rule);
  return std::string(StandardKey(name.standard)) + "." + name.quantity;
}

void AppendPart(std::string& id, std::string_view part) {
  if (part.empty()) return;
  id += '.';
  id += part;
}

}  // namespace

const char* StandardKey(Standard standard) {
  switch (standard) {
    case Standard::kEn50160:
      return "en50160";
    case Standard::kIeee519:
      return "ieee519";
    case Standard::kAnsiC84_1:
      return "ansi_c84_1";
    case Standard::kNema:
      return "nema";
    case Standard::kInfo:
      break;
  }
  return "info";
}

Standard StandardOf(Rule rule) {
  return NameOf(rule).standard;
}

const char* StatisticKey(IdStatistic statistic) {
  switch (statistic) {
    case IdStatistic::kWeekly99:
      return "weekly99";
    case IdStatistic::kDaily99:
      return "daily99";
    case IdStatistic::kWeekly95:
      break;
  }
  return "";
}

std::string IdText(const CriterionId& id) {
  std::string text = StandardAndQuantity(id.rule);
  if (id.harmonic > 0) AppendPart(text, std::to_string(id.harmonic));
  AppendPart(text, id.phase);
  AppendPart(text, StatisticKey(id.statistic));
  return text;
}

std::string GroupText(Rule rule, IdStatistic statistic) {
  std::string text = StandardAndQuantity(rule);
  AppendPart(text, StatisticKey(statistic));
  return text;
}

}  // namespace assess
