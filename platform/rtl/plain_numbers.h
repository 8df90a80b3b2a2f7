// The plain form of the numbers the program stores and exchanges, the same whatever the desktop's
// locale and FormatSettings: '.' as the point and no grouping.
#pragma once

#include <string>

// Exactly `decimals` digits after the point, rounded from the exact binary value (as "%.*f" of
// the C library rounds in its "C" locale).
// (The reading of such numbers is the grid's ReadPlainNumber.)
std::string FixedPointText(double value, int decimals);
