// A call from a process without a QApplication must not create any widget
// and must leave the host's variant alone.
#include <QLibrary>

#include <gtest/gtest.h>

#include "orv00006/orv00006.h"

TEST(ModuleWithoutApplication, RefusesAndLeavesTheVariantAlone) {
    QLibrary lib(QStringLiteral(ORV_MODULE_PATH));
    ASSERT_TRUE(lib.load()) << lib.errorString().toStdString();
    auto init = reinterpret_cast<OrvInitializeFn>(lib.resolve("Initialize"));
    auto cria = reinterpret_cast<OrvCriaDescontoFn>(lib.resolve("CriaDesconto"));
    ASSERT_TRUE(init && cria);
    init();
    const plat::Variant params[] = {plat::Variant(), plat::Variant("Desconto"), 100.0, 0.0};
    plat::Variant result(QStringLiteral("marca"));
    testing::internal::CaptureStderr();
    cria(params, 3, result);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(result == QStringLiteral("marca"));
    EXPECT_NE(err.find("QApplication"), std::string::npos) << err;
}
