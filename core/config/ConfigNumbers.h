#pragma once
// Numbers in the configuration dialog's boxes: how a box's text is read, how a value is shown,
// and the bounds of the scale factors. Locale-independent on both ways.

#include <string>

// Reads the leading decimal floating-point number of `text` (blanks before it allowed, anything
// after it ignored, so "12abc" gives 12). False when the text does not start with a number.
bool ReadDialogNumber(const std::string& text, double& value);

// Reads a whole text as a number: nothing but blanks may follow it.
bool ReadWholeNumber(const std::string& text, double& value);

// "%.*g" with six significant digits: 1 as "1", one half as "0.5".
std::string FormatDialogNumber(double value);

// "Please enter a number between %1 and %2." with the bounds written as the dialog shows them.
std::string RangeMessage(double low, double high);
