#pragma once
// The text of one cell: column identifier -> document query -> text, with "Oops!" for a query
// that fails and "-" for an identifier that has none.

#include <string>

class CMeterlog2Doc;

// Replaces `text` with the cell text of (row, columnId). Allocates nothing once `text` has
// capacity. The caller checks that the row exists (rows beyond the count get no text).
void GetCellText(const CMeterlog2Doc& doc, unsigned row, int columnId, std::string& text);
