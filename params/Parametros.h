#pragma once
// The parameters file beside the host program and the plain discount's
// limit read from it. The dialog's set-up and the staff's orv-params tool
// both read it here, so that the tool tells exactly what a call would do.
// QtCore only: no widget is involved.
#include <QString>

#include "orv00006/platform/dbclient.h"

namespace Cli_orv00006 {

// The file's name, exact, in capitals.
inline const QString kArquivoParametros = QStringLiteral("PARAMETROSVEK.CDS");
// The record set it is read into; its name starts every message about it.
inline const QString kCdsParametros = QStringLiteral("cdsParametrosVek");
// The field holding the maximum discount percentage.
inline const QString kCampoLimite = QStringLiteral("VRMAXDESCONTO");
// A parameters file holds a record or a few; anything near this size is
// not one, and reading it would keep the operator waiting.
inline constexpr qint64 kMaxParametrosBytes = 256 * 1024;

// Where the file is for a host program in `pastaDoPrograma` (its real
// directory, without a trailing separator).
QString ArquivoDeParametros(const QString& pastaDoPrograma);

// The file a call reads: the one a host named through the C entry point for
// its call, else the one beside the host program. Empty restores the rule.
void DefineArquivoDaChamada(const QString& arquivo);
QString ArquivoDaChamada();

// The maximum discount percentage from the file at `arquivo`, read into
// `cds`; 0 (no limit) when there is no file, no record or a NULL. A file
// that cannot be read, lacks the field, or holds no finite number or a
// negative one throws plat::EDatabaseError naming `cds` and the file: the
// call stops with that message. `cds` stays open with the file when it
// could be read.
double LeLimite(plat::TClientDataSet& cds, const QString& arquivo);

}  // namespace Cli_orv00006
