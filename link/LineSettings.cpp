#include "LineSettings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <iterator>
#include <span>

#include "text/Text.h"

namespace {

constexpr char kParityLetters[] = {'n', 'e', 'o'};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

std::string Listed(std::span<const int> values) {
  std::string text;
  for (int v : values) text += (text.empty() ? "" : ", ") + IntText(v);
  return text;
}

// A whole decimal number that is one of `allowed`.
bool ParseChoice(std::string_view text, std::span<const int> allowed, const char* what, int& value,
                 std::string& error) {
  int number = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (ec == std::errc() && end == text.data() + text.size()) {
    for (int a : allowed) {
      if (a == number) {
        value = number;
        return true;
      }
    }
  }
  error = std::string("the ") + what + " must be one of " + Listed(allowed);
  return false;
}

}  // namespace

const char* ParityName(LineParity parity) {
  switch (parity) {
    case LineParity::Even:
      return "Even";
    case LineParity::Odd:
      return "Odd";
    case LineParity::None:
      break;
  }
  return "None";
}

bool ParseBaudRate(std::string_view text, int& value, std::string& error) {
  return ParseChoice(text, kLineBaudRates, "baud rate", value, error);
}

bool ParseDataBits(std::string_view text, int& value, std::string& error) {
  return ParseChoice(text, kLineDataBits, "number of data bits", value, error);
}

bool ParseStopBits(std::string_view text, int& value, std::string& error) {
  return ParseChoice(text, kLineStopBits, "number of stop bits", value, error);
}

bool ParseParity(std::string_view text, LineParity& value, std::string& error) {
  for (LineParity p : kLineParities) {
    const char letter[2] = {kParityLetters[static_cast<int>(p)], '\0'};
    if (SameText(text, ParityName(p)) || SameText(text, letter)) {
      value = p;
      return true;
    }
  }
  error = "the parity must be one of None, Even, Odd";
  return false;
}

std::string LineSettings::LineText() const {
  return IntText(baudRate) + "/" + IntText(dataBits) + kParityLetters[static_cast<int>(parity)] +
         IntText(stopBits);
}

bool LineSettings::ParseLine(std::string_view text, std::string& error) {
  const size_t slash = text.find('/');
  const std::string_view frame = slash == std::string_view::npos ? "" : text.substr(slash + 1);
  if (frame.size() != 3) {
    error = "a line is written like 9600/8n1 (baud rate/data bits, parity n, e or o, stop bits)";
    return false;
  }
  LineSettings line = *this;
  if (!ParseBaudRate(text.substr(0, slash), line.baudRate, error) ||
      !ParseDataBits(frame.substr(0, 1), line.dataBits, error) ||
      !ParseStopBits(frame.substr(2, 1), line.stopBits, error)) {
    return false;
  }
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(frame[1])));
  const char* found = std::find(std::begin(kParityLetters), std::end(kParityLetters), letter);
  if (found == std::end(kParityLetters)) {
    error = "the parity in a line is n, e or o (9600/8n1, 9600/7e1, 9600/7o1)";
    return false;
  }
  line.parity = static_cast<LineParity>(found - std::begin(kParityLetters));
  *this = line;
  return true;
}
