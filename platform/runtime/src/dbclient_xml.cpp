// XML packet form: read with QXmlStreamReader, written by hand as the one
// line that existing readers expect.
#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <cmath>
#include <limits>

#include "dbclient_p.h"
#include "orv00006/platform/sysutils.h"

namespace plat::dbc {

namespace {

constexpr qsizetype kMaxXmlFields = 0xFFFF;

// ---------------------------------------------------------------------------
// Type names

QString XmlTypeName(const FieldDef& def) {
    const int s = def.size;
    switch (def.base) {
    case btSigned:
        return s == 1   ? QStringLiteral("i1")
               : s == 2 ? QStringLiteral("i2")
               : s == 4 ? QStringLiteral("i4")
                        : QStringLiteral("i8");
    case btUnsigned:
        return s == 1   ? QStringLiteral("ui1")
               : s == 2 ? QStringLiteral("ui2")
               : s == 4 ? QStringLiteral("ui4")
                        : QStringLiteral("ui8");
    case btBoolean:
        return QStringLiteral("boolean");
    case btFloat:
        return s == 4 ? QStringLiteral("r4") : s == 10 ? QStringLiteral("r10") : QStringLiteral("r8");
    case btBCD:
        return QStringLiteral("fixed");
    case btFmtBCD:
        return QStringLiteral("fixedFMT");
    case btDate:
        return QStringLiteral("date");
    case btTime:
        return QStringLiteral("time");
    case btTimestamp:
        return QStringLiteral("dateTime");
    case btDateTime:
        return QStringLiteral("SQLdateTime");
    case btString:
        return QStringLiteral("string");
    case btWideString:
        return QStringLiteral("string.uni");
    default:
        // Bytes, and kinds kept as raw bytes (written as bytes).
        return QStringLiteral("bin.hex");
    }
}

// Builds the definition for a FIELD element. Returns what is wrong, or "".
QString DefFromXml(const QString& type, int width, int decimals, const QString& subtype, FieldDef& def) {
    auto set = [&](int base, int size, bool variable = false) {
        def.base = base;
        def.size = size;
        def.variable = variable;
    };
    const QString t = type.toLower();
    if (t == u"i1")
        set(btSigned, 1);
    else if (t == u"i2")
        set(btSigned, 2);
    else if (t == u"i4")
        set(btSigned, 4);
    else if (t == u"i8")
        set(btSigned, 8);
    else if (t == u"ui1")
        set(btUnsigned, 1);
    else if (t == u"ui2")
        set(btUnsigned, 2);
    else if (t == u"ui4")
        set(btUnsigned, 4);
    else if (t == u"ui8")
        set(btUnsigned, 8);
    else if (t == u"boolean")
        set(btBoolean, 2);
    else if (t == u"r4")
        set(btFloat, 4);
    else if (t == u"r8")
        set(btFloat, 8);
    else if (t == u"r10")
        set(btFloat, 10);
    else if (t == u"fixed")
        set(btBCD, kBcdSize);
    else if (t == u"fixedfmt")
        set(btFmtBCD, kBcdSize);
    else if (t == u"date")
        set(btDate, 4);
    else if (t == u"time")
        set(btTime, 4);
    else if (t == u"datetime")
        set(btTimestamp, 8);
    else if (t == u"sqldatetime")
        set(btDateTime, 16);
    else if (t == u"string" || t == u"string.uni") {
        const bool wide = t == u"string.uni";
        if (width == 0 || width > 65535) return QStringLiteral("largura inválida (%1)").arg(width);
        if (wide && width > 0 && width % 2 != 0) ++width;  // UTF-16 widths count bytes
        set(wide ? btWideString : btString, width < 0 || width >= 255 ? 2 : 1, true);
    } else if (t == u"bin.hex") {
        if (!subtype.isEmpty() || width <= 0) {
            set(btBytes, 4, true);
        } else {
            if (width > 65535) return QStringLiteral("largura inválida (%1)").arg(width);
            set(btBytes, 2, true);
        }
    } else if (t == u"nested")
        return QStringLiteral("tabelas aninhadas não são suportadas");
    else if (t == u"array")
        return QStringLiteral("campos do tipo matriz não são suportados");
    else if (t == u"adt")
        return QStringLiteral("campos compostos (ADT) não são suportados");
    else
        return QStringLiteral("tipo '%1' desconhecido").arg(type);

    const QString problem = ClassifyWireType(def);
    if (!problem.isEmpty()) return problem;
    if (width > 0 && (def.base == btString || def.base == btWideString || def.base == btBytes || def.base == btBCD ||
                      def.base == btFmtBCD)) {
        def.width = width;
        def.props.push_back(MakeU16Prop(QStringLiteral("WIDTH"), std::min(width, 65535)));
    }
    if (decimals >= 0 && (def.base == btBCD || def.base == btFmtBCD)) {
        def.decimals = decimals;
        def.props.push_back(MakeU16Prop(QStringLiteral("DECIMALS"), std::min(decimals, 65535)));
    }
    if (!subtype.isEmpty()) {
        def.subtype = subtype;
        def.props.push_back(MakeTextProp(QStringLiteral("SUBTYPE"), subtype));
    }
    return {};
}

// ---------------------------------------------------------------------------
// Value text

QString FloatText(double d, int size) {
    if (size == 4) {
        const auto f = static_cast<float>(d);
        for (int precision = 6; precision < 9; ++precision) {
            const QString s = QString::number(static_cast<double>(f), 'g', precision);
            if (static_cast<float>(QLocale::c().toDouble(s)) == f) return s;
        }
        return QString::number(static_cast<double>(f), 'g', 9);
    }
    return QString::number(d, 'g', 16);
}

QString DateText(const QDate& d) {
    const int y = d.year();
    return (y < 0 ? QStringLiteral("-") : QString()) + QStringLiteral("%1%2%3")
                                                           .arg(std::abs(y), 4, 10, QChar(u'0'))
                                                           .arg(d.month(), 2, 10, QChar(u'0'))
                                                           .arg(d.day(), 2, 10, QChar(u'0'));
}

QString TimeText(const QTime& t) {
    return QStringLiteral("%1:%2:%3%4")
        .arg(t.hour(), 2, 10, QChar(u'0'))
        .arg(t.minute(), 2, 10, QChar(u'0'))
        .arg(t.second(), 2, 10, QChar(u'0'))
        .arg(t.msec(), 3, 10, QChar(u'0'));
}

QString ValueText(const FieldDef& def, const QVariant& v) {
    switch (def.base) {
    case btSigned:
        return QString::number(v.toLongLong());
    case btUnsigned:
        return QString::number(v.toULongLong());
    case btBoolean:
        return v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case btFloat:
        return FloatText(v.toDouble(), def.size);
    case btBCD:
    case btFmtBCD:
        return v.toString();
    case btDate:
        return DateText(v.toDate());
    case btTime:
        return TimeText(v.toTime());
    case btTimestamp:
    case btDateTime: {
        const QDateTime dt = v.toDateTime();
        return DateText(dt.date()) + u'T' + TimeText(dt.time());
    }
    case btString:
    case btWideString:
        return v.toString();
    default:
        return QString::fromLatin1(v.toByteArray().toBase64());
    }
}

bool ParseDate(QStringView s, QDate& out) {
    bool negative = false;
    if (s.startsWith(u'-')) {
        negative = true;
        s = s.mid(1);
    }
    if (s.size() < 5 || s.size() > 11) return false;
    for (const QChar c : s)
        if (!c.isDigit() || c.unicode() > 0x7F) return false;
    const int year = s.left(s.size() - 4).toInt();
    const int month = s.mid(s.size() - 4, 2).toInt();
    const int day = s.right(2).toInt();
    out = QDate(negative ? -year : year, month, day);
    return out.isValid();
}

bool ParseTime(QStringView s, QTime& out) {
    static const QRegularExpression re(QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2})(?:[.,]?(\\d{1,3}))?$"));
    const auto m = re.match(s.toString());
    if (!m.hasMatch()) return false;
    int ms = 0;
    if (m.hasCaptured(4)) {
        QString frac = m.captured(4);
        while (frac.size() < 3) frac.append(u'0');
        ms = frac.toInt();
    }
    out = QTime(m.capturedView(1).toInt(), m.capturedView(2).toInt(), m.capturedView(3).toInt(), ms);
    return out.isValid();
}

bool ParseValue(const FieldDef& def, const QString& text, QVariant& out) {
    bool ok = false;
    switch (def.base) {
    case btSigned: {
        const qint64 v = text.trimmed().toLongLong(&ok);
        if (!ok) return false;
        if (def.size < 8) {
            const qint64 limit = qint64{1} << (def.size * 8 - 1);
            if (v < -limit || v >= limit) return false;
        }
        out = QVariant::fromValue<qint64>(v);
        return true;
    }
    case btUnsigned: {
        const QString t = text.trimmed();
        if (t.startsWith(u'-')) return false;
        const quint64 v = t.toULongLong(&ok);
        if (!ok || (def.size < 8 && v >> (def.size * 8) != 0)) return false;
        out = QVariant::fromValue<quint64>(v);
        return true;
    }
    case btBoolean: {
        const QString t = text.trimmed();
        if (t.compare(u"TRUE", Qt::CaseInsensitive) == 0 || t == u"1")
            out = QVariant(true);
        else if (t.compare(u"FALSE", Qt::CaseInsensitive) == 0 || t == u"0")
            out = QVariant(false);
        else
            return false;
        return true;
    }
    case btFloat: {
        QString t = text.trimmed();
        t.replace(u',', u'.');
        const double d = QLocale::c().toDouble(t, &ok);
        if (!ok) return false;
        out = QVariant(def.size == 4 ? static_cast<double>(static_cast<float>(d)) : d);
        return true;
    }
    case btBCD:
    case btFmtBCD: {
        QString t = text;
        t.replace(u',', u'.');
        QString canonical;
        if (!CanonicalDecimal(t, u'.', canonical)) return false;
        // Must fit the BCD form the binary packet carries: at most 64
        // digits (a zero integer part takes none), at most 63 decimals.
        const qsizetype point = canonical.indexOf(u'.');
        const qsizetype fraction = point < 0 ? 0 : canonical.size() - point - 1;
        const QStringView intPart = QStringView(canonical).left(point < 0 ? canonical.size() : point);
        const qsizetype intDigits =
            (intPart == u"0" || intPart == u"-0") ? 0 : intPart.size() - (intPart.startsWith(u'-') ? 1 : 0);
        if (fraction > 63 || intDigits + fraction > std::min((def.size - 2) * 2, 64)) return false;
        out = QVariant(canonical);
        return true;
    }
    case btDate: {
        QDate d;
        if (!ParseDate(QStringView(text).trimmed(), d)) return false;
        out = QVariant(d);
        return true;
    }
    case btTime: {
        QTime t;
        if (!ParseTime(QStringView(text).trimmed(), t)) return false;
        out = QVariant(t);
        return true;
    }
    case btTimestamp:
    case btDateTime: {
        const QStringView s = QStringView(text).trimmed();
        qsizetype sep = s.indexOf(u'T');
        if (sep < 0) sep = s.indexOf(u' ');
        QDate d;
        QTime t(0, 0);
        if (!ParseDate(sep < 0 ? s : s.left(sep), d)) return false;
        if (sep >= 0 && !ParseTime(s.mid(sep + 1), t)) return false;
        const QDateTime dt(d, t, Qt::UTC);
        if (def.base == btTimestamp) {
            QDateTime check;
            if (!DateTimeFromStamp(StampFromDateTime(dt), check)) return false;
        } else if (d.year() < -32768 || d.year() > 32767) {
            return false;
        }
        out = QVariant(dt);
        return true;
    }
    case btString: {
        // 8-bit text written byte by byte arrives as C1 controls.
        QString t = text;
        for (QChar& c : t) c = Cp1252FromC1(c);
        out = QVariant(t);
        return true;
    }
    case btWideString:
        out = QVariant(text);
        return true;
    default: {
        QByteArray b64 = text.toLatin1();
        b64.replace(' ', "").replace('\r', "").replace('\n', "").replace('\t', "");
        auto decoded = QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return false;
        out = QVariant(*decoded);
        return true;
    }
    }
}

// ---------------------------------------------------------------------------
// Names

bool IsPlainXmlName(const QString& name) {
    if (name.isEmpty() || name == u"RowState" || name.startsWith(u"xml", Qt::CaseInsensitive)) return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool other = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-';
        if (!letter && (i == 0 || !other)) return false;
    }
    return true;
}

// Attribute names for ROW: the field name where it is a plain XML name,
// else a cleaned, unique stand-in (the FIELD then carries fieldname).
std::vector<QString> MakeAttrNames(const std::vector<FieldDef>& fields) {
    std::vector<QString> names;
    QSet<QString> used;
    used.insert(QStringLiteral("RowState"));
    for (const FieldDef& f : fields)
        if (IsPlainXmlName(f.name)) used.insert(f.name);
    for (const FieldDef& f : fields) {
        if (IsPlainXmlName(f.name)) {
            names.push_back(f.name);
            continue;
        }
        QString base;
        for (const QChar c : f.name) {
            const char16_t u = c.unicode();
            const bool ok = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
                            u == u'_' || u == u'.' || u == u'-';
            base.append(ok ? c : QChar(u'_'));
        }
        if (!IsPlainXmlName(base)) base.prepend(u'_');
        QString candidate = base;
        for (int k = 2; used.contains(candidate); ++k) candidate = base + u'_' + QString::number(k);
        used.insert(candidate);
        names.push_back(candidate);
    }
    return names;
}

// ---------------------------------------------------------------------------
// Writer

// `holder()` names what holds the text, for the message when XML 1.0 has
// no form for one of its characters: such a value is refused, never altered.
template <typename Holder>
void AppendEscaped(QByteArray& out, const QString& text, bool utf8, const Holder& holder) {
    const auto refuse = [&](char32_t cp) {
        Fail(QStringLiteral("%1 tem um caractere que o XML não guarda (U+%2); use a forma binária")
                 .arg(holder(), QString::number(cp, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = text.at(i).unicode();
        if (QChar::isHighSurrogate(cp) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode())) {
            cp = QChar::surrogateToUcs4(static_cast<char16_t>(cp), text.at(i + 1).unicode());
            ++i;
        } else if (QChar::isSurrogate(cp)) {
            refuse(cp);
        }
        switch (cp) {
        case U'&':
            out.append("&amp;");
            continue;
        case U'<':
            out.append("&lt;");
            continue;
        case U'>':
            out.append("&gt;");
            continue;
        case U'"':
            out.append("&quot;");
            continue;
        case U'\'':
            out.append("&apos;");
            continue;
        default:
            break;
        }
        if (cp == 0x09 || cp == 0x0A || cp == 0x0D) {
            // Written as references: raw, they would turn into blanks.
            out.append("&#0");
            out.append(static_cast<char>('0' + cp / 10));
            out.append(static_cast<char>('0' + cp % 10));
            out.append(';');
        } else if (cp < 0x20 || cp == 0xFFFE || cp == 0xFFFF) {
            refuse(cp);
        } else if (cp < 0x80) {
            out.append(static_cast<char>(cp));
        } else if (utf8) {
            const char32_t one[1] = {cp};
            out.append(QString::fromUcs4(one, 1).toUtf8());
        } else {
            out.append("&#");
            out.append(QByteArray::number(static_cast<qulonglong>(cp)));
            out.append(';');
        }
    }
}

template <typename Holder>
void AppendAttr(QByteArray& out, const char* name, const QString& value, bool utf8, const Holder& holder) {
    out.append(' ');
    out.append(name);
    out.append("=\"");
    AppendEscaped(out, value, utf8, holder);
    out.append('"');
}

// ---------------------------------------------------------------------------
// Reader

class XmlReader {
public:
    XmlReader(const QByteArray& bytes, const QString& noun) : bytes_(bytes), noun_(noun) {}
    PacketModel Read();

private:
    [[noreturn]] void Bad(const QString& what) const { Fail(QStringLiteral("%1 XML inválido: %2").arg(noun_, what)); }
    void CheckXmlError() const {
        if (!xml_.hasError()) return;
        if (xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError)
            Fail(QStringLiteral("%1 truncado: o XML termina antes do fim do pacote (linha %2, coluna %3)")
                     .arg(noun_)
                     .arg(xml_.lineNumber())
                     .arg(xml_.columnNumber()));
        // The reader's own wording is English; the operator gets the kind.
        const QString kind = xml_.error() == QXmlStreamReader::CustomError ? xml_.errorString()
                             : xml_.error() == QXmlStreamReader::UnexpectedElementError
                                 ? QStringLiteral("elemento inesperado")
                                 : QStringLiteral("XML mal formado");
        Bad(QStringLiteral("%1 (linha %2, coluna %3)").arg(kind).arg(xml_.lineNumber()).arg(xml_.columnNumber()));
    }
    bool NextStart() {
        const bool more = xml_.readNextStartElement();
        CheckXmlError();
        return more;
    }
    void Skip() {
        xml_.skipCurrentElement();
        CheckXmlError();
    }
    void SetInput();
    void ReadMetadata();
    void ReadField();
    void ReadParams();
    void ReadRowData();

    const QByteArray& bytes_;
    QString noun_;
    QXmlStreamReader xml_;
    PacketModel model_;
    std::vector<QString> attrNames_;
    QHash<QString, int> attrIndex_;
    QSet<QString> names_;
    std::vector<std::uint32_t> changeLog_;
    std::vector<StoredRow> rows_;
};

void XmlReader::SetInput() {
    const bool bom16 =
        bytes_.size() >= 2 &&
        ((static_cast<unsigned char>(bytes_[0]) == 0xFF && static_cast<unsigned char>(bytes_[1]) == 0xFE) ||
         (static_cast<unsigned char>(bytes_[0]) == 0xFE && static_cast<unsigned char>(bytes_[1]) == 0xFF));
    if (bom16) {
        xml_.addData(bytes_);
        return;
    }
    QString encoding;
    const QByteArray head = bytes_.left(256);
    if (head.startsWith("<?xml") || head.startsWith("\xEF\xBB\xBF<?xml")) {
        static const QRegularExpression re(QStringLiteral("^[^>]*?encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
        const auto m =
            re.match(QString::fromLatin1(head.left(head.indexOf("?>") < 0 ? head.size() : head.indexOf("?>"))));
        if (m.hasMatch()) encoding = m.captured(1).toLower();
    }
    if (encoding.isEmpty() || encoding == u"utf-8" || encoding == u"utf8") {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder(bytes_);
        if (decoder.hasError() && encoding.isEmpty()) {
            // An undeclared plain file holding raw 8-bit text.
            xml_.addData(DecodeCp1252(bytes_));
            return;
        }
        xml_.addData(bytes_);
        return;
    }
    if (encoding == u"windows-1252" || encoding == u"cp1252" || encoding == u"iso-8859-1" || encoding == u"iso8859-1" ||
        encoding == u"latin1" || encoding == u"us-ascii" || encoding == u"ascii") {
        xml_.addData(DecodeCp1252(bytes_));
        return;
    }
    if (encoding.startsWith(u"utf-16")) {
        xml_.addData(bytes_);
        return;
    }
    Bad(QStringLiteral("codificação '%1' não suportada").arg(encoding));
}

PacketModel XmlReader::Read() {
    SetInput();
    xml_.setNamespaceProcessing(false);
    // Find the root; refuse DTDs (entity tricks have no place in a packet).
    while (!xml_.atEnd()) {
        const auto token = xml_.readNext();
        if (token == QXmlStreamReader::DTD) Bad(QStringLiteral("DTD não é aceita num pacote de dados"));
        if (token == QXmlStreamReader::StartElement) break;
    }
    CheckXmlError();
    if (!xml_.isStartElement()) Bad(QStringLiteral("documento sem elemento"));
    if (xml_.name() != u"DATAPACKET")
        Bad(QStringLiteral("não é um pacote de dados (elemento raiz <%1>)").arg(Abbreviate(xml_.name().toString())));

    bool haveMetadata = false;
    bool haveRows = false;
    while (NextStart()) {
        if (xml_.name() == u"METADATA" && !haveMetadata) {
            ReadMetadata();
            haveMetadata = true;
        } else if (xml_.name() == u"ROWDATA" && !haveRows) {
            if (!haveMetadata) Bad(QStringLiteral("ROWDATA antes de METADATA"));
            ReadRowData();
            haveRows = true;
        } else {
            Skip();
        }
    }
    // Whatever follows the root must still be well formed.
    while (!xml_.atEnd()) xml_.readNext();
    CheckXmlError();
    if (!haveMetadata) Bad(QStringLiteral("pacote sem METADATA"));
    if (model_.fields.empty()) Bad(QStringLiteral("pacote sem campos"));
    model_.savedChanges = HoldsSavedChanges(rows_, changeLog_);
    model_.records = ResolveChanges(std::move(rows_), changeLog_, noun_);
    return std::move(model_);
}

void XmlReader::ReadMetadata() {
    bool haveFields = false;
    while (NextStart()) {
        if (xml_.name() == u"FIELDS" && !haveFields) {
            haveFields = true;
            while (NextStart()) {
                if (xml_.name() == u"FIELD") ReadField();
                Skip();
            }
        } else if (xml_.name() == u"PARAMS") {
            ReadParams();
            Skip();
        } else {
            Skip();
        }
    }
    if (!haveFields) Bad(QStringLiteral("METADATA sem FIELDS"));
}

void XmlReader::ReadField() {
    const QXmlStreamAttributes a = xml_.attributes();
    const QString attrName = a.value(QLatin1String("attrname")).toString();
    const QString type = a.value(QLatin1String("fieldtype")).toString();
    QString name = a.value(QLatin1String("fieldname")).toString();
    if (name.isEmpty()) name = attrName;
    const int index = static_cast<int>(model_.fields.size()) + 1;
    if (attrName.isEmpty()) Bad(QStringLiteral("o campo %1 não tem attrname").arg(index));
    if (type.isEmpty()) Bad(QStringLiteral("o campo '%1' não tem fieldtype").arg(name));
    if (model_.fields.size() >= kMaxXmlFields) Bad(QStringLiteral("campos demais (mais de %1)").arg(kMaxXmlFields));
    // The binary form holds names of up to 255 bytes in the 8-bit code page.
    if (name.size() > 255 || DecodeCp1252(EncodeCp1252(name)) != name)
        Bad(QStringLiteral("nome de campo inválido: '%1'").arg(Abbreviate(name)));
    for (const QChar c : name)
        if (c.unicode() < 0x20) Bad(QStringLiteral("nome de campo inválido: '%1'").arg(Abbreviate(name)));
    const QString key = name.toCaseFolded();
    if (names_.contains(key) || attrIndex_.contains(attrName)) Bad(QStringLiteral("campo '%1' repetido").arg(name));

    auto intAttr = [&](QLatin1String attr) {
        if (!a.hasAttribute(attr)) return -1;
        bool ok = false;
        const int v = a.value(attr).toInt(&ok);
        if (!ok || v < 0) Bad(QStringLiteral("valor de %1 inválido no campo '%2'").arg(QString(attr), name));
        return v;
    };
    auto flag = [&](QLatin1String attr) { return a.value(attr).compare(u"true", Qt::CaseInsensitive) == 0; };

    FieldDef def;
    def.name = name;
    const QString problem = DefFromXml(type, intAttr(QLatin1String("WIDTH")), intAttr(QLatin1String("DECIMALS")),
                                       a.value(QLatin1String("SUBTYPE")).toString(), def);
    if (!problem.isEmpty()) Fail(QStringLiteral("%1 com campo inválido: campo '%2': %3").arg(noun_, name, problem));
    def.attrs = static_cast<std::uint16_t>(kAttrDefault | (flag(QLatin1String("hidden")) ? kAttrHidden : 0) |
                                           (flag(QLatin1String("readonly")) ? kAttrReadOnly : 0) |
                                           (flag(QLatin1String("required")) ? kAttrRequired : 0) |
                                           (flag(QLatin1String("linkfield")) ? kAttrLink : 0));
    names_.insert(key);
    attrIndex_.insert(attrName, static_cast<int>(model_.fields.size()));
    attrNames_.push_back(attrName);
    model_.fields.push_back(std::move(def));
}

void XmlReader::ReadParams() {
    for (const QXmlStreamAttribute& attr : xml_.attributes()) {
        const QString name = attr.name().toString();
        const QString value = attr.value().toString();
        if (name.compare(u"CHANGE_LOG", Qt::CaseInsensitive) == 0) {
            const QStringList parts = value.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            changeLog_.clear();
            changeLog_.reserve(static_cast<std::size_t>(parts.size()));
            for (const QString& p : parts) {
                bool ok = false;
                const uint v = p.toUInt(&ok);
                if (!ok) Bad(QStringLiteral("CHANGE_LOG com valor inválido '%1'").arg(p));
                changeLog_.push_back(v);
            }
        } else {
            model_.datasetProps.push_back(PropFromXmlText(name, value));
        }
    }
}

void XmlReader::ReadRowData() {
    const std::size_t ncols = model_.fields.size();
    // An empty ROW costs a few bytes and a whole record: count the tags
    // first so that a packet too big for memory allocates nothing.
    const qsizetype rowTags = bytes_.count("<ROW ") + bytes_.count("<ROW/") + bytes_.count("<ROW>");
    CheckRecordMemory(static_cast<std::uint64_t>(rowTags), ncols, noun_);
    while (NextStart()) {
        if (xml_.name() != u"ROW") {
            Skip();
            continue;
        }
        CheckRecordMemory(rows_.size() + 1, ncols, noun_);
        const int rowNo = static_cast<int>(rows_.size()) + 1;
        StoredRow row;
        row.cells.resize(ncols);
        std::vector<char> present(ncols, 0);
        for (const QXmlStreamAttribute& attr : xml_.attributes()) {
            if (attr.name() == u"RowState") {
                bool ok = false;
                const uint state = attr.value().toUInt(&ok);
                if (!ok || state > 0xFF) Bad(QStringLiteral("RowState inválido no registro %1").arg(rowNo));
                row.status = static_cast<std::uint8_t>(state);
                continue;
            }
            const auto it = attrIndex_.constFind(attr.name().toString());
            if (it == attrIndex_.cend()) continue;  // not a field of this packet
            const auto f = static_cast<std::size_t>(*it);
            const FieldDef& def = model_.fields[f];
            const QString text = attr.value().toString();
            if (!ParseValue(def, text, row.cells[f]))
                Fail(QStringLiteral("%1 com valor inválido '%2' no campo '%3' (%4) do registro %5")
                         .arg(noun_, Abbreviate(text), def.name, XmlTypeName(def))
                         .arg(rowNo));
            present[f] = 1;
        }
        // A changed version names only what changed.
        if (row.status & kRowModified) {
            row.unchanged.resize(ncols, 0);
            for (std::size_t f = 0; f < ncols; ++f) row.unchanged[f] = present[f] ? 0 : 1;
        }
        rows_.push_back(std::move(row));
        Skip();
    }
}

}  // namespace

PacketModel ReadXml(const QByteArray& bytes, const QString& noun) { return XmlReader(bytes, noun).Read(); }

QByteArray WriteXml(const PacketModel& model, bool utf8) {
    if (model.fields.empty()) Fail(QStringLiteral("não há campos para gravar"));
    QByteArray out;
    out.reserve(512);
    out.append(utf8 ? "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                    : "<?xml version=\"1.0\" standalone=\"yes\"?>");
    out.append("  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    const std::vector<QString> attrNames = MakeAttrNames(model.fields);
    for (std::size_t i = 0; i < model.fields.size(); ++i) {
        const FieldDef& def = model.fields[i];
        const auto holder = [&] { return QStringLiteral("o nome do campo '%1'").arg(Abbreviate(def.name)); };
        out.append("<FIELD");
        if (attrNames[i] != def.name) AppendAttr(out, "fieldname", def.name, utf8, holder);
        AppendAttr(out, "attrname", attrNames[i], utf8, holder);
        AppendAttr(out, "fieldtype", XmlTypeName(def), utf8, holder);
        int width = std::min(def.width, 65535);
        if (width <= 0 && (def.base == btString || def.base == btWideString))
            width = static_cast<int>(std::min<std::int64_t>(def.MaxBytes(), 65535));
        if (width <= 0 && def.base == btBytes && !def.variable) width = def.size;
        if (width > 0 && (def.base == btString || def.base == btWideString || def.base == btBytes ||
                          def.base == btBCD || def.base == btFmtBCD))
            AppendAttr(out, "WIDTH", QString::number(width), utf8, holder);
        if (def.decimals >= 0 && (def.base == btBCD || def.base == btFmtBCD))
            AppendAttr(out, "DECIMALS", QString::number(def.decimals), utf8, holder);
        if (!def.subtype.isEmpty())
            AppendAttr(out, "SUBTYPE", def.subtype, utf8,
                       [&] { return QStringLiteral("o subtipo do campo '%1'").arg(Abbreviate(def.name)); });
        if (def.attrs & kAttrRequired) out.append(" required=\"true\"");
        if (def.attrs & kAttrReadOnly) out.append(" readonly=\"true\"");
        if (def.attrs & kAttrHidden) out.append(" hidden=\"true\"");
        if (def.attrs & kAttrLink) out.append(" linkfield=\"true\"");
        out.append("/>");
    }
    out.append("</FIELDS><PARAMS");
    QSet<QString> written;
    for (const RawProp& prop : model.datasetProps) {
        QString text;
        if (!IsPlainXmlName(prop.name) || written.contains(prop.name) || !PropToXmlText(prop, text))
            continue;  // no XML form
        written.insert(prop.name);
        out.append(' ');
        out.append(prop.name.toLatin1());
        out.append("=\"");
        AppendEscaped(out, text, utf8, [&] { return QStringLiteral("o parâmetro '%1'").arg(prop.name); });
        out.append('"');
    }
    out.append("/></METADATA><ROWDATA>");
    for (std::size_t r = 0; r < model.records.size(); ++r) {
        const Record& rec = model.records[r];
        out.append("<ROW");
        for (std::size_t f = 0; f < model.fields.size() && f < rec.size(); ++f) {
            if (!rec[f].isValid()) continue;
            out.append(' ');
            out.append(attrNames[f].toLatin1());
            out.append("=\"");
            AppendEscaped(out, ValueText(model.fields[f], rec[f]), utf8, [&] {
                return QStringLiteral("o campo '%1' do registro %2").arg(Abbreviate(model.fields[f].name)).arg(r + 1);
            });
            out.append('"');
        }
        out.append("/>");
    }
    out.append("</ROWDATA></DATAPACKET>");
    return out;
}

}  // namespace plat::dbc
