// A call from a process without a QApplication must not create any widget
// and must leave the host's variant alone.
#include <gtest/gtest.h>

#include "orv00006/loader.h"

TEST(ModuleWithoutApplication, RefusesAndLeavesTheVariantAlone) {
    orv00006::Module module;
    const QString error = module.Load(QStringLiteral(ORV_MODULE_PATH));
    ASSERT_TRUE(error.isEmpty()) << error.toStdString();
    module.initialize();
    const plat::Variant params[] = {plat::Variant(), plat::Variant("Desconto"), 100.0, 0.0};
    plat::Variant result(QStringLiteral("marca"));
    testing::internal::CaptureStderr();
    module.criaDesconto(params, 3, result);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(result == QStringLiteral("marca"));
    EXPECT_NE(err.find("QApplication"), std::string::npos) << err;
}
