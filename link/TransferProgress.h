#pragma once
// Where a Flash File download stands, as numbers for a progress bar. The windows and the
// command-line tool turn it into text their own way.

#include <cstdint>

struct TransferProgress {
  int packets = 0;              // accepted packets
  long long lineBytes = 0;      // bytes taken from the line, packet headers included
  long long dataBytes = 0;      // data received, without packet headers: what the file holds
  long long expectedBytes = 0;  // the entry's size from its directory line; 0 when unknown
  int64_t elapsedMs = 0;        // since the first byte of the transfer
};

// 0 to 100, or -1 when the size is not known.
int PercentDone(const TransferProgress& progress);
// Seconds still to go at the rate so far, or -1 when there is no estimate yet (the size is not
// known, or less than a second of data has come).
long long SecondsLeft(const TransferProgress& progress);
