#pragma once
// The one class that touches a real serial port (QSerialPort), plus the port discovery and the
// open/close sequence of an instrument command. Everything above works on LinkPort.
//
// Opening configures the line from the chosen settings, raw 8-bit, no flow control, DTR and RTS
// raised (a pseudo-terminal refuses DTR/RTS; that failure alone is tolerated). QSerialPort keeps
// the line settings it found and puts them back when it closes. A QSerialPort must only be used
// from the thread that created it.

#include <memory>
#include <string>
#include <vector>

#include "LineSettings.h"
#include "LinkPort.h"

// Port names for the port list: on Windows the COM1..COM32 that can be opened; elsewhere the
// ports the system reports (never opened) plus every path in METERLOG2_PORTS (':'-separated).
std::vector<std::string> FindComPorts();

// Opens and configures the named port. On failure returns null and sets `error` to the reason;
// `openFailed` tells a port that could not be opened from one that could not be configured.
std::unique_ptr<LinkPort> OpenSerialPort(const std::string& name, const LineSettings& line,
                                         std::string& error, bool& openFailed);
