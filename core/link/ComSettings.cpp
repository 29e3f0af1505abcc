#include "ComSettings.h"

#include <algorithm>
#include <cctype>

namespace {

// Leading decimal digits, 0 when there are none (as the C library's atoi reads them).
int LeadingNumber(const std::string& text, size_t from) {
  size_t i = from;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000) break;
  }
  return static_cast<int>(negative ? -value : value);
}

bool IsComName(const std::string& name) {
  return name.size() > 3 && (name[0] == 'C' || name[0] == 'c') &&
         (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm') &&
         std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
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
    return LeadingNumber(a, 3) < LeadingNumber(b, 3);
  });
  bool matched = false;
  int lastLower = -1;
  for (const std::string& name : com) {
    ports.push_back(name);
    if (portNumber >= 1 && LeadingNumber(name, 3) <= portNumber) {
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
  return name.size() > 3 ? LeadingNumber(name, 3) : 0;
}

void ComSettings::StoreChoice(int index, const LineSettings& chosen) {
  portIndex = index;
  portNumber = PortNumberAt(index);
  line = chosen;
  line.port = (index >= 0 && static_cast<size_t>(index) < ports.size())
                  ? ports[static_cast<size_t>(index)]
                  : std::string();
}
