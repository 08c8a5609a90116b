#include "orv00006/dll/Messages.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/imagecache.h"

namespace dll {

TMessages::TMessages(QObject* owner) : QObject(owner) {}
TMessages::~TMessages() = default;

namespace {
QString Unescape(const QString& line) {
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\') && i + 1 < line.size()) {
            const QChar c = line[++i];
            if (c == QLatin1Char('r'))
                out += QLatin1Char('\r');
            else if (c == QLatin1Char('n'))
                out += QLatin1Char('\n');
            else
                out += c;
        } else {
            out += line[i];
        }
    }
    return out;
}

QStringList Parsed(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw plat::Exception(QStringLiteral("Não foi possível ler a tabela de mensagens %1.").arg(path));
    QStringList lines;
    const QString content = QString::fromUtf8(file.readAll());
    for (const QString& line : content.split(QLatin1Char('\n'))) {
        QString l = line;
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
        if (!l.isEmpty()) lines << Unescape(l);
    }
    return lines;
}
}  // namespace

void TMessages::LoadFromFile(const QString& path) {
    // A table inside the program's resources never changes: every dialog
    // loads the same one, so it is read once per process. Files on disk are
    // read each time.
    if (!plat::IsResourcePath(path)) {
        Lines = Parsed(path);
        return;
    }
    static QMutex mutex;
    static QHash<QString, QStringList> tables;
    QMutexLocker lock(&mutex);
    auto it = tables.constFind(path);
    if (it == tables.constEnd()) it = tables.insert(path, Parsed(path));
    Lines = *it;
}

QString TMessages::Msg(const QString& key) const {
    for (const QString& line : Lines) {
        const qsizetype bar = line.indexOf(QLatin1Char('|'));
        if (bar >= 0 && QStringView(line).left(bar) == key) return line.mid(bar + 1);
    }
    return {};
}

}  // namespace dll
