// A host with a main window of its own, reaching the module through its C
// entry point: shows "Caixa", waits until the window manager makes it
// active, prints its X window, then asks for a plain discount that the
// caller types into from outside and prints the outcome.
// usage: owner_host MODULE
#include <QApplication>
#include <QLibrary>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <cstdio>

#include "orv00006/orv00006_c.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MODULE\n", argv[0]);
        return 2;
    }
    QLibrary module(QString::fromLocal8Bit(argv[1]));
    auto initialize = reinterpret_cast<void (*)()>(module.resolve("Initialize"));
    auto finalize = reinterpret_cast<void (*)()>(module.resolve("Finalize"));
    auto executa = reinterpret_cast<OrvDescontoExecutaFn>(module.resolve("OrvDescontoExecuta"));
    if (initialize == nullptr || finalize == nullptr || executa == nullptr) {
        std::fprintf(stderr, "cannot use the module: %s\n", qPrintable(module.errorString()));
        return 2;
    }
    initialize();

    QWidget caixa;
    caixa.setWindowTitle(QStringLiteral("Caixa"));
    caixa.resize(800, 600);
    caixa.show();
    // Not qWaitForWindowActive: where a client cannot ask for activation
    // (Wayland) it only waits for the window to be shown.
    if (!QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == caixa.windowHandle(); }, 10000)) {
        std::fprintf(stderr, "the main window never became active\n");
        return 2;
    }
    std::printf("main 0x%llx\n", static_cast<unsigned long long>(caixa.winId()));
    std::fflush(stdout);

    OrvResultado r = OrvResultadoInicial();
    r.parametersFile = "/nonexistent/PARAMETROSVEK.CDS";  // no limit
    const int outcome = executa("Desconto", 200.0, 0.0, &r);
    std::printf("outcome %d %s\n", outcome, r.failureText);
    finalize();
    return 0;
}
