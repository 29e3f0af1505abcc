#pragma once
// The one way the programs write a file (CSV exports, dumps, downloaded logs, sample logs).
//
// - A regular file, new or existing, is written to a temporary file beside it, flushed to the
//   disk and renamed into place only when complete. On Linux that file has no name until then
//   (O_TMPFILE), so a process killed while writing leaves nothing behind; elsewhere, and on file
//   systems that cannot do that, it has a hidden, unpredictable name (created exclusively, never
//   through a link). An existing file keeps its permission bits and, where the system
//   allows, its owner; a symbolic link keeps pointing at the file it named.
// - Anything else that already exists (a terminal, a FIFO, a socket, a device, "-" for standard
//   output) is written to directly as the bytes come; it is never replaced.
// - Writing onto a file the same command reads is refused.
// - Every failure, and a SIGINT or SIGTERM (see Interrupt.h), removes the temporary file; what
//   stood at the target before stays as it was.
//
// Errors come back as one sentence naming the file and the reason.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class InterruptScope;

class OutputFile {
 public:
  OutputFile();
  ~OutputFile();  // an output that was not committed is abandoned
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Prepares to write `target` ("-": standard output). `inputs` are the files the command
  // reads. False with Error() set when the target cannot be written.
  bool Open(const std::filesystem::path& target,
            const std::vector<std::filesystem::path>& inputs = {});

  // Writes every byte or fails (the error names the reason; an interrupt counts as a failure).
  bool Write(std::string_view bytes);
  bool Write(const void* data, size_t size) {
    return Write(std::string_view(static_cast<const char*>(data), size));
  }

  // Finishes the output: a regular file is flushed to the disk and put in place. False (with the
  // temporary file removed) when any of that fails or a write failed before.
  bool Commit();
  // Gives the output up: the temporary file goes, the target stays as it was.
  void Abandon();
  // Gives the output up but keeps the first `length` bytes written (all by default) as
  // `keepPath`, or, when anything at all stands there already (an earlier file, a link, a
  // device), as the first free one of "keepPath.1", "keepPath.2", ...: nothing is ever replaced.
  // A name longer than a folder takes (255) is cut before its extension and marked "~".
  // Returns the path the bytes now have, or an empty path when nothing was kept: nothing written,
  // or the output went straight into its target, or a file that had no name yet could not get
  // one. When no other name can be had, the temporary file stays and its path is returned.
  std::filesystem::path KeepAs(const std::filesystem::path& keepPath, uint64_t length = UINT64_MAX);

  // True when the bytes go straight into the target (standard output, a device, a FIFO).
  bool Streaming() const { return m_streaming; }
  // The name the user gave, for messages ("standard output" for "-").
  std::string DisplayName() const;
  const std::string& Error() const { return m_error; }
  // The reason alone ("No space left on device", "interrupted").
  const std::string& Reason() const { return m_reason; }

 private:
  bool Fail(const std::string& reason);
  // Open's parts: forget the last target; open a device, FIFO or socket to write to as it is;
  // note the file to replace (its mode and owner, or a new file's folder); create the
  // temporary file that replaces it.
  void Reset(const std::filesystem::path& target);
  bool OpenStream(const std::filesystem::path& target);
  bool ChooseFinal(const std::filesystem::path& target, const std::filesystem::file_status& status);
  bool CreateReplacement();
  void CloseDescriptor();
  void RemoveTemporary();
  // Gives an unnamed temporary file its hidden name beside the target (nothing to do for a
  // named one); false with the error set when that fails.
  bool NameUnnamed();

  std::filesystem::path m_target;     // as given
  std::filesystem::path m_final;      // where the file ends up (a link's target resolved)
  std::filesystem::path m_temporary;  // empty when streaming or while the file has no name
  int m_fd = -1;
  bool m_ownsDescriptor = true;  // false for standard output
  bool m_streaming = false;
  bool m_failed = false;
  bool m_existed = false;
  bool m_unnamed = false;  // written to a file with no name yet (Linux, O_TMPFILE)
  unsigned m_mode = 0;     // permission bits the finished file gets
  long long m_owner = -1, m_group = -1;
  uint64_t m_written = 0;
  int m_slot = -1;  // the temporary file's slot for the signal handler
  std::unique_ptr<InterruptScope> m_scope;
  std::string m_error;
  std::string m_reason;
};

// An ostream over an OutputFile (64 KiB buffered); its badbit is set once a write fails.
// flush() it before OutputFile::Commit: bytes still buffered when it goes are dropped.
class OutputFileStream : public std::ostream {
 public:
  explicit OutputFileStream(OutputFile& file);
  ~OutputFileStream() override;

 private:
  class Buffer;
  std::unique_ptr<Buffer> m_buffer;
};

// "Could not write "NAME": REASON." as every writer says it.
std::string WriteFailureText(const std::string& name, const std::string& reason);
