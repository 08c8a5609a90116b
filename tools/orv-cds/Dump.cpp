#include "Dump.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <vector>

#include "Terminal.h"
#include "orv00006/platform/sysutils.h"

namespace orvcds {

using orvtools::FileForm;

namespace {

QString KindName(plat::TFieldType type) {
    switch (type) {
    case plat::TFieldType::ftString:
        return QStringLiteral("string");
    case plat::TFieldType::ftWideString:
        return QStringLiteral("widestring");
    case plat::TFieldType::ftSmallint:
        return QStringLiteral("smallint");
    case plat::TFieldType::ftInteger:
        return QStringLiteral("integer");
    case plat::TFieldType::ftLargeint:
        return QStringLiteral("largeint");
    case plat::TFieldType::ftWord:
        return QStringLiteral("unsigned");
    case plat::TFieldType::ftBoolean:
        return QStringLiteral("boolean");
    case plat::TFieldType::ftFloat:
        return QStringLiteral("float");
    case plat::TFieldType::ftBCD:
        return QStringLiteral("bcd");
    case plat::TFieldType::ftDate:
        return QStringLiteral("date");
    case plat::TFieldType::ftTime:
        return QStringLiteral("time");
    case plat::TFieldType::ftDateTime:
        return QStringLiteral("datetime");
    case plat::TFieldType::ftBlob:
        return QStringLiteral("blob");
    case plat::TFieldType::ftUnknown:
        break;
    }
    return QStringLiteral("unknown");
}

// Size as the facility reports it: characters for text, decimals for BCD,
// bytes for fixed blobs; none for the other kinds.
bool HasSize(const plat::TField& f) {
    switch (f.DataType()) {
    case plat::TFieldType::ftString:
    case plat::TFieldType::ftWideString:
    case plat::TFieldType::ftBCD:
        return true;
    case plat::TFieldType::ftBlob:
        return f.Size() > 0;
    default:
        return false;
    }
}

QStringList Attributes(const plat::TField& f) {
    QStringList out;
    if (f.Required()) out << QStringLiteral("required");
    if (f.ReadOnly()) out << QStringLiteral("readonly");
    if (!f.Visible()) out << QStringLiteral("hidden");
    return out;
}

bool IsInteger(plat::TFieldType type) {
    return type == plat::TFieldType::ftSmallint || type == plat::TFieldType::ftInteger ||
           type == plat::TFieldType::ftLargeint || type == plat::TFieldType::ftWord;
}

// Integers beyond 2^53 lose digits as JSON numbers; they go as text.
constexpr double kExactInJson = 9007199254740992.0;

QJsonValue JsonValue(const plat::TField& f) {
    if (f.IsNull()) return QJsonValue(QJsonValue::Null);
    const QVariant v = f.Value();
    if (IsInteger(f.DataType())) {
        const QString text = f.AsString();
        const double d = text.toDouble();
        if (d >= -kExactInJson && d <= kExactInJson) return QJsonValue(d);
        return QJsonValue(text);
    }
    switch (f.DataType()) {
    case plat::TFieldType::ftFloat:
        return QJsonValue(v.toDouble());
    case plat::TFieldType::ftBoolean:
        return QJsonValue(v.toBool());
    case plat::TFieldType::ftDate:
        return QJsonValue(v.toDate().toString(Qt::ISODate));
    case plat::TFieldType::ftTime:
        return QJsonValue(v.toTime().toString(Qt::ISODateWithMs));
    case plat::TFieldType::ftDateTime:
        // Timestamps carry no zone; the facility hands them over as UTC.
        return QJsonValue(v.toDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")));
    default:
        // Text, BCD as exact decimal text, blobs as the facility's text.
        return QJsonValue(f.AsString());
    }
}

// One table cell: controls escaped for the terminal, long values cut.
QString Cell(const plat::TField& f) {
    if (f.IsNull()) return QStringLiteral("NULL");
    const QJsonValue v = JsonValue(f);
    QString text;
    if (IsInteger(f.DataType()))
        text = f.AsString();
    else if (v.isDouble())
        text = QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    else if (v.isBool())
        text = v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    else
        text = v.toString();
    return orvtools::ForTerminal(plat::Abbreviate(text));
}

QString Row(const QStringList& cells, const std::vector<qsizetype>& widths, const QString& gap) {
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0) line += gap;
        line += i + 1 < cells.size() ? cells[i].leftJustified(widths[static_cast<std::size_t>(i)]) : cells[i];
    }
    return line + QLatin1Char('\n');
}

QString Table(const std::vector<QStringList>& rows, const QString& gap, bool rule) {
    std::vector<qsizetype> widths;
    for (const QStringList& r : rows)
        for (qsizetype i = 0; i < r.size(); ++i) {
            if (widths.size() <= static_cast<std::size_t>(i)) widths.push_back(0);
            widths[static_cast<std::size_t>(i)] = std::max(widths[static_cast<std::size_t>(i)], r[i].size());
        }
    QString out;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        out += QStringLiteral("  ") + Row(rows[k], widths, gap);
        if (k == 0 && rule) {
            QStringList dashes;
            for (qsizetype w : widths) dashes << QString(w, QLatin1Char('-'));
            out += QStringLiteral("  ") + Row(dashes, widths, QString(gap).replace(QLatin1Char(' '), u'-'));
        }
    }
    return out;
}

}  // namespace

QString FormName(FileForm form) {
    switch (form) {
    case FileForm::Binary:
        return QStringLiteral("binary");
    case FileForm::Xml:
        return QStringLiteral("xml");
    case FileForm::XmlUtf8:
        return QStringLiteral("xml-utf8");
    case FileForm::XmlUtf16:
        return QStringLiteral("xml-utf16");
    case FileForm::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString DumpTable(plat::TClientDataSet& cds, const Source& source) {
    QString out = QStringLiteral("File: %1\nForm: %2\n").arg(orvtools::ForTerminal(source.path), FormName(source.form));
    if (cds.HeldSavedChanges())
        out += QStringLiteral("Saved changes: resolved (the rows below are the visible ones)\n");
    std::vector<QStringList> fields = {{QStringLiteral("#"), QStringLiteral("name"), QStringLiteral("kind"),
                                        QStringLiteral("size"), QStringLiteral("attributes")}};
    for (int i = 0; i < cds.FieldCount(); ++i) {
        const plat::TField& f = *cds.Fields(i);
        fields.push_back({QString::number(i + 1), orvtools::ForTerminal(f.FieldName()), KindName(f.DataType()),
                          HasSize(f) ? QString::number(f.Size()) : QStringLiteral("-"),
                          Attributes(f).join(QLatin1Char(' '))});
    }
    out += QStringLiteral("Fields (%1):\n").arg(cds.FieldCount()) + Table(fields, QStringLiteral("  "), false);
    out += QStringLiteral("Rows (%1):\n").arg(cds.RecordCount());
    if (cds.RecordCount() == 0) return out;
    std::vector<QStringList> rows(1);
    for (int i = 0; i < cds.FieldCount(); ++i) rows[0] << orvtools::ForTerminal(cds.Fields(i)->FieldName());
    for (cds.First(); !cds.Eof(); cds.Next()) {
        QStringList cells;
        for (int i = 0; i < cds.FieldCount(); ++i) cells << Cell(*cds.Fields(i));
        rows.push_back(cells);
    }
    return out + Table(rows, QStringLiteral(" | "), true);
}

QByteArray DumpJson(plat::TClientDataSet& cds, const Source& source) {
    QJsonArray fields;
    for (int i = 0; i < cds.FieldCount(); ++i) {
        const plat::TField& f = *cds.Fields(i);
        QJsonObject o{{QStringLiteral("name"), f.FieldName()},
                      {QStringLiteral("kind"), KindName(f.DataType())},
                      {QStringLiteral("attributes"), QJsonArray::fromStringList(Attributes(f))}};
        if (HasSize(f)) o.insert(QStringLiteral("size"), f.Size());
        fields.append(o);
    }
    QJsonArray rows;
    for (cds.First(); !cds.Eof(); cds.Next()) {
        QJsonArray row;
        for (int i = 0; i < cds.FieldCount(); ++i) row.append(JsonValue(*cds.Fields(i)));
        rows.append(row);
    }
    const QJsonObject doc{{QStringLiteral("file"), source.path},
                          {QStringLiteral("form"), FormName(source.form)},
                          {QStringLiteral("savedChanges"), cds.HeldSavedChanges()},
                          {QStringLiteral("fields"), fields},
                          {QStringLiteral("rows"), rows}};
    return orvtools::JsonForTerminal(QJsonDocument(doc).toJson(QJsonDocument::Indented));
}

}  // namespace orvcds
