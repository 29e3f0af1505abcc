#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "LogBytes.h"
#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "log/RecordLayout.h"
#include "samples/SampleLog.h"

using Status = LoadResult::Status;

namespace {

std::vector<uint8_t> StandardRecord(int year = 2009) {
  RecordBytes r(layout::kSinglePhaseHeadSize, 1);
  r.Time(year, 3, 7, 14, 5, 9, 66, 5666709);
  r.Float(layout::sp::fFrequency, 50.0f);
  return r.bytes;
}

LoadResult Load(CMeterlog2Doc& doc, const std::vector<uint8_t>& file) {
  return doc.LoadFromMemory(file.data(), file.size(), "/logs/test.57x");
}

const std::string kEndOfFile = "An attempt was made to access /logs/test.57x past its end.";

}  // namespace

TEST(Loader, ReadsRecordsAndConvertsOnlyTheTimeStamp) {
  CMeterlog2Doc doc;
  const auto file = MakeLogFile(1, 20, 2, 303, {StandardRecord(), StandardRecord(2010)});
  ASSERT_EQ(Load(doc, file).status, Status::kLoaded);
  ASSERT_EQ(doc.GetRecordCount(), 2u);
  EXPECT_EQ(doc.GetRecordSize(), 303);
  const uint8_t* r = doc.GetRecord(1);
  uint16_t year, dayOfYear;
  uint32_t seconds;
  std::memcpy(&dayOfYear, r + layout::dayofyear, 2);
  std::memcpy(&year, r + layout::year, 2);
  std::memcpy(&seconds, r + layout::secondsofyear, 4);
  EXPECT_EQ(year, 2010);
  EXPECT_EQ(dayOfYear, 66);
  EXPECT_EQ(seconds, 5666709u);
  // Floats stay exactly as stored.
  const auto original = StandardRecord();
  EXPECT_EQ(0, std::memcmp(r + 14, original.data() + 14, 303 - 14));
  EXPECT_EQ(doc.GetRecord(2), nullptr);
}

TEST(Loader, HeaderSizeLimitIs3100) {
  CMeterlog2Doc doc;
  EXPECT_EQ(Load(doc, MakeLogFile(1, 3100, 1, 303, {StandardRecord()})).status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 1u);

  const LoadResult r = Load(doc, MakeLogFile(256, 3101, 1, 303, {StandardRecord()}));
  EXPECT_EQ(r.status, Status::kHeaderSize);
  EXPECT_EQ(r.message, "Error in File Header Size");
  EXPECT_EQ(r.problem, "is not a 57x log: its header size is 3101 (a log's is at most 3100)");
  EXPECT_TRUE(r.Opened());
  EXPECT_EQ(doc.GetRecordCount(), 0u);
  // The marker was read before the check and is kept.
  EXPECT_EQ(doc.GetDetectedDataFormat(), 256u);
  EXPECT_EQ(doc.GetDataFormat(), 256u);
}

TEST(Loader, FileSizeCheckNamesLengthAndRequiredLength) {
  CMeterlog2Doc doc;
  // A 1000-byte file whose ten 500-byte records would need 5020 bytes.
  std::vector<uint8_t> file = MakeLogFile(1, 8, 10, 500, {});
  file.resize(1000, 0);
  const LoadResult r = Load(doc, file);
  EXPECT_EQ(r.status, Status::kFileSize);
  EXPECT_EQ(r.message, "Error in File Size (1000, 5020)");
  EXPECT_EQ(r.problem, "is cut short: its header declares 10 records, and only 1 is complete");
  EXPECT_TRUE(r.Opened());
  EXPECT_EQ(doc.GetRecordCount(), 0u);

  // A count whose product overflows 32 bits is still compared correctly.
  const LoadResult huge = Load(doc, MakeLogFile(1, 0, 0xFFFFFFFF, 0xFFFF, {StandardRecord()}));
  EXPECT_EQ(huge.status, Status::kFileSize);
  EXPECT_EQ(huge.message, "Error in File Size (315, 281470681677837)");
  EXPECT_EQ(huge.problem,
            "is cut short: its header declares 4294967295 records, and none of them is complete");
}

TEST(Loader, ShortHeaderReadsEndWithTheEndOfFileMessage) {
  const auto full = MakeLogFile(1, 10, 1, 303, {StandardRecord()});
  // Inside the marker, inside the header size, inside the count or size, and a header block
  // that claims more bytes than the file has.
  for (size_t length : {size_t{2}, size_t{5}, size_t{6 + 10 + 3}, size_t{6 + 10 + 5}}) {
    CMeterlog2Doc doc;
    ASSERT_EQ(Load(doc, full).status, Status::kLoaded);
    std::vector<uint8_t> file(full.begin(), full.begin() + static_cast<long>(length));
    const LoadResult r = Load(doc, file);
    EXPECT_EQ(r.status, Status::kEndOfFile) << length;
    EXPECT_EQ(r.message, kEndOfFile);
    EXPECT_EQ(r.problem, "is not a 57x log: it ends after " + std::to_string(length) +
                             " bytes, inside its header");
    EXPECT_FALSE(r.Opened());
    EXPECT_EQ(doc.GetRecordCount(), 0u) << "the first file's records must be gone";
  }
  CMeterlog2Doc doc;
  const auto longHeader = MakeLogFile(1, 3000, 0, 0, {});
  std::vector<uint8_t> file(longHeader.begin(), longHeader.begin() + 100);
  EXPECT_EQ(Load(doc, file).status, Status::kEndOfFile);
}

TEST(Loader, EmptyDocumentsWithoutMessages) {
  CMeterlog2Doc doc;
  // A file that ends right after its header block.
  const auto full = MakeLogFile(256, 10, 1, 303, {StandardRecord()});
  std::vector<uint8_t> headerOnly(full.begin(), full.begin() + 16);
  LoadResult r = Load(doc, headerOnly);
  EXPECT_EQ(r.status, Status::kLoaded);
  EXPECT_TRUE(r.message.empty());
  EXPECT_EQ(doc.GetRecordCount(), 0u);
  EXPECT_EQ(doc.GetDetectedDataFormat(), 256u);

  // A count of 0, whatever the size.
  r = Load(doc, MakeLogFile(1, 0, 0, 12345, {}, 7));
  EXPECT_EQ(r.status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 0u);
  EXPECT_EQ(doc.GetRecordSize(), 12345);

  // A file of no bytes: nothing read, the data formats stay.
  ASSERT_EQ(Load(doc, MakeLogFile(256, 0, 1, 303, {StandardRecord()})).status, Status::kLoaded);
  r = Load(doc, {});
  EXPECT_EQ(r.status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 0u);
  EXPECT_EQ(doc.GetDetectedDataFormat(), 256u);
}

TEST(Loader, ZeroSizedRecordsAreRefused) {
  CMeterlog2Doc doc;
  const LoadResult r = Load(doc, MakeLogFile(1, 0, 0xFFFFFFFF, 0, {}));
  EXPECT_EQ(r.status, Status::kRecordSize);
  EXPECT_TRUE(r.Opened());
  EXPECT_NE(r.message.find("Error in Record Size (0)"), std::string::npos);
  EXPECT_EQ(doc.GetRecordCount(), 0u);
}

TEST(Loader, TrailingBytesAndLargerRecordsAreAccepted) {
  CMeterlog2Doc doc;
  auto record = StandardRecord();
  record.resize(400, 0x77);
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 1, 400, {record}, 999)).status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 1u);
  EXPECT_EQ(doc.GetRecordSize(), 400);
  double frequency = 0;
  EXPECT_TRUE(doc.GetFrequency(frequency, 0));
  EXPECT_EQ(frequency, 50.0);
}

TEST(Loader, MarkerBecomesDetectedAndCurrentFormat) {
  const std::pair<uint32_t, uint32_t> cases[] = {{1, 1}, {256, 256}, {0, 0}, {2, 2}};
  for (auto [marker, expected] : cases) {
    CMeterlog2Doc doc;
    ASSERT_EQ(Load(doc, MakeLogFile(marker, 0, 1, 303, {StandardRecord()})).status,
              Status::kLoaded);
    EXPECT_EQ(doc.GetDetectedDataFormat(), expected);
    EXPECT_EQ(doc.GetDataFormat(), expected);
  }
  // The marker's bytes are read least significant first: 00 01 00 00 is 256.
  std::vector<uint8_t> file = MakeLogFile(0, 0, 0, 0, {});
  file[1] = 1;
  CMeterlog2Doc doc;
  Load(doc, file);
  EXPECT_EQ(doc.GetDetectedDataFormat(), 256u);
}

TEST(Loader, SecondLoadReplacesTheFirst) {
  CMeterlog2Doc doc;
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 2, 303, {StandardRecord(), StandardRecord()})).status,
            Status::kLoaded);
  RecordBytes r(layout::kThreePhaseRecordSize, 4);
  r.Time(2011, 1, 2, 3, 4, 5);
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 1, 2994, {r.bytes})).status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 1u);
  std::string title;
  doc.GetRecordTitle(title, 0);
  EXPECT_EQ(title, "Three Phase Tabular Log 01-02-2011 03:04:05");
}

TEST(Loader, FilesFromDisk) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "meterlog2_loader";
  std::filesystem::create_directories(dir);
  const std::filesystem::path path = dir / "disk.57x";
  const auto bytes = MakeLogFile(1, 4, 1, 303, {StandardRecord()});
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  CMeterlog2Doc doc;
  ASSERT_EQ(doc.Load(path.string()).status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 1u);

  // A file that cannot be opened leaves the document as it was.
  const LoadResult missing = doc.Load((dir / "missing.57x").string());
  EXPECT_EQ(missing.status, Status::kOpenFailed);
  EXPECT_NE(missing.message.find("missing.57x"), std::string::npos);
  EXPECT_FALSE(missing.Opened());
  EXPECT_EQ(doc.GetRecordCount(), 1u);

  // The end-of-file message names the full path.
  {
    std::ofstream out(dir / "short.57x", std::ios::binary);
    out.write("\x01\x00\x00", 3);
  }
  // (From inside its folder: on Windows the temporary folder may be on another drive.)
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  const LoadResult truncated = doc.Load("short.57x");
  EXPECT_EQ(truncated.status, Status::kEndOfFile);
  EXPECT_EQ(truncated.message, "An attempt was made to access " +
                                   (std::filesystem::current_path() / "short.57x").string() +
                                   " past its end.");
  std::filesystem::current_path(before);
  std::filesystem::remove_all(dir);
}

// A folder and a name with letters beyond ASCII and spaces; messages give the name as typed.
TEST(Loader, NamesBeyondAsciiAndWithSpaces) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    std::filesystem::path(u8"meterlog2 Messungen Müller");
  std::filesystem::create_directories(dir);
  const std::filesystem::path path = dir / std::filesystem::path(u8"Größe 1.57x");
  const auto bytes = MakeLogFile(1, 4, 2, 303, {StandardRecord(), StandardRecord()});
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
  }
  CMeterlog2Doc doc;
  ASSERT_EQ(doc.Load(path).status, Status::kLoaded);
  EXPECT_EQ(doc.GetRecordCount(), 2u);
  const LoadResult missing = doc.Load(dir / std::filesystem::path(u8"Nicht da ü.57x"));
  EXPECT_EQ(missing.status, Status::kOpenFailed);
  EXPECT_NE(missing.message.find("Messungen M\xC3\xBCller"), std::string::npos) << missing.message;
  EXPECT_NE(missing.message.find("Nicht da \xC3\xBC.57x"), std::string::npos) << missing.message;
  std::filesystem::remove_all(dir);
}

TEST(Loader, OnlyRegularFilesAreRead) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                    ("meterlog2_nonregular_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  CMeterlog2Doc doc;
  const LoadResult folder = doc.Load(dir.string());
  EXPECT_EQ(folder.status, Status::kOpenFailed);
  EXPECT_EQ(folder.message, "Cannot open the file \"" + dir.string() + "\": it is a folder.");
#ifndef _WIN32
  // Neither a FIFO without a writer (which would block the open for ever) nor a device that
  // never ends (which would read as an endless or an empty log) is opened.
  const std::filesystem::path fifo = dir / "pipe.57x";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const LoadResult pipe = doc.Load(fifo.string());
  EXPECT_EQ(pipe.status, Status::kOpenFailed);
  EXPECT_EQ(pipe.message,
            "Cannot open the file \"" + fifo.string() + "\": it is not a regular file.");
  EXPECT_EQ(doc.Load("/dev/zero").status, Status::kOpenFailed);
  // A link is judged by what it names.
  std::filesystem::create_symlink("/dev/zero", dir / "zero.57x");
  EXPECT_EQ(doc.Load((dir / "zero.57x").string()).status, Status::kOpenFailed);
#endif
  std::filesystem::remove_all(dir);
}

// A file that changes while it is read: cut short after its size was checked, or grown (or
// neither: a file that stays as it is). It counts the bytes that were read.
class ChangingSource : public ByteSource {
 public:
  ChangingSource(std::vector<uint8_t> bytes, size_t cutAt, bool grows)
      : m_bytes(std::move(bytes)), m_cutAt(cutAt), m_grows(grows) {}
  uint64_t Length() const override { return m_bytes.size(); }
  uint64_t Position() const override { return m_position; }
  void Skip(uint64_t count) override { m_position += count; }
  size_t Read(uint8_t* into, size_t count) override {
    const size_t end = std::min(m_bytes.size(), m_cutAt);
    const size_t got = m_position >= end ? 0 : std::min(count, end - m_position);
    std::copy_n(m_bytes.begin() + static_cast<long>(m_position), got, into);
    m_position += got;
    m_read += got;
    return got;
  }
  bool Changed() const override { return m_grows || m_cutAt < m_bytes.size(); }
  size_t BytesRead() const { return m_read; }

 private:
  std::vector<uint8_t> m_bytes;
  size_t m_cutAt;
  bool m_grows;
  size_t m_position = 0;
  size_t m_read = 0;
};

TEST(Loader, AFileThatChangesWhileItIsReadLoadsNothing) {
  const auto bytes =
      MakeLogFile(1, 4, 3, 303, {StandardRecord(), StandardRecord(), StandardRecord()});
  for (const auto& [cutAt, grows] : std::vector<std::pair<size_t, bool>>{
           {bytes.size() - 303, false}, {bytes.size() - 1, false}, {bytes.size(), true}}) {
    CMeterlog2Doc doc;
    ASSERT_EQ(Load(doc, MakeLogFile(1, 4, 1, 303, {StandardRecord()})).status, Status::kLoaded);
    ChangingSource source(bytes, cutAt, grows);
    const LoadResult r = doc.LoadFromSource(source, "/logs/moving.57x");
    EXPECT_EQ(r.status, Status::kChanged) << cutAt;
    EXPECT_FALSE(r.Opened());
    EXPECT_EQ(r.message,
              "The file /logs/moving.57x changed while it was being read; nothing was loaded. "
              "Open it again once the program writing it has finished.");
    EXPECT_EQ(doc.GetRecordCount(), 0u);  // no silent short load, and not the previous file
    EXPECT_EQ(doc.SharedRecords(), nullptr);
  }
}

TEST(Loader, DumpsEveryRecordInOrder) {
  CMeterlog2Doc doc;
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 2, 303, {StandardRecord(), StandardRecord(2010)})).status,
            Status::kLoaded);
  std::ostringstream dump;
  ASSERT_TRUE(WriteRecordDumps(dump, doc.SharedRecords().get(), 2, 303));
  const std::string text = dump.str();
  const size_t first = text.find("year[2009]\n");
  const size_t second = text.find("year[2010]\n");
  EXPECT_NE(first, std::string::npos);
  EXPECT_NE(second, std::string::npos);
  EXPECT_LT(first, second);
}

// The records a dump still holds stay as they were through the next load and through a failed
// one; the document itself lets them go.
TEST(Loader, SharedRecordsOutliveTheNextLoad) {
  CMeterlog2Doc doc;
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 1, 303, {StandardRecord(2009)})).status, Status::kLoaded);
  const std::shared_ptr<const uint8_t[]> held = doc.SharedRecords();
  const std::vector<uint8_t> before(held.get(), held.get() + 303);
  ASSERT_EQ(Load(doc, MakeLogFile(1, 0, 1, 303, {StandardRecord(2010)})).status, Status::kLoaded);
  EXPECT_NE(doc.SharedRecords(), held);
  EXPECT_EQ(std::vector<uint8_t>(held.get(), held.get() + 303), before);
  Load(doc, MakeLogFile(1, 3101, 1, 303, {StandardRecord()}));
  EXPECT_EQ(doc.SharedRecords(), nullptr);
  EXPECT_EQ(held.use_count(), 1);
  EXPECT_EQ(std::vector<uint8_t>(held.get(), held.get() + 303), before);
}

TEST(Loader, SalvageReadsTheCompleteRecordsOfAFileCutShort) {
  SampleLogOptions o;
  o.logType = 1;
  o.records = 10;
  const std::vector<uint8_t> whole = MakeSampleLog(o);
  const size_t start = 6 + 64 + 6;  // marker and header size, header block, count and size
  const auto dir = std::filesystem::temp_directory_path();
  auto write = [&](const char* name, size_t size) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(whole.data()), std::streamsize(size));
    return path;
  };
  const std::string cut = write("salvage-cut.57x", start + 4 * 303 + 100);
  CMeterlog2Doc doc;
  // Refused, but the result tells what a salvage would find.
  LoadResult r = doc.Load(cut);
  EXPECT_EQ(r.status, LoadResult::Status::kFileSize);
  EXPECT_EQ(r.declaredRecords, 10u);
  EXPECT_EQ(r.completeRecords, 4u);
  EXPECT_EQ(doc.GetRecordCount(), 0u);
  // Salvaged: the four complete records, byte for byte those of the whole file.
  r = doc.Load(cut, true);
  EXPECT_EQ(r.status, LoadResult::Status::kLoaded);
  EXPECT_TRUE(r.salvaged);
  EXPECT_EQ(r.completeRecords, 4u);
  EXPECT_EQ(doc.GetRecordCount(), 4u);
  CMeterlog2Doc full;
  full.LoadFromMemory(whole.data(), whole.size(), "whole.57x");
  EXPECT_EQ(std::memcmp(doc.GetRecord(3), full.GetRecord(3), 303), 0);
  // A whole file loads the same, salvage or not; a cut inside the first record gives nothing.
  r = doc.Load(write("salvage-whole.57x", whole.size()), true);
  EXPECT_FALSE(r.salvaged);
  EXPECT_EQ(doc.GetRecordCount(), 10u);
  EXPECT_EQ(doc.Load(write("salvage-stub.57x", start + 200), true).status,
            LoadResult::Status::kFileSize);
  for (const char* name : {"salvage-cut.57x", "salvage-whole.57x", "salvage-stub.57x"})
    std::filesystem::remove(dir / name);
}

// Reading only the first records answers every question about the file as a whole load does,
// reads nothing past them, and counts the records the whole load would hold.
TEST(Loader, FirstRecordsOnlyReadTheStartAndAnswerAsAWholeLoad) {
  const std::vector<uint8_t> record = StandardRecord();
  const auto whole = MakeLogFile(256, 20, 5, 303, std::vector<std::vector<uint8_t>>(5, record));
  const std::vector<uint8_t> cut(whole.begin(), whole.end() - 400);
  const auto badHeader = MakeLogFile(1, 3101, 1, 303, {record});
  const std::vector<uint8_t> shortHead(whole.begin(), whole.begin() + 30);
  const auto empty = MakeLogFile(1, 0, 0, 303, {});
  for (const bool salvage : {false, true}) {
    for (const auto* file : {&whole, &cut, &badHeader, &shortHead, &empty}) {
      CMeterlog2Doc all, first;
      ChangingSource allSource(*file, file->size(), false), firstSource(*file, file->size(), false);
      const LoadResult a = all.LoadFromSource(allSource, "/logs/x.57x", salvage);
      const LoadResult f = first.LoadFromSource(firstSource, "/logs/x.57x", salvage, 1);
      const std::string name = std::to_string(file->size()) + (salvage ? " salvaged" : "");
      EXPECT_EQ(f.status, a.status) << name;
      EXPECT_EQ(f.message, a.message) << name;
      EXPECT_EQ(f.declaredRecords, a.declaredRecords) << name;
      EXPECT_EQ(f.completeRecords, a.completeRecords) << name;
      EXPECT_EQ(f.salvaged, a.salvaged) << name;
      EXPECT_EQ(first.GetDetectedDataFormat(), all.GetDetectedDataFormat()) << name;
      EXPECT_EQ(first.GetRecordSize(), all.GetRecordSize()) << name;
      EXPECT_EQ(first.GetRecordCount(), std::min(all.GetRecordCount(), 1u)) << name;
      if (all.GetRecordCount() == 0) continue;
      EXPECT_EQ(std::memcmp(first.GetRecord(0), all.GetRecord(0), 303), 0) << name;
      EXPECT_EQ(firstSource.BytesRead(), 6u + 6u + 303u) << name;  // the header block is skipped
    }
  }
  // A file cut inside its first record after the size check loads nothing.
  ChangingSource shrunk(whole, 100, false);
  CMeterlog2Doc doc;
  EXPECT_EQ(doc.LoadFromSource(shrunk, "/logs/x.57x", false, 1).status, Status::kChanged);
}
