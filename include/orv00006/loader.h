#pragma once
// Loads PKG_ORV00006 and resolves its entry points by name, the one place
// that knows those names. Header-only: a host needs Qt Core, which it links
// anyway.
//
//     orv00006::Module module;
//     if (const QString why = module.Load(path); !why.isEmpty()) { ...; }
//     module.initialize();
//     ... module.criaDesconto(params, high, result) ...
//     module.finalize();
//     module.Unload();
#include <QLibrary>
#include <QString>
#include <QStringList>

#include "orv00006/orv00006.h"

namespace orv00006 {

// Names as the module exports them. The unit's own CriaDesconto and the
// unit's two globals only exist under their mangled C++ names.
inline constexpr char kInitializeSymbol[] = "Initialize";
inline constexpr char kFinalizeSymbol[] = "Finalize";
inline constexpr char kGetPackageInfoTableSymbol[] = "GetPackageInfoTable";
inline constexpr char kCriaDescontoSymbol[] = "CriaDesconto";
inline constexpr char kUnitCriaDescontoSymbol[] = "_ZN12Cli_orv0000612CriaDescontoEPKN4plat7VariantEiRS1_";
inline constexpr char kFrmDescSymbol[] = "_ZN12Cli_orv000067frmDescE";
inline constexpr char kBoCriado06Symbol[] = "_ZN12Cli_orv0000610boCriado06E";

class Module {
public:
    OrvInitializeFn initialize = nullptr;
    OrvFinalizeFn finalize = nullptr;
    OrvGetPackageInfoTableFn packageInfo = nullptr;
    OrvCriaDescontoFn criaDesconto = nullptr;
    OrvCriaDescontoFn unitCriaDesconto = nullptr;  // Cli_orv00006::CriaDesconto
    // Cli_orv00006::frmDesc (the open dialog, or null) and
    // Cli_orv00006::boCriado06 (a call is running): for checks, not to write.
    void* const* frmDesc = nullptr;
    bool* boCriado06 = nullptr;

    // Loads the module as dlopen(RTLD_NOW | RTLD_LOCAL) does, so that its
    // symbols stay out of the host's namespace, and resolves every entry
    // point. Returns an empty text on success; otherwise why not (the
    // loader's error or the names the module lacks), with nothing loaded.
    // Initialize is the caller's to run.
    QString Load(const QString& path) {
        Unload();
        library_.setFileName(path);
        library_.setLoadHints(QLibrary::ResolveAllSymbolsHint);
        if (!library_.load()) return library_.errorString();
        QStringList missing;
        const auto find = [&](const char* symbol, const char* name) {
            const QFunctionPointer found = library_.resolve(symbol);
            if (found == nullptr) missing << QString::fromLatin1(name);
            return found;
        };
        initialize = reinterpret_cast<OrvInitializeFn>(find(kInitializeSymbol, "Initialize"));
        finalize = reinterpret_cast<OrvFinalizeFn>(find(kFinalizeSymbol, "Finalize"));
        packageInfo =
            reinterpret_cast<OrvGetPackageInfoTableFn>(find(kGetPackageInfoTableSymbol, "GetPackageInfoTable"));
        criaDesconto = reinterpret_cast<OrvCriaDescontoFn>(find(kCriaDescontoSymbol, "CriaDesconto"));
        unitCriaDesconto =
            reinterpret_cast<OrvCriaDescontoFn>(find(kUnitCriaDescontoSymbol, "Cli_orv00006::CriaDesconto"));
        frmDesc = reinterpret_cast<void* const*>(find(kFrmDescSymbol, "Cli_orv00006::frmDesc"));
        boCriado06 = reinterpret_cast<bool*>(find(kBoCriado06Symbol, "Cli_orv00006::boCriado06"));
        if (missing.isEmpty()) return {};
        Unload();
        return QStringLiteral("%1 não exporta %2").arg(path, missing.join(QStringLiteral(", ")));
    }

    // Unloads the module (Finalize is the caller's to run first).
    void Unload() {
        library_.unload();
        initialize = nullptr;
        finalize = nullptr;
        packageInfo = nullptr;
        criaDesconto = nullptr;
        unitCriaDesconto = nullptr;
        frmDesc = nullptr;
        boCriado06 = nullptr;
    }

    bool IsLoaded() const { return library_.isLoaded(); }

    // Any other exported name, or null.
    QFunctionPointer Resolve(const char* symbol) { return IsLoaded() ? library_.resolve(symbol) : nullptr; }

private:
    QLibrary library_;
};

}  // namespace orv00006
