// The module's package unit: the exported entry operation, the two globals
// that track the dialog of the call in progress, and the loader entry points.
#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <vector>

#include "Cli_orv00006.h"
#include "Falha.h"
#include "orv00006/dll/Mensagemvek.h"
#include "orv00006/orv00006.h"
#include "orv00006/platform/exceptions.h"
#include "orv00006_version.h"

namespace Cli_orv00006 {

TfrmDesc* frmDesc = nullptr;
bool boCriado06 = false;

QString TextoDaFalhaAtual() {
    try {
        throw;
    } catch (const plat::EAbort&) {
        return QString();  // a silent abort carries nothing to show
    } catch (const plat::Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Erro inesperado na tela de desconto.");
    }
}

namespace {

int g_initCount = 0;
// True while a call runs its dialog; a second call then is re-entry.
bool g_emExecucao = false;

// A failure the operator must read; the C entry point also keeps its text.
void MostraFalha(const QString& texto, QString* falha) {
    if (falha != nullptr) *falha = texto;
    dll::Mensagem(texto, QString(), QStringLiteral("N"), QStringLiteral("N"), dll::TTipoMsg::tmErro, QString(),
                  QString(), 0, nullptr);
}

// A failure no operator needs to read: for the developer, on standard
// error, unless the caller keeps the text.
void RegistraFalha(const char* texto, QString* falha) {
    if (falha != nullptr)
        *falha = QString::fromUtf8(texto);
    else
        std::fprintf(stderr, "CriaDesconto: %s\n", texto);
}

// Names the elements a too-short parameter array lacks.
QString ParametrosFaltantes(int high) {
    static const char* const nomes[] = {"o elemento 0", "o tipo de ajuste (elemento 1)", "o valor base (elemento 2)",
                                        "o valor já aplicado (elemento 3)"};
    QStringList faltam;
    for (int i = std::max(high + 1, 0); i <= 3; ++i) faltam << QString::fromUtf8(nomes[i]);
    return QStringLiteral("Chamada de desconto inválida: faltam parâmetros (%1).")
        .arg(faltam.join(QStringLiteral(", ")));
}

// Reports a failure that escaped the call to the operator; the host never
// sees it.
void MostraFalhaAtual(QString* falha) noexcept {
    try {
        if (const QString texto = TextoDaFalhaAtual(); !texto.isEmpty()) MostraFalha(texto, falha);
    } catch (...) {
        RegistraFalha("a mensagem de erro não pôde ser mostrada", falha);
    }
}

// The dialog belongs to the host's active window, so that window managers and
// compositors keep it above that window and tied to it (focus, stacking)
// while the window is blocked. The owner is not the parent widget: the dialog
// takes neither its font nor its palette, and the host deleting it stays a
// case the call survives.
void DaDono(QWidget& tela) {
    QWindow* dono = QGuiApplication::focusWindow();
    if (dono == nullptr && QApplication::activeWindow() != nullptr) dono = QApplication::activeWindow()->windowHandle();
    tela.winId();  // the native window, to carry the owner from its first show
    if (dono != nullptr && dono != tela.windowHandle()) tela.windowHandle()->setTransientParent(dono);
}

// A quit asked for while the dialog runs would be refused (the dialog does
// not close on request) and then lost; it is held and made again once the
// call returns.
class SaidaAdiada : public QObject {
public:
    SaidaAdiada() { QCoreApplication::instance()->installEventFilter(this); }
    ~SaidaAdiada() override {
        QCoreApplication::instance()->removeEventFilter(this);
        if (pedida_) QCoreApplication::quit();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != QCoreApplication::instance() || event->type() != QEvent::Quit) return false;
        pedida_ = true;
        return true;
    }

private:
    bool pedida_ = false;
};

}  // namespace

void CriaDesconto(const plat::Variant* params, int high, plat::Variant& retorno) {
    Chama(params, high, retorno, nullptr);
}

void Chama(const plat::Variant* params, int high, plat::Variant& retorno, QString* falha) {
    // Widgets can only live on the thread of a QApplication.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        RegistraFalha("nenhuma QApplication ativa; chamada ignorada", falha);
        return;
    }
    if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
        RegistraFalha("chamada fora da thread da interface; chamada ignorada", falha);
        return;
    }
    try {
        if (g_emExecucao) {
            MostraFalha(QStringLiteral("A tela de desconto já está aberta; conclua-a antes de abrir outra."), falha);
            return;
        }
        if (params == nullptr || high < 3) {
            MostraFalha(ParametrosFaltantes(params == nullptr ? -1 : high), falha);
            return;
        }
    } catch (...) {
        MostraFalhaAtual(falha);
        return;
    }

    std::vector<plat::Variant> copia;
    // Declared before the clean-up below, so a held quit is made once the
    // dialog is gone.
    SaidaAdiada saida;
    g_emExecucao = true;
    QPointer<TfrmDesc> vivo;
    // Whatever happens, the dialog of this call is destroyed once, and only
    // if the deferred release it asked for on close (or the host) has not
    // done it yet.
    struct Limpeza {
        QPointer<TfrmDesc>& vivo;
        ~Limpeza() {
            delete vivo.data();
            frmDesc = nullptr;
            boCriado06 = false;
            g_emExecucao = false;
        }
    } limpeza{vivo};
    try {
        copia.assign(params, params + high + 1);
        // Set up but never closed means an earlier call failed between
        // set-up and close; that dialog is gone, so start afresh.
        if (boCriado06 && frmDesc == nullptr) boCriado06 = false;
        if (!boCriado06) {
            frmDesc = new TfrmDesc(nullptr);
            vivo = frmDesc;
            frmDesc->InicializaForm(copia.data(), high);
            boCriado06 = true;
        } else {
            vivo = frmDesc;
        }
        DaDono(*frmDesc);
        switch (frmDesc->ShowModal()) {
        case plat::TForm::TModalEnd::Closed:
            retorno = frmDesc->Retorno();
            break;
        case plat::TForm::TModalEnd::Outside:
            // Neither confirmed nor cancelled: there is no decision to hand back.
            RegistraFalha("a tela de desconto foi fechada de fora, sem confirmar nem cancelar; nenhum resultado",
                          falha);
            break;
        case plat::TForm::TModalEnd::Destroyed:
            frmDesc = nullptr;
            RegistraFalha("a tela de desconto foi destruída de fora durante a chamada; nenhum resultado", falha);
            break;
        }
    } catch (...) {
        MostraFalhaAtual(falha);
    }
}

}  // namespace Cli_orv00006

extern "C" {

void CriaDesconto(const plat::Variant* params, int high, plat::Variant& retorno) {
    Cli_orv00006::CriaDesconto(params, high, retorno);
}

void Initialize(void) {
    // The unit's first initialisation starts with no dialog set up.
    if (Cli_orv00006::g_initCount++ == 0) Cli_orv00006::boCriado06 = false;
}

void Finalize(void) {
    if (Cli_orv00006::g_initCount > 0) --Cli_orv00006::g_initCount;
}

const OrvPackageInfoTable* GetPackageInfoTable(void) {
    static const char* const requires_[] = {"_dll"};
    static const char* const contains_[] = {"Pkg_orv00006", "Cli_orv00006"};
    static const OrvPackageInfoTable table = {
        1, "PKG_ORV00006", ORV_VERSION, "Tela de desconto, acréscimo e taxa de serviço (ORV00006) " ORV_VERSION,
        1, requires_,      2,           contains_};
    return &table;
}

}  // extern "C"
