#pragma once
// pdv-host as a separate process: a private copy of the host in its own
// directory (so a parameters file can sit beside it), run with --json and
// read back.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace hardening {

struct HostRun {
    int exitCode = -1;  // -1: did not finish, -2: crashed
    QJsonObject json;
    QString out, err;

    QStringList Messages() const {
        QStringList m;
        for (const auto& v : json[QStringLiteral("messages")].toArray()) m << v.toString();
        return m;
    }
    QStringList Errors() const {
        QStringList m;
        for (const auto& v : json[QStringLiteral("errors")].toArray()) m << v.toString();
        return m;
    }
    QJsonObject Result() const { return json[QStringLiteral("result")].toObject(); }
    QJsonObject Setup() const { return json[QStringLiteral("setup")].toObject(); }
    bool SetupSeen() const { return json[QStringLiteral("setup")].isObject(); }
    bool LeftOpen() const { return json[QStringLiteral("left_open")].toBool(); }
};

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

    HostRun Run(QStringList args) const {
        args << QStringLiteral("--module") << QStringLiteral(ORV_MODULE_PATH) << QStringLiteral("--json");
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The copy has no libraries beside it.
        env.insert(QStringLiteral("LD_LIBRARY_PATH"), QStringLiteral(ORV_BIN_DIR));
        p.setProcessEnvironment(env);
        p.start(host_, args);
        HostRun r;
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
        return r;
    }

private:
    QTemporaryDir dir_;
    QString host_;
};

}  // namespace hardening
