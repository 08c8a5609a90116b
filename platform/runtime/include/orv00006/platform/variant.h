#pragma once
// A tagged value as the host platform passes it across module boundaries.
// Host and modules link this one definition, so a Variant made in one and
// released in another shares the same allocator.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>

#include "orv00006/platform/export.h"

namespace plat {

enum class VarType { Empty, Null, Boolean, Integer, Double, String, ByteArray };

class PLATFORM_API Variant {
public:
    Variant() = default;  // unassigned
    Variant(bool v) : value_(v) {}
    Variant(int v) : value_(static_cast<std::int64_t>(v)) {}
    Variant(std::int64_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(const QString& v) : value_(v) {}
    Variant(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
    Variant(const QByteArray& v) : value_(v) {}

    static Variant Null();

    VarType Type() const noexcept { return static_cast<VarType>(value_.index()); }
    bool IsEmpty() const noexcept { return Type() == VarType::Empty; }
    bool IsNull() const noexcept { return Type() == VarType::Null; }
    bool IsText() const noexcept { return Type() == VarType::String; }

    void Clear() noexcept { value_ = Unassigned{}; }

    // Equality with a text: true only when this holds exactly that text
    // (letter case counts). Values of other types never equal a text.
    bool operator==(const QString& text) const noexcept;
    bool operator==(const Variant& other) const noexcept = default;

    // Real number: numbers as they are, text through StrToFloat (current
    // decimal separator), unassigned as 0. Null, booleans, byte arrays and
    // text that is not a number throw EVariantTypeCastError naming the value.
    double ToDouble() const;

    // Readable form for messages and diagnostics.
    QString Describe() const;

    bool AsBool() const { return std::get<bool>(value_); }
    std::int64_t AsInteger() const { return std::get<std::int64_t>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    const QString& AsString() const { return std::get<QString>(value_); }
    const QByteArray& AsBytes() const { return std::get<QByteArray>(value_); }

private:
    struct Unassigned {
        bool operator==(const Unassigned&) const = default;
    };
    struct NullValue {
        bool operator==(const NullValue&) const = default;
    };
    std::variant<Unassigned, NullValue, bool, std::int64_t, double, QString, QByteArray> value_;
};

}  // namespace plat
