#include "InputFile.h"

#include <cerrno>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include "WindowsApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
using FileInfo = struct _stat64;
int StatPath(const fs::path& path, FileInfo& info) {
  return _wstat64(path.c_str(), &info);
}
int StatDescriptor(int fd, FileInfo& info) {
  return _fstat64(fd, &info);
}
int OpenForReading(const fs::path& path) {
  return _wopen(path.c_str(), _O_RDONLY | _O_BINARY);
}
bool IsFolder(const FileInfo& info) {
  return (info.st_mode & _S_IFMT) == _S_IFDIR;
}
bool IsRegular(const FileInfo& info) {
  return (info.st_mode & _S_IFMT) == _S_IFREG;
}
// The counterpart of pread: the offset travels with the read, the file position is left alone.
long ReadSome(int fd, uint64_t offset, void* into, size_t count) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  if (handle == INVALID_HANDLE_VALUE) {
    errno = EBADF;
    return -1;
  }
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD chunk = count > (1u << 30) ? (1u << 30) : static_cast<DWORD>(count);
  if (!ReadFile(handle, into, chunk, &got, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    errno = EIO;
    return -1;
  }
  return static_cast<long>(got);
}
void CloseFd(int fd) {
  _close(fd);
}
#else
using FileInfo = struct stat;
int StatPath(const fs::path& path, FileInfo& info) {
  return ::stat(path.c_str(), &info);
}
int StatDescriptor(int fd, FileInfo& info) {
  return ::fstat(fd, &info);
}
int OpenForReading(const fs::path& path) {
  // Non-blocking: should a FIFO have taken the file's place since it was looked at, the open
  // still returns at once, and the second look below refuses it.
  return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}
bool IsFolder(const FileInfo& info) {
  return S_ISDIR(info.st_mode);
}
bool IsRegular(const FileInfo& info) {
  return S_ISREG(info.st_mode);
}
long ReadSome(int fd, uint64_t offset, void* into, size_t count) {
  return static_cast<long>(::pread(fd, into, count, static_cast<off_t>(offset)));
}
void CloseFd(int fd) {
  ::close(fd);
}
#endif

std::string Refusal(const FileInfo& info) {
  return IsFolder(info) ? "it is a folder" : "it is not a regular file";
}

}  // namespace

InputFile::~InputFile() {
  if (m_fd >= 0) CloseFd(m_fd);
}

bool InputFile::Open(const fs::path& path) {
  if (m_fd >= 0) CloseFd(m_fd);
  m_fd = -1;
  m_size = 0;
  m_reason.clear();
  // Looked at before it is opened: opening a device can have effects of its own.
  FileInfo info;
  if (StatPath(path, info) != 0) {
    m_reason = std::generic_category().message(errno);
    return false;
  }
  if (!IsRegular(info)) {
    m_reason = Refusal(info);
    return false;
  }
  m_fd = OpenForReading(path);
  if (m_fd < 0) {
    m_reason = std::generic_category().message(errno);
    return false;
  }
  if (StatDescriptor(m_fd, info) != 0 || !IsRegular(info)) {
    m_reason = IsRegular(info) ? std::generic_category().message(errno) : Refusal(info);
    CloseFd(m_fd);
    m_fd = -1;
    return false;
  }
  m_size = static_cast<uint64_t>(info.st_size);
  return true;
}

size_t InputFile::ReadAt(uint64_t offset, void* into, size_t count) {
  size_t got = 0;
  while (m_fd >= 0 && got < count) {
    const long n = ReadSome(m_fd, offset + got, static_cast<char*>(into) + got, count - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

int64_t InputFile::CurrentSize() const {
  FileInfo info;
  if (m_fd < 0 || StatDescriptor(m_fd, info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}
