#pragma once
// The real module loaded with dlopen, as a host loads it, once for the whole
// test program. A test target that includes this defines ORV_MODULE_PATH.
#include <QApplication>
#include <QWidget>

#include <dlfcn.h>

#include "orv00006/orv00006.h"

struct LoadedModule {
    void* handle = nullptr;
    OrvInitializeFn initialize = nullptr;
    OrvFinalizeFn finalize = nullptr;
    OrvGetPackageInfoTableFn info = nullptr;
    OrvCriaDescontoFn cria = nullptr;
    OrvCriaDescontoFn criaUnit = nullptr;  // Cli_orv00006::CriaDesconto
    void* const* frmDesc = nullptr;
    bool* boCriado06 = nullptr;

    static LoadedModule& Get() {
        static LoadedModule m;
        if (m.handle == nullptr) {
            m.handle = dlopen(ORV_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
            if (m.handle == nullptr) return m;
            m.initialize = reinterpret_cast<OrvInitializeFn>(dlsym(m.handle, "Initialize"));
            m.finalize = reinterpret_cast<OrvFinalizeFn>(dlsym(m.handle, "Finalize"));
            m.info = reinterpret_cast<OrvGetPackageInfoTableFn>(dlsym(m.handle, "GetPackageInfoTable"));
            m.cria = reinterpret_cast<OrvCriaDescontoFn>(dlsym(m.handle, "CriaDesconto"));
            m.criaUnit = reinterpret_cast<OrvCriaDescontoFn>(
                dlsym(m.handle, "_ZN12Cli_orv0000612CriaDescontoEPKN4plat7VariantEiRS1_"));
            m.frmDesc = static_cast<void* const*>(dlsym(m.handle, "_ZN12Cli_orv000067frmDescE"));
            m.boCriado06 = static_cast<bool*>(dlsym(m.handle, "_ZN12Cli_orv0000610boCriado06E"));
        }
        return m;
    }

    bool Complete() const {
        return handle && initialize && finalize && info && cria && criaUnit && frmDesc && boCriado06;
    }
};

// Dialogs still alive once pending deferred deletions have run.
inline int LiveDialogs() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("frmDesc")) ++n;
    return n;
}
