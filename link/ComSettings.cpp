#include "ComSettings.h"

#include <algorithm>
#include <limits>

#include "text/Text.h"

namespace {

bool IsComName(const std::string& name) {
  return name.size() > 3 && (name[0] == 'C' || name[0] == 'c') &&
         (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm') &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number after "COM" as atoi reads it, held within int.
int ComNumber(const std::string& name) {
  if (name.size() <= 3) return 0;
  return static_cast<int>(std::min<long long>(LeadingInteger(std::string_view(name).substr(3)),
                                              std::numeric_limits<int>::max()));
}

}  // namespace

bool ComSettings::EnumerateComPorts(const std::vector<std::string>& found) {
  ports.clear();
  const std::string& chosen = line.port;
  // COM ports are walked in ascending number order, and the preselection takes the last port
  // listed at or below the number used last time.
  std::vector<std::string> com, other;
  for (const std::string& name : found) (IsComName(name) ? com : other).push_back(name);
  std::stable_sort(com.begin(), com.end(), [](const std::string& a, const std::string& b) {
    return ComNumber(a) < ComNumber(b);
  });
  bool matched = false;
  int lastLower = -1;
  for (const std::string& name : com) {
    ports.push_back(name);
    if (portNumber >= 1 && ComNumber(name) <= portNumber) {
      lastLower = static_cast<int>(ports.size()) - 1;
      matched = true;
    }
  }
  if (portNumber >= 1 && IsComName(chosen) && !matched) {
    lastLower = -1;
    matched = true;
  }
  for (const std::string& name : other) {
    ports.push_back(name);
    if (!chosen.empty() && name == chosen) {
      lastLower = static_cast<int>(ports.size()) - 1;
      matched = true;
    }
  }
  if (matched) {
    portIndex = lastLower;
  } else if (!chosen.empty()) {
    portIndex = -1;  // the path used last time has gone
  }
  return !ports.empty();
}

int ComSettings::PortNumberAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= ports.size()) return -1;
  const std::string& name = ports[static_cast<size_t>(index)];
  return ComNumber(name);
}

void ComSettings::StoreChoice(int index, const LineSettings& chosen) {
  portIndex = index;
  portNumber = PortNumberAt(index);
  line = chosen;
  line.port = (index >= 0 && static_cast<size_t>(index) < ports.size())
                  ? ports[static_cast<size_t>(index)]
                  : std::string();
}
