// Confirmation against the kind's limit, and cancel.
#include "Cli_orv00006.h"
#include "EntryLogic.h"
#include "dll/Consiste.h"
#include "dll/Mensagemvek.h"
#include "dll/Messages.h"
#include "platform/exceptions.h"
#include "platform/sysutils.h"

namespace Cli_orv00006 {

bool TfrmDesc::ValidaDesconto() {
    const Limites l{lblCabec->Caption(), stTipo, flLimite, flVrBase, flVrAnterior};
    return DentroDoLimite(l, plat::StrToFloat(lblDadoDigitado->Caption()), flVrMaxDesc);
}

void TfrmDesc::sbtEnterClick(QObject* /*Sender*/) {
    // Input still queued behind the key that closed the dialog must not
    // change the decision already taken.
    if (!isVisible()) return;
    const QString texto = lblDadoDigitado->Caption();
    if (!EmptyString(texto)) {
        if (ValidaDesconto()) {
            cdsRetorno->Close();
            cdsRetorno->CreateDataSet();
            cdsRetorno->Insert();
            cdsRetornoTIPO->SetAsString(stTipo);
            cdsRetornoVALOR->SetAsFloat(plat::StrToFloat(texto));
            cdsRetorno->Post();
            vaRetorno = cdsRetorno->Data();
        } else {
            const Limites l{lblCabec->Caption(), stTipo, flLimite, flVrBase, flVrAnterior};
            const QString chave = ChaveDaRecusa(l.cabecalho);
            QString mensagem = msgPadrao->Msg(chave);
            if (chave != QLatin1String("VR_MAX_DESC")) mensagem = plat::Format(mensagem, {FiguraDaRecusa(l, flVrMaxDesc)});
            Mensagem(mensagem, QString(), QStringLiteral("N"), QStringLiteral("N"), TTipoMsg::tmErro, QString(), QString(),
                     0, nullptr);
            plat::Abort();
        }
    }
    Close();
}

void TfrmDesc::sbtCancelarClick(QObject* /*Sender*/) {
    if (!isVisible()) return;  // already closed: the decision stands
    cdsRetorno->Close();
    cdsRetorno->CreateDataSet();
    vaRetorno = cdsRetorno->Data();
    Close();
}

}  // namespace Cli_orv00006
