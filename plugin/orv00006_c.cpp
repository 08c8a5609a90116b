// The C entry point: one call of CriaDesconto made from plain values, its
// result variant turned into an outcome, TIPO/VALOR, the packet bytes and
// the failure's text; and what a host without C++ needs around it (the
// application object, the operator's messages).
#include "orv00006/orv00006_c.h"

#include <QApplication>
#include <QThread>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Falha.h"
#include "Parametros.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/exceptions.h"

namespace {

// Fields only ever get appended, so a caller's struct is usable when it
// reaches the end of a version's last field.
constexpr size_t kPrimeiraVersao = offsetof(OrvResultado, packetSize) + sizeof(size_t);
constexpr size_t kSegundaVersao = offsetof(OrvResultado, failureText) + ORV_FAILURE_TEXT_MAX;
static_assert(kSegundaVersao == sizeof(OrvResultado), "the second version has no tail padding");

void LinhaDeErro(const char* texto) noexcept { std::fprintf(stderr, "OrvDescontoExecuta: %s\n", texto); }

// What went wrong after CriaDesconto returned reaches the operator the way
// its own failures do, when there is an operator to tell.
void MostraFalha(const QString& texto) {
    QCoreApplication* app = QCoreApplication::instance();
    if (qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread())
        dll::Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"), dll::TTipoMsg::tmErro, QString(),
                      QString(), 0, nullptr);
}

// UTF-8 into a fixed buffer, cut before the character that does not fit.
void CopiaTexto(const QString& texto, char (&destino)[ORV_FAILURE_TEXT_MAX]) {
    const QByteArray bytes = texto.toUtf8();
    qsizetype n = std::min<qsizetype>(bytes.size(), ORV_FAILURE_TEXT_MAX - 1);
    while (n > 0 && n < bytes.size() && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) --n;
    std::memcpy(destino, bytes.constData(), static_cast<size_t>(n));
    destino[n] = '\0';
}

// The parameters file a host named for the calls it makes through here;
// CriaDesconto's own callers keep the file beside the host program.
class ArquivoNomeado {
public:
    explicit ArquivoNomeado(const char* caminho) {
        if (caminho != nullptr) Cli_orv00006::DefineArquivoDaChamada(QString::fromUtf8(caminho));
    }
    ~ArquivoNomeado() { Cli_orv00006::DefineArquivoDaChamada(QString()); }
    ArquivoNomeado(const ArquivoNomeado&) = delete;
    ArquivoNomeado& operator=(const ArquivoNomeado&) = delete;
};

// The application OrvAplicacaoGarante made, with the arguments it must keep
// for its whole life.
int g_argc = 1;
char g_nome[] = "orv00006";
char* g_argv[] = {g_nome, nullptr};
QApplication* g_aplicacao = nullptr;

// Reads the decision packet: no record is a cancel, one record a confirmed
// amount. Anything else is not what the dialog writes and counts as a failure.
int LePacote(const plat::Variant& pacote, OrvResultado& out) {
    plat::TClientDataSet cds(QStringLiteral("retorno"));
    cds.SetData(pacote);
    int outcome = ORV_OUTCOME_CANCELLED;
    if (cds.RecordCount() > 1) throw plat::Exception(QStringLiteral("Resultado do desconto com mais de um registro."));
    if (cds.RecordCount() == 1) {
        cds.First();
        const QString tipo = cds.FieldByName(QStringLiteral("TIPO"))->AsString();
        if (tipo != QLatin1String("V") && tipo != QLatin1String("P"))
            throw plat::Exception(QStringLiteral("Resultado do desconto com tipo \"%1\" desconhecido.").arg(tipo));
        out.tipo[0] = tipo.at(0).toLatin1();
        out.valor = cds.FieldByName(QStringLiteral("VALOR"))->AsFloat();
        outcome = ORV_OUTCOME_CONFIRMED;
    }
    // Copied only once it is known to be a decision.
    const QByteArray& bytes = pacote.AsBytes();
    const auto tamanho = static_cast<size_t>(bytes.size());
    out.packetSize = tamanho;
    if (out.packet != nullptr && tamanho <= out.packetCapacity) std::memcpy(out.packet, bytes.constData(), tamanho);
    return outcome;
}

int Executa(const char* kind, double base, double applied, OrvResultado& out, QString* falha) {
    // Element 0 is not read; hosts pass it unassigned.
    const plat::Variant params[] = {plat::Variant(), kind != nullptr ? plat::Variant(kind) : plat::Variant(),
                                    plat::Variant(base), plat::Variant(applied)};
    // CriaDesconto writes the result only with a decision, and a decision is
    // a packet or an unassigned variant, never a null: a null still there
    // afterwards means the call failed (and said so).
    plat::Variant retorno = plat::Variant::Null();
    Cli_orv00006::Chama(params, 3, retorno, falha);
    if (retorno.IsNull()) return ORV_OUTCOME_FAILED;
    if (retorno.IsEmpty()) return ORV_OUTCOME_EMPTIED;
    if (retorno.Type() != plat::VarType::ByteArray)
        throw plat::Exception(QStringLiteral("Resultado do desconto inesperado: %1.").arg(retorno.Describe()));
    return LePacote(retorno, out);
}

}  // namespace

extern "C" int OrvDescontoExecuta(const char* kind, double base, double applied, OrvResultado* out) {
    if (out == nullptr) {
        LinhaDeErro("resultado nulo; chamada ignorada");
        return ORV_OUTCOME_FAILED;
    }
    if (out->structSize < kPrimeiraVersao) {
        LinhaDeErro("structSize menor que o de OrvResultado; chamada ignorada");
        return ORV_OUTCOME_FAILED;
    }
    const bool segunda = out->structSize >= kSegundaVersao;
    out->outcome = ORV_OUTCOME_FAILED;
    out->tipo[0] = out->tipo[1] = '\0';
    out->valor = 0;
    out->packetSize = 0;
    if (segunda) out->failureText[0] = '\0';
    int outcome = ORV_OUTCOME_FAILED;
    QString falha;
    try {
        const ArquivoNomeado arquivo(segunda ? out->parametersFile : nullptr);
        outcome = Executa(kind, base, applied, *out, &falha);
    } catch (...) {
        try {
            falha = Cli_orv00006::TextoDaFalhaAtual();
            if (!falha.isEmpty()) MostraFalha(falha);
        } catch (...) {
            falha = QStringLiteral("a mensagem de erro não pôde ser mostrada");
        }
    }
    if (outcome != ORV_OUTCOME_CONFIRMED) {
        out->tipo[0] = '\0';
        out->valor = 0;
    }
    if (outcome == ORV_OUTCOME_FAILED || outcome == ORV_OUTCOME_EMPTIED) out->packetSize = 0;
    if (outcome == ORV_OUTCOME_FAILED && !falha.isEmpty()) {
        try {
            if (segunda)
                CopiaTexto(falha, out->failureText);
            else
                LinhaDeErro(falha.toUtf8().constData());
        } catch (...) {
            LinhaDeErro("a mensagem de erro não pôde ser guardada");
        }
    }
    out->outcome = outcome;
    return outcome;
}

extern "C" int OrvAplicacaoGarante(void) {
    try {
        QCoreApplication* app = QCoreApplication::instance();
        if (app == nullptr) {
            g_aplicacao = new QApplication(g_argc, g_argv);
            return 1;
        }
        return qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread() ? 0 : -1;
    } catch (...) {
        return -1;
    }
}

extern "C" void OrvAplicacaoEncerra(void) {
    delete g_aplicacao;
    g_aplicacao = nullptr;
}

extern "C" void OrvMensagensDefine(OrvMensagemFn fn, void* context) {
    try {
        if (fn == nullptr) {
            dll::SetMensagemPresenter({});
            return;
        }
        dll::SetMensagemPresenter([fn, context](const dll::MensagemArgs& m) {
            fn(context, static_cast<int>(m.tipo), m.texto.toUtf8().constData(), m.titulo.toUtf8().constData());
        });
    } catch (...) {
        LinhaDeErro("a função de mensagens não pôde ser instalada");
    }
}
