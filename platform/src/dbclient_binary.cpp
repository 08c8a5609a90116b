// Binary packet form, plus the value encodings both forms share (code page,
// BCD, extended reals, day numbers) and the resolution of saved changes.
//
// Reading is defensive: every length and count is checked against the bytes
// that remain before anything is read or allocated, so a damaged packet
// fails with a message instead of reading past its end.
#include <QDateTime>
#include <QSet>

#include <cmath>
#include <cstring>
#include <limits>

#include "dbclient_p.h"

namespace plat::dbc {

[[noreturn]] void Fail(const QString& message)
{
    throw EDatabaseError(message);
}

// ---------------------------------------------------------------------------
// Windows-1252

namespace {

// 0x80-0x9F; the five unassigned bytes keep their C1 code point so that
// they survive a round trip.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

QString DecodeCp1252(const char* data, qsizetype size)
{
    QString out(size, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        dst[i] = (b >= 0x80 && b < 0xA0) ? QChar(kCp1252High[b - 0x80]) : QChar(b);
    }
    return out;
}

QByteArray EncodeCp1252(const QString& text)
{
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

QChar Cp1252FromC1(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x80 && u < 0xA0)
        return QChar(kCp1252High[u - 0x80]);
    return c;
}

// ---------------------------------------------------------------------------
// Decimal text and BCD

bool CanonicalDecimal(const QString& text, QChar separator, QString& out)
{
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
    if (!anyDigit)
        return false;
    qsizetype lead = 0;
    while (lead < intDigits.size() && intDigits.at(lead) == u'0')
        ++lead;
    intDigits = intDigits.mid(lead);
    while (!fracDigits.isEmpty() && fracDigits.back() == u'0')
        fracDigits.chop(1);
    if (intDigits.isEmpty())
        intDigits = QStringLiteral("0");
    const bool zero = intDigits == u"0" && fracDigits.isEmpty();
    out.clear();
    if (negative && !zero)
        out.append(u'-');
    out.append(intDigits);
    if (!fracDigits.isEmpty()) {
        out.append(u'.');
        out.append(fracDigits);
    }
    return true;
}

QString DoubleToDecimal(double value)
{
    if (!std::isfinite(value))
        return {};
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

bool DecodeBcd(const char* data, int size, QString& text)
{
    if (size < 2)
        return false;
    const auto* p = reinterpret_cast<const unsigned char*>(data);
    const int precision = p[0];
    const int places = p[1] & 0x3F;
    const bool negative = (p[1] & 0x80) != 0;
    // 64 digits is the most any BCD value carries.
    if (precision > 64 || precision > (size - 2) * 2 || places > precision)
        return false;
    QString digits;
    digits.reserve(precision + 2);
    for (int k = 0; k < precision; ++k) {
        const unsigned char byte = p[2 + k / 2];
        const int nibble = (k % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
        if (nibble > 9)
            return false;
        if (k == precision - places)
            digits.append(u'.');
        digits.append(QChar(u'0' + nibble));
    }
    if (precision == 0)
        digits = QStringLiteral("0");
    else if (places == precision)
        digits.prepend(u'0');
    return CanonicalDecimal((negative ? QStringLiteral("-") : QString()) + digits, u'.', text);
}

QByteArray EncodeBcd(const QString& canonical, int size)
{
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
            if (seenPoint)
                ++places;
        }
    }
    // Integer zero digits before a fraction carry nothing.
    while (digits.size() > places && digits.size() > 1 && digits.at(0) == u'0')
        digits.remove(0, 1);
    const int maxDigits = std::min((size - 2) * 2, 64);
    if (digits.size() > maxDigits || places > 63)
        Fail(QStringLiteral("valor decimal %1 não cabe no campo (máximo de %2 dígitos)")
                 .arg(canonical)
                 .arg(maxDigits));
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

double DecodeExtended(const unsigned char* p)
{
    std::uint64_t mantissa = 0;
    for (int i = 7; i >= 0; --i)
        mantissa = (mantissa << 8) | p[i];
    const int se = p[8] | (p[9] << 8);
    const bool negative = (se & 0x8000) != 0;
    const int exponent = se & 0x7FFF;
    double value;
    if (exponent == 0x7FFF)
        value = (mantissa << 1) == 0 ? std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::quiet_NaN();
    else if (mantissa == 0)
        value = 0.0;
    else
        value = std::ldexp(static_cast<double>(mantissa), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return negative ? -value : value;
}

void EncodeExtended(double value, unsigned char* p)
{
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
    for (int i = 0; i < 8; ++i)
        p[i] = static_cast<unsigned char>(mantissa >> (8 * i));
    p[8] = static_cast<unsigned char>(se & 0xFF);
    p[9] = static_cast<unsigned char>(se >> 8);
}

// ---------------------------------------------------------------------------
// Dates

namespace {
qint64 JulianOfDayOne()
{
    static const qint64 jd = QDate(1, 1, 1).toJulianDay();
    return jd;
}
constexpr double kMsPerDay = 86400000.0;
// Timestamps beyond some 30,000 years are damage, not data.
constexpr double kMaxStamp = 1e15;
}  // namespace

QDate DateFromDayNumber(std::int64_t day)
{
    return QDate::fromJulianDay(JulianOfDayOne() + day - 1);
}

std::int64_t DayNumberFromDate(const QDate& date)
{
    return date.toJulianDay() - JulianOfDayOne() + 1;
}

bool DateTimeFromStamp(double stamp, QDateTime& out)
{
    if (!std::isfinite(stamp) || std::fabs(stamp) > kMaxStamp)
        return false;
    const auto total = static_cast<qint64>(std::llround(stamp));
    qint64 days = total / 86400000;
    qint64 ms = total % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --days;
    }
    const QDate date = DateFromDayNumber(days);
    if (!date.isValid())
        return false;
    out = QDateTime(date, QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)), Qt::UTC);
    return out.isValid();
}

double StampFromDateTime(const QDateTime& dt)
{
    return static_cast<double>(DayNumberFromDate(dt.date())) * kMsPerDay +
           static_cast<double>(dt.time().msecsSinceStartOfDay());
}

// ---------------------------------------------------------------------------
// Properties

namespace {

std::uint64_t LoadLE(const char* p, int size)
{
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

std::int64_t LoadSignedLE(const char* p, int size)
{
    const std::uint64_t v = LoadLE(p, size);
    if (size >= 8)
        return static_cast<std::int64_t>(v);
    const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
    return static_cast<std::int64_t>((v ^ sign) - sign);
}

void AppendLE(QByteArray& out, std::uint64_t v, int size)
{
    for (int i = 0; i < size; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

bool PropAsInteger(const RawProp& prop, std::int64_t& out)
{
    const int base = TypeBase(prop.type);
    const int size = TypeSize(prop.type);
    if (TypeArray(prop.type) || TypeVariable(prop.type) || (base != btSigned && base != btUnsigned))
        return false;
    if ((size != 1 && size != 2 && size != 4 && size != 8) || prop.value.size() != size)
        return false;
    out = base == btSigned ? LoadSignedLE(prop.value.constData(), size)
                           : static_cast<std::int64_t>(LoadLE(prop.value.constData(), size));
    return true;
}

bool PropAsText(const RawProp& prop, QString& out)
{
    const int base = TypeBase(prop.type);
    if (TypeArray(prop.type) || (base != btString && base != btWideString))
        return false;
    QByteArray bytes = prop.value;
    if (TypeVariable(prop.type))
        bytes = bytes.mid(TypeSize(prop.type));
    if (base == btString) {
        while (!bytes.isEmpty() && bytes.back() == '\0')
            bytes.chop(1);
        out = DecodeCp1252(bytes);
    } else {
        out = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        while (!out.isEmpty() && out.back() == QChar(0))
            out.chop(1);
    }
    return true;
}

bool PropToXmlText(const RawProp& prop, QString& out)
{
    std::int64_t n = 0;
    if (PropAsInteger(prop, n)) {
        out = TypeBase(prop.type) == btUnsigned && TypeSize(prop.type) == 8
                  ? QString::number(static_cast<std::uint64_t>(n))
                  : QString::number(n);
        return true;
    }
    if (PropAsText(prop, out))
        return true;
    const int base = TypeBase(prop.type);
    const int size = TypeSize(prop.type);
    if (!TypeArray(prop.type) && base == btBoolean && size >= 1 && prop.value.size() == size) {
        out = LoadLE(prop.value.constData(), std::min(size, 8)) != 0 ? QStringLiteral("TRUE")
                                                                      : QStringLiteral("FALSE");
        return true;
    }
    if (TypeArray(prop.type) && (base == btSigned || base == btUnsigned) && size == 4 &&
        prop.value.size() >= 4) {
        const auto count = LoadLE(prop.value.constData(), 4);
        if (prop.value.size() != 4 + static_cast<qsizetype>(count) * 4)
            return false;
        QStringList parts;
        for (std::uint64_t i = 0; i < count; ++i) {
            const char* p = prop.value.constData() + 4 + i * 4;
            parts << (base == btSigned ? QString::number(LoadSignedLE(p, 4)) : QString::number(LoadLE(p, 4)));
        }
        out = parts.join(u' ');
        return true;
    }
    return false;
}

RawProp MakeU16Prop(const QString& name, int value)
{
    RawProp p{name, MakeTypeWord(btUnsigned, 2), {}};
    AppendLE(p.value, static_cast<std::uint64_t>(value), 2);
    return p;
}

RawProp MakeTextProp(const QString& name, const QString& text)
{
    // As real files hold SUBTYPE: 2-byte length, text, a terminating NUL.
    QByteArray bytes = EncodeCp1252(text.left(65534));
    bytes.append('\0');
    RawProp p{name, MakeTypeWord(btString, 2, true), {}};
    AppendLE(p.value, static_cast<std::uint64_t>(bytes.size()), 2);
    p.value.append(bytes);
    return p;
}

RawProp MakeU32ArrayProp(const QString& name, const std::vector<std::uint32_t>& values)
{
    RawProp p{name, MakeTypeWord(btUnsigned, 4, false, true), {}};
    AppendLE(p.value, values.size(), 4);
    for (const auto v : values)
        AppendLE(p.value, v, 4);
    return p;
}

RawProp PropFromXmlText(const QString& name, const QString& text)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && !text.startsWith(u'+') && !text.contains(u' ')) {
        RawProp p{name, MakeTypeWord(btSigned, 4), {}};
        AppendLE(p.value, static_cast<std::uint32_t>(n), 4);
        return p;
    }
    if (text == u"TRUE" || text == u"FALSE") {
        RawProp p{name, MakeTypeWord(btBoolean, 2), {}};
        AppendLE(p.value, text == u"TRUE" ? 1 : 0, 2);
        return p;
    }
    return MakeTextProp(name, text);
}

// ---------------------------------------------------------------------------
// Field definitions

int FieldDef::FieldSize() const
{
    switch (type) {
    case TFieldType::ftString:
        if (width > 0)
            return width;
        return static_cast<int>(std::min<std::int64_t>(MaxBytes(), 0x7FFFFFFF));
    case TFieldType::ftWideString:
        if (width > 0)
            return width / 2;
        return static_cast<int>(std::min<std::int64_t>(MaxBytes() / 2, 0x7FFFFFFF));
    case TFieldType::ftBCD:
        return decimals > 0 ? decimals : 0;
    case TFieldType::ftBlob:
        if (width > 0)
            return width;
        return variable ? 0 : size;
    default:
        return 0;
    }
}

std::int64_t FieldDef::MaxBytes() const
{
    if (!variable)
        return size;
    switch (size) {
    case 1:
        return 0xFF;
    case 2:
        return 0xFFFF;
    default:
        return 0x7FFFFFFF;
    }
}

bool FieldDef::IsTextBlob() const
{
    return base == btBytes &&
           (subtype.compare(u"Text", Qt::CaseInsensitive) == 0 ||
            subtype.compare(u"FmtText", Qt::CaseInsensitive) == 0 ||
            subtype.compare(u"Memo", Qt::CaseInsensitive) == 0);
}

bool FieldDef::IsWideBlob() const
{
    return base == btBytes && (subtype.compare(u"WideText", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"FmtMemo", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"WideMemo", Qt::CaseInsensitive) == 0);
}

FieldDef DefForDeclared(const QString& name, TFieldType type, int size)
{
    FieldDef d;
    d.name = name;
    d.type = type;
    auto fixed = [&](int base, int bytes) {
        d.base = base;
        d.size = bytes;
    };
    switch (type) {
    case TFieldType::ftString:
        if (size < 1 || size > 65535)
            Fail(QStringLiteral("campo '%1': tamanho de texto inválido (%2)").arg(name).arg(size));
        d.base = btString;
        d.variable = true;
        d.size = size < 255 ? 1 : 2;
        d.width = size;
        d.props.push_back(MakeU16Prop(QStringLiteral("WIDTH"), size));
        break;
    case TFieldType::ftWideString:
        if (size < 1 || size > 32767)
            Fail(QStringLiteral("campo '%1': tamanho de texto inválido (%2)").arg(name).arg(size));
        d.base = btWideString;
        d.variable = true;
        d.width = size * 2;
        d.size = d.width < 255 ? 1 : 2;
        d.props.push_back(MakeU16Prop(QStringLiteral("WIDTH"), d.width));
        break;
    case TFieldType::ftSmallint:
        fixed(btSigned, 2);
        break;
    case TFieldType::ftInteger:
        fixed(btSigned, 4);
        break;
    case TFieldType::ftLargeint:
        fixed(btSigned, 8);
        break;
    case TFieldType::ftWord:
        fixed(btUnsigned, 2);
        break;
    case TFieldType::ftBoolean:
        fixed(btBoolean, 2);
        break;
    case TFieldType::ftFloat:
        fixed(btFloat, 8);
        break;
    case TFieldType::ftBCD:
        if (size < 0 || size > 32)
            Fail(QStringLiteral("campo '%1': quantidade de decimais inválida (%2)").arg(name).arg(size));
        fixed(btBCD, kBcdSize);
        d.width = 32;
        d.decimals = size;
        d.props.push_back(MakeU16Prop(QStringLiteral("WIDTH"), d.width));
        d.props.push_back(MakeU16Prop(QStringLiteral("DECIMALS"), d.decimals));
        break;
    case TFieldType::ftDate:
        fixed(btDate, 4);
        break;
    case TFieldType::ftTime:
        fixed(btTime, 4);
        break;
    case TFieldType::ftDateTime:
        fixed(btTimestamp, 8);
        break;
    case TFieldType::ftBlob:
        d.base = btBytes;
        d.variable = true;
        d.size = 4;
        d.subtype = QStringLiteral("Binary");
        d.props.push_back(MakeTextProp(QStringLiteral("SUBTYPE"), d.subtype));
        break;
    case TFieldType::ftUnknown:
        Fail(QStringLiteral("campo '%1': tipo de campo não definido").arg(name));
    }
    return d;
}

QString ClassifyWireType(FieldDef& def)
{
    const int s = def.size;
    auto badSize = [&]() {
        return QStringLiteral("tamanho %1 inválido para o tipo %2").arg(s).arg(def.base);
    };
    if (def.base == btADT)
        return QStringLiteral("campos compostos (ADT) não são suportados");
    if (def.base == btArray)
        return QStringLiteral("campos do tipo matriz não são suportados");
    if (def.base == btNested)
        return QStringLiteral("tabelas aninhadas não são suportadas");
    if (def.base == btRef)
        return QStringLiteral("campos de referência não são suportados");
    if (def.base < btSigned || def.base > btFmtBCD)
        return QStringLiteral("tipo de campo desconhecido (%1)").arg(def.base);
    if (def.variable) {
        if (s != 1 && s != 2 && s != 4)
            return QStringLiteral("prefixo de comprimento inválido (%1)").arg(s);
        switch (def.base) {
        case btString:
            def.type = TFieldType::ftString;
            return {};
        case btWideString:
            def.type = TFieldType::ftWideString;
            return {};
        case btBytes:
        case btBigDecimal:
            def.type = TFieldType::ftBlob;
            return {};
        default:
            return QStringLiteral("tipo %1 não pode ter comprimento variável").arg(def.base);
        }
    }
    switch (def.base) {
    case btSigned:
    case btUnsigned:
        if (s != 1 && s != 2 && s != 4 && s != 8)
            return badSize();
        if (def.base == btUnsigned)
            def.type = TFieldType::ftWord;
        else
            def.type = s <= 2 ? TFieldType::ftSmallint : s == 4 ? TFieldType::ftInteger : TFieldType::ftLargeint;
        return {};
    case btBoolean:
        if (s != 1 && s != 2 && s != 4)
            return badSize();
        def.type = TFieldType::ftBoolean;
        return {};
    case btFloat:
        if (s != 4 && s != 8 && s != 10)
            return badSize();
        def.type = TFieldType::ftFloat;
        return {};
    case btBCD:
    case btFmtBCD:
        if (s < 2)
            return badSize();
        def.type = TFieldType::ftBCD;
        return {};
    case btDate:
    case btTime:
        if (s != 4)
            return badSize();
        def.type = def.base == btDate ? TFieldType::ftDate : TFieldType::ftTime;
        return {};
    case btTimestamp:
        if (s != 8)
            return badSize();
        def.type = TFieldType::ftDateTime;
        return {};
    case btDateTime:
        if (s != 16)
            return badSize();
        def.type = TFieldType::ftDateTime;
        return {};
    case btString:
        if (s < 1)
            return badSize();
        def.type = TFieldType::ftString;
        return {};
    case btWideString:
        if (s < 2 || s % 2 != 0)
            return badSize();
        def.type = TFieldType::ftWideString;
        return {};
    case btBytes:
    case btBigDecimal:
        if (s < 1)
            return badSize();
        def.type = TFieldType::ftBlob;
        return {};
    default:
        return QStringLiteral("tipo de campo desconhecido (%1)").arg(def.base);
    }
}

void CheckRecordMemory(std::uint64_t rows, std::size_t fieldCount, const QString& noun)
{
    if (rows > kMaxRecordMemory / RecordCost(fieldCount))
        Fail(QStringLiteral("%1 grande demais para abrir: %2 registros de %3 campos passam de %4 MiB em memória")
                 .arg(noun)
                 .arg(rows)
                 .arg(fieldCount)
                 .arg(kMaxRecordMemory >> 20));
}

// ---------------------------------------------------------------------------
// Saved changes

std::vector<Record> ResolveChanges(std::vector<StoredRow>&& rows, const std::vector<std::uint32_t>& changeLog,
                                   const QString& noun)
{
    std::vector<Record> visible;
    const std::size_t n = rows.size();
    if (changeLog.empty()) {
        visible.reserve(n);
        for (auto& row : rows)
            if ((row.status & kRowDeleted) == 0)
                visible.push_back(std::move(row.cells));
        return visible;
    }
    const QString bad = QStringLiteral("%1 com registro de alterações (CHANGE_LOG) inválido: ").arg(noun);
    if (changeLog.size() % 3 != 0)
        Fail(bad + QStringLiteral("%1 valores não formam triplas").arg(changeLog.size()));
    std::vector<std::int64_t> replacement(n, -1);
    std::vector<char> isChange(n, 0);
    std::vector<char> deleted(n, 0);
    for (std::size_t i = 0; i < n; ++i)
        deleted[i] = (rows[i].status & kRowDeleted) != 0;
    for (std::size_t t = 0; t < changeLog.size(); t += 3) {
        const std::uint32_t row = changeLog[t];
        const std::uint32_t original = changeLog[t + 1];
        const std::uint32_t action = changeLog[t + 2];
        if (row < 1 || row > n)
            Fail(bad + QStringLiteral("cita o registro %1, mas há %2").arg(row).arg(n));
        if (original > n)
            Fail(bad + QStringLiteral("cita o registro original %1, mas há %2").arg(original).arg(n));
        if (original == row)
            Fail(bad + QStringLiteral("o registro %1 aparece como original de si mesmo").arg(row));
        if (action & kRowDeleted)
            deleted[row - 1] = 1;
        if (original != 0) {
            replacement[original - 1] = row - 1;
            isChange[row - 1] = 1;
        }
    }
    visible.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (isChange[i] || deleted[i])
            continue;
        Record merged = std::move(rows[i].cells);
        bool gone = false;
        std::size_t steps = 0;
        for (std::int64_t next = replacement[i]; next >= 0; next = replacement[static_cast<std::size_t>(next)]) {
            if (++steps > n)
                Fail(bad + QStringLiteral("alterações em ciclo a partir do registro %1").arg(i + 1));
            const StoredRow& version = rows[static_cast<std::size_t>(next)];
            for (std::size_t f = 0; f < merged.size() && f < version.cells.size(); ++f) {
                const bool keep = !version.unchanged.empty() && version.unchanged[f];
                if (!keep)
                    merged[f] = version.cells[f];
            }
            if (deleted[static_cast<std::size_t>(next)]) {
                gone = true;
                break;
            }
        }
        if (!gone)
            visible.push_back(std::move(merged));
    }
    return visible;
}

// ---------------------------------------------------------------------------
// Binary reader

namespace {

constexpr unsigned char kMagic[4] = {0x96, 0x19, 0xE0, 0xBD};
constexpr int kHeaderSize = 24;
// Smallest column descriptor: 1-byte name, type, attributes, property count.
constexpr qsizetype kMinColumnBytes = 1 + 1 + 4 + 2 + 2;
constexpr qsizetype kMinPropBytes = 1 + 4;

class BinaryReader {
public:
    BinaryReader(const QByteArray& bytes, const QString& noun)
        : data_(bytes.constData()), size_(bytes.size()), noun_(noun)
    {
    }

    PacketModel Read();

private:
    qsizetype Remaining() const { return size_ - pos_; }

    [[noreturn]] void Truncated(const QString& what) const
    {
        Fail(QStringLiteral("%1 truncado: faltam dados ao ler %2 (byte %3 de %4)")
                 .arg(noun_, what)
                 .arg(pos_)
                 .arg(size_));
    }
    [[noreturn]] void Corrupt(const QString& what) const
    {
        Fail(QStringLiteral("%1 corrompido: %2").arg(noun_, what));
    }
    // A count that the bytes left cannot hold: cut short, or damaged.
    [[noreturn]] void Impossible(const QString& what) const
    {
        Fail(QStringLiteral("%1 truncado ou corrompido: %2").arg(noun_, what));
    }

    void Need(qsizetype count, const QString& what) const
    {
        if (count < 0 || count > Remaining())
            Truncated(what);
    }
    std::uint64_t Uint(int size, const QString& what)
    {
        Need(size, what);
        const std::uint64_t v = LoadLE(data_ + pos_, size);
        pos_ += size;
        return v;
    }
    const char* Take(qsizetype count, const QString& what)
    {
        Need(count, what);
        const char* p = data_ + pos_;
        pos_ += count;
        return p;
    }

    RawProp ReadProp(const QString& owner);
    void ReadColumn(int index, PacketModel& model, QSet<QString>& names);
    QVariant ReadCell(const FieldDef& def, int row);

    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
    QString noun_;
};

RawProp BinaryReader::ReadProp(const QString& owner)
{
    const QString what = QStringLiteral("uma propriedade %1").arg(owner);
    RawProp prop;
    const auto nameLen = static_cast<qsizetype>(Uint(1, what));
    const char* name = Take(nameLen, what);
    prop.name = DecodeCp1252(name, nameLen);
    prop.type = static_cast<std::uint32_t>(Uint(4, what));
    const int size = TypeSize(prop.type);
    const qsizetype start = pos_;
    const QString valueWhat = QStringLiteral("a propriedade '%1' %2").arg(prop.name, owner);
    if (TypeArray(prop.type)) {
        const std::uint64_t count = Uint(4, valueWhat);
        const std::uint64_t bytes = count * static_cast<std::uint64_t>(size);
        if (bytes > static_cast<std::uint64_t>(Remaining()))
            Impossible(QStringLiteral("quantidade de elementos impossível na propriedade '%1' %2 (%3 em %4 bytes "
                                      "restantes)")
                           .arg(prop.name, owner)
                           .arg(count)
                           .arg(Remaining()));
        Take(static_cast<qsizetype>(bytes), valueWhat);
    } else if (TypeVariable(prop.type)) {
        if (size != 1 && size != 2 && size != 4)
            Corrupt(QStringLiteral("a propriedade '%1' %2 tem prefixo de comprimento inválido (%3)")
                        .arg(prop.name, owner)
                        .arg(size));
        const auto len = Uint(size, valueWhat);
        if (len > static_cast<std::uint64_t>(Remaining()))
            Truncated(valueWhat);
        Take(static_cast<qsizetype>(len), valueWhat);
    } else {
        Take(size, valueWhat);
    }
    prop.value = QByteArray(data_ + start, pos_ - start);
    return prop;
}

void BinaryReader::ReadColumn(int index, PacketModel& model, QSet<QString>& names)
{
    const QString what = QStringLiteral("a definição da coluna %1").arg(index + 1);
    FieldDef def;
    const auto nameLen = static_cast<qsizetype>(Uint(1, what));
    if (nameLen == 0)
        Corrupt(QStringLiteral("a coluna %1 não tem nome").arg(index + 1));
    const char* name = Take(nameLen, what);
    def.name = DecodeCp1252(name, nameLen);
    for (const QChar c : def.name)
        if (c.unicode() < 0x20)
            Corrupt(QStringLiteral("nome inválido na coluna %1").arg(index + 1));
    const QString key = def.name.toCaseFolded();
    if (names.contains(key))
        Corrupt(QStringLiteral("campo '%1' repetido").arg(def.name));
    names.insert(key);

    const QString fieldWhat = QStringLiteral("a definição do campo '%1'").arg(def.name);
    const auto type = static_cast<std::uint32_t>(Uint(4, fieldWhat));
    def.base = TypeBase(type);
    def.size = TypeSize(type);
    def.variable = TypeVariable(type);
    def.attrs = static_cast<std::uint16_t>(Uint(2, fieldWhat));
    const auto propCount = static_cast<qsizetype>(Uint(2, fieldWhat));
    if (propCount * kMinPropBytes > Remaining())
        Impossible(QStringLiteral("quantidade de propriedades impossível no campo '%1' (%2 em %3 bytes restantes)")
                    .arg(def.name)
                    .arg(propCount)
                    .arg(Remaining()));
    // Written after "propriedade": "do campo 'X'", "do pacote".
    const QString owner = QStringLiteral("do campo '%1'").arg(def.name);
    for (qsizetype i = 0; i < propCount; ++i) {
        RawProp prop = ReadProp(owner);
        std::int64_t n = 0;
        if (prop.name.compare(u"WIDTH", Qt::CaseInsensitive) == 0 && PropAsInteger(prop, n))
            def.width = static_cast<int>(std::clamp<std::int64_t>(n, -1, 0x7FFFFFFF));
        else if (prop.name.compare(u"DECIMALS", Qt::CaseInsensitive) == 0 && PropAsInteger(prop, n))
            def.decimals = static_cast<int>(std::clamp<std::int64_t>(n, -1, 0x7FFFFFFF));
        else if (prop.name.compare(u"SUBTYPE", Qt::CaseInsensitive) == 0)
            PropAsText(prop, def.subtype);
        def.props.push_back(std::move(prop));
    }
    if (TypeArray(type))
        Corrupt(QStringLiteral("campo '%1': campos do tipo matriz não são suportados").arg(def.name));
    const QString problem = ClassifyWireType(def);
    if (!problem.isEmpty())
        Corrupt(QStringLiteral("campo '%1': %2").arg(def.name, problem));
    model.fields.push_back(std::move(def));
}

QVariant BinaryReader::ReadCell(const FieldDef& def, int row)
{
    // Built only on failure: the message names the field and the row.
    struct What {
        const FieldDef& def;
        int row;
        operator QString() const
        {
            return QStringLiteral("o campo '%1' do registro %2").arg(def.name).arg(row);
        }
    } const what{def, row};
    auto bad = [&](const QString& why) -> QVariant {
        Corrupt(QStringLiteral("%1 no campo '%2' do registro %3").arg(why, def.name).arg(row));
    };

    qsizetype len = def.size;
    if (def.variable) {
        if (def.size > Remaining())
            Truncated(what);
        const std::uint64_t n = LoadLE(data_ + pos_, def.size);
        pos_ += def.size;
        if (n > static_cast<std::uint64_t>(Remaining()))
            Truncated(what);
        len = static_cast<qsizetype>(n);
    }
    if (len > Remaining())
        Truncated(what);
    const char* p = data_ + pos_;
    pos_ += len;
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
        if (!DecodeBcd(p, s, text))
            return bad(QStringLiteral("valor BCD inválido"));
        return QVariant(text);
    }
    case btDate: {
        const QDate d = DateFromDayNumber(LoadSignedLE(p, 4));
        if (!d.isValid())
            return bad(QStringLiteral("data inválida"));
        return QVariant(d);
    }
    case btTime: {
        const std::int64_t ms = LoadSignedLE(p, 4);
        if (ms < 0 || ms >= 86400000)
            return bad(QStringLiteral("hora inválida"));
        return QVariant(QTime::fromMSecsSinceStartOfDay(static_cast<int>(ms)));
    }
    case btTimestamp: {
        double stamp;
        std::memcpy(&stamp, p, 8);
        QDateTime dt;
        if (!DateTimeFromStamp(stamp, dt))
            return bad(QStringLiteral("data e hora inválidas"));
        return QVariant(dt);
    }
    case btDateTime: {
        const auto year = static_cast<int>(LoadSignedLE(p, 2));
        const auto part = [&](int at) { return static_cast<int>(LoadLE(p + at, 2)); };
        const auto fraction = LoadLE(p + 12, 4);
        const QDate date(year, part(2), part(4));
        const QTime time(part(6), part(8), part(10), fraction < 1000 ? static_cast<int>(fraction) : -1);
        if (!date.isValid() || !time.isValid())
            return bad(QStringLiteral("data e hora inválidas"));
        return QVariant(QDateTime(date, time, Qt::UTC));
    }
    case btString: {
        qsizetype n = len;
        if (!def.variable)
            while (n > 0 && p[n - 1] == '\0')
                --n;
        return QVariant(DecodeCp1252(p, n));
    }
    case btWideString: {
        if (len % 2 != 0)
            return bad(QStringLiteral("texto UTF-16 com comprimento ímpar"));
        QString text(len / 2, Qt::Uninitialized);
        std::memcpy(text.data(), p, static_cast<std::size_t>(len));
        if (!def.variable)
            while (!text.isEmpty() && text.back() == QChar(0))
                text.chop(1);
        return QVariant(text);
    }
    default:
        return QVariant(QByteArray(p, len));
    }
}

PacketModel BinaryReader::Read()
{
    if (size_ == 0)
        Fail(QStringLiteral("%1 vazio").arg(noun_));
    if (size_ < 4) {
        if (std::memcmp(data_, kMagic, static_cast<std::size_t>(size_)) == 0)
            Truncated(QStringLiteral("a assinatura"));
        Fail(QStringLiteral("assinatura desconhecida: o %1 não é um pacote de dados").arg(noun_));
    }
    if (std::memcmp(data_, kMagic, 4) != 0)
        Fail(QStringLiteral("assinatura desconhecida: o %1 não é um pacote de dados").arg(noun_));
    Need(kHeaderSize, QStringLiteral("o cabeçalho"));
    pos_ = 4;
    const auto major = Uint(2, {});
    const auto minor = Uint(2, {});
    if (major < 1 || major > 2)
        Fail(QStringLiteral("versão de pacote não suportada (%1.%2)").arg(major).arg(minor));
    const auto headerSize = static_cast<qsizetype>(Uint(4, {}));
    const auto columnCount = static_cast<qsizetype>(Uint(2, {}));
    const auto rowCount = Uint(4, {});
    const auto flags = Uint(4, {});
    const auto rowOffset = static_cast<qsizetype>(Uint(2, {}));
    if (headerSize < kHeaderSize)
        Corrupt(QStringLiteral("tamanho de cabeçalho inválido (%1)").arg(headerSize));
    if (headerSize > size_) {
        pos_ = size_;
        Truncated(QStringLiteral("o cabeçalho"));
    }
    pos_ = headerSize;
    if ((flags & 1) == 0)
        Corrupt(QStringLiteral("pacote sem definição de campos"));
    if (columnCount == 0)
        Corrupt(QStringLiteral("pacote sem campos"));
    if (columnCount * kMinColumnBytes > Remaining())
        Impossible(QStringLiteral("quantidade de colunas impossível (%1 em %2 bytes restantes)")
                    .arg(columnCount)
                    .arg(Remaining()));

    PacketModel model;
    model.fields.reserve(static_cast<std::size_t>(columnCount));
    QSet<QString> names;
    for (int i = 0; i < columnCount; ++i)
        ReadColumn(i, model, names);

    const QString dsWhat = QStringLiteral("as propriedades do pacote");
    const auto dsPropCount = static_cast<qsizetype>(Uint(2, dsWhat));
    if (dsPropCount * kMinPropBytes > Remaining())
        Impossible(QStringLiteral("quantidade de propriedades do pacote impossível (%1 em %2 bytes restantes)")
                    .arg(dsPropCount)
                    .arg(Remaining()));
    std::vector<std::uint32_t> changeLog;
    for (qsizetype i = 0; i < dsPropCount; ++i) {
        RawProp prop = ReadProp(QStringLiteral("do pacote"));
        if (prop.name.compare(u"CHANGE_LOG", Qt::CaseInsensitive) == 0) {
            const int base = TypeBase(prop.type);
            if (!TypeArray(prop.type) || TypeSize(prop.type) != 4 || (base != btSigned && base != btUnsigned))
                Corrupt(QStringLiteral("CHANGE_LOG com tipo inesperado (0x%1)").arg(prop.type, 8, 16, QChar(u'0')));
            const auto count = static_cast<std::size_t>(LoadLE(prop.value.constData(), 4));
            changeLog.resize(count);
            for (std::size_t k = 0; k < count; ++k)
                changeLog[k] = static_cast<std::uint32_t>(LoadLE(prop.value.constData() + 4 + k * 4, 4));
        } else {
            model.datasetProps.push_back(std::move(prop));
        }
    }

    if (flags & 2) {
        if (rowOffset > size_) {
            pos_ = size_;
            Truncated(QStringLiteral("o início dos registros"));
        }
        if (rowOffset < pos_)
            Corrupt(QStringLiteral("posição dos registros inválida (%1; metadados terminam em %2, tamanho %3)")
                        .arg(rowOffset)
                        .arg(pos_)
                        .arg(size_));
        pos_ = rowOffset;
    }

    const qsizetype flagBytes = (columnCount + 3) / 4;
    if (rowCount > static_cast<std::uint64_t>(Remaining() / (1 + flagBytes)))
        Impossible(QStringLiteral("quantidade de registros impossível (%1 em %2 bytes restantes)")
                    .arg(rowCount)
                    .arg(Remaining()));

    CheckRecordMemory(rowCount, static_cast<std::size_t>(columnCount), noun_);
    std::vector<StoredRow> rows(static_cast<std::size_t>(rowCount));
    const auto ncols = static_cast<std::size_t>(columnCount);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int rowNo = static_cast<int>(r + 1);
        StoredRow& row = rows[r];
        if (Remaining() < 1 + flagBytes)
            Truncated(QStringLiteral("o registro %1").arg(rowNo));
        row.status = static_cast<std::uint8_t>(data_[pos_]);
        const char* flagsAt = data_ + pos_ + 1;
        pos_ += 1 + flagBytes;
        row.cells.resize(ncols);
        for (std::size_t f = 0; f < ncols; ++f) {
            const int flag = (static_cast<unsigned char>(flagsAt[f / 4]) >> ((f % 4) * 2)) & 3;
            if (flag == 0) {
                row.cells[f] = ReadCell(model.fields[f], rowNo);
            } else if (flag == 2) {
                if (row.unchanged.empty())
                    row.unchanged.resize(ncols, 0);
                row.unchanged[f] = 1;
            } else if (flag == 3) {
                Corrupt(QStringLiteral("indicador inválido (3) no campo '%1' do registro %2")
                            .arg(model.fields[f].name)
                            .arg(rowNo));
            }
        }
    }
    // A packet ends with its last row: anything after it is damage or
    // something appended, not data to trust.
    if (Remaining() > 0)
        Corrupt(QStringLiteral("%1 bytes a mais depois do último registro").arg(Remaining()));
    model.records = ResolveChanges(std::move(rows), changeLog, noun_);
    return model;
}

// ---------------------------------------------------------------------------
// Binary writer

void AppendProp(QByteArray& out, const RawProp& prop)
{
    QByteArray name = EncodeCp1252(prop.name);
    if (name.size() > 255)
        name.truncate(255);
    out.append(static_cast<char>(name.size()));
    out.append(name);
    AppendLE(out, prop.type, 4);
    out.append(prop.value);
}

void AppendCell(QByteArray& out, const FieldDef& def, const QVariant& v)
{
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
        if (d.year() < -32768 || d.year() > 32767)
            Fail(QStringLiteral("campo '%1': data fora da faixa").arg(def.name));
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

}  // namespace

PacketModel ReadBinary(const QByteArray& bytes, const QString& noun)
{
    return BinaryReader(bytes, noun).Read();
}

QByteArray WriteBinary(const PacketModel& model)
{
    if (model.fields.empty())
        Fail(QStringLiteral("não há campos para gravar"));
    if (model.fields.size() > 0xFFFF)
        Fail(QStringLiteral("campos demais para um pacote (%1)").arg(model.fields.size()));
    if (model.records.size() > 0xFFFFFFFFu)
        Fail(QStringLiteral("registros demais para um pacote"));
    QByteArray out;
    out.reserve(256);
    out.append(reinterpret_cast<const char*>(kMagic), 4);
    AppendLE(out, 1, 2);
    AppendLE(out, 0, 2);
    AppendLE(out, kHeaderSize, 4);
    AppendLE(out, model.fields.size(), 2);
    AppendLE(out, model.records.size(), 4);
    AppendLE(out, 3, 4);  // flags and row offset, settled below
    AppendLE(out, 0, 2);
    for (const FieldDef& def : model.fields) {
        QByteArray name = EncodeCp1252(def.name);
        if (name.isEmpty() || name.size() > 255)
            Fail(QStringLiteral("nome de campo inválido para um pacote: '%1'").arg(def.name));
        out.append(static_cast<char>(name.size()));
        out.append(name);
        AppendLE(out, def.TypeWord(), 4);
        AppendLE(out, def.attrs, 2);
        if (def.props.size() > 0xFFFF)
            Fail(QStringLiteral("propriedades demais no campo '%1'").arg(def.name));
        AppendLE(out, def.props.size(), 2);
        for (const RawProp& prop : def.props)
            AppendProp(out, prop);
    }
    AppendLE(out, std::min<std::size_t>(model.datasetProps.size(), 0xFFFF), 2);
    for (std::size_t i = 0; i < model.datasetProps.size() && i < 0xFFFF; ++i)
        AppendProp(out, model.datasetProps[i]);

    const qsizetype firstRow = out.size();
    if (firstRow <= 0xFFFF) {
        out[22] = static_cast<char>(firstRow & 0xFF);
        out[23] = static_cast<char>(firstRow >> 8);
    } else {
        out[18] = 1;  // metadata only: the offset does not fit
    }

    const std::size_t ncols = model.fields.size();
    const std::size_t flagBytes = (ncols + 3) / 4;
    QByteArray flags;
    for (const Record& rec : model.records) {
        out.append('\0');  // status: a plain row
        flags.fill('\0', static_cast<qsizetype>(flagBytes));
        for (std::size_t f = 0; f < ncols; ++f)
            if (f >= rec.size() || rec[f].isNull())
                flags[static_cast<qsizetype>(f / 4)] =
                    static_cast<char>(static_cast<unsigned char>(flags[static_cast<qsizetype>(f / 4)]) |
                                      (1u << ((f % 4) * 2)));
        out.append(flags);
        for (std::size_t f = 0; f < ncols && f < rec.size(); ++f)
            if (!rec[f].isNull())
                AppendCell(out, model.fields[f], rec[f]);
    }
    return out;
}

}  // namespace plat::dbc
