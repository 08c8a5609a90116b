#pragma once
// A program run as a separate process to the end: its exit status and what
// it wrote. Shared by the host and tool runners.
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

struct ChildRun {
    int exitCode = -1;  // -1: did not finish, -2: crashed
    QString out, err;
};

// `env`: the child's environment; `inChild`: runs between fork and exec.
inline ChildRun RunChild(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs,
                         const std::function<void()>& inChild = {}) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (inChild) p.setChildProcessModifier(inChild);
    p.start(program, args);
    ChildRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
