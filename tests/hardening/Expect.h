#pragma once
// Shared expectations of the bad-input suites: message patterns and the
// records of a result packet.
#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

// Readable texts in failure reports.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace hardening {

// `pattern` is the exact text, except that "*" stands for any run of
// characters (for the part of a record-set reader's message that names the
// byte where it stopped) and "%FILE%" for the parameters file's path.
inline bool MessageMatches(const QString& text, QString pattern, const QString& file) {
    pattern.replace(QStringLiteral("%FILE%"), file);
    const QStringList parts = pattern.split(QLatin1Char('*'));
    if (parts.size() == 1) return text == pattern;
    if (!text.startsWith(parts.first()) || !text.endsWith(parts.last())) return false;
    qsizetype at = parts.first().size();
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        at = text.indexOf(parts[i], at);
        if (at < 0) return false;
        at += parts[i].size();
    }
    return at <= text.size() - parts.last().size();
}

struct Record {
    QString tipo;
    double valor = 0;
    bool operator==(const Record&) const = default;
};

inline void PrintTo(const Record& r, std::ostream* os) { *os << r.tipo.toStdString() << ' ' << r.valor; }

}  // namespace hardening
