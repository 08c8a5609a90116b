// Fields: a record set's columns, their values and conversions.
#include "dbclient_impl_p.h"

namespace plat {

namespace {

const QDate& DateZero() {
    static const QDate zero(1899, 12, 30);  // day 0 of real-number dates
    return zero;
}

}  // namespace

// ---------------------------------------------------------------------------
// TField

TField::TField(TClientDataSet* owner, QString name, TFieldType type, int size)
    : owner_(owner), name_(std::move(name)), type_(type), size_(size) {
    if (owner_) owner_->d_->Declare(this, type, size);
}

TField::~TField() {
    if (owner_) owner_->d_->Undeclare(this);
}

namespace {

[[noreturn]] void FieldError(const TField* f, const QString& message) {
    throw EDatabaseError(QStringLiteral("campo '%1': %2").arg(f->FieldName(), message));
}

// Range of an integer column, as its wire size allows.
void CheckIntRange(const TField* f, const FieldDef& def, long double v) {
    long double lo;
    long double hi;
    if (def.base == dbc::btUnsigned) {
        lo = 0;
        hi = std::ldexp(1.0L, def.size * 8) - 1;
    } else {
        lo = -std::ldexp(1.0L, def.size * 8 - 1);
        hi = std::ldexp(1.0L, def.size * 8 - 1) - 1;
    }
    if (v < lo || v > hi)
        FieldError(f, QStringLiteral("valor fora da faixa (%1)").arg(static_cast<double>(v), 0, 'g', 17));
}

QString BcdFit(const TField* f, const FieldDef& def, const QString& canonical) {
    // Drop fraction digits the BCD form cannot hold; refuse integer overflow.
    const int maxDigits = std::min((def.size - 2) * 2, 64);
    const qsizetype point = canonical.indexOf(u'.');
    const bool negative = canonical.startsWith(u'-');
    const qsizetype intDigits = (point < 0 ? canonical.size() : point) - (negative ? 1 : 0);
    const bool intIsZero = canonical.mid(negative ? 1 : 0, intDigits) == u"0";
    if (!intIsZero && intDigits > maxDigits) FieldError(f, QStringLiteral("valor %1 grande demais").arg(canonical));
    if (point < 0) return canonical;
    const qsizetype room = std::min<qsizetype>(maxDigits - (intIsZero ? 0 : intDigits), 63);
    QString out;
    dbc::CanonicalDecimal(canonical.left(point + 1 + std::max<qsizetype>(room, 0)), u'.', out);
    return out;
}

double TDateTimeOf(const QDate& d) { return static_cast<double>(DateZero().daysTo(d)); }

}  // namespace

bool TField::IsNull() const {
    if (!owner_) return true;
    const auto* d = owner_->d_.get();
    d->CheckActive();
    const Record* rec = d->Current();
    return !rec || !(*rec)[static_cast<std::size_t>(index_)].isValid();
}

QVariant TField::Value() const {
    if (!owner_) FieldError(this, QStringLiteral("campo sem conjunto de dados"));
    const auto* d = owner_->d_.get();
    d->CheckActive();
    const Record* rec = d->Current();
    if (!rec) return {};
    const QVariant& v = (*rec)[static_cast<std::size_t>(index_)];
    if (v.isValid() && type_ == TFieldType::ftBCD) return QVariant(QLocale::c().toDouble(v.toString()));
    return v;
}

QString TField::AsString() const {
    const QVariant v = Value();
    if (!v.isValid()) return {};
    const FieldDef& def = owner_->d_->Def(this);
    switch (type_) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
        return v.toString();
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
        return QString::number(v.toLongLong());
    case TFieldType::ftWord:
        return QString::number(v.toULongLong());
    case TFieldType::ftBoolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldType::ftFloat:
        return FloatToStr(v.toDouble());
    case TFieldType::ftBCD: {
        QString text = owner_->d_->Current()->at(static_cast<std::size_t>(index_)).toString();
        text.replace(u'.', DecimalSeparator());
        return text;
    }
    case TFieldType::ftDate:
        return v.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case TFieldType::ftTime:
        return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    case TFieldType::ftDateTime: {
        const QDateTime dt = v.toDateTime();
        QString text = dt.date().toString(QStringLiteral("dd/MM/yyyy"));
        if (dt.time() != QTime(0, 0)) text += dt.time().toString(QStringLiteral(" hh:mm:ss"));
        return text;
    }
    case TFieldType::ftBlob: {
        const QByteArray bytes = v.toByteArray();
        if (def.IsTextBlob()) return dbc::DecodeCp1252(bytes);
        if (def.IsWideBlob())
            return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()), bytes.size() / 2);
        return QString::fromLatin1(bytes);
    }
    case TFieldType::ftUnknown:
        break;
    }
    return v.toString();
}

double TField::AsFloat() const {
    const QVariant v = Value();
    if (!v.isValid()) return 0.0;
    switch (type_) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
        return static_cast<double>(v.toLongLong());
    case TFieldType::ftWord:
        return static_cast<double>(v.toULongLong());
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
        return v.toDouble();
    case TFieldType::ftDate:
        return TDateTimeOf(v.toDate());
    case TFieldType::ftTime:
        return v.toTime().msecsSinceStartOfDay() / 86400000.0;
    case TFieldType::ftDateTime: {
        const QDateTime dt = v.toDateTime();
        return TDateTimeOf(dt.date()) + dt.time().msecsSinceStartOfDay() / 86400000.0;
    }
    case TFieldType::ftBoolean:
        FieldError(this, QStringLiteral("um valor lógico não pode ser lido como número"));
    case TFieldType::ftBlob:
        if (!owner_->d_->Def(this).IsTextBlob() && !owner_->d_->Def(this).IsWideBlob())
            FieldError(this, QStringLiteral("dados binários não podem ser lidos como número"));
        return StrToFloat(AsString());
    default:
        return StrToFloat(AsString());
    }
}

bool TField::Required() const {
    if (!owner_ || index_ < 0) return false;
    return (owner_->d_->Def(this).attrs & dbc::kAttrRequired) != 0;
}

bool TField::ReadOnly() const {
    if (!owner_ || index_ < 0) return false;
    return (owner_->d_->Def(this).attrs & dbc::kAttrReadOnly) != 0;
}

bool TField::Visible() const {
    if (!owner_ || index_ < 0) return true;
    return (owner_->d_->Def(this).attrs & dbc::kAttrHidden) == 0;
}

void TField::Clear() {
    if (!owner_) FieldError(this, QStringLiteral("campo sem conjunto de dados"));
    owner_->d_->EditCell(this) = QVariant();
}

namespace {

// The steps of TField::SetAsString: each makes the cell a field of one kind
// holds from text; conversion errors quote the text as it was given.

// Kinds other than text and bytes take blank text as NULL.
bool BlankIsNull(TFieldType type) {
    return type != TFieldType::ftString && type != TFieldType::ftWideString && type != TFieldType::ftBlob;
}

QVariant StringCell(const QString& value, int size) {
    // Only what the 8-bit code page holds survives a save: keep that.
    QString stored = dbc::DecodeCp1252(dbc::EncodeCp1252(value));
    if (size > 0 && stored.size() > size) stored.truncate(size);
    return QVariant(stored);
}

QVariant WideStringCell(const QString& value, int size) {
    return QVariant(size > 0 && value.size() > size ? value.left(size) : value);
}

QVariant IntegerCell(const TField* f, const FieldDef& def, const QString& text, const QString& value) {
    const bool word = f->DataType() == TFieldType::ftWord;
    bool ok = false;
    // Unsigned first, so that a word column takes values beyond qint64.
    if (word && !text.startsWith(u'-')) {
        const quint64 u = text.toULongLong(&ok);
        if (ok) {
            CheckIntRange(f, def, static_cast<long double>(u));
            return QVariant::fromValue<quint64>(u);
        }
    }
    const qint64 n = text.toLongLong(&ok);
    if (!ok) throw EConvertError(QStringLiteral("'%1' não é um número inteiro válido").arg(Abbreviate(value)));
    CheckIntRange(f, def, static_cast<long double>(n));
    return word ? QVariant::fromValue<quint64>(static_cast<quint64>(n)) : QVariant::fromValue<qint64>(n);
}

QVariant BooleanCell(const QString& text, const QString& value) {
    static const QStringList yes = {QStringLiteral("TRUE"), QStringLiteral("T"),   QStringLiteral("1"),
                                    QStringLiteral("S"),    QStringLiteral("SIM"), QStringLiteral("VERDADEIRO")};
    static const QStringList no = {QStringLiteral("FALSE"), QStringLiteral("F"),   QStringLiteral("0"),
                                   QStringLiteral("N"),     QStringLiteral("NAO"), QStringLiteral("NÃO"),
                                   QStringLiteral("FALSO")};
    const QString up = text.toUpper();
    if (yes.contains(up)) return QVariant(true);
    if (no.contains(up)) return QVariant(false);
    throw EConvertError(QStringLiteral("'%1' não é um valor lógico válido").arg(Abbreviate(value)));
}

QVariant BcdCell(const TField* f, const FieldDef& def, const QString& text, const QString& value) {
    QString canonical;
    if (!dbc::CanonicalDecimal(text, DecimalSeparator(), canonical))
        throw EConvertError(QStringLiteral("'%1' não é um número válido").arg(Abbreviate(value)));
    return QVariant(BcdFit(f, def, canonical));
}

QVariant DateCell(const QString& text, const QString& value) {
    const QDate d = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
    if (!d.isValid()) throw EConvertError(QStringLiteral("'%1' não é uma data válida").arg(Abbreviate(value)));
    return QVariant(d);
}

QVariant TimeCell(const QString& text, const QString& value) {
    QTime t = QTime::fromString(text, QStringLiteral("H:mm:ss"));
    if (!t.isValid()) t = QTime::fromString(text, QStringLiteral("H:mm"));
    if (!t.isValid()) throw EConvertError(QStringLiteral("'%1' não é uma hora válida").arg(Abbreviate(value)));
    return QVariant(t);
}

QVariant DateTimeCell(const QString& text, const QString& value) {
    QDateTime dt = QDateTime::fromString(text, QStringLiteral("d/M/yyyy H:mm:ss"));
    if (!dt.isValid()) dt = QDateTime::fromString(text, QStringLiteral("d/M/yyyy H:mm"));
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
        if (d.isValid()) dt = QDateTime(d, QTime(0, 0), Qt::UTC);
    }
    if (!dt.isValid()) throw EConvertError(QStringLiteral("'%1' não é uma data e hora válida").arg(Abbreviate(value)));
    return QVariant(QDateTime(dt.date(), dt.time(), Qt::UTC));
}

QVariant BlobCell(const FieldDef& def, const QString& value) {
    if (def.IsTextBlob()) return QVariant(dbc::EncodeCp1252(value));
    if (def.IsWideBlob()) return QVariant(QByteArray(reinterpret_cast<const char*>(value.utf16()), value.size() * 2));
    return QVariant(value.toLatin1());
}

}  // namespace

void TField::SetAsString(const QString& value) {
    if (!owner_) FieldError(this, QStringLiteral("campo sem conjunto de dados"));
    QVariant& cell = owner_->d_->EditCell(this);
    const FieldDef& def = owner_->d_->Def(this);
    const QString text = value.trimmed();
    if (BlankIsNull(type_) && text.isEmpty()) {
        cell = QVariant();
        return;
    }
    switch (type_) {
    case TFieldType::ftString:
        cell = StringCell(value, size_);
        return;
    case TFieldType::ftWideString:
        cell = WideStringCell(value, size_);
        return;
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftWord:
        cell = IntegerCell(this, def, text, value);
        return;
    case TFieldType::ftBoolean:
        cell = BooleanCell(text, value);
        return;
    case TFieldType::ftFloat:
        SetAsFloat(StrToFloat(text));
        return;
    case TFieldType::ftBCD:
        cell = BcdCell(this, def, text, value);
        return;
    case TFieldType::ftDate:
        cell = DateCell(text, value);
        return;
    case TFieldType::ftTime:
        cell = TimeCell(text, value);
        return;
    case TFieldType::ftDateTime:
        cell = DateTimeCell(text, value);
        return;
    case TFieldType::ftBlob:
        cell = BlobCell(def, value);
        return;
    case TFieldType::ftUnknown:
        break;
    }
    FieldError(this, QStringLiteral("tipo de campo desconhecido"));
}

void TField::SetAsFloat(double value) {
    if (!owner_) FieldError(this, QStringLiteral("campo sem conjunto de dados"));
    QVariant& cell = owner_->d_->EditCell(this);
    const FieldDef& def = owner_->d_->Def(this);
    auto needFinite = [&]() {
        if (!std::isfinite(value)) FieldError(this, QStringLiteral("valor não numérico"));
    };
    switch (type_) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftWord: {
        needFinite();
        const long double rounded = std::round(static_cast<long double>(value));
        CheckIntRange(this, def, rounded);
        cell = type_ == TFieldType::ftWord ? QVariant::fromValue<quint64>(static_cast<quint64>(rounded))
                                           : QVariant::fromValue<qint64>(static_cast<qint64>(rounded));
        return;
    }
    case TFieldType::ftFloat:
        cell = QVariant(def.size == 4 ? static_cast<double>(static_cast<float>(value)) : value);
        return;
    case TFieldType::ftBCD:
        needFinite();
        cell = QVariant(BcdFit(this, def, dbc::DoubleToDecimal(value)));
        return;
    case TFieldType::ftBoolean:
        cell = QVariant(value != 0.0);
        return;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
        needFinite();
        if (std::fabs(value) > 3.0e6) FieldError(this, QStringLiteral("data fora da faixa"));
        const double days = std::floor(value);
        auto ms = static_cast<int>(std::llround((value - days) * 86400000.0));
        const QDate d = DateZero().addDays(static_cast<qint64>(days) + (ms >= 86400000 ? 1 : 0));
        ms %= 86400000;
        const QTime t = QTime::fromMSecsSinceStartOfDay(ms);
        if (type_ == TFieldType::ftDate)
            cell = QVariant(d);
        else if (type_ == TFieldType::ftTime)
            cell = QVariant(t);
        else
            cell = QVariant(QDateTime(d, t, Qt::UTC));
        return;
    }
    case TFieldType::ftString:
    case TFieldType::ftWideString:
        SetAsString(FloatToStr(value));
        return;
    case TFieldType::ftBlob:
    case TFieldType::ftUnknown:
        break;
    }
    FieldError(this, QStringLiteral("o campo não aceita um número"));
}

void TField::SetValue(const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        Clear();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        if (type_ == TFieldType::ftBoolean || IsNumericType(type_))
            SetAsFloat(value.toBool() ? 1.0 : 0.0);
        else
            SetAsString(value.toBool() ? QStringLiteral("True") : QStringLiteral("False"));
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
        if (IsIntegerType(type_)) {
            SetAsString(QString::number(value.toLongLong()));  // exact, beyond 2^53
            return;
        }
        if (IsTextType(type_) || type_ == TFieldType::ftBCD) {
            SetAsString(QString::number(value.toLongLong()));
            return;
        }
        SetAsFloat(static_cast<double>(value.toLongLong()));
        return;
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::UChar:
        if (IsIntegerType(type_) || IsTextType(type_) || type_ == TFieldType::ftBCD) {
            SetAsString(QString::number(value.toULongLong()));
            return;
        }
        SetAsFloat(static_cast<double>(value.toULongLong()));
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        SetAsFloat(value.toDouble());
        return;
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
        if (type_ == TFieldType::ftDate || type_ == TFieldType::ftTime || type_ == TFieldType::ftDateTime) {
            QVariant& cell = owner_->d_->EditCell(this);
            QDateTime dt = value.toDateTime();
            if (value.typeId() == QMetaType::QDate)
                dt = QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
            else if (value.typeId() == QMetaType::QTime)
                dt = QDateTime(DateZero(), value.toTime(), Qt::UTC);
            if (!dt.isValid()) FieldError(this, QStringLiteral("data inválida"));
            if (type_ == TFieldType::ftDate)
                cell = QVariant(dt.date());
            else if (type_ == TFieldType::ftTime)
                cell = QVariant(dt.time());
            else
                cell = QVariant(QDateTime(dt.date(), dt.time(), Qt::UTC));
            return;
        }
        break;
    case QMetaType::QByteArray:
        if (type_ == TFieldType::ftBlob) {
            owner_->d_->EditCell(this) = QVariant(value.toByteArray());
            return;
        }
        break;
    default:
        break;
    }
    SetAsString(value.toString());
}

TStringField::TStringField(TClientDataSet* owner, const QString& name, int size)
    : TField(owner, name, TFieldType::ftString, size) {}
TStringField::~TStringField() = default;

TFloatField::TFloatField(TClientDataSet* owner, const QString& name) : TField(owner, name, TFieldType::ftFloat, 0) {}
TFloatField::~TFloatField() = default;

}  // namespace plat
