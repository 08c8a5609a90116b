#include "HostOptions.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
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
        if (lower == QLatin1String("nan"))
            d = std::nan("");
        else if (lower == QLatin1String("inf") || lower == QLatin1String("+inf"))
            d = HUGE_VAL;
        else if (lower == QLatin1String("-inf"))
            d = -HUGE_VAL;
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
        "^(?:click:[A-Za-z0-9_]+(?:@\\d+,\\d+)?|(?:(?:Alt|Shift|Ctrl)\\+)*(?:[0-9A-Za-z.,]|KP[0-9]|Enter|"
        "Esc|Backspace|Delete|F[1-9]|F1[0-2]))$"));
    return re.match(token).hasMatch();
}

namespace {

// Every option, in the order --help lists them. Returns the names of those
// that take no value.
QStringList Declare(QCommandLineParser& parser) {
    // "-json" reads as "--json": single dashes never stood for short options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral(
        "Loads the discount module as a point-of-sale host does, calls CriaDesconto and reports the result."));
    QStringList switches{QStringLiteral("h"), QStringLiteral("help")};
    const auto add = [&](const char* name, const char* description, const char* valueName = "") {
        parser.addOption(QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                            QString::fromLatin1(valueName)));
        if (*valueName == '\0') switches << QString::fromLatin1(name);
    };
    add("module", "Module to load (default: PKG_ORV00006.so beside the host, else the installed one).", "path");
    add("kind", "Element 1, the kind of adjustment (default: Desconto).", "text");
    add("base",
        "Element 2, the base amount (default: 0). A number in C notation is passed as a double, "
        "anything else as text.",
        "x");
    add("applied", "Element 3, the amount already applied (default: 0), read as --base.", "x");
    add("param", "Sets element I; TYPE is text, double, int, bool, null or empty. May be repeated.", "I=TYPE:VALUE");
    add("high", "Highest index passed, -1 to 64 (default: 3).", "n");
    add("decimal-separator", "The process's decimal separator (default: the locale's).", "c");
    add("keys",
        "Scripted mode: the keys to type, separated by blanks (see below). Without a display, runs "
        "offscreen.",
        "tokens");
    add("json", "Prints one JSON object with the set-up, the steps and the result.");
    add("packet-out", "Writes the bytes of the returned packet to file.", "file");
    add("screenshot", "Saves the dialog after the last key (scripted mode).", "file.png");
    add("repeat",
        "Repeats the call n times in the same process (scripted mode). With --json, also reports how "
        "many distinct results there were and the resident set (KiB) after call 100 and after the "
        "last.",
        "n");
    add("timing",
        "Prints the time of each phase (module load, calls) and the process's peak resident set on "
        "stderr.");
    add("version", "Shows the versions of the host and of the module.");
    parser.addOption(QCommandLineOption(switches.mid(0, 2), QStringLiteral("Shows this help.")));
    return switches;
}

const char* const kUsageNotes =
    "\nKeys: 0-9, KP0-KP9, Enter, Esc, Backspace, Delete, F1-F12, A-Z, '.' and ',',\n"
    "each with any of the prefixes Alt+, Shift+ and Ctrl+; click:NAME taps an\n"
    "element at its centre, click:NAME@X,Y at a point.\n\n"
    "Exit status: 0 when the call returned, 1 when the module could not be loaded,\n"
    "2 on a usage error.\n";

// An option's name as the parser reports it: "--bogus=1" is "bogus".
QString NameOf(const QString& token) {
    const qsizetype dashes = token.startsWith(QLatin1String("--")) ? 2 : token.startsWith(QLatin1Char('-')) ? 1 : 0;
    return token.mid(dashes).section(QLatin1Char('='), 0, 0);
}

// The token of args that carries an option name, as the operator typed it.
QString AsTyped(const QStringList& args, const QString& name) {
    for (const QString& a : args)
        if (a.startsWith(QLatin1Char('-')) && NameOf(a) == name) return a;
    return name;
}

// A bad command line in pdv-host's own words (the parser's are English):
// scripts and people match on these.
QString UsageError(const QCommandLineParser& parser, const QStringList& switches, const QStringList& args) {
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty())
        return QStringLiteral("opção desconhecida '%1'").arg(AsTyped(args, unknown.first()));
    // A value given to a switch ("--json=1") was never an option.
    for (const QString& a : args)
        if (a.startsWith(QLatin1Char('-')) && a.contains(QLatin1Char('=')) && switches.contains(NameOf(a)))
            return QStringLiteral("opção desconhecida '%1'").arg(a);
    return QStringLiteral("%1 precisa de um valor").arg(args.last());
}

}  // namespace

QString ParseHostOptions(const QStringList& args, HostOptions& out) {
    QCommandLineParser parser;
    const QStringList switches = Declare(parser);
    if (!parser.parse(QStringList(QStringLiteral("pdv-host")) + args) || !parser.unknownOptionNames().isEmpty())
        return UsageError(parser, switches, args);
    if (const QStringList stray = parser.positionalArguments(); !stray.isEmpty())
        return QStringLiteral("opção desconhecida '%1'").arg(stray.first());
    // In the order given: the first bad value is the one reported, and the
    // last of a repeated option wins.
    QHash<QString, qsizetype> used;
    for (const QString& name : parser.optionNames()) {
        const QString v = parser.values(name).value(used[name]++);
        QString err;
        if (name == QLatin1String("help") || name == QLatin1String("h")) {
            out.help = true;
        } else if (name == QLatin1String("version")) {
            out.version = true;
        } else if (name == QLatin1String("json")) {
            out.json = true;
        } else if (name == QLatin1String("timing")) {
            out.timing = true;
        } else if (name == QLatin1String("module")) {
            out.module = v;
        } else if (name == QLatin1String("kind")) {
            out.kind = v;
        } else if (name == QLatin1String("base")) {
            out.base = v;
        } else if (name == QLatin1String("applied")) {
            out.applied = v;
        } else if (name == QLatin1String("param")) {
            int index = 0;
            plat::Variant pv;
            err = TypedParam(v, index, pv);
            if (err.isEmpty()) out.typed.emplace_back(index, pv);
        } else if (name == QLatin1String("high")) {
            bool ok = false;
            out.high = v.toInt(&ok);
            if (!ok || out.high < -1 || out.high > 64) err = QStringLiteral("--high espera um número de -1 a 64");
        } else if (name == QLatin1String("decimal-separator")) {
            if (v.size() != 1)
                err = QStringLiteral("--decimal-separator espera um caractere");
            else
                out.decimalSeparator = v.at(0);
        } else if (name == QLatin1String("keys")) {
            out.scripted = true;
            out.keys = v.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
            for (const QString& t : out.keys)
                if (!IsKnownToken(t)) err = QStringLiteral("--keys: token desconhecido '%1'").arg(t);
        } else if (name == QLatin1String("packet-out")) {
            out.packetOut = v;
        } else if (name == QLatin1String("screenshot")) {
            out.screenshot = v;
        } else if (name == QLatin1String("repeat")) {
            bool ok = false;
            out.repeat = v.toInt(&ok);
            if (!ok || out.repeat < 1) err = QStringLiteral("--repeat espera um número positivo");
        }
        if (!err.isEmpty()) return err;
    }
    if (out.repeat > 1 && !out.scripted) return QStringLiteral("--repeat precisa de --keys");
    return {};
}

std::vector<plat::Variant> CallParameters(const HostOptions& opt) {
    std::vector<plat::Variant> params(static_cast<std::size_t>(std::max(opt.high, 3) + 1), plat::Variant());
    params[1] = plat::Variant(opt.kind);
    params[2] = NumberOrText(opt.base);
    params[3] = NumberOrText(opt.applied);
    for (const auto& [index, pv] : opt.typed) {
        if (index >= static_cast<int>(params.size())) params.resize(static_cast<std::size_t>(index) + 1);
        params[static_cast<std::size_t>(index)] = pv;
    }
    return params;
}

QString HostUsage() {
    QCommandLineParser parser;
    Declare(parser);
    // Parsed before any application object exists, so the parser does not
    // know the program's name.
    return parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("pdv-host")) +
           QString::fromLatin1(kUsageNotes);
}
