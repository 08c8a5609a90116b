// orv-cds as developers and support run it: every form dumped as the
// facility opens it, conversions that keep every field and row, and the
// hostile-input corpus failing with the facility's message, never a crash.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaseName.h"
#include "ParametersFiles.h"
#include "Terminal.h"
#include "Tools.h"

namespace {

using tools::Cds;

QJsonObject Json(const QString& path) {
    return QJsonDocument::fromJson(Cds({QStringLiteral("dump"), QStringLiteral("--json"), path}).out.toUtf8()).object();
}

const char* const kForms[] = {"binary", "xml", "xml-utf8"};

class DumpForm : public ::testing::TestWithParam<const char*> {};

TEST_P(DumpForm, ShowsFieldsAndRowsAsOpened) {
    const QString path = tools::RecordsetSample(GetParam());
    const QJsonObject o = Json(path);
    EXPECT_EQ(o[QStringLiteral("form")].toString(), QString::fromLatin1(GetParam()));
    EXPECT_FALSE(o[QStringLiteral("savedChanges")].toBool());
    const QJsonArray fields = o[QStringLiteral("fields")].toArray();
    ASSERT_EQ(fields.size(), 3);
    const char* const expected[][2] = {{"CODIGO", "integer"}, {"DESCRICAO", "string"}, {"VRMAXDESCONTO", "float"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(fields[i][QStringLiteral("name")].toString(), QString::fromLatin1(expected[i][0]));
        EXPECT_EQ(fields[i][QStringLiteral("kind")].toString(), QString::fromLatin1(expected[i][1]));
    }
    EXPECT_EQ(fields[1][QStringLiteral("size")].toInt(), 40);
    EXPECT_EQ(o[QStringLiteral("rows")].toArray(),
              (QJsonArray{QJsonArray{1, QStringLiteral("Parâmetros da loja"), 10}}));
    const tools::Run table = Cds({QStringLiteral("dump"), path});
    EXPECT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.out.contains(QStringLiteral("Form: %1\n").arg(GetParam())));
    EXPECT_TRUE(table.out.contains(QStringLiteral("  1      | Parâmetros da loja | 10\n"))) << table.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cds, DumpForm, ::testing::ValuesIn(kForms),
                         [](const auto& row) { return CaseName(row.param); });

// NULLs stay visible; saved changes come resolved.
struct RowsCase {
    const char* what;
    hardening::Prepare file;
    QJsonArray rows;
    const char* inTable;
};

void PrintTo(const RowsCase& c, std::ostream* os) { *os << c.what; }

class DumpRows : public ::testing::TestWithParam<RowsCase> {};

TEST_P(DumpRows, AsTheFacilityOpensThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.cds"));
    GetParam().file(path);
    EXPECT_EQ(Json(path)[QStringLiteral("rows")].toArray(), GetParam().rows);
    const tools::Run table = Cds({QStringLiteral("dump"), path});
    EXPECT_TRUE(table.out.contains(QString::fromUtf8(GetParam().inTable))) << table.out.toStdString();
    const tools::Run json = Cds({QStringLiteral("dump"), QStringLiteral("--json"), path});
    for (const QChar c : table.out + json.out) EXPECT_FALSE(c.category() == QChar::Other_Control && c != u'\n');
}

// What the tools print of a file, as the terminal will show it.
TEST(Terminal, ControlAndBidirectionalCharactersAreEscaped) {
    const char16_t* const rows[][2] = {
        {u"plain ação", u"plain ação"},
        {u"\n\r\t", u"\\n\\r\\t"},
        {u"\x1b[2K\a", u"\\x1b[2K\\x07"},
        {u"\x7f\x80\x9b\x9f\xa0", u"\\x7f\\x80\\x9b\\x9f\xa0"},
        {u"\u061c\u200e\u200f\u2028\u202a\u202e\u2066\u2069\u206a",
         u"\\u061c\\u200e\\u200f\\u2028\\u202a\\u202e\\u2066\\u2069\u206a"},
    };
    for (const auto& row : rows) {
        const QString in = QString::fromUtf16(row[0]);
        EXPECT_EQ(orvtools::ForTerminal(in), QString::fromUtf16(row[1]));
        // In JSON, the same characters become escapes of the same value.
        const QByteArray json = orvtools::JsonForTerminal(QJsonDocument(QJsonArray{in}).toJson());
        EXPECT_EQ(QJsonDocument::fromJson(json).array(), QJsonArray{in});
        for (const QChar c : QString::fromUtf8(json))
            EXPECT_FALSE(orvtools::ForTerminal(c) != c && c != u'\n') << json.constData();
    }
}

hardening::Prepare Corpus(const char* name) {
    return [name](const QString& path) { QFile::copy(QStringLiteral(ORV_FUZZ_CORPUS "/") + name, path); };
}

INSTANTIATE_TEST_SUITE_P(
    Cds, DumpRows,
    ::testing::Values(RowsCase{"NULL", hardening::files::NullLimit, {QJsonArray{QJsonValue::Null}}, "\n  NULL\n"},
                      RowsCase{"no rows", hardening::files::NoRecords, {}, "Rows (0):\n"},
                      RowsCase{"saved changes, XML",
                               Corpus("changes-xml.cds"),
                               {QJsonArray{1, QStringLiteral("um alterado")}, QJsonArray{3, QStringLiteral("tres")}},
                               "Saved changes: resolved"},
                      RowsCase{"saved changes, binary",
                               Corpus("changes-binary.cds"),
                               {QJsonArray{1, QStringLiteral("um alt")}},
                               "Saved changes: resolved"},
                      RowsCase{"control characters escaped",
                               hardening::files::TextLimit("a\tb\nc"),
                               {QJsonArray{QStringLiteral("a\tb\nc")}},
                               "a\\tb\\nc"},
                      RowsCase{"C1 and bidirectional controls escaped",
                               [](const QString& path) {
                                   plat::TClientDataSet cds;
                                   cds.AddField(QStringLiteral("T"), plat::TFieldType::ftWideString, 10);
                                   cds.CreateDataSet();
                                   cds.Append();
                                   cds.Fields(0)->SetAsString(QStringLiteral("a\u009bb\u202ec"));
                                   cds.Post();
                                   cds.SaveToFile(path, plat::TDataPacketFormat::dfXMLUTF8);
                               },
                               {QJsonArray{QStringLiteral("a\u009bb\u202ec")}},
                               "  T\n  -------------\n  a\\x9bb\\u202ec\n"}),
    [](const auto& row) { return CaseName(row.param.what); });

class Convert : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(Convert, KeepsEveryFieldAndRow) {
    const auto [from, to] = GetParam();
    QTemporaryDir dir;
    const QString in = QStringLiteral(ORV_FUZZ_CORPUS "/rich-%1.cds").arg(QString::fromLatin1(from));
    const QString out = dir.filePath(QStringLiteral("out.cds"));
    const tools::Run r = Cds({QStringLiteral("convert"), QStringLiteral("--to"), QString::fromLatin1(to), in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject a = Json(in), b = Json(out);
    EXPECT_EQ(b[QStringLiteral("form")].toString(), QString::fromLatin1(to));
    EXPECT_EQ(b[QStringLiteral("fields")], a[QStringLiteral("fields")]);
    EXPECT_EQ(b[QStringLiteral("rows")], a[QStringLiteral("rows")]);
}

INSTANTIATE_TEST_SUITE_P(Cds, Convert, ::testing::Combine(::testing::ValuesIn(kForms), ::testing::ValuesIn(kForms)),
                         [](const auto& row) {
                             return CaseName(std::get<0>(row.param)) + "_to_" + CaseName(std::get<1>(row.param));
                         });

// Every kept hostile input and every bad parameters file: a clear failure
// (status 1, the facility's message, nothing written) or a dump, no crash.
struct Hostile {
    std::string name;
    hardening::Prepare file;
};

void PrintTo(const Hostile& c, std::ostream* os) { *os << c.name; }

std::vector<Hostile> HostileInputs() {
    std::vector<Hostile> out;
    for (const QString& dir : {QStringLiteral(RECORDSET_DATA_DIR "/regressions"), QStringLiteral(ORV_FUZZ_CORPUS)})
        for (const QString& name : QDir(dir).entryList(QDir::Files))
            out.push_back({name.toStdString(), [p = dir + '/' + name](const QString& path) { QFile::copy(p, path); }});
    namespace files = hardening::files;
    const std::pair<const char*, hardening::Prepare> generated[] = {{"empty", files::Empty},
                                                                    {"truncated", files::Truncated(80)},
                                                                    {"foreign XML", files::ForeignXml},
                                                                    {"malformed", files::MalformedXml},
                                                                    {"bytes after", files::Trailing("x")},
                                                                    {"a folder", files::Folder},
                                                                    {"huge", files::Huge}};
    for (const auto& [name, prepare] : generated) out.push_back({name, prepare});
    return out;
}

class HostileInput : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileInput, FailsCleanlyOrDumps) {
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in")), out = dir.filePath(QStringLiteral("out"));
    GetParam().file(in);
    for (const QStringList& args :
         {QStringList{QStringLiteral("dump"), in}, QStringList{QStringLiteral("dump"), QStringLiteral("--json"), in},
          QStringList{QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("xml"), in, out}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const tools::Run r = Cds(args);
        ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << "status " << r.exitCode;
        if (r.exitCode == 1) {
            // Or, converting to XML, text XML cannot hold, refused by name.
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("orv-cds: erro ao ler o arquivo '%1': ").arg(in)) ||
                        (args[0] == QLatin1String("convert") &&
                         r.err.startsWith(QStringLiteral("orv-cds: o campo '")) &&
                         r.err.contains(QStringLiteral("que o XML não guarda"))))
                << r.err.toStdString();
            EXPECT_FALSE(QFileInfo::exists(out));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cds, HostileInput, ::testing::ValuesIn(HostileInputs()),
                         [](const auto& row) { return CaseName(row.param.name); });

TEST(CdsFailedWrite, LeavesTheOldOutputWhole) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.cds"));
    QFile::copy(tools::RecordsetSample("xml"), out);
    const tools::Run r = Cds({QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("binary"),
                              tools::RecordsetSample("binary"), out},
                             tools::SmallFileSizeLimit);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não foi possível gravar o arquivo"))) << r.err.toStdString();
    EXPECT_EQ(tools::Contents(out), tools::Contents(tools::RecordsetSample("xml")));
    EXPECT_EQ(tools::Entries(dir.path()), QStringList{QStringLiteral("out.cds")});
}

TEST(CdsUsage, WrongCommandLinesExitWith2) {
    const QString file = tools::RecordsetSample("binary");
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("show"), file}, QStringList{QStringLiteral("dump")},
          QStringList{QStringLiteral("dump"), file, file}, QStringList{QStringLiteral("convert"), file, file},
          QStringList{QStringLiteral("convert"), QStringLiteral("--to"), QStringLiteral("csv"), file, file},
          QStringList{QStringLiteral("convert"), QStringLiteral("--json"), QStringLiteral("--to"),
                      QStringLiteral("xml"), file, file}}) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        const tools::Run r = Cds(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("orv-cds: ")));
    }
}

}  // namespace
