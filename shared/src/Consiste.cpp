#include "dll/Consiste.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>

bool EmptyString(const QString& text) { return text.trimmed().isEmpty(); }

double Trunc2(double value) {
    if (!std::isfinite(value)) return value;
    // Past 13 integer digits the 15-digit decimal form has no room for two
    // decimals; there the binary value is exact enough to cut directly.
    if (std::fabs(value) >= 1e13)
        return static_cast<double>(std::trunc(static_cast<long double>(value) * 100.0L) / 100.0L);
    if (std::fabs(value) < 0.01) return 0.0;
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%.15g", value);
    if (n <= 0 || n >= static_cast<int>(sizeof buf)) return value;
    char* end = buf + n;
    if (char* point = std::strchr(buf, '.')) end = std::min(end, point + 3);
    double out = value;
    std::from_chars(buf, end, out);
    return out;
}
