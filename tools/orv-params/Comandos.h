#pragma once
// The commands of orv-params, for store staff: what a call of the module
// would do with a parameters file (check), the file as the module sees it
// (show), and writing the plain discount's limit (set). Texts are
// Portuguese; every reading of the file goes through the module's own.
#include <QString>
#include <QTextStream>

#include <optional>

#include "orv00006/platform/dbclient.h"

namespace orvparams {

// Exit statuses.
inline constexpr int kOk = 0;
inline constexpr int kFalha = 1;  // refused or failed; for check: the module would not run
inline constexpr int kUso = 2;    // a wrong command line

struct Saida {
    QTextStream& out;
    QTextStream& err;
};

int Mostra(const QString& arquivo, Saida s);
int Verifica(const QString& arquivo, Saida s);
// `forma`: the form asked for on the command line, if any.
int Grava(const QString& percentual, std::optional<plat::TDataPacketFormat> forma, const QString& arquivo, Saida s);

// The parameters file where the module looks for it beside the host program
// `programa` (a path, or a name looked up in PATH): the directory of the
// real program file, links resolved, and for a script that of the
// interpreter that runs it. False with `erro` set when there is no such
// program, or when it is a shell wrapper that runs some other program.
bool ArquivoDoPrograma(const QString& programa, QString& arquivo, QString& erro);

}  // namespace orvparams
