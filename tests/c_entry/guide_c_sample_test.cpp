// The guide's C sample, compiled as C11 and linked in, run against the real
// module: this host's QApplication, the module's entry points resolved as the
// sample expects, keys typed into the dialog the sample opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "ParametersFile.h"
#include "orv00006/orv00006.h"
#include "orv00006/orv00006_c.h"

extern "C" double AskForDiscount(OrvDescontoExecutaFn executa, const char* parametersFile);

namespace {

struct SampleCase {
    const char* name;
    QList<int> keys;  // typed into the open dialog; none: no dialog expected
    double returned;
    const char* file = "PARAMETROSVEK.CDS";  // in the scratch folder
};

// A plain discount on 200,00 with the parameters file's 10 %.
const SampleCase kCases[] = {
    {"confirmed_20", {Qt::Key_2, Qt::Key_0, Qt::Key_0, Qt::Key_0, Qt::Key_Return}, 20.0},
    {"cancelled", {Qt::Key_5, Qt::Key_Escape}, 0.0},
    {"emptied", {Qt::Key_5, Qt::Key_Backspace, Qt::Key_Return}, 0.0},
    {"broken_parameters_file", {}, -1.0, "broken.CDS"},
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
        QFile broken(hostDir_->filePath(QStringLiteral("broken.CDS")));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a packet") > 0);
    }
    static void TearDownTestSuite() {
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
    const Recorder recorder;  // a failure's message box would wait for a click
    bool typed = false;
    // Armed only for a dialog: a call that fails at once runs no event loop.
    if (!c.keys.isEmpty())
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr) return;
            for (int key : c.keys) QTest::keyClick(dialog, static_cast<Qt::Key>(key));
            typed = true;
        });
    const QByteArray file = hostDir_->filePath(QString::fromUtf8(c.file)).toUtf8();
    EXPECT_DOUBLE_EQ(AskForDiscount(executa, file.constData()), c.returned);
    EXPECT_EQ(typed, !c.keys.isEmpty()) << "a dialog was expected exactly when keys are";
    EXPECT_EQ(recorder.messages.size(), c.keys.isEmpty() ? 1 : 0) << qPrintable(recorder.messages.join(u'\n'));
}

INSTANTIATE_TEST_SUITE_P(Rows, GuideCSample, ::testing::ValuesIn(kCases),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
