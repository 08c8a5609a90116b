#pragma once
// Which form a saved record-set file is in. The facility tells binary from
// XML by the first bytes; the tools also name the XML form's encoding, so
// that a file can be written back in the form it was found in.
#include <QByteArray>
#include <QString>

#include <optional>

#include "orv00006/platform/dbclient.h"

namespace orvtools {

enum class FileForm {
    Binary,
    Xml,       // the plain XML form: no encoding declared, or an 8-bit one
    XmlUtf8,   // encoding="UTF-8" declared, or a UTF-8 byte-order mark
    XmlUtf16,  // read by the facility, never written by it
    Unknown,   // nothing the facility reads
};

FileForm FormOfBytes(const QByteArray& head);
// The form of the regular file at `path`, from its first bytes; Unknown when
// it cannot be read. The open cannot block: a FIFO there is not waited on.
FileForm FormOfFile(const QString& path);

// The facility's writing form for a form; none for those it does not write.
std::optional<plat::TDataPacketFormat> WritingForm(FileForm form);
FileForm FormOf(plat::TDataPacketFormat format);

}  // namespace orvtools
