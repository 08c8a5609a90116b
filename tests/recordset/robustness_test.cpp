// Damaged, truncated and foreign input fails with a clear message, never
// a crash or a read past the end.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "CaseName.h"
#include "orv00006/platform/dbclient.h"
#include "packet_builder.h"

using namespace plat;
using namespace rstest;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray BinarySample() { return ReadAll(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS"))); }

// The message of the EDatabaseError that loading `bytes` throws; fails
// the test when it opens or throws anything else.
QString LoadError(const QByteArray& bytes) {
    TClientDataSet cds(QStringLiteral("cdsTeste"));
    try {
        cds.LoadFromBytes(bytes);
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(cds.Active());
        return e.Message();
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what();
        return {};
    }
    ADD_FAILURE() << "opened " << bytes.size() << " bytes";
    return {};
}

QByteArray RichBinary() {
    TClientDataSet cds;
    cds.AddStringField(QStringLiteral("T"), 20);
    cds.AddField(QStringLiteral("W"), TFieldType::ftWideString, 10);
    cds.AddField(QStringLiteral("I"), TFieldType::ftInteger);
    cds.AddField(QStringLiteral("D"), TFieldType::ftBCD, 2);
    cds.AddField(QStringLiteral("DT"), TFieldType::ftDateTime);
    cds.AddField(QStringLiteral("B"), TFieldType::ftBlob);
    cds.CreateDataSet();
    for (int i = 0; i < 3; ++i) {
        cds.Append();
        cds.Fields(0)->SetAsString(QStringLiteral("ação %1").arg(i));
        if (i != 1) cds.Fields(1)->SetAsString(QStringLiteral("ü%1").arg(i));
        cds.Fields(2)->SetAsFloat(i * 1000);
        cds.Fields(3)->SetAsFloat(i + 0.25);
        cds.Fields(4)->SetValue(QDateTime(QDate(2020, 1, i + 1), QTime(10, 0), Qt::UTC));
        cds.Fields(5)->SetValue(QByteArray(i * 3, 'z'));
        cds.Post();
    }
    return cds.Data().AsBytes();
}

TEST(PacketTruncation, EveryPrefixOfTheBinarySampleFails) {
    const QByteArray sample = BinarySample();
    ASSERT_EQ(sample.size(), 126);
    for (qsizetype n = 0; n < sample.size(); ++n) {
        SCOPED_TRACE(n);
        const QString message = LoadError(sample.left(n));
        EXPECT_TRUE(message.contains(n == 0 ? QStringLiteral("pacote vazio") : QStringLiteral("truncado")))
            << message.toStdString();
        // Operators read this: no contraction slips ("de o campo").
        EXPECT_FALSE(message.contains(QStringLiteral(" de o "))) << message.toStdString();
    }
}

TEST(PacketTruncation, EveryPrefixOfARicherPacketFails) {
    const QByteArray full = RichBinary();
    {
        TClientDataSet cds;
        cds.LoadFromBytes(full);
        ASSERT_EQ(cds.RecordCount(), 3);
    }
    for (qsizetype n = 1; n < full.size(); ++n) {
        SCOPED_TRACE(n);
        const QString message = LoadError(full.left(n));
        EXPECT_TRUE(message.contains(QStringLiteral("truncado"))) << message.toStdString();
    }
}

class XmlSamplePrefixes : public ::testing::TestWithParam<const char*> {};

TEST_P(XmlSamplePrefixes, EveryPrefixOfTheXmlSamplesFails) {
    const char* file = GetParam();
    const QByteArray sample = ReadAll(DataFile(QString::fromLatin1(file)));
    ASSERT_FALSE(sample.isEmpty());
    for (qsizetype n = 1; n < sample.size(); ++n) {
        SCOPED_TRACE(std::string(file) + " " + std::to_string(n));
        EXPECT_FALSE(LoadError(sample.left(n)).isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(PacketTruncation, XmlSamplePrefixes,
                         ::testing::Values("PARAMETROSVEK-xml.CDS", "PARAMETROSVEK-xml-utf8.CDS"),
                         [](const auto& row) { return CaseName(row.param); });

TEST(PacketTruncation, FileMessageNamesTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("PARAMETROSVEK.CDS"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(BinarySample().left(100));
    f.close();
    TClientDataSet cds;
    try {
        cds.LoadFromFile(path);
        FAIL() << "opened";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("arquivo truncado"))) << e.what();
        EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(path))) << e.what();
    }
}

// ---------------------------------------------------------------------------

struct Patch {
    const char* label;
    int offset;
    QByteArray bytes;
    const char* message;
};

void PrintTo(const Patch& c, std::ostream* os) { *os << c.label; }

class CorruptSample : public ::testing::TestWithParam<Patch> {};

TEST_P(CorruptSample, FailsWithTheReason) {
    QByteArray bytes = BinarySample();
    const Patch& p = GetParam();
    bytes.replace(p.offset, p.bytes.size(), p.bytes);
    const QString message = LoadError(bytes);
    EXPECT_TRUE(message.contains(QString::fromUtf8(p.message))) << message.toStdString();
}

// Offsets in the sample: 12 columns, 14 rows, 18 flags, 22 first row;
// 24 CODIGO descriptor, 49 DESCRICAO type, 55 its property count, 63 WIDTH
// type, 91 dataset property count, 93 the row (94 flags, 99 text length).
INSTANTIATE_TEST_SUITE_P(
    Binary, CorruptSample,
    ::testing::Values(Patch{"magic", 0, Bytes().u32(0x12345678), "assinatura desconhecida"},
                      Patch{"version", 4, Bytes().u16(9), "versão de pacote não suportada"},
                      Patch{"header_too_small", 8, Bytes().u32(10), "tamanho de cabeçalho inválido"},
                      Patch{"header_past_end", 8, Bytes().u32(0xFFFFFFFF), "truncado"},
                      Patch{"column_count_huge", 12, Bytes().u16(0xFFFF), "quantidade de colunas impossível"},
                      Patch{"column_count_zero", 12, Bytes().u16(0), "pacote sem campos"},
                      Patch{"row_count_huge", 14, Bytes().u32(0xFFFFFFFF), "quantidade de registros impossível"},
                      Patch{"row_count_one_more", 14, Bytes().u32(2), "truncado"},
                      Patch{"no_metadata_flag", 18, Bytes().u32(0), "sem definição de campos"},
                      Patch{"row_offset_inside_metadata", 22, Bytes().u16(30), "posição dos registros inválida"},
                      Patch{"row_offset_past_end", 22, Bytes().u16(0xFFFF), "truncado"},
                      Patch{"name_longer_than_file", 24, Bytes().u8(0xFF), "truncado"},
                      Patch{"empty_name", 24, Bytes().u8(0), "não tem nome"},
                      Patch{"nested_table", 31, Bytes().u32(TypeWord(14, 4)), "tabelas aninhadas não são suportadas"},
                      Patch{"adt", 31, Bytes().u32(TypeWord(12, 4)), "ADT"},
                      Patch{"unknown_type", 31, Bytes().u32(TypeWord(0x3F, 4)), "tipo de campo desconhecido"},
                      Patch{"array_field", 31, Bytes().u32(TypeWord(1, 4, false, true)), "matriz"},
                      Patch{"int_of_three_bytes", 31, Bytes().u32(TypeWord(1, 3)), "tamanho 3 inválido"},
                      Patch{"variable_int", 31, Bytes().u32(TypeWord(1, 4, true)), "comprimento variável"},
                      Patch{"prefix_of_three", 49, Bytes().u32(TypeWord(9, 3, true)),
                            "prefixo de comprimento inválido"},
                      Patch{"property_count_huge", 55, Bytes().u16(0xFFFF), "quantidade de propriedades impossível"},
                      Patch{"property_array_huge", 63, Bytes().u32(TypeWord(2, 2, false, true)),
                            "quantidade de elementos impossível"},
                      Patch{"property_prefix_huge", 63, Bytes().u32(TypeWord(9, 4, true)), "truncado"},
                      Patch{"dataset_property_count_huge", 91, Bytes().u16(0xFFFF),
                            "quantidade de propriedades do pacote impossível"},
                      Patch{"flag_value_three", 94, Bytes().u8(3), "indicador inválido"},
                      Patch{"text_longer_than_file", 99, Bytes().u8(0xFF), "truncado"}),
    [](const auto& tp) { return std::string(tp.param.label); });

struct Foreign {
    const char* label;
    QByteArray bytes;
    const char* message;
};

QByteArray RandomBytes() {
    std::mt19937 gen(20240315);
    QByteArray out(4096, '\0');
    for (auto& c : out) c = static_cast<char>(gen() & 0xFF);
    out[0] = 'Z';
    return out;
}

QByteArray XmlPacket(const QByteArray& fields, const QByteArray& rows, const QByteArray& params = "<PARAMS/>") {
    return "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>" + fields +
           "</FIELDS>" + params + "</METADATA><ROWDATA>" + rows + "</ROWDATA></DATAPACKET>";
}

const QByteArray kOneInt = "<FIELD attrname=\"N\" fieldtype=\"i4\"/>";

void PrintTo(const Foreign& c, std::ostream* os) { *os << c.label; }

class ForeignInput : public ::testing::TestWithParam<Foreign> {};

TEST_P(ForeignInput, IsRefused) {
    const QString message = LoadError(GetParam().bytes);
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    All, ForeignInput,
    ::testing::Values(
        Foreign{"empty", QByteArray(), "pacote vazio"},
        Foreign{"png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "assinatura desconhecida"},
        Foreign{"zip", QByteArray("PK\x03\x04\x14\0\0\0", 8), "assinatura desconhecida"},
        Foreign{"random", RandomBytes(), "assinatura desconhecida"},
        Foreign{"plain_text", "hello world", "assinatura desconhecida"},
        Foreign{"magic_only", QByteArray("\x96\x19\xE0\xBD", 4), "truncado"},
        Foreign{"magic_prefix", QByteArray("\x96\x19", 2), "truncado"},
        Foreign{"html", "<html><body>oi</body></html>", "não é um pacote de dados (elemento raiz <html>)"},
        Foreign{"no_metadata", "<DATAPACKET Version=\"2.0\"></DATAPACKET>", "sem METADATA"},
        Foreign{"no_fields", "<DATAPACKET><METADATA><FIELDS/></METADATA><ROWDATA/></DATAPACKET>", "sem campos"},
        Foreign{"rowdata_first", "<DATAPACKET><ROWDATA/><METADATA/></DATAPACKET>", "ROWDATA antes de METADATA"},
        Foreign{"unclosed", "<DATAPACKET><METADATA><FIELDS>", "truncado"},
        Foreign{"not_well_formed", "<DATAPACKET><METADATA></FIELDS></DATAPACKET>", "XML inválido: XML mal formado"},
        Foreign{"junk_after_root", XmlPacket(kOneInt, "") + "<x/>", "XML inválido"},
        Foreign{"dtd",
                "<?xml version=\"1.0\"?><!DOCTYPE DATAPACKET [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><DATAPACKET/>",
                "DTD"},
        Foreign{"unknown_encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC-XY\"?><DATAPACKET/>", "codificação"},
        Foreign{"unknown_field_type", XmlPacket("<FIELD attrname=\"N\" fieldtype=\"xyz\"/>", ""),
                "tipo 'xyz' desconhecido"},
        Foreign{"nested_field", XmlPacket("<FIELD attrname=\"N\" fieldtype=\"nested\"><FIELDS/></FIELD>", ""),
                "tabelas aninhadas"},
        Foreign{"no_attrname", XmlPacket("<FIELD fieldtype=\"i4\"/>", ""), "não tem attrname"},
        Foreign{"duplicate_field", XmlPacket(kOneInt + kOneInt, ""), "repetido"},
        Foreign{"bad_width", XmlPacket("<FIELD attrname=\"S\" fieldtype=\"string\" WIDTH=\"abc\"/>", ""), "WIDTH"},
        Foreign{"bad_number", XmlPacket("<FIELD attrname=\"R\" fieldtype=\"r8\"/>", "<ROW R=\"abc\"/>"),
                "valor inválido 'abc' no campo 'R'"},
        Foreign{"int_out_of_range", XmlPacket("<FIELD attrname=\"N\" fieldtype=\"i2\"/>", "<ROW N=\"70000\"/>"),
                "valor inválido '70000'"},
        Foreign{"bad_date", XmlPacket("<FIELD attrname=\"D\" fieldtype=\"date\"/>", "<ROW D=\"20241301\"/>"),
                "valor inválido '20241301'"},
        Foreign{"bad_base64", XmlPacket("<FIELD attrname=\"B\" fieldtype=\"bin.hex\"/>", "<ROW B=\"!!!\"/>"),
                "valor inválido"},
        Foreign{"bad_rowstate", XmlPacket(kOneInt, "<ROW RowState=\"x\" N=\"1\"/>"), "RowState inválido"},
        Foreign{"bad_change_log", XmlPacket(kOneInt, "<ROW N=\"1\"/>", "<PARAMS CHANGE_LOG=\"1 a 8\"/>"), "CHANGE_LOG"},
        Foreign{"change_log_out_of_range", XmlPacket(kOneInt, "<ROW N=\"1\"/>", "<PARAMS CHANGE_LOG=\"5 1 8\"/>"),
                "CHANGE_LOG"},
        Foreign{"duplicate_binary_field", Packet({{"A", TypeWord(1, 4)}, {"a", TypeWord(1, 4)}}, {}),
                "campo 'a' repetido"},
        Foreign{"odd_utf16", Packet({{"U", TypeWord(10, 1, true)}}, {{0, {0}, Bytes().u8(3).bytes("abc")}}), "ímpar"},
        Foreign{"bad_bcd_digit", Packet({{"D", TypeWord(5, 4)}}, {{0, {0}, Bytes().u8(2).u8(0).u8(0xA1).u8(0)}}),
                "valor BCD inválido"},
        Foreign{"bcd_precision_too_big",
                Packet({{"D", TypeWord(5, 4)}}, {{0, {0}, Bytes().u8(9).u8(0).u8(0x11).u8(0x11)}}),
                "valor BCD inválido"},
        Foreign{"time_past_midnight", Packet({{"H", TypeWord(7, 4)}}, {{0, {0}, Bytes().u32(86400000)}}),
                "hora inválida"},
        Foreign{"timestamp_nan", Packet({{"M", TypeWord(8, 8)}}, {{0, {0}, Bytes().u64(0x7FF8000000000000ull)}}),
                "data e hora inválidas"},
        Foreign{"timestamp_huge", Packet({{"M", TypeWord(8, 8)}}, {{0, {0}, Bytes().f64(1e300)}}),
                "data e hora inválidas"},
        Foreign{
            "sql_datetime_month_13",
            Packet({{"M", TypeWord(17, 16)}}, {{0, {0}, Bytes().u16(2020).u16(13).u16(1).u16(0).u16(0).u16(0).u32(0)}}),
            "data e hora inválidas"}),
    [](const auto& tp) { return std::string(tp.param.label); });

// ---------------------------------------------------------------------------
// Files

QString FileError(const QString& path) {
    TClientDataSet cds;
    try {
        cds.LoadFromFile(path);
    } catch (const EDatabaseError& e) {
        return e.Message();
    }
    ADD_FAILURE() << "opened " << path.toStdString();
    return {};
}

// A path that cannot be opened, made inside a fresh temporary directory.
struct UnopenablePath {
    const char* name;
    QString (*path)(const QTemporaryDir& dir);
    const char* message;
};

void PrintTo(const UnopenablePath& c, std::ostream* os) { *os << c.name; }

class UnopenableFile : public ::testing::TestWithParam<UnopenablePath> {};

TEST_P(UnopenableFile, MissingDirectoryAndDeviceAreRefused) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = GetParam().path(dir);
    const QString message = FileError(path);
    EXPECT_TRUE(message.contains(QString::fromUtf8(GetParam().message))) << message.toStdString();
    EXPECT_TRUE(message.contains(QDir::toNativeSeparators(path))) << message.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    PacketFiles, UnopenableFile,
    ::testing::Values(UnopenablePath{"missing_file",
                                     [](const QTemporaryDir& dir) {
                                         return dir.filePath(QStringLiteral("nao-existe.cds"));
                                     },
                                     "arquivo não encontrado"},
                      UnopenablePath{"directory", [](const QTemporaryDir& dir) { return dir.path(); }, "é uma pasta"},
                      UnopenablePath{"device", [](const QTemporaryDir&) { return QStringLiteral("/dev/null"); },
                                     "não é um arquivo comum"},
                      UnopenablePath{"empty_path", [](const QTemporaryDir&) { return QString(); }, "caminho vazio"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PacketFiles, EmptyFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vazio.cds"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(FileError(path).contains(QStringLiteral("arquivo vazio")));
}

TEST(PacketFiles, UnreadableFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("fechado.cds"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(BinarySample());
    f.close();
    ASSERT_TRUE(f.setPermissions(QFileDevice::Permissions()));
    EXPECT_TRUE(FileError(path).contains(QStringLiteral("não foi possível abri-lo")));
}

TEST(PacketFiles, OversizedFileIsRefusedWithoutReading) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("enorme.cds"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(BinarySample());
    ASSERT_TRUE(f.resize(qint64{600} * 1024 * 1024));  // sparse
    f.close();
    EXPECT_TRUE(FileError(path).contains(QStringLiteral("grande demais")));
}

TEST(PacketFiles, FailedLoadKeepsWhatWasOpen) {
    TClientDataSet cds;
    cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS")));
    QByteArray broken = BinarySample();
    broken[14] = 5;  // five rows announced, one stored
    EXPECT_THROW(cds.LoadFromBytes(broken), EDatabaseError);
    ASSERT_TRUE(cds.Active());
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 10.0);
}

struct UnwritablePath {
    const char* name;
    QString (*path)(const QTemporaryDir& dir);
    const char* message;
};

void PrintTo(const UnwritablePath& c, std::ostream* os) { *os << c.name; }

class UnwritableFile : public ::testing::TestWithParam<UnwritablePath> {};

TEST_P(UnwritableFile, SavingToADirectoryOrMissingFolderFails) {
    TClientDataSet cds;
    cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS")));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = GetParam().path(dir);
    struct stat before {};
    const bool existed = ::stat(QFile::encodeName(path).constData(), &before) == 0;
    try {
        cds.SaveToFile(path);
        ADD_FAILURE() << "saved to " << path.toStdString();
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(QDir::toNativeSeparators(path))) << e.what();
        EXPECT_TRUE(e.Message().contains(QString::fromUtf8(GetParam().message))) << e.what();
    }
    // What has the name is still there, as it was (as root too).
    struct stat after {};
    if (existed) {
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &after), 0);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
    }
}

// A device node of the test's own: a faulty save run as root would replace
// the system's /dev/null. Without root, /dev/null is out of reach anyway.
QString Device(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("null"));
    return ::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, ::makedev(1, 3)) == 0
               ? path
               : QStringLiteral("/dev/null");
}

QString Fifo(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("fifo"));
    EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    return path;
}

INSTANTIATE_TEST_SUITE_P(
    PacketFiles, UnwritableFile,
    ::testing::Values(UnwritablePath{"directory", [](const QTemporaryDir& dir) { return dir.path(); }, "é uma pasta"},
                      UnwritablePath{
                          "missing_folder",
                          [](const QTemporaryDir& dir) { return dir.filePath(QStringLiteral("nao/existe/x.cds")); },
                          "não existe"},
                      UnwritablePath{"device", Device, "é um dispositivo"}, UnwritablePath{"fifo", Fifo, "é um FIFO"}),
    [](const auto& row) { return std::string(row.param.name); });

// Many fields and rows of NULLs cost little on the wire and much in
// memory: refused up front.
// The host's user keeps its file when root saves over it, through the
// link the packaged layout uses.
TEST(PacketFiles, SavingKeepsOwnerGroupAndModeAndTheLink) {
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString target = dir.filePath(QStringLiteral("alvo.cds")), link = dir.filePath(QStringLiteral("link.cds"));
    TClientDataSet cds;
    cds.LoadFromFile(DataFile(QStringLiteral("PARAMETROSVEK-binary.CDS")));
    cds.SaveToFile(target);
    ASSERT_EQ(::chown(QFile::encodeName(target).constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(target, link));
    cds.SaveToFile(link, TDataPacketFormat::dfXML);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(ReadAll(target).startsWith("<?xml"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System).size(),
              2);
}

TEST(PacketMemory, WideNullRowsAreRefusedBeforeAllocating) {
    const int columns = 20000;
    const int rows = 1300;
    Bytes meta;
    for (int i = 0; i < columns; ++i) meta.name("C" + QByteArray::number(i)).u32(TypeWord(1, 4)).u16(0x10).u16(0);
    meta.u16(0);
    Bytes packet;
    packet.bytes(QByteArray("\x96\x19\xE0\xBD", 4)).u16(1).u16(0).u32(24).u16(columns).u32(rows).u32(1).u16(0);
    packet.bytes(meta);
    const QByteArray nullRow = QByteArray(1, '\0') + QByteArray(columns / 4, '\x55');
    for (int r = 0; r < rows; ++r) packet.bytes(nullRow);
    const QString message = LoadError(packet);
    EXPECT_TRUE(message.contains(QStringLiteral("grande demais para abrir"))) << message.toStdString();

    // The same in XML, where an empty ROW is six bytes.
    QByteArray fields;
    for (int i = 0; i < 2000; ++i) fields += "<FIELD attrname=\"C" + QByteArray::number(i) + "\" fieldtype=\"i4\"/>";
    QByteArray rowData;
    for (int r = 0; r < 13000; ++r) rowData += "<ROW/>";
    const QString xmlMessage = LoadError(XmlPacket(fields, rowData));
    EXPECT_TRUE(xmlMessage.contains(QStringLiteral("grande demais para abrir"))) << xmlMessage.toStdString();

    // Fewer rows of the same shape open.
    TClientDataSet cds;
    cds.LoadFromBytes(XmlPacket(fields, rowData.left(6 * 100)));
    EXPECT_EQ(cds.RecordCount(), 100);
    EXPECT_TRUE(cds.Fields(1999)->IsNull());
}

// Inputs kept from fuzzing and other hostile packets: each opens or fails
// with EDatabaseError, and one that opens can be written and read again.
QDir RegressionsDir() { return QDir(DataFile(QStringLiteral("regressions"))); }
std::vector<std::string> RegressionFiles() {
    std::vector<std::string> out;
    for (const QString& name : RegressionsDir().entryList(QDir::Files, QDir::Name)) out.push_back(name.toStdString());
    return out;
}

TEST(PacketRegressions, KeptInputsAreThere) { ASSERT_FALSE(RegressionFiles().empty()); }

class KeptInput : public ::testing::TestWithParam<std::string> {};

TEST_P(KeptInput, KeptInputsNeverCrash) {
    const QDir dir = RegressionsDir();
    const QByteArray bytes = ReadAll(dir.filePath(QString::fromStdString(GetParam())));
    TClientDataSet cds;
    try {
        cds.LoadFromBytes(bytes);
    } catch (const EDatabaseError& e) {
        EXPECT_FALSE(e.Message().isEmpty());
        return;
    }
    for (const auto form : {TDataPacketFormat::dfBinary, TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
        QByteArray saved;
        try {
            saved = cds.SaveToBytes(form);
        } catch (const EDatabaseError& e) {
            // Text XML has no form for is refused, never altered.
            EXPECT_NE(form, TDataPacketFormat::dfBinary);
            EXPECT_TRUE(e.Message().contains(QStringLiteral("que o XML não guarda"))) << e.what();
            continue;
        }
        TClientDataSet again;
        EXPECT_NO_THROW(again.LoadFromBytes(saved));
        EXPECT_EQ(again.RecordCount(), cds.RecordCount());
    }
}

INSTANTIATE_TEST_SUITE_P(PacketRegressions, KeptInput, ::testing::ValuesIn(RegressionFiles()),
                         [](const auto& row) { return CaseName(row.param); });

}  // namespace
