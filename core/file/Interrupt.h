#pragma once
// SIGINT and SIGTERM in programs that write files.
//
// Once the handlers are installed, a signal that arrives while some work has said it will wind
// down by itself (an InterruptScope is alive: an output file is open, a download is running) is
// only recorded: that work sees InterruptSignal() at its next step, removes its temporary files,
// tells the instrument, and the program exits with 128 + the signal. A signal that arrives
// outside such work, or a second signal while the first is still being handled, ends the
// process at once, after removing the temporary files registered below.

#include <filesystem>
#include <string>

// Installs the handlers for SIGINT and SIGTERM (and keeps blocking system calls interruptible,
// so that a write into a FIFO without a reader does not hold a signal back).
void InstallInterruptHandlers();

// The signal recorded so far (SIGINT or SIGTERM), or 0.
int InterruptSignal();

// Forgets a recorded signal (tests).
void ClearInterrupt();

// The exit status that reports the recorded signal: 128 + signal, or `otherwise` without one
// (and 0 when the output was complete and `otherwise` is 0: MarkOutputComplete).
int InterruptExitStatus(int otherwise);

// What a signal that ends the process at once says on standard error (a line, with its "\n"):
// a command that computes before it writes says that its output was left as it was. Empty: says
// nothing. At most 1023 bytes are kept.
void SetInterruptMessage(const std::string& message);

// The command's output is complete and in place: a signal from now on is only recorded, and the
// command ends as it would have (it must not exit with 128 + signal once its work stands).
void MarkOutputComplete();
bool OutputComplete();

// A file descriptor that becomes readable when a signal is recorded, for an event loop that wants
// to notice it without polling; -1 where there is none.
int InterruptWakeDescriptor();

// While alive, signals are recorded instead of ending the process.
class InterruptScope {
 public:
  InterruptScope();
  ~InterruptScope();
  InterruptScope(const InterruptScope&) = delete;
  InterruptScope& operator=(const InterruptScope&) = delete;
};

// Temporary files that must not outlive the process. Register returns a slot (or -1 when all
// slots are taken: the file is then only removed by its owner). There are slots enough for a
// command that writes one file for each of many logs at once.
constexpr int kTemporaryFileSlots = 72;
int RegisterTemporaryFile(const std::filesystem::path& path);
void UnregisterTemporaryFile(int slot);
