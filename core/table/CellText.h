#pragma once
// The text and the number of one cell: column identifier -> document query -> value -> text,
// with "Oops!" for a query that fails and "-" for an identifier that has none. A numeric cell's
// text is its value written with "%f", so plots, statistics and the table never disagree.

#include <optional>
#include <string>
#include <string_view>

#include "ColumnCatalogue.h"
#include "text/TimeText.h"

class CMeterlog2Doc;

// True for the columns whose cells are numbers (everything but log type, time, channel select,
// direction and the identifiers without a query).
bool IsNumericColumn(int columnId);

// The number of a numeric cell; nothing for a text column and where the cell reads "Oops!".
// The value may be inf or nan, as the file holds it.
std::optional<double> GetCellValue(const CMeterlog2Doc& doc, unsigned row, int columnId);

// The unit of a column's numbers. A single-phase log's channel columns follow the input that
// record 0 selects for that channel (volts for Vab..Vcs, amperes for Ia..Ic).
Unit GetColumnUnit(const CMeterlog2Doc& doc, int columnId);
// "Title (unit)" of a column, for a tooltip or a plot's legend; the title alone without a unit.
std::string GetColumnLabel(const CMeterlog2Doc& doc, int columnId, std::string_view title);

// Replaces `text` with the cell text of (row, columnId), the time in `timeStyle`. Allocates
// nothing once `text` has capacity. The caller checks that the row exists (rows beyond the count
// get no text).
void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text,
                 TimeStyle timeStyle = TimeStyle::kTable);
