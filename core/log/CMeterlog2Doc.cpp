#include "CMeterlog2Doc.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <new>

#include "ByteOrder.h"
#include "RecordLayout.h"
#include "file/InputFile.h"
#include "file/PathText.h"

namespace {

constexpr uint16_t kMaxHeaderSize = 3100;

class FileSource final : public ByteSource {
 public:
  explicit FileSource(InputFile& file) : m_file(file) {}
  uint64_t Length() const override { return m_file.Size(); }
  uint64_t Position() const override { return m_position; }
  void Skip(uint64_t count) override { m_position += count; }
  size_t Read(uint8_t* into, size_t count) override {
    if (m_position >= m_file.Size()) return 0;
    const size_t got = m_file.ReadAt(m_position, into, count);
    m_position += got;
    return got;
  }
  bool Changed() const override {
    return m_file.CurrentSize() != static_cast<int64_t>(m_file.Size());
  }

 private:
  InputFile& m_file;
  uint64_t m_position = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint64_t Length() const override { return m_size; }
  uint64_t Position() const override { return m_position; }
  void Skip(uint64_t count) override { m_position += count; }
  size_t Read(uint8_t* into, size_t count) override {
    if (m_position >= m_size) return 0;
    const size_t got = static_cast<size_t>(std::min<uint64_t>(count, m_size - m_position));
    if (got) std::memcpy(into, m_data + m_position, got);
    m_position += got;
    return got;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  uint64_t m_position = 0;
};

void SwapField16(uint8_t* field) {
  uint16_t v;
  std::memcpy(&v, field, 2);
  SwapBytes16(v);
  std::memcpy(field, &v, 2);
}

void SwapField32(uint8_t* field) {
  uint32_t v;
  std::memcpy(&v, field, 4);
  SwapBytes32(v);
  std::memcpy(field, &v, 4);
}

// The three big-endian integers of the time stamp, each only where the record holds it.
void ConvertTimeStamp(uint8_t* record, size_t size) {
  if (size >= layout::dayofyear + 2) SwapField16(record + layout::dayofyear);
  if (size >= layout::year + 2) SwapField16(record + layout::year);
  if (size >= layout::secondsofyear + 4) SwapField32(record + layout::secondsofyear);
}

}  // namespace

LoadResult CMeterlog2Doc::Load(const std::filesystem::path& path, bool salvage) {
  return LoadFirstRecords(path, kAllRecords, salvage);
}

LoadResult CMeterlog2Doc::LoadFirstRecords(const std::filesystem::path& path, unsigned limit,
                                           bool salvage) {
  InputFile file;
  if (!file.Open(path)) {
    return {LoadResult::Status::kOpenFailed,
            "Cannot open the file \"" + PathText(path) + "\": " + file.Reason() + ".",
            {}};
  }
  FileSource source(file);
  std::error_code ec;
  std::string fullPath = PathText(std::filesystem::absolute(path, ec));
  if (ec) fullPath = PathText(path);
  return LoadFromSource(source, fullPath, salvage, limit);
}

LoadResult CMeterlog2Doc::LoadFromMemory(const uint8_t* data, size_t size, const std::string& name,
                                         bool salvage) {
  MemorySource source(data, size);
  return LoadFromSource(source, name, salvage);
}

LoadResult CMeterlog2Doc::LoadFromSource(ByteSource& source, const std::string& fullPath,
                                         bool salvage, unsigned limit) {
  using Status = LoadResult::Status;
  DeleteRecords();
  // An empty file is opened without reading anything: an empty document, no message.
  if (source.Length() == 0) return {};

  const LoadResult endOfFile{Status::kEndOfFile,
                             "An attempt was made to access " + fullPath + " past its end.",
                             "is not a 57x log: it ends after " + std::to_string(source.Length()) +
                                 " bytes, inside its header"};
  uint8_t head[6];
  if (source.Read(head, 4) != 4) return endOfFile;
  uint32_t marker;  // read least significant byte first, not converted
  marker = uint32_t{head[0]} | (uint32_t{head[1]} << 8) | (uint32_t{head[2]} << 16) |
           (uint32_t{head[3]} << 24);
  m_dwDetectedDataFormat = m_dwCurrentDataFormat = marker;

  if (source.Read(head, 2) != 2) return endOfFile;
  const uint16_t headerSize = ReadBigEndian16(head);
  if (headerSize > kMaxHeaderSize) {
    return {Status::kHeaderSize, "Error in File Header Size",
            "is not a 57x log: its header size is " + std::to_string(headerSize) +
                " (a log's is at most " + std::to_string(kMaxHeaderSize) + ")"};
  }
  source.Skip(headerSize);
  if (source.Position() == source.Length()) return {};

  if (source.Read(head, 6) != 6) return endOfFile;
  uint32_t count = ReadBigEndian32(head);
  const uint16_t size = ReadBigEndian16(head + 4);
  m_wRecordSize = size;

  const uint64_t length = source.Length();
  const uint64_t required = source.Position() + uint64_t{count} * size;
  const uint32_t declared = count;
  if (required > length) {
    const auto complete =
        static_cast<uint32_t>(size == 0 ? 0 : (length - source.Position()) / size);
    if (!salvage || complete == 0) {
      LoadResult result{
          Status::kFileSize,
          "Error in File Size (" + std::to_string(length) + ", " + std::to_string(required) + ")",
          "is cut short: its header declares " + std::to_string(count) + " records, and " +
              (complete == 0   ? std::string("none of them is complete")
               : complete == 1 ? std::string("only 1 is complete")
                               : "only " + std::to_string(complete) + " are complete")};
      result.declaredRecords = count;
      result.completeRecords = complete;
      return result;
    }
    // What the user asked for: the complete records, the cut one left out.
    count = complete;
  }
  if (count == 0) return {};
  // A record of no bytes carries nothing, and billions of them would only hang the program.
  if (size == 0) {
    return {Status::kRecordSize,
            "Error in Record Size (0): the file declares " + std::to_string(count) +
                " records of no bytes.",
            "is not a 57x log: its records have no bytes"};
  }

  const unsigned kept = std::min(count, limit);
  // Left uninitialised: the read fills every byte, and clearing hundreds of megabytes first
  // would cost about as much as the read.
  const size_t bytes = static_cast<size_t>(kept) * size;
  try {
    m_records.reset(new uint8_t[bytes]);
  } catch (const std::bad_alloc&) {
    const size_t megabytes = std::max<size_t>(1, (bytes + 500000) / 1000000);
    return {Status::kOutOfMemory,
            "Failed to open document. There is not enough memory to load " + std::to_string(count) +
                " records (" + std::to_string(megabytes) + " MB).",
            {}};
  }
  // Read in one go. A file that is being written or cut short meanwhile gives no records at all:
  // a load that silently kept only what was left would pass for the whole log.
  const size_t got = source.Read(m_records.get(), bytes);
  if (got != bytes || source.Changed()) {
    DeleteRecords();
    return {Status::kChanged,
            "The file " + fullPath +
                " changed while it was being read; nothing was loaded. Open "
                "it again once the program writing it has finished.",
            {}};
  }
  m_nRecordCount = kept;

  for (unsigned i = 0; i < m_nRecordCount; ++i)
    ConvertTimeStamp(m_records.get() + static_cast<size_t>(i) * size, size);
  GetLogType(m_nFirstLogType, 0);
  LoadResult loaded;
  loaded.declaredRecords = declared;
  loaded.completeRecords = count;
  loaded.salvaged = count < declared;
  return loaded;
}

size_t CMeterlog2Doc::DeleteRecords() {
  const size_t freed = m_nRecordCount;
  m_records.reset();
  m_nRecordCount = 0;
  m_nFirstLogType = 0;
  return freed;
}

bool CMeterlog2Doc::OnNewDocument() {
  DeleteRecords();
  return true;
}

long long CMeterlog2Doc::SetDataFormat(uint32_t value) {
  if (value != kDataFormat0001 && value != kDataFormat0100) return -1;
  const uint32_t previous = m_dwCurrentDataFormat;
  m_dwCurrentDataFormat = value;
  return previous;
}

const uint8_t* CMeterlog2Doc::GetRecord(unsigned row) const {
  if (row >= m_nRecordCount) return nullptr;
  return m_records.get() + static_cast<size_t>(row) * m_wRecordSize;
}
