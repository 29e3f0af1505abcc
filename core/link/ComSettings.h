#pragma once
// The COM settings the user chose during this run: the five lists of choices, the current index
// of each, and the port preselection rule. Nothing here is stored on disk.

#include <string>
#include <vector>

enum class LineParity { None = 0, Even = 1, Odd = 2 };

// What the port is configured with: always derived from the list indexes.
struct LineSettings {
  int baudRate = 9600;
  int dataBits = 8;
  LineParity parity = LineParity::None;
  int stopBits = 1;
};

class ComSettings {
 public:
  // The dialog's defaults, used where no choice has been made yet.
  static constexpr int kDefaultPortIndex = 0;
  static constexpr int kDefaultBaudIndex = 3;      // "9600"
  static constexpr int kDefaultDataBitsIndex = 1;  // "8"
  static constexpr int kDefaultParityIndex = 0;    // "None"
  static constexpr int kDefaultStopBitsIndex = 0;  // "1"

  // Builds the four fixed lists. Called once at start-up.
  void FillComOptions();

  // Rebuilds the port list from the ports found, in the order found, and preselects the port used
  // last time. For "COMn" names the nearest lower-numbered port stands in for one that has gone;
  // other names (device paths) are matched exactly. True when at least one port is listed.
  bool EnumerateComPorts(const std::vector<std::string>& found);

  // The number in the port name at `index` (the text after its first three characters, read as
  // a decimal number, so "COM12" gives 12); -1 outside the list.
  int PortNumberAt(int index) const;

  // Stores the choices made in the port dialog ("Connect").
  void StoreChoice(int portIndex, int baudIndex, int dataBitsIndex, int parityIndex,
                   int stopBitsIndex);

  // The chosen port's name and line settings (defaults where nothing is chosen).
  std::string PortName() const;
  LineSettings Line() const;

  // Index of `text` in `list`, compared without regard to case; -1 when absent.
  static int FindChoice(const std::vector<std::string>& list, const std::string& text);

  std::vector<std::string> ports, baudRates, dataBits, parities, stopBits;
  int portIndex = -1, baudIndex = -1, dataBitsIndex = -1, parityIndex = 0, stopBitsIndex = 0;
  int portNumber = -1;
  std::string portName;  // the chosen name itself, for ports that are paths rather than COMn
  int baudRate = 0, dataBitCount = 0;
};
