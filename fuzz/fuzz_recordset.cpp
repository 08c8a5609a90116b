// Fuzz target for the record-set reader, both packet forms.
//
// Beyond "no crash": a packet that opens must be readable field by field,
// its binary form must read back to the very same bytes, and its XML
// forms must read back with the same number of records.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "orv00006/platform/dbclient.h"

using namespace plat;

namespace {

[[noreturn]] void Broken(const char* what, const QString& detail = {}) {
    std::fprintf(stderr, "invariant broken: %s %s\n", what, detail.toUtf8().constData());
    std::abort();
}

void Touch(TClientDataSet& cds) {
    for (cds.First(); !cds.Eof(); cds.Next()) {
        for (int i = 0; i < cds.FieldCount(); ++i) {
            TField* f = cds.Fields(i);
            (void)f->IsNull();
            (void)f->AsString();
            (void)f->Value();
            try {
                (void)f->AsFloat();
            } catch (const EConvertError&) {
            } catch (const EDatabaseError&) {
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TClientDataSet cds(QStringLiteral("cdsFuzz"));
    try {
        cds.LoadFromBytes(input);
    } catch (const EDatabaseError& e) {
        if (e.Message().isEmpty()) Broken("empty message");
        return 0;
    }
    Touch(cds);

    QByteArray first;
    try {
        first = cds.SaveToBytes(TDataPacketFormat::dfBinary);
    } catch (const Exception& e) {
        Broken("binary write failed", e.Message());
    }
    TClientDataSet again;
    try {
        again.LoadFromBytes(first);
    } catch (const Exception& e) {
        Broken("binary reread failed", e.Message());
    }
    if (again.SaveToBytes(TDataPacketFormat::dfBinary) != first) Broken("binary round trip differs");
    if (again.RecordCount() != cds.RecordCount()) Broken("record count differs");

    for (const auto form : {TDataPacketFormat::dfXML, TDataPacketFormat::dfXMLUTF8}) {
        TClientDataSet viaXml;
        try {
            viaXml.LoadFromBytes(cds.SaveToBytes(form));
        } catch (const Exception& e) {
            Broken("xml reread failed", e.Message());
        }
        if (viaXml.RecordCount() != cds.RecordCount() || viaXml.FieldCount() != cds.FieldCount())
            Broken("xml round trip differs");
        Touch(viaXml);
    }
    return 0;
}
