#include "EntryLogic.h"

#include "dll/Consiste.h"
#include "platform/sysutils.h"

namespace Cli_orv00006 {

QString TextoDosDigitos(const QString& digitos, QChar separador) {
    const qsizetype n = digitos.size();
    if (n == 0) return {};
    QString texto;
    texto.reserve(n + 3);
    if (n == 1) {
        texto += QLatin1Char('0');
        texto += separador;
        texto += QLatin1Char('0');
        texto += digitos;
    } else if (n == 2) {
        texto += QLatin1Char('0');
        texto += separador;
        texto += digitos;
    } else {
        texto += QStringView(digitos).left(n - 2);
        texto += separador;
        texto += QStringView(digitos).right(2);
    }
    return texto;
}

bool DentroDoLimite(const Limites& l, double valor, double& vrMaxDesc) {
    // Intermediates at the widest precision; what Trunc2 takes and what is
    // stored is a double.
    using wide = long double;
    if (l.limite > 0 && l.cabecalho == Titulo::Desconto && l.vrBase > 0) {
        vrMaxDesc = Trunc2(static_cast<double>(wide(l.limite) / 100 * l.vrBase));
        const double p0 = l.vrAnterior > 0 ? Trunc2(static_cast<double>(100 * wide(l.vrAnterior) / l.vrBase)) : 0.0;
        const double total = l.tipo == QLatin1String("P")
                                 ? Trunc2(static_cast<double>((wide(valor) + p0) / 100 * l.vrBase))
                                 : Trunc2(static_cast<double>(wide(valor) + l.vrAnterior));
        return total <= vrMaxDesc;
    }
    if (l.cabecalho == Titulo::Fidelidade) return Trunc2(l.vrBase) >= Trunc2(valor);
    if (l.cabecalho == Titulo::CrmBonus || l.cabecalho == Titulo::CashBack)
        return Trunc2(l.limite) >= Trunc2(valor);
    return true;
}

QString ChaveDaRecusa(const QString& cabecalho) {
    if (cabecalho == Titulo::Desconto || cabecalho == Titulo::CrmBonus) return QStringLiteral("PER_MAX_PERMITIDO");
    if (cabecalho == Titulo::Fidelidade) return QStringLiteral("VRDESC_INV");
    if (cabecalho == Titulo::CashBack) return QStringLiteral("VR_MAX_DESC");
    return {};
}

QString FiguraDaRecusa(const Limites& l, double vrMaxDesc) {
    const QString pattern = QStringLiteral("0.00");
    if (l.cabecalho == Titulo::Desconto) return plat::FormatFloat(pattern, vrMaxDesc - l.vrAnterior);
    // CRM&Bonus never computes a maximum discount value: the largest amount
    // it allows is its limit.
    if (l.cabecalho == Titulo::CrmBonus) return plat::FormatFloat(pattern, l.limite);
    if (l.cabecalho == Titulo::Fidelidade) return plat::FormatFloat(pattern, l.vrBase);
    return {};
}

}  // namespace Cli_orv00006
