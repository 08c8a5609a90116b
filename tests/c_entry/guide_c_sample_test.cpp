// The guide's C sample, compiled as C11 and linked in, run against the real
// module: this host's QApplication, the module's entry points resolved as the
// sample expects, keys typed into the dialog the sample opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "ParametersFile.h"
#include "orv00006/orv00006.h"
#include "orv00006/orv00006_c.h"
#include "orv00006/platform/sysutils.h"

extern "C" double AskForDiscount(OrvDescontoExecutaFn executa);

namespace {

struct SampleCase {
    const char* name;
    QList<int> keys;  // typed into the open dialog
    double returned;
};

// A plain discount on 200,00 with the parameters file's 10 %.
const SampleCase kCases[] = {
    {"confirmed_20", {Qt::Key_2, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_Return}, 20.0},
    {"cancelled", {Qt::Key_5, Qt::Key_Escape}, 0.0},
    {"emptied", {Qt::Key_5, Qt::Key_Backspace, Qt::Key_Return}, 0.0},
};

class GuideCSample : public ::testing::TestWithParam<SampleCase> {
protected:
    static void SetUpTestSuite() {
        module_ = new QLibrary(QStringLiteral(ORV_MODULE_PATH));
        ASSERT_TRUE(module_->load()) << qPrintable(module_->errorString());
        auto init = reinterpret_cast<OrvInitializeFn>(module_->resolve("Initialize"));
        ASSERT_NE(init, nullptr);
        init();
        hostDir_ = new QTemporaryDir;
        WriteLimitFile(hostDir_->filePath(QStringLiteral("PARAMETROSVEK.CDS")), 10.0);
        plat::OverrideProgramDir(hostDir_->path());
    }
    static void TearDownTestSuite() {
        plat::OverrideProgramDir(QString());
        delete hostDir_;
        delete module_;  // the module stays loaded: Qt keeps its metatypes
    }
    static QLibrary* module_;
    static QTemporaryDir* hostDir_;
};
QLibrary* GuideCSample::module_ = nullptr;
QTemporaryDir* GuideCSample::hostDir_ = nullptr;

TEST_P(GuideCSample, ReturnsWhatTheOperatorKeyedIn) {
    const SampleCase& c = GetParam();
    auto executa = reinterpret_cast<OrvDescontoExecutaFn>(module_->resolve("OrvDescontoExecuta"));
    ASSERT_NE(executa, nullptr);
    bool typed = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) return;
        for (int key : c.keys) QTest::keyClick(dialog, static_cast<Qt::Key>(key));
        typed = true;
    });
    EXPECT_DOUBLE_EQ(AskForDiscount(executa), c.returned);
    EXPECT_TRUE(typed) << "no dialog was open";
}

INSTANTIATE_TEST_SUITE_P(Rows, GuideCSample, ::testing::ValuesIn(kCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
