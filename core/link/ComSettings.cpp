#include "ComSettings.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400};
constexpr int kDataBits[] = {7, 8};
constexpr const char* kParityNames[] = {"None", "Even", "Odd"};
constexpr const char* kStopBitNames[] = {"1", "2"};

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

int Pick(int index, int fallback, size_t size) {
  if (index < 0 || static_cast<size_t>(index) >= size) return fallback;
  return index;
}

}  // namespace

void ComSettings::FillComOptions() {
  baudRates.clear();
  dataBits.clear();
  parities.clear();
  stopBits.clear();
  for (int b : kBaudRates) baudRates.push_back(std::to_string(b));
  for (int d : kDataBits) dataBits.push_back(std::to_string(d));
  for (const char* p : kParityNames) parities.emplace_back(p);
  for (const char* s : kStopBitNames) stopBits.emplace_back(s);
}

bool ComSettings::EnumerateComPorts(const std::vector<std::string>& found) {
  ports.clear();
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
  if (portNumber >= 1 && IsComName(portName) && !matched) {
    lastLower = -1;
    matched = true;
  }
  for (const std::string& name : other) {
    ports.push_back(name);
    if (!portName.empty() && name == portName) {
      lastLower = static_cast<int>(ports.size()) - 1;
      matched = true;
    }
  }
  if (matched) {
    portIndex = lastLower;
  } else if (!portName.empty()) {
    portIndex = -1;  // the path used last time has gone
  }
  return !ports.empty();
}

int ComSettings::PortNumberAt(int index) const {
  if (index < 0 || static_cast<size_t>(index) >= ports.size()) return -1;
  const std::string& name = ports[static_cast<size_t>(index)];
  return name.size() > 3 ? LeadingNumber(name, 3) : 0;
}

void ComSettings::StoreChoice(int port, int baud, int data, int parity, int stop) {
  portIndex = port;
  baudIndex = baud;
  dataBitsIndex = data;
  parityIndex = parity;
  stopBitsIndex = stop;
  portNumber = PortNumberAt(port);
  portName = (port >= 0 && static_cast<size_t>(port) < ports.size())
                 ? ports[static_cast<size_t>(port)]
                 : std::string();
  baudRate = (baud >= 0 && static_cast<size_t>(baud) < baudRates.size())
                 ? LeadingNumber(baudRates[static_cast<size_t>(baud)], 0)
                 : 0;
  dataBitCount = (data >= 0 && static_cast<size_t>(data) < dataBits.size())
                     ? LeadingNumber(dataBits[static_cast<size_t>(data)], 0)
                     : 0;
}

std::string ComSettings::PortName() const {
  return portName;
}

LineSettings ComSettings::Line() const {
  LineSettings line;
  line.baudRate = kBaudRates[Pick(baudIndex, kDefaultBaudIndex, std::size(kBaudRates))];
  line.dataBits = kDataBits[Pick(dataBitsIndex, kDefaultDataBitsIndex, std::size(kDataBits))];
  line.parity =
      static_cast<LineParity>(Pick(parityIndex, kDefaultParityIndex, std::size(kParityNames)));
  line.stopBits = Pick(stopBitsIndex, kDefaultStopBitsIndex, std::size(kStopBitNames)) + 1;
  return line;
}

int ComSettings::FindChoice(const std::vector<std::string>& list, const std::string& text) {
  for (size_t i = 0; i < list.size(); ++i) {
    const std::string& item = list[i];
    if (item.size() == text.size() &&
        std::equal(item.begin(), item.end(), text.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      return static_cast<int>(i);
    }
  }
  return -1;
}
