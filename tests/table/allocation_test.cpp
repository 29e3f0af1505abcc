// Exporting allocates per piece of output, never per cell: a large table must not cost more
// allocations than a small one.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string_view>
#include <vector>

#include "log/CMeterlog2Doc.h"
#include "samples/SampleLog.h"
#include "table/ColumnList.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

#if defined(__SANITIZE_ADDRESS__)
#define METERLOG2_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define METERLOG2_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef METERLOG2_COUNT_ALLOCATIONS
#define METERLOG2_COUNT_ALLOCATIONS 1
#endif

#if METERLOG2_COUNT_ALLOCATIONS
namespace {
std::atomic<long> g_allocations{0};
}
void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#endif

namespace {

long AllocationsForExport(int logType, uint32_t records) {
  SampleLogOptions options;
  options.logType = logType;
  options.records = records;
  const std::vector<uint8_t> bytes = MakeSampleLog(options);
  CMeterlog2Doc doc;
  doc.LoadFromMemory(bytes.data(), bytes.size(), "count.57x");
  ColumnList list;
  list.BuildColumns(doc.GetFirstLogType(), 0, &doc);
  const std::vector<TableColumn> columns = VisibleColumns(list);
  size_t total = 0;
#if METERLOG2_COUNT_ALLOCATIONS
  const long before = g_allocations.load();
#endif
  WriteTableChunks(doc, columns, nullptr, ',', [&](std::string_view piece) {
    total += piece.size();
    return true;
  });
  EXPECT_GT(total, 0u);
#if METERLOG2_COUNT_ALLOCATIONS
  return g_allocations.load() - before;
#else
  return 0;
#endif
}

TEST(ExportAllocations, DoNotGrowWithTheNumberOfCells) {
  if (!METERLOG2_COUNT_ALLOCATIONS) GTEST_SKIP() << "allocations are not counted under ASan";
  for (int logType : {1, 2, 4, 5}) {
    const long small = AllocationsForExport(logType, 2);
    const long large = AllocationsForExport(logType, 300);
    EXPECT_GT(small, 0) << "the counter counts";
    EXPECT_LE(large, small + 2) << "log type " << logType;
    EXPECT_LT(large, 20) << "log type " << logType;
  }
}

}  // namespace
