#pragma once
// Number formatting and parsing with the process-wide decimal separator,
// the running program's location and file tests.
#include <QChar>
#include <QString>
#include <initializer_list>

#include "orv00006/platform/export.h"

namespace plat {

// Process-wide decimal separator. Starts as the user's LC_NUMERIC separator
// the first time it is read (a point if that one is not usable); a host may
// set it. A digit, a control character or the null character cannot
// separate anything: SetDecimalSeparator refuses them, returns false and
// leaves the separator as it was.
PLATFORM_API QChar DecimalSeparator();
PLATFORM_API bool IsUsableDecimalSeparator(QChar separator);
PLATFORM_API bool SetDecimalSeparator(QChar separator);

// A value quoted in a message, cut to `limit` characters and "…" so that a
// huge value neither freezes the message box nor buries the message.
PLATFORM_API QString Abbreviate(const QString& text, qsizetype limit = 60);

// Pattern formatting: "0", "0.00", "#,##0.00" style patterns. Rounds half
// away from zero on the 15-significant-digit decimal form of the value,
// writes the current decimal separator; ',' in the pattern adds thousands
// groups with '.' or ',' (the other one of the decimal separator).
PLATFORM_API QString FormatFloat(const QString& pattern, double value);

enum class TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };
// ffFixed: `digits` decimals after rounding to `precision` significant
// digits; values with more integer digits than `precision` fall back to the
// general form ("1E20").
PLATFORM_API QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
PLATFORM_API QString FloatToStr(double value);

// Text to number with the current decimal separator: optional blanks,
// sign, digits, one separator, digits, exponent. Anything else throws
// EConvertError with the text in the message.
PLATFORM_API double StrToFloat(const QString& text);
PLATFORM_API bool TryStrToFloat(const QString& text, double& value);

// printf-like subset: %s takes the next argument, %% is a percent sign.
// Too few arguments or another directive throws EConvertError.
PLATFORM_API QString Format(const QString& pattern, std::initializer_list<QString> args);

// The running program: full path of the executable and its directory
// (without a trailing separator).
PLATFORM_API QString ProgramPath();
PLATFORM_API QString ProgramDir();
// Test hook: pretend the program lives in `dir` (empty restores the truth).
PLATFORM_API void OverrideProgramDir(const QString& dir);

// True for an existing regular file (directories do not count).
PLATFORM_API bool FileExists(const QString& path);

}  // namespace plat
