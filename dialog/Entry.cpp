// Cash-register entry: digits fill the amount from the right.
#include <QAccessible>

#include "Cli_orv00006.h"
#include "EntryLogic.h"
#include "orv00006/platform/sysutils.h"

namespace Cli_orv00006 {

void TfrmDesc::ShowDigits() { lblDadoDigitado->SetCaption(TextoDosDigitos(stDigitos, plat::DecimalSeparator())); }

void TfrmDesc::FormKeyPress(QObject* /*Sender*/, QChar& Key) {
    if (Key < QLatin1Char('0') || Key > QLatin1Char('9')) return;
    if (stDigitos.size() >= kMaxDigitos) {
        Key = QChar(0);  // swallowed
        if (QAccessible::isActive()) plat::Announce(ValorFalado());
        return;
    }
    stDigitos += Key;
    ShowDigits();
    if (QAccessible::isActive()) plat::Announce(ValorFalado());
}

void TfrmDesc::sbtCorrigirClick(QObject* /*Sender*/) {
    stDigitos.chop(1);
    ShowDigits();
    Repaint();
    if (QAccessible::isActive()) plat::Announce(ValorFalado());
}

void TfrmDesc::Limpa() {
    lblDadoDigitado->SetCaption(QString());
    stDigitos.clear();
    if (QAccessible::isActive()) plat::Announce(ValorFalado());
}

QString TfrmDesc::ValorFalado() const {
    const QString shown = plat::TLabel::DisplayText(lblDadoDigitado->Caption());
    return shown.isEmpty() ? QStringLiteral("Visor vazio") : shown;
}

}  // namespace Cli_orv00006
