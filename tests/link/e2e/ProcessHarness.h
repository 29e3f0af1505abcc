#pragma once
// Runs meterlog2-sim and meterlog2-cli as child processes for the end-to-end tests.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace e2e {

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

inline pid_t Spawn(const std::vector<std::string>& argv, int outFd, int errFd) {
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, 1);
    dup2(errFd, 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  return pid;
}

struct SimProcess {
  pid_t pid = -1;
  std::string device;
  std::filesystem::path log;

  // Starts the simulator and waits for the terminal's path on its first output line.
  bool Start(const std::vector<std::string>& args, const std::filesystem::path& dir) {
    log = dir / "sim.log";
    int out[2];
    if (pipe(out) != 0) return false;
    const int err = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> argv = {METERLOG2_SIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    pid = Spawn(argv, out[1], err);
    close(out[1]);
    close(err);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') device.push_back(c);
    close(out[0]);
    return !device.empty();
  }
  std::string Log() const { return ReadText(log); }
  // The log once it holds `text`: the simulator may still be reading what the program sent
  // last when the program exits. Gives up after ten seconds.
  std::string LogWith(const std::string& text) const {
    std::string seen = Log();
    for (int i = 0; i < 1000 && seen.find(text) == std::string::npos; ++i) {
      usleep(10000);
      seen = Log();
    }
    return seen;
  }
  bool Logged(const std::string& text) const {
    return LogWith(text).find(text) != std::string::npos;
  }
  ~SimProcess() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

struct CliResult {
  int code = -1;
  std::string out, err;
};

// Runs meterlog2-cli; `interruptAfterMs` >= 0 sends SIGINT that long after the start.
inline CliResult RunCli(const std::vector<std::string>& args, const std::filesystem::path& dir,
                        int interruptAfterMs = -1, int limitSeconds = 90) {
  const std::filesystem::path outPath = dir / "cli.out", errPath = dir / "cli.err";
  const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> argv = {METERLOG2_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = Spawn(argv, out, err);
  close(out);
  close(err);
  int status = 0;
  bool interrupted = false;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    if (interruptAfterMs >= 0 && !interrupted && elapsed >= interruptAfterMs) {
      kill(pid, SIGINT);
      interrupted = true;
    }
    if (elapsed > limitSeconds * 1000) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  CliResult r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadText(outPath);
  r.err = ReadText(errPath);
  return r;
}

}  // namespace e2e
