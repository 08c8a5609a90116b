#pragma once
// Builds binary packets byte by byte, straight from the layout of the
// format note, so the tests do not lean on the writer they check.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace rstest {

inline QString DataDir() { return QStringLiteral(RECORDSET_DATA_DIR); }
inline QString DataFile(const QString& name) { return DataDir() + QLatin1Char('/') + name; }

class Bytes {
public:
    Bytes& u8(unsigned v) { return raw(v, 1); }
    Bytes& u16(unsigned v) { return raw(v, 2); }
    Bytes& u32(std::uint32_t v) { return raw(v, 4); }
    Bytes& u64(std::uint64_t v) { return raw(v, 8); }
    Bytes& f32(float v) {
        b_.append(reinterpret_cast<const char*>(&v), 4);
        return *this;
    }
    Bytes& f64(double v) {
        b_.append(reinterpret_cast<const char*>(&v), 8);
        return *this;
    }
    Bytes& bytes(const QByteArray& v) {
        b_.append(v);
        return *this;
    }
    // 1-byte length then the bytes (names).
    Bytes& name(const QByteArray& v) {
        u8(static_cast<unsigned>(v.size()));
        return bytes(v);
    }
    const QByteArray& get() const { return b_; }
    operator QByteArray() const { return b_; }

private:
    Bytes& raw(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i) b_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }
    QByteArray b_;
};

inline std::uint32_t TypeWord(int base, int size, bool variable = false, bool array = false) {
    return (static_cast<std::uint32_t>(base) << 16) | static_cast<std::uint32_t>(size) | (variable ? 0x00400000u : 0u) |
           (array ? 0x00800000u : 0u);
}

// A property: name, type word, value bytes (prefix or count included).
inline QByteArray Prop(const QByteArray& name, std::uint32_t type, const QByteArray& value) {
    return Bytes().name(name).u32(type).bytes(value);
}
inline QByteArray WidthProp(unsigned width) { return Prop("WIDTH", TypeWord(2, 2), Bytes().u16(width)); }
inline QByteArray SubtypeProp(const QByteArray& subtype) {
    QByteArray v = subtype;
    v.append('\0');
    return Prop("SUBTYPE", TypeWord(9, 2, true), Bytes().u16(static_cast<unsigned>(v.size())).bytes(v));
}
inline QByteArray ChangeLogProp(const std::vector<std::uint32_t>& values) {
    Bytes v;
    v.u32(static_cast<std::uint32_t>(values.size()));
    for (auto x : values) v.u32(x);
    return Prop("CHANGE_LOG", TypeWord(2, 4, false, true), v);
}

struct Column {
    QByteArray name;
    std::uint32_t type;
    std::vector<QByteArray> props = {};
    unsigned attrs = 0x10;
};

// One stored row: status, the 2-bit flags of every field, the stored data.
struct Row {
    unsigned status = 0;
    std::vector<int> flags;  // 0 stored, 1 NULL, 2 unchanged
    QByteArray data;
};

inline QByteArray RowBytes(const Row& row) {
    QByteArray out;
    out.append(static_cast<char>(row.status));
    QByteArray flags((static_cast<qsizetype>(row.flags.size()) + 3) / 4, '\0');
    for (std::size_t i = 0; i < row.flags.size(); ++i)
        flags[static_cast<qsizetype>(i / 4)] = static_cast<char>(
            static_cast<unsigned char>(flags[static_cast<qsizetype>(i / 4)]) | (row.flags[i] << ((i % 4) * 2)));
    out.append(flags);
    out.append(row.data);
    return out;
}

inline QByteArray Packet(const std::vector<Column>& cols, const std::vector<Row>& rows,
                         const std::vector<QByteArray>& datasetProps = {}) {
    Bytes meta;
    for (const Column& c : cols) {
        meta.name(c.name).u32(c.type).u16(c.attrs).u16(static_cast<unsigned>(c.props.size()));
        for (const auto& p : c.props) meta.bytes(p);
    }
    meta.u16(static_cast<unsigned>(datasetProps.size()));
    for (const auto& p : datasetProps) meta.bytes(p);
    Bytes out;
    out.bytes(QByteArray("\x96\x19\xE0\xBD", 4)).u16(1).u16(0).u32(24);
    out.u16(static_cast<unsigned>(cols.size())).u32(static_cast<std::uint32_t>(rows.size())).u32(3);
    out.u16(static_cast<unsigned>(24 + meta.get().size()));
    out.bytes(meta);
    for (const Row& r : rows) out.bytes(RowBytes(r));
    return out;
}

}  // namespace rstest
