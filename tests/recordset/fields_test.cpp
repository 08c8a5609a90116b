// Field kinds as packets carry them, reading as text and as numbers,
// attributes, and editing a record set.
#include <gtest/gtest.h>

#include <QDateTime>

#include <cmath>

#include "DecimalSeparatorGuard.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"
#include "packet_builder.h"

using namespace plat;
using namespace rstest;

namespace {

// ---------------------------------------------------------------------------
// Binary wire kinds: one column, one stored value.

struct WireCase {
    const char* label;
    Column column;
    QByteArray data;
    TFieldType type;
    QString text;   // AsString under a comma separator
    double number;  // AsFloat; NAN where it is not a number
};

// 2.5 as an 80-bit extended real: mantissa 0xA000..., exponent 16384.
QByteArray Extended2_5() { return Bytes().u64(0xA000000000000000ull).u16(16384); }

std::vector<WireCase> WireCases() {
    const double nan = std::nan("");
    // Day numbers: day 1 = 0001-01-01, so 2000-01-01 is day 730,120.
    const std::uint32_t day2000 = 730120;
    return {
        {"i1", {"F", TypeWord(1, 1)}, Bytes().u8(0xFF), TFieldType::ftSmallint, "-1", -1},
        {"i2", {"F", TypeWord(1, 2)}, Bytes().u16(0x8000), TFieldType::ftSmallint, "-32768", -32768},
        {"i4", {"F", TypeWord(1, 4)}, Bytes().u32(123456789), TFieldType::ftInteger, "123456789", 123456789},
        {"i8",
         {"F", TypeWord(1, 8)},
         Bytes().u64(0x8000000000000000ull),
         TFieldType::ftLargeint,
         "-9223372036854775808",
         -9223372036854775808.0},
        {"ui1", {"F", TypeWord(2, 1)}, Bytes().u8(0xFF), TFieldType::ftWord, "255", 255},
        {"ui2", {"F", TypeWord(2, 2)}, Bytes().u16(0xFFFF), TFieldType::ftWord, "65535", 65535},
        {"ui4", {"F", TypeWord(2, 4)}, Bytes().u32(0xFFFFFFFF), TFieldType::ftWord, "4294967295", 4294967295.0},
        {"ui8",
         {"F", TypeWord(2, 8)},
         Bytes().u64(~0ull),
         TFieldType::ftWord,
         "18446744073709551615",
         18446744073709551615.0},
        {"bool_true", {"F", TypeWord(3, 2)}, Bytes().u16(1), TFieldType::ftBoolean, "True", nan},
        {"bool_false", {"F", TypeWord(3, 2)}, Bytes().u16(0), TFieldType::ftBoolean, "False", nan},
        {"r4", {"F", TypeWord(4, 4)}, Bytes().f32(1.5f), TFieldType::ftFloat, "1,5", 1.5},
        {"r8", {"F", TypeWord(4, 8)}, Bytes().f64(-8.5), TFieldType::ftFloat, "-8,5", -8.5},
        {"r10", {"F", TypeWord(4, 10)}, Extended2_5(), TFieldType::ftFloat, "2,5", 2.5},
        {"bcd",
         {"F", TypeWord(5, 34)},
         Bytes().u8(4).u8(2).u8(0x12).u8(0x34).bytes(QByteArray(30, '\0')),
         TFieldType::ftBCD,
         "12,34",
         12.34},
        {"bcd_negative_fraction",
         {"F", TypeWord(5, 34)},
         Bytes().u8(2).u8(0x82).u8(0x05).bytes(QByteArray(31, '\0')),
         TFieldType::ftBCD,
         "-0,05",
         -0.05},
        {"fmt_bcd",
         {"F", TypeWord(18, 34)},
         Bytes().u8(3).u8(0).u8(0x12).u8(0x30).bytes(QByteArray(30, '\0')),
         TFieldType::ftBCD,
         "123",
         123},
        {"date", {"F", TypeWord(6, 4)}, Bytes().u32(day2000), TFieldType::ftDate, "01/01/2000", 36526},
        {"date_day_one", {"F", TypeWord(6, 4)}, Bytes().u32(1), TFieldType::ftDate, "01/01/0001", -693593},
        {"time", {"F", TypeWord(7, 4)}, Bytes().u32(45296789), TFieldType::ftTime, "12:34:56", 45296789 / 86400000.0},
        {"timestamp",
         {"F", TypeWord(8, 8)},
         Bytes().f64(day2000 * 86400000.0 + 3600000.0),
         TFieldType::ftDateTime,
         "01/01/2000 01:00:00",
         36526 + 1 / 24.0},
        {"sql_datetime",
         {"F", TypeWord(17, 16)},
         Bytes().u16(2021).u16(12).u16(31).u16(23).u16(59).u16(58).u32(500),
         TFieldType::ftDateTime,
         "31/12/2021 23:59:58",
         nan},
        {"string_cp1252",
         {"F", TypeWord(9, 1, true), {WidthProp(10)}},
         Bytes().u8(4).bytes("\x80\xE7\x93\x94"),
         TFieldType::ftString,
         QStringLiteral("€ç“”"),
         nan},
        {"string_two_byte_prefix",
         {"F", TypeWord(9, 2, true), {WidthProp(300)}},
         Bytes().u16(3).bytes("abc"),
         TFieldType::ftString,
         "abc",
         nan},
        {"string_fixed", {"F", TypeWord(9, 5)}, QByteArray("AB\0\0\0", 5), TFieldType::ftString, "AB", nan},
        {"string_numeric",
         {"F", TypeWord(9, 1, true), {WidthProp(10)}},
         Bytes().u8(4).bytes("3,75"),
         TFieldType::ftString,
         "3,75",
         3.75},
        {"utf16",
         {"F", TypeWord(10, 1, true), {WidthProp(20)}},
         Bytes().u8(4).u16(0x65E5).u16(0x672C),
         TFieldType::ftWideString,
         QStringLiteral("日本"),
         nan},
        {"memo",
         {"F", TypeWord(11, 4, true), {SubtypeProp("Text")}},
         Bytes().u32(10).bytes("linha\r\nA\xE7\xE3"),
         TFieldType::ftBlob,
         QStringLiteral("linha\r\nAçã"),
         nan},
        {"wide_memo",
         {"F", TypeWord(11, 4, true), {SubtypeProp("WideText")}},
         Bytes().u32(4).u16(0x20AC).u16('1'),
         TFieldType::ftBlob,
         QStringLiteral("€1"),
         nan},
        {"bytes",
         {"F", TypeWord(11, 2, true)},
         Bytes().u16(3).bytes("\x01\x02\xFF"),
         TFieldType::ftBlob,
         QString::fromLatin1("\x01\x02\xFF"),
         nan},
        {"big_decimal_kept_raw",
         {"F", TypeWord(16, 2, true)},
         Bytes().u16(2).bytes("\x12\x34"),
         TFieldType::ftBlob,
         QString::fromLatin1("\x12\x34"),
         nan},
    };
}

void PrintTo(const WireCase& c, std::ostream* os) { *os << c.label; }

class WireKind : public ::testing::TestWithParam<WireCase> {};

TEST_P(WireKind, ReadsAndWritesBack) {
    DecimalSeparatorGuard comma(u',');
    const WireCase& c = GetParam();
    const QByteArray packet = Packet({c.column}, {{0, {0}, c.data}});
    TClientDataSet cds;
    cds.LoadFromBytes(packet);
    TField* f = cds.FieldByName(QStringLiteral("F"));
    EXPECT_EQ(f->DataType(), c.type);
    EXPECT_FALSE(f->IsNull());
    EXPECT_EQ(f->AsString(), c.text);
    if (std::isnan(c.number)) {
        if (c.type == TFieldType::ftBoolean || c.label == std::string("bytes")) {
            EXPECT_THROW(f->AsFloat(), EDatabaseError);
        }
    } else {
        EXPECT_DOUBLE_EQ(f->AsFloat(), c.number);
    }
    // Written back in binary: the very same bytes.
    EXPECT_EQ(cds.Data().AsBytes(), packet);
    // Through XML the value is kept.
    const QVariant value = f->Value();
    for (const auto form : {TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
        TClientDataSet viaXml;
        viaXml.LoadFromBytes(cds.SaveToBytes(form));
        EXPECT_EQ(viaXml.Fields(0)->AsString(), c.text);
        EXPECT_EQ(viaXml.Fields(0)->Value(), value);
    }
}

TEST_P(WireKind, NullFlagGivesNull) {
    TClientDataSet cds;
    cds.LoadFromBytes(Packet({GetParam().column}, {{0, {1}, {}}}));
    TField* f = cds.Fields(0);
    EXPECT_TRUE(f->IsNull());
    EXPECT_EQ(f->AsString(), QString());
    EXPECT_FALSE(f->Value().isValid());
    if (GetParam().type != TFieldType::ftBoolean) {
        EXPECT_EQ(f->AsFloat(), 0.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Binary, WireKind, ::testing::ValuesIn(WireCases()),
                         [](const auto& tp) { return std::string(tp.param.label); });

// ---------------------------------------------------------------------------
// XML field types and value spellings.

struct XmlCase {
    const char* label;
    QByteArray field;  // FIELD attributes after attrname="F"
    QByteArray value;  // ROW attribute value
    TFieldType type;
    QString text;
};

std::vector<XmlCase> XmlCases() {
    return {
        {"i1", "fieldtype=\"i1\"", "-128", TFieldType::ftSmallint, "-128"},
        {"i8", "fieldtype=\"i8\"", "9223372036854775807", TFieldType::ftLargeint, "9223372036854775807"},
        {"ui8", "fieldtype=\"ui8\"", "18446744073709551615", TFieldType::ftWord, "18446744073709551615"},
        {"r8_point", "fieldtype=\"r8\"", "9471.950000000001", TFieldType::ftFloat, "9471,95"},
        {"r8_comma", "fieldtype=\"r8\"", "8,5", TFieldType::ftFloat, "8,5"},
        {"r8_exponent", "fieldtype=\"r8\"", "1.5E3", TFieldType::ftFloat, "1500"},
        {"r4", "fieldtype=\"r4\"", "0.5", TFieldType::ftFloat, "0,5"},
        {"fixed", "fieldtype=\"fixed\" WIDTH=\"32\" DECIMALS=\"2\"", "-12.50", TFieldType::ftBCD, "-12,5"},
        {"fixed_fmt", "fieldtype=\"fixedFMT\" WIDTH=\"10\" DECIMALS=\"4\"", "0.0001", TFieldType::ftBCD, "0,0001"},
        {"boolean", "fieldtype=\"boolean\"", "TRUE", TFieldType::ftBoolean, "True"},
        {"date", "fieldtype=\"date\"", "20240315", TFieldType::ftDate, "15/03/2024"},
        {"time", "fieldtype=\"time\"", "08:05:09123", TFieldType::ftTime, "08:05:09"},
        {"dateTime", "fieldtype=\"dateTime\"", "20211231T23:59:58500", TFieldType::ftDateTime, "31/12/2021 23:59:58"},
        {"SQLdateTime", "fieldtype=\"SQLdateTime\"", "20200229T12:00:00000", TFieldType::ftDateTime,
         "29/02/2020 12:00:00"},
        {"string_references", "fieldtype=\"string\" WIDTH=\"30\"", "a&#013;&#010;b &amp; &#0226;&lt;&quot;&apos;",
         TFieldType::ftString, QStringLiteral("a\r\nb & â<\"'")},
        {"string_c1_byte_reference", "fieldtype=\"string\" WIDTH=\"5\"", "&#128;", TFieldType::ftString,
         QStringLiteral("€")},
        {"string_uni", "fieldtype=\"string.uni\" WIDTH=\"20\"", "&#26085;&#26412;", TFieldType::ftWideString,
         QStringLiteral("日本")},
        {"memo_base64", "fieldtype=\"bin.hex\" SUBTYPE=\"Text\"", "b2zh", TFieldType::ftBlob, QStringLiteral("olá")},
        {"bytes_base64", "fieldtype=\"bin.hex\" WIDTH=\"4\"", "AAEC", TFieldType::ftBlob,
         QString::fromLatin1("\x00\x01\x02", 3)},
    };
}

void PrintTo(const XmlCase& c, std::ostream* os) { *os << c.label; }

class XmlKind : public ::testing::TestWithParam<XmlCase> {};

TEST_P(XmlKind, ReadsAndSurvivesBothForms) {
    DecimalSeparatorGuard comma(u',');
    const XmlCase& c = GetParam();
    const QByteArray xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA>"
        "<FIELDS><FIELD attrname=\"F\" " +
        c.field + "/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW F=\"" + c.value + "\"/></ROWDATA></DATAPACKET>";
    TClientDataSet cds;
    cds.LoadFromBytes(xml);
    EXPECT_EQ(cds.Fields(0)->DataType(), c.type);
    EXPECT_EQ(cds.Fields(0)->AsString(), c.text);
    const QVariant value = cds.Fields(0)->Value();
    for (const auto form : {TDataPacketFormat::dfBinary, TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
        TClientDataSet again;
        again.LoadFromBytes(cds.SaveToBytes(form));
        EXPECT_EQ(again.Fields(0)->DataType(), c.type);
        EXPECT_EQ(again.Fields(0)->AsString(), c.text);
        EXPECT_EQ(again.Fields(0)->Value(), value);
    }
}

INSTANTIATE_TEST_SUITE_P(Xml, XmlKind, ::testing::ValuesIn(XmlCases()),
                         [](const auto& tp) { return std::string(tp.param.label); });

TEST(XmlText, UndeclaredEightBitFileIsReadAsWindows1252) {
    const QByteArray xml =
        "<?xml version=\"1.0\" standalone=\"yes\"?><DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"F\" fieldtype=\"string\" WIDTH=\"9\"/></FIELDS><PARAMS/></METADATA>"
        "<ROWDATA><ROW F=\"Par\xE2metro\x80\"/></ROWDATA></DATAPACKET>";
    TClientDataSet cds;
    cds.LoadFromBytes(xml);
    EXPECT_EQ(cds.Fields(0)->AsString(), QStringLiteral("Parâmetro€"));
}

// ---------------------------------------------------------------------------
// Reading as a number.

struct NumberCase {
    const char* label;
    Column column;
    Row row;
    QChar separator;
    double expected;  // NAN: EConvertError expected
};

std::vector<NumberCase> NumberCases() {
    const Column text{"F", TypeWord(9, 1, true), {WidthProp(20)}};
    const double nan = std::nan("");
    return {
        {"integer", {"F", TypeWord(1, 4)}, {0, {0}, Bytes().u32(static_cast<std::uint32_t>(-42))}, u',', -42},
        {"float", {"F", TypeWord(4, 8)}, {0, {0}, Bytes().f64(0.125)}, u',', 0.125},
        {"bcd",
         {"F", TypeWord(5, 34)},
         {0, {0}, Bytes().u8(3).u8(1).u8(0x99).u8(0x50).bytes(QByteArray(30, '\0'))},
         u',',
         99.5},
        {"text_comma", text, {0, {0}, Bytes().name("12,5")}, u',', 12.5},
        {"text_point", text, {0, {0}, Bytes().name("12.5")}, u'.', 12.5},
        {"text_blanks", text, {0, {0}, Bytes().name(" 7")}, u',', 7},
        {"null_integer", {"F", TypeWord(1, 4)}, {0, {1}, {}}, u',', 0},
        {"null_text", text, {0, {1}, {}}, u',', 0},
        {"null_float", {"F", TypeWord(4, 8)}, {0, {1}, {}}, u',', 0},
        {"text_abc", text, {0, {0}, Bytes().name("abc")}, u',', nan},
        {"text_point_under_comma", text, {0, {0}, Bytes().name("12.5")}, u',', nan},
        {"text_empty", text, {0, {0}, Bytes().u8(0)}, u',', nan},
    };
}

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.label; }

class AsFloat : public ::testing::TestWithParam<NumberCase> {};

TEST_P(AsFloat, ReadsOrRefuses) {
    const NumberCase& c = GetParam();
    DecimalSeparatorGuard sep(c.separator);
    TClientDataSet cds;
    cds.LoadFromBytes(Packet({c.column}, {c.row}));
    if (std::isnan(c.expected)) {
        EXPECT_THROW(cds.Fields(0)->AsFloat(), EConvertError);
    } else {
        EXPECT_EQ(cds.Fields(0)->AsFloat(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, AsFloat, ::testing::ValuesIn(NumberCases()),
                         [](const auto& tp) { return std::string(tp.param.label); });

TEST(AsFloatError, NamesTheText) {
    TClientDataSet cds;
    cds.LoadFromBytes(Packet({{"F", TypeWord(9, 1, true)}}, {{0, {0}, Bytes().name("abc")}}));
    try {
        cds.Fields(0)->AsFloat();
        FAIL() << "converted";
    } catch (const EConvertError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("abc"))) << e.what();
    }
}

// ---------------------------------------------------------------------------
// Attributes and properties.

TEST(FieldAttributes, TravelThroughEveryForm) {
    const QByteArray packet =
        Packet({{"REQ", TypeWord(1, 4), {}, 0x10 | 0x04},
                {"RO", TypeWord(9, 1, true), {WidthProp(5)}, 0x10 | 0x02},
                {"HID", TypeWord(4, 8), {}, 0x10 | 0x01},
                {"PLAIN", TypeWord(4, 8)}},
               {{0, {0, 1, 0, 1}, Bytes().u32(7).f64(1.0)}}, {Prop("LCID", TypeWord(1, 4), Bytes().u32(1046))});
    TClientDataSet cds;
    cds.LoadFromBytes(packet);
    auto check = [](TClientDataSet& set) {
        EXPECT_TRUE(set.FieldByName(QStringLiteral("REQ"))->Required());
        EXPECT_FALSE(set.FieldByName(QStringLiteral("REQ"))->ReadOnly());
        EXPECT_TRUE(set.FieldByName(QStringLiteral("RO"))->ReadOnly());
        EXPECT_FALSE(set.FieldByName(QStringLiteral("HID"))->Visible());
        EXPECT_TRUE(set.FieldByName(QStringLiteral("PLAIN"))->Visible());
        EXPECT_FALSE(set.FieldByName(QStringLiteral("PLAIN"))->Required());
        EXPECT_EQ(set.FieldByName(QStringLiteral("RO"))->Size(), 5);
        EXPECT_TRUE(set.FieldByName(QStringLiteral("RO"))->IsNull());
    };
    check(cds);
    EXPECT_EQ(cds.Data().AsBytes(), packet);
    const QByteArray xml = cds.SaveToBytes(TDataPacketFormat::dfXML);
    EXPECT_TRUE(xml.contains("required=\"true\"")) << xml.constData();
    EXPECT_TRUE(xml.contains("readonly=\"true\"")) << xml.constData();
    EXPECT_TRUE(xml.contains("<PARAMS LCID=\"1046\"/>")) << xml.constData();
    TClientDataSet viaXml;
    viaXml.LoadFromBytes(xml);
    check(viaXml);
    // Back to binary from XML: the same packet.
    EXPECT_EQ(viaXml.Data().AsBytes(), packet);
}

TEST(FieldAttributes, RequiredFieldMustBeFilledAndReadOnlyCannotBeSet) {
    TClientDataSet cds(QStringLiteral("cdsX"));
    cds.LoadFromBytes(Packet({{"REQ", TypeWord(1, 4), {}, 0x14}, {"RO", TypeWord(1, 4), {}, 0x12}}, {}));
    cds.Append();
    EXPECT_THROW(cds.FieldByName(QStringLiteral("RO"))->SetAsFloat(1), EDatabaseError);
    EXPECT_THROW(cds.Post(), EDatabaseError);
    cds.FieldByName(QStringLiteral("REQ"))->SetAsFloat(3);
    cds.Post();
    EXPECT_EQ(cds.RecordCount(), 1);
}

// ---------------------------------------------------------------------------
// Editing and navigation.

TEST(RecordEditing, InsertAppendEditCancel) {
    TClientDataSet cds(QStringLiteral("cdsTeste"));
    TStringField* nome = cds.AddStringField(QStringLiteral("NOME"), 10);
    TFloatField* valor = cds.AddFloatField(QStringLiteral("VALOR"));
    cds.CreateDataSet();
    EXPECT_TRUE(cds.Eof());
    EXPECT_TRUE(cds.Bof());
    EXPECT_EQ(cds.RecNo(), 0);

    const struct {
        const char* name;
        double value;
        bool append;
    } inserts[] = {{"b", 2, true}, {"c", 3, true}, {"a", 1, false}};
    for (const auto& in : inserts) {
        if (in.append)
            cds.Append();
        else {
            cds.First();
            cds.Insert();
        }
        nome->SetAsString(QString::fromLatin1(in.name));
        valor->SetAsFloat(in.value);
        cds.Post();
    }
    EXPECT_EQ(cds.RecordCount(), 3);
    EXPECT_EQ(nome->AsString(), QStringLiteral("a"));  // the inserted record is current
    EXPECT_EQ(cds.RecNo(), 1);

    cds.Next();
    cds.Edit();
    valor->SetAsFloat(20);
    cds.Cancel();
    EXPECT_EQ(valor->AsFloat(), 2.0);
    cds.Edit();
    valor->SetAsFloat(20);
    cds.Next();  // posts
    cds.First();
    cds.Next();
    EXPECT_EQ(valor->AsFloat(), 20.0);

    cds.Append();
    nome->SetAsString(QStringLiteral("x"));
    cds.Cancel();
    EXPECT_EQ(cds.RecordCount(), 3);

    std::vector<QString> seen;
    for (cds.First(); !cds.Eof(); cds.Next()) seen.push_back(nome->AsString());
    EXPECT_EQ(seen, (std::vector<QString>{"a", "b", "c"}));
}

TEST(RecordEditing, SettingOutsideEditFails) {
    TClientDataSet cds(QStringLiteral("cdsTeste"));
    TFloatField* valor = cds.AddFloatField(QStringLiteral("VALOR"));
    EXPECT_THROW(valor->AsFloat(), EDatabaseError);  // closed
    cds.CreateDataSet();
    EXPECT_TRUE(valor->IsNull());  // no record
    EXPECT_THROW(valor->SetAsFloat(1), EDatabaseError);
    EXPECT_THROW(cds.Post(), EDatabaseError);
    EXPECT_THROW(cds.Fields(5), EDatabaseError);
}

TEST(RecordEditing, FieldByNameNamesTheSetAndField) {
    TClientDataSet cds(QStringLiteral("cdsRetorno"));
    cds.AddStringField(QStringLiteral("TIPO"), 1);
    cds.CreateDataSet();
    EXPECT_EQ(cds.FindField(QStringLiteral("nada")), nullptr);
    try {
        cds.FieldByName(QStringLiteral("NADA"));
        FAIL() << "found";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("cdsRetorno: campo 'NADA' não encontrado"));
    }
}

TEST(RecordEditing, DeclarationRules) {
    TClientDataSet cds;
    cds.AddStringField(QStringLiteral("A"), 5);
    EXPECT_THROW(cds.AddStringField(QStringLiteral("a"), 5), EDatabaseError);  // same name
    EXPECT_THROW(cds.AddStringField(QStringLiteral("B"), 0), EDatabaseError);  // no size
    EXPECT_EQ(cds.FieldCount(), 1);
    cds.CreateDataSet();
    EXPECT_THROW(cds.AddFloatField(QStringLiteral("C")), EDatabaseError);  // while open
    TClientDataSet none;
    EXPECT_THROW(none.CreateDataSet(), EDatabaseError);
    EXPECT_THROW(none.Open(), EDatabaseError);
    EXPECT_THROW(none.Data(), EDatabaseError);
}

TEST(RecordEditing, DeletedDeclaredFieldLeavesTheSetUsable) {
    TClientDataSet cds;
    TField* a = cds.AddStringField(QStringLiteral("A"), 5);
    cds.AddFloatField(QStringLiteral("B"));
    cds.CreateDataSet();
    delete a;
    ASSERT_EQ(cds.FieldCount(), 2);
    cds.Append();
    cds.Fields(0)->SetAsString(QStringLiteral("ok"));
    cds.Post();
    EXPECT_EQ(cds.FieldByName(QStringLiteral("A"))->AsString(), QStringLiteral("ok"));
    cds.Close();
    EXPECT_EQ(cds.FieldCount(), 1);
}

TEST(RecordEditing, SetDataRules) {
    TClientDataSet cds;
    cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS")));
    EXPECT_THROW(cds.SetData(Variant(42)), EDatabaseError);
    EXPECT_TRUE(cds.Active());
    cds.SetData(Variant());
    EXPECT_FALSE(cds.Active());
    EXPECT_THROW(cds.Open(), EDatabaseError);  // nothing to reopen
}

TEST(RecordEditing, ValueConversionsOnSet) {
    DecimalSeparatorGuard comma(u',');
    TClientDataSet cds;
    TField* n = cds.AddField(QStringLiteral("N"), TFieldType::ftSmallint);
    TField* d = cds.AddField(QStringLiteral("D"), TFieldType::ftBCD, 2);
    TField* dt = cds.AddField(QStringLiteral("DT"), TFieldType::ftDate);
    TField* b = cds.AddField(QStringLiteral("B"), TFieldType::ftBoolean);
    cds.CreateDataSet();
    cds.Append();
    n->SetAsString(QStringLiteral("123"));
    EXPECT_EQ(n->AsFloat(), 123);
    EXPECT_THROW(n->SetAsString(QStringLiteral("12x")), EConvertError);
    EXPECT_THROW(n->SetAsFloat(40000), EDatabaseError);  // beyond 16 bits
    n->SetAsString(QString());
    EXPECT_TRUE(n->IsNull());
    d->SetAsString(QStringLiteral("1234,5"));
    EXPECT_EQ(d->AsString(), QStringLiteral("1234,5"));
    EXPECT_THROW(d->SetAsString(QStringLiteral("1.234,5")), EConvertError);
    dt->SetAsString(QStringLiteral("29/02/2024"));
    EXPECT_EQ(dt->Value().toDate(), QDate(2024, 2, 29));
    EXPECT_THROW(dt->SetAsString(QStringLiteral("31/02/2024")), EConvertError);
    b->SetAsString(QStringLiteral("S"));
    EXPECT_EQ(b->AsString(), QStringLiteral("True"));
    EXPECT_THROW(b->SetAsString(QStringLiteral("talvez")), EConvertError);
    cds.Post();
}

}  // namespace
