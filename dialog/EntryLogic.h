#pragma once
// What the dialog decides without any widget: the cash-register display of
// the typed digits, the kinds of adjustment, and the limit rule of each kind.
#include <QChar>
#include <QString>

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
    QString cabecalho;   // header text
    QString tipo;        // "V" value, "P" percentage
    double limite = 0;   // maximum percentage, or maximum value
    double vrBase = 0;   // base amount (element 2 + element 3)
    double vrAnterior = 0;  // amount already applied (element 3)
};

// Whether `valor` is within the limit of the kind. On the plain-discount
// path `vrMaxDesc` receives the maximum discount value; elsewhere it is left
// as it was.
bool DentroDoLimite(const Limites& l, double valor, double& vrMaxDesc);

// The message table key for a refused amount of the kind, or "" when the
// kind never refuses.
QString ChaveDaRecusa(const QString& cabecalho);

// The figure a refusal message shows, formatted "0.00"; empty when its text
// has no placeholder.
QString FiguraDaRecusa(const Limites& l, double vrMaxDesc);

}  // namespace Cli_orv00006
