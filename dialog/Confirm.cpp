// Confirmation against the kind's limit, and cancel.
#include <QAccessible>

#include "Cli_orv00006.h"
#include "EntryLogic.h"
#include "orv00006/dll/Consiste.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/dll/Messages.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"

namespace Cli_orv00006 {

bool TfrmDesc::ValidaDesconto() {
    const QString texto = lblDadoDigitado->Caption();
    // An empty display holds no amount to check: its conversion error is
    // the answer, as for any other text that is no number.
    if (dll::EmptyString(texto)) static_cast<void>(plat::StrToFloat(texto));
    const Decisao d = DecisaoDaConfirmacao({lblCabec->Caption(), stTipo, flLimite, flVrBase, flVrAnterior}, texto);
    if (d.vrMaxDesc) flVrMaxDesc = *d.vrMaxDesc;
    return d.acao != Decisao::Acao::Recusa;
}

void TfrmDesc::sbtEnterClick(QObject* /*Sender*/) {
    // Input still queued behind the key that closed the dialog must not
    // change the decision already taken.
    if (!isVisible()) return;
    const Limites l{lblCabec->Caption(), stTipo, flLimite, flVrBase, flVrAnterior};
    const Decisao d = DecisaoDaConfirmacao(l, lblDadoDigitado->Caption());
    if (d.vrMaxDesc) flVrMaxDesc = *d.vrMaxDesc;
    switch (d.acao) {
    case Decisao::Acao::Aceita:
        cdsRetorno->Close();
        cdsRetorno->CreateDataSet();
        cdsRetorno->Insert();
        cdsRetornoTIPO->SetAsString(d.tipo);
        cdsRetornoVALOR->SetAsFloat(d.valor);
        cdsRetorno->Post();
        vaRetorno = cdsRetorno->Data();
        if (QAccessible::isActive())
            plat::Announce(QStringLiteral("Confirmado: %1, %2.").arg(ValorFalado(), ModoFalado()));
        break;
    case Decisao::Acao::Recusa: {
        QString mensagem = msgPadrao->Msg(d.chave);
        if (!d.figura.isEmpty()) mensagem = plat::Format(mensagem, {d.figura});
        dll::Mensagem(mensagem, QString(), QStringLiteral("N"), QStringLiteral("N"), dll::TTipoMsg::tmErro, QString(),
                      QString(), 0, nullptr);
        plat::Abort();
    }
    case Decisao::Acao::SemResultado:
        break;
    }
    Close();
}

void TfrmDesc::sbtCancelarClick(QObject* /*Sender*/) {
    if (!isVisible()) return;  // already closed: the decision stands
    cdsRetorno->Close();
    cdsRetorno->CreateDataSet();
    vaRetorno = cdsRetorno->Data();
    if (QAccessible::isActive()) plat::Announce(QStringLiteral("Cancelado."));
    Close();
}

}  // namespace Cli_orv00006
