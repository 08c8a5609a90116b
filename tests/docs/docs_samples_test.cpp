// Runs the integration guide's samples: load the module, call it, read the
// decision, write a parameters file.
#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "DecimalSeparatorGuard.h"
#include "GuiTestSupport.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/loader.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/sysutils.h"
#include "orv00006/platform/variant.h"

// Declared in the guide's samples.
struct DiscountModule : orv00006::Module {
    QString Load(const QString& path);
    void Unload();
};
enum class Outcome { Unchanged, Emptied, Cancelled, Confirmed };
struct Decision {
    Outcome outcome = Outcome::Unchanged;
    QString tipo;
    double valor = 0;
};
std::vector<plat::Variant> DiscountParameters(const char* kindKey, double base, double applied);
std::vector<plat::Variant> ExamplesForEveryKind();
Decision ReadDecision(const plat::Variant& result, const plat::Variant& before);
void WriteParametersFile(const QString& hostDirectory, double percent, bool asXml);
bool UseBrazilianNumbers();
void RecordInsteadOfShowing(QStringList& messages, QStringList& failures);
plat::Variant TypeTwentyIntoTheDialog(OrvCriaDescontoFn criaDesconto, QStringList& messages);

namespace {

void Type(const char* keys) {
    QTimer::singleShot(0, [keys] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog) return;
        for (const char* k = keys; *k; ++k) {
            const bool enter = *k == '\n';
            const bool esc = *k == 'x';
            const Qt::Key key = enter ? Qt::Key_Return : esc ? Qt::Key_Escape : Qt::Key(Qt::Key_0 + (*k - '0'));
            QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier,
                        enter ? QStringLiteral("\r")
                        : esc ? QStringLiteral("\x1b")
                              : QString(QLatin1Char(*k)));
            QApplication::sendEvent(dialog, &e);
        }
    });
}

// The guide's samples set the separator and record what the operator would
// see; each test gets both afresh and puts them back.
class IntegrationGuide : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(UseBrazilianNumbers());
        RecordInsteadOfShowing(messages_, failures_);
    }
    void TearDown() override {
        // The recording refers to this fixture's lists.
        dll::SetMensagemPresenter({});
        plat::Application::SetExceptionHandler({});
        ExpectNoTopLevelWidgetsLeft();
    }

    const DecimalSeparatorGuard restore_;
    QStringList messages_, failures_;
};

TEST_F(IntegrationGuide, TheModuleLoadsWithItsRequirementAndExamples) {
    DiscountModule m;
    ASSERT_TRUE(m.Load(QStringLiteral(ORV_MODULE_PATH)).isEmpty());
    EXPECT_STREQ(m.packageInfo()->requiredModules[0], "_dll");
    EXPECT_EQ(ExamplesForEveryKind().size(), 24u);
    m.Unload();
}

struct GuideCall {
    const char* name;
    const char* keys;
    int high;
    Outcome outcome;
    double valor;
    int messages;  // shown to the operator
};

void PrintTo(const GuideCall& c, std::ostream* os) { *os << c.name; }

class GuideCalls : public IntegrationGuide, public ::testing::WithParamInterface<GuideCall> {};

TEST_P(GuideCalls, SamplesWorkAsDescribed) {
    const GuideCall& c = GetParam();
    DiscountModule m;
    ASSERT_TRUE(m.Load(QStringLiteral(ORV_MODULE_PATH)).isEmpty());
    const std::vector<plat::Variant> params = DiscountParameters("Acrescimo", 100, 0);
    const plat::Variant before(QStringLiteral("antes"));
    plat::Variant result = before;
    Type(c.keys);
    m.criaDesconto(params.data(), c.high, result);
    const Decision d = ReadDecision(result, before);
    EXPECT_EQ(d.outcome, c.outcome) << c.keys;
    EXPECT_EQ(d.valor, c.valor) << c.keys;
    EXPECT_EQ(messages_.size(), c.messages);
    EXPECT_TRUE(failures_.isEmpty());
    m.Unload();
}

INSTANTIATE_TEST_SUITE_P(Guide, GuideCalls,
                         ::testing::Values(GuideCall{"confirmed", "1250\n", 3, Outcome::Confirmed, 12.5, 0},
                                           GuideCall{"cancelled", "x", 3, Outcome::Cancelled, 0, 0},
                                           // The refused too-short call: its message only.
                                           GuideCall{"too_short", "", 2, Outcome::Unchanged, 0, 1}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(IntegrationGuide, TheTestDrivingSampleKeysInTwentyWithinTheLimit) {
    QTemporaryDir dir;
    WriteParametersFile(dir.path(), 10, false);
    plat::OverrideProgramDir(dir.path());
    DiscountModule m;
    ASSERT_TRUE(m.Load(QStringLiteral(ORV_MODULE_PATH)).isEmpty());
    QStringList shown;
    const plat::Variant result = TypeTwentyIntoTheDialog(m.criaDesconto, shown);
    plat::OverrideProgramDir(QString());
    const Decision d = ReadDecision(result, plat::Variant(QStringLiteral("antes")));
    EXPECT_EQ(d.outcome, Outcome::Confirmed);
    EXPECT_EQ(d.tipo, QStringLiteral("V"));
    EXPECT_EQ(d.valor, 20.0);
    EXPECT_TRUE(shown.isEmpty()) << qPrintable(shown.join(QLatin1Char('|')));
    m.Unload();
}

class GuideParametersFile : public IntegrationGuide, public ::testing::WithParamInterface<bool> {};

TEST_P(GuideParametersFile, WritesAFileThatReadsBack) {
    QTemporaryDir dir;
    WriteParametersFile(dir.path(), 10, GetParam());
    plat::TClientDataSet cds(QStringLiteral("p"));
    cds.LoadFromFile(dir.filePath(QStringLiteral("PARAMETROSVEK.CDS")));
    EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 10.0);
}

INSTANTIATE_TEST_SUITE_P(Guide, GuideParametersFile, ::testing::Bool(),
                         [](const auto& row) { return std::string(row.param ? "xml" : "binary"); });

}  // namespace
