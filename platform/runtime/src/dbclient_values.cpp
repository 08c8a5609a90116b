// Value encodings: the 8-bit code page, decimal text and BCD, 80-bit
// extended reals, day numbers and timestamps (both packet forms use them),
// and how each field type's value is laid out in a binary cell.
#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "dbclient_p.h"

namespace plat::dbc {

// ---------------------------------------------------------------------------
// Windows-1252

namespace {

// 0x80-0x9F; the five unassigned bytes keep their C1 code point so that
// they survive a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString DecodeCp1252(const char* data, qsizetype size) {
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray EncodeCp1252(const QString& text) {
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out.append(static_cast<char>(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;  // one character, one replacement
        char mapped = '?';
        for (int k = 0; k < 32; ++k) {
            if (kCp1252High[k] == c) {
                mapped = static_cast<char>(0x80 + k);
                break;
            }
        }
        out.append(mapped);
    }
    return out;
}

QChar Cp1252FromC1(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0x80 && u < 0xA0) return QChar(kCp1252High[u - 0x80]);
    return c;
}

// ---------------------------------------------------------------------------
// Decimal text and BCD

bool CanonicalDecimal(const QString& text, QChar separator, QString& out) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t.at(i) == u'-' || t.at(i) == u'+')) {
        negative = t.at(i) == u'-';
        ++i;
    }
    QString intDigits;
    QString fracDigits;
    bool seenSep = false;
    bool anyDigit = false;
    for (; i < t.size(); ++i) {
        const QChar c = t.at(i);
        if (c >= u'0' && c <= u'9') {
            (seenSep ? fracDigits : intDigits).append(c);
            anyDigit = true;
        } else if (c == separator && !seenSep) {
            seenSep = true;
        } else {
            return false;
        }
    }
    if (!anyDigit) return false;
    qsizetype lead = 0;
    while (lead < intDigits.size() && intDigits.at(lead) == u'0') ++lead;
    intDigits = intDigits.mid(lead);
    while (!fracDigits.isEmpty() && fracDigits.back() == u'0') fracDigits.chop(1);
    if (intDigits.isEmpty()) intDigits = QStringLiteral("0");
    const bool zero = intDigits == u"0" && fracDigits.isEmpty();
    out.clear();
    if (negative && !zero) out.append(u'-');
    out.append(intDigits);
    if (!fracDigits.isEmpty()) {
        out.append(u'.');
        out.append(fracDigits);
    }
    return true;
}

QString DoubleToDecimal(double value) {
    if (!std::isfinite(value)) return {};
    // 15 significant digits: what a double holds reliably.
    QString g = QString::number(value, 'e', 14);  // d.dddddddddddddde[+-]xx
    const qsizetype e = g.indexOf(u'e');
    const int exponent = g.mid(e + 1).toInt();
    QString mantissa = g.left(e);
    bool negative = false;
    if (mantissa.startsWith(u'-')) {
        negative = true;
        mantissa.remove(0, 1);
    }
    mantissa.remove(u'.');  // 15 digits, point after the first
    QString digits;
    const int pointAt = exponent + 1;  // digits before the point
    if (pointAt <= 0)
        digits = QStringLiteral("0.") + QString(-pointAt, u'0') + mantissa;
    else if (pointAt >= mantissa.size())
        digits = mantissa + QString(pointAt - mantissa.size(), u'0');
    else
        digits = mantissa.left(pointAt) + u'.' + mantissa.mid(pointAt);
    QString out;
    CanonicalDecimal((negative ? QStringLiteral("-") : QString()) + digits, u'.', out);
    return out;
}

bool DecodeBcd(const char* data, int size, QString& text) {
    if (size < 2) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const int precision = p[0];
    const int places = p[1] & 0x3F;
    const bool negative = (p[1] & 0x80) != 0;
    // 64 digits is the most any BCD value carries.
    if (precision > 64 || precision > (size - 2) * 2 || places > precision) return false;
    QString digits;
    digits.reserve(precision + 2);
    for (int k = 0; k < precision; ++k) {
        const unsigned char byte = p[2 + k / 2];
        const int nibble = (k % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
        if (nibble > 9) return false;
        if (k == precision - places) digits.append(u'.');
        digits.append(QChar(u'0' + nibble));
    }
    if (precision == 0)
        digits = QStringLiteral("0");
    else if (places == precision)
        digits.prepend(u'0');
    return CanonicalDecimal((negative ? QStringLiteral("-") : QString()) + digits, u'.', text);
}

QByteArray EncodeBcd(const QString& canonical, int size) {
    QByteArray out(size, '\0');
    QString digits;
    int places = 0;
    bool negative = false;
    bool seenPoint = false;
    for (const QChar c : canonical) {
        if (c == u'-')
            negative = true;
        else if (c == u'.')
            seenPoint = true;
        else if (c.isDigit()) {
            digits.append(c);
            if (seenPoint) ++places;
        }
    }
    // Integer zero digits before a fraction carry nothing.
    while (digits.size() > places && digits.size() > 1 && digits.at(0) == u'0') digits.remove(0, 1);
    const int maxDigits = std::min((size - 2) * 2, 64);
    if (digits.size() > maxDigits || places > 63)
        Fail(QStringLiteral("valor decimal %1 não cabe no campo (máximo de %2 dígitos)").arg(canonical).arg(maxDigits));
    out[0] = static_cast<char>(digits.size());
    out[1] = static_cast<char>(places | (negative ? 0x80 : 0));
    for (qsizetype k = 0; k < digits.size(); ++k) {
        const int d = digits.at(k).unicode() - u'0';
        auto& byte = out[2 + k / 2];
        byte = static_cast<char>(static_cast<unsigned char>(byte) | (k % 2 == 0 ? d << 4 : d));
    }
    return out;
}

// ---------------------------------------------------------------------------
// 80-bit extended reals

double DecodeExtended(const unsigned char* p) {
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i) mantissa = (mantissa << 8) | p[i];
    const int se = p[8] | (p[9] << 8);
    const bool negative = (se & 0x8000) != 0;
    const int exponent = se & 0x7FFF;
    double value;
    if (exponent == 0x7FFF)
        value =
            (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::quiet_NaN();
    else if (mantissa == 0)
        value = 0.0;
    else
        value = std::ldexp(static_cast<double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return negative ? -value : value;
}

void EncodeExtended(double value, unsigned char* p) {
    std::uint64_t mantissa = 0;
    int se = std::signbit(value) ? 0x8000 : 0;
    if (std::isnan(value)) {
        mantissa = 0xC000000000000000ull;
        se |= 0x7FFF;
    } else if (std::isinf(value)) {
        mantissa = 0x8000000000000000ull;
        se |= 0x7FFF;
    } else if (value != 0.0) {
        int e = 0;
        const double m = std::frexp(std::fabs(value), &e);  // [0.5, 1)
        mantissa = static_cast<std::uint64_t>(std::ldexp(m, 64));
        se |= (e - 1 + 16383);
    }
    for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(mantissa >> (8 * i));
    p[8] = static_cast<unsigned char>(se & 0xFF);
    p[9] = static_cast<unsigned char>(se >> 8);
}

// ---------------------------------------------------------------------------
// Dates

namespace {
qint64 JulianOfDayOne() {
    static const qint64 jd = QDate(1, 1, 1).toJulianDay();
    return jd;
}
constexpr double kMsPerDay = 86400000.0;
// Timestamps beyond some 30,000 years are damage, not data.
constexpr double kMaxStamp = 1e15;
}  // namespace

QDate DateFromDayNumber(std::int64_t day) { return QDate::fromJulianDay(JulianOfDayOne() + day - 1); }

std::int64_t DayNumberFromDate(const QDate& date) { return date.toJulianDay() - JulianOfDayOne() + 1; }

bool DateTimeFromStamp(double stamp, QDateTime& out) {
    if (!std::isfinite(stamp) || std::fabs(stamp) > kMaxStamp) return false;
    const auto total = static_cast<qint64>(std::llround(stamp));
    qint64 days = total / 86400000;
    qint64 ms = total % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --days;
    }
    const QDate date = DateFromDayNumber(days);
    if (!date.isValid()) return false;
    out = QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::UTC);
    return out.isValid();
}

double StampFromDateTime(const QDateTime& dt) {
    return static_cast<double>(DayNumberFromDate(dt.date())) * kMsPerDay +
           static_cast<double>(dt.time().msecsSinceStartOfDay());
}

// ---------------------------------------------------------------------------
// Binary cells

QVariant DecodeBinaryCell(const FieldDef& def, const char* p, qsizetype len, QString& problem) {
    auto bad = [&](const QString& why) {
        problem = why;
        return QVariant();
    };
    const int s = static_cast<int>(len);

    switch (def.base) {
    case btSigned:
        return QVariant::fromValue<qint64>(LoadSignedLE(p, s));
    case btUnsigned:
        return QVariant::fromValue<quint64>(LoadLE(p, s));
    case btBoolean:
        return QVariant(LoadLE(p, s) != 0);
    case btFloat:
        if (s == 4) {
            float f;
            std::memcpy(&f, p, 4);
            return QVariant(static_cast<double>(f));
        }
        if (s == 8) {
            double d;
            std::memcpy(&d, p, 8);
            return QVariant(d);
        }
        return QVariant(DecodeExtended(reinterpret_cast<const unsigned char*>(p)));
    case btBCD:
    case btFmtBCD: {
        QString text;
        if (!DecodeBcd(p, s, text)) return bad(QStringLiteral("valor BCD inválido"));
        return QVariant(text);
    }
    case btDate: {
        const QDate d = DateFromDayNumber(LoadSignedLE(p, 4));
        if (!d.isValid()) return bad(QStringLiteral("data inválida"));
        return QVariant(d);
    }
    case btTime: {
        const std::int64_t ms = LoadSignedLE(p, 4);
        if (ms < 0 || ms >= 86400000) return bad(QStringLiteral("hora inválida"));
        return QVariant(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
    }
    case btTimestamp: {
        double stamp;
        std::memcpy(&stamp, p, 8);
        QDateTime dt;
        if (!DateTimeFromStamp(stamp, dt)) return bad(QStringLiteral("data e hora inválidas"));
        return QVariant(dt);
    }
    case btDateTime: {
        const auto year = static_cast<int>(LoadSignedLE(p, 2));
        const auto part = [&](int at) { return static_cast<int>(LoadLE(p + at, 2)); };
        const auto fraction = LoadLE(p + 12, 4);
        const QDate date(year, part(2), part(4));
        const QTime time(part(6), part(8), part(10), fraction < 1000 ? static_cast<int>(fraction) : -1);
        if (!date.isValid() || !time.isValid()) return bad(QStringLiteral("data e hora inválidas"));
        return QVariant(QDateTime(date, time, Qt::UTC));
    }
    case btString: {
        qsizetype n = len;
        if (!def.variable)
            while (n > 0 && p[n - 1] == '\0') --n;
        return QVariant(DecodeCp1252(p, n));
    }
    case btWideString: {
        if (len % 2 != 0) return bad(QStringLiteral("texto UTF-16 com comprimento ímpar"));
        QString text(len / 2, Qt::Uninitialized);
        std::memcpy(text.data(), p, static_cast<std::size_t>(len));
        if (!def.variable)
            while (!text.isEmpty() && text.back() == QChar(0)) text.chop(1);
        return QVariant(text);
    }
    default:
        return QVariant(QByteArray(p, len));
    }
}

void AppendBinaryCell(QByteArray& out, const FieldDef& def, const QVariant& v) {
    auto variable = [&](const QByteArray& bytes) {
        const qsizetype n = std::min<qsizetype>(bytes.size(), def.MaxBytes());
        AppendLE(out, static_cast<std::uint64_t>(n), def.size);
        out.append(bytes.constData(), n);
    };
    auto fixed = [&](QByteArray bytes) {
        bytes.resize(def.size, '\0');
        out.append(bytes);
    };
    switch (def.base) {
    case btSigned:
        AppendLE(out, static_cast<std::uint64_t>(v.toLongLong()), def.size);
        return;
    case btUnsigned:
        AppendLE(out, v.toULongLong(), def.size);
        return;
    case btBoolean:
        AppendLE(out, v.toBool() ? 1 : 0, def.size);
        return;
    case btFloat: {
        const double d = v.toDouble();
        if (def.size == 4) {
            const auto f = static_cast<float>(d);
            out.append(reinterpret_cast<const char*>(&f), 4);
        } else if (def.size == 8) {
            out.append(reinterpret_cast<const char*>(&d), 8);
        } else {
            unsigned char ext[10];
            EncodeExtended(d, ext);
            out.append(reinterpret_cast<const char*>(ext), 10);
        }
        return;
    }
    case btBCD:
    case btFmtBCD:
        out.append(EncodeBcd(v.toString(), def.size));
        return;
    case btDate: {
        const std::int64_t day = DayNumberFromDate(v.toDate());
        if (day < std::numeric_limits<std::int32_t>::min() || day > std::numeric_limits<std::int32_t>::max())
            Fail(QStringLiteral("campo '%1': data fora da faixa").arg(def.name));
        AppendLE(out, static_cast<std::uint64_t>(day), 4);
        return;
    }
    case btTime:
        AppendLE(out, static_cast<std::uint64_t>(v.toTime().msecsSinceStartOfDay()), 4);
        return;
    case btTimestamp: {
        const double stamp = StampFromDateTime(v.toDateTime());
        out.append(reinterpret_cast<const char*>(&stamp), 8);
        return;
    }
    case btDateTime: {
        const QDateTime dt = v.toDateTime();
        const QDate d = dt.date();
        const QTime t = dt.time();
        if (d.year() < -32768 || d.year() > 32767) Fail(QStringLiteral("campo '%1': data fora da faixa").arg(def.name));
        AppendLE(out, static_cast<std::uint64_t>(d.year()), 2);
        for (const int part : {d.month(), d.day(), t.hour(), t.minute(), t.second()})
            AppendLE(out, static_cast<std::uint64_t>(part), 2);
        AppendLE(out, static_cast<std::uint64_t>(t.msec()), 4);
        return;
    }
    case btString: {
        const QByteArray bytes = EncodeCp1252(v.toString());
        def.variable ? variable(bytes) : fixed(bytes);
        return;
    }
    case btWideString: {
        const QString text = v.toString();
        const QByteArray bytes(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        if (def.variable) {
            // Never split a UTF-16 unit.
            const qsizetype n = std::min<qsizetype>(bytes.size(), def.MaxBytes() & ~std::int64_t{1});
            AppendLE(out, static_cast<std::uint64_t>(n), def.size);
            out.append(bytes.constData(), n);
        } else {
            fixed(bytes);
        }
        return;
    }
    default: {
        const QByteArray bytes = v.toByteArray();
        def.variable ? variable(bytes) : fixed(bytes);
        return;
    }
    }
}

}  // namespace plat::dbc
