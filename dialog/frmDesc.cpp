// The dialog's elements and lifetime: creation from the layout, the
// non-visual elements, and the create, activate and close events.
#include "Cli_orv00006.h"
#include "Parametros.h"
#include "frmDesc_connections.h"
#include "orv00006/dll/Messages.h"
#include "orv00006/dll/Trad_utl.h"

namespace Cli_orv00006 {

TfrmDesc::TfrmDesc(QWidget* owner) : plat::TForm(owner) {
    // The dialog paints nothing of its own: its face is its controls'.
    plat::RegisterFaceKeyOnce<TfrmDesc>(&plat::NoFaceState);
    // The form's own font, set before its controls exist so that they
    // inherit it instead of each taking the change; no visible text uses it.
    setFont(plat::FontSpec().ToQFont());
    setupUi(this);
    LigaLayout(this);

    cdsRetorno = std::make_unique<plat::TClientDataSet>(QStringLiteral("cdsRetorno"));
    cdsRetornoTIPO = cdsRetorno->AddStringField(QStringLiteral("TIPO"), 1);
    cdsRetornoVALOR = cdsRetorno->AddFloatField(QStringLiteral("VALOR"));
    msgPadrao = new dll::TMessages(this);
    msgPadrao->setObjectName(QStringLiteral("msgPadrao"));
    msgPadrao->LoadFromFile(QStringLiteral(":/orv00006/msgPadrao.txt"));
    cdsParametrosVek = std::make_unique<plat::TClientDataSet>(kCdsParametros);

    DoCreate();
}

TfrmDesc::~TfrmDesc() = default;

void TfrmDesc::FormCreate(QObject* /*Sender*/) {
    // Texts are translated before anything else touches them.
    dll::Trad(this);
}

void TfrmDesc::FormActivate(QObject* /*Sender*/) { Repaint(); }

void TfrmDesc::FormClose(QObject* /*Sender*/, plat::TCloseAction& /*Action*/) {
    boCriado06 = false;
    Release();
}

}  // namespace Cli_orv00006
