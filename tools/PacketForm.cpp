#include "PacketForm.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvtools {

namespace {

// Enough for a byte-order mark and the XML declaration.
constexpr qint64 kHeadBytes = 256;

QByteArray ReadHead(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return file.read(kHeadBytes);
}

}  // namespace

FileForm FormOfBytes(const QByteArray& head) {
    plat::TDataPacketFormat format = plat::TDataPacketFormat::dfBinary;
    if (!plat::TClientDataSet::DetectFormat(head, format)) return FileForm::Unknown;
    if (format == plat::TDataPacketFormat::dfBinary) return FileForm::Binary;
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) return FileForm::XmlUtf16;
    if (head.startsWith("\xEF\xBB\xBF")) return FileForm::XmlUtf8;
    if (!head.startsWith("<?xml")) return FileForm::Xml;
    const qsizetype end = head.indexOf("?>");
    static const QRegularExpression encoding(QStringLiteral("encoding\\s*=\\s*[\"']([^\"']*)[\"']"),
                                             QRegularExpression::CaseInsensitiveOption);
    const auto m = encoding.match(QString::fromLatin1(end < 0 ? head : head.left(end)));
    if (!m.hasMatch()) return FileForm::Xml;
    const QString name = m.captured(1).toLower();
    if (name == u"utf-8" || name == u"utf8") return FileForm::XmlUtf8;
    if (name.startsWith(u"utf-16")) return FileForm::XmlUtf16;
    return FileForm::Xml;
}

FileForm FormOfFile(const QString& path) { return FormOfBytes(ReadHead(path)); }

std::optional<plat::TDataPacketFormat> WritingForm(FileForm form) {
    switch (form) {
    case FileForm::Binary:
        return plat::TDataPacketFormat::dfBinary;
    case FileForm::Xml:
        return plat::TDataPacketFormat::dfXML;
    case FileForm::XmlUtf8:
        return plat::TDataPacketFormat::dfXMLUTF8;
    case FileForm::XmlUtf16:
    case FileForm::Unknown:
        break;
    }
    return std::nullopt;
}

FileForm FormOf(plat::TDataPacketFormat format) {
    switch (format) {
    case plat::TDataPacketFormat::dfXML:
        return FileForm::Xml;
    case plat::TDataPacketFormat::dfXMLUTF8:
        return FileForm::XmlUtf8;
    case plat::TDataPacketFormat::dfBinary:
        break;
    }
    return FileForm::Binary;
}

}  // namespace orvtools
