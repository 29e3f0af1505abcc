#pragma once
// Reading a log file: only a regular file is opened, so that a folder, a FIFO without a writer,
// a terminal or a device such as /dev/zero is refused at once instead of blocking the program or
// reading as an endless or empty log.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // False with Reason() set ("it is a folder", "it is not a regular file", or the system's
  // reason) when the file cannot be read.
  bool Open(const std::filesystem::path& path);
  const std::string& Reason() const { return m_reason; }

  // The length when it was opened.
  uint64_t Size() const { return m_size; }
  // Reads up to `count` bytes at `offset`; returns how many arrived (0 at the end or on an error).
  size_t ReadAt(uint64_t offset, void* into, size_t count);
  // The length now, to notice a file that changed while it was read; -1 when it cannot be told.
  int64_t CurrentSize() const;

 private:
  int m_fd = -1;
  uint64_t m_size = 0;
  std::string m_reason;
};
