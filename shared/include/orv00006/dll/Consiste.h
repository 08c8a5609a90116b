#pragma once
// Consistency helpers for texts and amounts.
#include <QString>

#include "orv00006/dll/export.h"

namespace dll {

// True for a text with nothing but blanks in it.
DLL_API bool EmptyString(const QString& text);

// Cuts a value to two decimals toward zero. Works on the value's shortest
// decimal form, so 20.01 stays 20.01 although 20.01 * 100 is 2000.9999... in
// binary, and 123456789012.3996 becomes 123456789012.39. A result of
// arithmetic one rounding step under a cent amount (up to 2^35) counts as
// that amount. Magnitudes under 0.01 give 0; infinities and NaN come back as
// they are.
DLL_API double Trunc2(double value);

}  // namespace dll
