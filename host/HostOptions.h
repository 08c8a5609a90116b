#pragma once
// Command line of pdv-host.
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

#include "orv00006/platform/variant.h"

struct HostOptions {
    QString module;  // empty: beside the host
    QString kind = QStringLiteral("Desconto");
    QString base = QStringLiteral("0");
    QString applied = QStringLiteral("0");
    std::vector<std::pair<int, plat::Variant>> typed;  // --param, in order
    int high = 3;
    std::optional<QChar> decimalSeparator;
    bool scripted = false;
    QStringList keys;
    bool json = false;
    QString packetOut;
    QString screenshot;
    int repeat = 1;
    bool timing = false;  // phase times and peak memory on stderr
    bool help = false;
    bool version = false;
};

// Parses argv (without the program name). Returns an error text for a usage
// error, or an empty text.
QString ParseHostOptions(const QStringList& args, HostOptions& out);
// --help, made from the options.
QString HostUsage();

// The call's elements 0..high (at least 0..3): kind, base and applied, then
// every --param over them.
std::vector<plat::Variant> CallParameters(const HostOptions& opt);

// A scripted token that pdv-host understands ("5", "Enter", "Alt+F4",
// "click:sbt5", ...).
bool IsKnownToken(const QString& token);
