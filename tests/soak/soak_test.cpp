// Soak: 1,000 consecutive calls in one pdv-host process, for a confirmed
// entry and for a refused one that is then cancelled.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "HostRunner.h"
#include "orv00006/platform/dbclient.h"

namespace {

// Under AddressSanitizer freed blocks sit in a quarantine, so the resident
// set says nothing about our own memory there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

constexpr int kCalls = 1000;
constexpr qint64 kMaxGrowthKib = 1024;

using hostrun::HostRun;
using hostrun::Strings;

// A copy of the host in a directory of its own with a 10 % discount limit
// beside it, so the module reads a parameters file on every call.
class Host {
public:
    Host() { copy_.WriteLimit(10); }
    bool ok() const { return QFile::exists(copy_.ParametersFile()); }
    QString dir() const { return copy_.Dir(); }

    // Runs a plain discount on 200,00 with the given extra options.
    HostRun operator()(const QStringList& extra, const std::function<void()>& inChild = {}) const {
        QStringList args{"--kind", "Desconto", "--base", "200", "--decimal-separator", ","};
        args << extra;
        return copy_.Run(args, 600000, inChild);
    }

private:
    hostrun::HostCopy copy_;
};

struct SoakCase {
    const char* name;
    const char* keys;
    int records;          // records in the packet handed back
    const char* valor;    // the VALOR of the record, when there is one
    bool leftOpen;        // refused: still open after the script, then cancelled
    const char* message;  // part of the only message, "" = none
};

const SoakCase kSoak[] = {
    {"ConfirmedWithinTheLimit", "2 0 0 0 Enter", 1, "20", false, ""},
    {"RefusedOverTheLimitThenCancelled", "2 0 0 1 Enter", 0, "", true, "Valor restante permitido: $20,00"},
};

void PrintTo(const SoakCase& c, std::ostream* os) { *os << c.name << " [" << c.keys << "]"; }

class Soak : public ::testing::TestWithParam<SoakCase> {};

TEST_P(Soak, ThousandCallsSameOutcomeNoGrowth) {
    const SoakCase& c = GetParam();
    Host host;
    ASSERT_TRUE(host.ok());
    const HostRun r = host({"--keys", c.keys, "--repeat", QString::number(kCalls)});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    EXPECT_EQ(r.json["calls"].toInt(), kCalls);
    EXPECT_EQ(r.json["distinct_results"].toInt(), 1);

    // The outcome that every call had (the report is the last call's).
    const QJsonObject result = r.json["result"].toObject();
    EXPECT_EQ(result["state"].toString(), QStringLiteral("packet"));
    const QJsonArray records = result["records"].toArray();
    ASSERT_EQ(records.size(), c.records);
    if (c.records > 0) {
        EXPECT_EQ(records[0].toObject()["TIPO"].toString(), QStringLiteral("V"));
        EXPECT_EQ(records[0].toObject()["VALOR"].toDouble(), QString::fromLatin1(c.valor).toDouble());
    }
    EXPECT_EQ(r.json["left_open"].toBool(), c.leftOpen);
    EXPECT_TRUE(r.json["errors"].toArray().isEmpty());
    ASSERT_NO_FATAL_FAILURE(ExpectOneMessageContaining(r, c.message));

    const QJsonObject rss = r.json["rss_kib"].toObject();
    const qint64 warm = rss["after_call_100"].toInteger(-1);
    const qint64 last = rss["after_last_call"].toInteger(-1);
    ASSERT_GT(warm, 0) << "no VmRSS in /proc/self/status";
    ASSERT_GT(last, 0);
    if (kSanitized) GTEST_SKIP() << "resident set not meaningful under AddressSanitizer";
    EXPECT_LT(last - warm, kMaxGrowthKib)
        << "after call 100: " << warm << " KiB, after call " << kCalls << ": " << last << " KiB";
}

INSTANTIATE_TEST_SUITE_P(Scripts, Soak, ::testing::ValuesIn(kSoak),
                         [](const ::testing::TestParamInfo<SoakCase>& p) { return std::string(p.param.name); });

TEST(SoakReport, SingleCallKeepsItsShape) {
    Host host;
    ASSERT_TRUE(host.ok());
    const HostRun r = host({"--keys", "2 0 0 0 Enter"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.json["result"].toObject()["state"].toString(), QStringLiteral("packet"));
    for (const char* key : {"calls", "distinct_results", "rss_kib"})
        EXPECT_FALSE(r.json.contains(QLatin1String(key))) << key;
}

TEST(SoakReport, CallsThatDifferAreCounted) {
    // The screenshot is taken on the last call only; one that cannot be
    // written makes that call's report differ from the others.
    Host host;
    ASSERT_TRUE(host.ok());
    const HostRun r = host(
        {"--keys", "2 0 0 0", "--repeat", "3", "--screenshot", host.dir() + QStringLiteral("/no/such/dir/shot.png")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.json["calls"].toInt(), 3);
    EXPECT_EQ(r.json["distinct_results"].toInt(), 2);
    EXPECT_EQ(Strings(r.json["errors"]).size(), 1);
    // Fewer than 100 calls: there is no warm-up figure to compare with.
    const QJsonObject rss = r.json["rss_kib"].toObject();
    EXPECT_FALSE(rss.contains(QStringLiteral("after_call_100")));
    EXPECT_GT(rss["after_call_1"].toInteger(-1), 0);
    EXPECT_GT(rss["after_last_call"].toInteger(-1), 0);
}

TEST(SoakReport, TimingGoesToStandardError) {
    Host host;
    ASSERT_TRUE(host.ok());
    const HostRun r = host({"--keys", "2 0 0 0 Enter", "--timing"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // stdout stays one JSON object.
    EXPECT_EQ(r.json["result"].toObject()["records"].toArray().size(), 1);
    const qsizetype at = r.err.indexOf(QStringLiteral("pdv-host timing:"));
    ASSERT_GE(at, 0) << r.err.toStdString();
    const QStringList fields = r.err.mid(at).section(QLatin1Char('\n'), 0, 0).split(QLatin1Char(' '));
    QStringList seen;
    for (const QString& f : fields) {
        const qsizetype eq = f.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        bool ok = false;
        const double value = f.mid(eq + 1).toDouble(&ok);
        EXPECT_TRUE(ok && value > 0) << f.toStdString();
        seen << f.left(eq);
    }
    EXPECT_EQ(seen, (QStringList{"app_ms", "load_ms", "first_call_ms", "calls", "calls_ms", "total_ms", "vmhwm_kib"}));
}

TEST(SoakMemory, CallSucceedsInABoundedAddressSpace) {
    // Reading the few-byte parameters file must not reserve the reader's
    // size cap (hundreds of MiB): where address space is limited, as under
    // a strict overcommit policy, that reservation fails and the call with it.
    if (kSanitized) GTEST_SKIP() << "AddressSanitizer reserves terabytes of shadow memory";
    Host host;
    ASSERT_TRUE(host.ok());
    const HostRun r = host({"--keys", "2 0 0 0 Enter"}, [] {
        const rlimit limit{rlim_t{384} << 20, rlim_t{384} << 20};
        setrlimit(RLIMIT_AS, &limit);
    });
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(Strings(r.json["messages"]).isEmpty()) << Strings(r.json["messages"]).join('|').toStdString();
    EXPECT_EQ(r.json["result"].toObject()["records"].toArray().size(), 1);
}

}  // namespace
