#pragma once
// What orv-cds prints of a record set: its fields (kinds, sizes,
// attributes) and its records as the facility opens them, as a table or as
// JSON. NULLs stay visible: "NULL" in the table, null in JSON.
#include <QByteArray>
#include <QString>

#include "PacketForm.h"
#include "orv00006/platform/dbclient.h"

namespace orvcds {

QString FormName(orvtools::FileForm form);  // binary, xml, xml-utf8, ...

struct Source {
    QString path;
    orvtools::FileForm form;
};

// `cds` is open; its current record moves.
QString DumpTable(plat::TClientDataSet& cds, const Source& source);
QByteArray DumpJson(plat::TClientDataSet& cds, const Source& source);

}  // namespace orvcds
