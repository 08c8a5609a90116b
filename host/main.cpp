// pdv-host: loads the discount module as a point-of-sale host would, calls
// it once (or repeatedly), and reports what came back.
#include <QAccessible>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "HostOptions.h"
#include "ResultReport.h"
#include "ScriptDriver.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/loader.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/sysutils.h"
#include "orv00006_version.h"

namespace {

void Print(FILE* to, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    std::fputc('\n', to);
    std::fflush(to);
}

// A "Vm...:  123 kB" line of /proc/self/status, in KiB; -1 where there is
// no such file (not Linux).
qint64 StatusKib(const char* field) {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (status == nullptr) return -1;
    const std::size_t n = std::strlen(field);
    qint64 kib = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            kib = std::strtoll(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(status);
    return kib;
}

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point from) {
    return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

// Beside the host, as a host family ships its modules; an installed tree
// keeps it in LIBDIR/orv00006, given relative to the host by the build.
QString DefaultModulePath() {
    const QString beside = plat::ProgramDir() + QStringLiteral("/PKG_ORV00006.so");
    const QString installed =
        plat::ProgramDir() + QStringLiteral("/" ORV_INSTALLED_MODULE_FROM_HOST "/PKG_ORV00006.so");
    return QFile::exists(beside) || !QFile::exists(installed) ? beside : installed;
}

QJsonObject PackageJson(const OrvPackageInfoTable* t) {
    QJsonObject o;
    if (t == nullptr) return o;
    o[QStringLiteral("name")] = QString::fromUtf8(t->name);
    o[QStringLiteral("version")] = QString::fromUtf8(t->version);
    o[QStringLiteral("description")] = QString::fromUtf8(t->description);
    QJsonArray req;
    for (int i = 0; i < t->requiresCount; ++i) req.append(QString::fromUtf8(t->requiredModules[i]));
    QJsonArray units;
    for (int i = 0; i < t->containsCount; ++i) units.append(QString::fromUtf8(t->containedUnits[i]));
    o[QStringLiteral("requires")] = req;
    o[QStringLiteral("contains")] = units;
    return o;
}

// Step 1: the command line. The exit status when nothing more is to be
// done (a usage error, --help), else nothing.
std::optional<int> Parse(int argc, char** argv, HostOptions& opt) {
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (const QString err = ParseHostOptions(args, opt); !err.isEmpty()) {
        Print(stderr, QStringLiteral("pdv-host: %1\nuse --help para ver as opções.").arg(err));
        return 2;
    }
    if (opt.help) {
        Print(stdout, HostUsage());
        return 0;
    }
    return std::nullopt;
}

// Step 2: the module, from --module or where a host family keeps it.
bool LoadModule(const HostOptions& opt, orv00006::Module& module) {
    const QString path = opt.module.isEmpty() ? DefaultModulePath() : opt.module;
    if (const QString err = module.Load(path); !err.isEmpty()) {
        Print(stderr, QStringLiteral("pdv-host: não foi possível carregar o módulo: %1").arg(err));
        return false;
    }
    return true;
}

int ShowVersion(const HostOptions& opt) {
    Print(stdout, QStringLiteral("pdv-host " ORV_VERSION));
    orv00006::Module module;
    if (!LoadModule(opt, module)) return 1;
    const OrvPackageInfoTable* t = module.packageInfo();
    Print(stdout, QStringLiteral("%1 %2").arg(QString::fromUtf8(t->name), QString::fromUtf8(t->version)));
    return 0;
}

// Without a display only a script can run, offscreen. False when nobody
// could operate the dialog.
bool ChoosePlatform(const HostOptions& opt) {
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || display) return true;
    if (!opt.scripted) {
        Print(stderr, QStringLiteral("pdv-host: não há tela para o operador; use --keys para um roteiro."));
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}

struct Timings {
    double appMs = 0;
    double loadMs = 0;
    double firstCallMs = 0;
    double callsMs = 0;
};

// What the calls leave for the report.
struct Calls {
    QJsonObject last;  // the last call's report
    // Soak figures: every call's report compared with the others, and the
    // resident set after the warm-up calls and after the last one.
    QSet<QByteArray> distinct;
    qint64 rssAfterFirst = -1;
    qint64 rssAfterWarmUp = -1;
};

constexpr int kWarmUpCalls = 100;

// One call's report: its set-up, the display after each key, what the
// operator would have read and the result decoded.
QJsonObject CallReport(const QJsonObject& package, const ScriptDriver& driver, const QStringList& messages,
                       const QStringList& errors, const plat::Variant& result, const plat::Variant& marker) {
    QJsonObject report;
    report[QStringLiteral("package")] = package;
    if (driver.setup.seen) {
        QJsonObject s;
        s[QStringLiteral("lblCabec")] = driver.setup.lblCabec;
        s[QStringLiteral("lblValor")] = driver.setup.lblValor;
        s[QStringLiteral("lblCodTela")] = driver.setup.lblCodTela;
        s[QStringLiteral("display")] = driver.setup.display;
        s[QStringLiteral("tipo")] = driver.setup.tipo;
        s[QStringLiteral("hidden")] = QJsonArray::fromStringList(driver.setup.hidden);
        report[QStringLiteral("setup")] = s;
    } else {
        report[QStringLiteral("setup")] = QJsonValue::Null;
    }
    QJsonArray steps;
    for (const StepRecord& st : driver.steps) {
        QJsonObject o;
        o[QStringLiteral("input")] = st.input;
        o[QStringLiteral("display")] = st.display;
        o[QStringLiteral("tipo")] = st.tipo;
        o[QStringLiteral("open")] = st.open;
        steps.append(o);
    }
    report[QStringLiteral("steps")] = steps;
    report[QStringLiteral("messages")] = QJsonArray::fromStringList(messages);
    report[QStringLiteral("errors")] = QJsonArray::fromStringList(errors + driver.problems);
    report[QStringLiteral("left_open")] = driver.leftOpen;
    report[QStringLiteral("result")] = DescribeResult(result, marker);
    return report;
}

// Without --json, a call is told in lines as it ends.
void PrintCall(const QJsonObject& report, const QStringList& messages, const QStringList& errors, bool leftOpen) {
    for (const QString& m : messages) Print(stdout, QStringLiteral("mensagem: %1").arg(m));
    for (const QString& e : errors) Print(stdout, QStringLiteral("erro: %1").arg(e));
    if (leftOpen) Print(stdout, QStringLiteral("a tela ficou aberta após o roteiro; Esc enviado"));
    Print(stdout, SummarizeResult(report[QStringLiteral("result")].toObject()));
}

// Step 4: the calls, each driven by the script if there is one.
Calls Run(const HostOptions& opt, const orv00006::Module& module, const std::vector<plat::Variant>& params,
          const QJsonObject& package, Timings& timings) {
    QStringList messages;
    QStringList errors;
    if (opt.scripted) {
        // A script has nobody to read boxes: record what would be shown.
        dll::SetMensagemPresenter([&messages](const dll::MensagemArgs& m) { messages << m.texto; });
        plat::Application::SetExceptionHandler([&errors](const QString& text) { errors << text; });
    }
    Calls calls;
    const Clock::time_point started = Clock::now();
    for (int call = 1; call <= opt.repeat; ++call) {
        messages.clear();
        errors.clear();
        const plat::Variant marker(QStringLiteral("pdv-host: sem resultado"));
        plat::Variant result = marker;
        ScriptDriver driver(opt.keys, opt.scripted, call == opt.repeat ? opt.screenshot : QString());
        driver.Arm();
        const Clock::time_point phase = Clock::now();
        module.criaDesconto(params.data(), opt.high, result);
        if (call == 1) timings.firstCallMs = MsSince(phase);
        driver.Disarm();

        calls.last = CallReport(package, driver, messages, errors, result, marker);
        if (opt.repeat > 1) {
            calls.distinct.insert(QJsonDocument(calls.last).toJson(QJsonDocument::Compact));
            if (call == 1) calls.rssAfterFirst = StatusKib("VmRSS");
            if (call == kWarmUpCalls) calls.rssAfterWarmUp = StatusKib("VmRSS");
        }
        if (call == opt.repeat && !opt.packetOut.isEmpty() && result.Type() == plat::VarType::ByteArray) {
            QFile out(opt.packetOut);
            if (!out.open(QIODevice::WriteOnly) || out.write(result.AsBytes()) != result.AsBytes().size())
                Print(stderr, QStringLiteral("pdv-host: não foi possível gravar %1").arg(opt.packetOut));
        }
        if (!opt.json) PrintCall(calls.last, messages, errors + driver.problems, driver.leftOpen);
    }
    timings.callsMs = MsSince(started);
    dll::SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
    return calls;
}

// Step 5: with --json, the last call's report; with --repeat, also what
// the calls had in common and how the resident set moved.
void Report(const HostOptions& opt, Calls& calls) {
    if (!opt.json) return;
    QJsonObject& report = calls.last;
    if (opt.repeat > 1) {
        report[QStringLiteral("calls")] = opt.repeat;
        report[QStringLiteral("distinct_results")] = static_cast<int>(calls.distinct.size());
        QJsonObject rss;
        rss[QStringLiteral("after_call_1")] = calls.rssAfterFirst;
        if (calls.rssAfterWarmUp >= 0) rss[QStringLiteral("after_call_100")] = calls.rssAfterWarmUp;
        rss[QStringLiteral("after_last_call")] = StatusKib("VmRSS");
        report[QStringLiteral("rss_kib")] = rss;
    }
    Print(stdout, QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)));
}

void ReportTiming(const HostOptions& opt, const Timings& t, Clock::time_point started) {
    if (!opt.timing) return;
    Print(stderr, QStringLiteral("pdv-host timing: app_ms=%1 load_ms=%2 first_call_ms=%3 calls=%4 calls_ms=%5 "
                                 "total_ms=%6 vmhwm_kib=%7")
                      .arg(t.appMs, 0, 'f', 3)
                      .arg(t.loadMs, 0, 'f', 3)
                      .arg(t.firstCallMs, 0, 'f', 3)
                      .arg(opt.repeat)
                      .arg(t.callsMs, 0, 'f', 3)
                      .arg(MsSince(started), 0, 'f', 3)
                      .arg(StatusKib("VmHWM")));
}

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point started = Clock::now();
    HostOptions opt;
    if (const std::optional<int> status = Parse(argc, argv, opt)) return *status;
    if (opt.version) return ShowVersion(opt);
    if (!ChoosePlatform(opt)) return 2;

    Timings timings;
    Clock::time_point phase = Clock::now();
    QApplication app(argc, argv);
    timings.appMs = MsSince(phase);
    if (opt.decimalSeparator && !plat::SetDecimalSeparator(*opt.decimalSeparator)) {
        Print(stderr, QStringLiteral("pdv-host: --decimal-separator: '%1' não serve de separador decimal "
                                     "(um algarismo, um caractere de controle ou o caractere nulo)")
                          .arg(*opt.decimalSeparator));
        return 2;
    }

    // Load time is dlopen (with the libraries it pulls in), symbol look-up
    // and the units' initialisation: what a host pays before the first call.
    phase = Clock::now();
    orv00006::Module module;
    if (!LoadModule(opt, module)) return 1;
    module.initialize();
    timings.loadMs = MsSince(phase);
    const QJsonObject package = PackageJson(module.packageInfo());
    if (!opt.json)
        Print(stdout, QStringLiteral("módulo: %1").arg(package.value(QStringLiteral("description")).toString()));

    // Step 3: the elements of the call.
    const std::vector<plat::Variant> params = CallParameters(opt);
    Calls calls = Run(opt, module, params, package, timings);
    Report(opt, calls);

    // A screen reader may still be reading what the module said last (the
    // amount just confirmed); a till's host goes on running, this one
    // lingers a moment before it unloads the module and leaves.
    if (QAccessible::isActive()) {
        QEventLoop linger;
        QTimer::singleShot(1500, &linger, &QEventLoop::quit);
        linger.exec();
    }

    module.finalize();
    module.Unload();
    ReportTiming(opt, timings, started);
    return 0;
}
