// info, dump and sample: the log-file commands.
#include <iostream>
#include <sstream>
#include <type_traits>

#include "Commands.h"
#include "TableSelection.h"
#include "file/InputFile.h"
#include "file/Interrupt.h"
#include "file/OutputFile.h"
#include "file/PathText.h"
#include "log/CMeterlog2Doc.h"
#include "log/LogSearch.h"
#include "log/RecordDump.h"
#include "samples/SampleLog.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

namespace {

const char* DataFormatDescription(uint32_t format) {
  if (const char* name = DataFormatName(format)) return name;
  return format == kDataFormatUnknown ? "Unknown" : "not a known format; floats are read as stored";
}

// Reports a failed or interrupted load of `path`, or what was salvaged, on stderr; false on
// failure.
bool ReportLoad(const std::string& path, const LoadResult& result) {
  if (result.status == LoadResult::Status::kLoaded) {
    ReportSalvage(path, result);
    return true;
  }
  ReportLoadFailure(path, result);
  return false;
}

// The one log file the command reads, or a usage message.
bool TakeLogFile(const Args& args, const char* usage, std::string& path) {
  if (args.operands.size() == 1) {
    path = args.operands[0];
    return true;
  }
  std::cerr << "usage: meterlog2-cli " << usage << "\n";
  return false;
}

}  // namespace

static int RunInfo(Args& args) {
  std::string path;
  const bool salvage = TakeFlag(args, "--salvage");
  if (!TakeLogFile(args, kInfoCommand.usage, path)) return 2;
  // Record 0 tells the type and the title, the first few whether the byte order reads right;
  // the header tells the rest. The other records are never read, so a log of any length
  // answers at once.
  CMeterlog2Doc doc;
  const LoadResult result = doc.LoadFirstRecords(PathFromText(path), kRecordsJudged, salvage);
  if (!ReportLoad(path, result)) return 1;
  WarnOfTheOtherDataFormat(path, doc);
  std::string name, title;
  doc.GetLogTypeName(name, 0);
  doc.GetRecordTitle(title, 0);
  std::cout << "File: " << path << "\n"
            << "Log type: " << (name.empty() ? "none" : name) << "\n"
            << "Records: " << result.completeRecords << "\n"
            << "Record size: " << doc.GetRecordSize() << "\n"
            << "Data format: " << doc.GetDetectedDataFormat() << " ("
            << DataFormatDescription(doc.GetDetectedDataFormat()) << ")\n"
            << "Title: " << title << "\n";
  return 0;
}

static int RunDump(Args& args) {
  std::string out = "-", path;
  TakeOption(args, "--output", out);
  const bool salvage = TakeFlag(args, "--salvage");
  if (!TakeLogFile(args, kDumpCommand.usage, path)) return 2;
  // The log is looked at before the output is opened: a FIFO as output waits for its reader.
  if (InputFile probe; !probe.Open(PathFromText(path))) {
    std::cerr << "meterlog2-cli: Cannot open the file \"" << path << "\": " << probe.Reason()
              << ".\n";
    return 1;
  }
  OutputFile output;
  if (!output.Open(PathFromText(out), {PathFromText(path)})) {
    std::cerr << "meterlog2-cli: " << output.Error() << "\n";
    return 1;
  }
  OutputFileStream stream(output);
  CMeterlog2Doc doc;
  if (!ReportLoad(path, doc.Load(PathFromText(path), salvage))) return 1;  // output abandoned
  // A failed write is reported by the commit, which then fails.
  WriteRecordDumps(stream, doc.SharedRecords().get(), doc.GetRecordCount(), doc.GetRecordSize());
  if (!output.Commit()) {
    std::cerr << "meterlog2-cli: " << output.Error() << "\n";
    return 1;
  }
  MarkOutputComplete();
  return 0;
}

namespace {

const char* const kSampleUsage =
    "sample --type N --records K [--data-format 1|256] -o FILE\n"
    "       [--header-size N] [--record-size S] [--trailing-bytes N] [--hz 50|60]\n"
    "       [--seed N] [--interval SECONDS] [--invalid-dates] [--mixed-type N]\n"
    "       [--start YYYY-MM-DDTHH:MM:SS] [--volts V] [--harmonic N:PERCENT]";

// Reads the options that take a whole number; false (after saying why) on a bad value.
bool TakeSampleNumbers(Args& args, SampleLogOptions& o) {
  std::string value;
  // Reads "--name N" into `into` (which keeps its default when the option is absent).
  auto number = [&](const char* name, unsigned long long max, auto& into) {
    if (!TakeOption(args, name, value)) return true;
    unsigned long long n;
    if (ParseUnsigned(value, max, n)) {
      into = static_cast<std::remove_reference_t<decltype(into)>>(n);
      return true;
    }
    std::cerr << "meterlog2-cli: " << name << " takes a whole number from 0 to " << max
              << ", not \"" << value << "\"\n";
    return false;
  };
  return number("--type", 63, o.logType) && number("--records", 10'000'000, o.records) &&
         number("--data-format", 0xFFFFFFFFull, o.dataFormat) &&
         number("--header-size", 65535, o.headerSize) &&
         number("--record-size", 65535, o.recordSize) &&
         number("--trailing-bytes", 1 << 20, o.trailingBytes) && number("--hz", 1000, o.mainsHz) &&
         number("--seed", 1'000'000, o.seed) && number("--interval", 86400, o.intervalSeconds) &&
         number("--mixed-type", 255, o.mixedLogType);
}

// Reads --start, --volts and --harmonic; false (after saying why) on a bad value.
bool TakeSampleSignal(Args& args, SampleLogOptions& o) {
  std::string value;
  if (TakeOption(args, "--start", value)) {
    const std::optional<ClockTime> start = ParseTimeText(value, TimeStyle::kIso);
    if (!start) {
      std::cerr << "meterlog2-cli: --start takes a time such as 2009-03-07T14:05:09, not \""
                << value << "\"\n";
      return false;
    }
    o.year = start->year, o.month = start->month, o.day = start->day;
    o.hour = start->hour, o.minute = start->minute, o.second = start->second;
  }
  if (TakeOption(args, "--volts", value) && (!ParseDecimal(value, o.volts) || o.volts <= 0)) {
    std::cerr << "meterlog2-cli: --volts takes a positive number of volts, not \"" << value
              << "\"\n";
    return false;
  }
  if (TakeOption(args, "--harmonic", value)) {
    const size_t colon = value.find(':');
    unsigned long long n = 0;
    if (colon == std::string::npos || !ParseUnsigned(value.substr(0, colon), 50, n) || n < 2 ||
        !ParseDecimal(value.substr(colon + 1), o.distortionPercent) || o.distortionPercent < 0) {
      std::cerr << "meterlog2-cli: --harmonic takes a harmonic number from 2 to 50 and a "
                   "percentage of the fundamental, such as 5:7.5, not \""
                << value << "\"\n";
      return false;
    }
    o.distortedHarmonic = static_cast<int>(n);
  }
  return true;
}

// What sample --help says after the usage: the log types and data formats by number.
std::string SampleHelp() {
  std::ostringstream text;
  text << "log types (--type N):\n";
  for (int type = kStandardLog; type <= kThreePhaseSequentialLog; ++type)
    text << "  " << type << "  " << LogTypeName(type) << "\n";
  text << "data formats (--data-format): " << kDataFormat0001 << " ("
       << DataFormatName(kDataFormat0001) << "), " << kDataFormat0100 << " ("
       << DataFormatName(kDataFormat0100) << ")\n";
  return text.str();
}

}  // namespace

static int RunSample(Args& args) {
  SampleLogOptions o;
  if (!TakeSampleNumbers(args, o)) return 2;
  o.invalidDates = TakeFlag(args, "--invalid-dates");
  if (!TakeSampleSignal(args, o)) return 2;
  std::string out;
  if (!TakeOption(args, "--output", out)) {
    std::cerr << "usage: meterlog2-cli " << kSampleUsage << "\n";
    return 2;
  }
  const unsigned long long bytes =
      12ull + o.headerSize + o.trailingBytes + o.records * (o.recordSize ? o.recordSize : 2994ull);
  if (bytes > (1ull << 31)) {
    std::cerr << "meterlog2-cli: that sample would be larger than 2 GiB; ask for fewer records\n";
    return 2;
  }
  std::string error;
  if (!WriteSampleLog(PathFromText(out), o, error)) {
    std::cerr << "meterlog2-cli: " << error << "\n";
    return 1;
  }
  MarkOutputComplete();
  return 0;
}

const CommandDescription kInfoCommand{
    "info", "info [--salvage] [--] FILE", {kSalvageOption}, true, RunInfo};

const CommandDescription kDumpCommand{
    "dump",
    "dump [-o OUT|-] [--salvage] [--] FILE",
    {{"-o,--output", "OUT", "where the dump text goes (\"-\": standard output, the default)"},
     kSalvageOption},
    true,
    RunDump};

const CommandDescription kSampleCommand{
    "sample",
    kSampleUsage,
    {{"--type", "N", "the log type (above)"},
     {"--records", "K", "how many records"},
     {"--data-format", "1|256", "the byte order of the floats"},
     {"-o,--output", "FILE", "the log to write"},
     {"--header-size", "N", "a header of N bytes"},
     {"--record-size", "S", "records of S bytes"},
     {"--trailing-bytes", "N", "N bytes after the last record"},
     {"--hz", "50|60", "the mains frequency"},
     {"--seed", "N", "the seed of the generated values"},
     {"--interval", "SECONDS", "the time between records"},
     {"--invalid-dates", nullptr, "dates no calendar has"},
     {"--mixed-type", "N", "every other record of log type N"},
     {"--start", "YYYY-MM-DDTHH:MM:SS", "the first record's time"},
     {"--volts", "V", "the voltages' level"},
     {"--harmonic", "N:PERCENT", "voltage harmonic N at that share of the fundamental"}},
    false,
    RunSample,
    SampleHelp};
