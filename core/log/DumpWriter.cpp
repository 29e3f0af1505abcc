#include "DumpWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "CMeterlog2Doc.h"
#include "RecordDump.h"

namespace meterlog2::log {

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
  std::error_code ec;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
    folder = state;
  } else if (const char* home = std::getenv("HOME");
             home && *home && std::filesystem::is_directory(home, ec)) {
    folder = std::string(home) + "/.local/state";
  } else {
    // Never a shared folder, and never a home folder made up: no dump rather than one others
    // could tamper with.
    return {};
  }
  return folder + "/meterlog2/meterlog2_dump.txt";
#endif
}

namespace {

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

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
  if (!m_enabled) return;
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
  ++m_waiters;
  m_wake.notify_all();
  m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
  --m_waiters;
}

void DumpWriter::Hold() {
  std::lock_guard lock(m_mutex);
  ++m_holds;
}

void DumpWriter::Release() {
  {
    std::lock_guard lock(m_mutex);
    if (m_holds > 0) --m_holds;
  }
  m_wake.notify_all();
}

std::string DumpWriter::LastProblem() const {
  std::lock_guard lock(m_mutex);
  return m_problem;
}

void DumpWriter::SetProblem(const std::string& problem) {
  std::lock_guard lock(m_mutex);
  m_problem = problem;
}

void DumpWriter::Run() {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock,
                [this] { return m_stop || (!m_jobs.empty() && (m_holds == 0 || m_waiters > 0)); });
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

uint64_t DumpWriter::DiskUse(const std::string& path) {
  uint64_t bytes = 0;
  for (const std::string& file : {path, RotatedPath(path)}) {
    std::error_code ec;
    const uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec) bytes += size;
  }
  return bytes;
}

bool DumpWriter::Append(const Job& job, uint64_t start, bool mayCut, std::string& problem) const {
  const uint64_t limit = m_sizeLimit.load();
  const uint64_t room = start < limit ? limit - start : 0;
  // Text mode and append: the dumps of successive loads follow one another. Windows writes
  // every line end as CR LF, and the bound counts what lands in the file.
  std::ofstream file(job.path, std::ios::app);
  if (!file) {
    problem = "the dump file could not be opened: " + SystemReason(errno);
    return false;
  }
#ifdef _WIN32
  constexpr unsigned kLineEndBytes = 2;
#else
  constexpr unsigned kLineEndBytes = 1;
#endif
  const uint64_t forRecords =
      !mayCut ? room : (room > kDumpCutShortTextMax ? room - kDumpCutShortTextMax : 0);
  const DumpExtent extent = WriteRecordDumpsWithin(file, job.records.get(), job.count,
                                                   job.recordSize, forRecords, kLineEndBytes);
  if (!extent.ok) {
    problem = "writing the dump failed: " + SystemReason(errno);
    return false;
  }
  if (extent.records == job.count) return true;
  if (mayCut) {
    // The last records may fit in the room kept for the closing line; then none is needed.
    const size_t rest = job.count - extent.records;
    std::ostringstream tail;
    const DumpExtent last =
        WriteRecordDumpsWithin(tail, job.records.get() + extent.records * job.recordSize, rest,
                               job.recordSize, room - extent.bytes, kLineEndBytes);
    const std::string closing = DumpCutShortText(rest, job.count, limit);
    // What the closing text takes in the file: one more byte per line end on Windows.
    const uint64_t closingBytes =
        closing.size() + (kLineEndBytes - 1) * static_cast<uint64_t>(std::count(
                                                   closing.begin(), closing.end(), '\n'));
    if (last.records == rest) {
      file << tail.str();
    } else if (closingBytes <= room - extent.bytes) {  // only a tiny limit fails
      file << closing;
    }
    file.flush();
    if (!file) problem = "writing the dump failed: " + SystemReason(errno);
    return static_cast<bool>(file);
  }
  // It did not fit: what was written of it goes again, and the file stays as it was.
  file.close();
  std::error_code ec;
  std::filesystem::resize_file(job.path, start, ec);
  return false;
}

void DumpWriter::Write(const Job& job) {
  std::string problem;
  if (!PrepareDumpFolder(job.path)) {
    SetProblem("the folder of the dump file could not be made");
    return;
  }
  std::error_code ec;
  uint64_t start = std::filesystem::file_size(job.path, ec);
  if (ec) start = 0;
  // A file that holds earlier dumps takes this one only whole; a new file takes what fits.
  if (Append(job, start, start == 0, problem)) {
    SetProblem({});
    return;
  }
  if (!problem.empty() || start == 0) {
    SetProblem(problem);
    return;
  }
  const std::string rotated = RotatedPath(job.path);
  std::filesystem::rename(job.path, rotated, ec);
  if (ec) {
    // Never past the limit: this dump is left out rather than grow the file.
    SetProblem("the dump file is full and could not be moved aside to \"" + rotated +
               "\": " + ec.message() + "; this load was not dumped");
    return;
  }
  Append(job, 0, true, problem);
  SetProblem(problem);
}

}  // namespace meterlog2::log
