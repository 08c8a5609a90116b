// orv-params: the parameters file PARAMETROSVEK.CDS for store staff. Verbs
// and options are English like most command-line tools; everything it says
// is Portuguese, Qt's own command-line texts included.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTextStream>
#include <QTranslator>

#include <cstdio>
#include <cstring>

#include "Comandos.h"
#include "Terminal.h"
#include "orv00006/platform/sysutils.h"
#include "orv00006_version.h"

namespace {

// Qt's command-line parser in Portuguese.
class ParserEmPortugues : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* texto, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (std::strcmp(context, "QCommandLineParser") != 0) return {};
        static const char* const kTextos[][2] = {
            {"Displays help on commandline options.", "Mostra esta ajuda."},
            {"Displays help including Qt specific options.", "Mostra esta ajuda, com as opções do Qt."},
            {"Displays version information.", "Mostra a versão."},
            {"Unknown option '%1'.", "Opção desconhecida: '%1'."},
            {"Unknown options: %1.", "Opções desconhecidas: %1."},
            {"Missing value after '%1'.", "Falta o valor depois de '%1'."},
            {"Unexpected value after '%1'.", "Valor inesperado depois de '%1'."},
            {"[options]", "[opções]"},
            {"Usage: %1", "Uso: %1"},
            {"Options:", "Opções:"},
            {"Arguments:", "Argumentos:"},
        };
        for (const auto& t : kTextos)
            if (std::strcmp(texto, t[0]) == 0) return QString::fromUtf8(t[1]);
        return {};
    }
};

const char* const kDescricao =
    "\n"
    "Consulta e grava o arquivo de parâmetros PARAMETROSVEK.CDS, de onde a tela de\n"
    "desconto (módulo ORV00006) tira o percentual máximo do desconto comum (campo\n"
    "VRMAXDESCONTO), lendo-o como o próprio módulo lê.\n"
    "\n"
    "Comandos:\n"
    "  show ARQUIVO             mostra o limite que o módulo vai usar, a forma do\n"
    "                           arquivo (binário, XML, XML UTF-8) e os campos do\n"
    "                           primeiro registro\n"
    "  set PERCENTUAL ARQUIVO   grava o limite (10, 12.5 ou 12,5; de 0 a 100, com\n"
    "                           até duas casas decimais; 0 é sem limite); um\n"
    "                           arquivo novo ganha um registro com\n"
    "                           VRMAXDESCONTO; um existente mantém a forma, os outros\n"
    "                           campos e registros, e muda só VRMAXDESCONTO do\n"
    "                           primeiro registro\n"
    "  check ARQUIVO            diz o que uma chamada do módulo faria com o arquivo:\n"
    "                           \"limite de N %\", \"sem limite\" ou a mensagem que o\n"
    "                           operador veria, e por quê";

const char* const kRodape =
    "\n"
    "Em vez de ARQUIVO, --host PROGRAMA usa o PARAMETROSVEK.CDS que o módulo procura\n"
    "na pasta do programa anfitrião: a do arquivo real do programa, seguindo links\n"
    "(um nome sem barra é procurado no PATH); para um script, a do seu\n"
    "interpretador, como o sistema o executa.\n"
    "\n"
    "A gravação é atômica: um arquivo temporário na mesma pasta, gravado no disco e\n"
    "depois posto no lugar do anterior, com o mesmo dono, grupo e permissões; se\n"
    "algo falha (inclusive a confirmação do disco), o arquivo anterior fica intacto e\n"
    "nenhum temporário fica para trás. Só um arquivo comum, ou um link para um, é\n"
    "substituído; por um link, grava-se o arquivo para onde ele aponta. Duas\n"
    "gravações ao mesmo tempo não se atropelam: a segunda espera a primeira\n"
    "terminar (até 10 s). Um pedido recusado não altera nada.\n"
    "\n"
    "O texto tirado do arquivo aparece com os caracteres de controle escapados\n"
    "(\\x1b, \\u202e), para que o terminal mostre o que o arquivo contém.\n"
    "\n"
    "Situação de saída: 0 se deu certo (em check: o módulo funciona com o arquivo);\n"
    "1 se foi recusado ou falhou (em check: a tela de desconto não abriria); 2 se a\n"
    "linha de comando está errada.\n";

// QCommandLineParser takes "-5" for an option; a negative percentage must
// reach set and be refused for what it is.
bool PareceNegativo(const QString& a) {
    static const QRegularExpression re(QStringLiteral("^-([0-9.,]|inf|infinity|infinito|∞|nan)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(a).hasMatch();
}
const QChar kMarca(0x1);

int Uso(QTextStream& err, const QString& texto) {
    err << QStringLiteral("orv-params: %1\nUse orv-params --help para ver os comandos.\n")
               .arg(orvtools::ForTerminal(texto));
    return orvparams::kUso;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orv-params"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
    ParserEmPortugues traducao;
    QCoreApplication::installTranslator(&traducao);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescricao));
    const QCommandLineOption ajuda = parser.addHelpOption();
    const QCommandLineOption versao = parser.addVersionOption();
    const QCommandLineOption xml(QStringLiteral("xml"), QStringLiteral("set: um arquivo novo em XML."));
    const QCommandLineOption xmlUtf8(QStringLiteral("xml-utf8"), QStringLiteral("set: um arquivo novo em XML UTF-8."));
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("O arquivo de parâmetros do programa anfitrião PROGRAMA, no lugar "
                                                 "de ARQUIVO."),
                                  QStringLiteral("PROGRAMA"));
    const QCommandLineOption separador(
        QStringLiteral("decimal-separator"),
        QStringLiteral("O separador decimal do programa anfitrião, se ele define um (como o --decimal-separator do "
                       "pdv-host); vale para números guardados como texto e para as mensagens. Sem ele, o "
                       "separador do ambiente (LC_NUMERIC)."),
        QStringLiteral("C"));
    parser.addOptions({xml, xmlUtf8, host, separador});
    parser.addPositionalArgument(QStringLiteral("comando"), QStringLiteral("show, set ou check."));
    parser.addPositionalArgument(QStringLiteral("PERCENTUAL"), QStringLiteral("set: o limite, de 0 a 100."),
                                 QStringLiteral("[PERCENTUAL]"));
    parser.addPositionalArgument(QStringLiteral("ARQUIVO"), QStringLiteral("O arquivo de parâmetros."),
                                 QStringLiteral("[ARQUIVO]"));

    QStringList args = app.arguments();
    QStringList negativos;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--")) break;
        if (PareceNegativo(args[i])) {
            negativos << args[i];
            args[i] = kMarca + QString::number(negativos.size() - 1);
        }
    }
    if (!parser.parse(args)) return Uso(err, parser.errorText());
    if (parser.isSet(ajuda) || parser.isSet(QStringLiteral("help-all"))) {
        // The parser names the program as it was invoked; the manual page
        // wants its name.
        QString texto = parser.helpText();
        const QString uso = QStringLiteral("Uso: ") + args.constFirst();
        if (texto.startsWith(uso)) texto.replace(0, uso.size(), QStringLiteral("Uso: orv-params"));
        out << texto << QString::fromUtf8(kRodape);
        return orvparams::kOk;
    }
    if (parser.isSet(versao)) {
        out << QStringLiteral("orv-params %1\n").arg(QCoreApplication::applicationVersion());
        return orvparams::kOk;
    }
    QStringList pos = parser.positionalArguments();
    for (QString& p : pos)
        if (p.startsWith(kMarca)) p = negativos.value(p.mid(1).toInt());

    if (parser.isSet(separador)) {
        const QString s = parser.value(separador);
        if (s.size() != 1 || !plat::SetDecimalSeparator(s.front()))
            return Uso(err, QStringLiteral("'%1' não serve de separador decimal").arg(s));
    }
    if (pos.isEmpty()) return Uso(err, QStringLiteral("falta o comando (show, set ou check)"));
    const QString comando = pos.takeFirst();
    const bool isSet = comando == QLatin1String("set");
    if (!isSet && comando != QLatin1String("show") && comando != QLatin1String("check"))
        return Uso(err, QStringLiteral("comando desconhecido: '%1' (use show, set ou check)").arg(comando));

    QString percentual;
    if (isSet) {
        if (pos.isEmpty()) return Uso(err, QStringLiteral("set: falta o PERCENTUAL"));
        percentual = pos.takeFirst();
    } else if (parser.isSet(xml) || parser.isSet(xmlUtf8)) {
        return Uso(err, QStringLiteral("--xml e --xml-utf8 só valem para set"));
    }
    if (parser.isSet(xml) && parser.isSet(xmlUtf8)) return Uso(err, QStringLiteral("escolha --xml ou --xml-utf8"));

    QString arquivo;
    if (parser.isSet(host)) {
        if (!pos.isEmpty()) return Uso(err, QStringLiteral("use ARQUIVO ou --host PROGRAMA, não os dois"));
        if (parser.value(host).isEmpty()) return Uso(err, QStringLiteral("--host: o PROGRAMA está vazio"));
        QString erro;
        if (!orvparams::ArquivoDoPrograma(parser.value(host), arquivo, erro)) {
            err << QStringLiteral("orv-params: %1\n").arg(orvtools::ForTerminal(erro));
            return orvparams::kFalha;
        }
    } else {
        if (pos.isEmpty()) return Uso(err, QStringLiteral("%1: falta o ARQUIVO (ou --host PROGRAMA)").arg(comando));
        arquivo = pos.takeFirst();
        // An empty name would stand for the current folder, or for no file.
        if (arquivo.isEmpty()) return Uso(err, QStringLiteral("%1: o ARQUIVO está vazio").arg(comando));
    }
    if (!pos.isEmpty()) return Uso(err, QStringLiteral("argumento a mais: '%1'").arg(pos.front()));

    const orvparams::Saida saida{out, err};
    if (comando == QLatin1String("show")) return orvparams::Mostra(arquivo, saida);
    if (comando == QLatin1String("check")) return orvparams::Verifica(arquivo, saida);
    std::optional<plat::TDataPacketFormat> forma;
    if (parser.isSet(xml)) forma = plat::TDataPacketFormat::dfXML;
    if (parser.isSet(xmlUtf8)) forma = plat::TDataPacketFormat::dfXMLUTF8;
    return orvparams::Grava(percentual, forma, arquivo, saida);
}
