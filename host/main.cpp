// pdv-host: loads the discount module as a point-of-sale host would, calls
// it once (or repeatedly), and reports what came back.
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>
#include <QSet>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HostOptions.h"
#include "ResultReport.h"
#include "ScriptDriver.h"
#include "dll/Mensagemvek.h"
#include "orv00006/orv00006.h"
#include "platform/forms.h"
#include "platform/sysutils.h"

namespace {

void Print(FILE* to, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
    std::fputc('\n', to);
    std::fflush(to);
}

struct Module {
    QLibrary library;
    OrvInitializeFn initialize = nullptr;
    OrvFinalizeFn finalize = nullptr;
    OrvGetPackageInfoTableFn packageInfo = nullptr;
    OrvCriaDescontoFn criaDesconto = nullptr;

    QString Load(const QString& path) {
        library.setFileName(path);
        if (!library.load()) return library.errorString();
        initialize = reinterpret_cast<OrvInitializeFn>(library.resolve("Initialize"));
        finalize = reinterpret_cast<OrvFinalizeFn>(library.resolve("Finalize"));
        packageInfo = reinterpret_cast<OrvGetPackageInfoTableFn>(library.resolve("GetPackageInfoTable"));
        criaDesconto = reinterpret_cast<OrvCriaDescontoFn>(library.resolve("CriaDesconto"));
        if (!initialize || !finalize || !packageInfo || !criaDesconto)
            return QStringLiteral("%1 não exporta Initialize, Finalize, GetPackageInfoTable e CriaDesconto").arg(path);
        return {};
    }
};

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
// keeps it in lib/orv00006.
QString DefaultModulePath() {
    const QString beside = plat::ProgramDir() + QStringLiteral("/PKG_ORV00006.so");
    const QString installed = plat::ProgramDir() + QStringLiteral("/../lib/orv00006/PKG_ORV00006.so");
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

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point started = Clock::now();
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    HostOptions opt;
    if (const QString err = ParseHostOptions(args, opt); !err.isEmpty()) {
        Print(stderr, QStringLiteral("pdv-host: %1\nuse --help para ver as opções.").arg(err));
        return 2;
    }
    if (opt.help) {
        Print(stdout, HostUsage());
        return 0;
    }
    if (opt.version) {
        Print(stdout, QStringLiteral("pdv-host " ORV_VERSION));
        Module module;
        const QString path = opt.module.isEmpty() ? DefaultModulePath() : opt.module;
        if (const QString err = module.Load(path); !err.isEmpty()) {
            Print(stderr, QStringLiteral("pdv-host: não foi possível carregar o módulo: %1").arg(err));
            return 1;
        }
        const OrvPackageInfoTable* t = module.packageInfo();
        Print(stdout, QStringLiteral("%1 %2").arg(QString::fromUtf8(t->name), QString::fromUtf8(t->version)));
        return 0;
    }

    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !display) {
        if (!opt.scripted) {
            Print(stderr, QStringLiteral("pdv-host: não há tela para o operador; use --keys para um roteiro."));
            return 2;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    Clock::time_point phase = Clock::now();
    QApplication app(argc, argv);
    const double appMs = MsSince(phase);
    if (opt.decimalSeparator && !plat::SetDecimalSeparator(*opt.decimalSeparator)) {
        Print(stderr, QStringLiteral("pdv-host: --decimal-separator: '%1' não serve de separador decimal "
                                     "(um algarismo, um caractere de controle ou o caractere nulo)")
                          .arg(*opt.decimalSeparator));
        return 2;
    }

    // Load time is dlopen (with the libraries it pulls in), symbol look-up
    // and the units' initialisation: what a host pays before the first call.
    phase = Clock::now();
    Module module;
    const QString path = opt.module.isEmpty() ? DefaultModulePath() : opt.module;
    if (const QString err = module.Load(path); !err.isEmpty()) {
        Print(stderr, QStringLiteral("pdv-host: não foi possível carregar o módulo: %1").arg(err));
        return 1;
    }
    module.initialize();
    const double loadMs = MsSince(phase);
    const QJsonObject package = PackageJson(module.packageInfo());
    if (!opt.json) Print(stdout, QStringLiteral("módulo: %1").arg(package.value(QStringLiteral("description")).toString()));

    QStringList messages;
    QStringList errors;
    if (opt.scripted) {
        // A script has nobody to read boxes: record what would be shown.
        SetMensagemPresenter([&messages](const MensagemArgs& m) { messages << m.texto; });
        plat::Application::SetExceptionHandler([&errors](const QString& text) { errors << text; });
    }

    QJsonObject report;
    // Soak figures: every call's report compared with the others, and the
    // resident set after the warm-up calls and after the last one.
    QSet<QByteArray> distinct;
    qint64 rssAfterFirst = -1;
    qint64 rssAfterWarmUp = -1;
    constexpr int kWarmUpCalls = 100;
    double firstCallMs = 0;
    const Clock::time_point callsStarted = Clock::now();
    for (int call = 1; call <= opt.repeat; ++call) {
        messages.clear();
        errors.clear();
        const plat::Variant marker(QStringLiteral("pdv-host: sem resultado"));
        plat::Variant result = marker;
        ScriptDriver driver(opt.keys, opt.scripted, call == opt.repeat ? opt.screenshot : QString());
        driver.Arm();
        phase = Clock::now();
        module.criaDesconto(opt.params.data(), opt.high, result);
        if (call == 1) firstCallMs = MsSince(phase);
        driver.Disarm();

        report = QJsonObject();
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
        if (opt.repeat > 1) {
            distinct.insert(QJsonDocument(report).toJson(QJsonDocument::Compact));
            if (call == 1) rssAfterFirst = StatusKib("VmRSS");
            if (call == kWarmUpCalls) rssAfterWarmUp = StatusKib("VmRSS");
        }

        if (call == opt.repeat && !opt.packetOut.isEmpty() && result.Type() == plat::VarType::ByteArray) {
            QFile out(opt.packetOut);
            if (!out.open(QIODevice::WriteOnly) || out.write(result.AsBytes()) != result.AsBytes().size())
                Print(stderr, QStringLiteral("pdv-host: não foi possível gravar %1").arg(opt.packetOut));
        }
        if (!opt.json) {
            for (const QString& m : messages) Print(stdout, QStringLiteral("mensagem: %1").arg(m));
            for (const QString& e : errors + driver.problems) Print(stdout, QStringLiteral("erro: %1").arg(e));
            if (driver.leftOpen) Print(stdout, QStringLiteral("a tela ficou aberta após o roteiro; Esc enviado"));
            Print(stdout, SummarizeResult(report[QStringLiteral("result")].toObject()));
        }
    }
    const double callsMs = MsSince(callsStarted);
    if (opt.json) {
        // The report of the last call; with --repeat, what the calls had in
        // common and how the resident set moved.
        if (opt.repeat > 1) {
            report[QStringLiteral("calls")] = opt.repeat;
            report[QStringLiteral("distinct_results")] = static_cast<int>(distinct.size());
            QJsonObject rss;
            rss[QStringLiteral("after_call_1")] = rssAfterFirst;
            if (rssAfterWarmUp >= 0) rss[QStringLiteral("after_call_100")] = rssAfterWarmUp;
            rss[QStringLiteral("after_last_call")] = StatusKib("VmRSS");
            report[QStringLiteral("rss_kib")] = rss;
        }
        Print(stdout, QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)));
    }

    SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
    module.finalize();
    module.library.unload();
    if (opt.timing) {
        Print(stderr, QStringLiteral("pdv-host timing: app_ms=%1 load_ms=%2 first_call_ms=%3 calls=%4 calls_ms=%5 "
                                     "total_ms=%6 vmhwm_kib=%7")
                          .arg(appMs, 0, 'f', 3)
                          .arg(loadMs, 0, 'f', 3)
                          .arg(firstCallMs, 0, 'f', 3)
                          .arg(opt.repeat)
                          .arg(callsMs, 0, 'f', 3)
                          .arg(MsSince(started), 0, 'f', 3)
                          .arg(StatusKib("VmHWM")));
    }
    return 0;
}
