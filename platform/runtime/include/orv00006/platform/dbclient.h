#pragma once
// In-memory record sets and their data packets, the facility host and
// modules exchange results and parameter files with.
//
// A packet is a record set's complete data (field definitions and records)
// in one of two forms: binary (the usual form, held in a Variant as a byte
// array) and XML. Readers tell the forms apart by their first bytes.
// Reading never goes past the end of its input: a truncated, corrupt or
// foreign packet throws EDatabaseError saying what is wrong (and, for
// files, which file).
//
// Field kinds read from packets: integers of every width (signed and
// unsigned), booleans, reals of 4, 8 and 10 bytes (held as double), BCD
// (held as exact decimal text, read as a number), date, time, timestamps,
// 8-bit text (Windows-1252 on the wire), UTF-16 text, bytes and memos.
// Big-decimal columns are kept as raw bytes. Composite (ADT), array,
// nested-table and reference columns are refused with a message naming
// the field. Timestamps carry no zone: Value() gives them as UTC
// QDateTime so that no local daylight-saving gap can move them.
//
// Saved changes (row status and CHANGE_LOG) are applied when a packet is
// opened; packets written here hold plain rows only.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/export.h"
#include "orv00006/platform/variant.h"

namespace plat {

enum class TFieldType {
    ftUnknown,
    ftString,      // 8-bit text (Windows-1252 on the wire), declared size
    ftWideString,  // UTF-16 text
    ftSmallint,
    ftInteger,
    ftLargeint,
    ftWord,  // unsigned integers of any width
    ftBoolean,
    ftFloat,  // IEEE double (and single/extended read as double)
    ftBCD,    // BCD / fixed decimal, read as a number
    ftDate,
    ftTime,
    ftDateTime,
    ftBlob,  // bytes, memo, anything kept as raw bytes
};

enum class TDataPacketFormat { dfBinary, dfXML, dfXMLUTF8 };

class TClientDataSet;

class PLATFORM_API TField {
public:
    virtual ~TField();
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const QString& FieldName() const { return name_; }
    TFieldType DataType() const { return type_; }
    int Size() const { return size_; }

    bool IsNull() const;
    // Current record's value; NULL reads as 0 / "" / false.
    QString AsString() const;
    // Numbers as they are, numeric text through StrToFloat, NULL as 0;
    // text that is not a number throws EConvertError.
    double AsFloat() const;
    QVariant Value() const;  // null QVariant for NULL

    void SetAsString(const QString& value);
    void SetAsFloat(double value);
    void SetValue(const QVariant& value);
    void Clear();  // set NULL

    // Field attributes a packet carries (required, read-only, hidden).
    bool Required() const;
    bool ReadOnly() const;
    bool Visible() const;

protected:
    TField(TClientDataSet* owner, QString name, TFieldType type, int size);

private:
    friend class TClientDataSet;
    TClientDataSet* owner_;
    QString name_;
    TFieldType type_;
    int size_;
    int index_ = -1;
};

class PLATFORM_API TStringField : public TField {
public:
    TStringField(TClientDataSet* owner, const QString& name, int size);
    ~TStringField() override;
};

class PLATFORM_API TFloatField : public TField {
public:
    TFloatField(TClientDataSet* owner, const QString& name);
    ~TFloatField() override;
};

class PLATFORM_API TClientDataSet {
public:
    explicit TClientDataSet(QString name = {});
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet&) = delete;
    TClientDataSet& operator=(const TClientDataSet&) = delete;

    const QString& Name() const;

    // Declared (persistent) fields, in order; the set owns them. A field
    // constructed with this set as owner is declared the same way.
    TStringField* AddStringField(const QString& name, int size);
    TFloatField* AddFloatField(const QString& name);
    // Any other kind: size is characters for text, decimals for BCD.
    TField* AddField(const QString& name, TFieldType type, int size = 0);

    // Opens an empty record set with the declared fields (an open set is
    // closed and created afresh).
    void CreateDataSet();
    // Reopens the last data taken in (or, after CreateDataSet, an empty
    // set again); no-op when active.
    void Open();
    void Close();  // drops records and fields taken from a packet
    bool Active() const;

    // Navigation over the visible records.
    void First();
    void Next();
    bool Eof() const;
    bool Bof() const;
    int RecordCount() const;
    int RecNo() const;  // 1-based, 0 when empty

    // Editing: Insert/Append add a record being edited, Post stores it,
    // Cancel drops it.
    void Insert();
    void Append();
    void Edit();
    void Post();
    void Cancel();

    // Fields: the declared ones while closed, one per packet column (in
    // column order) while open, so an index can name another field once
    // the set is opened. The set owns every field returned; never delete
    // one unless it is a declared field you mean to undeclare.
    // - A declared field lives as long as the set; while open it reports
    //   its column's type and size, and its own again after Close.
    // - A column no declared field claims gets a field of the set's own,
    //   destroyed when the set closes or takes other data: Close,
    //   CreateDataSet, a successful LoadFromBytes, LoadFromFile or SetData
    //   (null included), and the set's destruction. A load that fails
    //   leaves them, and so does Open (a no-op on an open set).
    int FieldCount() const;
    TField* Fields(int index) const;                 // throws EDatabaseError out of range
    TField* FindField(const QString& name) const;    // case-insensitive; nullptr when none
    TField* FieldByName(const QString& name) const;  // throws EDatabaseError

    // The complete data as a binary packet in a Variant (byte array). A
    // record being edited is posted first, as navigation does; saved
    // changes are merged (rows are written as plain rows, no CHANGE_LOG).
    Variant Data() const;
    // Takes a packet (byte array in a Variant, either form; XML also as
    // text) and opens it; unassigned or null closes the set. Declared
    // fields bind by name to the packet's columns. On failure the set is
    // left as it was.
    void SetData(const Variant& packet);

    QByteArray SaveToBytes(TDataPacketFormat format = TDataPacketFormat::dfBinary) const;
    void LoadFromBytes(const QByteArray& packet);
    // Writes the file whole or not at all. Only a regular file (or a link
    // to one, whose target is replaced and the link kept) is replaced, with
    // its owner, group and mode kept; the data and then the folder are
    // synced before it returns. Anything else by that name, or any failure
    // (the syncs' included), throws EDatabaseError naming the real file,
    // with the old file left in place and no temporary file behind.
    void SaveToFile(const QString& path, TDataPacketFormat format = TDataPacketFormat::dfBinary) const;
    // The file SaveToFile(path) writes: `path` made absolute, or for a
    // symbolic link the end of its chain, which may not exist yet. Empty
    // when the chain loops or cannot be read.
    static QString SaveTarget(const QString& path);
    // Reads the whole file (up to 512 MiB; larger files are refused). The
    // file is opened once, without blocking, and every check is made on
    // what was opened: a FIFO or device put in its place is refused, never
    // waited on.
    void LoadFromFile(const QString& path);
    // The same with a tighter bound: a file over `maxBytes` is refused by
    // its size before anything is read.
    void LoadFromFile(const QString& path, qint64 maxBytes);

    // Which form a packet's first bytes announce (dfBinary or dfXML), or
    // nothing known.
    static bool DetectFormat(const QByteArray& packet, TDataPacketFormat& format);

    // Whether the packet open now held saved changes (rows marked deleted,
    // inserted or modified, or a CHANGE_LOG). Opening applied them, so the
    // records are the visible ones, and a packet written from the set holds
    // them merged. False for a closed set and after CreateDataSet.
    bool HeldSavedChanges() const;

    struct Impl;

private:
    friend class TField;
    std::unique_ptr<Impl> d_;
};

}  // namespace plat
