// Hostile input through pdv-host: every call must end with one clear
// message (or none), the host's variant either untouched or holding a
// proper result, no dialog left running, and a normal exit.
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "CaseName.h"
#include "Expect.h"
#include "HostRunner.h"
#include "ParametersFiles.h"

namespace hardening {
namespace {

using hostrun::HostCopy;
using hostrun::HostRun;

const char* const kRecusa20 =
    "Operação bloqueada. Valor de desconto maior que percentual máximo permitido.\r\n\r\n"
    "Valor restante permitido: $20,00";
// Keys that prove whether the 10 % limit on a base of 200 applies: 20,01 is
// refused, then 2,00 is accepted.
const char* const kProvaLimite = "2 0 0 1 Enter Backspace Enter";
// 50,00 on a base of 200: only accepted without a limit.
const char* const kSemLimite = "5 0 0 0 Enter";
const char* const kArquivo = "cdsParametrosVek: erro ao ler o arquivo '%FILE%': ";

QString FileMessage(const char* motivo) { return QString::fromUtf8(kArquivo) + QString::fromUtf8(motivo); }

struct HostCase {
    const char* what;
    QStringList args{};  // --json and --module are added
    Prepare file = files::Absent;
    QStringList messages{};  // patterns, see MessageMatches
    const char* state = "packet";
    std::vector<Record> records{};
    const char* header = "";  // "" when no dialog may be shown
    const char* lblValor = nullptr;
    const char* display = nullptr;  // what set-up showed
    bool leftOpen = false;
};

std::vector<Record> Records(const QJsonObject& result) {
    std::vector<Record> out;
    for (const auto& v : result[QStringLiteral("records")].toArray()) {
        const QJsonObject o = v.toObject();
        out.push_back({o[QStringLiteral("TIPO")].toString(), o[QStringLiteral("VALOR")].toDouble()});
    }
    return out;
}

QStringList Args(std::initializer_list<const char*> words) {
    QStringList out;
    for (const char* w : words) out << QString::fromUtf8(w);
    return out;
}

void PrintTo(const HostCase& c, std::ostream* os) { *os << c.what; }

std::string HostCaseName(const ::testing::TestParamInfo<HostCase>& row) { return CaseName(row.param.what); }

void Check(const HostCase& c) {
    SCOPED_TRACE(c.what);
    HostCopy host;
    c.file(host.ParametersFile());
    const HostRun r = host.Run(c.args);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_FALSE(r.json.isEmpty()) << r.out.toStdString();

    const QStringList shown = r.Messages();
    ASSERT_EQ(shown.size(), c.messages.size()) << shown.join(QStringLiteral(" | ")).toStdString();
    for (qsizetype i = 0; i < shown.size(); ++i)
        EXPECT_TRUE(MessageMatches(shown[i], c.messages[i], host.ParametersFile()))
            << "shown:    " << shown[i].toStdString() << "\nexpected: " << c.messages[i].toStdString();
    EXPECT_TRUE(r.Errors().isEmpty()) << r.Errors().join(QStringLiteral(" | ")).toStdString();

    const QJsonObject result = r.Result();
    EXPECT_EQ(result[QStringLiteral("state")].toString(), QString::fromLatin1(c.state));
    if (QLatin1String(c.state) == QLatin1String("packet")) {
        EXPECT_FALSE(result.contains(QStringLiteral("error")))
            << result[QStringLiteral("error")].toString().toStdString();
        const std::vector<Record> got = Records(result);
        EXPECT_EQ(got, c.records);
    }
    EXPECT_EQ(r.LeftOpen(), c.leftOpen);

    if (*c.header) {
        ASSERT_TRUE(r.SetupSeen());
        EXPECT_EQ(r.Setup()[QStringLiteral("lblCabec")].toString(), QString::fromUtf8(c.header));
        if (c.lblValor) {
            EXPECT_EQ(r.Setup()[QStringLiteral("lblValor")].toString(), QString::fromUtf8(c.lblValor));
        }
        if (c.display) {
            EXPECT_EQ(r.Setup()[QStringLiteral("display")].toString(), QString::fromUtf8(c.display));
        }
    } else {
        EXPECT_FALSE(r.SetupSeen()) << "a failed call showed its dialog";
    }
}

// Elements of the call parameters.
std::vector<HostCase> CallParameterCases() {
    const QString e2 = QStringLiteral("O valor base (elemento 2) informado não é um número válido: %1.");
    const QString e3 = QStringLiteral("O valor já aplicado (elemento 3) informado não é um número válido: %1.");
    const QString faltam = QStringLiteral("Chamada de desconto inválida: faltam parâmetros (%1).");
    const QString neg2 = QStringLiteral("O valor base (elemento 2) informado não pode ser negativo: %1.");
    const QString neg3 = QStringLiteral("O valor já aplicado (elemento 3) informado não pode ser negativo: %1.");
    return {
        // Too few elements: nothing is shown, the variant stays as it was.
        {.what = "highest index 0",
         .args = Args({"--high", "0"}),
         .messages = {faltam.arg(QStringLiteral("o tipo de ajuste (elemento 1), o valor base (elemento 2), "
                                                "o valor já aplicado (elemento 3)"))},
         .state = "unchanged"},
        {.what = "highest index 1",
         .args = Args({"--high", "1"}),
         .messages = {faltam.arg(QStringLiteral("o valor base (elemento 2), o valor já aplicado (elemento 3)"))},
         .state = "unchanged"},
        {.what = "highest index 2",
         .args = Args({"--high", "2"}),
         .messages = {faltam.arg(QStringLiteral("o valor já aplicado (elemento 3)"))},
         .state = "unchanged"},
        {.what = "highest index -1",
         .args = Args({"--high", "-1"}),
         .messages = {faltam.arg(
             QStringLiteral("o elemento 0, o tipo de ajuste (elemento 1), o valor base (elemento 2), "
                            "o valor já aplicado (elemento 3)"))},
         .state = "unchanged"},

        // Element 1 that is no kind key: a plain discount, its limit applies.
        {.what = "kind as a number",
         .args = Args({"--param", "1=int:5", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind null",
         .args = Args({"--param", "1=null", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind empty text",
         .args = Args({"--param", "1=text:", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind unassigned",
         .args = Args({"--param", "1=empty", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind boolean",
         .args = Args({"--param", "1=bool:true", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        // Keys are compared exactly: another letter case or blanks are not
        // the surcharge.
        {.what = "kind in lower case",
         .args = Args({"--kind", "acrescimo", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind in upper case",
         .args = Args({"--kind", "DESCONTOGCOM", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "kind with blanks",
         .args = Args({"--param", "1=text: Acrescimo ", "--base", "200", "--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},

        // Amounts as text follow the decimal separator.
        {.what = "base '150,5' under comma",
         .args = Args({"--kind", "DescontoFidelidade", "--param", "2=text:150,5", "--decimal-separator", ",", "--keys",
                       "1 Enter"}),
         .records = {{"V", 0.01}},
         .header = "Desconto Fidelidade",
         .lblValor = "Valor Máximo: R$ 150,50"},
        {.what = "base '150.5' under point",
         .args = Args({"--kind", "DescontoFidelidade", "--param", "2=text:150.5", "--decimal-separator", ".", "--keys",
                       "1 Enter"}),
         .records = {{"V", 0.01}},
         .header = "Desconto Fidelidade",
         .lblValor = "Valor Máximo: R$ 150.50"},
        {.what = "base '150.5' under comma",
         .args = Args({"--param", "2=text:150.5", "--decimal-separator", ",", "--keys", "Enter"}),
         .messages = {e2.arg(QStringLiteral("\"150.5\""))},
         .state = "unchanged"},
        {.what = "base '150,5' under point",
         .args = Args({"--param", "2=text:150,5", "--decimal-separator", ".", "--keys", "Enter"}),
         .messages = {e2.arg(QStringLiteral("\"150,5\""))},
         .state = "unchanged"},
        {.what = "applied '12,5' under comma",
         .args = Args({"--param", "3=text:12,5", "--decimal-separator", ",", "--keys", "Enter"}),
         .records = {{"V", 12.5}},
         .header = "Desconto",
         .display = "12,50"},
        {.what = "applied '12.5' under point",
         .args = Args({"--param", "3=text:12.5", "--decimal-separator", ".", "--keys", "Enter"}),
         .records = {{"V", 12.5}},
         .header = "Desconto",
         .display = "12.50"},
        {.what = "applied '12.5' under comma",
         .args = Args({"--param", "3=text:12.5", "--decimal-separator", ",", "--keys", "Enter"}),
         .messages = {e3.arg(QStringLiteral("\"12.5\""))},
         .state = "unchanged"},
        {.what = "applied '12,5' under point",
         .args = Args({"--param", "3=text:12,5", "--decimal-separator", ".", "--keys", "Enter"}),
         .messages = {e3.arg(QStringLiteral("\"12,5\""))},
         .state = "unchanged"},
        {.what = "base 'abc'",
         .args = Args({"--param", "2=text:abc"}),
         .messages = {e2.arg(QStringLiteral("\"abc\""))},
         .state = "unchanged"},

        // Values that are no number at all.
        {.what = "base null",
         .args = Args({"--param", "2=null"}),
         .messages = {e2.arg(QStringLiteral("nulo (Null)"))},
         .state = "unchanged"},
        {.what = "applied null",
         .args = Args({"--param", "3=null"}),
         .messages = {e3.arg(QStringLiteral("nulo (Null)"))},
         .state = "unchanged"},
        {.what = "base empty text",
         .args = Args({"--param", "2=text:"}),
         .messages = {e2.arg(QStringLiteral("\"\""))},
         .state = "unchanged"},
        {.what = "applied empty text",
         .args = Args({"--param", "3=text:"}),
         .messages = {e3.arg(QStringLiteral("\"\""))},
         .state = "unchanged"},
        {.what = "base boolean",
         .args = Args({"--param", "2=bool:true"}),
         .messages = {e2.arg(QStringLiteral("lógico (True)"))},
         .state = "unchanged"},
        {.what = "applied boolean",
         .args = Args({"--param", "3=bool:false"}),
         .messages = {e3.arg(QStringLiteral("lógico (False)"))},
         .state = "unchanged"},
        {.what = "base NaN",
         .args = Args({"--param", "2=double:nan"}),
         .messages = {e2.arg(QStringLiteral("NAN"))},
         .state = "unchanged"},
        {.what = "applied NaN",
         .args = Args({"--param", "3=double:nan"}),
         .messages = {e3.arg(QStringLiteral("NAN"))},
         .state = "unchanged"},
        {.what = "base +infinity",
         .args = Args({"--param", "2=double:inf"}),
         .messages = {e2.arg(QStringLiteral("INF"))},
         .state = "unchanged"},
        {.what = "applied +infinity",
         .args = Args({"--param", "3=double:inf"}),
         .messages = {e3.arg(QStringLiteral("INF"))},
         .state = "unchanged"},
        {.what = "base -infinity",
         .args = Args({"--param", "2=double:-inf"}),
         .messages = {e2.arg(QStringLiteral("-INF"))},
         .state = "unchanged"},
        {.what = "applied -infinity",
         .args = Args({"--param", "3=double:-inf"}),
         .messages = {e3.arg(QStringLiteral("-INF"))},
         .state = "unchanged"},
        {.what = "elements past 3 are not read",
         .args = Args({"--high", "6", "--param", "5=null", "--keys", "5 Enter"}),
         .records = {{"V", 0.05}},
         .header = "Desconto"},

        // An element that is present but unassigned counts as 0.
        {.what = "base unassigned",
         .args = Args({"--kind", "DescontoFidelidade", "--param", "2=empty", "--keys", "1 Enter Esc"}),
         .messages = {QStringLiteral("Operação bloqueada. Valor de desconto maior que o saldo do consumidor. "
                                     "Valor máximo permitido: R$ 0,00")},
         .records = {},
         .header = "Desconto Fidelidade",
         .lblValor = "Valor Máximo: R$ 0,00"},
        {.what = "applied unassigned",
         .args = Args({"--param", "3=empty", "--keys", "Enter"}),
         .records = {{"V", 0}},
         .header = "Desconto",
         .display = "0,00"},

        // Negative, zero, huge and tiny amounts run the rules as written: a
        // plain discount is limited only on a positive base.
        // A negative amount would widen a limit instead of enforcing it.
        {.what = "base negative",
         .args = Args({"--param", "2=double:-200", "--keys", kSemLimite}),
         .file = files::Limit(10),
         .messages = {neg2.arg(QStringLiteral("-200"))},
         .state = "unchanged"},
        {.what = "base zero",
         .args = Args({"--param", "2=double:0", "--keys", kSemLimite}),
         .file = files::Limit(10),
         .records = {{"V", 50}},
         .header = "Desconto"},
        {.what = "base 1e300",
         .args = Args({"--param", "2=double:1e300", "--keys", "9 9 9 9 9 9 9 9 9 9 9 9 Enter"}),
         .file = files::Limit(10),
         .records = {{"V", 9999999999.99}},
         .header = "Desconto"},
        {.what = "base 1e-300: the limit is 0,00",
         .args = Args({"--param", "2=double:1e-300", "--keys", "1 Enter Delete Enter"}),
         .file = files::Limit(10),
         .messages = {QStringLiteral(
             "Operação bloqueada. Valor de desconto maior que percentual máximo permitido.\r\n\r\n"
             "Valor restante permitido: $0,00")},
         .state = "unassigned",
         .header = "Desconto"},
        {.what = "applied negative",
         .args = Args({"--param", "3=double:-5", "--keys", "Enter"}),
         .messages = {neg3.arg(QStringLiteral("-5"))},
         .state = "unchanged"},
        {.what = "applied negative with a 10 % limit",
         .args = Args({"--param", "3=double:-0.01", "--keys", "9 9 9 Enter"}),
         .file = files::Limit(10),
         .messages = {neg3.arg(QStringLiteral("-0,01"))},
         .state = "unchanged"},
        {.what = "cashback maximum negative",
         .args = Args({"--kind", "DescontoGCOM", "--param", "3=double:-5", "--keys", "Enter Esc"}),
         .messages = {neg3.arg(QStringLiteral("-5"))},
         .state = "unchanged"},
        {.what = "huge text base is quoted cut short",
         .args = QStringList{QStringLiteral("--param"), QStringLiteral("2=text:") + QString(100000, QLatin1Char('x'))},
         .messages = {e2.arg(QStringLiteral("\"%1\u2026\"").arg(QString(60, QLatin1Char('x'))))},
         .state = "unchanged"},
        {.what = "applied zero",
         .args = Args({"--param", "3=double:0", "--keys", "Enter"}),
         .records = {{"V", 0}},
         .header = "Desconto",
         .display = "0,00"},
        {.what = "applied 1e300",
         .args = Args({"--param", "3=double:1e300", "--keys", "Enter"}),
         .records = {{"V", 1e300}},
         .header = "Desconto",
         .display = "1E300"},
        {.what = "applied 1e-300",
         .args = Args({"--param", "3=double:1e-300", "--keys", "Enter"}),
         .records = {{"V", 0}},
         .header = "Desconto",
         .display = "0,00"},
        {.what = "loyalty balance 1e300",
         .args = Args(
             {"--kind", "DescontoFidelidade", "--param", "2=double:1e300", "--keys", "9 9 9 9 9 9 9 9 9 9 9 9 Enter"}),
         .records = {{"V", 9999999999.99}},
         .header = "Desconto Fidelidade",
         .lblValor = "Valor Máximo: R$ 1E300"},
    };
}

class CallParameters : public ::testing::TestWithParam<HostCase> {};

TEST_P(CallParameters, EndsAsDescribed) {
    HostCase c = GetParam();
    if (!c.args.contains(QStringLiteral("--decimal-separator")))
        c.args << QStringLiteral("--decimal-separator") << QStringLiteral(",");
    if (!c.args.contains(QStringLiteral("--keys"))) c.args << QStringLiteral("--keys") << QStringLiteral("Enter");
    Check(c);
}

INSTANTIATE_TEST_SUITE_P(HardeningHost, CallParameters, ::testing::ValuesIn(CallParameterCases()), HostCaseName);

// The parameters file beside the host program.
std::vector<HostCase> ParametersFileCases() {
    return {
        {.what = "absent: no limit",
         .args = Args({"--keys", kSemLimite}),
         .file = files::Absent,
         .records = {{"V", 50}},
         .header = "Desconto"},
        {.what = "valid: limit 10",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::Limit(10),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "empty (0 bytes)",
         .file = files::Empty,
         .messages = {FileMessage("arquivo vazio")},
         .state = "unchanged"},
        {.what = "cut after 1 byte",
         .file = files::Truncated(1),
         .messages = {FileMessage("arquivo truncado*")},
         .state = "unchanged"},
        {.what = "cut inside the header",
         .file = files::Truncated(20),
         .messages = {FileMessage("arquivo truncado*")},
         .state = "unchanged"},
        {.what = "cut inside the field list",
         .file = files::Truncated(80),
         .messages = {FileMessage("arquivo truncado*")},
         .state = "unchanged"},
        {.what = "cut one byte short",
         .file = files::Truncated(125),
         .messages = {FileMessage("arquivo truncado*")},
         .state = "unchanged"},
        {.what = "no records: no limit",
         .args = Args({"--keys", kSemLimite}),
         .file = files::NoRecords,
         .records = {{"V", 50}},
         .header = "Desconto"},
        {.what = "limit NULL: no limit",
         .args = Args({"--keys", kSemLimite}),
         .file = files::NullLimit,
         .records = {{"V", 50}},
         .header = "Desconto"},
        {.what = "limit as an integer",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::IntegerLimit,
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "limit as text '10'",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::TextLimit("10"),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "limit as text 'abc'",
         .file = files::TextLimit("abc"),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não contém um número válido: \"abc\"")},
         .state = "unchanged"},
        {.what = "limit as empty text",
         .file = files::TextLimit(""),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não contém um número válido: \"\"")},
         .state = "unchanged"},
        {.what = "limit NaN",
         .file = files::XmlValue("NaN"),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não contém um número válido: NAN")},
         .state = "unchanged"},
        {.what = "limit in XML: 10",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::XmlValue("10"),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "without the field",
         .file = files::WithoutField,
         .messages = {FileMessage("campo 'VRMAXDESCONTO' não encontrado")},
         .state = "unchanged"},
        {.what = "a folder by that name",
         .file = files::Folder,
         .messages = {FileMessage("é uma pasta, não um arquivo")},
         .state = "unchanged"},
        {.what = "XML that is no data packet",
         .file = files::ForeignXml,
         .messages = {FileMessage("arquivo XML inválido: não é um pacote de dados*")},
         .state = "unchanged"},
        // The reader's own words for the XML fault follow; what matters
        // here is which file and where.
        {.what = "XML packet with mismatched tags",
         .file = files::MalformedXml,
         .messages = {FileMessage("arquivo XML inválido: * (linha 1, coluna *)")},
         .state = "unchanged"},
        // Far larger than any parameters file: refused by size, unread.
        {.what = "50 MiB of no packet",
         .file = files::Huge,
         .messages = {FileMessage("arquivo grande demais (52428800 bytes; o máximo é 262144)")},
         .state = "unchanged"},
        {.what = "50 MiB valid XML packet",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::HugeValidXml,
         .messages = {FileMessage("arquivo grande demais (*; o máximo é 262144)")},
         .state = "unchanged"},
        {.what = "exactly the largest size read",
         .args = Args({"--keys", kProvaLimite}),
         .file = files::XmlOfSize(files::kMaxParametros),
         .messages = {kRecusa20},
         .records = {{"V", 2}},
         .header = "Desconto"},
        {.what = "one byte over the largest size",
         .file = files::XmlOfSize(files::kMaxParametros + 1),
         .messages = {FileMessage("arquivo grande demais (262145 bytes; o máximo é 262144)")},
         .state = "unchanged"},
        // A complete packet ends with its last record.
        {.what = "valid packet, then zeros",
         .file = files::Trailing(QByteArray(4096, '\0')),
         .messages = {FileMessage("arquivo corrompido: 4096 bytes a mais depois do último registro")},
         .state = "unchanged"},
        {.what = "valid packet, then one byte",
         .file = files::Trailing("x"),
         .messages = {FileMessage("arquivo corrompido: 1 bytes a mais depois do último registro")},
         .state = "unchanged"},
        // A negative maximum stops the call like a NaN: it must not lift the limit.
        {.what = "limit -1",
         .file = files::XmlValue("-1"),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não pode ser negativo: -1")},
         .state = "unchanged"},
        {.what = "limit -100",
         .file = files::XmlValue("-100"),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não pode ser negativo: -100")},
         .state = "unchanged"},
        {.what = "limit 0: no limit",
         .args = Args({"--keys", kSemLimite}),
         .file = files::XmlValue("0"),
         .records = {{"V", 50}},
         .header = "Desconto"},
        {.what = "60 KB of text as the limit is quoted cut short",
         .file = files::XmlText(QByteArray(60000, 'a')),
         .messages = {FileMessage("o campo 'VRMAXDESCONTO' não contém um número válido: \"") +
                      QString(60, QLatin1Char('a')) + QStringLiteral("\u2026\"")},
         .state = "unchanged"},
        // Every kind reads the file, so a broken one stops them all.
        {.what = "broken file, surcharge",
         .args = Args({"--kind", "Acrescimo"}),
         .file = files::Empty,
         .messages = {FileMessage("arquivo vazio")},
         .state = "unchanged"},
    };
}

class ParametersFile : public ::testing::TestWithParam<HostCase> {};

TEST_P(ParametersFile, EndsAsDescribed) {
    HostCase c = GetParam();
    c.args << QStringLiteral("--base") << QStringLiteral("200") << QStringLiteral("--decimal-separator")
           << QStringLiteral(",");
    if (!c.args.contains(QStringLiteral("--keys"))) c.args << QStringLiteral("--keys") << QStringLiteral("Enter");
    Check(c);
}

INSTANTIATE_TEST_SUITE_P(HardeningHost, ParametersFile, ::testing::ValuesIn(ParametersFileCases()), HostCaseName);

TEST(HardeningHost, UnreadableParametersFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    Check({.what = "no read permission",
           .args = Args({"--decimal-separator", ",", "--keys", "Enter"}),
           .file = files::Unreadable,
           .messages = {FileMessage("sem permissão de leitura")},
           .state = "unchanged"});
}

// A separator that cannot separate would turn 123,45 into 123545.
struct SeparatorCase {
    const char* name;
    const char* sep;
};

void PrintTo(const SeparatorCase& c, std::ostream* os) { *os << c.name; }

class UnusableSeparator : public ::testing::TestWithParam<SeparatorCase> {};

TEST_P(UnusableSeparator, UnusableDecimalSeparatorIsRefused) {
    const char* sep = GetParam().sep;
    HostCopy host;
    const HostRun r = host.Run(Args({"--decimal-separator", sep, "--keys", "1 2 3 4 5 Enter"}));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("não serve de separador decimal"))) << r.err.toStdString();
    EXPECT_FALSE(r.SetupSeen());
}

INSTANTIATE_TEST_SUITE_P(HardeningHost, UnusableSeparator,
                         ::testing::Values(SeparatorCase{"digit_5", "5"}, SeparatorCase{"digit_0", "0"},
                                           SeparatorCase{"tab", "\t"}, SeparatorCase{"control_1", "\x01"}),
                         [](const auto& row) { return std::string(row.param.name); });

// What the operator types.
std::vector<HostCase> TypingCases() {
    return {
        {.what = "14 digits: the 13th and 14th are swallowed",
         .args = Args({"--kind", "Acrescimo", "--keys", "1 2 3 4 5 6 7 8 9 0 1 2 3 4 Enter"}),
         .records = {{"V", 1234567890.12}},
         .header = "Acréscimo"},
        {.what = "13 digits, then a correction",
         .args = Args({"--kind", "Acrescimo", "--keys", "9 9 9 9 9 9 9 9 9 9 9 9 1 Backspace Enter"}),
         .records = {{"V", 999999999.99}},
         .header = "Acréscimo"},
        {.what = "Enter twice",
         .args = Args({"--keys", "5 Enter Enter"}),
         .records = {{"V", 0.05}},
         .header = "Desconto"},
        {.what = "Esc then Enter", .args = Args({"--keys", "5 Esc Enter"}), .records = {}, .header = "Desconto"},
        {.what = "keys after a refusal",
         .args = Args({"--base", "200", "--keys", "2 0 0 1 Enter 9 Enter Delete 1 Enter"}),
         .file = files::Limit(10),
         .messages = {kRecusa20, kRecusa20},
         .records = {{"V", 0.01}},
         .header = "Desconto"},
        {.what = "letters, punctuation and function keys type nothing",
         .args = Args({"--kind", "Acrescimo", "--keys", "A , . F1 Shift+Z Ctrl+5 4 Enter"}),
         .records = {{"V", 0.04}},
         .header = "Acréscimo"},
        {.what = "left open: the host cancels",
         .args = Args({"--keys", "1 2"}),
         .records = {},
         .header = "Desconto",
         .leftOpen = true},
    };
}

class Typing : public ::testing::TestWithParam<HostCase> {};

TEST_P(Typing, EndsAsDescribed) {
    HostCase c = GetParam();
    c.args << QStringLiteral("--decimal-separator") << QStringLiteral(",");
    Check(c);
}

INSTANTIATE_TEST_SUITE_P(HardeningHost, Typing, ::testing::ValuesIn(TypingCases()), HostCaseName);

}  // namespace
}  // namespace hardening
