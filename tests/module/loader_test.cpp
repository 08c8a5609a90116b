// The loader every host, test and tool goes through: what it resolves, and
// what it says when it cannot.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "orv00006/loader.h"

namespace {

struct LoaderCase {
    const char* name;
    const char* path;
    const char* error;  // "" when it loads; else how the error starts
};

const char* const kMissingAll =
    " não exporta Initialize, Finalize, GetPackageInfoTable, CriaDesconto, Cli_orv00006::CriaDesconto, "
    "Cli_orv00006::frmDesc, Cli_orv00006::boCriado06";

const LoaderCase kLoaderCases[] = {
    {"TheModule", ORV_MODULE_PATH, ""},
    {"NoSuchFile", "/nonexistent/PKG_ORV00006.so", "Cannot load library /nonexistent/PKG_ORV00006.so"},
    {"ALibraryWithoutTheEntryPoints", ORV_PLATFORM_PATH, ORV_PLATFORM_PATH},
};

void PrintTo(const LoaderCase& c, std::ostream* os) { *os << c.name; }

class Loader : public ::testing::TestWithParam<LoaderCase> {};

TEST_P(Loader, ResolvesEveryEntryPointOrSaysWhy) {
    const LoaderCase& c = GetParam();
    orv00006::Module m;
    const QString error = m.Load(QString::fromUtf8(c.path));
    const bool loads = *c.error == '\0';
    if (loads) {
        EXPECT_EQ(error, QString());
    } else {
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.error))) << error.toStdString();
    }
    if (std::string(c.path) == ORV_PLATFORM_PATH) {
        EXPECT_EQ(error, QString::fromUtf8(c.path) + QString::fromUtf8(kMissingAll));
    }
    EXPECT_EQ(m.IsLoaded(), loads);
    const std::pair<const char*, bool> found[] = {{"Initialize", m.initialize != nullptr},
                                                  {"Finalize", m.finalize != nullptr},
                                                  {"GetPackageInfoTable", m.packageInfo != nullptr},
                                                  {"CriaDesconto", m.criaDesconto != nullptr},
                                                  {"Cli_orv00006::CriaDesconto", m.unitCriaDesconto != nullptr},
                                                  {"Cli_orv00006::frmDesc", m.frmDesc != nullptr},
                                                  {"Cli_orv00006::boCriado06", m.boCriado06 != nullptr}};
    for (const auto& [entry, resolved] : found) EXPECT_EQ(resolved, loads) << entry;
    m.Unload();
    EXPECT_EQ(m.criaDesconto, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Table, Loader, ::testing::ValuesIn(kLoaderCases),
                         [](const ::testing::TestParamInfo<LoaderCase>& p) { return std::string(p.param.name); });

// Unloaded and loaded again, the module starts afresh each round.
TEST(LoaderRounds, UnloadAndLoadAgain) {
    orv00006::Module m;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(m.Load(QStringLiteral(ORV_MODULE_PATH)), QString()) << "round " << round;
        m.initialize();
        EXPECT_STREQ(m.packageInfo()->name, "PKG_ORV00006") << "round " << round;
        EXPECT_FALSE(*m.boCriado06) << "round " << round;
        EXPECT_EQ(*m.frmDesc, nullptr) << "round " << round;
        m.finalize();
        m.Unload();
        EXPECT_FALSE(m.IsLoaded()) << "round " << round;
    }
}

}  // namespace
