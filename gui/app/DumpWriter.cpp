#include "DumpWriter.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

#include "log/Meterlog2Doc.h"
#include "log/RecordDump.h"

CDumpWriter::~CDumpWriter() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void CDumpWriter::Enqueue(const CMeterlog2Doc& doc, const std::string& path) {
  const unsigned count = doc.GetRecordCount();
  const size_t size = doc.GetRecordSize();
  if (count == 0 || size == 0 || path.empty()) return;
  Job job;
  job.recordSize = size;
  job.path = path;
  try {
    job.records.resize(static_cast<size_t>(count) * size);
  } catch (const std::bad_alloc&) {
    return;  // no room for a copy: the dump is skipped, the load stands
  }
  for (unsigned i = 0; i < count; ++i)
    std::memcpy(job.records.data() + static_cast<size_t>(i) * size, doc.GetRecord(i), size);
  {
    std::lock_guard lock(m_mutex);
    if (!m_thread.joinable()) {
      try {
        m_thread = std::thread([this] { Run(); });
      } catch (const std::system_error&) {
        // No thread to be had: write it here, late but complete.
        Write(job);
        return;
      }
    }
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_one();
}

void CDumpWriter::WaitIdle() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

bool CDumpWriter::Busy() {
  std::lock_guard lock(m_mutex);
  return m_busy || !m_jobs.empty();
}

void CDumpWriter::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
    if (m_jobs.empty()) return;  // stopping with nothing left to write
    Job job = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_busy = true;
    lock.unlock();
    Write(job);
    lock.lock();
    m_busy = false;
    if (m_jobs.empty()) m_idle.notify_all();
  }
}

void CDumpWriter::Write(const Job& job) {
  if (!PrepareDumpFolder(job.path)) return;
  // Text mode and append, like every dump before it: the file only ever grows.
  std::FILE* file = std::fopen(job.path.c_str(), "a");
  if (file == nullptr) return;  // the dump can never fail or delay a load
  std::string text;
  text.reserve(1 << 20);
  const size_t count = job.records.size() / job.recordSize;
  for (size_t i = 0; i < count; ++i) {
    AppendRecordDump(text, job.records.data() + i * job.recordSize, job.recordSize);
    if (text.size() >= (1u << 20) || i + 1 == count) {
      std::fwrite(text.data(), 1, text.size(), file);
      text.clear();
    }
  }
  std::fclose(file);
}
