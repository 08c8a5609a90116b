#pragma once
// Consistency helpers for texts and amounts.
#include <QString>

#include "dll/export.h"

// True for a text with nothing but blanks in it.
DLL_API bool EmptyString(const QString& text);

// Cuts a value to two decimals toward zero. Works on the value's decimal form
// (15 significant digits), so 20.01 stays 20.01 although 20.01 * 100 is
// 2000.9999... in binary.
DLL_API double Trunc2(double value);
