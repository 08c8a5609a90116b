// Binary packet form: the reader and writer of its structure (header,
// field descriptors, properties, rows). Values and definitions have files
// of their own.
//
// Reading is defensive: every length and count is checked against the bytes
// that remain before anything is read or allocated, so a damaged packet
// fails with a message instead of reading past its end.
#include <QSet>

#include <algorithm>
#include <cstring>

#include "dbclient_p.h"

namespace plat::dbc {

// ---------------------------------------------------------------------------
// Binary reader

namespace {

constexpr unsigned char kMagic[4] = {0x96, 0x19, 0xE0, 0xBD};
constexpr int kHeaderSize = 24;
// Smallest column descriptor: 1-byte name, type, attributes, property count.
constexpr qsizetype kMinColumnBytes = 1 + 1 + 4 + 2 + 2;
constexpr qsizetype kMinPropBytes = 1 + 4;

class BinaryReader {
public:
    BinaryReader(const QByteArray& bytes, const QString& noun)
        : data_(bytes.constData()), size_(bytes.size()), noun_(noun) {}

    PacketModel Read();

private:
    qsizetype Remaining() const { return size_ - pos_; }

    [[noreturn]] void Truncated(const QString& what) const {
        Fail(QStringLiteral("%1 truncado: faltam dados ao ler %2 (byte %3 de %4)")
                 .arg(noun_, what)
                 .arg(pos_)
                 .arg(size_));
    }
    [[noreturn]] void Corrupt(const QString& what) const { Fail(QStringLiteral("%1 corrompido: %2").arg(noun_, what)); }
    // A count that the bytes left cannot hold: cut short, or damaged.
    [[noreturn]] void Impossible(const QString& what) const {
        Fail(QStringLiteral("%1 truncado ou corrompido: %2").arg(noun_, what));
    }

    void Need(qsizetype count, const QString& what) const {
        if (count < 0 || count > Remaining()) Truncated(what);
    }
    std::uint64_t Uint(int size, const QString& what) {
        Need(size, what);
        const std::uint64_t v = LoadLE(data_ + pos_, size);
        pos_ += size;
        return v;
    }
    const char* Take(qsizetype count, const QString& what) {
        Need(count, what);
        const char* p = data_ + pos_;
        pos_ += count;
        return p;
    }

    // What the fixed header says about the rest of the packet.
    struct Header {
        qsizetype columnCount = 0;
        std::uint64_t rowCount = 0;
        std::uint64_t flags = 0;  // 1: field definitions, 2: rowOffset holds
        qsizetype rowOffset = 0;
    };

    // The steps of Read, in packet order.
    void CheckSignature() const;
    Header ReadHeader();
    void ReadColumns(qsizetype columnCount, PacketModel& model);
    std::vector<std::uint32_t> ReadDatasetProps(PacketModel& model);
    void SeekRecords(const Header& header);
    std::vector<StoredRow> ReadRows(std::uint64_t rowCount, const std::vector<FieldDef>& fields);
    void CheckTrailer() const;

    RawProp ReadProp(const QString& owner);
    std::vector<std::uint32_t> ChangeLogOf(const RawProp& prop) const;
    void ReadColumn(int index, PacketModel& model, QSet<QString>& names);
    void ReadRow(StoredRow& row, int rowNo, const std::vector<FieldDef>& fields, qsizetype flagBytes);
    QVariant ReadCell(const FieldDef& def, int row);

    const char* data_;
    qsizetype size_;
    qsizetype pos_ = 0;
    QString noun_;
};

RawProp BinaryReader::ReadProp(const QString& owner) {
    const QString what = QStringLiteral("uma propriedade %1").arg(owner);
    RawProp prop;
    const auto nameLen = static_cast<qsizetype>(Uint(1, what));
    const char* name = Take(nameLen, what);
    prop.name = DecodeCp1252(name, nameLen);
    prop.type = static_cast<std::uint32_t>(Uint(4, what));
    const int size = TypeSize(prop.type);
    const qsizetype start = pos_;
    const QString valueWhat = QStringLiteral("a propriedade '%1' %2").arg(prop.name, owner);
    if (TypeArray(prop.type)) {
        const std::uint64_t count = Uint(4, valueWhat);
        const std::uint64_t bytes = count * static_cast<std::uint64_t>(size);
        if (bytes > static_cast<std::uint64_t>(Remaining()))
            Impossible(QStringLiteral("quantidade de elementos impossível na propriedade '%1' %2 (%3 em %4 bytes "
                                      "restantes)")
                           .arg(prop.name, owner)
                           .arg(count)
                           .arg(Remaining()));
        Take(static_cast<qsizetype>(bytes), valueWhat);
    } else if (TypeVariable(prop.type)) {
        if (size != 1 && size != 2 && size != 4)
            Corrupt(QStringLiteral("a propriedade '%1' %2 tem prefixo de comprimento inválido (%3)")
                        .arg(prop.name, owner)
                        .arg(size));
        const auto len = Uint(size, valueWhat);
        if (len > static_cast<std::uint64_t>(Remaining())) Truncated(valueWhat);
        Take(static_cast<qsizetype>(len), valueWhat);
    } else {
        Take(size, valueWhat);
    }
    prop.value = QByteArray(data_ + start, pos_ - start);
    return prop;
}

void BinaryReader::ReadColumn(int index, PacketModel& model, QSet<QString>& names) {
    const QString what = QStringLiteral("a definição da coluna %1").arg(index + 1);
    FieldDef def;
    const auto nameLen = static_cast<qsizetype>(Uint(1, what));
    if (nameLen == 0) Corrupt(QStringLiteral("a coluna %1 não tem nome").arg(index + 1));
    const char* name = Take(nameLen, what);
    def.name = DecodeCp1252(name, nameLen);
    for (const QChar c : def.name)
        if (c.unicode() < 0x20) Corrupt(QStringLiteral("nome inválido na coluna %1").arg(index + 1));
    const QString key = def.name.toCaseFolded();
    if (names.contains(key)) Corrupt(QStringLiteral("campo '%1' repetido").arg(def.name));
    names.insert(key);

    const QString fieldWhat = QStringLiteral("a definição do campo '%1'").arg(def.name);
    const auto type = static_cast<std::uint32_t>(Uint(4, fieldWhat));
    def.base = TypeBase(type);
    def.size = TypeSize(type);
    def.variable = TypeVariable(type);
    def.attrs = static_cast<std::uint16_t>(Uint(2, fieldWhat));
    const auto propCount = static_cast<qsizetype>(Uint(2, fieldWhat));
    if (propCount * kMinPropBytes > Remaining())
        Impossible(QStringLiteral("quantidade de propriedades impossível no campo '%1' (%2 em %3 bytes restantes)")
                       .arg(def.name)
                       .arg(propCount)
                       .arg(Remaining()));
    // Written after "propriedade": "do campo 'X'", "do pacote".
    const QString owner = QStringLiteral("do campo '%1'").arg(def.name);
    for (qsizetype i = 0; i < propCount; ++i) {
        RawProp prop = ReadProp(owner);
        std::int64_t n = 0;
        if (prop.name.compare(u"WIDTH", Qt::CaseInsensitive) == 0 && PropAsInteger(prop, n))
            def.width = static_cast<int>(std::clamp<std::int64_t>(n, -1, 0x7FFFFFFF));
        else if (prop.name.compare(u"DECIMALS", Qt::CaseInsensitive) == 0 && PropAsInteger(prop, n))
            def.decimals = static_cast<int>(std::clamp<std::int64_t>(n, -1, 0x7FFFFFFF));
        else if (prop.name.compare(u"SUBTYPE", Qt::CaseInsensitive) == 0)
            PropAsText(prop, def.subtype);
        def.props.push_back(std::move(prop));
    }
    if (TypeArray(type)) Corrupt(QStringLiteral("campo '%1': campos do tipo matriz não são suportados").arg(def.name));
    const QString problem = ClassifyWireType(def);
    if (!problem.isEmpty()) Corrupt(QStringLiteral("campo '%1': %2").arg(def.name, problem));
    model.fields.push_back(std::move(def));
}

QVariant BinaryReader::ReadCell(const FieldDef& def, int row) {
    // Built only on failure: the message names the field and the row.
    struct What {
        const FieldDef& def;
        int row;
        operator QString() const { return QStringLiteral("o campo '%1' do registro %2").arg(def.name).arg(row); }
    } const what{def, row};

    qsizetype len = def.size;
    if (def.variable) {
        if (def.size > Remaining()) Truncated(what);
        const std::uint64_t n = LoadLE(data_ + pos_, def.size);
        pos_ += def.size;
        if (n > static_cast<std::uint64_t>(Remaining())) Truncated(what);
        len = static_cast<qsizetype>(n);
    }
    if (len > Remaining()) Truncated(what);
    const char* p = data_ + pos_;
    pos_ += len;
    QString problem;
    QVariant value = DecodeBinaryCell(def, p, len, problem);
    if (!problem.isEmpty()) Corrupt(QStringLiteral("%1 no campo '%2' do registro %3").arg(problem, def.name).arg(row));
    return value;
}

PacketModel BinaryReader::Read() {
    const Header header = ReadHeader();
    PacketModel model;
    ReadColumns(header.columnCount, model);
    const std::vector<std::uint32_t> changeLog = ReadDatasetProps(model);
    SeekRecords(header);
    std::vector<StoredRow> rows = ReadRows(header.rowCount, model.fields);
    CheckTrailer();
    model.savedChanges = HoldsSavedChanges(rows, changeLog);
    model.records = ResolveChanges(std::move(rows), changeLog, noun_);
    return model;
}

void BinaryReader::CheckSignature() const {
    if (size_ == 0) Fail(QStringLiteral("%1 vazio").arg(noun_));
    if (size_ < 4) {
        if (std::memcmp(data_, kMagic, static_cast<std::size_t>(size_)) == 0) Truncated(QStringLiteral("a assinatura"));
        Fail(QStringLiteral("assinatura desconhecida: o %1 não é um pacote de dados").arg(noun_));
    }
    if (std::memcmp(data_, kMagic, 4) != 0)
        Fail(QStringLiteral("assinatura desconhecida: o %1 não é um pacote de dados").arg(noun_));
}

BinaryReader::Header BinaryReader::ReadHeader() {
    CheckSignature();
    Need(kHeaderSize, QStringLiteral("o cabeçalho"));
    pos_ = 4;
    const auto major = Uint(2, {});
    const auto minor = Uint(2, {});
    if (major < 1 || major > 2) Fail(QStringLiteral("versão de pacote não suportada (%1.%2)").arg(major).arg(minor));
    Header header;
    const auto headerSize = static_cast<qsizetype>(Uint(4, {}));
    header.columnCount = static_cast<qsizetype>(Uint(2, {}));
    header.rowCount = Uint(4, {});
    header.flags = Uint(4, {});
    header.rowOffset = static_cast<qsizetype>(Uint(2, {}));
    if (headerSize < kHeaderSize) Corrupt(QStringLiteral("tamanho de cabeçalho inválido (%1)").arg(headerSize));
    if (headerSize > size_) {
        pos_ = size_;
        Truncated(QStringLiteral("o cabeçalho"));
    }
    pos_ = headerSize;
    if ((header.flags & 1) == 0) Corrupt(QStringLiteral("pacote sem definição de campos"));
    return header;
}

void BinaryReader::ReadColumns(qsizetype columnCount, PacketModel& model) {
    if (columnCount == 0) Corrupt(QStringLiteral("pacote sem campos"));
    if (columnCount * kMinColumnBytes > Remaining())
        Impossible(QStringLiteral("quantidade de colunas impossível (%1 em %2 bytes restantes)")
                       .arg(columnCount)
                       .arg(Remaining()));
    model.fields.reserve(static_cast<std::size_t>(columnCount));
    QSet<QString> names;
    for (int i = 0; i < columnCount; ++i) ReadColumn(i, model, names);
}

std::vector<std::uint32_t> BinaryReader::ReadDatasetProps(PacketModel& model) {
    const QString dsWhat = QStringLiteral("as propriedades do pacote");
    const auto dsPropCount = static_cast<qsizetype>(Uint(2, dsWhat));
    if (dsPropCount * kMinPropBytes > Remaining())
        Impossible(QStringLiteral("quantidade de propriedades do pacote impossível (%1 em %2 bytes restantes)")
                       .arg(dsPropCount)
                       .arg(Remaining()));
    std::vector<std::uint32_t> changeLog;
    for (qsizetype i = 0; i < dsPropCount; ++i) {
        RawProp prop = ReadProp(QStringLiteral("do pacote"));
        if (prop.name.compare(u"CHANGE_LOG", Qt::CaseInsensitive) == 0)
            changeLog = ChangeLogOf(prop);  // a later one replaces an earlier
        else
            model.datasetProps.push_back(std::move(prop));
    }
    return changeLog;
}

std::vector<std::uint32_t> BinaryReader::ChangeLogOf(const RawProp& prop) const {
    const int base = TypeBase(prop.type);
    if (!TypeArray(prop.type) || TypeSize(prop.type) != 4 || (base != btSigned && base != btUnsigned))
        Corrupt(QStringLiteral("CHANGE_LOG com tipo inesperado (0x%1)").arg(prop.type, 8, 16, QChar(u'0')));
    // ReadProp has checked that the count's elements are all there.
    const auto count = static_cast<std::size_t>(LoadLE(prop.value.constData(), 4));
    std::vector<std::uint32_t> changeLog(count);
    for (std::size_t k = 0; k < count; ++k)
        changeLog[k] = static_cast<std::uint32_t>(LoadLE(prop.value.constData() + 4 + k * 4, 4));
    return changeLog;
}

void BinaryReader::SeekRecords(const Header& header) {
    // Without flag 2 the rows follow the metadata directly.
    if ((header.flags & 2) == 0) return;
    if (header.rowOffset > size_) {
        pos_ = size_;
        Truncated(QStringLiteral("o início dos registros"));
    }
    if (header.rowOffset < pos_)
        Corrupt(QStringLiteral("posição dos registros inválida (%1; metadados terminam em %2, tamanho %3)")
                    .arg(header.rowOffset)
                    .arg(pos_)
                    .arg(size_));
    pos_ = header.rowOffset;
}

std::vector<StoredRow> BinaryReader::ReadRows(std::uint64_t rowCount, const std::vector<FieldDef>& fields) {
    const qsizetype flagBytes = (static_cast<qsizetype>(fields.size()) + 3) / 4;
    if (rowCount > static_cast<std::uint64_t>(Remaining() / (1 + flagBytes)))
        Impossible(QStringLiteral("quantidade de registros impossível (%1 em %2 bytes restantes)")
                       .arg(rowCount)
                       .arg(Remaining()));

    CheckRecordMemory(rowCount, fields.size(), noun_);
    std::vector<StoredRow> rows(static_cast<std::size_t>(rowCount));
    for (std::size_t r = 0; r < rows.size(); ++r) ReadRow(rows[r], static_cast<int>(r + 1), fields, flagBytes);
    return rows;
}

void BinaryReader::ReadRow(StoredRow& row, int rowNo, const std::vector<FieldDef>& fields, qsizetype flagBytes) {
    const std::size_t ncols = fields.size();
    if (Remaining() < 1 + flagBytes) Truncated(QStringLiteral("o registro %1").arg(rowNo));
    row.status = static_cast<std::uint8_t>(data_[pos_]);
    const char* flagsAt = data_ + pos_ + 1;
    pos_ += 1 + flagBytes;
    row.cells.resize(ncols);
    // Two bits a field: 0 value follows, 1 NULL, 2 unchanged, 3 invalid.
    for (std::size_t f = 0; f < ncols; ++f) {
        const int flag = (static_cast<unsigned char>(flagsAt[f / 4]) >> ((f % 4) * 2)) & 3;
        if (flag == 0) {
            row.cells[f] = ReadCell(fields[f], rowNo);
        } else if (flag == 2) {
            if (row.unchanged.empty()) row.unchanged.resize(ncols, 0);
            row.unchanged[f] = 1;
        } else if (flag == 3) {
            Corrupt(
                QStringLiteral("indicador inválido (3) no campo '%1' do registro %2").arg(fields[f].name).arg(rowNo));
        }
    }
}

void BinaryReader::CheckTrailer() const {
    // A packet ends with its last row: anything after it is damage or
    // something appended, not data to trust.
    if (Remaining() > 0) Corrupt(QStringLiteral("%1 bytes a mais depois do último registro").arg(Remaining()));
}

// ---------------------------------------------------------------------------
// Binary writer

void AppendProp(QByteArray& out, const RawProp& prop) {
    QByteArray name = EncodeCp1252(prop.name);
    if (name.size() > 255) name.truncate(255);
    out.append(static_cast<char>(name.size()));
    out.append(name);
    AppendLE(out, prop.type, 4);
    out.append(prop.value);
}

}  // namespace

PacketModel ReadBinary(const QByteArray& bytes, const QString& noun) { return BinaryReader(bytes, noun).Read(); }

QByteArray WriteBinary(const PacketModel& model) {
    if (model.fields.empty()) Fail(QStringLiteral("não há campos para gravar"));
    if (model.fields.size() > 0xFFFF)
        Fail(QStringLiteral("campos demais para um pacote (%1)").arg(model.fields.size()));
    if (model.records.size() > 0xFFFFFFFFu) Fail(QStringLiteral("registros demais para um pacote"));
    QByteArray out;
    out.reserve(256);
    out.append(reinterpret_cast<const char*>(kMagic), 4);
    AppendLE(out, 1, 2);
    AppendLE(out, 0, 2);
    AppendLE(out, kHeaderSize, 4);
    AppendLE(out, model.fields.size(), 2);
    AppendLE(out, model.records.size(), 4);
    AppendLE(out, 3, 4);  // flags and row offset, settled below
    AppendLE(out, 0, 2);
    for (const FieldDef& def : model.fields) {
        QByteArray name = EncodeCp1252(def.name);
        if (name.isEmpty() || name.size() > 255)
            Fail(QStringLiteral("nome de campo inválido para um pacote: '%1'").arg(def.name));
        out.append(static_cast<char>(name.size()));
        out.append(name);
        AppendLE(out, def.TypeWord(), 4);
        AppendLE(out, def.attrs, 2);
        if (def.props.size() > 0xFFFF) Fail(QStringLiteral("propriedades demais no campo '%1'").arg(def.name));
        AppendLE(out, def.props.size(), 2);
        for (const RawProp& prop : def.props) AppendProp(out, prop);
    }
    AppendLE(out, std::min<std::size_t>(model.datasetProps.size(), 0xFFFF), 2);
    for (std::size_t i = 0; i < model.datasetProps.size() && i < 0xFFFF; ++i) AppendProp(out, model.datasetProps[i]);

    const qsizetype firstRow = out.size();
    if (firstRow <= 0xFFFF) {
        out[22] = static_cast<char>(firstRow & 0xFF);
        out[23] = static_cast<char>(firstRow >> 8);
    } else {
        out[18] = 1;  // metadata only: the offset does not fit
    }

    const std::size_t ncols = model.fields.size();
    const std::size_t flagBytes = (ncols + 3) / 4;
    QByteArray flags;
    for (const Record& rec : model.records) {
        out.append('\0');  // status: a plain row
        flags.fill('\0', static_cast<qsizetype>(flagBytes));
        for (std::size_t f = 0; f < ncols; ++f)
            if (f >= rec.size() || rec[f].isNull())
                flags[static_cast<qsizetype>(f / 4)] = static_cast<char>(
                    static_cast<unsigned char>(flags[static_cast<qsizetype>(f / 4)]) | (1u << ((f % 4) * 2)));
        out.append(flags);
        for (std::size_t f = 0; f < ncols && f < rec.size(); ++f)
            if (!rec[f].isNull()) AppendBinaryCell(out, model.fields[f], rec[f]);
    }
    return out;
}

}  // namespace plat::dbc
