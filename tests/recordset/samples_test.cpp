// The three saved parameter files open, give their values, and are written
// back byte for byte in every form.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "orv00006/platform/dbclient.h"
#include "packet_builder.h"

using namespace plat;
using rstest::DataFile;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

struct SampleCase {
    const char* file;
    TDataPacketFormat form;
};

void PrintTo(const SampleCase& c, std::ostream* os) { *os << c.file; }

class SampleTest : public ::testing::TestWithParam<SampleCase> {};

TEST_P(SampleTest, OpensWithTheParameterValues) {
    TClientDataSet cds(QStringLiteral("cdsParametrosVek"));
    cds.LoadFromFile(DataFile(QString::fromLatin1(GetParam().file)));
    ASSERT_TRUE(cds.Active());
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.FieldCount(), 3);
    EXPECT_FALSE(cds.Eof());
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 10.0);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("DESCRICAO"))->AsString(), QStringLiteral("Parâmetros da loja"));
    EXPECT_EQ(cds.FieldByName(QStringLiteral("CODIGO"))->AsFloat(), 1.0);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("codigo"))->AsString(), QStringLiteral("1"));
    EXPECT_EQ(cds.FieldByName(QStringLiteral("CODIGO"))->DataType(), TFieldType::ftInteger);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("DESCRICAO"))->DataType(), TFieldType::ftString);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("DESCRICAO"))->Size(), 40);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->DataType(), TFieldType::ftFloat);
    cds.Next();
    EXPECT_TRUE(cds.Eof());
}

TEST_P(SampleTest, FormIsDetectedFromTheFirstBytes) {
    TDataPacketFormat form{};
    ASSERT_TRUE(TClientDataSet::DetectFormat(ReadAll(DataFile(QString::fromLatin1(GetParam().file))), form));
    const TDataPacketFormat expected =
        GetParam().form == TDataPacketFormat::dfBinary ? TDataPacketFormat::dfBinary : TDataPacketFormat::dfXML;
    EXPECT_EQ(form, expected);
}

// Whatever form a sample was read from, writing it in each form gives the
// matching sample exactly.
TEST_P(SampleTest, WritesEachFormAsTheSamples) {
    const std::pair<const char*, TDataPacketFormat> targets[] = {
        {"PARAMETROSVEK-binary.CDS", TDataPacketFormat::dfBinary},
        {"PARAMETROSVEK-xml.CDS", TDataPacketFormat::dfXML},
        {"PARAMETROSVEK-xml-utf8.CDS", TDataPacketFormat::dfXMLUTF8},
    };
    TClientDataSet cds;
    cds.LoadFromFile(DataFile(QString::fromLatin1(GetParam().file)));
    for (const auto& [file, form] : targets) {
        SCOPED_TRACE(file);
        EXPECT_EQ(cds.SaveToBytes(form), ReadAll(DataFile(QString::fromLatin1(file))));
    }
    EXPECT_EQ(cds.Data().AsBytes(), ReadAll(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS"))));
}

TEST_P(SampleTest, SetDataTakesTheSameBytes) {
    TClientDataSet cds;
    cds.SetData(Variant(ReadAll(DataFile(QString::fromLatin1(GetParam().file)))));
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 10.0);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("DESCRICAO"))->AsString(), QStringLiteral("Parâmetros da loja"));
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleTest,
                         ::testing::Values(SampleCase{"PARAMETROSVEK-binary.CDS", TDataPacketFormat::dfBinary},
                                           SampleCase{"PARAMETROSVEK-xml.CDS", TDataPacketFormat::dfXML},
                                           SampleCase{"PARAMETROSVEK-xml-utf8.CDS", TDataPacketFormat::dfXMLUTF8}));

TEST(ParameterSamples, BinarySampleMatchesTheLayoutByHand) {
    using namespace rstest;
    // CODIGO i4, DESCRICAO string(40) with WIDTH, VRMAXDESCONTO r8; one row.
    const QByteArray expected =
        Packet({{"CODIGO", TypeWord(1, 4)},
                {"DESCRICAO", TypeWord(9, 1, true), {WidthProp(40)}},
                {"VRMAXDESCONTO", TypeWord(4, 8)}},
               {{0, {0, 0, 0}, Bytes().u32(1).u8(18).bytes("Par\xE2metros da loja").f64(10.0)}});
    EXPECT_EQ(ReadAll(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS"))), expected);
}

TEST(ParameterSamples, DeclaredFieldsBindToTheFile) {
    TClientDataSet cds(QStringLiteral("cdsParametrosVek"));
    TFloatField* limit = cds.AddFloatField(QStringLiteral("VRMAXDESCONTO"));
    cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-xml.CDS")));
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO")), limit);
    EXPECT_EQ(limit->AsFloat(), 10.0);
    EXPECT_EQ(cds.FieldCount(), 3);
    cds.Close();
    EXPECT_EQ(cds.FieldCount(), 1);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO")), limit);
    cds.Open();  // the same file's data again
    EXPECT_EQ(limit->AsFloat(), 10.0);
}

TEST(ParameterSamples, DeclaredFieldMissingFromTheFileIsNamed) {
    TClientDataSet cds(QStringLiteral("cdsParametrosVek"));
    cds.AddFloatField(QStringLiteral("VRLIMITE"));
    try {
        cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS")));
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("campo 'VRLIMITE' não encontrado"))) << e.what();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("PARAMETROSVEK-binary.CDS"))) << e.what();
    }
    EXPECT_FALSE(cds.Active());
}

}  // namespace
