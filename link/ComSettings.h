#pragma once
// The COM settings of this run: the ports found by the last enumeration, which of them to
// preselect, and the line chosen last (LineSettings). Nothing here is stored on disk; the port
// dialog's lists and defaults are the dialog's own.

#include <string>
#include <vector>

#include "LineSettings.h"

class ComSettings {
 public:
  // Rebuilds the port list from the ports found and preselects the port used last time. "COMn"
  // names are listed in number order and the nearest lower-numbered port stands in for one that
  // has gone; other names (device paths) follow and are matched exactly. True when at least one
  // port is listed.
  bool EnumerateComPorts(const std::vector<std::string>& found);

  // The number in the port name at `index` (the text after its first three characters, read as
  // a decimal number, so "COM12" gives 12); -1 outside the list.
  int PortNumberAt(int index) const;

  // "Connect": the port at `index` of the list, and the line chosen.
  void StoreChoice(int index, const LineSettings& chosen);

  const std::string& PortName() const { return line.port; }
  const LineSettings& Line() const { return line; }

  std::vector<std::string> ports;
  int portIndex = -1;   // the port to preselect; -1: the dialog's default
  int portNumber = -1;  // of the port chosen last, for the preselection rule
  LineSettings line;
};
