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
#include "orv00006/loader.h"
#include "platform/dbclient.h"
#include "platform/variant.h"

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
                        enter ? QStringLiteral("\r") : esc ? QStringLiteral("\x1b") : QString(QLatin1Char(*k)));
            QApplication::sendEvent(dialog, &e);
        }
    });
}

TEST(IntegrationGuide, SamplesWorkAsDescribed) {
    const DecimalSeparatorGuard restore;  // the guide's sample sets the separator
    ASSERT_TRUE(UseBrazilianNumbers());
    QStringList messages, failures;
    RecordInsteadOfShowing(messages, failures);
    DiscountModule m;
    ASSERT_TRUE(m.Load(QStringLiteral(ORV_MODULE_PATH)).isEmpty());
    EXPECT_STREQ(m.packageInfo()->requiredModules[0], "_dll");
    EXPECT_EQ(ExamplesForEveryKind().size(), 24u);

    struct Case {
        const char* keys;
        std::vector<plat::Variant> params;
        int high;
        Outcome outcome;
        double valor;
    };
    const Case cases[] = {
        {"1250\n", DiscountParameters("Acrescimo", 100, 0), 3, Outcome::Confirmed, 12.5},
        {"x", DiscountParameters("Acrescimo", 100, 0), 3, Outcome::Cancelled, 0},
        {"", DiscountParameters("Acrescimo", 100, 0), 2, Outcome::Unchanged, 0},
    };
    for (const auto& c : cases) {
        const plat::Variant before(QStringLiteral("antes"));
        plat::Variant result = before;
        Type(c.keys);
        m.criaDesconto(c.params.data(), c.high, result);
        const Decision d = ReadDecision(result, before);
        EXPECT_EQ(d.outcome, c.outcome) << c.keys;
        EXPECT_EQ(d.valor, c.valor) << c.keys;
    }
    EXPECT_EQ(messages.size(), 1);  // the refused too-short call
    EXPECT_TRUE(failures.isEmpty());
    m.Unload();

    QTemporaryDir dir;
    for (bool xml : {false, true}) {
        WriteParametersFile(dir.path(), 10, xml);
        plat::TClientDataSet cds(QStringLiteral("p"));
        cds.LoadFromFile(dir.filePath(QStringLiteral("PARAMETROSVEK.CDS")));
        EXPECT_EQ(cds.FieldByName(QStringLiteral("VRMAXDESCONTO"))->AsFloat(), 10.0);
    }
}

}  // namespace
