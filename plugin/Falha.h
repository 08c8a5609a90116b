#pragma once
// What the package unit's entry points tell the operator about a failure.
#include <QString>

namespace Cli_orv00006 {

// The operator's text for the exception being handled; empty for the silent
// abort. Call only inside a catch block.
QString TextoDaFalhaAtual();

}  // namespace Cli_orv00006
