#pragma once
// Appends the diagnostic dump of each load to the dump file on a worker thread. A large
// three-phase log dumps to hundreds of megabytes of text; writing that on the window's thread
// would freeze the table for seconds. Jobs run in load order, so successive loads still leave
// their dumps one after the other, and every queued dump is finished before the program ends.
//
// No dump file ever exceeds the size limit (256 MiB), counted as written. A dump that does not
// fit in what is left of the file moves the file aside whole to "meterlog2_dump.1.txt"
// (replacing an older one) and begins a new file; a dump that alone would exceed the limit
// writes the whole records that fit and a closing line saying how many were left out. When the
// file cannot be moved aside, the dump stops rather than grow the file, and LastProblem() says
// why.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CMeterlog2Doc;

namespace meterlog2::log {

// Where every load appends its dump: "C:\meterlog2_dump.txt" on Windows, or
// %LOCALAPPDATA%\Meterlog2\meterlog2_dump.txt when the user may not write that; elsewhere
// $XDG_STATE_HOME/meterlog2/meterlog2_dump.txt (default ~/.local/state/...). Empty when there
// is no per-user folder to put it in (HOME not set, or a home folder that does not exist: the
// program never makes one).
std::string DumpFilePath();

class DumpWriter {
 public:
  DumpWriter() = default;
  ~DumpWriter();  // finishes every queued dump
  DumpWriter(const DumpWriter&) = delete;
  DumpWriter& operator=(const DumpWriter&) = delete;

  // Queues the dump of the document's records (nothing while the dump is turned off). The job
  // holds the records themselves, not a copy: a later load gets new ones, so these stay as they
  // are until the dump is written.
  void Enqueue(const CMeterlog2Doc& doc, const std::string& path);
  // Blocks until every queued dump is written, held ones included.
  void WaitIdle();
  // While held (calls are counted), queued dumps wait: the window paints a newly opened log
  // before its dump competes with it for the processor.
  void Hold();
  void Release();

  // The dump can be turned off; loads are then not dumped at all.
  void SetEnabled(bool enabled) { m_enabled = enabled; }
  bool Enabled() const { return m_enabled; }
  // Why the last dump stopped short of its records (a sentence), or empty when it was written
  // (whole, or cut short at the size limit as the rule says).
  std::string LastProblem() const;

  // The size no dump file exceeds (tests make it small).
  void SetSizeLimit(uint64_t bytes) { m_sizeLimit = bytes; }
  static constexpr uint64_t kDefaultSizeLimit = 256ull << 20;
  // Where a full dump file goes: "meterlog2_dump.txt" -> "meterlog2_dump.1.txt".
  static std::string RotatedPath(const std::string& path);
  // The bytes the dump file at `path` and its older part take on the disk together.
  static uint64_t DiskUse(const std::string& path);

 private:
  struct Job {
    std::shared_ptr<const uint8_t[]> records;
    size_t count = 0;
    size_t recordSize = 0;
    std::string path;
  };
  void Run();
  void Write(const Job& job);
  // Appends the job's dump to a file of `start` bytes. Without `mayCut` it writes nothing but
  // the whole dump: when that does not fit, the file is left at `start` bytes and false comes
  // back with `problem` empty. False with `problem` set when the file cannot be written.
  bool Append(const Job& job, uint64_t start, bool mayCut, std::string& problem) const;
  void SetProblem(const std::string& problem);

  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<Job> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  int m_holds = 0;
  int m_waiters = 0;  // WaitIdle calls, which let held dumps go
  std::string m_problem;
  std::atomic<bool> m_enabled{true};
  std::atomic<uint64_t> m_sizeLimit{kDefaultSizeLimit};
  std::thread m_thread;
};

}  // namespace meterlog2::log
