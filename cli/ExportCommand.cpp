#include <iostream>

#include "Commands.h"

int RunExport(const Args&) {
  std::cerr << "meterlog2-cli: export is not built yet\n";
  return 1;
}
