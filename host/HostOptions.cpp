#include "HostOptions.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>
#include <string>

namespace {

// A number as a C program writes it, else the text itself.
plat::Variant NumberOrText(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    double value = 0;
    if (!s.empty()) {
        const char* begin = s.data();
        if (*begin == '+') ++begin;
        const auto [ptr, ec] = std::from_chars(begin, s.data() + s.size(), value);
        if (ec == std::errc() && ptr == s.data() + s.size()) return plat::Variant(value);
    }
    return plat::Variant(text);
}

QString TypedParam(const QString& option, int& index, plat::Variant& value) {
    static const QRegularExpression re(QStringLiteral("^(\\d+)=(text|double|int|bool|null|empty)(?::(.*))?$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const auto m = re.match(option);
    if (!m.hasMatch()) return QStringLiteral("--param espera I=TIPO:VALOR, recebido '%1'").arg(option);
    bool ok = false;
    index = m.captured(1).toInt(&ok);
    if (!ok || index > 64) return QStringLiteral("--param: índice inválido em '%1'").arg(option);
    const QString type = m.captured(2);
    const QString raw = m.captured(3);
    if (type == QLatin1String("text")) {
        value = plat::Variant(raw);
    } else if (type == QLatin1String("double")) {
        const std::string s = raw.trimmed().toStdString();
        double d = 0;
        const QString lower = raw.trimmed().toLower();
        if (lower == QLatin1String("nan")) d = std::nan("");
        else if (lower == QLatin1String("inf") || lower == QLatin1String("+inf")) d = HUGE_VAL;
        else if (lower == QLatin1String("-inf")) d = -HUGE_VAL;
        else {
            const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
            if (s.empty() || ec != std::errc() || ptr != s.data() + s.size())
                return QStringLiteral("--param: '%1' não é um double").arg(raw);
        }
        value = plat::Variant(d);
    } else if (type == QLatin1String("int")) {
        const qlonglong n = raw.trimmed().toLongLong(&ok);
        if (!ok) return QStringLiteral("--param: '%1' não é um inteiro").arg(raw);
        value = plat::Variant(static_cast<std::int64_t>(n));
    } else if (type == QLatin1String("bool")) {
        const QString b = raw.trimmed().toLower();
        if (b != QLatin1String("true") && b != QLatin1String("false"))
            return QStringLiteral("--param: '%1' não é true nem false").arg(raw);
        value = plat::Variant(b == QLatin1String("true"));
    } else if (type == QLatin1String("null")) {
        value = plat::Variant::Null();
    } else {
        value = plat::Variant();
    }
    return {};
}

}  // namespace

bool IsKnownToken(const QString& token) {
    static const QRegularExpression re(QStringLiteral(
        "^(?:click:[A-Za-z0-9_]+(?:@\\d+,\\d+)?|(?:(?:Alt|Shift|Ctrl)\\+)*(?:[0-9A-Z.,]|KP[0-9]|Enter|Esc|Backspace|Delete|F[1-9]|F1[0-2]))$"));
    return re.match(token).hasMatch();
}

QString ParseHostOptions(const QStringList& args, HostOptions& out) {
    QString kind = QStringLiteral("Desconto");
    QString base = QStringLiteral("0");
    QString applied = QStringLiteral("0");
    std::vector<std::pair<int, plat::Variant>> typed;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const auto value = [&](QString& into) -> QString {
            if (i + 1 >= args.size()) return QStringLiteral("%1 precisa de um valor").arg(a);
            into = args[++i];
            return {};
        };
        QString v;
        QString err;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out.help = true;
        } else if (a == QLatin1String("--version")) {
            out.version = true;
        } else if (a == QLatin1String("--json")) {
            out.json = true;
        } else if (a == QLatin1String("--timing")) {
            out.timing = true;
        } else if (a == QLatin1String("--module")) {
            err = value(out.module);
        } else if (a == QLatin1String("--kind")) {
            err = value(kind);
        } else if (a == QLatin1String("--base")) {
            err = value(base);
        } else if (a == QLatin1String("--applied")) {
            err = value(applied);
        } else if (a == QLatin1String("--param")) {
            if ((err = value(v)).isEmpty()) {
                int index = 0;
                plat::Variant pv;
                err = TypedParam(v, index, pv);
                if (err.isEmpty()) typed.emplace_back(index, pv);
            }
        } else if (a == QLatin1String("--high")) {
            if ((err = value(v)).isEmpty()) {
                bool ok = false;
                out.high = v.toInt(&ok);
                if (!ok || out.high < -1 || out.high > 64) err = QStringLiteral("--high espera um número de -1 a 64");
            }
        } else if (a == QLatin1String("--decimal-separator")) {
            if ((err = value(v)).isEmpty()) {
                if (v.size() != 1) err = QStringLiteral("--decimal-separator espera um caractere");
                else out.decimalSeparator = v.at(0);
            }
        } else if (a == QLatin1String("--keys")) {
            if ((err = value(v)).isEmpty()) {
                out.scripted = true;
                out.keys = v.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
                for (const QString& t : out.keys)
                    if (!IsKnownToken(t)) err = QStringLiteral("--keys: token desconhecido '%1'").arg(t);
            }
        } else if (a == QLatin1String("--packet-out")) {
            err = value(out.packetOut);
        } else if (a == QLatin1String("--screenshot")) {
            err = value(out.screenshot);
        } else if (a == QLatin1String("--repeat")) {
            if ((err = value(v)).isEmpty()) {
                bool ok = false;
                out.repeat = v.toInt(&ok);
                if (!ok || out.repeat < 1) err = QStringLiteral("--repeat espera um número positivo");
            }
        } else {
            err = QStringLiteral("opção desconhecida '%1'").arg(a);
        }
        if (!err.isEmpty()) return err;
    }
    if (out.repeat > 1 && !out.scripted) return QStringLiteral("--repeat precisa de --keys");
    out.params.assign(static_cast<std::size_t>(std::max(out.high, 3) + 1), plat::Variant());
    out.params[1] = plat::Variant(kind);
    out.params[2] = NumberOrText(base);
    out.params[3] = NumberOrText(applied);
    for (const auto& [index, pv] : typed) {
        if (index >= static_cast<int>(out.params.size())) out.params.resize(static_cast<std::size_t>(index) + 1);
        out.params[static_cast<std::size_t>(index)] = pv;
    }
    return {};
}

QString HostUsage() {
    return QStringLiteral(
        "uso: pdv-host [opções]\n"
        "Carrega o módulo de desconto, chama CriaDesconto e mostra o resultado.\n\n"
        "  --module CAMINHO          módulo a carregar (padrão: PKG_ORV00006.so ao lado do host)\n"
        "  --kind TEXTO              elemento 1, o tipo de ajuste (padrão: Desconto)\n"
        "  --base X                  elemento 2, o valor base (padrão: 0)\n"
        "  --applied X               elemento 3, o valor já aplicado (padrão: 0)\n"
        "                            X vira double quando é um número em notação C, senão texto\n"
        "  --param I=TIPO:VALOR      define o elemento I; TIPO: text, double, int, bool, null, empty\n"
        "  --high N                  maior índice passado (padrão: 3)\n"
        "  --decimal-separator C     separador decimal do processo (padrão: o do locale)\n"
        "  --keys \"TOKENS\"           modo roteirizado: 0-9 KP0-KP9 Enter Esc Backspace Delete F1-F12\n"
        "                            A-Z . , com Alt+/Shift+/Ctrl+, click:NOME (centro) e click:NOME@X,Y;\n"
        "                            sem tela, roda offscreen\n"
        "  --json                    imprime um objeto JSON com a montagem, os passos e o resultado\n"
        "  --packet-out ARQUIVO      grava os bytes do pacote devolvido\n"
        "  --screenshot ARQUIVO.png  grava a tela após o último token (modo roteirizado)\n"
        "  --repeat N                repete a chamada N vezes no mesmo processo (modo roteirizado);\n"
        "                            com --json, informa também quantos resultados distintos houve e a\n"
        "                            memória residente (KiB) após a chamada 100 e após a última\n"
        "  --timing                  imprime em stderr os tempos de cada fase (carga do módulo, chamadas)\n"
        "                            e o pico de memória residente do processo\n"
        "  --version                 mostra a versão\n"
        "  --help                    mostra esta ajuda\n\n"
        "Saída: 0 quando a chamada retornou, 1 quando o módulo não pôde ser carregado, 2 em erro de uso.\n");
}
