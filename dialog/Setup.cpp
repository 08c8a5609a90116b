// Set-up of a fresh dialog from the call parameters and the parameters file
// beside the host program.
#include <QDir>
#include <QFileInfo>

#include <cmath>
#include <vector>

#include "Cli_orv00006.h"
#include "EntryLogic.h"
#include "dll/Mensagemvek.h"
#include "platform/exceptions.h"
#include "platform/sysutils.h"

namespace Cli_orv00006 {
namespace {

// An amount from the call: a finite real number, or the set-up fails
// saying which element held what.
double LeValor(const plat::Variant& v, const char* papel) {
    double valor = 0.0;
    bool numero = true;
    try {
        valor = v.ToDouble();
    } catch (const plat::Exception&) {
        numero = false;
    }
    if (!numero || !std::isfinite(valor))
        throw plat::EConvertError(QStringLiteral("O %1 informado não é um número válido: %2.")
                                      .arg(QString::fromUtf8(papel), v.Describe()));
    // No amount of a sale is negative; taken as given, a negative amount
    // would widen the limit instead of enforcing it.
    if (valor < 0)
        throw plat::EConvertError(QStringLiteral("O %1 informado não pode ser negativo: %2.")
                                      .arg(QString::fromUtf8(papel), v.Describe()));
    return valor;
}

// A parameters file holds a record or a few; anything near this size is
// not one, and reading it would keep the operator waiting.
constexpr qint64 kMaxParametrosBytes = 256 * 1024;

// The maximum discount percentage from the parameters file; 0 (no limit)
// when there is no file. Every failure names the file.
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
    const QString nome = QStringLiteral("VRMAXDESCONTO");
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

const char* const kValorBase = "valor base (elemento 2)";
const char* const kValorAnterior = "valor já aplicado (elemento 3)";

}  // namespace

void TfrmDesc::InicializaForm(const plat::Variant* params, int high) {
    const std::vector<plat::Variant> p(params, params + high + 1);

    // On this platform the directory separator is "/".
    const QString arquivo = plat::ProgramDir() + QStringLiteral("/PARAMETROSVEK.CDS");
    flLimite = LeLimite(*cdsParametrosVek, arquivo);

    // Every key is compared (only one can match); a key that is not text
    // matches none and keeps the plain discount.
    const plat::Variant& tipo = p[1];
    const QString valorMaximo = QStringLiteral("Valor Máximo: R$ ");
    const QString padrao = QStringLiteral("0.00");
    if (tipo == QStringLiteral("Acrescimo")) lblCabec->SetCaption(Titulo::Acrescimo);
    if (tipo == QStringLiteral("TaxaServico")) lblCabec->SetCaption(Titulo::TaxaServico);
    if (tipo == QStringLiteral("DescontoFidelidade")) {
        lblCabec->SetCaption(Titulo::Fidelidade);
        lblPrecentual->setVisible(false);
        imgPercentual->setVisible(false);
        bvlPercentual->setVisible(false);
        lblValor->SetCaption(valorMaximo + plat::FormatFloat(padrao, LeValor(p[2], kValorBase)));
    }
    const auto valorMaximoDoHost = [&](const QString& titulo) {
        lblCabec->SetCaption(titulo);
        lblPrecentual->setVisible(false);
        imgPercentual->setVisible(false);
        bvlPercentual->setVisible(false);
        imgValor->setVisible(false);
        bvlValor->setVisible(false);
        const double maximo = LeValor(p[3], kValorAnterior);
        lblValor->SetCaption(valorMaximo + plat::FormatFloat(padrao, maximo));
        flLimite = maximo;
    };
    if (tipo == QStringLiteral("DescontoCRMBONUS")) valorMaximoDoHost(Titulo::CrmBonus);
    if (tipo == QStringLiteral("DescontoGCOM")) valorMaximoDoHost(Titulo::CashBack);

    flVrBase = LeValor(p[2], kValorBase);
    flVrAnterior = LeValor(p[3], kValorAnterior);
    flVrBase = flVrBase + flVrAnterior;

    lblDadoDigitado->SetCaption(flVrAnterior > 0 ? plat::FloatToStrF(flVrAnterior, plat::TFloatFormat::ffFixed, 15, 2)
                                                 : QStringLiteral("0,00"));
    stDigitos.clear();
    stTipo = QStringLiteral("V");
    lblCodTela->SetCaption(MontaRodapeGeral(true, QStringLiteral("ORV00006"), QStringLiteral("N")));
}

}  // namespace Cli_orv00006
