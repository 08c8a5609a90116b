// Field definitions: their properties (typed reading and building), the
// definition of a declared field, and the checks on a wire type.
#include <algorithm>

#include "dbclient_p.h"

namespace plat::dbc {

// ---------------------------------------------------------------------------
// Properties

bool PropAsInteger(const RawProp& prop, std::int64_t& out) {
    const int base = TypeBase(prop.type);
    const int size = TypeSize(prop.type);
    if (TypeArray(prop.type) || TypeVariable(prop.type) || (base != btSigned && base != btUnsigned)) return false;
    if ((size != 1 && size != 2 && size != 4 && size != 8) || prop.value.size() != size) return false;
    out = base == btSigned ? LoadSignedLE(prop.value.constData(), size)
                           : static_cast<std::int64_t>(LoadLE(prop.value.constData(), size));
    return true;
}

bool PropAsText(const RawProp& prop, QString& out) {
    const int base = TypeBase(prop.type);
    if (TypeArray(prop.type) || (base != btString && base != btWideString)) return false;
    QByteArray bytes = prop.value;
    if (TypeVariable(prop.type)) bytes = bytes.mid(TypeSize(prop.type));
    if (base == btString) {
        while (!bytes.isEmpty() && bytes.back() == '\0') bytes.chop(1);
        out = DecodeCp1252(bytes);
    } else {
        out = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        while (!out.isEmpty() && out.back() == QChar(0)) out.chop(1);
    }
    return true;
}

bool PropToXmlText(const RawProp& prop, QString& out) {
    std::int64_t n = 0;
    if (PropAsInteger(prop, n)) {
        out = TypeBase(prop.type) == btUnsigned && TypeSize(prop.type) == 8
                  ? QString::number(static_cast<std::uint64_t>(n))
                  : QString::number(n);
        return true;
    }
    if (PropAsText(prop, out)) return true;
    const int base = TypeBase(prop.type);
    const int size = TypeSize(prop.type);
    if (!TypeArray(prop.type) && base == btBoolean && size >= 1 && prop.value.size() == size) {
        out = LoadLE(prop.value.constData(), std::min(size, 8)) != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        return true;
    }
    if (TypeArray(prop.type) && (base == btSigned || base == btUnsigned) && size == 4 && prop.value.size() >= 4) {
        const auto count = LoadLE(prop.value.constData(), 4);
        if (prop.value.size() != 4 + static_cast<qsizetype>(count) * 4) return false;
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

RawProp MakeU16Prop(const QString& name, int value) {
    RawProp p{name, MakeTypeWord(btUnsigned, 2), {}};
    AppendLE(p.value, static_cast<std::uint64_t>(value), 2);
    return p;
}

RawProp MakeTextProp(const QString& name, const QString& text) {
    // As real files hold SUBTYPE: 2-byte length, text, a terminating NUL.
    QByteArray bytes = EncodeCp1252(text.left(65534));
    bytes.append('\0');
    RawProp p{name, MakeTypeWord(btString, 2, true), {}};
    AppendLE(p.value, static_cast<std::uint64_t>(bytes.size()), 2);
    p.value.append(bytes);
    return p;
}

RawProp MakeU32ArrayProp(const QString& name, const std::vector<std::uint32_t>& values) {
    RawProp p{name, MakeTypeWord(btUnsigned, 4, false, true), {}};
    AppendLE(p.value, values.size(), 4);
    for (const auto v : values) AppendLE(p.value, v, 4);
    return p;
}

RawProp PropFromXmlText(const QString& name, const QString& text) {
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

int FieldDef::FieldSize() const {
    switch (type) {
    case TFieldType::ftString:
        if (width > 0) return width;
        return static_cast<int>(std::min<std::int64_t>(MaxBytes(), 0x7FFFFFFF));
    case TFieldType::ftWideString:
        if (width > 0) return width / 2;
        return static_cast<int>(std::min<std::int64_t>(MaxBytes() / 2, 0x7FFFFFFF));
    case TFieldType::ftBCD:
        return decimals > 0 ? decimals : 0;
    case TFieldType::ftBlob:
        if (width > 0) return width;
        return variable ? 0 : size;
    default:
        return 0;
    }
}

std::int64_t FieldDef::MaxBytes() const {
    if (!variable) return size;
    switch (size) {
    case 1:
        return 0xFF;
    case 2:
        return 0xFFFF;
    default:
        return 0x7FFFFFFF;
    }
}

bool FieldDef::IsTextBlob() const {
    return base == btBytes && (subtype.compare(u"Text", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"FmtText", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"Memo", Qt::CaseInsensitive) == 0);
}

bool FieldDef::IsWideBlob() const {
    return base == btBytes && (subtype.compare(u"WideText", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"FmtMemo", Qt::CaseInsensitive) == 0 ||
                               subtype.compare(u"WideMemo", Qt::CaseInsensitive) == 0);
}

FieldDef DefForDeclared(const QString& name, TFieldType type, int size) {
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

QString ClassifyWireType(FieldDef& def) {
    const int s = def.size;
    auto badSize = [&]() { return QStringLiteral("tamanho %1 inválido para o tipo %2").arg(s).arg(def.base); };
    if (def.base == btADT) return QStringLiteral("campos compostos (ADT) não são suportados");
    if (def.base == btArray) return QStringLiteral("campos do tipo matriz não são suportados");
    if (def.base == btNested) return QStringLiteral("tabelas aninhadas não são suportadas");
    if (def.base == btRef) return QStringLiteral("campos de referência não são suportados");
    if (def.base < btSigned || def.base > btFmtBCD)
        return QStringLiteral("tipo de campo desconhecido (%1)").arg(def.base);
    if (def.variable) {
        if (s != 1 && s != 2 && s != 4) return QStringLiteral("prefixo de comprimento inválido (%1)").arg(s);
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
        if (s != 1 && s != 2 && s != 4 && s != 8) return badSize();
        if (def.base == btUnsigned)
            def.type = TFieldType::ftWord;
        else
            def.type = s <= 2 ? TFieldType::ftSmallint : s == 4 ? TFieldType::ftInteger : TFieldType::ftLargeint;
        return {};
    case btBoolean:
        if (s != 1 && s != 2 && s != 4) return badSize();
        def.type = TFieldType::ftBoolean;
        return {};
    case btFloat:
        if (s != 4 && s != 8 && s != 10) return badSize();
        def.type = TFieldType::ftFloat;
        return {};
    case btBCD:
    case btFmtBCD:
        if (s < 2) return badSize();
        def.type = TFieldType::ftBCD;
        return {};
    case btDate:
    case btTime:
        if (s != 4) return badSize();
        def.type = def.base == btDate ? TFieldType::ftDate : TFieldType::ftTime;
        return {};
    case btTimestamp:
        if (s != 8) return badSize();
        def.type = TFieldType::ftDateTime;
        return {};
    case btDateTime:
        if (s != 16) return badSize();
        def.type = TFieldType::ftDateTime;
        return {};
    case btString:
        if (s < 1) return badSize();
        def.type = TFieldType::ftString;
        return {};
    case btWideString:
        if (s < 2 || s % 2 != 0) return badSize();
        def.type = TFieldType::ftWideString;
        return {};
    case btBytes:
    case btBigDecimal:
        if (s < 1) return badSize();
        def.type = TFieldType::ftBlob;
        return {};
    default:
        return QStringLiteral("tipo de campo desconhecido (%1)").arg(def.base);
    }
}

}  // namespace plat::dbc
