#include "orv00006/dll/Consiste.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace dll {

bool EmptyString(const QString& text) { return text.trimmed().isEmpty(); }

namespace {

// The shortest form that reads back as the same double is the amount as it
// was written (20.01, not 20.0099999...); cutting its digits never rounds
// up, at any magnitude. Fixed notation keeps exponents out.
double CutDigits(double value) {
    char buf[64];
    const std::to_chars_result written = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (written.ec != std::errc()) return value;
    char* const end = written.ptr;
    char* const point = std::find(buf, end, '.');
    if (point == end) return value;
    double out = value;
    std::from_chars(buf, std::min(end, point + 3), out);
    return out;
}

}  // namespace

double Trunc2(double value) {
    if (!std::isfinite(value)) return value;
    // From 2^52 on every double is a whole number: there is nothing to cut.
    if (std::fabs(value) >= 0x1p52) return value;
    if (std::fabs(value) < 0.01) return 0.0;
    // Arithmetic lands one rounding step off the amount it stands for: 10 %
    // of 200.1 is the double just under 20.01. Where a cent spans over a
    // thousand doubles, the double next to a cent amount stands for it.
    if (std::fabs(value) < 0x1p35) {
        const double away = std::nextafter(value, std::copysign(HUGE_VAL, value));
        if (CutDigits(away) == away) return away;
    }
    return CutDigits(value);
}

}  // namespace dll
