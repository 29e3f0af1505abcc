// meterlog2-cli-draw: the commands of meterlog2-cli that draw (plot, report), in a program of
// their own so that the other commands start without Qt's widgets (HelperProgram.h).
// meterlog2-cli runs it with its own arguments: "meterlog2-cli-draw plot ...".
#include "Commands.h"
#include "ProgramMain.h"

static int Main(int argc, char** argv) {
  if (argc < 2) return 2;
  return meterlog2::cli::RunCommandLine({&kPlotCommand, &kReportCommand}, argc, argv, nullptr);
}

int main(int argc, char** argv) {
  return meterlog2::cli::ProgramMain(argc, argv, Main);
}
