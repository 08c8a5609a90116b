#pragma once
// Host-facing interface of the discount entry module PKG_ORV00006.
//
// Loading: dlopen the module (it needs libplatform_runtime, libplatform and
// lib_dll, which the host links too), call Initialize once, read
// GetPackageInfoTable if you want to check what you loaded, call CriaDesconto
// as often as needed, call Finalize before dlclose.
//
// Ownership: the caller owns the parameter array and the result variant.
// CriaDesconto copies the parameters on entry and never writes them; it
// writes the result variant only when the call ends with a decision
// (a packet or an unassigned variant). On any failure the operator sees a
// message and the result variant keeps what it held before the call.
//
// Threading: call from the thread that runs the QApplication, one call at a
// time. A call made from another thread, without a QApplication, or while
// the dialog of an earlier call is still running is refused.
#include "orv00006/export.h"
#include "orv00006/platform/variant.h"

extern "C" {

// Module description: required modules and the units it contains.
struct OrvPackageInfoTable {
    int structVersion;    // 1
    const char* name;     // "PKG_ORV00006"
    const char* version;  // the module's version, "1.1.0"
    const char* description;
    int requiresCount;
    const char* const* requiredModules;  // modules that must be loaded with it
    int containsCount;
    const char* const* containedUnits;  // units in the module
};

// Runs the units' initialisation (once per load).
ORV_API void Initialize(void);
// Runs the units' finalisation before the module is unloaded.
ORV_API void Finalize(void);
ORV_API const OrvPackageInfoTable* GetPackageInfoTable(void);

// Runs the amount entry dialog modally and puts the operator's decision in
// `retorno`. `params` points to elements 0..high: element 1 the kind key
// ("Acrescimo", "TaxaServico", "DescontoFidelidade", "DescontoCRMBONUS",
// "DescontoGCOM", anything else a plain discount), element 2 the base amount,
// element 3 the amount already applied.
ORV_API void CriaDesconto(const plat::Variant* params, int high, plat::Variant& retorno);

}  // extern "C"

namespace Cli_orv00006 {
// The same operation under the unit's own name.
ORV_API void CriaDesconto(const plat::Variant* params, int high, plat::Variant& retorno);
}  // namespace Cli_orv00006

using OrvInitializeFn = void (*)();
using OrvFinalizeFn = void (*)();
using OrvGetPackageInfoTableFn = const OrvPackageInfoTable* (*)();
using OrvCriaDescontoFn = void (*)(const plat::Variant*, int, plat::Variant&);
