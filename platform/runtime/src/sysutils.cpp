#include "orv00006/platform/sysutils.h"

#include <QFileInfo>
#include <QLocale>
#include <QMutex>

#include <unistd.h>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "orv00006/platform/exceptions.h"

namespace plat {
namespace {

// The value as decimal digits: value = (neg ? -1 : 1) * 0.digits * 10^exp.
// Digits carry no leading zero (except for zero itself, kept as "").
struct Decimal {
    bool neg = false;
    std::string digits;
    int exp = 0;
};

// The 15 significant digits the runtime works with: every formatting rounds
// this form, never the binary value, so 1.005 formats as 1.01.
Decimal ToDecimal(double value, int precision = 15) {
    Decimal d;
    d.neg = std::signbit(value);
    // to_chars, not printf: its point is always '.', whatever LC_NUMERIC the
    // host or QCoreApplication has set.
    char buf[64];
    const auto end =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, precision - 1).ptr;
    const std::string s(buf, end);
    const auto e = s.find('e');
    std::string mant = s.substr(0, e);
    mant.erase(std::remove(mant.begin(), mant.end(), '.'), mant.end());
    int exp10 = 0;
    std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(), exp10);
    d.exp = exp10 + 1;
    while (!mant.empty() && mant.back() == '0') mant.pop_back();
    d.digits = mant;
    if (d.digits.empty()) {
        d.exp = 0;
        d.neg = false;
    }
    return d;
}

// Rounds half away from zero to `decimals` places after the point.
void RoundDecimals(Decimal& d, int decimals) {
    const int keep = d.exp + decimals;  // digits that survive
    if (keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        d.exp = 0;
        d.neg = false;
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exp;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) {
        d.exp = 0;
        d.neg = false;
    }
}

QString NonFinite(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

// Fixed layout of a rounded decimal: integer part (at least `minInt`
// digits), optional grouping, exactly `decimals` decimals.
QString LayoutFixed(const Decimal& d, int minInt, int decimals, bool group) {
    std::string intPart;
    std::string fracPart;
    const int n = static_cast<int>(d.digits.size());
    for (int i = 0; i < std::max(d.exp, 0); ++i) intPart += i < n ? d.digits[i] : '0';
    for (int i = 0; i < decimals; ++i) {
        const int pos = d.exp + i;
        fracPart += (pos >= 0 && pos < n) ? d.digits[pos] : '0';
    }
    while (static_cast<int>(intPart.size()) < minInt) intPart.insert(intPart.begin(), '0');
    QString out;
    if (d.neg && !d.digits.empty()) out += QLatin1Char('-');
    const QChar sep = DecimalSeparator();
    const QChar thousands = sep == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    for (std::size_t i = 0; i < intPart.size(); ++i) {
        if (group && i > 0 && (intPart.size() - i) % 3 == 0) out += thousands;
        out += QLatin1Char(intPart[i]);
    }
    if (decimals > 0) {
        out += sep;
        out += QString::fromLatin1(fracPart.data(), static_cast<qsizetype>(fracPart.size()));
    }
    return out;
}

QString LayoutGeneral(const Decimal& d, int precision) {
    if (d.digits.empty()) return QStringLiteral("0");
    const QChar sep = DecimalSeparator();
    QString out;
    if (d.neg) out += QLatin1Char('-');
    const QString digits = QString::fromLatin1(d.digits.data(), static_cast<qsizetype>(d.digits.size()));
    if (d.exp > precision || d.exp < -3) {
        out += digits.at(0);
        if (digits.size() > 1) out += sep + digits.mid(1);
        out += QLatin1Char('E') + QString::number(d.exp - 1);
        return out;
    }
    if (d.exp <= 0) {
        out += QLatin1Char('0') + QString(sep) + QString(-d.exp, QLatin1Char('0')) + digits;
    } else if (d.exp >= digits.size()) {
        out += digits + QString(d.exp - digits.size(), QLatin1Char('0'));
    } else {
        out += digits.left(d.exp) + sep + digits.mid(d.exp);
    }
    return out;
}

QChar InitialSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && IsUsableDecimalSeparator(point.at(0)) ? point.at(0) : QLatin1Char('.');
}

QMutex g_mutex;
bool g_separatorSet = false;
QChar g_separator;
QString g_programDirOverride;

}  // namespace

QChar DecimalSeparator() {
    QMutexLocker lock(&g_mutex);
    if (!g_separatorSet) {
        g_separator = InitialSeparator();
        g_separatorSet = true;
    }
    return g_separator;
}

bool IsUsableDecimalSeparator(QChar separator) {
    return !separator.isNull() && !separator.isNumber() && !separator.isSurrogate() &&
           separator.category() != QChar::Other_Control;
}

bool SetDecimalSeparator(QChar separator) {
    if (!IsUsableDecimalSeparator(separator)) return false;
    QMutexLocker lock(&g_mutex);
    g_separator = separator;
    g_separatorSet = true;
    return true;
}

QString Abbreviate(const QString& text, qsizetype limit) {
    if (text.size() <= limit) return text;
    qsizetype cut = std::max<qsizetype>(limit, 0);
    // Never split a surrogate pair.
    if (cut > 0 && text.at(cut - 1).isHighSurrogate()) --cut;
    return text.left(cut) + QChar(0x2026);
}

QString FormatFloat(const QString& pattern, double value) {
    if (!std::isfinite(value)) return NonFinite(value);
    const qsizetype point = pattern.indexOf(QLatin1Char('.'));
    const QString intPattern = point < 0 ? pattern : pattern.left(point);
    const QString fracPattern = point < 0 ? QString() : pattern.mid(point + 1);
    const int minInt = static_cast<int>(intPattern.count(QLatin1Char('0')));
    const int decimals = static_cast<int>(fracPattern.count(QLatin1Char('0')) + fracPattern.count(QLatin1Char('#')));
    const bool group = intPattern.contains(QLatin1Char(','));
    Decimal d = ToDecimal(value);
    if (d.exp > 18) return LayoutGeneral(d, 15);
    RoundDecimals(d, decimals);
    return LayoutFixed(d, minInt, decimals, group);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    if (!std::isfinite(value)) return NonFinite(value);
    precision = std::clamp(precision, 1, 17);
    digits = std::clamp(digits, 0, 18);
    Decimal d = ToDecimal(value, precision);
    switch (format) {
    case TFloatFormat::ffFixed:
    case TFloatFormat::ffNumber:
        if (d.exp > precision) return LayoutGeneral(d, precision);
        RoundDecimals(d, digits);
        return LayoutFixed(d, 1, digits, format == TFloatFormat::ffNumber);
    case TFloatFormat::ffExponent: {
        QString out = d.neg ? QStringLiteral("-") : QString();
        std::string m = d.digits.empty() ? std::string("0") : d.digits;
        m.resize(static_cast<std::size_t>(precision), '0');
        out += QLatin1Char(m[0]) + QString(DecimalSeparator()) + QString::fromLatin1(m.data() + 1);
        const int e = d.digits.empty() ? 0 : d.exp - 1;
        out +=
            QStringLiteral("E%1%2").arg(e < 0 ? '-' : '+').arg(std::abs(e), std::max(digits, 1), 10, QLatin1Char('0'));
        return out;
    }
    case TFloatFormat::ffGeneral:
        break;
    }
    return LayoutGeneral(d, precision);
}

QString FloatToStr(double value) { return FloatToStrF(value, TFloatFormat::ffGeneral, 15, 0); }

bool TryStrToFloat(const QString& text, double& value) {
    const QString t = text.trimmed();
    const QChar sep = DecimalSeparator();
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(t.size()));
    int i = 0;
    const int n = static_cast<int>(t.size());
    bool negative = false;
    if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) negative = t[i++] == QLatin1Char('-');
    int mantissaDigits = 0;
    while (i < n && t[i].isDigit() && t[i].unicode() < 128) {
        ascii += static_cast<char>(t[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && t[i] == sep) {
        ascii += '.';
        ++i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128) {
            ascii += static_cast<char>(t[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')))
            ascii += static_cast<char>(t[i++].unicode());
        int expDigits = 0;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128) {
            ascii += static_cast<char>(t[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    if (i != n) return false;
    double parsed = 0.0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), parsed);
    if (ec != std::errc() || ptr != ascii.data() + ascii.size() || !std::isfinite(parsed)) return false;
    value = negative ? -parsed : parsed;
    return true;
}

double StrToFloat(const QString& text) {
    double value = 0.0;
    if (!TryStrToFloat(text, value))
        throw EConvertError(QStringLiteral("'%1' não é um valor numérico válido.").arg(Abbreviate(text)));
    return value;
}

QString Format(const QString& pattern, std::initializer_list<QString> args) {
    QString out;
    auto next = args.begin();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        const QChar directive = i + 1 < pattern.size() ? pattern[i + 1] : QChar();
        if (directive == QLatin1Char('%')) {
            out += QLatin1Char('%');
        } else if (directive == QLatin1Char('s') && next != args.end()) {
            out += *next++;
        } else {
            throw EConvertError(
                QStringLiteral("Formato '%1' inválido ou incompatível com os argumentos.").arg(pattern));
        }
        ++i;
    }
    return out;
}

QString ProgramPath() {
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return QString::fromLocal8Bit(buf, static_cast<qsizetype>(n));
}

QString ProgramDir() {
    {
        QMutexLocker lock(&g_mutex);
        if (!g_programDirOverride.isEmpty()) return g_programDirOverride;
    }
    return QFileInfo(ProgramPath()).absolutePath();
}

void OverrideProgramDir(const QString& dir) {
    QMutexLocker lock(&g_mutex);
    g_programDirOverride = dir;
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

}  // namespace plat
