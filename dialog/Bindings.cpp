// Touch and keyboard: every input mapped to an entry operation.
#include <QAccessible>

#include "Cli_orv00006.h"

namespace Cli_orv00006 {
namespace {
// Exactly Alt: no Shift, Ctrl or mouse button with it.
bool SoAlt(plat::TShiftState shift) { return shift == plat::ssAlt; }
}  // namespace

void TfrmDesc::FormKeyDown(QObject* /*Sender*/, quint16& Key, plat::TShiftState Shift) {
    if (Key == plat::VK_RETURN)
        sbtEnterClick(sbtEnter);
    else if (Key == plat::VK_BACK)
        sbtCorrigirClick(sbtCorrigir);
    else if (Key == plat::VK_DELETE)
        Limpa();
    // The toolkit's own Alt+F4 close must not happen.
    if (Key == plat::VK_F4 && SoAlt(Shift)) Key = 0;
    if (Key == 'V' && SoAlt(Shift)) emit imgValor->OnClick(imgValor);
    if (Key == 'P' && SoAlt(Shift)) emit imgPercentual->OnClick(imgPercentual);
    if (Key == plat::VK_ESCAPE) sbtCancelarClick(sbtCancelar);
}

void TfrmDesc::sbt1Click(QObject* Sender) {
    // The key's Tag holds its digit's character code; typing goes to the
    // dialog that owns the key.
    if (Sender == nullptr) return;
    QChar c(static_cast<char16_t>(Sender->property("Tag").toInt()));
    FormKeyPress(Sender, c);
}

void TfrmDesc::imgValorClick(QObject* /*Sender*/) {
    imgValor->SetPicture(imgRef->Picture());
    imgPercentual->SetPicture(imgClear->Picture());
    stTipo = QStringLiteral("V");
    MarcaOpcao();
    Repaint();
    if (QAccessible::isActive()) plat::Announce(ModoFalado());
}

void TfrmDesc::imgPercentualClick(QObject* /*Sender*/) {
    imgPercentual->SetPicture(imgRef->Picture());
    imgValor->SetPicture(imgClear->Picture());
    stTipo = QStringLiteral("P");
    MarcaOpcao();
    Repaint();
    if (QAccessible::isActive()) plat::Announce(ModoFalado());
}

QString TfrmDesc::ModoFalado() const {
    return plat::SpokenName(stTipo == QLatin1String("P") ? imgPercentual : imgValor);
}

QString TfrmDesc::DescricaoFalada() const {
    QString d = ValorFalado() + QStringLiteral(", ") + ModoFalado() + QLatin1Char('.');
    // Where the caption beside the value option shows the limit instead of
    // naming the option.
    if (const QString limite = plat::TLabel::DisplayText(lblValor->Caption());
        lblValor->isVisible() && limite != plat::SpokenName(imgValor))
        d += QLatin1Char(' ') + limite + QLatin1Char('.');
    return d;
}

void TfrmDesc::MarcaOpcao() {
    imgValor->SetChecked(stTipo == QLatin1String("V"));
    imgPercentual->SetChecked(stTipo == QLatin1String("P"));
}

}  // namespace Cli_orv00006
