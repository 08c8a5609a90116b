#pragma once
// pdv-host as a separate process, as the demo and an embedding team run it.
// A test target that includes this defines ORV_HOST_PATH, ORV_MODULE_PATH
// and ORV_BIN_DIR (the build's bin directory, where the libraries are).
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "ChildProcess.h"
#include "ParametersFile.h"

namespace hostrun {

inline QStringList Strings(const QJsonValue& v) {
    QStringList out;
    for (const auto& x : v.toArray()) out << x.toString();
    return out;
}

struct HostRun : ChildRun {
    QJsonObject json;  // the --json report, when there is one

    QStringList Messages() const { return Strings(json[QStringLiteral("messages")]); }
    QStringList Errors() const { return Strings(json[QStringLiteral("errors")]); }
    QJsonObject Result() const { return json[QStringLiteral("result")].toObject(); }
    QJsonObject Setup() const { return json[QStringLiteral("setup")].toObject(); }
    bool SetupSeen() const { return json[QStringLiteral("setup")].isObject(); }
    bool LeftOpen() const { return json[QStringLiteral("left_open")].toBool(); }
};

// Exactly one message, containing `part`; none when `part` is empty.
inline void ExpectOneMessageContaining(const HostRun& r, const char* part) {
    const QStringList messages = r.Messages();
    if (*part) {
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains(QString::fromUtf8(part))) << messages[0].toStdString();
    } else {
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    }
}

// Runs a host binary offscreen; a copy outside the build finds the
// libraries through LD_LIBRARY_PATH.
inline HostRun RunProcess(const QString& host, const QStringList& args, int timeoutMs = 60000,
                          const std::function<void()>& inChild = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(ORV_BIN_DIR));
    ChildRun run = RunChild(host, args, env, timeoutMs, inChild);
    const QJsonObject json = QJsonDocument::fromJson(run.out.toUtf8()).object();
    return {std::move(run), json};
}

// The built host, as it is.
inline HostRun RunHost(const QStringList& args) { return RunProcess(QStringLiteral(ORV_HOST_PATH), args); }

// A private copy of the host in its own directory, so that a parameters file
// can sit beside it; runs it with the built module and --json.
class HostCopy {
public:
    HostCopy() {
        EXPECT_TRUE(dir_.isValid());
        host_ = dir_.filePath(QStringLiteral("pdv-host"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(ORV_HOST_PATH), host_));
    }

    QString Dir() const { return dir_.path(); }
    // Where the module looks for its parameters file.
    QString ParametersFile() const { return dir_.filePath(QStringLiteral("PARAMETROSVEK.CDS")); }

    // A parameters file with the plain discount's maximum percentage.
    void WriteLimit(double percent) const { WriteLimitFile(ParametersFile(), percent); }

    HostRun Run(QStringList args, int timeoutMs = 60000, const std::function<void()>& inChild = {}) const {
        args << QStringLiteral("--module") << QStringLiteral(ORV_MODULE_PATH) << QStringLiteral("--json");
        return RunProcess(host_, args, timeoutMs, inChild);
    }

private:
    QTemporaryDir dir_;
    QString host_;
};

}  // namespace hostrun
