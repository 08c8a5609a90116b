#include "Comandos.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <exception>

#include "PacketForm.h"
#include "Parametros.h"
#include "Terminal.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006/platform/sysutils.h"

namespace orvparams {

using Cli_orv00006::kArquivoParametros;
using Cli_orv00006::kCampoLimite;
using Cli_orv00006::kCdsParametros;
using orvtools::FileForm;
using orvtools::ForTerminal;

namespace {

// Figures in the tool's own sentences are written the Brazilian way.
QString Numero(double valor) { return QString::number(valor, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(',')); }

QString NomeDaForma(FileForm forma) {
    switch (forma) {
    case FileForm::Binary:
        return QStringLiteral("binário");
    case FileForm::Xml:
        return QStringLiteral("XML");
    case FileForm::XmlUtf8:
        return QStringLiteral("XML UTF-8");
    case FileForm::XmlUtf16:
        return QStringLiteral("XML UTF-16");
    case FileForm::Unknown:
        break;
    }
    return QStringLiteral("desconhecida");
}

bool Numerico(plat::TFieldType tipo) {
    switch (tipo) {
    case plat::TFieldType::ftSmallint:
    case plat::TFieldType::ftInteger:
    case plat::TFieldType::ftLargeint:
    case plat::TFieldType::ftWord:
    case plat::TFieldType::ftFloat:
    case plat::TFieldType::ftBCD:
        return true;
    default:
        return false;
    }
}

bool Texto(plat::TFieldType tipo) {
    return tipo == plat::TFieldType::ftString || tipo == plat::TFieldType::ftWideString;
}

QString NomeDoTipo(const plat::TField& campo) {
    switch (campo.DataType()) {
    case plat::TFieldType::ftString:
        return QStringLiteral("texto, %1").arg(campo.Size());
    case plat::TFieldType::ftWideString:
        return QStringLiteral("texto Unicode, %1").arg(campo.Size());
    case plat::TFieldType::ftSmallint:
    case plat::TFieldType::ftInteger:
    case plat::TFieldType::ftLargeint:
        return QStringLiteral("inteiro");
    case plat::TFieldType::ftWord:
        return QStringLiteral("inteiro sem sinal");
    case plat::TFieldType::ftBoolean:
        return QStringLiteral("lógico");
    case plat::TFieldType::ftFloat:
        return QStringLiteral("real");
    case plat::TFieldType::ftBCD:
        return QStringLiteral("decimal, %1 casas").arg(campo.Size());
    case plat::TFieldType::ftDate:
        return QStringLiteral("data");
    case plat::TFieldType::ftTime:
        return QStringLiteral("hora");
    case plat::TFieldType::ftDateTime:
        return QStringLiteral("data e hora");
    case plat::TFieldType::ftBlob:
        return QStringLiteral("binário ou memorando");
    case plat::TFieldType::ftUnknown:
        break;
    }
    return QStringLiteral("desconhecido");
}

// A value on one line, as the facility reads it.
QString Valor(const plat::TField& campo) {
    if (campo.IsNull()) return QStringLiteral("(vazio)");
    if (Numerico(campo.DataType())) return Numero(campo.AsFloat());
    return ForTerminal(plat::Abbreviate(campo.AsString()));
}

QString Caminho(const QString& arquivo) { return QFileInfo(arquivo).absoluteFilePath(); }

QString Usuario() {
    const struct passwd* pw = ::getpwuid(::geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(::geteuid());
}

QString Pasta(const QString& caminho) { return QFileInfo(caminho).absolutePath(); }

const QString kComoRoot =
    QStringLiteral("Rode o comando como root (por exemplo, com sudo) ou como o usuário do programa anfitrião.");

// What this user may not do with the file at `caminho` (for `set`, whose
// real file is `alvo`): a folder on the way that cannot be entered hides
// whether the file is there at all.
std::optional<QString> SemPermissao(const QString& caminho, const QString& alvo, bool grava) {
    const QByteArray nome = QFile::encodeName(caminho);
    struct stat st {};
    if (::stat(nome.constData(), &st) != 0) {
        if (errno == EACCES)
            return QStringLiteral("sem permissão para entrar na pasta '%1' como o usuário %2")
                .arg(ForTerminal(Pasta(alvo)), Usuario());
    } else if (::access(nome.constData(), R_OK) != 0 && errno == EACCES) {
        return QStringLiteral("sem permissão para ler o arquivo '%1' como o usuário %2")
            .arg(ForTerminal(alvo), Usuario());
    }
    if (grava && QFileInfo(Pasta(alvo)).isDir() &&
        ::access(QFile::encodeName(Pasta(alvo)).constData(), W_OK | X_OK) != 0 && errno == EACCES)
        return QStringLiteral("sem permissão para gravar na pasta '%1' como o usuário %2")
            .arg(ForTerminal(Pasta(alvo)), Usuario());
    return std::nullopt;
}

// Holds `set` runs on one file to one at a time: a lock on the real file's
// folder (it covers a file not made yet, and goes with the process), waited
// for a while, since a write takes well under a second.
class Trava {
public:
    Trava() = default;
    Trava(const Trava&) = delete;
    Trava& operator=(const Trava&) = delete;
    ~Trava() {
        if (fd_ >= 0) ::close(fd_);
    }
    // Empty when held; otherwise why not.
    QString Pega(const QString& pasta, QTextStream& err) {
        fd_ = ::open(QFile::encodeName(pasta).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        // No folder: nothing can be written there, as the write will say.
        if (fd_ < 0 && (errno == ENOENT || errno == ENOTDIR)) return {};
        if (fd_ < 0)
            return QStringLiteral("sem permissão de leitura na pasta '%1' como o usuário %2")
                .arg(ForTerminal(pasta), Usuario());
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return {};
        if (errno != EWOULDBLOCK)
            return QStringLiteral("não foi possível reservar a pasta '%1'").arg(ForTerminal(pasta));
        err << QStringLiteral("orv-params: outra gravação em '%1' está em andamento; aguardando até %2 s…\n")
                   .arg(ForTerminal(pasta))
                   .arg(kEsperaMs / 1000);
        err.flush();
        for (const QDeadlineTimer prazo(kEsperaMs); !prazo.hasExpired();) {
            QThread::msleep(50);
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return {};
        }
        return QStringLiteral("outra gravação em '%1' não terminou em %2 s; tente de novo depois")
            .arg(ForTerminal(pasta))
            .arg(kEsperaMs / 1000);
    }

private:
    static constexpr int kEsperaMs = 10000;
    int fd_ = -1;
};

// What a call of the module would do with the file.
struct Veredito {
    enum class Tipo { Limite, SemLimite, Recusa };
    Tipo tipo = Tipo::SemLimite;
    double limite = 0;
    QString motivo;  // why there is no limit, or the operator's message
};

// The module's own reading, into `cds` (named as the dialog's), which then
// shows what was read.
Veredito Avalia(plat::TClientDataSet& cds, const QString& arquivo) {
    using Tipo = Veredito::Tipo;
    double limite = 0;
    try {
        limite = Cli_orv00006::LeLimite(cds, arquivo);
    } catch (const plat::Exception& e) {
        return {Tipo::Recusa, 0, e.Message()};
    } catch (const std::exception& e) {
        return {Tipo::Recusa, 0, QString::fromLocal8Bit(e.what())};
    }
    if (limite > 0) return {Tipo::Limite, limite, {}};
    if (!cds.Active()) return {Tipo::SemLimite, 0, QStringLiteral("o arquivo %1 não existe").arg(arquivo)};
    if (cds.RecordCount() == 0) return {Tipo::SemLimite, 0, QStringLiteral("o arquivo não tem registros")};
    if (cds.FindField(kCampoLimite)->IsNull())
        return {Tipo::SemLimite, 0,
                QStringLiteral("o campo %1 do primeiro registro está vazio (NULL)").arg(kCampoLimite)};
    return {Tipo::SemLimite, 0, QStringLiteral("o campo %1 do primeiro registro vale 0").arg(kCampoLimite)};
}

QString Resumo(const Veredito& v) {
    switch (v.tipo) {
    case Veredito::Tipo::Limite:
        return QStringLiteral("limite de %1 %").arg(Numero(v.limite));
    case Veredito::Tipo::SemLimite:
        return QStringLiteral("sem limite");
    case Veredito::Tipo::Recusa:
        break;
    }
    return QStringLiteral("a tela de desconto não abre");
}

// The percentage as typed: 10, 12.5 and 12,5 alike; two decimals at most,
// as the operator types amounts and every limit comparison cuts them.
std::optional<double> LePercentual(const QString& texto, QString& erro) {
    const QString t = texto.trimmed();
    if (t.isEmpty()) {
        erro = QStringLiteral("o percentual está vazio (escreva, por exemplo, 10, 12.5 ou 12,5)");
        return std::nullopt;
    }
    static const QRegularExpression infinito(QStringLiteral("^[+-]?(inf|infinity|infinito|∞)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numero(QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    const QString citado = QStringLiteral("o percentual '%1'").arg(ForTerminal(plat::Abbreviate(texto)));
    if (infinito.match(t).hasMatch()) {
        erro = citado + QStringLiteral(" é infinito");
        return std::nullopt;
    }
    if (!numero.match(t).hasMatch()) {
        erro = citado + QStringLiteral(" não é um número (escreva, por exemplo, 10, 12.5 ou 12,5)");
        return std::nullopt;
    }
    bool ok = false;
    const double valor = QLocale::c().toDouble(QString(t).replace(QLatin1Char(','), QLatin1Char('.')), &ok);
    // A number the text spells but a double cannot hold is either far above
    // 100 or far below a hundredth.
    if (std::signbit(valor) || t.startsWith(QLatin1Char('-'))) {
        erro = citado + QStringLiteral(" é negativo; o limite vai de 0 a 100");
        return std::nullopt;
    }
    if (valor > 100) {
        erro = citado + QStringLiteral(" passa de 100; o limite vai de 0 a 100");
        return std::nullopt;
    }
    if (!ok || std::round(valor * 100) / 100 != valor) {
        erro = citado + QStringLiteral(" tem mais de duas casas decimais; use no máximo duas, como em 12,75");
        return std::nullopt;
    }
    return valor;
}

// Puts `valor` in `campo` (a record being edited) so that the module reads
// back exactly `valor`; otherwise says why it cannot.
std::optional<QString> PoeValor(plat::TField& campo, double valor) {
    const QString nome = QStringLiteral("o campo %1 (%2)").arg(campo.FieldName(), NomeDoTipo(campo));
    if (!Numerico(campo.DataType()) && !Texto(campo.DataType()))
        return nome + QStringLiteral(" não guarda um percentual");
    // Text is read back with the host program's decimal separator, which
    // this tool cannot know: only whole numbers read the same everywhere.
    if (Texto(campo.DataType()) && valor != std::floor(valor))
        return nome + QStringLiteral(
                          " guarda o número como texto, e um percentual com casas decimais seria lido "
                          "conforme o separador decimal do programa; use um número inteiro");
    double lido = 0;
    try {
        campo.SetAsFloat(valor);
        lido = campo.AsFloat();
    } catch (const plat::Exception& e) {
        return e.Message();
    }
    if (lido != valor) return nome + QStringLiteral(" não guarda %1: ficaria %2").arg(Numero(valor), Numero(lido));
    return std::nullopt;
}

}  // namespace

// A file this user cannot look at: what the module, as its own user, will
// do with it cannot be told from here.
int SemAcesso(const QString& problema, Saida s) {
    s.err << QStringLiteral("orv-params: %1; não dá para saber o que o módulo fará com o arquivo.\n%2\n")
                 .arg(problema, kComoRoot);
    return kFalha;
}

int Verifica(const QString& arquivo, Saida s) {
    if (const auto problema = SemPermissao(Caminho(arquivo), Caminho(arquivo), false)) return SemAcesso(*problema, s);
    plat::TClientDataSet cds(kCdsParametros);
    const Veredito v = Avalia(cds, Caminho(arquivo));
    s.out << Resumo(v) << '\n';
    const QString motivo = ForTerminal(v.motivo);
    switch (v.tipo) {
    case Veredito::Tipo::Limite:
        s.out << QStringLiteral(
                     "O desconto comum vai até %1 % do valor base; acréscimo, taxa de serviço e os "
                     "outros descontos seguem as próprias regras.\n")
                     .arg(Numero(v.limite));
        if (v.limite >= 100)
            s.out << QStringLiteral("Observação: com 100 % ou mais, o desconto pode chegar ao valor base inteiro.\n");
        break;
    case Veredito::Tipo::SemLimite:
        s.out << QStringLiteral("Motivo: %1; o desconto comum não tem limite.\n").arg(motivo);
        break;
    case Veredito::Tipo::Recusa:
        s.out << QStringLiteral("O operador veria a mensagem:\n  %1\n").arg(motivo);
        s.out << QStringLiteral(
            "Motivo: há algo com esse nome, mas que não serve como arquivo de parâmetros, e o módulo "
            "interrompe toda chamada (qualquer tipo de ajuste) em vez de abrir a tela sem limite. "
            "Corrija o arquivo (orv-params set) ou remova-o.\n");
        break;
    }
    if (QFileInfo(arquivo).fileName() != kArquivoParametros)
        s.out << QStringLiteral("Observação: o módulo só lê um arquivo chamado %1, na pasta do programa.\n")
                     .arg(kArquivoParametros);
    return v.tipo == Veredito::Tipo::Recusa ? kFalha : kOk;
}

int Mostra(const QString& arquivo, Saida s) {
    const QString caminho = Caminho(arquivo);
    if (const auto problema = SemPermissao(caminho, caminho, false)) return SemAcesso(*problema, s);
    plat::TClientDataSet cds(kCdsParametros);
    const Veredito v = Avalia(cds, caminho);
    const QString motivo = ForTerminal(v.motivo);
    if (!cds.Active()) {
        if (v.tipo == Veredito::Tipo::Recusa)
            s.err << QStringLiteral("orv-params: %1\n").arg(motivo);
        else
            s.err << QStringLiteral(
                         "orv-params: o arquivo '%1' não existe; sem ele, o desconto comum não tem "
                         "limite.\n")
                         .arg(ForTerminal(caminho));
        return kFalha;
    }
    s.out << QStringLiteral("Arquivo: %1\n").arg(ForTerminal(caminho));
    s.out << QStringLiteral("Forma: %1\n").arg(NomeDaForma(orvtools::FormOfFile(caminho)));
    s.out << QStringLiteral("Limite que o módulo vai usar: %1").arg(Resumo(v));
    if (v.tipo == Veredito::Tipo::SemLimite) s.out << QStringLiteral(" (%1)").arg(motivo);
    if (v.tipo == Veredito::Tipo::Recusa) s.out << QStringLiteral("; o operador veria: %1").arg(motivo);
    s.out << '\n';
    if (cds.HeldSavedChanges())
        s.out << QStringLiteral("Alterações salvas: sim; os registros abaixo já as incluem, como o módulo os lê.\n");
    s.out << QStringLiteral("Registros: %1\n").arg(cds.RecordCount());
    s.out << (cds.RecordCount() > 0 ? QStringLiteral("Primeiro registro:\n") : QStringLiteral("Campos:\n"));
    cds.First();
    for (int i = 0; i < cds.FieldCount(); ++i) {
        const plat::TField& campo = *cds.Fields(i);
        s.out << QStringLiteral("  %1 (%2)").arg(ForTerminal(campo.FieldName()), NomeDoTipo(campo));
        if (cds.RecordCount() > 0) s.out << QStringLiteral(": ") << Valor(campo);
        s.out << '\n';
    }
    return kOk;
}

int Grava(const QString& percentual, std::optional<plat::TDataPacketFormat> forma, const QString& arquivo, Saida s) {
    const QString caminho = Caminho(arquivo);
    // The real file: through a link (as packaged, the host's folder links
    // to /etc) the link's target is replaced and named; a dangling link
    // counts as no file, and writing creates the file it names.
    const QString alvo = plat::TClientDataSet::SaveTarget(caminho);
    const bool existe = QFileInfo(caminho).exists();
    const auto recusa = [&](const QString& motivo, const QString& conselho = {}) {
        s.err << QStringLiteral("orv-params: %1\n").arg(ForTerminal(motivo))
              << (existe ? QStringLiteral("O arquivo não foi alterado.\n") : QStringLiteral("Nada foi gravado.\n"));
        if (!conselho.isEmpty()) s.err << conselho << '\n';
        return kFalha;
    };
    QString erro;
    const std::optional<double> valor = LePercentual(percentual, erro);
    if (!valor) return recusa(erro);
    if (alvo.isEmpty())
        return recusa(QStringLiteral("o link '%1' aponta para links demais ou em círculo").arg(caminho));
    if (const auto problema = SemPermissao(caminho, alvo, true)) return recusa(*problema, kComoRoot);
    Trava trava;
    if (const QString problema = trava.Pega(Pasta(alvo), s.err); !problema.isEmpty()) return recusa(problema);

    plat::TClientDataSet cds;
    QString feito;
    plat::TDataPacketFormat grava = forma.value_or(plat::TDataPacketFormat::dfBinary);
    if (existe) {
        try {
            cds.LoadFromFile(alvo, Cli_orv00006::kMaxParametrosBytes);
        } catch (const plat::Exception& e) {
            return recusa(e.Message());
        }
        const FileForm atual = orvtools::FormOfFile(alvo);
        const std::optional<plat::TDataPacketFormat> mesma = orvtools::WritingForm(atual);
        if (!mesma && !forma)
            return recusa(QStringLiteral("o arquivo está em %1, forma que não é gravada; escolha --xml ou --xml-utf8")
                              .arg(NomeDaForma(atual)));
        if (mesma && forma && *mesma != *forma)
            return recusa(QStringLiteral("o arquivo está em %1 e continua nessa forma; --xml e --xml-utf8 só "
                                         "valem para um arquivo novo")
                              .arg(NomeDaForma(atual)));
        if (mesma) grava = *mesma;
        plat::TField* campo = cds.FindField(kCampoLimite);
        if (campo == nullptr) return recusa(QStringLiteral("o arquivo não tem o campo %1").arg(kCampoLimite));
        const bool vazio = cds.RecordCount() == 0;
        const QString antes = vazio ? QString() : Valor(*campo);
        try {
            cds.First();
            cds.Edit();
            if (const auto problema = PoeValor(*campo, *valor)) return recusa(*problema);
            cds.Post();
        } catch (const plat::Exception& e) {
            return recusa(e.Message());
        }
        feito = vazio ? QStringLiteral("o arquivo não tinha registros; foi incluído um com %1 = %2")
                            .arg(kCampoLimite, Numero(*valor))
                      : QStringLiteral("%1 do primeiro registro passou de %2 para %3")
                            .arg(kCampoLimite, antes, Numero(*valor));
    } else {
        plat::TField* campo = cds.AddFloatField(kCampoLimite);
        cds.CreateDataSet();
        cds.Insert();
        campo->SetAsFloat(*valor);
        cds.Post();
        feito = QStringLiteral("arquivo novo, com %1 = %2").arg(kCampoLimite, Numero(*valor));
    }

    // The facility replaces the file whole, synced, or leaves it as it was.
    try {
        cds.SaveToFile(alvo, grava);
    } catch (const plat::Exception& e) {
        return recusa(e.Message());
    }
    s.out << QStringLiteral("Gravado em %1%2 (%3): %4.\n")
                 .arg(ForTerminal(alvo),
                      alvo == caminho ? QString() : QStringLiteral(", pelo link %1,").arg(ForTerminal(caminho)),
                      NomeDaForma(orvtools::FormOf(grava)), ForTerminal(feito));
    if (cds.HeldSavedChanges())
        s.out << QStringLiteral(
            "O arquivo tinha alterações salvas; foi gravado com elas incorporadas aos "
            "registros.\n");

    plat::TClientDataSet confere(kCdsParametros);
    const Veredito v = Avalia(confere, caminho);
    if (v.tipo == Veredito::Tipo::Recusa) {
        s.out.flush();
        s.err
            << QStringLiteral("orv-params: mesmo assim o módulo recusaria o arquivo: %1\n").arg(ForTerminal(v.motivo));
        return kFalha;
    }
    s.out << QStringLiteral("O módulo vai usar: %1.\n").arg(Resumo(v));
    return kOk;
}

namespace {

// The program a file names to run it: a script's interpreter, as the kernel
// reads "#!" (with "env NAME" looked up in PATH, as env does); the file
// itself otherwise. Empty when the interpreter cannot be found.
QString Interpretador(const QString& arquivo) {
    QFile f(arquivo);
    if (!f.open(QIODevice::ReadOnly)) return arquivo;
    const QByteArray linha = f.readLine(256);
    if (!linha.startsWith("#!")) return arquivo;
    const QStringList partes =
        QString::fromLocal8Bit(linha.mid(2)).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    if (partes.isEmpty()) return QString();
    if (QFileInfo(partes.first()).fileName() != QLatin1String("env"))
        return QFileInfo(partes.first()).canonicalFilePath();
    for (const QString& p : partes.mid(1))
        if (!p.startsWith(QLatin1Char('-')) && !p.contains(QLatin1Char('=')))
            return QFileInfo(QStandardPaths::findExecutable(p)).canonicalFilePath();
    return QString();
}

}  // namespace

bool ArquivoDoPrograma(const QString& programa, QString& arquivo, QString& erro) {
    const QString achado = programa.contains(QLatin1Char('/')) ? programa : QStandardPaths::findExecutable(programa);
    QFileInfo real(QFileInfo(achado).canonicalFilePath());
    if (achado.isEmpty() || !real.isFile()) {
        erro = programa.contains(QLatin1Char('/'))
                   ? QStringLiteral("o programa '%1' não existe").arg(programa)
                   : QStringLiteral("o programa '%1' não foi encontrado no PATH").arg(programa);
        return false;
    }
    // The module looks beside the program that really runs: for a script,
    // its interpreter (a script may start another script's interpreter).
    for (int nivel = 0; nivel < 4; ++nivel) {
        const QString interpretador = Interpretador(real.filePath());
        if (interpretador == real.filePath()) break;
        if (interpretador.isEmpty()) {
            erro = QStringLiteral("o script '%1' pede um interpretador que não foi encontrado").arg(real.filePath());
            return false;
        }
        real = QFileInfo(interpretador);
    }
    // A shell only starts another program, which is the one the module
    // sees; the wrapper's folder would be the wrong one.
    static const QStringList kShells = {QStringLiteral("sh"),  QStringLiteral("bash"), QStringLiteral("dash"),
                                        QStringLiteral("zsh"), QStringLiteral("ksh"),  QStringLiteral("mksh")};
    if (real.filePath() != QFileInfo(achado).canonicalFilePath() && kShells.contains(real.fileName())) {
        erro = QStringLiteral(
                   "'%1' é um script de shell, que executa outro programa: indique o programa que ele "
                   "executa (o módulo procura o arquivo na pasta desse programa)")
                   .arg(programa);
        return false;
    }
    arquivo = Cli_orv00006::ArquivoDeParametros(real.absolutePath());
    return true;
}

}  // namespace orvparams
