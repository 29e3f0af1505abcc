#pragma once
// The instrument's side of the serial line for the fuzz targets: the fuzz input read as timed
// chunks of bytes, played on the in-memory port of the link tests in virtual time.
//
// Input: one option byte (its bits are the target's), then chunks
//   [timing] [length] [length bytes]
// Timing bit 7 set: the chunk waits for a reply, i.e. for a byte the program writes once
// everything sent before has been read (an echo, an ACK or NAK, a start request); clear: it
// follows the previous chunk. Bits 0-6 are the delay after that point: 20 ms steps up to
// code 63 (1.26 s), then 250 ms steps up to 16 s, so both short quiet intervals and the
// ten-second deadlines are reachable. A length beyond the end of the input takes what is left.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FakeLink.h"

namespace fuzz {

constexpr uint8_t kAfterReply = 0x80;

constexpr int64_t DelayMs(uint8_t timing) {
  const int code = timing & 0x7F;
  return code < 64 ? code * 20 : (code - 63) * 250;
}

struct Chunk {
  bool afterReply = false;
  int64_t delayMs = 0;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

inline std::vector<Chunk> ParseChunks(const uint8_t* data, size_t size) {
  std::vector<Chunk> chunks;
  size_t pos = 0;
  while (pos + 2 <= size) {
    Chunk c;
    c.afterReply = (data[pos] & kAfterReply) != 0;
    c.delayMs = DelayMs(data[pos]);
    c.size = std::min<size_t>(data[pos + 1], size - pos - 2);
    c.data = data + pos + 2;
    pos += 2 + c.size;
    chunks.push_back(c);
  }
  return chunks;
}

// Every byte the chunks hold, in the order the line carries them.
inline std::vector<uint8_t> StreamOf(const std::vector<Chunk>& chunks) {
  std::vector<uint8_t> stream;
  for (const Chunk& c : chunks) stream.insert(stream.end(), c.data, c.data + c.size);
  return stream;
}

// For the corpus generator: one chunk in the input layout (at most 255 bytes).
inline void AppendChunk(std::vector<uint8_t>& input, uint8_t timing, const uint8_t* data,
                        size_t size) {
  input.push_back(timing);
  input.push_back(static_cast<uint8_t>(size));
  input.insert(input.end(), data, data + size);
}

class ScriptedPort : public FakePort {
 public:
  explicit ScriptedPort(std::vector<Chunk> chunks) : chunks_(std::move(chunks)) {
    onByte = [this](FakePort&, uint8_t) { OnProgramByte(); };
  }

  // The chunks that wait for no reply go out from now on.
  void Start() {
    if (next_ < chunks_.size() && !chunks_[next_].afterReply) ScheduleFrom(clock.ms);
  }
  // Every chunk has been sent and read.
  bool Exhausted() const { return next_ == chunks_.size() && incoming.empty(); }
  // When the last scheduled byte arrives(d).
  int64_t LastArrival() const { return lastAt_; }

  // A line that fails for good once the script is over (a driver reporting a lost device).
  bool failWhenExhausted = false;
  bool Gone() const { return failWhenExhausted && Exhausted(); }

  int Read(uint8_t* buffer, int count) override {
    if (Gone()) return -1;
    const int n = FakePort::Read(buffer, count);
    if (n > 0) consumed_ += static_cast<size_t>(n);
    return n;
  }
  int Write(const uint8_t* data, int count) override {
    if (Gone()) return -1;
    const int n = FakePort::Write(data, count);
    readBeforeSent.resize(sent.size(), consumed_);
    return n;
  }
  // For each byte in `sent`: how many bytes of the stream the program had read when it wrote
  // it. The bytes are read in the order the line carries them, so this is a position in
  // StreamOf(chunks): what the program had seen when it answered.
  std::vector<size_t> readBeforeSent;
  // The queue is in time order: the bytes due are a prefix of it.
  int BytesWaiting() override {
    if (Gone() || Broken()) return -1;
    const auto due = std::upper_bound(incoming.begin(), incoming.end(), clock.ms,
                                      [](int64_t now, const Timed& t) { return now < t.at; });
    return static_cast<int>(due - incoming.begin());
  }

 private:
  void OnProgramByte() {
    if (next_ < chunks_.size() && chunks_[next_].afterReply && incoming.empty()) {
      ScheduleFrom(clock.ms);
    }
  }
  // Queues the next chunk `base` plus its delay after, then every chunk that follows it
  // without waiting for a reply.
  void ScheduleFrom(int64_t base) {
    int64_t at = base;
    do {
      const Chunk& c = chunks_[next_++];
      at += c.delayMs;
      for (size_t i = 0; i < c.size; ++i) incoming.push_back({at, c.data[i]});
    } while (next_ < chunks_.size() && !chunks_[next_].afterReply);
    lastAt_ = at;
  }

  std::vector<Chunk> chunks_;
  size_t consumed_ = 0;
  size_t next_ = 0;
  int64_t lastAt_ = 0;
};

}  // namespace fuzz
