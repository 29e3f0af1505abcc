#pragma once
// The serial line an instrument command uses: the port's name and the line's settings, with one
// text form, "9600/8n1" (baud rate / data bits, parity n, e or o, stop bits), written and read
// only here. The values are those the instrument's line offers; the port dialog and the
// command line choose among them.

#include <string>
#include <string_view>

enum class LineParity { None = 0, Even = 1, Odd = 2 };

// The choices the instrument's line offers, in the order the port dialog lists them.
inline constexpr int kLineBaudRates[] = {1200, 2400, 4800, 9600, 19200, 38400};
inline constexpr int kLineDataBits[] = {7, 8};
inline constexpr LineParity kLineParities[] = {LineParity::None, LineParity::Even, LineParity::Odd};
inline constexpr int kLineStopBits[] = {1, 2};

struct LineSettings {
  std::string port;  // "COM3", "/dev/ttyUSB0", ...; empty until one is chosen
  int baudRate = 9600;
  int dataBits = 8;
  LineParity parity = LineParity::None;
  int stopBits = 1;

  // "9600/8n1".
  std::string LineText() const;
  // Takes the line from its text form (case ignored); the port stays. False, with a sentence in
  // `error` and nothing changed, when the text is not a line the instrument offers.
  bool ParseLine(std::string_view text, std::string& error);

  bool operator==(const LineSettings&) const = default;
};

// "None", "Even", "Odd".
const char* ParityName(LineParity parity);
// Each of these takes one value as the port dialog and the command line name it ("9600", "8",
// "even", "2"); false with a sentence in `error` when it is not one the line offers.
bool ParseBaudRate(std::string_view text, int& value, std::string& error);
bool ParseDataBits(std::string_view text, int& value, std::string& error);
bool ParseParity(std::string_view text, LineParity& value, std::string& error);
bool ParseStopBits(std::string_view text, int& value, std::string& error);
