// orv-params as store staff run it: the limit written in every file form
// and kept form, every refusal leaving the file as it was, check agreeing
// with what the module really does, --host finding the module's file, and
// writes that fail whole.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "CaseName.h"
#include "Expect.h"
#include "HostRunner.h"
#include "ParametersFiles.h"
#include "Tools.h"
#include "packet_builder.h"

namespace {

using hardening::Prepare;
using tools::Params;
namespace files = hardening::files;

const QString kFile = QStringLiteral("PARAMETROSVEK.CDS");

Prepare CopyOf(const char* form) {
    return [form](const QString& path) { QFile::copy(tools::RecordsetSample(form), path); };
}
// One record whose VRMAXDESCONTO has the field attributes `field`.
Prepare Xml(const char* field, const char* value) {
    return [=](const QString& path) {
        hardening::WriteBytes(path,
                              QByteArray("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"
                                         "<METADATA><FIELDS><FIELD attrname=\"VRMAXDESCONTO\" ") +
                                  field + "/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW VRMAXDESCONTO=\"" + value +
                                  "\"/></ROWDATA></DATAPACKET>");
    };
}
void Utf16(const QString& path) {
    const QString xml = QString::fromLatin1(hardening::XmlPacket("10"));
    hardening::WriteBytes(
        path, QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2));
}
void DanglingLink(const QString& path) { QFile::link(path + QStringLiteral(".nenhum"), path); }
// A saved change: record 1 (limit 10) modified to 15, record 2 deleted.
void SavedChanges(const QString& path) {
    using namespace rstest;
    const std::vector<Column> cols = {{"CODIGO", TypeWord(1, 4)}, {"VRMAXDESCONTO", TypeWord(4, 8)}};
    hardening::WriteBytes(path, Packet(cols,
                                       {{0, {0, 0}, Bytes().u32(1).f64(10)},
                                        {0, {0, 0}, Bytes().u32(2).f64(20)},
                                        {8, {0, 0}, Bytes().u32(1).f64(15)}},
                                       {ChangeLogProp({2, 0, 2, 3, 1, 8})}));
}

// Every value but the first record's VRMAXDESCONTO (none without a file).
QStringList OtherValues(const QString& path) {
    if (!QFileInfo::exists(path)) return {};
    plat::TClientDataSet cds;
    cds.LoadFromFile(path);
    QStringList out;
    for (cds.First(); !cds.Eof(); cds.Next())
        for (int i = 0; i < cds.FieldCount(); ++i) {
            const plat::TField* f = cds.Fields(i);
            if (cds.RecNo() == 1 && f->FieldName() == QLatin1String("VRMAXDESCONTO")) continue;
            out << f->FieldName() + QLatin1Char('=') + (f->IsNull() ? QStringLiteral("NULL") : f->AsString());
        }
    return out;
}

struct SetCase {
    const char* what;
    Prepare start;  // nullptr: no file yet
    QStringList args;
    const char* form;     // as show names it
    const char* verdict;  // check's first line
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.what; }

class Set : public ::testing::TestWithParam<SetCase> {};

TEST_P(Set, WritesTheLimitAndKeepsEverythingElse) {
    const SetCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    if (c.start) c.start(path);
    const QStringList before = c.start ? OtherValues(path) : QStringList();
    const tools::Run set = Params(QStringList{QStringLiteral("set")} << c.args << path);
    ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_TRUE(set.out.contains(QStringLiteral("O módulo vai usar: %1.").arg(QString::fromUtf8(c.verdict))))
        << set.out.toStdString();
    EXPECT_TRUE(Params({QStringLiteral("show"), path}).out.contains(QStringLiteral("\nForma: %1\n").arg(c.form)));
    const tools::Run check = Params({QStringLiteral("check"), path});
    EXPECT_EQ(check.FirstLine(), QString::fromUtf8(c.verdict));
    EXPECT_EQ(check.exitCode, 0);
    if (c.start) {
        EXPECT_EQ(OtherValues(path), before);
    }
}

const QString k125 = QStringLiteral("12,5");
INSTANTIATE_TEST_SUITE_P(
    Params, Set,
    ::testing::Values(
        SetCase{"new file, 10", nullptr, {"10"}, "binário", "limite de 10 %"},
        SetCase{"new file, 12.5, XML", nullptr, {"12.5", "--xml"}, "XML", "limite de 12,5 %"},
        SetCase{"new file, 12,5, XML UTF-8", nullptr, {k125, "--xml-utf8"}, "XML UTF-8", "limite de 12,5 %"},
        SetCase{"binary file", CopyOf("binary"), {k125}, "binário", "limite de 12,5 %"},
        SetCase{"XML file", CopyOf("xml"), {"12.5"}, "XML", "limite de 12,5 %"},
        SetCase{"XML UTF-8 file, its own form asked",
                CopyOf("xml-utf8"),
                {k125, "--xml-utf8"},
                "XML UTF-8",
                "limite de 12,5 %"},
        SetCase{"UTF-16 XML file, written as XML UTF-8", Utf16, {"8", "--xml-utf8"}, "XML UTF-8", "limite de 8 %"},
        SetCase{"0 lifts the limit", CopyOf("binary"), {"0"}, "binário", "sem limite"},
        SetCase{"100", nullptr, {"100"}, "binário", "limite de 100 %"},
        SetCase{"integer field, 12", files::IntegerLimit, {"12"}, "binário", "limite de 12 %"},
        SetCase{"text field, 15", files::TextLimit("10"), {"15"}, "binário", "limite de 15 %"},
        SetCase{"BCD field, 12,5",
                Xml("fieldtype=\"fixed\" WIDTH=\"8\" DECIMALS=\"2\"", "10"),
                {k125},
                "XML",
                "limite de 12,5 %"},
        SetCase{"no records: one is added", files::NoRecords, {"7"}, "binário", "limite de 7 %"},
        SetCase{"NULL limit", files::NullLimit, {"7"}, "binário", "limite de 7 %"},
        SetCase{"negative limit repaired", files::XmlValue("-1"), {"7"}, "XML", "limite de 7 %"},
        SetCase{"dangling link: its file is made", DanglingLink, {"7"}, "binário", "limite de 7 %"}),
    [](const auto& row) { return CaseName(row.param.what); });

struct RefuseCase {
    const char* what;
    Prepare start;      // nullptr: no file
    QStringList args;   // the path is added
    const char* error;  // part of the message
    int status = 1;
};

void PrintTo(const RefuseCase& c, std::ostream* os) { *os << c.what; }

class Refuse : public ::testing::TestWithParam<RefuseCase> {};

TEST_P(Refuse, LeavesTheFileByteForByte) {
    const RefuseCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    if (c.start) c.start(path);
    const QByteArray before = tools::Contents(path);
    const QStringList entries = tools::Entries(dir.path());
    const tools::Run r = Params(QStringList(c.args) << path);
    EXPECT_EQ(r.exitCode, c.status);
    EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.error))) << r.err.toStdString();
    if (c.status == 1) {
        EXPECT_TRUE(r.err.endsWith(c.start ? QStringLiteral("O arquivo não foi alterado.\n")
                                           : QStringLiteral("Nada foi gravado.\n")))
            << r.err.toStdString();
    }
    EXPECT_EQ(tools::Contents(path), before);
    EXPECT_EQ(tools::Entries(dir.path()), entries);
}

const QString kSet = QStringLiteral("set");
INSTANTIATE_TEST_SUITE_P(
    Params, Refuse,
    ::testing::Values(
        RefuseCase{"negative", CopyOf("binary"), {kSet, "-5"}, "o percentual '-5' é negativo"},
        RefuseCase{"minus zero", CopyOf("xml"), {kSet, "-0"}, "'-0' é negativo"},
        RefuseCase{"negative, new file", nullptr, {kSet, "-5"}, "'-5' é negativo"},
        RefuseCase{"not a number", CopyOf("binary"), {kSet, "abc"}, "'abc' não é um número"},
        RefuseCase{"empty", CopyOf("binary"), {kSet, ""}, "o percentual está vazio"},
        RefuseCase{"minus NaN", CopyOf("binary"), {kSet, "-nan"}, "'-nan' não é um número"},
        RefuseCase{"400 digits", CopyOf("binary"), {kSet, QString(400, QLatin1Char('9'))}, "passa de 100"},
        RefuseCase{"below a double's range", CopyOf("binary"), {kSet, "1e-400"}, "mais de duas casas decimais"},
        RefuseCase{"three decimals", CopyOf("binary"), {kSet, "1e-9"}, "'1e-9' tem mais de duas casas decimais"},
        RefuseCase{"two separators", CopyOf("binary"), {kSet, "12,5,0"}, "não é um número"},
        RefuseCase{"NaN", CopyOf("binary"), {kSet, "nan"}, "'nan' não é um número"},
        RefuseCase{"infinite", CopyOf("binary"), {kSet, "inf"}, "'inf' é infinito"},
        RefuseCase{"minus infinite", CopyOf("binary"), {kSet, "-inf"}, "'-inf' é infinito"},
        RefuseCase{"too large for a double", CopyOf("binary"), {kSet, "1e999"}, "'1e999' passa de 100"},
        RefuseCase{"above 100", CopyOf("xml-utf8"), {kSet, "100,01"}, "'100,01' passa de 100"},
        RefuseCase{"integer field, 12,5", files::IntegerLimit, {kSet, "12,5"}, "(inteiro) não guarda 12,5: ficaria 13"},
        RefuseCase{"text field, 12,5", files::TextLimit("10"), {kSet, "12,5"}, "guarda o número como texto"},
        RefuseCase{"text one character wide", files::XmlText(""), {kSet, "10"}, "não guarda 10: ficaria 1"},
        RefuseCase{"4-byte real, 10,1", Xml("fieldtype=\"r4\"", "10"), {kSet, "10,1"}, "ficaria 10,1000003814697"},
        RefuseCase{"boolean field", Xml("fieldtype=\"boolean\"", "TRUE"), {kSet, "10"}, "(lógico) não guarda"},
        RefuseCase{"date field", Xml("fieldtype=\"date\"", "20240101"), {kSet, "10"}, "(data) não guarda"},
        RefuseCase{"read-only field", Xml("fieldtype=\"r8\" readonly=\"true\"", "10"), {kSet, "12"}, "somente leitura"},
        RefuseCase{"without the field", files::WithoutField, {kSet, "10"}, "não tem o campo VRMAXDESCONTO"},
        RefuseCase{"truncated file", files::Truncated(80), {kSet, "10"}, "arquivo truncado"},
        RefuseCase{"a folder by that name", files::Folder, {kSet, "10"}, "é uma pasta"},
        RefuseCase{"over the module's size",
                   files::XmlOfSize(files::kMaxParametros + 1),
                   {kSet, "10"},
                   "arquivo grande demais"},
        RefuseCase{"binary file asked as XML", CopyOf("binary"), {kSet, "10", "--xml"}, "continua nessa forma"},
        RefuseCase{"UTF-16 XML, no form asked", Utf16, {kSet, "10"}, "forma que não é gravada"},
        // A wrong command line touches nothing either.
        RefuseCase{"unknown command", CopyOf("binary"), {"mostra"}, "comando desconhecido: 'mostra'", 2},
        RefuseCase{"set without a percentage", CopyOf("binary"), {kSet}, "falta o ARQUIVO", 2},
        RefuseCase{"both forms", CopyOf("binary"), {kSet, "10", "--xml", "--xml-utf8"}, "escolha --xml", 2},
        RefuseCase{"a form for check", CopyOf("binary"), {"check", "--xml"}, "só valem para set", 2},
        RefuseCase{"empty file name", CopyOf("binary"), {"check", ""}, "check: o ARQUIVO está vazio", 2},
        RefuseCase{"file and --host", CopyOf("binary"), {kSet, "10", "--host", "sh"}, "não os dois", 2},
        RefuseCase{"one argument too many", CopyOf("binary"), {kSet, "10", "a"}, "argumento a mais", 2},
        RefuseCase{"unknown option", CopyOf("binary"), {kSet, "10", "--binario"}, "Opção desconhecida", 2},
        RefuseCase{"digit as separator",
                   CopyOf("binary"),
                   {kSet, "10", "--decimal-separator", "5"},
                   "'5' não serve de separador decimal",
                   2}),
    [](const auto& row) { return CaseName(row.param.what); });

// check says what a call through pdv-host does with the same file.
struct CheckCase {
    const char* what;
    Prepare file;
    const char* verdict;
};

void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.what; }

class Check : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Check, SaysWhatTheModuleDoes) {
    const CheckCase& c = GetParam();
    hostrun::HostCopy host;
    c.file(host.ParametersFile());
    const tools::Run check = Params({QStringLiteral("check"), QStringLiteral("--host"), host.Dir() + "/pdv-host",
                                     QStringLiteral("--decimal-separator"), QStringLiteral(",")});
    EXPECT_EQ(check.FirstLine(), QString::fromUtf8(c.verdict)) << check.out.toStdString();
    // 20,01 on a base of 200: refused by a 10 % limit, accepted without one.
    const hostrun::HostRun call =
        host.Run({QStringLiteral("--base"), QStringLiteral("200"), QStringLiteral("--decimal-separator"),
                  QStringLiteral(","), QStringLiteral("--keys"), QStringLiteral("2 0 0 1 Enter Backspace Enter")});
    const QStringList shown = call.Messages();
    if (check.FirstLine() == QLatin1String("limite de 10 %")) {
        EXPECT_EQ(check.exitCode, 0);
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(shown[0].endsWith(QStringLiteral("Valor restante permitido: $20,00"))) << shown[0].toStdString();
    } else if (check.FirstLine() == QLatin1String("sem limite")) {
        EXPECT_EQ(check.exitCode, 0);
        // A missing file is named: the technician sees where the module looks.
        if (!QFileInfo::exists(host.ParametersFile())) {
            EXPECT_TRUE(check.out.contains(host.ParametersFile())) << check.out.toStdString();
        }
        EXPECT_TRUE(shown.isEmpty()) << shown.join(QStringLiteral(" | ")).toStdString();
    } else {
        EXPECT_EQ(check.exitCode, 1);
        ASSERT_EQ(shown.size(), 1);
        EXPECT_TRUE(check.out.contains(QStringLiteral("O operador veria a mensagem:\n  ") + shown[0] + '\n'))
            << "check: " << check.out.toStdString() << "\nmodule: " << shown[0].toStdString();
    }
}

const char* const kNaoAbre = "a tela de desconto não abre";
INSTANTIATE_TEST_SUITE_P(
    Params, Check,
    ::testing::Values(
        CheckCase{"absent", files::Absent, "sem limite"}, CheckCase{"limit 10", files::Limit(10), "limite de 10 %"},
        CheckCase{"limit 10 in XML", files::XmlValue("10"), "limite de 10 %"},
        CheckCase{"integer 10", files::IntegerLimit, "limite de 10 %"},
        CheckCase{"text 10", files::TextLimit("10"), "limite de 10 %"},
        CheckCase{"no records", files::NoRecords, "sem limite"}, CheckCase{"NULL", files::NullLimit, "sem limite"},
        CheckCase{"0", files::XmlValue("0"), "sem limite"}, CheckCase{"empty file", files::Empty, kNaoAbre},
        CheckCase{"truncated", files::Truncated(20), kNaoAbre},
        CheckCase{"text abc", files::TextLimit("abc"), kNaoAbre}, CheckCase{"NaN", files::XmlValue("NaN"), kNaoAbre},
        CheckCase{"-1", files::XmlValue("-1"), kNaoAbre}, CheckCase{"text -2,5", files::TextLimit("-2,5"), kNaoAbre},
        CheckCase{"without the field", files::WithoutField, kNaoAbre}, CheckCase{"a folder", files::Folder, kNaoAbre},
        CheckCase{"dangling link", DanglingLink, kNaoAbre}, CheckCase{"foreign XML", files::ForeignXml, kNaoAbre},
        CheckCase{"one byte over the size", files::XmlOfSize(files::kMaxParametros + 1), kNaoAbre},
        CheckCase{"60 KB of text", files::XmlText(QByteArray(60000, 'a')), kNaoAbre}),
    [](const auto& row) { return CaseName(row.param.what); });

// --host looks beside the real program file, as the module does.
TEST(ParamsHost, FindsTheFileBesideTheRealProgram) {
    QTemporaryDir real, other;
    const QString program = real.filePath(QStringLiteral("caixa"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(ORV_HOST_PATH), program));
    ASSERT_TRUE(QFile::link(program, other.filePath(QStringLiteral("pdv"))));
    WriteLimitFile(real.filePath(kFile), 10);
    WriteLimitFile(other.filePath(kFile), 50);  // beside the link: not the module's
    // Scripts beside the 50 %: the module runs in their interpreter.
    const auto script = [&](const char* name, const QString& text) {
        QFile f(other.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(text.toUtf8()) > 0);
        f.setPermissions(f.permissions() | QFile::ExeOwner);
        return f.fileName();
    };
    const QString direct = script("direto", QStringLiteral("#!%1 -x\n").arg(program));
    const QString viaEnv = script("env", QStringLiteral("#!/usr/bin/env caixa\n"));
    const QString shim = script("shim", QStringLiteral("#!/bin/sh\nexec %1 \"$@\"\n").arg(program));
    const struct {
        const char* what;
        QString host;
        QStringList env;
        const char* expected;
    } rows[] = {
        {"the program's path", program, {}, "limite de 10 %"},
        {"a link in another folder", other.filePath(QStringLiteral("pdv")), {}, "limite de 10 %"},
        {"a name found in PATH", QStringLiteral("pdv"), {QStringLiteral("PATH=") + other.path()}, "limite de 10 %"},
        {"no such program", real.filePath(QStringLiteral("nada")), {}, ""},
        {"a name not in PATH", QStringLiteral("nada"), {QStringLiteral("PATH=") + other.path()}, ""},
        {"a script naming its interpreter", direct, {}, "limite de 10 %"},
        {"a script through env", viaEnv, {QStringLiteral("PATH=") + real.path()}, "limite de 10 %"},
        {"a shell wrapper refused", shim, {}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const tools::Run r = Params({QStringLiteral("check"), QStringLiteral("--host"), row.host}, row.env);
        EXPECT_EQ(r.FirstLine(), QString::fromUtf8(row.expected));
        EXPECT_EQ(r.exitCode, *row.expected ? 0 : 1) << r.err.toStdString();
    }
}

// Saved changes are read as the module reads them and merged when written.
TEST(ParamsSavedChanges, AreReadResolvedAndWrittenMerged) {
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    SavedChanges(path);
    const tools::Run show = Params({QStringLiteral("show"), path});
    EXPECT_TRUE(show.out.contains(QStringLiteral("Alterações salvas: sim"))) << show.out.toStdString();
    EXPECT_TRUE(show.out.contains(QStringLiteral("Registros: 1\n")));
    EXPECT_EQ(Params({QStringLiteral("check"), path}).FirstLine(), QStringLiteral("limite de 15 %"));
    const tools::Run set = Params({QStringLiteral("set"), QStringLiteral("12"), path});
    EXPECT_TRUE(set.out.contains(QStringLiteral("alterações salvas"))) << set.out.toStdString();
    plat::TClientDataSet cds;
    cds.LoadFromFile(path);
    EXPECT_FALSE(cds.HeldSavedChanges());
    EXPECT_EQ(OtherValues(path), QStringList{QStringLiteral("CODIGO=1")});
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 12);
}

// The packaged layout: the parameters file is a link to /etc; writing
// replaces the file it names and keeps the link.
TEST(ParamsLink, WritingALinkedFileReplacesItsTarget) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("etc.CDS")), link = dir.filePath(kFile);
    CopyOf("binary")(target);
    ASSERT_TRUE(QFile::link(target, link));
    const tools::Run set = Params({QStringLiteral("set"), QStringLiteral("12"), link});
    ASSERT_EQ(set.exitCode, 0);
    EXPECT_TRUE(set.out.startsWith(QStringLiteral("Gravado em %1, pelo link %2,").arg(target, link)))
        << set.out.toStdString();
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), target);
    EXPECT_EQ(Params({QStringLiteral("check"), target}).FirstLine(), QStringLiteral("limite de 12 %"));
}

// A write that fails leaves the old file whole and says so in the status.
struct WriteCase {
    const char* what;
    Prepare start;
    const char* path;  // inside the folder
    bool sizeLimit;
    const char* inject = nullptr;  // a system call failure strace makes
};

void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.what; }

class FailedWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(FailedWrite, LeavesTheOldFileWhole) {
    const WriteCase& c = GetParam();
    QTemporaryDir dir;
    if (c.start) c.start(dir.filePath(kFile));
    const QString path = dir.filePath(QString::fromUtf8(c.path));
    const QByteArray before = tools::Contents(path);
    const QStringList entries = tools::Entries(dir.path());
    const QStringList set = {QStringLiteral("set"), QStringLiteral("12,5"), path};
    const tools::Run r =
        c.inject
            ? tools::Tool("/usr/bin/strace", QStringList{"-o", "/dev/null", "-e", QStringLiteral("inject=") + c.inject,
                                                         "--", ORV_PARAMS_PATH} +
                                                 set)
            : Params(set, {}, c.sizeLimit ? tools::SmallFileSizeLimit : std::function<void()>());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não foi possível gravar o arquivo"))) << r.err.toStdString();
    EXPECT_EQ(tools::Contents(path), before);
    EXPECT_EQ(tools::Entries(dir.path()), entries);  // no temporary file left
}

INSTANTIATE_TEST_SUITE_P(
    Params, FailedWrite,
    ::testing::Values(
        WriteCase{"size limit, binary file", CopyOf("binary"), "PARAMETROSVEK.CDS", true},
        WriteCase{"size limit, XML file", CopyOf("xml"), "PARAMETROSVEK.CDS", true},
        WriteCase{"size limit, new file", nullptr, "PARAMETROSVEK.CDS", true},
        WriteCase{"parent is a regular file", CopyOf("binary"), "PARAMETROSVEK.CDS/PARAMETROSVEK.CDS", false},
        // The first fsync is the file's, the second the folder's.
        WriteCase{"file sync fails", CopyOf("binary"), "PARAMETROSVEK.CDS", false, "fsync:error=EIO:when=1"},
        WriteCase{"folder sync fails", CopyOf("xml"), "PARAMETROSVEK.CDS", false, "fsync:error=ENOSPC:when=2"},
        WriteCase{"folder sync fails, new file", nullptr, "PARAMETROSVEK.CDS", false, "fsync:error=EIO:when=2"}),
    [](const auto& row) { return CaseName(row.param.what); });

// As the host's own user (nobody here), run by root: what staff are told
// when a permission stands in the way.
struct AsUserCase {
    const char* what;
    mode_t folder;  // the folder's mode; the file in it is root's, 0666
    QStringList args;
    const char* message;
};

TEST(ParamsAsHostUser, PermissionsAreSaidPlainly) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    const AsUserCase rows[] = {
        {"folder it cannot enter", 0700, {"check"}, "sem permissão para entrar na pasta"},
        {"folder it cannot write", 0755, {"set", "12"}, "sem permissão para gravar na pasta"},
        {"a file it does not own",
         0777,
         {"set", "12"},
         "não é possível manter o dono e o grupo do arquivo (root:root)"},
    };
    for (const AsUserCase& row : rows) {
        SCOPED_TRACE(row.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(kFile);
        CopyOf("binary")(path);
        ::chmod(QFile::encodeName(path).constData(), 0666);
        ::chmod(QFile::encodeName(dir.path()).constData(), row.folder);
        const QByteArray before = tools::Contents(path);
        const tools::Run r = Params(QStringList(row.args) << path, {}, [] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        });
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(row.message))) << r.err.toStdString();
        EXPECT_EQ(tools::Contents(path), before);
        EXPECT_EQ(tools::Entries(dir.path()), QStringList{kFile});
    }
}

// A second set on the same file waits for the first instead of writing
// over what it is about to write.
TEST(ParamsLock, ASecondSetWaitsForTheFirst) {
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    CopyOf("binary")(path);
    const int held = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    QProcess set;
    set.setReadChannel(QProcess::StandardError);
    set.start(QStringLiteral(ORV_PARAMS_PATH), {QStringLiteral("set"), QStringLiteral("12"), path});
    ASSERT_TRUE(set.waitForReadyRead(20000));
    EXPECT_TRUE(QString::fromUtf8(set.readAllStandardError()).contains(QStringLiteral("aguardando")));
    EXPECT_EQ(tools::Contents(path), tools::Contents(tools::RecordsetSample("binary")));
    ::close(held);
    ASSERT_TRUE(set.waitForFinished(20000));
    EXPECT_EQ(set.exitCode(), 0);
    EXPECT_EQ(Params({QStringLiteral("check"), path}).FirstLine(), QStringLiteral("limite de 12 %"));
}

// What the file holds reaches the terminal escaped: an escape sequence in
// the limit's text cannot rewrite what check and show print.
TEST(ParamsTerminal, FileTextIsEscaped) {
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    plat::TClientDataSet cds;
    cds.AddField(QStringLiteral("VRMAXDESCONTO"), plat::TFieldType::ftWideString, 30);
    cds.CreateDataSet();
    cds.Append();
    cds.Fields(0)->SetAsString(QStringLiteral("\x1b[2K\rlimite de 10 %\u009b\u202e"));
    cds.Post();
    cds.SaveToFile(path);
    for (const char* command : {"check", "show"}) {
        SCOPED_TRACE(command);
        const tools::Run r = Params({QString::fromLatin1(command), path});
        EXPECT_TRUE(r.out.contains(QStringLiteral("\\x1b[2K\\rlimite de 10 %\\x9b\\u202e"))) << r.out.toStdString();
        for (const QChar c : r.out + r.err)
            EXPECT_TRUE(c == u'\n' || (c >= u' ' && c != u'\x7f' && (c < u'\x80' || c > u'\x9f') && c != u'\u202e'));
    }
}

TEST(ParamsFailedWrite, ReadOnlyFolder) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes in any folder (the size-limit rows fail a write for root)";
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    CopyOf("binary")(path);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const tools::Run r = Params({QStringLiteral("set"), QStringLiteral("12"), path});
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(tools::Contents(path), tools::Contents(tools::RecordsetSample("binary")));
}

TEST(ParamsUsage, NoCommand) {
    const tools::Run r = Params({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("orv-params: falta o comando (show, set ou check)\n")));
}

TEST(ParamsHelp, IsPortuguese) {
    const tools::Run r = Params({QStringLiteral("--help")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Uso: orv-params [opções]"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\nOpções:\n")) && r.out.contains(QStringLiteral("\nArgumentos:\n")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("Usage")) || r.out.contains(QStringLiteral("Displays")));
}

}  // namespace
