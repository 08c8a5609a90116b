// pdv-host: loads the discount module as a point-of-sale host would, calls
// it once (or repeatedly), and reports what came back.
#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibrary>

#include <cstdio>

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
    QApplication app(argc, argv);
    if (opt.decimalSeparator) plat::SetDecimalSeparator(*opt.decimalSeparator);

    Module module;
    const QString path = opt.module.isEmpty() ? plat::ProgramDir() + QStringLiteral("/PKG_ORV00006.so") : opt.module;
    if (const QString err = module.Load(path); !err.isEmpty()) {
        Print(stderr, QStringLiteral("pdv-host: não foi possível carregar o módulo: %1").arg(err));
        return 1;
    }
    module.initialize();
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
    for (int call = 1; call <= opt.repeat; ++call) {
        messages.clear();
        errors.clear();
        const plat::Variant marker(QStringLiteral("pdv-host: sem resultado"));
        plat::Variant result = marker;
        ScriptDriver driver(opt.keys, opt.scripted, call == opt.repeat ? opt.screenshot : QString());
        driver.Arm();
        module.criaDesconto(opt.params.data(), opt.high, result);
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
    if (opt.json) {
        if (opt.repeat > 1) report[QStringLiteral("calls")] = opt.repeat;
        Print(stdout, QString::fromUtf8(QJsonDocument(report).toJson(QJsonDocument::Compact)));
    }

    SetMensagemPresenter({});
    plat::Application::SetExceptionHandler({});
    module.finalize();
    module.library.unload();
    return 0;
}
