// Record sets: fields, navigation, editing, and taking packets in and out.
// The packet codecs live in dbclient_binary.cpp and dbclient_xml.cpp.
#include "orv00006/platform/dbclient.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "dbclient_p.h"
#include "orv00006/platform/sysutils.h"
#include "savefile_p.h"

namespace plat {

using dbc::FieldDef;
using dbc::PacketModel;
using dbc::Record;

namespace {

// Files beyond this are not record sets anyone saved; reading stops there.
constexpr qint64 kMaxFileBytes = qint64{512} * 1024 * 1024;

// The operator reads these: Portuguese, not the system's own wording.
QString ReasonOf(QFileDevice::FileError error, const QFileInfo& info) {
    switch (error) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("sem permissão de acesso");
    case QFileDevice::OpenError:
        return info.exists() && !info.isReadable() ? QStringLiteral("sem permissão de leitura")
                                                   : QStringLiteral("não foi possível abri-lo");
    case QFileDevice::ReadError:
        return QStringLiteral("falha de leitura do disco");
    case QFileDevice::WriteError:
        return QStringLiteral("falha de gravação no disco");
    case QFileDevice::ResourceError:
        return QStringLiteral("sem espaço ou recursos do sistema");
    default:
        return QStringLiteral("falha de entrada e saída (código %1)").arg(static_cast<int>(error));
    }
}

QString Prefixed(const QString& dataset, const QString& message) {
    return dataset.isEmpty() ? message : dataset + QStringLiteral(": ") + message;
}

// Columns of a packet that no declared field claims.
class TPacketField final : public TField {
public:
    TPacketField(const QString& name, TFieldType type, int size) : TField(nullptr, name, type, size) {}
};

// Declared fields of kinds without a class of their own.
class TDeclaredField final : public TField {
public:
    TDeclaredField(TClientDataSet* owner, const QString& name, TFieldType type, int size)
        : TField(owner, name, type, size) {}
};

bool IsIntegerType(TFieldType t) {
    return t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftLargeint ||
           t == TFieldType::ftWord;
}

bool IsNumericType(TFieldType t) { return IsIntegerType(t) || t == TFieldType::ftFloat || t == TFieldType::ftBCD; }

bool IsTextType(TFieldType t) { return t == TFieldType::ftString || t == TFieldType::ftWideString; }

// Can a field declared as `declared` take a packet column of type `column`?
bool Compatible(TFieldType declared, TFieldType column) {
    if (declared == column) return true;
    if (IsTextType(declared) && IsTextType(column)) return true;
    if (declared == TFieldType::ftFloat && IsNumericType(column)) return true;
    return IsIntegerType(declared) && IsIntegerType(column);
}

const QDate& DateZero() {
    static const QDate zero(1899, 12, 30);  // day 0 of real-number dates
    return zero;
}

}  // namespace

// ---------------------------------------------------------------------------

struct TClientDataSet::Impl {
    enum class State { Browse, Edit, Insert };
    struct Declared {
        TField* field;
        TFieldType type;
        int size;
    };

    TClientDataSet* self = nullptr;
    QString name;
    std::vector<Declared> declared;  // owned

    bool active = false;
    PacketModel model;
    std::vector<TField*> fields;  // one per column while active
    std::vector<std::unique_ptr<TField>> born;
    std::size_t cur = 0;
    bool eof = true;
    bool bof = true;
    State state = State::Browse;
    Record buffer;
    std::size_t insertAt = 0;

    QByteArray lastPacket;
    bool lastWasCreate = false;

    [[noreturn]] void Error(const QString& message) const { throw EDatabaseError(Prefixed(name, message)); }

    void CheckActive() const {
        if (!active) Error(QStringLiteral("operação não permitida com o conjunto de dados fechado"));
    }
    bool Editing() const { return state != State::Browse; }

    const Record* Current() const {
        if (Editing()) return &buffer;
        if (records().empty()) return nullptr;
        return &records()[cur];
    }
    std::vector<Record>& records() { return model.records; }
    const std::vector<Record>& records() const { return model.records; }

    // The definition of the column `field` is bound to; only while active
    // (index_ is -1 otherwise).
    const FieldDef& Def(const TField* field) const { return model.fields[static_cast<std::size_t>(field->index_)]; }

    void Declare(TField* field, TFieldType type, int size) {
        if (active)
            Error(QStringLiteral("não é possível declarar o campo '%1' com o conjunto de dados aberto")
                      .arg(field->FieldName()));
        if (field->FieldName().isEmpty()) Error(QStringLiteral("nome de campo vazio"));
        for (const Declared& d : declared)
            if (d.field->FieldName().compare(field->FieldName(), Qt::CaseInsensitive) == 0)
                Error(QStringLiteral("campo '%1' declarado duas vezes").arg(field->FieldName()));
        dbc::DefForDeclared(field->FieldName(), type, size);  // validates kind and size
        declared.push_back({field, type, size});
    }

    void Undeclare(TField* field) {
        for (auto it = declared.begin(); it != declared.end(); ++it) {
            if (it->field != field) continue;
            declared.erase(it);
            if (active && field->index_ >= 0) {
                // The column stays; a stand-in field takes its place.
                const auto i = static_cast<std::size_t>(field->index_);
                const FieldDef& def = Def(field);
                born.push_back(std::make_unique<TPacketField>(def.name, def.type, def.FieldSize()));
                born.back()->owner_ = self;
                born.back()->index_ = field->index_;
                fields[i] = born.back().get();
            }
            return;
        }
    }

    void Deactivate() {
        state = State::Browse;
        buffer.clear();
        model = PacketModel{};
        fields.clear();
        for (auto& f : born) f->owner_ = nullptr;
        born.clear();
        for (const Declared& d : declared) {
            d.field->type_ = d.type;
            d.field->size_ = d.size;
            d.field->index_ = -1;
        }
        cur = 0;
        eof = bof = true;
        active = false;
    }

    // Opens `incoming`; everything that can fail is checked before the
    // current state is touched.
    void Bind(PacketModel&& incoming) {
        std::vector<int> columnOf(declared.size(), -1);
        for (std::size_t k = 0; k < declared.size(); ++k) {
            const TField* f = declared[k].field;
            for (std::size_t i = 0; i < incoming.fields.size(); ++i)
                if (incoming.fields[i].name.compare(f->FieldName(), Qt::CaseInsensitive) == 0)
                    columnOf[k] = static_cast<int>(i);
            if (columnOf[k] < 0) Error(QStringLiteral("campo '%1' não encontrado").arg(f->FieldName()));
            const FieldDef& def = incoming.fields[static_cast<std::size_t>(columnOf[k])];
            if (!Compatible(declared[k].type, def.type))
                Error(QStringLiteral("campo '%1': o tipo no pacote não combina com o declarado").arg(f->FieldName()));
        }
        std::vector<std::unique_ptr<TField>> newBorn;
        std::vector<TField*> newFields(incoming.fields.size(), nullptr);
        for (std::size_t k = 0; k < declared.size(); ++k)
            newFields[static_cast<std::size_t>(columnOf[k])] = declared[k].field;
        for (std::size_t i = 0; i < newFields.size(); ++i) {
            if (newFields[i]) continue;
            const FieldDef& def = incoming.fields[i];
            newBorn.push_back(std::make_unique<TPacketField>(def.name, def.type, def.FieldSize()));
            newFields[i] = newBorn.back().get();
        }

        Deactivate();
        model = std::move(incoming);
        born = std::move(newBorn);
        fields = std::move(newFields);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            TField* f = fields[i];
            f->owner_ = self;
            f->index_ = static_cast<int>(i);
            f->type_ = model.fields[i].type;
            f->size_ = model.fields[i].FieldSize();
        }
        active = true;
        cur = 0;
        bof = true;
        eof = records().empty();
    }

    PacketModel Parse(const QByteArray& bytes, const QString& noun) const {
        TDataPacketFormat format = TDataPacketFormat::dfBinary;
        if (DetectFormat(bytes, format) && format == TDataPacketFormat::dfXML) return dbc::ReadXml(bytes, noun);
        // Unknown first bytes get their message from the binary reader.
        return dbc::ReadBinary(bytes, noun);
    }

    void Load(const QByteArray& bytes, const QString& noun) {
        Bind(Parse(bytes, noun));
        lastPacket = bytes;
        lastWasCreate = false;
    }

    void PostPending() {
        if (active && Editing()) Post();
    }

    void Post() {
        for (std::size_t i = 0; i < model.fields.size(); ++i)
            if ((model.fields[i].attrs & dbc::kAttrRequired) && !buffer[i].isValid())
                Error(QStringLiteral("o campo '%1' precisa de um valor").arg(fields[i]->FieldName()));
        if (state == State::Insert) {
            const auto at = std::min(insertAt, records().size());
            records().insert(records().begin() + static_cast<std::ptrdiff_t>(at), std::move(buffer));
            cur = at;
        } else {
            records()[cur] = std::move(buffer);
        }
        buffer.clear();
        state = State::Browse;
        eof = bof = false;
    }

    void BeginInsert(bool append) {
        CheckActive();
        PostPending();
        insertAt = append || records().empty() ? records().size() : cur;
        buffer.assign(model.fields.size(), QVariant());
        state = State::Insert;
        eof = bof = false;
    }

    // The cell a setter writes.
    QVariant& EditCell(const TField* field) {
        CheckActive();
        if (!Editing()) Error(QStringLiteral("o conjunto de dados não está em modo de edição ou inclusão"));
        const auto i = static_cast<std::size_t>(field->index_);
        if (Def(field).attrs & dbc::kAttrReadOnly)
            Error(QStringLiteral("o campo '%1' é somente leitura").arg(field->FieldName()));
        return buffer[i];
    }
};

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

// ---------------------------------------------------------------------------
// TClientDataSet

TClientDataSet::TClientDataSet(QString name) : d_(std::make_unique<Impl>()) {
    d_->self = this;
    d_->name = std::move(name);
}

TClientDataSet::~TClientDataSet() {
    d_->Deactivate();
    auto declared = std::move(d_->declared);
    for (const auto& d : declared) {
        d.field->owner_ = nullptr;
        delete d.field;
    }
}

const QString& TClientDataSet::Name() const { return d_->name; }

TStringField* TClientDataSet::AddStringField(const QString& name, int size) {
    return new TStringField(this, name, size);
}

TFloatField* TClientDataSet::AddFloatField(const QString& name) { return new TFloatField(this, name); }

TField* TClientDataSet::AddField(const QString& name, TFieldType type, int size) {
    if (type == TFieldType::ftString) return new TStringField(this, name, size);
    if (type == TFieldType::ftFloat) return new TFloatField(this, name);
    return new TDeclaredField(this, name, type, size);
}

void TClientDataSet::CreateDataSet() {
    if (d_->declared.empty()) d_->Error(QStringLiteral("nenhum campo definido para criar o conjunto de dados"));
    PacketModel model;
    for (const Impl::Declared& d : d_->declared)
        model.fields.push_back(dbc::DefForDeclared(d.field->FieldName(), d.type, d.size));
    d_->Bind(std::move(model));
    d_->lastPacket.clear();
    d_->lastWasCreate = true;
}

void TClientDataSet::Open() {
    if (d_->active) return;
    if (!d_->lastPacket.isEmpty()) {
        const QByteArray packet = d_->lastPacket;
        d_->Load(packet, QStringLiteral("pacote"));
        return;
    }
    if (d_->lastWasCreate) {
        CreateDataSet();
        return;
    }
    d_->Error(QStringLiteral("não há dados para abrir (carregue um pacote ou use CreateDataSet)"));
}

void TClientDataSet::Close() { d_->Deactivate(); }

bool TClientDataSet::Active() const { return d_->active; }

void TClientDataSet::First() {
    d_->CheckActive();
    d_->PostPending();
    d_->cur = 0;
    d_->bof = true;
    d_->eof = d_->records().empty();
}

void TClientDataSet::Next() {
    d_->CheckActive();
    d_->PostPending();
    if (d_->cur + 1 >= d_->records().size()) {
        d_->eof = true;
    } else {
        ++d_->cur;
        d_->eof = false;
    }
    d_->bof = false;
}

bool TClientDataSet::Eof() const { return !d_->active || d_->eof; }
bool TClientDataSet::Bof() const { return !d_->active || d_->bof; }

int TClientDataSet::RecordCount() const { return d_->active ? static_cast<int>(d_->records().size()) : 0; }

int TClientDataSet::RecNo() const {
    if (!d_->active) return 0;
    if (d_->state == Impl::State::Insert) return static_cast<int>(d_->insertAt) + 1;
    return d_->records().empty() ? 0 : static_cast<int>(d_->cur) + 1;
}

void TClientDataSet::Insert() { d_->BeginInsert(false); }
void TClientDataSet::Append() { d_->BeginInsert(true); }

void TClientDataSet::Edit() {
    d_->CheckActive();
    if (d_->Editing()) return;
    if (d_->records().empty()) {
        d_->BeginInsert(true);  // nothing to edit: a new record
        return;
    }
    d_->buffer = d_->records()[d_->cur];
    d_->state = Impl::State::Edit;
}

void TClientDataSet::Post() {
    d_->CheckActive();
    if (!d_->Editing()) d_->Error(QStringLiteral("não há registro em edição ou inclusão para gravar"));
    d_->Post();
}

void TClientDataSet::Cancel() {
    if (!d_->active || !d_->Editing()) return;
    d_->state = Impl::State::Browse;
    d_->buffer.clear();
    if (d_->records().empty()) {
        d_->cur = 0;
        d_->eof = d_->bof = true;
    } else if (d_->cur >= d_->records().size()) {
        d_->cur = d_->records().size() - 1;
    }
}

int TClientDataSet::FieldCount() const {
    return static_cast<int>(d_->active ? d_->fields.size() : d_->declared.size());
}

TField* TClientDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) d_->Error(QStringLiteral("índice de campo fora da faixa (%1)").arg(index));
    const auto i = static_cast<std::size_t>(index);
    return d_->active ? d_->fields[i] : d_->declared[i].field;
}

TField* TClientDataSet::FindField(const QString& name) const {
    const int n = FieldCount();
    for (int i = 0; i < n; ++i) {
        TField* f = Fields(i);
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
    }
    return nullptr;
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return f;
    if (d_->name.isEmpty()) throw EDatabaseError(QStringLiteral("Campo '%1' não encontrado").arg(name));
    d_->Error(QStringLiteral("campo '%1' não encontrado").arg(name));
}

Variant TClientDataSet::Data() const { return Variant(SaveToBytes(TDataPacketFormat::dfBinary)); }

void TClientDataSet::SetData(const Variant& packet) {
    switch (packet.Type()) {
    case VarType::Empty:
    case VarType::Null:
        d_->Deactivate();
        d_->lastPacket.clear();
        d_->lastWasCreate = false;
        return;
    case VarType::ByteArray:
        LoadFromBytes(packet.AsBytes());
        return;
    case VarType::String:
        LoadFromBytes(packet.AsString().toUtf8());
        return;
    default:
        d_->Error(QStringLiteral("o valor não é um pacote de dados (%1)").arg(packet.Describe()));
    }
}

QByteArray TClientDataSet::SaveToBytes(TDataPacketFormat format) const {
    d_->CheckActive();
    d_->PostPending();
    switch (format) {
    case TDataPacketFormat::dfXML:
        return dbc::WriteXml(d_->model, false);
    case TDataPacketFormat::dfXMLUTF8:
        return dbc::WriteXml(d_->model, true);
    case TDataPacketFormat::dfBinary:
        break;
    }
    return dbc::WriteBinary(d_->model);
}

void TClientDataSet::LoadFromBytes(const QByteArray& packet) { d_->Load(packet, QStringLiteral("pacote")); }

void TClientDataSet::SaveToFile(const QString& path, TDataPacketFormat format) const {
    const QByteArray bytes = SaveToBytes(format);
    QString why;
    const QString target = files::WriteTarget(path, why);
    if (why.isEmpty()) why = files::ReplaceWhole(target, bytes);
    if (!why.isEmpty())
        d_->Error(QStringLiteral("não foi possível gravar o arquivo '%1': %2")
                      .arg(QDir::toNativeSeparators(target.isEmpty() ? path : target), why));
}

QString TClientDataSet::SaveTarget(const QString& path) {
    QString why;
    return files::WriteTarget(path, why);
}

void TClientDataSet::LoadFromFile(const QString& path) { LoadFromFile(path, kMaxFileBytes); }

void TClientDataSet::LoadFromFile(const QString& path, qint64 maxBytes) {
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString& why) {
        d_->Error(QStringLiteral("erro ao ler o arquivo '%1': %2").arg(shown, why));
    };
    maxBytes = std::clamp<qint64>(maxBytes, 0, kMaxFileBytes);
    if (path.isEmpty()) fail(QStringLiteral("caminho vazio"));
    // One open that cannot block, then every check on the descriptor: a
    // check by name followed by an open would let a FIFO swapped in between
    // hang the caller in open().
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) fail(QStringLiteral("arquivo não encontrado"));
        fail(ReasonOf(error == EMFILE || error == ENFILE ? QFileDevice::ResourceError : QFileDevice::OpenError,
                      QFileInfo(path)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(ReasonOf(file.error(), QFileInfo(path)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail(ReasonOf(QFileDevice::ReadError, QFileInfo(path)));
    if (S_ISDIR(st.st_mode)) fail(QStringLiteral("é uma pasta, não um arquivo"));
    if (!S_ISREG(st.st_mode)) fail(QStringLiteral("não é um arquivo comum"));
    const qint64 size = st.st_size;
    if (size > maxBytes)
        fail(QStringLiteral("arquivo grande demais (%1 bytes; o máximo é %2)").arg(size).arg(maxBytes));
    // Sized from the file, not the cap: read(n) reserves n bytes up front, and
    // reserving the cap on every load fails where address space is bounded.
    // One byte more than expected notices a file that grew meanwhile.
    QByteArray bytes = file.read(std::min(size, maxBytes) + 1);
    if (!file.atEnd() && bytes.size() <= maxBytes && file.error() == QFileDevice::NoError)
        bytes += file.read(maxBytes + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError) fail(ReasonOf(file.error(), QFileInfo(path)));
    if (bytes.size() > maxBytes) fail(QStringLiteral("arquivo grande demais (mais de %1 bytes)").arg(maxBytes));
    try {
        d_->Load(bytes, QStringLiteral("arquivo"));
    } catch (const EDatabaseError& e) {
        // Name the file; keep the record set's own prefix out of the middle.
        QString why = e.Message();
        const QString prefix = d_->name + QStringLiteral(": ");
        if (!d_->name.isEmpty() && why.startsWith(prefix)) why = why.mid(prefix.size());
        fail(why);
    }
}

bool TClientDataSet::HeldSavedChanges() const { return d_->active && d_->model.savedChanges; }

bool TClientDataSet::DetectFormat(const QByteArray& packet, TDataPacketFormat& format) {
    const auto* p = reinterpret_cast<const unsigned char*>(packet.constData());
    const qsizetype n = packet.size();
    if (n >= 4 && p[0] == 0x96 && p[1] == 0x19 && p[2] == 0xE0 && p[3] == 0xBD) {
        format = TDataPacketFormat::dfBinary;
        return true;
    }
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        format = TDataPacketFormat::dfXML;
        return true;
    }
    qsizetype i = 0;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
    while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
    if (i < n && p[i] == '<') {
        format = TDataPacketFormat::dfXML;
        return true;
    }
    return false;
}

}  // namespace plat
