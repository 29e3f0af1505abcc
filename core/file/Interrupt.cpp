#include "Interrupt.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <stdlib.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Everything the handler touches is lock-free and written before it is published.
std::atomic<int> g_signal{0};
std::atomic<int> g_scopes{0};
std::atomic<bool> g_complete{false};
// The message ExitNow writes, and its length (published last).
char g_message[1024];
std::atomic<size_t> g_messageLength{0};

constexpr int kSlots = kTemporaryFileSlots;
// In the system's own characters (UTF-16 on Windows), so that the handler needs no conversion.
using PathChar = std::filesystem::path::value_type;
constexpr size_t kPathChars = 4096;
PathChar g_paths[kSlots][kPathChars];
std::atomic<bool> g_used[kSlots];
std::atomic<bool> g_claimed[kSlots];

#ifndef _WIN32
int g_wake[2] = {-1, -1};
#endif

void RemoveTemporaryFiles() {
  for (int i = 0; i < kSlots; ++i) {
    if (g_used[i].load()) {
#ifdef _WIN32
      _wunlink(g_paths[i]);
#else
      unlink(g_paths[i]);
#endif
    }
  }
}

[[noreturn]] void ExitNow(int signal) {
  RemoveTemporaryFiles();
  if (const size_t length = g_messageLength.load()) {
#ifdef _WIN32
    [[maybe_unused]] const int ignored = _write(2, g_message, static_cast<unsigned>(length));
#else
    [[maybe_unused]] const ssize_t ignored = write(2, g_message, length);
#endif
  }
#ifdef _WIN32
  _exit(128 + signal);
#else
  _exit(128 + signal);
#endif
}

extern "C" void OnSignal(int signal) {
  int none = 0;
  const bool first = g_signal.compare_exchange_strong(none, signal);
  if (!first || (g_scopes.load() == 0 && !g_complete.load())) ExitNow(signal);
#ifdef _WIN32
  std::signal(signal, OnSignal);  // the handler is reset before it is called
#else
  if (g_wake[1] >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = write(g_wake[1], &byte, 1);
  }
#endif
}

}  // namespace

void InstallInterruptHandlers() {
#ifdef _WIN32
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
#else
  if (g_wake[0] < 0 && pipe(g_wake) == 0) {
    for (int fd : g_wake) {
      fcntl(fd, F_SETFD, FD_CLOEXEC);
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
  }
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked open or write returns EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
#endif
}

void SetInterruptMessage(const std::string& message) {
  g_messageLength.store(0);
  const size_t length = std::min(message.size(), sizeof g_message - 1);
  std::memcpy(g_message, message.data(), length);
  g_messageLength.store(length);
}

void MarkOutputComplete() {
  g_complete.store(true);
}

bool OutputComplete() {
  return g_complete.load();
}

int InterruptSignal() {
  return g_signal.load();
}

void ClearInterrupt() {
  g_signal.store(0);
}

int InterruptExitStatus(int otherwise) {
  const int signal = g_signal.load();
  if (g_complete.load() && otherwise == 0) return 0;  // the work stood before the signal came
  return signal != 0 ? 128 + signal : otherwise;
}

int InterruptWakeDescriptor() {
#ifdef _WIN32
  return -1;
#else
  return g_wake[0];
#endif
}

InterruptScope::InterruptScope() {
  ++g_scopes;
}

InterruptScope::~InterruptScope() {
  --g_scopes;
}

int RegisterTemporaryFile(const std::filesystem::path& path) {
  const auto& name = path.native();
  if (name.size() >= kPathChars) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool free = false;
    if (g_claimed[i].compare_exchange_strong(free, true)) {
      std::memcpy(g_paths[i], name.c_str(), (name.size() + 1) * sizeof(PathChar));
      g_used[i].store(true);
      return i;
    }
  }
  return -1;
}

void UnregisterTemporaryFile(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  g_used[slot].store(false);
  g_claimed[slot].store(false);
}
