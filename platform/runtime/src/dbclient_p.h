#pragma once
// Internal model shared by the record-set class and its two packet codecs.
// A packet is read into a PacketModel (definitions, visible records, dataset
// properties) and written from one; the record set works on the same model.
// What both codecs share lives in dbclient_model.cpp (failure, memory
// budget, saved changes), dbclient_values.cpp (value encodings) and
// dbclient_fielddefs.cpp (field definitions and their properties).
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <vector>

#include "orv00006/platform/dbclient.h"

namespace plat::dbc {

// Base types of the binary type word (bits 16-21).
enum BaseType : int {
    btSigned = 1,
    btUnsigned = 2,
    btBoolean = 3,
    btFloat = 4,
    btBCD = 5,
    btDate = 6,
    btTime = 7,
    btTimestamp = 8,
    btString = 9,
    btWideString = 10,
    btBytes = 11,
    btADT = 12,
    btArray = 13,
    btNested = 14,
    btRef = 15,
    btBigDecimal = 16,
    btDateTime = 17,
    btFmtBCD = 18,
};

constexpr std::uint32_t kVariableFlag = 0x00400000u;
constexpr std::uint32_t kArrayFlag = 0x00800000u;

// Field attribute bits of the binary descriptor.
constexpr std::uint16_t kAttrHidden = 0x01;
constexpr std::uint16_t kAttrReadOnly = 0x02;
constexpr std::uint16_t kAttrRequired = 0x04;
constexpr std::uint16_t kAttrLink = 0x08;
// Carried by every field of the files we have seen; written the same way.
constexpr std::uint16_t kAttrDefault = 0x10;

// Row status bits.
constexpr std::uint8_t kRowOriginal = 1;
constexpr std::uint8_t kRowDeleted = 2;
constexpr std::uint8_t kRowInserted = 4;
constexpr std::uint8_t kRowModified = 8;

// Bytes a BCD value takes in packets this facility writes.
constexpr int kBcdSize = 34;

inline std::uint32_t MakeTypeWord(int base, int size, bool variable = false, bool array = false) {
    return (static_cast<std::uint32_t>(base) << 16) | static_cast<std::uint32_t>(size & 0xFFFF) |
           (variable ? kVariableFlag : 0u) | (array ? kArrayFlag : 0u);
}
inline int TypeBase(std::uint32_t word) { return static_cast<int>((word >> 16) & 0x3F); }
inline int TypeSize(std::uint32_t word) { return static_cast<int>(word & 0xFFFF); }
inline bool TypeVariable(std::uint32_t word) { return (word & kVariableFlag) != 0; }
inline bool TypeArray(std::uint32_t word) { return (word & kArrayFlag) != 0; }

// Little-endian integers of 1 to 8 bytes, as the binary form and its
// properties hold them. Inline: the reader calls them for every cell.
inline std::uint64_t LoadLE(const char* p, int size) {
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

inline std::int64_t LoadSignedLE(const char* p, int size) {
    const std::uint64_t v = LoadLE(p, size);
    if (size >= 8) return static_cast<std::int64_t>(v);
    const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
    return static_cast<std::int64_t>((v ^ sign) - sign);
}

inline void AppendLE(QByteArray& out, std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A property exactly as the binary form holds it, so that a packet read in
// binary is written back byte for byte. `value` holds everything after the
// type word (count or length prefix included).
struct RawProp {
    QString name;
    std::uint32_t type = 0;
    QByteArray value;
};

// Property helpers: typed reading of a raw property, and building one.
bool PropAsInteger(const RawProp& prop, std::int64_t& out);
bool PropAsText(const RawProp& prop, QString& out);
// Text for the XML PARAMS attribute; false when the value has no text form.
bool PropToXmlText(const RawProp& prop, QString& out);
RawProp MakeU16Prop(const QString& name, int value);
RawProp MakeTextProp(const QString& name, const QString& text);
RawProp MakeU32ArrayProp(const QString& name, const std::vector<std::uint32_t>& values);
// Best typed form for a PARAMS attribute read from XML.
RawProp PropFromXmlText(const QString& name, const QString& text);

// One column of a packet.
struct FieldDef {
    QString name;
    TFieldType type = TFieldType::ftUnknown;
    int base = 0;  // wire base type
    int size = 0;  // fixed: bytes; variable: length-prefix width
    bool variable = false;
    std::uint16_t attrs = kAttrDefault;
    int width = -1;              // WIDTH property (-1: none)
    int decimals = -1;           // DECIMALS property (-1: none)
    QString subtype;             // SUBTYPE property
    std::vector<RawProp> props;  // binary properties, in wire order

    // Size the TField reports: characters for text, decimals for BCD.
    int FieldSize() const;
    // Longest value the wire form holds, in bytes (variable types).
    std::int64_t MaxBytes() const;
    std::uint32_t TypeWord() const { return MakeTypeWord(base, size, variable); }
    bool IsTextBlob() const;  // memo in the 8-bit code page
    bool IsWideBlob() const;  // memo in UTF-16
};

// Definition of a declared field or one built by AddField.
FieldDef DefForDeclared(const QString& name, TFieldType type, int size);
// Completes a definition whose wire type is known: TFieldType, checks.
// Returns an empty string when fine, else what is wrong (Portuguese).
QString ClassifyWireType(FieldDef& def);

using Record = std::vector<QVariant>;

// Records live unpacked in memory, one QVariant per field, so a packet of
// many mostly-NULL fields costs far more memory than bytes on the wire
// (and an XML ROW with no attributes costs nothing). Packets whose records
// would take more than this are refused instead of exhausting memory.
constexpr std::uint64_t kMaxRecordMemory = std::uint64_t{768} << 20;
inline std::uint64_t RecordCost(std::size_t fieldCount) { return fieldCount * sizeof(QVariant) + 64; }
// Throws EDatabaseError when `rows` records of `fieldCount` fields exceed
// the budget above.
void CheckRecordMemory(std::uint64_t rows, std::size_t fieldCount, const QString& noun);

struct PacketModel {
    std::vector<FieldDef> fields;
    std::vector<Record> records;        // visible records, in order
    std::vector<RawProp> datasetProps;  // CHANGE_LOG left out
    // The stored rows held saved changes, which ResolveChanges applied.
    bool savedChanges = false;
};

// A stored row before saved changes are applied.
struct StoredRow {
    std::uint8_t status = 0;
    Record cells;
    std::vector<std::uint8_t> unchanged;  // empty, or one flag per field
};

// Applies rows marked deleted and modified versions named by a CHANGE_LOG
// (triples: row, original row or 0, action). Throws EDatabaseError.
std::vector<Record> ResolveChanges(std::vector<StoredRow>&& rows, const std::vector<std::uint32_t>& changeLog,
                                   const QString& noun);
// Whether stored rows are more than plain records: rows marked deleted,
// inserted or modified, or a CHANGE_LOG.
bool HoldsSavedChanges(const std::vector<StoredRow>& rows, const std::vector<std::uint32_t>& changeLog);

// Codecs. `noun` names the source in messages ("arquivo" or "pacote").
PacketModel ReadBinary(const QByteArray& bytes, const QString& noun);
QByteArray WriteBinary(const PacketModel& model);
PacketModel ReadXml(const QByteArray& bytes, const QString& noun);
QByteArray WriteXml(const PacketModel& model, bool utf8);

// Windows-1252 text.
QString DecodeCp1252(const char* data, qsizetype size);
inline QString DecodeCp1252(const QByteArray& bytes) { return DecodeCp1252(bytes.constData(), bytes.size()); }
QByteArray EncodeCp1252(const QString& text);
// The 1252 character for a C1 control code point, or the same character.
QChar Cp1252FromC1(QChar c);

// BCD: decimal text with '.' and optional '-' ("-12.5"), canonical form
// (no leading zeros, no trailing fraction zeros, "0" for zero).
bool DecodeBcd(const char* data, int size, QString& text);
QByteArray EncodeBcd(const QString& canonical, int size);
// Validates and canonicalises decimal text; `separator` is the decimal
// separator accepted besides nothing else. False when not a decimal number.
bool CanonicalDecimal(const QString& text, QChar separator, QString& out);
QString DoubleToDecimal(double value);

// 80-bit extended reals.
double DecodeExtended(const unsigned char* p);
void EncodeExtended(double value, unsigned char* p);

// Day numbers (day 1 = 0001-01-01) and times (ms since midnight).
QDate DateFromDayNumber(std::int64_t day);
std::int64_t DayNumberFromDate(const QDate& date);
// Timestamps as the binary form holds them (days x 86,400,000 + ms).
bool DateTimeFromStamp(double stamp, QDateTime& out);
double StampFromDateTime(const QDateTime& dt);

// One cell of the binary form, as `def` lays it out. Decoding takes the
// value's bytes once the reader has taken its length prefix and checked its
// bounds; an invalid QVariant and `problem` set when they hold no valid
// value. Encoding appends the length prefix (variable types) and the bytes;
// throws EDatabaseError for a date the form cannot hold.
QVariant DecodeBinaryCell(const FieldDef& def, const char* p, qsizetype len, QString& problem);
void AppendBinaryCell(QByteArray& out, const FieldDef& def, const QVariant& v);

// Throws EDatabaseError with `message`.
[[noreturn]] void Fail(const QString& message);

}  // namespace plat::dbc
