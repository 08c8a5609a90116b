#pragma once
// The real module loaded as a host loads it, once for the whole test
// program. A test target that includes this defines ORV_MODULE_PATH.
#include <QApplication>
#include <QWidget>

#include "orv00006/loader.h"

struct LoadedModule {
    orv00006::Module module;
    QString error;  // why it did not load
    // The tests' names for the module's entry points.
    OrvInitializeFn& initialize = module.initialize;
    OrvFinalizeFn& finalize = module.finalize;
    OrvGetPackageInfoTableFn& info = module.packageInfo;
    OrvCriaDescontoFn& cria = module.criaDesconto;
    OrvCriaDescontoFn& criaUnit = module.unitCriaDesconto;
    void* const*& frmDesc = module.frmDesc;
    bool*& boCriado06 = module.boCriado06;

    static LoadedModule& Get() {
        static LoadedModule m;
        if (!m.module.IsLoaded()) m.error = m.module.Load(QStringLiteral(ORV_MODULE_PATH));
        return m;
    }

    bool Complete() const { return module.IsLoaded(); }
};

// Dialogs still alive once pending deferred deletions have run.
inline int LiveDialogs() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmDesc")) ++n;
    return n;
}
