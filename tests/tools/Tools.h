#pragma once
// orv-params and orv-cds as separate processes, as staff and developers run
// them, and the files they leave behind.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

#include <csignal>
#include <functional>
#include <utility>

#include "ChildProcess.h"

namespace tools {

struct Run : ChildRun {
    QString FirstLine() const { return out.section(QLatin1Char('\n'), 0, 0); }
};

// `env`: variables to set for the child; `inChild`: runs between fork and
// exec.
inline Run Tool(const char* program, const QStringList& args, const QStringList& env = {},
                const std::function<void()>& inChild = {}) {
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const QString& kv : env) e.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
    return {RunChild(QString::fromUtf8(program), args, e, 60000, inChild)};
}

inline Run Params(const QStringList& args, const QStringList& env = {}, const std::function<void()>& inChild = {}) {
    return Tool(ORV_PARAMS_PATH, args, env, inChild);
}
inline Run Cds(const QStringList& args, const std::function<void()>& inChild = {}) {
    return Tool(ORV_CDS_PATH, args, {}, inChild);
}

// In the child: no file may grow past 16 bytes, which stops a write even
// for root (who writes in any folder); the write fails instead of the
// process being killed.
inline void SmallFileSizeLimit() {
    const struct rlimit limit { 16, 16 };
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_IGN);
}

// A file's bytes, or a marker when there is no readable file.
inline QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<no file>");
}

inline QStringList Entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

inline QString RecordsetSample(const char* form) {
    return QStringLiteral(RECORDSET_DATA_DIR "/PARAMETROSVEK-%1.CDS").arg(QString::fromLatin1(form));
}

}  // namespace tools
