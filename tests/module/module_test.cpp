// Lifecycle of the real module: loading, exports, one dialog per call, the
// result copied back, and every failure kept away from the host.
#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <thread>

#include "DecimalSeparatorGuard.h"
#include "GuiTestSupport.h"
#include "LoadedModule.h"
#include "ScriptDriver.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"

using plat::Variant;

namespace {

using Module = LoadedModule;

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        Module& m = Module::Get();
        ASSERT_TRUE(m.module.IsLoaded()) << m.error.toStdString();
        ASSERT_TRUE(m.Complete());
        m.initialize();
    }
    void TearDown() override {
        Module::Get().finalize();
        ExpectNoTopLevelWidgetsLeft();
    }

    // One call, driven by `keys`.
    ScriptDriver* Call(const std::vector<Variant>& params, int high, Variant& result, const QString& keys,
                       OrvCriaDescontoFn fn = nullptr) {
        driver_ = std::make_unique<ScriptDriver>(keys.split(QLatin1Char(' '), Qt::SkipEmptyParts), true, QString());
        driver_->Arm();
        (fn ? fn : Module::Get().cria)(params.data(), high, result);
        driver_->Disarm();
        return driver_.get();
    }

    static std::vector<Variant> Params(const char* kind, Variant base, Variant applied) {
        return {Variant(), Variant(kind), base, applied};
    }

    static int Records(const Variant& packet, QString* tipo = nullptr, double* valor = nullptr) {
        plat::TClientDataSet cds(QStringLiteral("r"));
        cds.SetData(packet);
        if (cds.RecordCount() > 0 && tipo) *tipo = cds.FieldByName(QStringLiteral("TIPO"))->AsString();
        if (cds.RecordCount() > 0 && valor) *valor = cds.FieldByName(QStringLiteral("VALOR"))->AsFloat();
        return cds.RecordCount();
    }

    DecimalSeparatorGuard separator_{QLatin1Char(',')};
    Recorder recorder_;
    std::unique_ptr<ScriptDriver> driver_;
    const Variant marker_{QStringLiteral("marca do host")};
};

struct SymbolCase {
    const char* name;
    const char* symbol;
    bool exported;
};

void PrintTo(const SymbolCase& c, std::ostream* os) { *os << c.name; }

class ModuleExports : public ModuleTest, public ::testing::WithParamInterface<SymbolCase> {};

TEST_P(ModuleExports, ExportsBothNamesThePublicSurfaceAndNothingElse) {
    const SymbolCase& c = GetParam();
    orv00006::Module& h = Module::Get().module;
    if (c.exported)
        EXPECT_NE(h.Resolve(c.symbol), nullptr) << c.symbol;
    else
        EXPECT_EQ(h.Resolve(c.symbol), nullptr) << c.symbol << " leaks out of the module";
}

INSTANTIATE_TEST_SUITE_P(
    Symbols, ModuleExports,
    ::testing::Values(
        SymbolCase{"InicializaForm", "_ZN12Cli_orv000068TfrmDesc14InicializaFormEPKN4plat7VariantEi", true},
        SymbolCase{"ValidaDesconto", "_ZN12Cli_orv000068TfrmDesc14ValidaDescontoEv", true},
        SymbolCase{"TfrmDesc_type_info", "_ZTIN12Cli_orv000068TfrmDescE", true},
        SymbolCase{"TextoDosDigitos_is_hidden", "_ZN12Cli_orv0000615TextoDosDigitosERK7QString5QChar", false},
        SymbolCase{"DecisaoDaConfirmacao_is_hidden", "_ZN12Cli_orv0000620DecisaoDaConfirmacaoERKNS_7LimitesERK7QString",
                   false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(ModuleTest, PackageInfoNamesItsRequirementAndUnits) {
    const OrvPackageInfoTable* t = Module::Get().info();
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->name, "PKG_ORV00006");
    ASSERT_EQ(t->requiresCount, 1);
    EXPECT_STREQ(t->requiredModules[0], "_dll");
    ASSERT_EQ(t->containsCount, 2);
    EXPECT_STREQ(t->containedUnits[0], "Pkg_orv00006");
    EXPECT_STREQ(t->containedUnits[1], "Cli_orv00006");
}

struct EndCase {
    const char* name;
    const char* keys;
    bool unitEntry;  // the unit's own CriaDesconto rather than the exported one
    int records;
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name << " [" << c.keys << "]"; }

class CallEnds : public ModuleTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(CallEnds, ConfirmAndCancelLeaveNoDialogBehind) {
    const EndCase& c = GetParam();
    Module& m = Module::Get();
    Variant result = marker_;
    Call(Params("Desconto", 200.0, 0.0), 3, result, QString::fromLatin1(c.keys), c.unitEntry ? m.criaUnit : m.cria);
    ASSERT_EQ(result.Type(), plat::VarType::ByteArray);
    EXPECT_EQ(Records(result), c.records);
    EXPECT_EQ(*m.frmDesc, nullptr);
    EXPECT_FALSE(*m.boCriado06);
    EXPECT_EQ(LiveDialogs(), 0);
    EXPECT_FALSE(driver_->leftOpen);
}

INSTANTIATE_TEST_SUITE_P(Calls, CallEnds,
                         ::testing::Values(EndCase{"confirm", "2 0 0 0 Enter", false, 1},
                                           EndCase{"cancel", "Esc", false, 0},
                                           EndCase{"unit_entry_confirm", "5 Enter", true, 1},
                                           EndCase{"unit_entry_cancel_key", "click:sbtCancelar", true, 0}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ModuleTest, EachCallGetsAFreshDialog) {
    Variant first = marker_;
    Call(Params("Acrescimo", 0.0, 0.0), 3, first, QStringLiteral("Alt+P 5"));  // left open: Esc
    EXPECT_TRUE(driver_->leftOpen);
    Variant second = marker_;
    ScriptDriver* d = Call(Params("Acrescimo", 0.0, 0.0), 3, second, QStringLiteral("Enter"));
    EXPECT_EQ(d->setup.display, QStringLiteral("0,00"));
    EXPECT_EQ(d->setup.tipo, QStringLiteral("V"));
    QString tipo;
    double valor = -1;
    ASSERT_EQ(Records(second, &tipo, &valor), 1);
    EXPECT_EQ(tipo, QStringLiteral("V"));
    EXPECT_EQ(valor, 0.0);
}

TEST_F(ModuleTest, EmptiedDisplayGivesAnUnassignedVariant) {
    Variant result = marker_;
    Call(Params("Desconto", 200.0, 0.0), 3, result, QStringLiteral("Delete Enter"));
    EXPECT_TRUE(result.IsEmpty());
}

struct SetUpFailure {
    const char* name;
    std::vector<Variant> params;
    int high;
    const char* mustContain;
};

void PrintTo(const SetUpFailure& c, std::ostream* os) { *os << c.mustContain; }

std::vector<Variant> DiscountParams(Variant base, Variant applied) {
    return {Variant(), Variant("Desconto"), base, applied};
}

std::vector<SetUpFailure> SetUpFailures() {
    return {
        {"base_text_abc", DiscountParams(Variant("abc"), 0.0), 3, "\"abc\""},
        {"applied_null", DiscountParams(0.0, Variant::Null()), 3, "nulo"},
        {"high_2", DiscountParams(0.0, 0.0), 2, "valor já aplicado (elemento 3)"},
        {"high_1", DiscountParams(0.0, 0.0), 1, "valor base (elemento 2)"},
        {"high_0", DiscountParams(0.0, 0.0), 0, "tipo de ajuste (elemento 1)"},
        {"high_minus_1", DiscountParams(0.0, 0.0), -1, "elemento 0"},
    };
}

class FailedSetUps : public ModuleTest, public ::testing::WithParamInterface<SetUpFailure> {};

TEST_P(FailedSetUps, SetUpFailuresAreShownAndTheVariantStaysUnchanged) {
    const SetUpFailure& c = GetParam();
    Variant result = marker_;
    Call(c.params, c.high, result, QStringLiteral("Enter"));
    EXPECT_TRUE(result == marker_.AsString());
    ASSERT_EQ(recorder_.messages.size(), 1);
    EXPECT_TRUE(recorder_.messages[0].contains(QString::fromUtf8(c.mustContain)))
        << recorder_.messages[0].toStdString();
    EXPECT_FALSE(driver_->setup.seen);
    EXPECT_EQ(*Module::Get().frmDesc, nullptr);
    EXPECT_FALSE(*Module::Get().boCriado06);
    EXPECT_EQ(LiveDialogs(), 0);
}

INSTANTIATE_TEST_SUITE_P(Calls, FailedSetUps, ::testing::ValuesIn(SetUpFailures()),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(ModuleTest, ANullParameterPointerIsRefused) {
    Variant result = marker_;
    Module::Get().cria(nullptr, 3, result);
    EXPECT_TRUE(result == marker_.AsString());
    EXPECT_EQ(recorder_.messages.size(), 1);
}

TEST_F(ModuleTest, StaleCreatedFlagIsRecoveredWithAFreshDialog) {
    *Module::Get().boCriado06 = true;
    Variant result = marker_;
    ScriptDriver* d = Call(Params("Acrescimo", 0.0, 0.0), 3, result, QStringLiteral("7 Enter"));
    EXPECT_TRUE(d->setup.seen);
    double valor = -1;
    ASSERT_EQ(Records(result, nullptr, &valor), 1);
    EXPECT_EQ(valor, 0.07);
    EXPECT_FALSE(*Module::Get().boCriado06);
}

TEST_F(ModuleTest, ReentryIsRefusedAndTheRunningDialogIsUntouched) {
    Module& m = Module::Get();
    Variant inner = marker_;
    QString displayDuring;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = ScriptDriver::FindDialog();
        ASSERT_NE(dialog, nullptr);
        ScriptDriver::Deliver(dialog, QStringLiteral("4"));
        const auto params = Params("Acrescimo", 0.0, 0.0);
        m.cria(params.data(), 3, inner);
        displayDuring = ScriptDriver::Text(dialog, "lblDadoDigitado");
        ScriptDriver::Deliver(dialog, QStringLiteral("2"));
        ScriptDriver::Deliver(dialog, QStringLiteral("Enter"));
    });
    Variant outer = marker_;
    const auto params = Params("Acrescimo", 0.0, 0.0);
    m.cria(params.data(), 3, outer);
    EXPECT_TRUE(inner == marker_.AsString());
    ASSERT_EQ(recorder_.messages.size(), 1);
    EXPECT_TRUE(recorder_.messages[0].contains(QStringLiteral("já está aberta")));
    EXPECT_EQ(displayDuring, QStringLiteral("0,04"));
    double valor = -1;
    ASSERT_EQ(Records(outer, nullptr, &valor), 1);
    EXPECT_EQ(valor, 0.42);
}

TEST_F(ModuleTest, ACallFromAnotherThreadIsRefusedWithoutWidgets) {
    Variant result = marker_;
    const int before = static_cast<int>(QApplication::allWidgets().size());
    testing::internal::CaptureStderr();
    std::thread t([&] {
        const auto params = Params("Desconto", 0.0, 0.0);
        Module::Get().cria(params.data(), 3, result);
    });
    t.join();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(result == marker_.AsString());
    EXPECT_EQ(static_cast<int>(QApplication::allWidgets().size()), before);
    EXPECT_NE(err.find("thread"), std::string::npos) << err;
}

TEST_F(ModuleTest, HandlerFailuresStayInTheEventLoop) {
    // Under a point separator the prefilled "0,00" cannot be read back.
    ASSERT_TRUE(separator_.Set(QLatin1Char('.')));
    Variant result = marker_;
    Call(Params("Desconto", 200.0, 0.0), 3, result, QStringLiteral("Enter"));
    ASSERT_EQ(recorder_.errors.size(), 1);
    EXPECT_TRUE(recorder_.errors[0].contains(QStringLiteral("0,00")));
    ASSERT_EQ(driver_->steps.size(), 1u);
    EXPECT_TRUE(driver_->steps[0].open);
    EXPECT_TRUE(driver_->leftOpen);
    EXPECT_EQ(Records(result), 0);  // the automatic Esc cancelled
}

TEST_F(ModuleTest, FirstInitialisationClearsTheCreatedFlag) {
    Module& m = Module::Get();
    // SetUp initialised once; unwind to zero, then initialise afresh.
    m.finalize();
    m.finalize();
    *m.boCriado06 = true;
    m.initialize();
    EXPECT_FALSE(*m.boCriado06);
    *m.boCriado06 = true;
    m.initialize();  // not the first: leaves it
    EXPECT_TRUE(*m.boCriado06);
    *m.boCriado06 = false;
    m.finalize();
}

}  // namespace
