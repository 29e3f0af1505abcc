#include "DumpWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"

DumpWriter::~DumpWriter() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

#ifdef _WIN32
namespace {

// Whether a dump could be appended to the file, which is left as it was.
bool CanAppendTo(const std::string& path) {
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  std::FILE* probe = std::fopen(path.c_str(), "ab");
  if (probe == nullptr) return false;
  std::fclose(probe);
  if (!existed) std::filesystem::remove(path, ec);
  return true;
}

}  // namespace
#endif

std::string DumpFilePath() {
#ifdef _WIN32
  // The root of drive C, where a standard user may create folders but often no files: there,
  // the user's own application data folder instead, where the About box says the dump went.
  const std::string fixed = "C:\\meterlog2_dump.txt";
  if (CanAppendTo(fixed)) return fixed;
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || *local == L'\0') return {};
  try {  // the ANSI code page may have no letters for the user's name: then no dump
    return (std::filesystem::path(local) / L"Meterlog2" / L"meterlog2_dump.txt").string();
  } catch (const std::system_error&) {
    return {};
  }
#else
  std::string folder;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    folder = state;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    folder = std::string(home) + "/.local/state";
  } else {
    return {};  // never a shared folder: no dump rather than one others could tamper with
  }
  return folder + "/meterlog2/meterlog2_dump.txt";
#endif
}

namespace {

// Creates the folder of `path` when it is missing; false when that is not possible.
bool PrepareDumpFolder(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return true;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec);
}

}  // namespace

void DumpWriter::Enqueue(const CMeterlog2Doc& doc, const std::string& path) {
  Job job;
  job.records = doc.SharedRecords();
  job.count = doc.GetRecordCount();
  job.recordSize = doc.GetRecordSize();
  job.path = path;
  if (!job.records || job.count == 0 || job.recordSize == 0 || path.empty()) return;
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

void DumpWriter::WaitIdle() {
  std::unique_lock lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

void DumpWriter::Run() {
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

std::string DumpWriter::RotatedPath(const std::string& path) {
  const std::string extension = ".txt";
  if (path.size() > extension.size() &&
      path.compare(path.size() - extension.size(), extension.size(), extension) == 0) {
    return path.substr(0, path.size() - extension.size()) + ".1" + extension;
  }
  return path + ".1";
}

void DumpWriter::Write(const Job& job) const {
  if (!PrepareDumpFolder(job.path)) return;
  // How long this dump will be: records of one log differ in their numbers only, so the first
  // one's text times the count is close enough to decide on the rotation.
  std::string first;
  AppendRecordDump(first, job.records.get(), job.recordSize);
  const uint64_t estimate = static_cast<uint64_t>(first.size()) * job.count;
  std::error_code ec;
  const uintmax_t current = std::filesystem::file_size(job.path, ec);
  if (!ec && current > 0 && current + estimate > m_sizeLimit.load()) {
    std::filesystem::rename(job.path, RotatedPath(job.path), ec);
  }
  // Text mode and append: the dumps of successive loads follow one another. A failure leaves
  // the dump short; it can never fail or delay a load.
  std::ofstream file(job.path, std::ios::app);
  if (file) WriteRecordDumps(file, job.records.get(), job.count, job.recordSize);
}
