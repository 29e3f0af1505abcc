#pragma once
// Timed byte primitives of the instrument line: plain reads, reads that echo, writes verified by
// the instrument's echo, and the two-hex-digits-per-byte coding of structured data. Each runs a
// one-step CommandExchange (CommandExchange.h), where the timing is written down.
//
// Timing, as the instrument expects it: a read first waits up to five seconds (on the one-second
// clock) for any input, then keeps reading until it has its bytes or five seconds pass without a
// new one; a silent line therefore costs about ten seconds. Each echoed write waits up to five
// seconds for its echo. Every primitive returns the number of bytes done and stops at the first
// byte that fails; callers treat anything short of the request as failure. A null port gives 0.

#include <cstdint>
#include <string_view>

#include "LinkPort.h"

// Reads up to `count` bytes. With `echo`, bytes are taken one at a time and each is written back
// at once.
int ReadPort(uint8_t* buffer, int count, LinkPort* port, bool echo);

// Writes the bytes one at a time; each counts when the instrument echoes that very byte.
int WriteEchoed(const uint8_t* data, int count, LinkPort* port);

// Reads `count` bytes sent as two hexadecimal digits each (either case), first digit high.
int ReadHex(uint8_t* buffer, int count, LinkPort* port, bool echo);

// Sends `count` bytes as two uppercase hexadecimal digits each, through WriteEchoed.
int WriteHex(const uint8_t* data, int count, LinkPort* port);

// Writes a command in one write, unechoed. True when every byte was written.
bool WriteCommand(std::string_view command, LinkPort* port);

// Hex digit pairs to bytes: as many whole pairs as `digits` holds (all checked beforehand).
void DecodeHexPairs(const uint8_t* digits, int pairs, uint8_t* out);
