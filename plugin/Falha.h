#pragma once
// What the package unit's entry points tell the operator about a failure.
#include <QString>

#include "orv00006/platform/variant.h"

namespace Cli_orv00006 {

// The operator's text for the exception being handled; empty for the silent
// abort. Call only inside a catch block.
QString TextoDaFalhaAtual();

// CriaDesconto's call. With `falha`, the text of a failure is also kept
// there, and what only standard error would have heard goes there instead.
void Chama(const plat::Variant* params, int high, plat::Variant& retorno, QString* falha);

}  // namespace Cli_orv00006
