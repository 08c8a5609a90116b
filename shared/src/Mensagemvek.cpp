#include "orv00006/dll/Mensagemvek.h"

#include <QMutex>

#include "orv00006/platform/forms.h"

namespace dll {

namespace {
QMutex g_mutex;
MensagemPresenter g_presenter;
}  // namespace

void SetMensagemPresenter(MensagemPresenter presenter) {
    QMutexLocker lock(&g_mutex);
    g_presenter = std::move(presenter);
}

void Mensagem(const QString& texto, const QString& titulo, const QString& confirma, const QString& padrao,
              TTipoMsg tipo, const QString& botao1, const QString& botao2, int tempo, plat::TClientDataSet* dados) {
    const MensagemArgs args{texto, titulo, confirma, padrao, tipo, botao1, botao2, tempo, dados};
    MensagemPresenter presenter;
    {
        QMutexLocker lock(&g_mutex);
        presenter = g_presenter;
    }
    if (presenter) {
        presenter(args);
        return;
    }
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (tipo) {
    case TTipoMsg::tmErro:
        icon = QMessageBox::Critical;
        break;
    case TTipoMsg::tmAviso:
        icon = QMessageBox::Warning;
        break;
    case TTipoMsg::tmPergunta:
        icon = QMessageBox::Question;
        break;
    case TTipoMsg::tmInformacao:
        break;
    }
    plat::ShowMessageBox(icon, titulo.isEmpty() ? QStringLiteral("Atenção") : titulo, texto);
}

QString MontaRodapeGeral(bool /*completo*/, const QString& codigoTela, const QString& /*extra*/) {
    // Screen codes read as a word: "ORV00006" shows as "Orv00006".
    if (codigoTela.isEmpty()) return {};
    return codigoTela.left(1).toUpper() + codigoTela.mid(1).toLower();
}

}  // namespace dll
