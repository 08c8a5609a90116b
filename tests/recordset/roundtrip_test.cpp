// Record sets built in memory survive Data/SetData and every file form.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <limits>

#include "CaseName.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"
#include "packet_builder.h"

using namespace plat;
using namespace rstest;

namespace {

constexpr TDataPacketFormat kForms[] = {TDataPacketFormat::dfBinary, TDataPacketFormat::dfXML,
                                        TDataPacketFormat::dfXMLUTF8};

const char* FormName(TDataPacketFormat f) {
    switch (f) {
    case TDataPacketFormat::dfBinary:
        return "binary";
    case TDataPacketFormat::dfXML:
        return "xml";
    case TDataPacketFormat::dfXMLUTF8:
        return "xml-utf8";
    }
    return "?";
}

// The dialog's result: TIPO string(1), VALOR float; one record or none.
void BuildResult(TClientDataSet& cds, bool withRecord) {
    cds.AddStringField(QStringLiteral("TIPO"), 1);
    cds.AddFloatField(QStringLiteral("VALOR"));
    cds.CreateDataSet();
    if (withRecord) {
        cds.Insert();
        cds.FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("V"));
        cds.FieldByName(QStringLiteral("VALOR"))->SetAsFloat(20);
        cds.Post();
    }
}

QByteArray ExpectedResult(bool withRecord) {
    std::vector<Row> rows;
    if (withRecord) rows.push_back({0, {0, 0}, Bytes().u8(1).bytes("V").f64(20.0)});
    return Packet({{"TIPO", TypeWord(9, 1, true), {WidthProp(1)}}, {"VALOR", TypeWord(4, 8)}}, rows);
}

struct ShapeCase {
    bool withRecord;
    TDataPacketFormat form;
};

void PrintTo(const ShapeCase& c, std::ostream* os) {
    *os << (c.withRecord ? "one record, " : "empty, ") << FormName(c.form);
}

class ResultShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ResultShape, DataIsTheBinaryLayout) {
    TClientDataSet cds(QStringLiteral("cdsRetorno"));
    BuildResult(cds, GetParam().withRecord);
    const Variant data = cds.Data();
    ASSERT_EQ(data.Type(), VarType::ByteArray);
    EXPECT_EQ(data.AsBytes(), ExpectedResult(GetParam().withRecord));
}

TEST_P(ResultShape, SurvivesSetDataAndFiles) {
    const bool withRecord = GetParam().withRecord;
    TClientDataSet source(QStringLiteral("cdsRetorno"));
    BuildResult(source, withRecord);

    auto check = [&](TClientDataSet& cds) {
        ASSERT_TRUE(cds.Active());
        ASSERT_EQ(cds.FieldCount(), 2);
        EXPECT_EQ(cds.Fields(0)->FieldName(), QStringLiteral("TIPO"));
        EXPECT_EQ(cds.Fields(0)->DataType(), TFieldType::ftString);
        EXPECT_EQ(cds.Fields(0)->Size(), 1);
        EXPECT_EQ(cds.Fields(1)->FieldName(), QStringLiteral("VALOR"));
        EXPECT_EQ(cds.Fields(1)->DataType(), TFieldType::ftFloat);
        EXPECT_EQ(cds.RecordCount(), withRecord ? 1 : 0);
        EXPECT_EQ(cds.Eof(), !withRecord);
        if (withRecord) {
            EXPECT_EQ(cds.FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("V"));
            EXPECT_EQ(cds.FieldByName(QStringLiteral("VALOR"))->AsFloat(), 20.0);
        }
        // Whatever form it came from, its binary packet is the same.
        EXPECT_EQ(cds.Data().AsBytes(), ExpectedResult(withRecord));
    };

    TClientDataSet viaVariant;
    viaVariant.SetData(Variant(source.SaveToBytes(GetParam().form)));
    check(viaVariant);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("retorno.cds"));
    source.SaveToFile(path, GetParam().form);
    TClientDataSet viaFile;
    viaFile.LoadFromFile(path);
    check(viaFile);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ResultShape,
    ::testing::Values(ShapeCase{true, TDataPacketFormat::dfBinary}, ShapeCase{true, TDataPacketFormat::dfXML},
                      ShapeCase{true, TDataPacketFormat::dfXMLUTF8}, ShapeCase{false, TDataPacketFormat::dfBinary},
                      ShapeCase{false, TDataPacketFormat::dfXML}, ShapeCase{false, TDataPacketFormat::dfXMLUTF8}),
    [](const auto& tp) {
        return std::string(tp.param.withRecord ? "OneRecord_" : "Empty_") +
               (tp.param.form == TDataPacketFormat::dfBinary ? "Binary"
                : tp.param.form == TDataPacketFormat::dfXML  ? "Xml"
                                                             : "XmlUtf8");
    });

TEST(ResultPacket, CloseAndCreateAfreshGivesTheEmptyPacket) {
    TClientDataSet cds(QStringLiteral("cdsRetorno"));
    BuildResult(cds, true);
    cds.Close();
    cds.CreateDataSet();
    EXPECT_EQ(cds.RecordCount(), 0);
    EXPECT_EQ(cds.Data().AsBytes(), ExpectedResult(false));
    // Creating afresh while open empties the set too.
    cds.Append();
    cds.FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("P"));
    cds.Post();
    cds.CreateDataSet();
    EXPECT_EQ(cds.Data().AsBytes(), ExpectedResult(false));
}

TEST(ResultPacket, PendingInsertIsPostedByData) {
    TClientDataSet cds(QStringLiteral("cdsRetorno"));
    BuildResult(cds, false);
    cds.Insert();
    cds.FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("V"));
    cds.FieldByName(QStringLiteral("VALOR"))->SetAsFloat(20);
    EXPECT_EQ(cds.Data().AsBytes(), ExpectedResult(true));
}

// ---------------------------------------------------------------------------
// A record set with every kind of field, NULLs and 8-bit text.

struct Rich {
    QString name;
    TFieldType type;
    int size;
};

const std::vector<Rich>& RichFields() {
    static const std::vector<Rich> fields = {
        {QStringLiteral("TEXTO"), TFieldType::ftString, 30},
        {QStringLiteral("LARGO"), TFieldType::ftString, 300},
        {QStringLiteral("UNI"), TFieldType::ftWideString, 20},
        {QStringLiteral("PEQ"), TFieldType::ftSmallint, 0},
        {QStringLiteral("INTEIRO"), TFieldType::ftInteger, 0},
        {QStringLiteral("GRANDE"), TFieldType::ftLargeint, 0},
        {QStringLiteral("PALAVRA"), TFieldType::ftWord, 0},
        {QStringLiteral("LOGICO"), TFieldType::ftBoolean, 0},
        {QStringLiteral("REAL"), TFieldType::ftFloat, 0},
        {QStringLiteral("DECIMAL"), TFieldType::ftBCD, 4},
        {QStringLiteral("DATA"), TFieldType::ftDate, 0},
        {QStringLiteral("HORA"), TFieldType::ftTime, 0},
        {QStringLiteral("MOMENTO"), TFieldType::ftDateTime, 0},
        {QStringLiteral("BYTES"), TFieldType::ftBlob, 0},
        {QStringLiteral("NOME COM ESPAÇO"), TFieldType::ftString, 10},
    };
    return fields;
}

using RichRow = std::vector<QVariant>;

const std::vector<RichRow>& RichRows() {
    static const std::vector<RichRow> rows = {
        {QStringLiteral("Ação € “aspas” ç"), QString(300, QChar(u'x')), QStringLiteral("日本語 ✓"),
         QVariant::fromValue<qint64>(-32768), QVariant::fromValue<qint64>(2147483647),
         QVariant::fromValue<qint64>(std::numeric_limits<qint64>::min()), QVariant::fromValue<quint64>(65535), true,
         9471.95, 12.3456, QDate(2024, 3, 15), QTime(12, 34, 56, 789),
         QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC), QByteArray("\x00\x01\xFF<&>", 6),
         QStringLiteral("a&b<c>\"d'e")},
        // Every field NULL.
        RichRow(15),
        {QStringLiteral("linha1\r\nlinha2\tfim"), QString(), QString(), QVariant::fromValue<qint64>(0),
         QVariant::fromValue<qint64>(-1), QVariant::fromValue<qint64>(std::numeric_limits<qint64>::max()),
         QVariant::fromValue<quint64>(0), false, -0.25, -0.0001, QDate(1, 1, 1), QTime(0, 0),
         QDateTime(QDate(2000, 2, 29), QTime(0, 0), Qt::UTC), QByteArray(), QStringLiteral("só")},
    };
    return rows;
}

void BuildRich(TClientDataSet& cds) {
    for (const Rich& f : RichFields()) cds.AddField(f.name, f.type, f.size);
    cds.CreateDataSet();
    for (const RichRow& row : RichRows()) {
        cds.Append();
        for (std::size_t i = 0; i < row.size(); ++i) cds.Fields(static_cast<int>(i))->SetValue(row[i]);
        cds.Post();
    }
}

void CheckRich(TClientDataSet& cds) {
    ASSERT_EQ(cds.FieldCount(), static_cast<int>(RichFields().size()));
    for (std::size_t i = 0; i < RichFields().size(); ++i) {
        EXPECT_EQ(cds.Fields(static_cast<int>(i))->FieldName(), RichFields()[i].name);
        EXPECT_EQ(cds.Fields(static_cast<int>(i))->DataType(), RichFields()[i].type) << i;
    }
    EXPECT_EQ(cds.FieldByName(QStringLiteral("TEXTO"))->Size(), 30);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("UNI"))->Size(), 20);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("DECIMAL"))->Size(), 4);
    ASSERT_EQ(cds.RecordCount(), static_cast<int>(RichRows().size()));
    cds.First();
    for (const RichRow& row : RichRows()) {
        ASSERT_FALSE(cds.Eof());
        for (std::size_t i = 0; i < row.size(); ++i) {
            TField* f = cds.Fields(static_cast<int>(i));
            SCOPED_TRACE(f->FieldName().toStdString() + " row " + std::to_string(cds.RecNo()));
            EXPECT_EQ(f->IsNull(), !row[i].isValid());
            if (!row[i].isValid()) continue;
            const QVariant v = f->Value();
            if (f->DataType() == TFieldType::ftFloat || f->DataType() == TFieldType::ftBCD)
                EXPECT_EQ(v.toDouble(), row[i].toDouble());
            else if (f->DataType() == TFieldType::ftDateTime)
                EXPECT_EQ(v.toDateTime(), row[i].toDateTime());
            else if (f->DataType() == TFieldType::ftBlob)
                EXPECT_EQ(v.toByteArray(), row[i].toByteArray());
            else
                EXPECT_EQ(v.toString(), row[i].toString());
        }
        cds.Next();
    }
    EXPECT_TRUE(cds.Eof());
}

class RichRoundTrip : public ::testing::TestWithParam<TDataPacketFormat> {};

TEST_P(RichRoundTrip, ThroughBytes) {
    TClientDataSet source(QStringLiteral("cdsRico"));
    BuildRich(source);
    CheckRich(source);
    const QByteArray bytes = source.SaveToBytes(GetParam());
    TClientDataSet copy;
    copy.LoadFromBytes(bytes);
    CheckRich(copy);
    // A second pass gives identical bytes: nothing drifts.
    EXPECT_EQ(copy.SaveToBytes(GetParam()), bytes);
    EXPECT_EQ(copy.Data().AsBytes(), source.Data().AsBytes());
}

TEST_P(RichRoundTrip, ThroughFiles) {
    TClientDataSet source;
    BuildRich(source);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("rico.cds"));
    source.SaveToFile(path, GetParam());
    TClientDataSet copy;
    copy.LoadFromFile(path);
    CheckRich(copy);
}

INSTANTIATE_TEST_SUITE_P(Forms, RichRoundTrip, ::testing::ValuesIn(kForms), [](const auto& tp) {
    return std::string(FormName(tp.param)) == "xml-utf8" ? std::string("XmlUtf8") : std::string(FormName(tp.param));
});

TEST(RichPacket, EightBitTextIsWindows1252OnTheWire) {
    TClientDataSet cds;
    cds.AddStringField(QStringLiteral("T"), 10);
    cds.CreateDataSet();
    cds.Append();
    cds.Fields(0)->SetAsString(QStringLiteral("€çÿŠ"));
    cds.Post();
    const QByteArray bytes = cds.Data().AsBytes();
    EXPECT_TRUE(bytes.endsWith(QByteArray("\x04\x80\xE7\xFF\x8A")));
    // Plain XML: numeric references of the characters; UTF-8 form: UTF-8.
    const QByteArray plain = cds.SaveToBytes(TDataPacketFormat::dfXML);
    EXPECT_TRUE(plain.contains("T=\"&#8364;&#231;&#255;&#352;\"")) << plain.constData();
    const QByteArray utf8 = cds.SaveToBytes(TDataPacketFormat::dfXMLUTF8);
    EXPECT_TRUE(utf8.contains(QStringLiteral("T=\"€çÿŠ\"").toUtf8())) << utf8.constData();
    EXPECT_TRUE(utf8.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>  <DATAPACKET"));
    EXPECT_TRUE(plain.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET"));
    for (char c : plain) EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

TEST(RichPacket, TextOutsideTheCodePageBecomesQuestionMarks) {
    TClientDataSet cds;
    cds.AddStringField(QStringLiteral("T"), 10);
    cds.CreateDataSet();
    cds.Append();
    cds.Fields(0)->SetAsString(QStringLiteral("a日b"));
    EXPECT_EQ(cds.Fields(0)->AsString(), QStringLiteral("a?b"));
    cds.Fields(0)->SetAsString(QStringLiteral("0123456789ABC"));
    EXPECT_EQ(cds.Fields(0)->AsString(), QStringLiteral("0123456789"));  // cut to the size
}

TEST(RichPacket, XmlEscapesAndFieldNames) {
    TClientDataSet cds;
    BuildRich(cds);
    const QByteArray xml = cds.SaveToBytes(TDataPacketFormat::dfXML);
    EXPECT_TRUE(xml.contains("a&amp;b&lt;c&gt;&quot;d&apos;e")) << xml.constData();
    EXPECT_TRUE(xml.contains("linha1&#013;&#010;linha2&#009;fim")) << xml.constData();
    // A name that is not an XML name travels in fieldname.
    EXPECT_TRUE(xml.contains("fieldname=\"NOME COM ESPA&#199;O\"")) << xml.constData();
    EXPECT_FALSE(xml.contains('\n'));
    EXPECT_TRUE(xml.endsWith("</ROWDATA></DATAPACKET>"));
}

// A value XML 1.0 has no form for is refused, naming where it is, never
// written as something else.
TEST(RichPacket, XmlRefusesTextItCannotHold) {
    const struct {
        const char* what;
        QString name, text;
        const char* message;
    } rows[] = {
        {"escape", QStringLiteral("T"), QStringLiteral("a\x1b[2Kb"),
         "o campo 'T' do registro 1 tem um caractere que o XML não guarda (U+001B)"},
        {"bell", QStringLiteral("T"), QStringLiteral("\a"), "(U+0007)"},
        {"NUL", QStringLiteral("T"), QString(QChar(0)), "(U+0000)"},
        {"lone surrogate", QStringLiteral("T"), QString(QChar(0xD800)), "(U+D800)"},
        {"in a field name", QStringLiteral("T\x01"), QStringLiteral("a"), "o nome do campo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TClientDataSet cds;
        cds.AddField(row.name, TFieldType::ftWideString, 10);
        cds.CreateDataSet();
        cds.Append();
        cds.Fields(0)->SetAsString(row.text);
        cds.Post();
        for (const auto form : {TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
            try {
                cds.SaveToBytes(form);
                ADD_FAILURE() << "written";
            } catch (const EDatabaseError& e) {
                EXPECT_TRUE(e.Message().contains(QString::fromUtf8(row.message))) << e.what();
            }
        }
        EXPECT_NO_THROW(cds.SaveToBytes(TDataPacketFormat::dfBinary));
    }
}

struct RowDataSpelling {
    const char* name;
    const char* tail;
};

void PrintTo(const RowDataSpelling& r, std::ostream* os) { *os << r.name; }

class EmptyRowData : public ::testing::TestWithParam<RowDataSpelling> {};

TEST_P(EmptyRowData, EmptyRowDataReadsInBothSpellings) {
    const QByteArray head =
        "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
        "<FIELD attrname=\"TIPO\" fieldtype=\"string\" WIDTH=\"1\"/><FIELD attrname=\"VALOR\" fieldtype=\"r8\"/>"
        "</FIELDS><PARAMS/></METADATA>";
    TClientDataSet cds;
    cds.LoadFromBytes(head + QByteArray(GetParam().tail));
    EXPECT_EQ(cds.RecordCount(), 0);
    EXPECT_TRUE(cds.Eof());
    EXPECT_EQ(cds.Data().AsBytes(), ExpectedResult(false));
}

INSTANTIATE_TEST_SUITE_P(RichPacket, EmptyRowData,
                         ::testing::Values(RowDataSpelling{"open_and_close", "<ROWDATA></ROWDATA></DATAPACKET>"},
                                           RowDataSpelling{"self_closing", "<ROWDATA/></DATAPACKET>"}),
                         [](const auto& row) { return std::string(row.param.name); });

class LargeFile : public ::testing::TestWithParam<TDataPacketFormat> {};

TEST_P(LargeFile, LargeFileIsReadWhole) {
    const TDataPacketFormat form = GetParam();
    // Some 50 MiB: 2,600 rows of a 20,000-character text.
    TClientDataSet cds;
    cds.AddField(QStringLiteral("N"), TFieldType::ftInteger);
    cds.AddField(QStringLiteral("M"), TFieldType::ftWideString, 10000);
    cds.CreateDataSet();
    const QString text(10000, QChar(u'é'));
    const int rows = 2600;
    for (int i = 0; i < rows; ++i) {
        cds.Append();
        cds.Fields(0)->SetAsFloat(i);
        cds.Fields(1)->SetAsString(text);
        cds.Post();
    }
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("grande.cds"));
    cds.SaveToFile(path, form);
    EXPECT_GT(QFileInfo(path).size(), 50LL * 1000 * 1000);
    TClientDataSet copy;
    copy.LoadFromFile(path);
    ASSERT_EQ(copy.RecordCount(), rows);
    copy.First();
    for (int i = 0; i < rows - 1; ++i) copy.Next();
    EXPECT_EQ(copy.Fields(0)->AsFloat(), rows - 1);
    EXPECT_EQ(copy.Fields(1)->AsString(), text);
}

INSTANTIATE_TEST_SUITE_P(RichPacket, LargeFile,
                         ::testing::Values(TDataPacketFormat::dfBinary, TDataPacketFormat::dfXMLUTF8),
                         [](const auto& row) { return CaseName(FormName(row.param)); });

}  // namespace
