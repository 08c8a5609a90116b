// pdv-host's command line: the words of every usage error, which value wins,
// and the call's elements built from the options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostOptions.h"

namespace {

struct OptionCase {
    const char* name;
    QStringList args;
    const char* error;  // "" when the line is good
};

const OptionCase kOptionCases[] = {
    {"NoOptions", {}, ""},
    {"EveryOption",
     {"--module",
      "m.so",
      "--kind",
      "Acrescimo",
      "--base",
      "1",
      "--applied",
      "2",
      "--param",
      "4=int:5",
      "--high",
      "4",
      "--decimal-separator",
      ",",
      "--keys",
      "1 Enter",
      "--json",
      "--packet-out",
      "p",
      "--screenshot",
      "s.png",
      "--repeat",
      "2",
      "--timing",
      "--version",
      "--help"},
     ""},
    {"UnknownOption", {"--bogus"}, "opção desconhecida '--bogus'"},
    {"UnknownOptionWithAValue", {"--bogus=1"}, "opção desconhecida '--bogus=1'"},
    {"StrayWord", {"--json", "foo"}, "opção desconhecida 'foo'"},
    {"ValueGivenToASwitch", {"--json=1"}, "opção desconhecida '--json=1'"},
    {"MissingValue", {"--high"}, "--high precisa de um valor"},
    {"MissingValueAfterOthers", {"--json", "--kind"}, "--kind precisa de um valor"},
    {"HighNotANumber", {"--high", "x"}, "--high espera um número de -1 a 64"},
    {"HighTooLow", {"--high", "-2"}, "--high espera um número de -1 a 64"},
    {"HighTooHigh", {"--high", "65"}, "--high espera um número de -1 a 64"},
    {"SeparatorTooLong", {"--decimal-separator", ",,"}, "--decimal-separator espera um caractere"},
    {"UnknownKey", {"--keys", "1 Hyper+Q Enter"}, "--keys: token desconhecido 'Hyper+Q'"},
    {"LastUnknownKeyOfAScript", {"--keys", "Foo Bar"}, "--keys: token desconhecido 'Bar'"},
    {"RepeatZero", {"--keys", "Esc", "--repeat", "0"}, "--repeat espera um número positivo"},
    {"RepeatWithoutKeys", {"--repeat", "2"}, "--repeat precisa de --keys"},
    {"ParamWithoutType", {"--param", "2"}, "--param espera I=TIPO:VALOR, recebido '2'"},
    {"ParamIndexTooHigh", {"--param", "65=null"}, "--param: índice inválido em '65=null'"},
    {"ParamNotADouble", {"--param", "2=double:1,5"}, "--param: '1,5' não é um double"},
    {"ParamNotAnInteger", {"--param", "2=int:x"}, "--param: 'x' não é um inteiro"},
    {"ParamNotABoolean", {"--param", "2=bool:sim"}, "--param: 'sim' não é true nem false"},
    {"FirstBadValueInOrder", {"--repeat", "0", "--high", "x"}, "--repeat espera um número positivo"},
    {"BadValueBeforeAGoodOneOfTheSameOption", {"--high", "x", "--high", "2"}, "--high espera um número de -1 a 64"},
};

void PrintTo(const OptionCase& c, std::ostream* os) { *os << c.name; }

class HostOptionsTable : public ::testing::TestWithParam<OptionCase> {};

TEST_P(HostOptionsTable, ReportsUsageErrorsInTheHostsWords) {
    HostOptions opt;
    EXPECT_EQ(ParseHostOptions(GetParam().args, opt).toStdString(), std::string(GetParam().error));
}

INSTANTIATE_TEST_SUITE_P(Table, HostOptionsTable, ::testing::ValuesIn(kOptionCases),
                         [](const ::testing::TestParamInfo<OptionCase>& p) { return std::string(p.param.name); });

struct ParamsCase {
    const char* name;
    QStringList args;
    std::vector<plat::Variant> params;
};

const ParamsCase kParamsCases[] = {
    {"Defaults", {}, {plat::Variant(), plat::Variant("Desconto"), plat::Variant(0.0), plat::Variant(0.0)}},
    {"NumbersAndText",
     {"--kind", "Acrescimo", "--base", "+12.5", "--applied", "abc"},
     {plat::Variant(), plat::Variant("Acrescimo"), plat::Variant(12.5), plat::Variant("abc")}},
    {"LastOfARepeatedOptionWins",
     {"--kind", "A", "--kind", "B"},
     {plat::Variant(), plat::Variant("B"), plat::Variant(0.0), plat::Variant(0.0)}},
    {"ParamOverAnElement",
     {"--base", "5", "--param", "2=text:x"},
     {plat::Variant(), plat::Variant("Desconto"), plat::Variant("x"), plat::Variant(0.0)}},
    {"ParamPastHighGrowsTheArray",
     {"--param", "5=bool:true"},
     {plat::Variant(), plat::Variant("Desconto"), plat::Variant(0.0), plat::Variant(0.0), plat::Variant(),
      plat::Variant(true)}},
    {"HighBelowThreeKeepsFourElements",
     {"--high", "1"},
     {plat::Variant(), plat::Variant("Desconto"), plat::Variant(0.0), plat::Variant(0.0)}},
};

void PrintTo(const ParamsCase& c, std::ostream* os) { *os << c.name; }

class CallParametersTable : public ::testing::TestWithParam<ParamsCase> {};

TEST_P(CallParametersTable, BuildsTheElements) {
    HostOptions opt;
    ASSERT_EQ(ParseHostOptions(GetParam().args, opt), QString());
    const std::vector<plat::Variant> got = CallParameters(opt);
    const std::vector<plat::Variant>& want = GetParam().params;
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Type(), want[i].Type()) << "element " << i;
        EXPECT_EQ(got[i].Describe().toStdString(), want[i].Describe().toStdString()) << "element " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, CallParametersTable, ::testing::ValuesIn(kParamsCases),
                         [](const ::testing::TestParamInfo<ParamsCase>& p) { return std::string(p.param.name); });

}  // namespace
