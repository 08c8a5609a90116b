// Record sets: navigation, editing, and taking packets in and out. The
// fields live in dbclient_field.cpp, the packet codecs in dbclient_binary.cpp
// and dbclient_xml.cpp.
#include "dbclient_impl_p.h"

namespace plat {

namespace {

// Files beyond this are not record sets anyone saved; reading stops there.
constexpr qint64 kMaxFileBytes = qint64{512} * 1024 * 1024;

// The operator reads these: Portuguese, not the system's own wording.
QString ReasonOf(QFileDevice::FileError error, const QFileInfo& info) {
    switch (error) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("sem permissão de acesso");
    case QFileDevice::OpenError:
        return info.exists() && !info.isReadable() ? QStringLiteral("sem permissão de leitura")
                                                   : QStringLiteral("não foi possível abri-lo");
    case QFileDevice::ReadError:
        return QStringLiteral("falha de leitura do disco");
    case QFileDevice::WriteError:
        return QStringLiteral("falha de gravação no disco");
    case QFileDevice::ResourceError:
        return QStringLiteral("sem espaço ou recursos do sistema");
    default:
        return QStringLiteral("falha de entrada e saída (código %1)").arg(static_cast<int>(error));
    }
}

// Declared fields of kinds without a class of their own.
class TDeclaredField final : public TField {
public:
    TDeclaredField(TClientDataSet* owner, const QString& name, TFieldType type, int size)
        : TField(owner, name, type, size) {}
};

}  // namespace

// ---------------------------------------------------------------------------
// TClientDataSet

TClientDataSet::TClientDataSet(QString name) : d_(std::make_unique<Impl>()) {
    d_->self = this;
    d_->name = std::move(name);
}

TClientDataSet::~TClientDataSet() {
    d_->Deactivate();
    auto declared = std::move(d_->declared);
    for (const auto& d : declared) {
        d.field->owner_ = nullptr;
        delete d.field;
    }
}

const QString& TClientDataSet::Name() const { return d_->name; }

TStringField* TClientDataSet::AddStringField(const QString& name, int size) {
    return new TStringField(this, name, size);
}

TFloatField* TClientDataSet::AddFloatField(const QString& name) { return new TFloatField(this, name); }

TField* TClientDataSet::AddField(const QString& name, TFieldType type, int size) {
    if (type == TFieldType::ftString) return new TStringField(this, name, size);
    if (type == TFieldType::ftFloat) return new TFloatField(this, name);
    return new TDeclaredField(this, name, type, size);
}

void TClientDataSet::CreateDataSet() {
    if (d_->declared.empty()) d_->Error(QStringLiteral("nenhum campo definido para criar o conjunto de dados"));
    PacketModel model;
    for (const Impl::Declared& d : d_->declared)
        model.fields.push_back(dbc::DefForDeclared(d.field->FieldName(), d.type, d.size));
    d_->Bind(std::move(model));
    d_->lastPacket.clear();
    d_->lastWasCreate = true;
}

void TClientDataSet::Open() {
    if (d_->active) return;
    if (!d_->lastPacket.isEmpty()) {
        const QByteArray packet = d_->lastPacket;
        d_->Load(packet, QStringLiteral("pacote"));
        return;
    }
    if (d_->lastWasCreate) {
        CreateDataSet();
        return;
    }
    d_->Error(QStringLiteral("não há dados para abrir (carregue um pacote ou use CreateDataSet)"));
}

void TClientDataSet::Close() { d_->Deactivate(); }

bool TClientDataSet::Active() const { return d_->active; }

void TClientDataSet::First() {
    d_->CheckActive();
    d_->PostPending();
    d_->cur = 0;
    d_->bof = true;
    d_->eof = d_->records().empty();
}

void TClientDataSet::Next() {
    d_->CheckActive();
    d_->PostPending();
    if (d_->cur + 1 >= d_->records().size()) {
        d_->eof = true;
    } else {
        ++d_->cur;
        d_->eof = false;
    }
    d_->bof = false;
}

bool TClientDataSet::Eof() const { return !d_->active || d_->eof; }
bool TClientDataSet::Bof() const { return !d_->active || d_->bof; }

int TClientDataSet::RecordCount() const { return d_->active ? static_cast<int>(d_->records().size()) : 0; }

int TClientDataSet::RecNo() const {
    if (!d_->active) return 0;
    if (d_->state == Impl::State::Insert) return static_cast<int>(d_->insertAt) + 1;
    return d_->records().empty() ? 0 : static_cast<int>(d_->cur) + 1;
}

void TClientDataSet::Insert() { d_->BeginInsert(false); }
void TClientDataSet::Append() { d_->BeginInsert(true); }

void TClientDataSet::Edit() {
    d_->CheckActive();
    if (d_->Editing()) return;
    if (d_->records().empty()) {
        d_->BeginInsert(true);  // nothing to edit: a new record
        return;
    }
    d_->buffer = d_->records()[d_->cur];
    d_->state = Impl::State::Edit;
}

void TClientDataSet::Post() {
    d_->CheckActive();
    if (!d_->Editing()) d_->Error(QStringLiteral("não há registro em edição ou inclusão para gravar"));
    d_->Post();
}

void TClientDataSet::Cancel() {
    if (!d_->active || !d_->Editing()) return;
    d_->state = Impl::State::Browse;
    d_->buffer.clear();
    if (d_->records().empty()) {
        d_->cur = 0;
        d_->eof = d_->bof = true;
    } else if (d_->cur >= d_->records().size()) {
        d_->cur = d_->records().size() - 1;
    }
}

int TClientDataSet::FieldCount() const {
    return static_cast<int>(d_->active ? d_->fields.size() : d_->declared.size());
}

TField* TClientDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) d_->Error(QStringLiteral("índice de campo fora da faixa (%1)").arg(index));
    const auto i = static_cast<std::size_t>(index);
    return d_->active ? d_->fields[i] : d_->declared[i].field;
}

TField* TClientDataSet::FindField(const QString& name) const {
    const int n = FieldCount();
    for (int i = 0; i < n; ++i) {
        TField* f = Fields(i);
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f;
    }
    return nullptr;
}

TField* TClientDataSet::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return f;
    if (d_->name.isEmpty()) throw EDatabaseError(QStringLiteral("Campo '%1' não encontrado").arg(name));
    d_->Error(QStringLiteral("campo '%1' não encontrado").arg(name));
}

Variant TClientDataSet::Data() const { return Variant(SaveToBytes(TDataPacketFormat::dfBinary)); }

void TClientDataSet::SetData(const Variant& packet) {
    switch (packet.Type()) {
    case VarType::Empty:
    case VarType::Null:
        d_->Deactivate();
        d_->lastPacket.clear();
        d_->lastWasCreate = false;
        return;
    case VarType::ByteArray:
        LoadFromBytes(packet.AsBytes());
        return;
    case VarType::String:
        LoadFromBytes(packet.AsString().toUtf8());
        return;
    default:
        d_->Error(QStringLiteral("o valor não é um pacote de dados (%1)").arg(packet.Describe()));
    }
}

QByteArray TClientDataSet::SaveToBytes(TDataPacketFormat format) const {
    d_->CheckActive();
    d_->PostPending();
    switch (format) {
    case TDataPacketFormat::dfXML:
        return dbc::WriteXml(d_->model, false);
    case TDataPacketFormat::dfXMLUTF8:
        return dbc::WriteXml(d_->model, true);
    case TDataPacketFormat::dfBinary:
        break;
    }
    return dbc::WriteBinary(d_->model);
}

void TClientDataSet::LoadFromBytes(const QByteArray& packet) { d_->Load(packet, QStringLiteral("pacote")); }

void TClientDataSet::SaveToFile(const QString& path, TDataPacketFormat format) const {
    const QByteArray bytes = SaveToBytes(format);
    QString why;
    const QString target = files::WriteTarget(path, why);
    if (why.isEmpty()) why = files::ReplaceWhole(target, bytes);
    if (!why.isEmpty())
        d_->Error(QStringLiteral("não foi possível gravar o arquivo '%1': %2")
                      .arg(QDir::toNativeSeparators(target.isEmpty() ? path : target), why));
}

QString TClientDataSet::SaveTarget(const QString& path) {
    QString why;
    return files::WriteTarget(path, why);
}

void TClientDataSet::LoadFromFile(const QString& path) { LoadFromFile(path, kMaxFileBytes); }

void TClientDataSet::LoadFromFile(const QString& path, qint64 maxBytes) {
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString& why) {
        d_->Error(QStringLiteral("erro ao ler o arquivo '%1': %2").arg(shown, why));
    };
    maxBytes = std::clamp<qint64>(maxBytes, 0, kMaxFileBytes);
    if (path.isEmpty()) fail(QStringLiteral("caminho vazio"));
    // One open that cannot block, then every check on the descriptor: a
    // check by name followed by an open would let a FIFO swapped in between
    // hang the caller in open().
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) fail(QStringLiteral("arquivo não encontrado"));
        fail(ReasonOf(error == EMFILE || error == ENFILE ? QFileDevice::ResourceError : QFileDevice::OpenError,
                      QFileInfo(path)));
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        fail(ReasonOf(file.error(), QFileInfo(path)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) fail(ReasonOf(QFileDevice::ReadError, QFileInfo(path)));
    if (S_ISDIR(st.st_mode)) fail(QStringLiteral("é uma pasta, não um arquivo"));
    if (!S_ISREG(st.st_mode)) fail(QStringLiteral("não é um arquivo comum"));
    const qint64 size = st.st_size;
    if (size > maxBytes)
        fail(QStringLiteral("arquivo grande demais (%1 bytes; o máximo é %2)").arg(size).arg(maxBytes));
    // Sized from the file, not the cap: read(n) reserves n bytes up front, and
    // reserving the cap on every load fails where address space is bounded.
    // One byte more than expected notices a file that grew meanwhile.
    QByteArray bytes = file.read(std::min(size, maxBytes) + 1);
    if (!file.atEnd() && bytes.size() <= maxBytes && file.error() == QFileDevice::NoError)
        bytes += file.read(maxBytes + 1 - bytes.size());
    if (file.error() != QFileDevice::NoError) fail(ReasonOf(file.error(), QFileInfo(path)));
    if (bytes.size() > maxBytes) fail(QStringLiteral("arquivo grande demais (mais de %1 bytes)").arg(maxBytes));
    try {
        d_->Load(bytes, QStringLiteral("arquivo"));
    } catch (const EDatabaseError& e) {
        // Name the file; keep the record set's own prefix out of the middle.
        QString why = e.Message();
        const QString prefix = d_->name + QStringLiteral(": ");
        if (!d_->name.isEmpty() && why.startsWith(prefix)) why = why.mid(prefix.size());
        fail(why);
    }
}

bool TClientDataSet::HeldSavedChanges() const { return d_->active && d_->model.savedChanges; }

bool TClientDataSet::DetectFormat(const QByteArray& packet, TDataPacketFormat& format) {
    const auto* p = reinterpret_cast<const unsigned char*>(packet.constData());
    const qsizetype n = packet.size();
    if (n >= 4 && p[0] == 0x96 && p[1] == 0x19 && p[2] == 0xE0 && p[3] == 0xBD) {
        format = TDataPacketFormat::dfBinary;
        return true;
    }
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        format = TDataPacketFormat::dfXML;
        return true;
    }
    qsizetype i = 0;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
    while (i < n && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
    if (i < n && p[i] == '<') {
        format = TDataPacketFormat::dfXML;
        return true;
    }
    return false;
}

}  // namespace plat
