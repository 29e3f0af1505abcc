// meterlog2-cli-link: the instrument commands of meterlog2-cli (ports, directory, download,
// config), in a program of their own so that the other commands start without QtCore and
// QtSerialPort (HelperProgram.h). meterlog2-cli runs it with its own arguments:
// "meterlog2-cli-link download ...".
#include "Commands.h"
#include "ProgramMain.h"

static int Main(int argc, char** argv) {
  if (argc < 2) return 2;
  return meterlog2::cli::RunCommandLine(
      {&kPortsCommand, &kDirectoryCommand, &kDownloadCommand, &kConfigCommand}, argc, argv,
      nullptr);
}

int main(int argc, char** argv) {
  return meterlog2::cli::ProgramMain(argc, argv, Main);
}
