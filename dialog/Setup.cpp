// Set-up of a fresh dialog from the call parameters and the parameters file
// beside the host program.
#include <cmath>
#include <optional>
#include <vector>

#include "Cli_orv00006.h"
#include "EntryLogic.h"
#include "Parametros.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"

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
        throw plat::EConvertError(
            QStringLiteral("O %1 informado não é um número válido: %2.").arg(QString::fromUtf8(papel), v.Describe()));
    // No amount of a sale is negative; taken as given, a negative amount
    // would widen the limit instead of enforcing it.
    if (valor < 0)
        throw plat::EConvertError(
            QStringLiteral("O %1 informado não pode ser negativo: %2.").arg(QString::fromUtf8(papel), v.Describe()));
    return valor;
}

const char* const kValorBase = "valor base (elemento 2)";
const char* const kValorAnterior = "valor já aplicado (elemento 3)";

// Where a figure of the set-up comes from.
enum class Origem { Nenhuma, Elemento2, Elemento3 };

// A kind key of element 1 and what it changes on the fresh dialog; a key
// not listed (or not text) keeps the plain discount.
struct Ajuste {
    const char* chave;
    const QString* titulo;
    bool escondePercentual;  // lblPrecentual, imgPercentual, bvlPercentual
    bool escondeValor;       // imgValor, bvlValor
    Origem valorMaximo;      // shown on lblValor
    Origem limite;           // Nenhuma: the parameters file's
};

const Ajuste kAjustes[] = {
    {"Acrescimo", &Titulo::Acrescimo, false, false, Origem::Nenhuma, Origem::Nenhuma},
    {"TaxaServico", &Titulo::TaxaServico, false, false, Origem::Nenhuma, Origem::Nenhuma},
    {"DescontoFidelidade", &Titulo::Fidelidade, true, false, Origem::Elemento2, Origem::Nenhuma},
    {"DescontoCRMBONUS", &Titulo::CrmBonus, true, true, Origem::Elemento3, Origem::Elemento3},
    {"DescontoGCOM", &Titulo::CashBack, true, true, Origem::Elemento3, Origem::Elemento3},
};

}  // namespace

void TfrmDesc::InicializaForm(const plat::Variant* params, int high) {
    const std::vector<plat::Variant> p(params, params + high + 1);

    flLimite = LeLimite(*cdsParametrosVek, ArquivoDaChamada());

    // Each element is converted once, when first needed: which element's
    // error a bad call shows follows the order the kind reads them in.
    std::optional<double> lidos[2];
    const auto elemento = [&](Origem origem) {
        const bool base = origem == Origem::Elemento2;
        std::optional<double>& lido = lidos[base ? 0 : 1];
        if (!lido) lido = LeValor(p[base ? 2 : 3], base ? kValorBase : kValorAnterior);
        return *lido;
    };

    // Every key is compared (only one can match); a key that is not text
    // matches none and keeps the plain discount.
    const plat::Variant& tipo = p[1];
    const QString valorMaximo = QStringLiteral("Valor Máximo: R$ ");
    const QString padrao = QStringLiteral("0.00");
    for (const Ajuste& a : kAjustes) {
        if (!(tipo == QString::fromLatin1(a.chave))) continue;
        lblCabec->SetCaption(*a.titulo);
        if (a.escondePercentual) {
            lblPrecentual->setVisible(false);
            imgPercentual->setVisible(false);
            bvlPercentual->setVisible(false);
        }
        if (a.escondeValor) {
            imgValor->setVisible(false);
            bvlValor->setVisible(false);
        }
        if (a.valorMaximo != Origem::Nenhuma)
            lblValor->SetCaption(valorMaximo + plat::FormatFloat(padrao, elemento(a.valorMaximo)));
        if (a.limite != Origem::Nenhuma) flLimite = elemento(a.limite);
    }

    flVrBase = elemento(Origem::Elemento2);
    flVrAnterior = elemento(Origem::Elemento3);
    flVrBase = flVrBase + flVrAnterior;

    lblDadoDigitado->SetCaption(flVrAnterior > 0 ? plat::FloatToStrF(flVrAnterior, plat::TFloatFormat::ffFixed, 15, 2)
                                                 : QStringLiteral("0,00"));
    stDigitos.clear();
    stTipo = QStringLiteral("V");
    MarcaOpcao();
    lblCodTela->SetCaption(dll::MontaRodapeGeral(true, QStringLiteral("ORV00006"), QStringLiteral("N")));
    // Assistive technology names the window after the title the operator
    // reads; the window title itself stays as the layout has it.
    plat::SetSpokenName(this, plat::TLabel::DisplayText(lblCabec->Caption()));
}

}  // namespace Cli_orv00006
