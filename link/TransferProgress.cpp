#include "TransferProgress.h"

#include <algorithm>

int PercentDone(const TransferProgress& p) {
  if (p.expectedBytes <= 0) return -1;
  return static_cast<int>(std::min<long long>(100, p.dataBytes * 100 / p.expectedBytes));
}

long long SecondsLeft(const TransferProgress& p) {
  if (p.expectedBytes <= 0 || p.dataBytes <= 0 || p.elapsedMs < 1000) return -1;
  const long long left = std::max<long long>(0, p.expectedBytes - p.dataBytes);
  // Rounded up: "0 s left" only when nothing is left.
  return (left * p.elapsedMs + p.dataBytes * 1000 - 1) / (p.dataBytes * 1000);
}
