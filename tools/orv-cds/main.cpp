// orv-cds: any record-set file, for developers and support. dump prints it
// as the facility opens it; convert writes it in another form. A file the
// facility cannot read fails with the facility's own message.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <exception>

#include "Dump.h"
#include "PacketForm.h"
#include "Terminal.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"
#include "orv00006_version.h"

namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kDescription =
    "Reads and converts record-set files (data packets) in either form: binary,\n"
    "XML and XML UTF-8.\n"
    "\n"
    "Commands:\n"
    "  dump FILE                  prints the fields (kind, size, attributes) and the\n"
    "                             rows as the facility opens them: saved changes\n"
    "                             resolved, NULLs shown as NULL (--json: null)\n"
    "  convert --to FORM IN OUT   writes IN to OUT in FORM: binary, xml or xml-utf8;\n"
    "                             OUT (a regular file, a link to one, or none yet)\n"
    "                             is replaced whole: owner, group and mode kept,\n"
    "                             synced to disk; a failure leaves an old OUT whole\n"
    "                             and nothing else behind. Text XML cannot hold\n"
    "                             (control characters) is refused, never altered.\n"
    "\n"
    "Text from the files is printed with control and bidirectional characters\n"
    "escaped (\\x1b, \\u202e).";

const char* const kEpilogue =
    "\n"
    "Exit status: 0 on success, 1 when a file cannot be read or written, 2 for a\n"
    "wrong command line.\n";

int Usage(QTextStream& err, const QString& text) {
    err << QStringLiteral("orv-cds: %1\nSee orv-cds --help.\n").arg(orvtools::ForTerminal(text));
    return kUsage;
}

int Failed(QTextStream& err, const QString& text) {
    err << QStringLiteral("orv-cds: %1\n").arg(orvtools::ForTerminal(text));
    return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("orv-cds"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ORV_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);
    // Numbers kept as text (BCD) come out the same whatever the locale.
    plat::SetDecimalSeparator(QLatin1Char('.'));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("dump: print JSON instead of a table."));
    const QCommandLineOption to(QStringLiteral("to"), QStringLiteral("convert: the form to write."),
                                QStringLiteral("FORM"));
    parser.addOptions({json, to});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("dump or convert."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The file(s)."), QStringLiteral("FILE..."));
    if (!parser.parse(app.arguments())) return Usage(err, parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ") + app.arguments().constFirst();
        if (text.startsWith(usage)) text.replace(0, usage.size(), QStringLiteral("Usage: orv-cds"));
        out << text << QString::fromUtf8(kEpilogue);
        return kOk;
    }
    if (parser.isSet(version)) {
        out << QStringLiteral("orv-cds %1\n").arg(QCoreApplication::applicationVersion());
        return kOk;
    }
    QStringList pos = parser.positionalArguments();
    if (pos.isEmpty()) return Usage(err, QStringLiteral("no command (dump or convert)"));
    const QString command = pos.takeFirst();
    const bool dump = command == QLatin1String("dump");
    if (!dump && command != QLatin1String("convert"))
        return Usage(err, QStringLiteral("unknown command '%1' (dump or convert)").arg(command));
    if (dump && parser.isSet(to)) return Usage(err, QStringLiteral("--to is for convert"));
    if (!dump && parser.isSet(json)) return Usage(err, QStringLiteral("--json is for dump"));
    if (pos.size() != (dump ? 1 : 2))
        return Usage(err, dump ? QStringLiteral("dump takes one FILE") : QStringLiteral("convert takes IN and OUT"));

    plat::TDataPacketFormat format = plat::TDataPacketFormat::dfBinary;
    if (!dump) {
        const QString name = parser.value(to);
        if (name == QLatin1String("xml"))
            format = plat::TDataPacketFormat::dfXML;
        else if (name == QLatin1String("xml-utf8"))
            format = plat::TDataPacketFormat::dfXMLUTF8;
        else if (name != QLatin1String("binary"))
            return Usage(err, parser.isSet(to) ? QStringLiteral("unknown form '%1' (binary, xml or xml-utf8)").arg(name)
                                               : QStringLiteral("convert needs --to binary|xml|xml-utf8"));
    }

    const QString in = pos[0];
    plat::TClientDataSet cds;
    try {
        cds.LoadFromFile(in);
        const orvcds::Source source{QFileInfo(in).absoluteFilePath(), orvtools::FormOfFile(in)};
        if (dump) {
            if (parser.isSet(json))
                out << QString::fromUtf8(orvcds::DumpJson(cds, source));
            else
                out << orvcds::DumpTable(cds, source);
            return kOk;
        }
        cds.SaveToFile(pos[1], format);
        out << QStringLiteral("%1 (%2, %3 rows) -> %4 (%5)%6\n")
                   .arg(orvtools::ForTerminal(in), orvcds::FormName(source.form))
                   .arg(cds.RecordCount())
                   .arg(orvtools::ForTerminal(plat::TClientDataSet::SaveTarget(pos[1])),
                        orvcds::FormName(orvtools::FormOf(format)),
                        cds.HeldSavedChanges() ? QStringLiteral(", saved changes merged") : QString());
        return kOk;
    } catch (const plat::Exception& e) {
        return Failed(err, e.Message());
    } catch (const std::exception& e) {
        return Failed(err, QString::fromLocal8Bit(e.what()));
    }
}
