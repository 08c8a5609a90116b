#pragma once
// Operator messages and screen footers.
#include <QString>
#include <functional>

#include "orv00006/dll/export.h"

namespace plat {
class TClientDataSet;
}

namespace dll {

// Kinds of operator message.
enum class TTipoMsg { tmInformacao = 0, tmPergunta = 1, tmAviso = 2, tmErro = 3 };

// Everything a call of Mensagem carried, for presenters.
struct MensagemArgs {
    QString texto;
    QString titulo;
    QString confirma;
    QString padrao;
    TTipoMsg tipo = TTipoMsg::tmInformacao;
    QString botao1;
    QString botao2;
    int tempo = 0;
    plat::TClientDataSet* dados = nullptr;
};
using MensagemPresenter = std::function<void(const MensagemArgs&)>;

// Shows `texto` to the operator and returns when it has been seen. By default
// a modal message box; a host may install its own presenter.
DLL_API void Mensagem(const QString& texto, const QString& titulo, const QString& confirma, const QString& padrao,
                      TTipoMsg tipo, const QString& botao1, const QString& botao2, int tempo,
                      plat::TClientDataSet* dados);

// Replaces the presenter (an empty one restores the message box).
DLL_API void SetMensagemPresenter(MensagemPresenter presenter);

// Footer text for a screen: the screen code as the operator knows it.
DLL_API QString MontaRodapeGeral(bool completo, const QString& codigoTela, const QString& extra);

}  // namespace dll
