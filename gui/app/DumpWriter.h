#pragma once
// Appends the diagnostic dump of each load to the dump file on a worker thread. A large
// three-phase log dumps to hundreds of megabytes of text; writing that on the window's thread
// would freeze the table for seconds. Jobs run in load order, so successive loads still leave
// their dumps one after the other, and every queued dump is finished before the program ends.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CMeterlog2Doc;

class CDumpWriter {
 public:
  CDumpWriter() = default;
  ~CDumpWriter();  // finishes every queued dump
  CDumpWriter(const CDumpWriter&) = delete;
  CDumpWriter& operator=(const CDumpWriter&) = delete;

  // Copies the document's records (they go with the next load) and queues their dump.
  void Enqueue(const CMeterlog2Doc& doc, const std::string& path);
  // Blocks until every queued dump is written.
  void WaitIdle();
  bool Busy();

 private:
  struct Job {
    std::vector<uint8_t> records;
    size_t recordSize = 0;
    std::string path;
  };
  void Run();
  static void Write(const Job& job);

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<Job> m_jobs;
  bool m_busy = false;
  bool m_stop = false;
  std::thread m_thread;
};
