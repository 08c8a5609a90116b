#include "ResultReport.h"

#include <QJsonArray>

#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/exceptions.h"

namespace {

QString TypeName(plat::TFieldType t) {
    using plat::TFieldType;
    switch (t) {
    case TFieldType::ftString:
        return QStringLiteral("string");
    case TFieldType::ftWideString:
        return QStringLiteral("widestring");
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftWord:
        return QStringLiteral("integer");
    case TFieldType::ftBoolean:
        return QStringLiteral("boolean");
    case TFieldType::ftFloat:
        return QStringLiteral("float");
    case TFieldType::ftBCD:
        return QStringLiteral("bcd");
    case TFieldType::ftDate:
        return QStringLiteral("date");
    case TFieldType::ftTime:
        return QStringLiteral("time");
    case TFieldType::ftDateTime:
        return QStringLiteral("datetime");
    case TFieldType::ftBlob:
        return QStringLiteral("blob");
    case TFieldType::ftUnknown:
        break;
    }
    return QStringLiteral("unknown");
}

}  // namespace

QJsonObject DescribeResult(const plat::Variant& result, const plat::Variant& marker) {
    QJsonObject out;
    if (result == marker) {
        out[QStringLiteral("state")] = QStringLiteral("unchanged");
        return out;
    }
    if (result.IsEmpty()) {
        out[QStringLiteral("state")] = QStringLiteral("unassigned");
        return out;
    }
    if (result.Type() != plat::VarType::ByteArray) {
        out[QStringLiteral("state")] = QStringLiteral("other");
        out[QStringLiteral("value")] = result.Describe();
        return out;
    }
    out[QStringLiteral("state")] = QStringLiteral("packet");
    plat::TDataPacketFormat form{};
    if (plat::TClientDataSet::DetectFormat(result.AsBytes(), form))
        out[QStringLiteral("form")] =
            form == plat::TDataPacketFormat::dfBinary ? QStringLiteral("binary") : QStringLiteral("xml");
    try {
        plat::TClientDataSet cds(QStringLiteral("resultado"));
        cds.SetData(result);
        QJsonArray fields;
        for (int i = 0; i < cds.FieldCount(); ++i) {
            const plat::TField* f = cds.Fields(i);
            QJsonObject fo;
            fo[QStringLiteral("name")] = f->FieldName();
            fo[QStringLiteral("type")] = TypeName(f->DataType());
            if (f->DataType() == plat::TFieldType::ftString || f->DataType() == plat::TFieldType::ftWideString)
                fo[QStringLiteral("size")] = f->Size();
            fields.append(fo);
        }
        out[QStringLiteral("fields")] = fields;
        QJsonArray records;
        for (cds.First(); !cds.Eof(); cds.Next()) {
            QJsonObject r;
            for (int i = 0; i < cds.FieldCount(); ++i) {
                const plat::TField* f = cds.Fields(i);
                if (f->IsNull())
                    r[f->FieldName()] = QJsonValue::Null;
                else if (f->DataType() == plat::TFieldType::ftString || f->DataType() == plat::TFieldType::ftWideString)
                    r[f->FieldName()] = f->AsString();
                else
                    r[f->FieldName()] = f->AsFloat();
            }
            records.append(r);
        }
        out[QStringLiteral("records")] = records;
    } catch (const plat::Exception& e) {
        out[QStringLiteral("error")] = e.Message();
    }
    return out;
}

QString SummarizeResult(const QJsonObject& result) {
    const QString state = result.value(QStringLiteral("state")).toString();
    if (state == QLatin1String("unchanged"))
        return QStringLiteral("resultado: inalterado (a chamada não devolveu nada)");
    if (state == QLatin1String("unassigned")) return QStringLiteral("resultado: variante vazia (confirmado sem valor)");
    if (state != QLatin1String("packet"))
        return QStringLiteral("resultado: %1").arg(result.value(QStringLiteral("value")).toString());
    const QJsonArray records = result.value(QStringLiteral("records")).toArray();
    if (records.isEmpty()) return QStringLiteral("resultado: pacote vazio (cancelado)");
    QStringList parts;
    for (const auto& r : records) {
        const QJsonObject o = r.toObject();
        parts << QStringLiteral("TIPO=%1 VALOR=%2")
                     .arg(o.value(QStringLiteral("TIPO")).toString())
                     .arg(o.value(QStringLiteral("VALOR")).toDouble(), 0, 'g', 15);
    }
    return QStringLiteral("resultado: %1 registro(s): %2").arg(records.size()).arg(parts.join(QStringLiteral("; ")));
}
