// The C entry point: one call of CriaDesconto made from plain values, its
// result variant turned into an outcome, TIPO/VALOR and the packet bytes.
#include "orv00006/orv00006_c.h"

#include <QApplication>
#include <QThread>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "Falha.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/exceptions.h"

namespace {

// Fields only ever get appended, so a caller's struct is usable when it
// reaches the end of the first version's last field.
constexpr size_t kPrimeiraVersao = offsetof(OrvResultado, packetSize) + sizeof(size_t);
static_assert(kPrimeiraVersao == sizeof(OrvResultado), "the first version has no tail padding");

void LinhaDeErro(const char* texto) noexcept { std::fprintf(stderr, "OrvDescontoExecuta: %s\n", texto); }

// What went wrong after CriaDesconto returned reaches the operator the way
// its own failures do, when there is an operator to tell.
void MostraFalha(const QString& texto) noexcept {
    try {
        QCoreApplication* app = QCoreApplication::instance();
        if (qobject_cast<QApplication*>(app) != nullptr && QThread::currentThread() == app->thread()) {
            dll::Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"), dll::TTipoMsg::tmErro, QString(),
                          QString(), 0, nullptr);
            return;
        }
        std::fprintf(stderr, "OrvDescontoExecuta: %s\n", texto.toLocal8Bit().constData());
    } catch (...) {
        LinhaDeErro("a mensagem de erro não pôde ser mostrada");
    }
}

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

int Executa(const char* kind, double base, double applied, OrvResultado& out) {
    // Element 0 is not read; hosts pass it unassigned.
    const plat::Variant params[] = {plat::Variant(), kind != nullptr ? plat::Variant(kind) : plat::Variant(),
                                    plat::Variant(base), plat::Variant(applied)};
    // CriaDesconto writes the result only with a decision, and a decision is
    // a packet or an unassigned variant, never a null: a null still there
    // afterwards means the call failed (and said so).
    plat::Variant retorno = plat::Variant::Null();
    Cli_orv00006::CriaDesconto(params, 3, retorno);
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
    out->outcome = ORV_OUTCOME_FAILED;
    out->tipo[0] = out->tipo[1] = '\0';
    out->valor = 0;
    out->packetSize = 0;
    int outcome = ORV_OUTCOME_FAILED;
    try {
        outcome = Executa(kind, base, applied, *out);
    } catch (...) {
        try {
            if (const QString texto = Cli_orv00006::TextoDaFalhaAtual(); !texto.isEmpty()) MostraFalha(texto);
        } catch (...) {
            LinhaDeErro("a mensagem de erro não pôde ser mostrada");
        }
    }
    if (outcome != ORV_OUTCOME_CONFIRMED) {
        out->tipo[0] = '\0';
        out->valor = 0;
    }
    if (outcome == ORV_OUTCOME_FAILED || outcome == ORV_OUTCOME_EMPTIED) out->packetSize = 0;
    out->outcome = outcome;
    return outcome;
}
