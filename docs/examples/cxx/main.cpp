// A minimal host built against the installed packages: loads the module,
// types 1 2 3 4 Enter into its dialog and prints the record it gets back.
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

// This project sets no standard: C++20 must come from the imported targets
// (for the CMake build) or from the Makefile (pkg-config forces none).
static_assert(__cplusplus >= 202002L, "the installed headers are C++20");

#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/loader.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"

static void Press(QWidget* w, Qt::Key key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &down);
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    plat::SetDecimalSeparator(QLatin1Char('.'));
    dll::SetMensagemPresenter([](const dll::MensagemArgs& m) { std::printf("message: %s\n", qPrintable(m.texto)); });

    orv00006::Module module;
    if (const QString why = module.Load(QStringLiteral(ORV00006_MODULE_PATH)); !why.isEmpty()) {
        std::printf("load failed: %s\n", qPrintable(why));
        return 1;
    }
    module.initialize();
    const OrvPackageInfoTable* info = module.packageInfo();
    std::printf("module: %s %s\n", info->name, info->version);

    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        for (char c : {'1', '2', '3', '4'}) Press(dialog, Qt::Key(Qt::Key_0 + (c - '0')), QString(QLatin1Char(c)));
        Press(dialog, Qt::Key_Return, QStringLiteral("\r"));
    });
    const plat::Variant params[] = {plat::Variant(), plat::Variant("Acrescimo"), 100.0, 0.0};
    plat::Variant result;
    module.criaDesconto(params, 3, result);

    plat::TClientDataSet cds(QStringLiteral("resultado"));
    cds.SetData(result);
    for (cds.First(); !cds.Eof(); cds.Next())
        std::printf("record: TIPO=%s VALOR=%g\n", qPrintable(cds.FieldByName(QStringLiteral("TIPO"))->AsString()),
                    cds.FieldByName(QStringLiteral("VALOR"))->AsFloat());
    module.finalize();
    return 0;
}
