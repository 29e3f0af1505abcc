// The receive against an independent XMODEM sender: lrzsz's sx on the far side of a
// pseudo-terminal, behind a small relay. The relay drops what sx must not see: the download
// request, and the three zero bytes after the start request's "C" (sx would take the first
// zero as its answer to block 1 and send block 1 twice after a stall).

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "FakeLink.h"
#include "link/FlashReceive.h"
#include "link/LinkMessages.h"
#include "link/SerialLinkPort.h"

namespace {

std::string FindSx() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
    const std::string path = std::string(dir) + "/sx";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// Receives a 5000-byte file from sx. With `damagedOffset`, the relay turns the byte at that
// offset of sx's first pass over the data into EOT (a line hit on a packet's first byte).
void ReceiveFromSx(size_t damagedOffset) {
  const std::string sx = FindSx();
  if (sx.empty()) GTEST_SKIP() << "lrzsz's sx is not installed";
  int argc = 1;
  char name[] = "link_e2e_tests";
  char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);

  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("meterlog2_sx_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::vector<uint8_t> content(5000);
  std::mt19937 random(11);
  for (uint8_t& b : content) b = static_cast<uint8_t>(random());
  const std::filesystem::path source = dir / "source.57x", target = dir / "received.57x";
  std::ofstream(source, std::ios::binary)
      .write(reinterpret_cast<const char*>(content.data()),
             static_cast<std::streamsize>(content.size()));

  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string device = ptsname(master);
  const int slaveHold = open(device.c_str(), O_RDWR | O_NOCTTY);  // keeps the master readable
  termios tio{};
  tcgetattr(slaveHold, &tio);
  cfmakeraw(&tio);
  tcsetattr(slaveHold, TCSANOW, &tio);

  int toSx[2], fromSx[2];
  ASSERT_EQ(pipe(toSx), 0);
  ASSERT_EQ(pipe(fromSx), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(toSx[0], 0);
    dup2(fromSx[1], 1);
    const int devnull = open("/dev/null", O_WRONLY);
    dup2(devnull, 2);
    close(toSx[1]);
    close(fromSx[0]);
    execl(sx.c_str(), sx.c_str(), source.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(toSx[0]);
  close(fromSx[1]);

  std::atomic<bool> stop{false};
  std::thread relay([&] {
    bool started = false;
    int zerosToDrop = 0;
    size_t fromSxOffset = 0;
    uint8_t buffer[512];
    while (!stop) {
      pollfd fds[2] = {{master, POLLIN, 0}, {fromSx[0], POLLIN, 0}};
      if (poll(fds, 2, 20) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        std::vector<uint8_t> pass;
        for (ssize_t i = 0; i < n; ++i) {
          const uint8_t b = buffer[i];
          if (b == 'C' && !started) {
            started = true;
            zerosToDrop = 3;
            pass.push_back(b);
          } else if (!started) {
            continue;  // the download request is for the instrument, not for sx
          } else if (b == 0 && zerosToDrop > 0) {
            --zerosToDrop;
          } else {
            zerosToDrop = 0;
            pass.push_back(b);
          }
        }
        if (!pass.empty() && write(toSx[1], pass.data(), pass.size()) < 0) break;
      }
      if (fds[1].revents & (POLLIN | POLLHUP)) {
        const ssize_t n = read(fromSx[0], buffer, sizeof buffer);
        if (n <= 0) {
          fds[1].fd = -1;
          std::this_thread::sleep_for(std::chrono::milliseconds(20));
          continue;
        }
        if (damagedOffset >= fromSxOffset &&
            damagedOffset < fromSxOffset + static_cast<size_t>(n)) {
          buffer[damagedOffset - fromSxOffset] = 0x04;
        }
        fromSxOffset += static_cast<size_t>(n);
        if (write(master, buffer, static_cast<size_t>(n)) < 0) break;
      }
    }
  });

  std::string error;
  bool openFailed = false;
  std::unique_ptr<LinkPort> port = OpenSerialPort(device, LineSettings{}, error, openFailed);
  ASSERT_TRUE(port) << error;
  FakePrompt prompt;
  ReceiveReport report;
  const int result =
      ReceiveFlashFile(port.get(), 1, target.string(), "21 Sep 2005 57x", prompt, &report);
  CloseComPort(port);

  int status = -1;
  for (int i = 0; i < 250 && waitpid(pid, &status, WNOHANG) != pid; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  stop = true;
  relay.join();
  if (!WIFEXITED(status)) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  close(master);
  close(slaveHold);
  close(toSx[1]);
  close(fromSx[0]);

  EXPECT_EQ(result, 1) << DescribeReceiveEnd(report);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "sx did not see the transfer end well";
  std::vector<uint8_t> expected = content;
  expected.resize((content.size() + 127) / 128 * 128, 0x1A);
  expected[0] = 0;
  expected[1] = 1;
  expected[2] = 0;
  expected[3] = 0;
  std::ifstream in(target, std::ios::binary);
  const std::vector<uint8_t> received((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(received, expected);
  std::filesystem::remove_all(dir);
}

TEST(SxReceive, FileFromLrzszSxArrivesIntact) {
  ReceiveFromSx(SIZE_MAX);
}

TEST(SxReceive, ADamagedPacketStartThatReadsAsEotIsNoEndOfFile) {
  // The first byte of packet 5 arrives as EOT and the rest of the packet follows: as an end of
  // file it would leave a 512-byte file reported as complete.
  ReceiveFromSx(4 * 133);
}

}  // namespace
