#include "Terminal.h"

namespace orvtools {

namespace {

bool Unsafe(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString Hex(char16_t c, int digits) { return QString::number(c, 16).rightJustified(digits, QLatin1Char('0')); }

}  // namespace

QString ForTerminal(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (!Unsafe(c))
            out += ch;
        else if (c == u'\n')
            out += QLatin1String("\\n");
        else if (c == u'\r')
            out += QLatin1String("\\r");
        else if (c == u'\t')
            out += QLatin1String("\\t");
        else if (c < 0x100)
            out += QLatin1String("\\x") + Hex(c, 2);
        else
            out += QLatin1String("\\u") + Hex(c, 4);
    }
    return out;
}

QByteArray JsonForTerminal(const QByteArray& json) {
    const QString text = QString::fromUtf8(json);
    QString out;
    out.reserve(text.size());
    // JSON already escapes C0 inside strings; outside them there is only
    // its own ASCII layout, which passes unchanged.
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (Unsafe(c) && c >= 0x20)
            out += QLatin1String("\\u") + Hex(c, 4);
        else
            out += ch;
    }
    return out.toUtf8();
}

}  // namespace orvtools
