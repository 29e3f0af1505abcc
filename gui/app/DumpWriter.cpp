#include "DumpWriter.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
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

std::string CDumpWriter::RotatedPath(const std::string& path) {
  const std::string extension = ".txt";
  if (path.size() > extension.size() &&
      path.compare(path.size() - extension.size(), extension.size(), extension) == 0) {
    return path.substr(0, path.size() - extension.size()) + ".1" + extension;
  }
  return path + ".1";
}

void CDumpWriter::Write(const Job& job) const {
  if (!PrepareDumpFolder(job.path)) return;
  const size_t count = job.records.size() / job.recordSize;
  // How long this dump will be: records of one log differ in their numbers only, so the first
  // one's text times the count is close enough to decide on the rotation.
  std::string text;
  AppendRecordDump(text, job.records.data(), job.recordSize);
  const uint64_t estimate = static_cast<uint64_t>(text.size()) * count;
  text.clear();
  std::error_code ec;
  const uintmax_t current = std::filesystem::file_size(job.path, ec);
  if (!ec && current > 0 && current + estimate > m_sizeLimit.load()) {
    std::filesystem::rename(job.path, RotatedPath(job.path), ec);
  }
  // Text mode and append: the dumps of successive loads follow one another.
  std::FILE* file = std::fopen(job.path.c_str(), "a");
  if (file == nullptr) return;  // the dump can never fail or delay a load
  text.reserve(1 << 20);
  for (size_t i = 0; i < count; ++i) {
    AppendRecordDump(text, job.records.data() + i * job.recordSize, job.recordSize);
    if (text.size() >= (1u << 20) || i + 1 == count) {
      std::fwrite(text.data(), 1, text.size(), file);
      text.clear();
    }
  }
  std::fclose(file);
}
