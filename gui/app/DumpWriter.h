#pragma once
// Appends the diagnostic dump of each load to the dump file on a worker thread. A large
// three-phase log dumps to hundreds of megabytes of text; writing that on the window's thread
// would freeze the table for seconds. Jobs run in load order, so successive loads still leave
// their dumps one after the other, and every queued dump is finished before the program ends.
//
// The file stays bounded: when a dump would take it past the size limit (256 MiB), the file is
// first renamed to "meterlog2_dump.1.txt" beside it (replacing an older one) and the dump begins
// a new file. A dump is never split, so the newest dump is always whole in the current file.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CMeterlog2Doc;

// Where every load appends its dump: "C:\meterlog2_dump.txt" on Windows, or
// %LOCALAPPDATA%\Meterlog2\meterlog2_dump.txt when the user may not write that; elsewhere
// $XDG_STATE_HOME/meterlog2/meterlog2_dump.txt (default ~/.local/state/...).
// Empty when there is no per-user folder to put it in.
std::string DumpFilePath();

class DumpWriter {
 public:
  DumpWriter() = default;
  ~DumpWriter();  // finishes every queued dump
  DumpWriter(const DumpWriter&) = delete;
  DumpWriter& operator=(const DumpWriter&) = delete;

  // Queues the dump of the document's records. The job holds the records themselves, not a copy:
  // a later load gets new ones, so these stay as they are until the dump is written.
  void Enqueue(const CMeterlog2Doc& doc, const std::string& path);
  // Blocks until every queued dump is written.
  void WaitIdle();
  // The size the dump file is kept below (tests make it small).
  void SetSizeLimit(uint64_t bytes) { m_sizeLimit = bytes; }

  static constexpr uint64_t kDefaultSizeLimit = 256ull << 20;
  // Where a full dump file goes: "meterlog2_dump.txt" -> "meterlog2_dump.1.txt".
  static std::string RotatedPath(const std::string& path);

 private:
  struct Job {
    std::shared_ptr<const uint8_t[]> records;
    size_t count = 0;
    size_t recordSize = 0;
    std::string path;
  };
  void Run();
  void Write(const Job& job) const;

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<Job> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  std::atomic<uint64_t> m_sizeLimit{kDefaultSizeLimit};
  std::thread m_thread;
};
