#pragma once
// Questions about a whole log that the desktop program asks for its status bar and for
// Go To Time, and the command-line tool for its warnings.

#include <cstdint>

class CMeterlog2Doc;

// The first record, in file order, whose time stamp is valid and at or after `seconds`
// (seconds since 1970-01-01 of the instrument's clock, as GetTimeSeconds counts them); -1 when
// there is none.
int64_t FirstRecordAtOrAfter(const CMeterlog2Doc& doc, int64_t seconds);

// True when the log's first records (kRecordsJudged at most) read as nonsense in the current
// data format (a frequency outside 10 to 1000 Hz or, where the records have no frequency, a
// voltage no instrument measures) but make sense in the other. The document's data format is the
// same afterwards.
bool OtherDataFormatLooksRight(CMeterlog2Doc& doc);
constexpr unsigned kRecordsJudged = 16;
