// pdv-host end to end: options, scripted keys, the JSON report and exit codes.
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "CaseName.h"
#include "DecimalSeparatorGuard.h"
#include "HostRunner.h"
#include "orv00006/platform/dbclient.h"

namespace {

using hostrun::ExpectOneMessageContaining;
using hostrun::HostRun;
using hostrun::RunHost;
using hostrun::Strings;

// The comma, set on the command line; the locale rows leave it to the locale.
QStringList Comma() {
    return DecimalSeparatorGuard::FromLocale() ? QStringList() : QStringList{"--decimal-separator", ","};
}

// A copy of the host in its own directory, with a parameters file beside it.
class HostCopy {
public:
    explicit HostCopy(double limit) { copy_.WriteLimit(limit); }
    HostRun operator()(const QStringList& args) const { return copy_.Run(args); }

private:
    hostrun::HostCopy copy_;
};

TEST(HostE2E, PlainDiscountWithALimitFileBesideTheHost) {
    HostCopy host(10);
    const HostRun ok =
        host(QStringList{"--kind", "Desconto", "--base", "200", "--applied", "0", "--keys", "2 0 0 0 Enter", "--json"}
             << Comma());
    ASSERT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    const QJsonObject setup = ok.json["setup"].toObject();
    EXPECT_EQ(setup["lblCabec"].toString(), QStringLiteral("Desconto"));
    EXPECT_EQ(setup["display"].toString(), QStringLiteral("0,00"));
    EXPECT_EQ(setup["tipo"].toString(), QStringLiteral("V"));
    const QJsonArray steps = ok.json["steps"].toArray();
    ASSERT_EQ(steps.size(), 5);
    const char* const shown[] = {"0,02", "0,20", "2,00", "20,00"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(steps[i].toObject()["display"].toString(), QString::fromLatin1(shown[i])) << "step " << i;
    EXPECT_FALSE(steps[4].toObject()["open"].toBool());
    const QJsonObject result = ok.json["result"].toObject();
    EXPECT_EQ(result["state"].toString(), QStringLiteral("packet"));
    EXPECT_EQ(result["form"].toString(), QStringLiteral("binary"));
    const QJsonArray fields = result["fields"].toArray();
    ASSERT_EQ(fields.size(), 2);
    EXPECT_EQ(fields[0].toObject()["name"].toString(), QStringLiteral("TIPO"));
    EXPECT_EQ(fields[0].toObject()["type"].toString(), QStringLiteral("string"));
    EXPECT_EQ(fields[0].toObject()["size"].toInt(), 1);
    EXPECT_EQ(fields[1].toObject()["name"].toString(), QStringLiteral("VALOR"));
    EXPECT_EQ(fields[1].toObject()["type"].toString(), QStringLiteral("float"));
    const QJsonArray records = result["records"].toArray();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].toObject()["TIPO"].toString(), QStringLiteral("V"));
    EXPECT_EQ(records[0].toObject()["VALOR"].toDouble(), 20.0);
    EXPECT_FALSE(ok.json["left_open"].toBool());

    const HostRun refused = host(QStringList{"--base", "200", "--keys", "2 0 0 1 Enter", "--json"} << Comma());
    ASSERT_EQ(refused.exitCode, 0);
    EXPECT_EQ(Strings(refused.json["messages"]),
              QStringList{QStringLiteral("Operação bloqueada. Valor de desconto maior que percentual máximo "
                                         "permitido.\r\n\r\nValor restante permitido: $20,00")});
    EXPECT_TRUE(refused.json["left_open"].toBool());
    EXPECT_EQ(refused.json["result"].toObject()["records"].toArray().size(), 0);
}

struct Case {
    const char* what;
    QStringList args;
    const char* state;
    int records;          // -1: not a packet
    const char* message;  // part of the only message, "" = none
    const char* header;   // "" = no dialog
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

std::vector<Case> WholeCallCases() {
    return {
        {"cashback set-up and refusal",
         {"--kind", "DescontoGCOM", "--base", "100", "--applied", "30", "--keys", "3 0 0 1 Enter"},
         "packet",
         0,
         "Valor do desconto maior que percentual máximo permitido.",
         "Desconto CashBack"},
        {"CRM&Bonus title as written",
         {"--kind", "DescontoCRMBONUS", "--applied", "30", "--keys", "Esc"},
         "packet",
         0,
         "",
         "Desconto CRM&&Bonus"},
        {"base that is not a number", {"--base", "abc", "--keys", "Enter"}, "unchanged", -1, "\"abc\"", ""},
        {"typed NaN", {"--param", "2=double:nan", "--keys", "Enter"}, "unchanged", -1, "número válido", ""},
        {"too few elements", {"--high", "2", "--keys", "Enter"}, "unchanged", -1, "elemento 3", ""},
        {"emptied display", {"--keys", "5 Delete Enter"}, "unassigned", -1, "", "Desconto"},
        {"percentage surcharge",
         {"--kind", "Acrescimo", "--keys", "Alt+P 1 2 0 0 Enter"},
         "packet",
         1,
         "",
         "Acréscimo"},
        {"a lower-case letter names its key",
         {"--kind", "Acrescimo", "--keys", "Alt+p 1 2 0 0 Enter"},
         "packet",
         1,
         "",
         "Acréscimo"},
        {"Alt+F4 does not close", {"--keys", "Alt+F4"}, "packet", 0, "", "Desconto"},
        {"kind as a number", {"--param", "1=int:7", "--keys", "Esc"}, "packet", 0, "", "Desconto"},
    };
}

class WholeCall : public ::testing::TestWithParam<Case> {};

TEST_P(WholeCall, WholeCalls) {
    const Case& c = GetParam();
    QStringList args = c.args;
    args << Comma() << "--json";
    const HostRun r = RunHost(args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject result = r.json["result"].toObject();
    EXPECT_EQ(result["state"].toString(), QString::fromLatin1(c.state));
    if (c.records >= 0) {
        EXPECT_EQ(result["records"].toArray().size(), c.records);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectOneMessageContaining(r, c.message));
    if (*c.header) {
        EXPECT_EQ(r.json["setup"].toObject()["lblCabec"].toString(), QString::fromUtf8(c.header));
    } else {
        EXPECT_TRUE(r.json["setup"].isNull());
    }
}

INSTANTIATE_TEST_SUITE_P(HostE2E, WholeCall, ::testing::ValuesIn(WholeCallCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

TEST(HostE2E, PointSeparatorAndPacketFile) {
    QTemporaryDir dir;
    const QString packet = dir.filePath(QStringLiteral("out.cds"));
    const HostRun r = RunHost({"--kind", "TaxaServico", "--applied", "12.5", "--decimal-separator", ".", "--keys",
                               "Enter", "--packet-out", packet, "--json"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.json["setup"].toObject()["display"].toString(), QStringLiteral("12.50"));
    plat::TClientDataSet cds(QStringLiteral("r"));
    cds.LoadFromFile(packet);
    ASSERT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VALOR"))->AsFloat(), 12.5);
}

TEST(HostE2E, Screenshot) {
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("shot.png"));
    const HostRun r = RunHost({"--keys", "1 2", "--screenshot", png});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage image(png);
    EXPECT_EQ(image.size(), QSize(238, 385));
}

TEST(HostE2E, ExitStatus) {
    EXPECT_EQ(RunHost({"--module", "/nonexistent/PKG.so", "--keys", "Esc"}).exitCode, 1);
    EXPECT_EQ(RunHost({"--bogus"}).exitCode, 2);
    EXPECT_EQ(RunHost({"--keys", "Hyper+Q"}).exitCode, 2);
    EXPECT_EQ(RunHost({"--high"}).exitCode, 2);
    const HostRun help = RunHost({"--help"});
    EXPECT_EQ(help.exitCode, 0);
}

class HelpOption : public ::testing::TestWithParam<const char*> {};

TEST_P(HelpOption, HelpNamesEveryOption) {
    const HostRun help = RunHost({"--help"});
    ASSERT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains(QString::fromLatin1(GetParam()))) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(HostE2E, HelpOption,
                         ::testing::Values("--module", "--kind", "--base", "--applied", "--param", "--high",
                                           "--decimal-separator", "--keys", "--json", "--packet-out", "--screenshot"),
                         [](const auto& row) { return CaseName(row.param + 2); });  // without the dashes

}  // namespace
