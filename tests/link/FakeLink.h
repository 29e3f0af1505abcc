#pragma once
// An in-memory serial line in virtual time: the program side is a LinkPort, the other side is a
// script of timed bytes plus an optional reaction to every byte the program writes. Reads wait
// out the 250 ms read time-out by moving the clock, so ten-second paths take no real time.

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/LinkPrompt.h"

class FakeClock : public LinkClock {
 public:
  int64_t ms = 1'000'000'400;  // mid-second, so the one-second clock's rounding shows
  LocalDateTime local;
  int64_t Seconds() override { return ms / 1000; }
  int64_t Milliseconds() override { return ms; }
  void Sleep(int milliseconds) override { ms += milliseconds; }
  LocalDateTime LocalNow() override { return local; }
};

class FakePort : public LinkPort {
 public:
  struct Timed {
    int64_t at;
    uint8_t byte;
  };
  FakeClock clock;
  std::deque<Timed> incoming;
  std::vector<uint8_t> sent;
  std::vector<int64_t> sentAt;
  std::vector<std::string> events;  // "drain", "purge-in", "purge-out"
  std::function<void(FakePort&, uint8_t)> onByte;
  int maxChunk = 1 << 30;  // the most one Read hands over, to split input like a driver
  bool failWrites = false;
  int64_t failReadsAt = -1;  // from this virtual time on, reads and writes fail for good
  int failWritesAfter = -1;  // writes succeed for this many bytes, then fail

  // The instrument sends `bytes` `delayMs` after now, or after its last queued byte.
  void Send(const std::vector<uint8_t>& bytes, int64_t delayMs = 1) {
    int64_t at = clock.ms;
    if (!incoming.empty()) at = std::max(at, incoming.back().at);
    at += delayMs;
    for (uint8_t b : bytes) incoming.push_back({at, b});
  }
  void Send(const std::string& text, int64_t delayMs = 1) {
    Send(std::vector<uint8_t>(text.begin(), text.end()), delayMs);
  }
  void SendAt(int64_t at, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) incoming.push_back({at, b});
    std::stable_sort(incoming.begin(), incoming.end(),
                     [](const Timed& a, const Timed& b) { return a.at < b.at; });
  }
  std::string SentText() const { return std::string(sent.begin(), sent.end()); }

  int Read(uint8_t* buffer, int count) override {
    if (Broken()) return -1;
    const int64_t deadline = clock.ms + 250;
    const int want = std::min(count, maxChunk);
    int got = 0;
    while (got < want) {
      if (!incoming.empty() && incoming.front().at <= clock.ms) {
        buffer[got++] = incoming.front().byte;
        incoming.pop_front();
        continue;
      }
      if (got > 0 && maxChunk < count) break;
      if (incoming.empty() || incoming.front().at > deadline) {
        clock.ms = deadline;
        break;
      }
      clock.ms = incoming.front().at;
    }
    return got;
  }
  int Write(const uint8_t* data, int count) override {
    if (Broken()) return -1;
    int written = 0;
    for (int i = 0; i < count; ++i) {
      if (failWrites || (failWritesAfter >= 0 && static_cast<int>(sent.size()) >= failWritesAfter))
        break;
      sent.push_back(data[i]);
      sentAt.push_back(clock.ms);
      ++written;
      if (onByte) onByte(*this, data[i]);
    }
    return written;
  }
  int BytesWaiting() override {
    if (Broken()) return -1;
    return static_cast<int>(std::count_if(incoming.begin(), incoming.end(),
                                          [&](const Timed& t) { return t.at <= clock.ms; }));
  }
  bool FlushOutput() override { return true; }
  bool drains = true;  // false: output that can never leave the driver
  bool WaitDrained(int) override {
    events.push_back("drain");
    return drains;
  }
  void PurgeInput() override { events.push_back("purge-in"); }
  void PurgeOutput() override { events.push_back("purge-out"); }
  LinkClock& Clock() override { return clock; }
  bool Broken() const { return failReadsAt >= 0 && clock.ms >= failReadsAt; }
  std::string FailureReason() const override { return Broken() ? "No such device" : ""; }
};

// A progress window that records its texts; Cancel is pressed when `cancelWhen` says so.
struct FakeProgressLog {
  std::vector<std::string> texts;
  std::vector<std::string> calls;  // "create0", "create1", "hide", "show"
  std::vector<TransferProgress> transfers;
  std::function<bool()> cancelWhen;
};

class FakeProgress : public LinkProgress {
 public:
  explicit FakeProgress(FakeProgressLog& log) : log_(log) {}
  bool Create(bool withCancel) override {
    withCancel_ = withCancel;
    log_.calls.push_back(withCancel ? "create1" : "create0");
    return true;
  }
  void SetText(const std::string& text) override { log_.texts.push_back(text); }
  void SetTransfer(const TransferProgress& p) override { log_.transfers.push_back(p); }
  void Show() override { log_.calls.push_back("show"); }
  void Hide() override { log_.calls.push_back("hide"); }
  void PeekAndPump() override {
    if (withCancel_ && log_.cancelWhen && log_.cancelWhen()) cancelled_ = true;
  }
  bool Cancelled() const override { return cancelled_; }

 private:
  FakeProgressLog& log_;
  bool withCancel_ = false;
  bool cancelled_ = false;
};

class FakePrompt : public LinkPrompt {
 public:
  FakeProgressLog progress;
  std::vector<std::string> messages;
  int waitDepth = 0;
  std::function<bool(const struct FlashDirectory&, int&, std::string&)> chooseFile;
  std::function<bool(struct ConfigDialogValues&)> editConfig;
  bool choosePort = true;

  std::unique_ptr<LinkProgress> NewProgress() override {
    return std::make_unique<FakeProgress>(progress);
  }
  void BeginWait() override { ++waitDepth; }
  void EndWait() override { --waitDepth; }
  bool ChoosePort(ComSettings& settings) override;
  bool ChooseFlashFile(const FlashDirectory& d, int& index, std::string& path) override {
    return chooseFile && chooseFile(d, index, path);
  }
  bool EditConfiguration(ConfigDialogValues& values) override {
    return editConfig && editConfig(values);
  }
  void ShowMessage(const std::string& text, bool) override { messages.push_back(text); }
};

#include "link/ComSettings.h"
inline bool FakePrompt::ChoosePort(ComSettings& settings) {
  if (!choosePort) return false;
  settings.StoreChoice(settings.portIndex < 0 ? 0 : settings.portIndex, settings.Line());
  return true;
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}
