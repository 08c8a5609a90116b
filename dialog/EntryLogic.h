#pragma once
// What the dialog decides without any widget: the cash-register display of
// the typed digits, the kinds of adjustment, and the limit rule of each kind.
#include <QChar>
#include <QString>

#include <optional>

namespace Cli_orv00006 {

// At most this many digits are typed; the last two are the decimals.
inline constexpr int kMaxDigitos = 12;

// The display for the typed digits: "" for none, then 0,0d / 0,dd /
// ddd...,dd with `separador` between integer part and decimals.
QString TextoDosDigitos(const QString& digitos, QChar separador);

// Header texts; the header is how the dialog remembers its kind. The doubled
// ampersand is part of the stored title (a label shows one).
namespace Titulo {
inline const QString Desconto = QStringLiteral("Desconto");
inline const QString Acrescimo = QStringLiteral("Acréscimo");
inline const QString TaxaServico = QStringLiteral("Taxa de Serviço");
inline const QString Fidelidade = QStringLiteral("Desconto Fidelidade");
inline const QString CrmBonus = QStringLiteral("Desconto CRM&&Bonus");
inline const QString CashBack = QStringLiteral("Desconto CashBack");
}  // namespace Titulo

// Inputs of the limit rule.
struct Limites {
    QString cabecalho;      // header text
    QString tipo;           // "V" value, "P" percentage
    double limite = 0;      // maximum percentage, or maximum value
    double vrBase = 0;      // base amount (element 2 + element 3)
    double vrAnterior = 0;  // amount already applied (element 3)
};

// The limit rules, one per kind that has a limit; every other header, a
// translated one too, has none.
enum class Regra { SemLimite, Desconto, Fidelidade, CrmBonus, CashBack };

// The rule of the kind a header text names, by the literal titles above.
Regra RegraDoCabecalho(const QString& cabecalho);

// What confirming the amount on display comes to.
struct Decisao {
    enum class Acao {
        Aceita,       // hand back `tipo` and `valor`
        Recusa,       // show message `chave`, then stay open
        SemResultado  // empty display: close without a packet
    };
    Acao acao = Acao::SemResultado;
    QString tipo;
    double valor = 0;
    QString chave;
    // The figure for the message's placeholder, formatted "0.00"; empty
    // when the message has none.
    QString figura;
    // The plain discount's maximum value, whenever its limit applies.
    std::optional<double> vrMaxDesc;
};

// The decision for the display text `texto` against the kind's limit. The
// amount is read with plat::StrToFloat, whose error reaches the caller.
Decisao DecisaoDaConfirmacao(const Limites& l, const QString& texto);

}  // namespace Cli_orv00006
