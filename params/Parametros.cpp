#include "Parametros.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"

namespace Cli_orv00006 {

// On this platform the directory separator is "/".
QString ArquivoDeParametros(const QString& pastaDoPrograma) {
    return pastaDoPrograma + QLatin1Char('/') + kArquivoParametros;
}

namespace {
QString g_arquivoDaChamada;  // calls run on the GUI thread only
}  // namespace

void DefineArquivoDaChamada(const QString& arquivo) { g_arquivoDaChamada = arquivo; }

QString ArquivoDaChamada() {
    return g_arquivoDaChamada.isEmpty() ? ArquivoDeParametros(plat::ProgramDir()) : g_arquivoDaChamada;
}

double LeLimite(plat::TClientDataSet& cds, const QString& arquivo) {
    const QFileInfo info(arquivo);
    // Anything by that name counts, a folder or a dangling link too: a broken
    // configuration must stop the call, not silently lift the limit.
    if (!info.exists() && !info.isSymLink()) return 0.0;
    const auto falha = [&](const QString& motivo) {
        return plat::EDatabaseError(QStringLiteral("%1: erro ao ler o arquivo '%2': %3")
                                        .arg(cds.Name(), QDir::toNativeSeparators(arquivo), motivo));
    };
    cds.LoadFromFile(arquivo, kMaxParametrosBytes);
    cds.Open();
    const QString& nome = kCampoLimite;
    const plat::TField* campo = cds.FindField(nome);
    if (campo == nullptr) throw falha(QStringLiteral("campo '%1' não encontrado").arg(nome));
    double limite = 0.0;
    bool numero = true;
    try {
        limite = campo->AsFloat();
    } catch (const plat::Exception&) {
        numero = false;
    }
    if (!numero || !std::isfinite(limite)) {
        const QString valor =
            numero ? plat::FloatToStr(limite) : QStringLiteral("\"%1\"").arg(plat::Abbreviate(campo->AsString()));
        throw falha(QStringLiteral("o campo '%1' não contém um número válido: %2").arg(nome, valor));
    }
    // A negative maximum would lift the limit as silently as a NaN did.
    if (limite < 0)
        throw falha(QStringLiteral("o campo '%1' não pode ser negativo: %2").arg(nome, plat::FloatToStr(limite)));
    return limite;
}

}  // namespace Cli_orv00006
