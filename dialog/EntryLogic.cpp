#include "EntryLogic.h"

#include <utility>

#include "orv00006/dll/Consiste.h"
#include "orv00006/platform/sysutils.h"

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

Regra RegraDoCabecalho(const QString& cabecalho) {
    static const struct {
        const QString* titulo;
        Regra regra;
    } kTitulos[] = {
        {&Titulo::Desconto, Regra::Desconto},
        {&Titulo::Fidelidade, Regra::Fidelidade},
        {&Titulo::CrmBonus, Regra::CrmBonus},
        {&Titulo::CashBack, Regra::CashBack},
    };
    for (const auto& t : kTitulos)
        if (cabecalho == *t.titulo) return t.regra;
    return Regra::SemLimite;
}

namespace {

Decisao Recusa(Decisao d, const char* chave, QString figura) {
    d.acao = Decisao::Acao::Recusa;
    d.chave = QString::fromLatin1(chave);
    d.figura = std::move(figura);
    return d;
}

}  // namespace

Decisao DecisaoDaConfirmacao(const Limites& l, const QString& texto) {
    Decisao d;
    if (dll::EmptyString(texto)) return d;
    const double valor = plat::StrToFloat(texto);
    const QString padrao = QStringLiteral("0.00");
    // Intermediates at the widest precision; what Trunc2 takes and what is
    // stored is a double. A refusal is the acceptance test negated, so a NaN
    // (an overflowing base) fails it.
    using wide = long double;
    switch (RegraDoCabecalho(l.cabecalho)) {
    case Regra::Desconto:
        if (l.limite > 0 && l.vrBase > 0) {
            const double maximo = dll::Trunc2(static_cast<double>(wide(l.limite) / 100 * l.vrBase));
            d.vrMaxDesc = maximo;
            const double p0 =
                l.vrAnterior > 0 ? dll::Trunc2(static_cast<double>(100 * wide(l.vrAnterior) / l.vrBase)) : 0.0;
            const double total = l.tipo == QLatin1String("P")
                                     ? dll::Trunc2(static_cast<double>((wide(valor) + p0) / 100 * l.vrBase))
                                     : dll::Trunc2(static_cast<double>(wide(valor) + l.vrAnterior));
            if (!(total <= maximo))
                return Recusa(d, "PER_MAX_PERMITIDO", plat::FormatFloat(padrao, maximo - l.vrAnterior));
        }
        break;
    case Regra::Fidelidade:
        if (!(dll::Trunc2(l.vrBase) >= dll::Trunc2(valor)))
            return Recusa(d, "VRDESC_INV", plat::FormatFloat(padrao, l.vrBase));
        break;
    case Regra::CrmBonus:
        // CRM&Bonus never computes a maximum discount value: the largest
        // amount it allows is its limit.
        if (!(dll::Trunc2(l.limite) >= dll::Trunc2(valor)))
            return Recusa(d, "PER_MAX_PERMITIDO", plat::FormatFloat(padrao, l.limite));
        break;
    case Regra::CashBack:
        if (!(dll::Trunc2(l.limite) >= dll::Trunc2(valor))) return Recusa(d, "VR_MAX_DESC", QString());
        break;
    case Regra::SemLimite:
        break;
    }
    d.acao = Decisao::Acao::Aceita;
    d.tipo = l.tipo;
    d.valor = valor;
    return d;
}

}  // namespace Cli_orv00006
