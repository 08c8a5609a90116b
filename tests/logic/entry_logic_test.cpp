// The cash-register display and the limit rule of every kind, without widgets.
#include <gtest/gtest.h>

#include "EntryLogic.h"
#include "platform/sysutils.h"

using namespace Cli_orv00006;

namespace {

TEST(TextoDosDigitos, FillsFromTheRight) {
    struct Case {
        const char* typed;
        char sep;
        const char* shown;
    };
    const Case cases[] = {
        {"", ',', ""},          {"1", ',', "0,01"},        {"12", ',', "0,12"},     {"123", ',', "1,23"},
        {"1234", ',', "12,34"}, {"0", ',', "0,00"},        {"05", ',', "0,05"},     {"051", ',', "0,51"},
        {"0512", ',', "05,12"}, {"2000", ',', "20,00"},    {"123456789012", ',', "1234567890,12"},
        {"1234", '.', "12.34"}, {"000", ',', "0,00"},      {"0000", ',', "00,00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextoDosDigitos(QString::fromLatin1(c.typed), QLatin1Char(c.sep)), QString::fromLatin1(c.shown))
            << c.typed;
}

struct LimitCase {
    const char* what;
    QString cabecalho;
    const char* tipo;
    double limite, elemento2, elemento3, valor;
    bool aceito;
};

TEST(DentroDoLimite, EveryKindInBothModes) {
    const LimitCase cases[] = {
        {"10% of 200, value at the limit", Titulo::Desconto, "V", 10, 200, 0, 20.00, true},
        {"10% of 200, value a cent over", Titulo::Desconto, "V", 10, 200, 0, 20.01, false},
        {"10% of 200, percentage at the limit", Titulo::Desconto, "P", 10, 200, 0, 10.00, true},
        {"10% of 200, percentage over", Titulo::Desconto, "P", 10, 200, 0, 10.01, false},
        {"20 already applied, nothing more", Titulo::Desconto, "V", 10, 180, 20, 0.00, true},
        {"20 already applied, a cent more", Titulo::Desconto, "V", 10, 180, 20, 0.01, false},
        {"20 already applied, prefilled 20,00", Titulo::Desconto, "V", 10, 180, 20, 20.00, false},
        {"earlier percentage plus new one at the limit", Titulo::Desconto, "P", 10, 180.5, 19.5, 0.25, true},
        {"earlier percentage plus new one over", Titulo::Desconto, "P", 10, 180.5, 19.5, 0.26, false},
        {"a limit whose product is not exact in binary", Titulo::Desconto, "V", 10, 200.1, 0, 20.01, true},
        {"no parameters file: no limit", Titulo::Desconto, "V", 0, 200, 0, 1e6, true},
        {"no base: no limit", Titulo::Desconto, "V", 10, 0, 0, 50, true},
        {"translated header: no limit", QStringLiteral("Discount"), "V", 10, 200, 0, 50, true},
        {"loyalty at the balance", Titulo::Fidelidade, "V", 0, 50, 0, 50.00, true},
        {"loyalty over the balance", Titulo::Fidelidade, "V", 0, 50, 0, 50.01, false},
        {"loyalty ignores the mode", Titulo::Fidelidade, "P", 0, 50, 0, 50.01, false},
        {"loyalty compares with balance plus applied", Titulo::Fidelidade, "V", 0, 40, 10, 50.00, true},
        {"loyalty ignores the parameters file limit", Titulo::Fidelidade, "V", 10, 50, 0, 40.00, true},
        {"cashback at the maximum", Titulo::CashBack, "V", 30, 100, 30, 30.00, true},
        {"cashback over the maximum", Titulo::CashBack, "V", 30, 100, 30, 30.01, false},
        {"CRM&Bonus at the maximum", Titulo::CrmBonus, "V", 30, 100, 30, 30.00, true},
        {"CRM&Bonus over the maximum", Titulo::CrmBonus, "P", 30, 100, 30, 30.01, false},
        {"cuts beyond the second decimal before comparing", Titulo::CashBack, "V", 30.009, 0, 0, 30.0099, true},
        {"surcharge takes anything", Titulo::Acrescimo, "V", 10, 200, 0, 1e9, true},
        {"service fee takes anything", Titulo::TaxaServico, "P", 10, 200, 0, 500, true},
    };
    for (const auto& c : cases) {
        const Limites l{c.cabecalho, QString::fromLatin1(c.tipo), c.limite, c.elemento2 + c.elemento3, c.elemento3};
        double maxDesc = -1;
        EXPECT_EQ(DentroDoLimite(l, c.valor, maxDesc), c.aceito) << c.what;
    }
}

TEST(DentroDoLimite, OnlyThePlainDiscountComputesTheMaximum) {
    double maxDesc = -1;
    DentroDoLimite({Titulo::Desconto, QStringLiteral("V"), 10, 200, 20}, 0, maxDesc);
    EXPECT_EQ(maxDesc, 20.0);
    maxDesc = -1;
    DentroDoLimite({Titulo::CrmBonus, QStringLiteral("V"), 10, 200, 20}, 0, maxDesc);
    EXPECT_EQ(maxDesc, -1.0);
}

TEST(Recusa, KeyAndFigureByKind) {
    plat::SetDecimalSeparator(QLatin1Char(','));
    struct Case {
        QString cabecalho;
        double limite, vrBase, vrAnterior, vrMaxDesc;
        const char* chave;
        const char* figura;
    };
    const Case cases[] = {
        {Titulo::Desconto, 10, 200, 0, 20, "PER_MAX_PERMITIDO", "20,00"},
        {Titulo::Desconto, 10, 200, 20, 20, "PER_MAX_PERMITIDO", "0,00"},
        {Titulo::CrmBonus, 30, 130, 30, 0, "PER_MAX_PERMITIDO", "30,00"},
        {Titulo::Fidelidade, 0, 50, 0, 0, "VRDESC_INV", "50,00"},
        {Titulo::CashBack, 30, 130, 30, 0, "VR_MAX_DESC", ""},
        {Titulo::Acrescimo, 0, 0, 0, 0, "", ""},
    };
    for (const auto& c : cases) {
        const Limites l{c.cabecalho, QStringLiteral("V"), c.limite, c.vrBase, c.vrAnterior};
        EXPECT_EQ(ChaveDaRecusa(c.cabecalho), QString::fromLatin1(c.chave)) << c.cabecalho.toStdString();
        EXPECT_EQ(FiguraDaRecusa(l, c.vrMaxDesc), QString::fromLatin1(c.figura)) << c.cabecalho.toStdString();
    }
}

}  // namespace
