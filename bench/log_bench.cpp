// Loading and dumping a large three-phase log; loading it from a file beside reading the file's
// bytes into memory, which is the least any load can cost.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "file/InputFile.h"

#include "log/CMeterlog2Doc.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"

namespace {

const std::vector<uint8_t>& ThreePhaseLog() {
  static const std::vector<uint8_t> bytes = [] {
    SampleLogOptions o;
    o.logType = 4;
    o.records = 20000;
    return MakeSampleLog(o);
  }();
  return bytes;
}

// Discards what it is given, so the dump's formatting is measured, not the disk.
class NullBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
  int overflow(int c) override { return c; }
};

void BM_LoadThreePhaseTabular20k(benchmark::State& state) {
  const auto& bytes = ThreePhaseLog();
  for (auto _ : state) {
    CMeterlog2Doc doc;
    doc.LoadFromMemory(bytes.data(), bytes.size(), "bench");
    benchmark::DoNotOptimize(doc.GetRecordCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_LoadThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

void BM_LoadAndDumpThreePhaseTabular20k(benchmark::State& state) {
  const auto& bytes = ThreePhaseLog();
  NullBuffer sink;
  std::ostream out(&sink);
  for (auto _ : state) {
    CMeterlog2Doc doc;
    doc.LoadFromMemory(bytes.data(), bytes.size(), "bench");
    WriteRecordDumps(out, doc.SharedRecords().get(), doc.GetRecordCount(), doc.GetRecordSize());
  }
  state.counters["records/s"] = benchmark::Counter(
      20000.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadAndDumpThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

// The log written once to a file in the temporary folder (the page cache then holds it).
const std::string& ThreePhaseLogFile() {
  static const std::string path = [] {
    const std::filesystem::path p =
        std::filesystem::temp_directory_path() / "meterlog2_bench_three_phase.57x";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(ThreePhaseLog().data()),
               static_cast<std::streamsize>(ThreePhaseLog().size()));
    return p.string();
  }();
  return path;
}

void BM_ReadFileBytesThreePhaseTabular20k(benchmark::State& state) {
  const std::string& path = ThreePhaseLogFile();
  for (auto _ : state) {
    InputFile file;
    if (!file.Open(path)) state.SkipWithError("cannot open the bench file");
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[file.Size()]);
    benchmark::DoNotOptimize(file.ReadAt(0, bytes.get(), file.Size()));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ThreePhaseLog().size()));
}
BENCHMARK(BM_ReadFileBytesThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

void BM_LoadFileThreePhaseTabular20k(benchmark::State& state) {
  const std::string& path = ThreePhaseLogFile();
  for (auto _ : state) {
    CMeterlog2Doc doc;
    if (!doc.Load(path).Opened()) state.SkipWithError("cannot load the bench file");
    benchmark::DoNotOptimize(doc.GetRecordCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * ThreePhaseLog().size()));
}
BENCHMARK(BM_LoadFileThreePhaseTabular20k)->Unit(benchmark::kMillisecond);

// A Three Phase Tabular log of `records` records in the temporary folder: its first record
// written, the rest a hole in a sparse file, so that even a million records (3 GB) cost no disk.
std::filesystem::path SparseLogFile(uint32_t records) {
  SampleLogOptions o;
  o.logType = 4;
  o.records = 1;
  std::vector<uint8_t> bytes = MakeSampleLog(o);
  const size_t countAt = 6 + (size_t{bytes[4]} << 8 | bytes[5]);  // after the header block
  const uint64_t recordSize = uint64_t{bytes[countAt + 4]} << 8 | bytes[countAt + 5];
  for (int i = 0; i < 4; ++i) bytes[countAt + i] = static_cast<uint8_t>(records >> (24 - 8 * i));
  const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("meterlog2_bench_sparse_" + std::to_string(records) + ".57x");
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  std::filesystem::resize_file(p, bytes.size() + uint64_t{records - 1} * recordSize);
  return p;
}

// What `info` reads (the header and record 0) against what a whole load reads, by record count.
void LoadSparse(benchmark::State& state, unsigned limit) {
  const auto records = static_cast<uint32_t>(state.range(0));
  const std::filesystem::path path = SparseLogFile(records);
  for (auto _ : state) {
    CMeterlog2Doc doc;
    const LoadResult result = doc.LoadFirstRecords(path, limit);
    if (result.completeRecords != records) state.SkipWithError("the log did not load");
  }
  std::filesystem::remove(path);
}
void BM_InfoSparseThreePhaseTabular(benchmark::State& state) {
  LoadSparse(state, 1);
}
void BM_LoadSparseThreePhaseTabular(benchmark::State& state) {
  LoadSparse(state, CMeterlog2Doc::kAllRecords);
}
BENCHMARK(BM_InfoSparseThreePhaseTabular)
    ->RangeMultiplier(100)
    ->Range(100, 1'000'000)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LoadSparseThreePhaseTabular)
    ->RangeMultiplier(10)
    ->Range(100, 100'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
