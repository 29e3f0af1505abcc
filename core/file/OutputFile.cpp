#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <random>
#include <streambuf>
#include <system_error>

#include "Interrupt.h"
#include "PathText.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include "WindowsApi.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>  // renameat2 and RENAME_NOREPLACE, where the C library has them
#endif

namespace fs = std::filesystem;

namespace {

std::string SystemReason(int error) {
  return std::generic_category().message(error);
}

// The few descriptor operations, so that the rest reads the same on every system.
#ifdef _WIN32
constexpr int kStandardOutput = 1;
int PrepareStandardOutput() {
  // Binary: in text mode every LF would gain a CR, and CSV lines would end in CR CR LF.
  _setmode(kStandardOutput, _O_BINARY);
  return kStandardOutput;
}
int OpenForWriting(const fs::path& path) {
  return _wopen(path.c_str(), _O_WRONLY | _O_BINARY);
}
int CreateExclusive(const fs::path& path) {
  return _wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_CREAT | _O_EXCL, _S_IREAD | _S_IWRITE);
}
long WriteSome(int fd, const char* data, size_t size) {
  const unsigned chunk = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
  return _write(fd, data, chunk);
}
int SyncDescriptor(int fd) {
  return _commit(fd);
}
int CloseFd(int fd) {
  return _close(fd);
}
void KeepAttributes(int, unsigned, long long, long long) {}
unsigned NewFileMode() {
  return 0666;
}
// Replaces an existing target in one step (the file system does it atomically where it can).
void RenameOver(const fs::path& from, const fs::path& to, std::error_code& ec) {
  ec.clear();
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return;
  // Told in the words of the other failures ("Permission denied") where the error has them.
  const std::error_condition reason =
      std::system_category().default_error_condition(static_cast<int>(GetLastError()));
  ec = std::error_code(reason.value(), reason.category());
}
// Gives `from` the name `to` unless something stands there already (`taken` then says so).
bool RenameNoReplace(const fs::path& from, const fs::path& to, bool& taken) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  const DWORD error = GetLastError();
  taken = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  return false;
}
int TruncateDescriptor(int fd, uint64_t length) {
  return _chsize_s(fd, static_cast<long long>(length)) == 0 ? 0 : -1;
}
#else
constexpr int kStandardOutput = STDOUT_FILENO;
int PrepareStandardOutput() {
  return kStandardOutput;
}
int OpenForWriting(const fs::path& path) {
  return ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
}
int CreateExclusive(const fs::path& path) {
  // Readable by the owner only until it is complete; the final mode is set before the rename.
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}
long WriteSome(int fd, const char* data, size_t size) {
  return static_cast<long>(::write(fd, data, size));
}
int SyncDescriptor(int fd) {
  return ::fsync(fd);
}
int CloseFd(int fd) {
  return ::close(fd);
}
void KeepAttributes(int fd, unsigned mode, long long owner, long long group) {
  // The owner first: changing it may clear the set-id bits that the mode then puts back.
  if (owner >= 0 && group >= 0) {
    [[maybe_unused]] const int ignored =
        ::fchown(fd, static_cast<uid_t>(owner), static_cast<gid_t>(group));
  }
  ::fchmod(fd, static_cast<mode_t>(mode));
}
unsigned NewFileMode() {
  // What a plain creation would give. The mask is read once; reading it means setting it, which
  // is harmless this early and this briefly.
  static const unsigned mask = [] {
    const mode_t old = ::umask(022);
    ::umask(old);
    return static_cast<unsigned>(old);
  }();
  return 0666u & ~mask;
}
void RenameOver(const fs::path& from, const fs::path& to, std::error_code& ec) {
  fs::rename(from, to, ec);
}
bool RenameNoReplace(const fs::path& from, const fs::path& to, bool& taken) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  taken = errno == EEXIST;
  if (taken || (errno != EINVAL && errno != ENOSYS)) return false;
#endif
  // Without an atomic rename that refuses to replace: a second name (which a taken name
  // refuses), then the temporary one goes.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  taken = errno == EEXIST;
  if (taken || (errno != EPERM && errno != ENOTSUP)) return false;
  // A file system without hard links: look first, then rename.
  std::error_code ec;
  taken = fs::exists(fs::symlink_status(to, ec));
  if (taken) return false;
  fs::rename(from, to, ec);
  return !ec;
}
int TruncateDescriptor(int fd, uint64_t length) {
  return ::ftruncate(fd, static_cast<off_t>(length));
}
#endif

#ifdef __linux__
// A file with no name in `folder` (O_TMPFILE): a process killed while writing it leaves nothing
// behind. -1 where the file system or the kernel cannot make one, or where it could not be given
// a name afterwards (that goes through /proc): the caller then uses a named temporary file.
int CreateUnnamed(const fs::path& folder) {
  if (::access("/proc/self/fd", X_OK) != 0) return -1;
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}
// Gives the unnamed file open as `fd` the name `path`; fails when that name exists.
bool LinkUnnamed(int fd, const fs::path& path, int& error) {
  char link[32] = "/proc/self/fd/";
  const size_t prefix = std::strlen(link);
  *std::to_chars(link + prefix, link + sizeof link - 1, fd).ptr = '\0';
  if (::linkat(AT_FDCWD, link, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  error = errno;
  return false;
}
#else
int CreateUnnamed(const fs::path&) {
  return -1;
}
bool LinkUnnamed(int, const fs::path&, int& error) {
  error = ENOSYS;
  return false;
}
#endif

// ".NAME.1a2b3c4d5e6f.tmp" beside `target`: hidden, and not guessable by another user who would
// like to put a link there first (creation is exclusive anyway).
// The longest name a folder takes (ext4, XFS, Btrfs, tmpfs, NTFS: 255 bytes or UTF-16 units).
constexpr size_t kNameMax = 255;

fs::path TemporaryPath(const fs::path& target) {
  thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[24];
  const auto end = std::to_chars(suffix, suffix + sizeof suffix, random(), 16).ptr;
  // Joined as paths, never through text: the name may hold any letter the file system allows.
  fs::path name = ".";
  name += target.filename();
  std::string tail = ".";
  tail.append(suffix, end);
  tail += ".tmp";
  name += tail;
  // A target whose name is near the longest a folder takes gets a short hidden name instead,
  // so that every name that can be written can be written through a temporary file.
  if (name.native().size() > kNameMax) name = fs::path(".") += tail;
  fs::path temporary = target;
  temporary.replace_filename(name);
  return temporary;
}

// `path` with its file name cut to at most `most` characters (bytes, or UTF-16 units on Windows)
// where it is longer: the part before its last extension shortened, never inside a character,
// and marked with "~" ("long...name~.partial").
fs::path FitName(const fs::path& path, size_t most) {
  using String = fs::path::string_type;
  const String name = path.filename().native();
  if (name.size() <= most) return path;
  const String extension = path.filename().extension().native();
  String stem = name.substr(0, name.size() - extension.size());
  const size_t keep = most > extension.size() + 1 ? most - extension.size() - 1 : 0;
  size_t cut = std::min(keep, stem.size());
  // Back to the start of a character: a UTF-8 continuation byte, or a UTF-16 low surrogate.
  auto inside = [&](size_t i) {
    const auto unit = static_cast<unsigned>(stem[i]);
    return sizeof(stem[i]) == 1 ? (unit & 0xC0u) == 0x80u : (unit >= 0xDC00u && unit <= 0xDFFFu);
  };
  while (cut > 0 && cut < stem.size() && inside(cut)) --cut;
  stem.resize(cut);
  stem += static_cast<typename String::value_type>('~');
  fs::path fitted = path;
  fitted.replace_filename(stem + extension);
  return fitted;
}

}  // namespace

std::string WriteFailureText(const std::string& name, const std::string& reason) {
  return "Could not write \"" + name + "\": " + reason + ".";
}

OutputFile::OutputFile() = default;

OutputFile::~OutputFile() {
  if (m_fd >= 0) Abandon();
}

std::string OutputFile::DisplayName() const {
  return m_target == "-" ? std::string("standard output") : PathText(m_target);
}

bool OutputFile::Fail(const std::string& reason) {
  if (!m_failed) {
    m_reason = reason;
    m_error = m_target == "-" ? "Could not write to standard output: " + reason + "."
                              : WriteFailureText(DisplayName(), reason);
  }
  m_failed = true;
  return false;
}

bool OutputFile::Open(const fs::path& target, const std::vector<fs::path>& inputs) {
  if (m_fd >= 0) Abandon();
  Reset(target);
  if (target.empty()) return Fail("no file name was given");
  if (target == "-") {
    m_fd = PrepareStandardOutput();
    m_ownsDescriptor = false;
    m_streaming = true;
    m_scope = std::make_unique<InterruptScope>();
    return true;
  }

  std::error_code ec;
  const fs::file_status status = fs::status(target, ec);
  if (ec && status.type() != fs::file_type::not_found) return Fail(ec.message());
  if (status.type() == fs::file_type::directory) return Fail("it is a folder");
  for (const fs::path& input : inputs) {
    std::error_code ignored;
    if (fs::exists(status) && fs::equivalent(target, input, ignored)) {
      return Fail("it is the file being read (\"" + PathText(input) + "\"); it was left untouched");
    }
  }

  if (fs::exists(status) && !fs::is_regular_file(status)) return OpenStream(target);
  if (!ChooseFinal(target, status)) return false;
  return CreateReplacement();
}

void OutputFile::Reset(const fs::path& target) {
  m_target = target;
  m_final.clear();
  m_temporary.clear();
  m_ownsDescriptor = true;
  m_streaming = m_failed = m_existed = m_unnamed = false;
  m_mode = 0;
  m_owner = m_group = -1;
  m_written = 0;
  m_error.clear();
  m_reason.clear();
}

bool OutputFile::OpenStream(const fs::path& target) {
  // A device, FIFO or socket gets the bytes as they come. Opening a FIFO waits for a reader;
  // a signal ends that wait.
  m_scope = std::make_unique<InterruptScope>();
  for (;;) {
    m_fd = OpenForWriting(target);
    if (m_fd >= 0) break;
    const int error = errno;
    if (error == EINTR && InterruptSignal() == 0) continue;
    m_scope.reset();
    return Fail(error == EINTR ? "interrupted" : SystemReason(error));
  }
  m_streaming = true;
  return true;
}

bool OutputFile::ChooseFinal(const fs::path& target, const fs::file_status& status) {
  std::error_code ec;
  m_final = target;
  if (fs::exists(status)) {
    m_existed = true;
    m_mode = static_cast<unsigned>(status.permissions()) & 07777u;
#ifndef _WIN32
    struct stat info;
    if (::stat(target.c_str(), &info) == 0) {
      m_owner = info.st_uid;
      m_group = info.st_gid;
    }
#endif
    // The link stays; the file it names is replaced.
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
      const fs::path resolved = fs::canonical(target, ec);
      if (ec) return Fail(ec.message());
      m_final = resolved;
    }
  } else {
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
      return Fail("it is a link to a file that does not exist");
    }
    m_mode = NewFileMode();
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::file_status folderStatus = fs::status(folder, ec);
    if (!fs::exists(folderStatus))
      return Fail("the folder \"" + PathText(folder) + "\" does not exist");
    if (!fs::is_directory(folderStatus))
      return Fail("\"" + PathText(folder) + "\" is not a folder");
  }
  return true;
}

bool OutputFile::CreateReplacement() {
  m_fd = CreateUnnamed(m_final.has_parent_path() ? m_final.parent_path() : fs::path("."));
  if (m_fd >= 0) {
    m_unnamed = true;
    m_scope = std::make_unique<InterruptScope>();
    return true;
  }
  int error = 0;
  for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
    m_temporary = TemporaryPath(m_final);
    m_fd = CreateExclusive(m_temporary);
    error = errno;
    if (m_fd < 0 && error != EEXIST) break;
  }
  if (m_fd < 0) {
    m_temporary.clear();
    return Fail(SystemReason(error));
  }
  m_slot = RegisterTemporaryFile(m_temporary);
  m_scope = std::make_unique<InterruptScope>();
  return true;
}

bool OutputFile::Write(std::string_view bytes) {
  if (m_fd < 0) return Fail("the file is not open");
  if (m_failed) return false;
  while (!bytes.empty()) {
    if (InterruptSignal() != 0) return Fail("interrupted");
    const long n = WriteSome(m_fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(SystemReason(errno));
    }
    if (n == 0) return Fail(SystemReason(EIO));
    bytes.remove_prefix(static_cast<size_t>(n));
    m_written += static_cast<uint64_t>(n);
  }
  return true;
}

bool OutputFile::Commit() {
  if (m_fd < 0) return Fail("the file is not open");
  if (InterruptSignal() != 0) Fail("interrupted");
  if (m_failed) {
    Abandon();
    return false;
  }
  if (m_streaming) {
    const int fd = m_fd;
    m_fd = -1;
    m_scope.reset();
    if (m_ownsDescriptor && CloseFd(fd) != 0) return Fail(SystemReason(errno));
    return true;
  }
  // A full disk or a lost network share often shows only here.
  if (SyncDescriptor(m_fd) != 0 && errno != EINVAL) {
    Fail(SystemReason(errno));
    Abandon();
    return false;
  }
  KeepAttributes(m_fd, m_mode, m_existed ? m_owner : -1, m_existed ? m_group : -1);
  if (!NameUnnamed()) {
    Abandon();
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (CloseFd(fd) != 0) {
    Fail(SystemReason(errno));
    RemoveTemporary();
    return false;
  }
#ifdef _WIN32
  _wchmod(m_temporary.c_str(), (m_mode & 0200) ? (_S_IREAD | _S_IWRITE) : _S_IREAD);
#endif
  std::error_code ec;
  RenameOver(m_temporary, m_final, ec);
  if (ec) {
    Fail(ec.message());
    RemoveTemporary();
    return false;
  }
  UnregisterTemporaryFile(m_slot);
  m_slot = -1;
  m_temporary.clear();
  m_scope.reset();
  return true;
}

bool OutputFile::NameUnnamed() {
  if (!m_unnamed) return true;
  // A hidden name first, then the rename into place as for a named temporary file: a link
  // cannot replace an existing file. The name exists only for the moment between the two.
  int error = EEXIST;
  for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
    m_temporary = TemporaryPath(m_final);
    m_slot = RegisterTemporaryFile(m_temporary);
    if (LinkUnnamed(m_fd, m_temporary, error)) {
      m_unnamed = false;
      return true;
    }
    UnregisterTemporaryFile(m_slot);
    m_slot = -1;
  }
  m_temporary.clear();
  return Fail(SystemReason(error));
}

void OutputFile::CloseDescriptor() {
  if (m_fd >= 0 && m_ownsDescriptor) CloseFd(m_fd);
  m_fd = -1;
}

void OutputFile::RemoveTemporary() {
  if (!m_temporary.empty()) {
    std::error_code ignored;
    fs::remove(m_temporary, ignored);
    m_temporary.clear();
  }
  UnregisterTemporaryFile(m_slot);
  m_slot = -1;
  m_scope.reset();
}

void OutputFile::Abandon() {
  CloseDescriptor();
  RemoveTemporary();
}

fs::path OutputFile::KeepAs(const fs::path& keepPath, uint64_t length) {
  const uint64_t kept = std::min(length, m_written);
  if (m_fd < 0 || m_streaming || kept == 0) {
    Abandon();
    return {};
  }
  // A write that failed half-way leaves bytes beyond `length`; where they cannot be cut off,
  // they are kept rather than everything lost.
  if (kept < m_written) TruncateDescriptor(m_fd, kept);
  SyncDescriptor(m_fd);
  KeepAttributes(m_fd, m_mode, m_existed ? m_owner : -1, m_existed ? m_group : -1);
  if (!NameUnnamed()) {
    Abandon();
    return {};
  }
  CloseDescriptor();
  fs::path result = m_temporary;  // not lost: it stays under its temporary name
  constexpr int kMostNumbers = 9999;
  // A name too long for the folder is cut to fit, with room for the number.
  const fs::path base = FitName(keepPath, kNameMax - std::to_string(kMostNumbers).size() - 1);
  for (int number = 0; number <= kMostNumbers; ++number) {
    fs::path candidate = base;
    if (number > 0) candidate += "." + std::to_string(number);
    bool taken = false;
    if (RenameNoReplace(m_temporary, candidate, taken)) {
      result = candidate;
      break;
    }
    if (!taken) break;
  }
  m_temporary.clear();
  UnregisterTemporaryFile(m_slot);
  m_slot = -1;
  m_scope.reset();
  return result;
}

class OutputFileStream::Buffer : public std::streambuf {
 public:
  explicit Buffer(OutputFile& file) : m_file(file), m_data(64 * 1024) {
    setp(m_data.data(), m_data.data() + m_data.size());
  }

 protected:
  int_type overflow(int_type ch) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
    *pptr() = traits_type::to_char_type(ch);
    pbump(1);
    return ch;
  }
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    if (count >= static_cast<std::streamsize>(m_data.size())) {
      if (!Drain() || !m_file.Write(data, static_cast<size_t>(count))) return 0;
      return count;
    }
    return std::streambuf::xsputn(data, count);
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  bool Drain() {
    const size_t pending = static_cast<size_t>(pptr() - pbase());
    setp(m_data.data(), m_data.data() + m_data.size());
    return pending == 0 || m_file.Write(m_data.data(), pending);
  }
  OutputFile& m_file;
  std::vector<char> m_data;
};

OutputFileStream::OutputFileStream(OutputFile& file)
    : std::ostream(nullptr), m_buffer(std::make_unique<Buffer>(file)) {
  rdbuf(m_buffer.get());
}

OutputFileStream::~OutputFileStream() {
  rdbuf(nullptr);
}
