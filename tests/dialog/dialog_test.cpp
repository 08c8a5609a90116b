// The dialog driven in-process: set-up of every kind, cash-register entry,
// key and touch bindings, confirmation against the limits and the result.
#include <QTest>

#include <cmath>
#include <limits>
#include <string>

#include "CaseName.h"
#include "DialogFixture.h"
#include "orv00006/dll/Trad_utl.h"

using plat::Variant;

namespace {

const QString kMaximo = QStringLiteral("Valor Máximo: R$ ");

struct SetupCase {
    const char* what;
    Variant kind;
    Variant base, applied;
    QString header;
    QString lblValor;
    QStringList hidden;
    QString display;
    char separator = ',';
};

void PrintTo(const SetupCase& c, std::ostream* os) { *os << c.what; }

std::vector<SetupCase> SetupCases() {
    const QStringList none;
    const QStringList percentage = {"imgPercentual", "bvlPercentual", "lblPrecentual"};
    const QStringList both = {"imgValor", "bvlValor", "imgPercentual", "bvlPercentual", "lblPrecentual"};
    return {
        {"surcharge", Variant("Acrescimo"), 0.0, 0.0, "Acréscimo", "Valor", none, "0,00"},
        {"service fee with applied", Variant("TaxaServico"), 100.0, 5.0, "Taxa de Serviço", "Valor", none, "5,00"},
        {"loyalty shows element 2", Variant("DescontoFidelidade"), 50.0, 10.0, "Desconto Fidelidade", kMaximo + "50,00",
         percentage, "10,00"},
        {"CRM&Bonus shows element 3", Variant("DescontoCRMBONUS"), 100.0, 30.0, "Desconto CRM&&Bonus",
         kMaximo + "30,00", both, "30,00"},
        {"cashback", Variant("DescontoGCOM"), 100.0, 30.0, "Desconto CashBack", kMaximo + "30,00", both, "30,00"},
        {"plain discount", Variant("Desconto"), 200.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"keys are case-sensitive", Variant("acrescimo"), 0.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"keys are not trimmed", Variant(" Acrescimo"), 0.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"a number is a plain discount", Variant(5.0), 0.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"null is a plain discount", Variant::Null(), 0.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"empty is a plain discount", Variant(), 0.0, 0.0, "Desconto", "Valor", none, "0,00"},
        {"amounts as text", Variant("Acrescimo"), Variant("10,5"), Variant("2,25"), "Acréscimo", "Valor", none, "2,25"},
        {"rounded to two decimals", Variant("Acrescimo"), 0.0, 12.345, "Acréscimo", "Valor", none, "12,35"},
        {"point separator, applied amount", Variant("Acrescimo"), 0.0, 12.5, "Acréscimo", "Valor", none, "12.50", '.'},
        {"point separator, literal start", Variant("Acrescimo"), 0.0, 0.0, "Acréscimo", "Valor", none, "0,00", '.'},
    };
}

class SetupKinds : public DialogFixture, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SetupKinds, EveryKindShowsItsHeaderOptionsAndStartingAmount) {
    const SetupCase& c = GetParam();
    if (!separator_.Set(QLatin1Char(c.separator))) GTEST_SKIP() << "a row for another separator";
    auto* d = Open(c.kind, c.base, c.applied);
    EXPECT_EQ(d->lblCabec->Caption(), c.header);
    EXPECT_EQ(d->lblValor->Caption(), c.lblValor);
    EXPECT_EQ(d->lblDadoDigitado->Caption(), c.display);
    EXPECT_EQ(d->lblCodTela->Caption(), QStringLiteral("Orv00006"));
    EXPECT_EQ(d->Tipo(), QStringLiteral("V"));
    EXPECT_TRUE(d->Digitos().isEmpty());
    EXPECT_TRUE(d->Retorno().IsEmpty());
    QStringList hidden;
    for (const char* name : {"imgValor", "bvlValor", "lblValor", "imgPercentual", "bvlPercentual", "lblPrecentual"})
        if (d->findChild<QWidget*>(QString::fromLatin1(name))->isHidden()) hidden << QString::fromLatin1(name);
    EXPECT_EQ(hidden, c.hidden);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetupKinds, ::testing::ValuesIn(SetupCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

// A value for element 2 or 3 that is no finite number.
struct BadAmount {
    const char* name;
    Variant value;
};

void PrintTo(const BadAmount& b, std::ostream* os) { *os << b.name; }

const BadAmount kBadAmounts[] = {
    {"text_abc", Variant("abc")},
    {"null", Variant::Null()},
    {"boolean", Variant(true)},
    {"nan", Variant(std::nan(""))},
    {"infinity", Variant(std::numeric_limits<double>::infinity())},
    {"text_with_a_point", Variant("12.5")},
};

class BadAmounts : public DialogFixture, public ::testing::WithParamInterface<std::tuple<BadAmount, int>> {};

TEST_P(BadAmounts, AmountsThatAreNotFiniteNumbersFailTheSetUp) {
    const Variant& v = std::get<0>(GetParam()).value;
    const int element = std::get<1>(GetParam());
    Variant params[] = {Variant(), Variant("Desconto"), 100.0, 0.0};
    params[element] = v;
    Cli_orv00006::TfrmDesc d;
    EXPECT_THROW(d.InicializaForm(params, 3), plat::Exception) << v.Describe().toStdString() << " in " << element;
}

INSTANTIATE_TEST_SUITE_P(Setup, BadAmounts,
                         ::testing::Combine(::testing::ValuesIn(kBadAmounts), ::testing::Values(2, 3)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) + "_as_element_" +
                                    std::to_string(std::get<1>(row.param));
                         });

class Setup : public DialogFixture {};

TEST_F(Setup, ParametersFileLimitAppliesExceptWhereTheHostGivesTheMaximum) {
    WriteLimit(10);
    // 10 % of 200: 20,01 refused for the plain discount, surcharge ignores it.
    Open(Variant("Desconto"), 200.0, 0.0);
    Type("2 0 0 1 Enter");
    EXPECT_TRUE(IsOpen());
    delete dialog_.data();
    Open(Variant("Acrescimo"), 200.0, 0.0);
    Type("2 0 0 1 Enter");
    EXPECT_FALSE(IsOpen());
    delete dialog_.data();
    // Cashback: element 3 (30) replaces the file's 10.
    Open(Variant("DescontoGCOM"), 100.0, 30.0);
    Type("3 0 0 0 Enter");
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(recorder_.messages.size(), 1) << "only the plain discount refused";
}

TEST_F(Setup, UnreadableParametersFileFailsTheSetUp) {
    QFile f(dir_.filePath(QStringLiteral("PARAMETROSVEK.CDS")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a record set");
    f.close();
    const Variant params[] = {Variant(), Variant("Desconto"), 100.0, 0.0};
    Cli_orv00006::TfrmDesc d;
    EXPECT_THROW(d.InicializaForm(params, 3), plat::Exception);
}

// A call whose elements 2 and 3 are both bad fails on the element its kind
// reads first; a broken parameters file is reported before either.
struct FirstFailureCase {
    const char* label;
    const char* kind;
    bool brokenFile;
    QString message;  // contained in the set-up's error
    QString header;   // as the failure leaves it
};

class SetupFailure : public DialogFixture, public ::testing::WithParamInterface<FirstFailureCase> {};

TEST_P(SetupFailure, NamesWhatTheKindReadsFirst) {
    const FirstFailureCase& c = GetParam();
    if (c.brokenFile) {
        QFile f(dir_.filePath(QStringLiteral("PARAMETROSVEK.CDS")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a record set");
    }
    const Variant params[] = {Variant(), Variant(c.kind), Variant("abc"), Variant::Null()};
    Cli_orv00006::TfrmDesc d;
    QString message;
    try {
        d.InicializaForm(params, 3);
    } catch (const plat::Exception& e) {
        message = e.Message();
    }
    EXPECT_TRUE(message.contains(c.message)) << message.toStdString();
    EXPECT_EQ(d.lblCabec->Caption(), c.header);
}

const QString kBaseRuim = QStringLiteral("O valor base (elemento 2) informado não é um número válido: \"abc\".");
const QString kAplicadoRuim =
    QStringLiteral("O valor já aplicado (elemento 3) informado não é um número válido: nulo (Null).");

INSTANTIATE_TEST_SUITE_P(
    BothAmountsBad, SetupFailure,
    ::testing::Values(FirstFailureCase{"plain_discount", "Desconto", false, kBaseRuim, "Desconto"},
                      FirstFailureCase{"surcharge", "Acrescimo", false, kBaseRuim, "Acréscimo"},
                      FirstFailureCase{"loyalty", "DescontoFidelidade", false, kBaseRuim, "Desconto Fidelidade"},
                      FirstFailureCase{"crm_bonus", "DescontoCRMBONUS", false, kAplicadoRuim, "Desconto CRM&&Bonus"},
                      FirstFailureCase{"cashback", "DescontoGCOM", false, kAplicadoRuim, "Desconto CashBack"},
                      FirstFailureCase{"broken_file_first", "DescontoGCOM", true, "PARAMETROSVEK.CDS", "Desconto"}),
    [](const auto& tp) { return std::string(tp.param.label); });

struct TypingCase {
    const char* tokens;
    QStringList shown;
};

void PrintTo(const TypingCase& c, std::ostream* os) { *os << c.tokens; }

std::vector<TypingCase> TypingCases() {
    return {
        {"1 2 3 4", {"0,01", "0,12", "1,23", "12,34"}},
        {"0 5 1 2", {"0,00", "0,05", "0,51", "05,12"}},
        {"KP1 KP2 KP3", {"0,01", "0,12", "1,23"}},
        {"1 2 3 Backspace Backspace Backspace Backspace", {"0,01", "0,12", "1,23", "0,12", "0,01", "", ""}},
        {"Backspace", {""}},
        {"Delete", {""}},
        {"4 5 Delete 6", {"0,04", "0,45", "", "0,06"}},
        {"1 A . , Shift+V V F4 Alt+5 Ctrl+5 2",
         {"0,01", "0,01", "0,01", "0,01", "0,01", "0,01", "0,01", "0,01", "0,01", "0,12"}},
        {"click:sbt5 click:sbt5 click:sbt5", {"0,05", "0,55", "5,55"}},
        {"click:sbt1 click:sbt0 click:sbtCorrigir", {"0,01", "0,10", "0,01"}},
        {"click:sbtVirgula click:sbtPonto 7", {"30,00", "30,00", "0,07"}},
        {"Alt+P 1 Alt+V 2", {"30,00", "0,01", "0,01", "0,12"}},
    };
}

class EntryTyping : public DialogFixture, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(EntryTyping, DigitsFillFromTheRight) {
    const TypingCase& c = GetParam();
    Open(Variant("Acrescimo"), 100.0, 30.0);
    EXPECT_EQ(Type(QString::fromLatin1(c.tokens)), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Scripts, EntryTyping, ::testing::ValuesIn(TypingCases()),
                         [](const auto& row) { return CaseName(row.param.tokens); });

class Entry : public DialogFixture {};

TEST_F(Entry, TwelveDigitsAtMost) {
    Open(Variant("Acrescimo"), 0.0, 0.0);
    const QStringList shown = Type(QStringLiteral("1 2 3 4 5 6 7 8 9 0 1 2 3 click:sbt4"));
    EXPECT_EQ(shown.at(11), QStringLiteral("1234567890,12"));
    EXPECT_EQ(shown.at(12), QStringLiteral("1234567890,12"));
    EXPECT_EQ(shown.at(13), QStringLiteral("1234567890,12"));
    EXPECT_EQ(dialog_->Digitos(), QStringLiteral("123456789012"));
}

TEST_F(Entry, DigitKeysTypeIntoTheirOwnDialogWithoutACall) {
    // No call is running, so the module's global dialog is none.
    ASSERT_EQ(Cli_orv00006::frmDesc, nullptr);
    Open(Variant("Acrescimo"), 0.0, 0.0);
    Type(QStringLiteral("click:sbt9"));
    EXPECT_EQ(dialog_->lblDadoDigitado->Caption(), QStringLiteral("0,09"));
}

struct ModeCase {
    const char* tokens;
    const char* tipo;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.tokens; }

const ModeCase kModeCases[] = {
    {"Alt+P", "P"},
    {"Alt+P Alt+V", "V"},
    {"Alt+Shift+P", "V"},
    {"Ctrl+Alt+P", "V"},
    {"Shift+P", "V"},
    {"P", "V"},
    {"click:imgPercentual", "P"},
    {"click:imgPercentual click:imgValor", "V"},
    {"click:lblPrecentual", "V"},
    {"click:bvlPercentual@0,20 click:bvlPercentual@41,20", "V"},
    {"click:bvlPercentual", "P"},  // its centre is covered by the picture
    {"Alt+P click:lblValor click:bvlValor@0,20 click:bvlValor@39,40", "P"},
    {"Alt+P Alt+Shift+V", "P"},
};

class ModeSwitches : public DialogFixture, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeSwitches, ModeSwitchesNeedAltAlone) {
    const ModeCase& c = GetParam();
    Open(Variant("Desconto"), 100.0, 0.0);
    Type(QString::fromLatin1(c.tokens));
    EXPECT_EQ(dialog_->Tipo(), QString::fromLatin1(c.tipo));
    const bool p = dialog_->Tipo() == QLatin1String("P");
    EXPECT_EQ(dialog_->imgPercentual->Picture().isNull(), !p);
    EXPECT_EQ(dialog_->imgValor->Picture().isNull(), p);
    EXPECT_TRUE(IsOpen());
}

INSTANTIATE_TEST_SUITE_P(Bindings, ModeSwitches, ::testing::ValuesIn(kModeCases),
                         [](const auto& row) { return CaseName(row.param.tokens); });

class CancelKeys : public DialogFixture, public ::testing::WithParamInterface<const char*> {};

TEST_P(CancelKeys, EscAndTheCancelKeyReturnTheEmptyPacket) {
    Open(Variant("Desconto"), 100.0, 0.0);
    Type(QString::fromLatin1(GetParam()));
    EXPECT_FALSE(IsOpen());
    const auto r = Decode(dialog_->Retorno());
    EXPECT_EQ(r.records, 0);
}

INSTANTIATE_TEST_SUITE_P(Bindings, CancelKeys, ::testing::Values("Esc", "click:sbtCancelar", "5 Esc", "Ctrl+Esc"),
                         [](const auto& row) { return CaseName(row.param); });

class Bindings : public DialogFixture {};

TEST_F(Bindings, AltPSwitchesEvenWhenThePercentageOptionIsHidden) {
    Open(Variant("DescontoFidelidade"), 50.0, 0.0);
    Type(QStringLiteral("Alt+P 1 0 0 0 Enter"));
    EXPECT_FALSE(IsOpen());
    const auto r = Decode(dialog_->Retorno());
    EXPECT_EQ(r.records, 1);
    EXPECT_EQ(r.tipo, QStringLiteral("P"));
    EXPECT_EQ(r.valor, 10.0);
}

TEST_F(Bindings, AltF4AndCloseRequestsLeaveTheDialogOpen) {
    Open(Variant("Desconto"), 100.0, 0.0);
    Type(QStringLiteral("Alt+F4 F4 Alt+Shift+F4"));
    EXPECT_TRUE(IsOpen());
    EXPECT_FALSE(dialog_->close());  // the window manager's close request
    EXPECT_TRUE(IsOpen());
    EXPECT_TRUE(dialog_->Retorno().IsEmpty());
}

class Confirm : public DialogFixture {};

struct ConfirmCase {
    const char* what;
    const char* kind;
    double base, applied;
    double limit;  // parameters file, 0 = none
    const char* tokens;
    bool closes;
    const char* tipo;  // of the record, "" = no record expected
    double valor;
    QString message;
};

const QString kPerMax = QStringLiteral(
    "Operação bloqueada. Valor de desconto maior que percentual máximo permitido.\r\n\r\nValor restante permitido: $");

void PrintTo(const ConfirmCase& c, std::ostream* os) { *os << c.what; }

std::vector<ConfirmCase> ConfirmCases() {
    return {
        {"10% of 200: 20,00", "Desconto", 200, 0, 10, "2 0 0 0 Enter", true, "V", 20, ""},
        {"10% of 200: 20,01", "Desconto", 200, 0, 10, "2 0 0 1 Enter", false, "", 0, kPerMax + "20,00"},
        {"10% of 200: 10,00 %", "Desconto", 200, 0, 10, "Alt+P 1 0 0 0 Enter", true, "P", 10, ""},
        {"10% of 200: 10,01 %", "Desconto", 200, 0, 10, "Alt+P 1 0 0 1 Enter", false, "", 0, kPerMax + "20,00"},
        {"20 applied: 0,00", "Desconto", 180, 20, 10, "0 Enter", true, "V", 0, ""},
        {"20 applied: 0,01", "Desconto", 180, 20, 10, "1 Enter", false, "", 0, kPerMax + "0,00"},
        {"20 applied: prefilled", "Desconto", 180, 20, 10, "Enter", false, "", 0, kPerMax + "0,00"},
        {"no file: anything", "Desconto", 200, 0, 0, "9 9 9 9 9 Enter", true, "V", 999.99, ""},
        {"loyalty 50,00", "DescontoFidelidade", 50, 0, 10, "5 0 0 0 Enter", true, "V", 50, ""},
        {"loyalty 50,01", "DescontoFidelidade", 50, 0, 10, "5 0 0 1 Enter", false, "", 0,
         "Operação bloqueada. Valor de desconto maior que o saldo do consumidor. Valor máximo permitido: R$ 50,00"},
        {"cashback 30,00", "DescontoGCOM", 100, 30, 0, "3 0 0 0 Enter", true, "V", 30, ""},
        {"cashback 30,01", "DescontoGCOM", 100, 30, 0, "3 0 0 1 Enter", false, "", 0,
         "Operação bloqueada. Valor do desconto maior que percentual máximo permitido."},
        {"CRM&Bonus 30,01 shows its maximum", "DescontoCRMBONUS", 100, 30, 0, "3 0 0 1 Enter", false, "", 0,
         kPerMax + "30,00"},
        {"surcharge in percent", "Acrescimo", 10, 0, 10, "Alt+P 9 9 9 9 9 Enter", true, "P", 999.99, ""},
        {"prefilled amount confirmed", "TaxaServico", 100, 12.5, 0, "Enter", true, "V", 12.5, ""},
        {"confirm key", "Acrescimo", 0, 0, 0, "1 2 5 0 click:sbtEnter", true, "V", 12.5, ""},
        {"emptied display", "Desconto", 200, 0, 10, "Delete Enter", true, "", 0, ""},
        {"taken back to empty", "Desconto", 200, 0, 10, "5 Backspace Enter", true, "", 0, ""},
    };
}

class ConfirmLimits : public DialogFixture, public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(ConfirmLimits, LimitsOfEveryKind) {
    const ConfirmCase& c = GetParam();
    if (c.limit > 0) WriteLimit(c.limit);
    Open(Variant(c.kind), c.base, c.applied);
    const QString before = c.closes ? QString() : dialog_->lblDadoDigitado->Caption();
    Type(QString::fromLatin1(c.tokens));
    EXPECT_EQ(!IsOpen(), c.closes);
    EXPECT_TRUE(recorder_.errors.isEmpty()) << recorder_.errors.join(QLatin1Char('|')).toStdString();
    if (c.message.isEmpty()) {
        EXPECT_TRUE(recorder_.messages.isEmpty()) << recorder_.messages.join(QLatin1Char('|')).toStdString();
    } else {
        EXPECT_EQ(recorder_.messages, QStringList{c.message});
    }
    if (!c.closes) {
        // A refusal keeps everything as it was.
        EXPECT_TRUE(dialog_->Retorno().IsEmpty());
    } else if (*c.tipo == '\0') {
        EXPECT_TRUE(dialog_->Retorno().IsEmpty()) << "an emptied display returns no packet";
    } else {
        const auto r = Decode(dialog_->Retorno());
        EXPECT_EQ(r.records, 1);
        EXPECT_EQ(r.tipo, QString::fromLatin1(c.tipo));
        EXPECT_DOUBLE_EQ(r.valor, c.valor);
    }
}

INSTANTIATE_TEST_SUITE_P(Confirm, ConfirmLimits, ::testing::ValuesIn(ConfirmCases()),
                         [](const auto& row) { return CaseName(row.param.what); });

TEST_F(Confirm, RefusalKeepsEntryStateAndCancelStillGivesTheEmptyPacket) {
    WriteLimit(10);
    Open(Variant("Desconto"), 200.0, 0.0);
    Type(QStringLiteral("Alt+P 2 0 0 1 Enter"));
    ASSERT_TRUE(IsOpen());
    EXPECT_EQ(dialog_->lblDadoDigitado->Caption(), QStringLiteral("20,01"));
    EXPECT_EQ(dialog_->Digitos(), QStringLiteral("2001"));
    EXPECT_EQ(dialog_->Tipo(), QStringLiteral("P"));
    Type(QStringLiteral("Esc"));
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(Decode(dialog_->Retorno()).records, 0);
}

TEST_F(Confirm, CorrectionAfterARefusalIsAccepted) {
    WriteLimit(10);
    Open(Variant("Desconto"), 200.0, 0.0);
    Type(QStringLiteral("2 0 0 1 Enter Backspace 0 Enter"));
    EXPECT_FALSE(IsOpen());
    const auto r = Decode(dialog_->Retorno());
    EXPECT_EQ(r.valor, 20.0);
    EXPECT_EQ(recorder_.messages.size(), 1);
}

TEST_F(Confirm, AnUnparsableDisplayIsReportedAndTheDialogStaysOpen) {
    ASSERT_TRUE(separator_.Set(QLatin1Char('.')));
    Open(Variant("Desconto"), 200.0, 0.0);  // shows the literal "0,00"
    Type(QStringLiteral("Enter"));
    EXPECT_TRUE(IsOpen());
    ASSERT_EQ(recorder_.errors.size(), 1);
    EXPECT_TRUE(recorder_.errors[0].contains(QStringLiteral("0,00"))) << recorder_.errors[0].toStdString();
    EXPECT_TRUE(dialog_->Retorno().IsEmpty());
    // Typed digits follow the separator, so they confirm.
    Type(QStringLiteral("5 Enter"));
    EXPECT_FALSE(IsOpen());
    EXPECT_EQ(Decode(dialog_->Retorno()).valor, 0.05);
}

TEST_F(Confirm, ATranslatedHeaderLosesThePlainDiscountLimit) {
    WriteLimit(10);
    dll::SetTradutor([](plat::TForm* f) {
        static_cast<Cli_orv00006::TfrmDesc*>(f)->lblCabec->SetCaption(QStringLiteral("Discount"));
    });
    Open(Variant("Desconto"), 200.0, 0.0);
    dll::SetTradutor({});
    EXPECT_EQ(dialog_->lblCabec->Caption(), QStringLiteral("Discount"));
    Type(QStringLiteral("5 0 0 0 Enter"));
    EXPECT_FALSE(IsOpen());
}

}  // namespace
