// The cash-register display and the limit rule of every kind, without widgets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EntryLogic.h"
#include "orv00006/platform/sysutils.h"

using namespace Cli_orv00006;

namespace {

TEST(TextoDosDigitos, FillsFromTheRight) {
    struct Case {
        const char* typed;
        char sep;
        const char* shown;
    };
    const Case cases[] = {
        {"", ',', ""},
        {"1", ',', "0,01"},
        {"12", ',', "0,12"},
        {"123", ',', "1,23"},
        {"1234", ',', "12,34"},
        {"0", ',', "0,00"},
        {"05", ',', "0,05"},
        {"051", ',', "0,51"},
        {"0512", ',', "05,12"},
        {"2000", ',', "20,00"},
        {"123456789012", ',', "1234567890,12"},
        {"1234", '.', "12.34"},
        {"000", ',', "0,00"},
        {"0000", ',', "00,00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TextoDosDigitos(QString::fromLatin1(c.typed), QLatin1Char(c.sep)), QString::fromLatin1(c.shown))
            << c.typed;
}

// Runs a test body under a given decimal separator, restoring it after.
class SeparatorGuard {
public:
    explicit SeparatorGuard(QChar sep) : saved_(plat::DecimalSeparator()) { plat::SetDecimalSeparator(sep); }
    ~SeparatorGuard() { plat::SetDecimalSeparator(saved_); }

private:
    QChar saved_;
};

using Acao = Decisao::Acao;
constexpr double kSemMaximo = -1;  // no maximum discount value in the decision

struct DecisionCase {
    const char* label;
    QString cabecalho;
    const char* tipo;
    double limite, elemento2, elemento3;
    const char* display;  // under a comma separator
    Acao acao;
    double valor;        // accepted amount
    const char* chave;   // refusal key
    const char* figura;  // refusal figure
    double vrMaxDesc;
};

class Confirmation : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Confirmation, DecidesByTheKindsLimit) {
    SeparatorGuard comma(QLatin1Char(','));
    const DecisionCase& c = GetParam();
    const Limites l{c.cabecalho, QString::fromLatin1(c.tipo), c.limite, c.elemento2 + c.elemento3, c.elemento3};
    const Decisao d = DecisaoDaConfirmacao(l, QString::fromUtf8(c.display));
    EXPECT_EQ(d.acao, c.acao);
    EXPECT_EQ(d.tipo, c.acao == Acao::Aceita ? l.tipo : QString());
    EXPECT_EQ(d.valor, c.acao == Acao::Aceita ? c.valor : 0.0);
    EXPECT_EQ(d.chave, QString::fromLatin1(c.chave));
    EXPECT_EQ(d.figura, QString::fromLatin1(c.figura));
    if (c.vrMaxDesc == kSemMaximo) {
        EXPECT_FALSE(d.vrMaxDesc.has_value()) << d.vrMaxDesc.value_or(0);
    } else {
        ASSERT_TRUE(d.vrMaxDesc.has_value());
        EXPECT_EQ(*d.vrMaxDesc, c.vrMaxDesc);
    }
}

// Short names keep a row on one line.
constexpr Acao A = Acao::Aceita;
constexpr Acao R = Acao::Recusa;
constexpr Acao N = Acao::SemResultado;
constexpr const char* kPerMax = "PER_MAX_PERMITIDO";

std::vector<DecisionCase> DecisionCases() {
    const double no = kSemMaximo;
    return {
        // Plain discount: the parameters file's percentage of the base.
        {"discount_value_at_the_limit", Titulo::Desconto, "V", 10, 200, 0, "20,00", A, 20, "", "", 20},
        {"discount_value_a_cent_over", Titulo::Desconto, "V", 10, 200, 0, "20,01", R, 0, kPerMax, "20,00", 20},
        {"discount_percentage_at_the_limit", Titulo::Desconto, "P", 10, 200, 0, "10,00", A, 10, "", "", 20},
        {"discount_percentage_over", Titulo::Desconto, "P", 10, 200, 0, "10,01", R, 0, kPerMax, "20,00", 20},
        {"applied_20_nothing_more", Titulo::Desconto, "V", 10, 180, 20, "0,00", A, 0, "", "", 20},
        {"applied_20_a_cent_more", Titulo::Desconto, "V", 10, 180, 20, "0,01", R, 0, kPerMax, "0,00", 20},
        {"applied_20_prefilled_20", Titulo::Desconto, "V", 10, 180, 20, "20,00", R, 0, kPerMax, "0,00", 20},
        {"earlier_plus_new_percentage_at_the_limit", Titulo::Desconto, "P", 10, 180.5, 19.5, "0,25", A, 0.25, "", "",
         20},
        {"earlier_plus_new_percentage_over", Titulo::Desconto, "P", 10, 180.5, 19.5, "0,26", R, 0, kPerMax, "0,50", 20},
        {"limit_product_not_exact_in_binary", Titulo::Desconto, "V", 10, 200.1, 0, "20,01", A, 20.01, "", "", 20.01},
        {"no_parameters_file_no_limit", Titulo::Desconto, "V", 0, 200, 0, "1000000,00", A, 1e6, "", "", no},
        {"no_base_no_limit", Titulo::Desconto, "V", 10, 0, 0, "50,00", A, 50, "", "", no},
        {"translated_header_no_limit", QStringLiteral("Discount"), "V", 10, 200, 0, "50,00", A, 50, "", "", no},
        // Loyalty: the balance, element 2 plus element 3.
        {"loyalty_at_the_balance", Titulo::Fidelidade, "V", 0, 50, 0, "50,00", A, 50, "", "", no},
        {"loyalty_over_the_balance", Titulo::Fidelidade, "V", 0, 50, 0, "50,01", R, 0, "VRDESC_INV", "50,00", no},
        {"loyalty_ignores_the_mode", Titulo::Fidelidade, "P", 0, 50, 0, "50,01", R, 0, "VRDESC_INV", "50,00", no},
        {"loyalty_balance_plus_applied", Titulo::Fidelidade, "V", 0, 40, 10, "50,00", A, 50, "", "", no},
        {"loyalty_ignores_the_file_limit", Titulo::Fidelidade, "V", 10, 50, 0, "40,00", A, 40, "", "", no},
        // Cashback and CRM&Bonus: the host's maximum.
        {"cashback_at_the_maximum", Titulo::CashBack, "V", 30, 100, 30, "30,00", A, 30, "", "", no},
        {"cashback_over_the_maximum", Titulo::CashBack, "V", 30, 100, 30, "30,01", R, 0, "VR_MAX_DESC", "", no},
        {"crm_bonus_at_the_maximum", Titulo::CrmBonus, "V", 30, 100, 30, "30,00", A, 30, "", "", no},
        {"crm_bonus_over_the_maximum", Titulo::CrmBonus, "P", 30, 100, 30, "30,01", R, 0, kPerMax, "30,00", no},
        {"cuts_past_the_second_decimal", Titulo::CashBack, "V", 30.009, 0, 0, "30,0099", A, 30.0099, "", "", no},
        // Kinds without a limit.
        {"surcharge_takes_anything", Titulo::Acrescimo, "V", 10, 200, 0, "1000000000", A, 1e9, "", "", no},
        {"service_fee_takes_anything", Titulo::TaxaServico, "P", 10, 200, 0, "500,00", A, 500, "", "", no},
        // Nothing on display: no amount, so no limit either.
        {"empty_display", Titulo::Desconto, "V", 10, 200, 0, "", N, 0, "", "", no},
        {"blank_display", Titulo::Fidelidade, "V", 0, 0, 0, "  ", N, 0, "", "", no},
    };
}

INSTANTIATE_TEST_SUITE_P(EveryKind, Confirmation, ::testing::ValuesIn(DecisionCases()),
                         [](const auto& tp) { return std::string(tp.param.label); });

}  // namespace
