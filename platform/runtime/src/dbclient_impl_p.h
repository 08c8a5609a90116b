#pragma once
// The record set's private implementation, shared by the record-set methods
// (dbclient.cpp) and the fields (dbclient_field.cpp).
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "dbclient_p.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"
#include "savefile_p.h"

namespace plat {

using dbc::FieldDef;
using dbc::PacketModel;
using dbc::Record;

namespace dbc {

inline QString Prefixed(const QString& dataset, const QString& message) {
    return dataset.isEmpty() ? message : dataset + QStringLiteral(": ") + message;
}

// Columns of a packet that no declared field claims.
class TPacketField final : public TField {
public:
    TPacketField(const QString& name, TFieldType type, int size) : TField(nullptr, name, type, size) {}
};

inline bool IsIntegerType(TFieldType t) {
    return t == TFieldType::ftSmallint || t == TFieldType::ftInteger || t == TFieldType::ftLargeint ||
           t == TFieldType::ftWord;
}

inline bool IsNumericType(TFieldType t) {
    return IsIntegerType(t) || t == TFieldType::ftFloat || t == TFieldType::ftBCD;
}

inline bool IsTextType(TFieldType t) { return t == TFieldType::ftString || t == TFieldType::ftWideString; }

// Can a field declared as `declared` take a packet column of type `column`?
inline bool Compatible(TFieldType declared, TFieldType column) {
    if (declared == column) return true;
    if (IsTextType(declared) && IsTextType(column)) return true;
    if (declared == TFieldType::ftFloat && IsNumericType(column)) return true;
    return IsIntegerType(declared) && IsIntegerType(column);
}

}  // namespace dbc

using dbc::Compatible;
using dbc::IsIntegerType;
using dbc::IsNumericType;
using dbc::IsTextType;
using dbc::Prefixed;
using dbc::TPacketField;

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

}  // namespace plat
