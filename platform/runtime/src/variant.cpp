#include "orv00006/platform/variant.h"

#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"

namespace plat {

Variant Variant::Null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
}

bool Variant::operator==(const QString& text) const noexcept {
    const auto* s = std::get_if<QString>(&value_);
    return s != nullptr && *s == text;
}

QString Variant::Describe() const {
    switch (Type()) {
    case VarType::Empty:
        return QStringLiteral("(vazio)");
    case VarType::Null:
        return QStringLiteral("nulo (Null)");
    case VarType::Boolean:
        return AsBool() ? QStringLiteral("lógico (True)") : QStringLiteral("lógico (False)");
    case VarType::Integer:
        return QString::number(AsInteger());
    case VarType::Double:
        return FloatToStr(AsDouble());
    case VarType::String:
        return QStringLiteral("\"%1\"").arg(Abbreviate(AsString()));
    case VarType::ByteArray:
        return QStringLiteral("bytes (%1)").arg(AsBytes().size());
    }
    return {};
}

double Variant::ToDouble() const {
    switch (Type()) {
    case VarType::Empty:
        return 0.0;
    case VarType::Integer:
        return static_cast<double>(AsInteger());
    case VarType::Double:
        return AsDouble();
    case VarType::String: {
        double value = 0.0;
        if (TryStrToFloat(AsString(), value)) return value;
        break;
    }
    case VarType::Null:
    case VarType::Boolean:
    case VarType::ByteArray:
        break;
    }
    throw EVariantTypeCastError(QStringLiteral("Não foi possível converter o valor %1 em número.").arg(Describe()));
}

}  // namespace plat
