#pragma once
// Parameters files good and bad, written where the module will look for
// PARAMETROSVEK.CDS.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <functional>

#include "orv00006/platform/dbclient.h"

namespace hardening {

// Bytes of a file kept beside the tests (copies of the reference samples).
inline QByteArray Sample(const char* name) {
    QFile f(QStringLiteral(ORV_HARDENING_DATA) + QLatin1Char('/') + QString::fromLatin1(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// `count` records whose VRMAXDESCONTO is set by `fill` (a field of the type
// `type`); `fill` may clear it or leave it out.
inline void WriteRecordSet(const QString& path, plat::TFieldType type, int count,
                           const std::function<void(plat::TField*)>& fill, const char* field = "VRMAXDESCONTO") {
    plat::TClientDataSet cds(QStringLiteral("parametros"));
    plat::TField* f = type == plat::TFieldType::ftString ? cds.AddStringField(QString::fromLatin1(field), 20)
                                                         : cds.AddField(QString::fromLatin1(field), type);
    cds.CreateDataSet();
    for (int i = 0; i < count; ++i) {
        cds.Insert();
        fill(f);
        cds.Post();
    }
    cds.SaveToFile(path);
}

// A data packet in the XML form whose only record holds `value` (attribute
// text as written, so anything can be put there) in an r8 VRMAXDESCONTO.
inline QByteArray XmlPacket(const QByteArray& value, const QByteArray& padding = {}) {
    return "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
           "<FIELD attrname=\"VRMAXDESCONTO\" fieldtype=\"r8\"/></FIELDS><PARAMS/></METADATA><ROWDATA>" +
           padding + "<ROW VRMAXDESCONTO=\"" + value + "\"/></ROWDATA></DATAPACKET>";
}

// The same with VRMAXDESCONTO as a text field wide enough for `value`.
inline QByteArray XmlTextPacket(const QByteArray& value) {
    return "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
           "<FIELD attrname=\"VRMAXDESCONTO\" fieldtype=\"string\" WIDTH=\"" +
           QByteArray::number(value.size() + 1) + "\"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW VRMAXDESCONTO=\"" +
           value + "\"/></ROWDATA></DATAPACKET>";
}

// What a parameters file case puts at `path` (nothing for "absent").
using Prepare = std::function<void(const QString& path)>;

namespace files {

inline void Absent(const QString&) {}
inline void Empty(const QString& path) { WriteBytes(path, {}); }
inline Prepare Limit(double percent) {
    return [percent](const QString& path) {
        WriteRecordSet(path, plat::TFieldType::ftFloat, 1, [percent](plat::TField* f) { f->SetAsFloat(percent); });
    };
}
inline void NoRecords(const QString& path) {
    WriteRecordSet(path, plat::TFieldType::ftFloat, 0, [](plat::TField*) {});
}
inline void NullLimit(const QString& path) {
    WriteRecordSet(path, plat::TFieldType::ftFloat, 1, [](plat::TField* f) { f->Clear(); });
}
inline void IntegerLimit(const QString& path) {
    WriteRecordSet(path, plat::TFieldType::ftInteger, 1, [](plat::TField* f) { f->SetAsFloat(10); });
}
inline Prepare TextLimit(const char* text) {
    return [text](const QString& path) {
        WriteRecordSet(path, plat::TFieldType::ftString, 1,
                       [text](plat::TField* f) { f->SetAsString(QString::fromLatin1(text)); });
    };
}
inline void WithoutField(const QString& path) {
    WriteRecordSet(
        path, plat::TFieldType::ftFloat, 1, [](plat::TField* f) { f->SetAsFloat(10); }, "VRMAXIMO");
}
inline void Folder(const QString& path) { QDir().mkpath(path); }
inline void ForeignXml(const QString& path) {
    WriteBytes(path, "<?xml version=\"1.0\"?>\n<config><VRMAXDESCONTO>10</VRMAXDESCONTO></config>\n");
}
// A data packet whose tags do not match.
inline void MalformedXml(const QString& path) {
    WriteBytes(path, "<?xml version=\"1.0\"?><DATAPACKET Version=\"2.0\"><METADATA></FIELDS></METADATA></DATAPACKET>");
}
inline Prepare XmlValue(const char* value) {
    return [value](const QString& path) { WriteBytes(path, XmlPacket(value)); };
}
inline Prepare Truncated(int bytes) {
    return [bytes](const QString& path) { WriteBytes(path, Sample("PARAMETROSVEK-binary.CDS").left(bytes)); };
}
inline void Unreadable(const QString& path) {
    WriteBytes(path, Sample("PARAMETROSVEK-binary.CDS"));
    QFile::setPermissions(path, QFileDevice::Permissions());
}

constexpr qsizetype k50MiB = qsizetype{50} * 1024 * 1024;
// 50 MiB that are no packet at all.
inline void Huge(const QString& path) { WriteBytes(path, QByteArray(k50MiB, 'x')); }
// A valid XML packet (limit 10) blown up to 50 MiB with blanks between its
// elements.
inline void HugeValidXml(const QString& path) { WriteBytes(path, XmlPacket("10", QByteArray(k50MiB, ' '))); }

// The largest file the module reads, and one byte more.
constexpr qsizetype kMaxParametros = 256 * 1024;
// A valid XML packet (limit 10) padded with blanks to `size` bytes.
inline Prepare XmlOfSize(qsizetype size) {
    return [size](const QString& path) {
        const qsizetype bare = XmlPacket("10").size();
        WriteBytes(path, XmlPacket("10", QByteArray(size - bare, ' ')));
    };
}
// The binary sample with bytes appended after its last record.
inline Prepare Trailing(QByteArray tail) {
    return [tail](const QString& path) { WriteBytes(path, Sample("PARAMETROSVEK-binary.CDS") + tail); };
}
inline Prepare XmlText(QByteArray value) {
    return [value](const QString& path) { WriteBytes(path, XmlTextPacket(value)); };
}

}  // namespace files
}  // namespace hardening
