#pragma once
// Numbers in the configuration dialog's boxes: how a box's text is read, how a value is shown,
// and the bounds of the scale factors. Locale-independent on both ways.

#include <string>

// Reads a whole text as a decimal floating-point number: blanks may surround it, nothing else
// ("12abc" and "1,5" are not numbers).
bool ReadWholeNumber(const std::string& text, double& value);

// "%.*g" with six significant digits: 1 as "1", one half as "0.5".
std::string FormatDialogNumber(double value);

// "Please enter a number between %1 and %2." with the bounds written as the dialog shows them.
std::string RangeMessage(double low, double high);
