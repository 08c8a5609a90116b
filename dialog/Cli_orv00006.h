#pragma once
// The discount entry dialog: a borderless touch keypad where the operator
// keys in one amount for a discount, surcharge or service fee, as a value
// or a percentage, and confirms or cancels.
#include <QString>

#include <memory>

#include "orv00006/export.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/forms.h"
#include "orv00006/platform/variant.h"
#include "ui_frmDesc.h"

namespace dll {
class TMessages;
}

namespace Cli_orv00006 {

class ORV_API TfrmDesc : public plat::TForm, public Ui_TfrmDesc {
    Q_OBJECT
    // Read-only views for hosts and tools that inspect a running dialog.
    Q_PROPERTY(QString stTipo READ Tipo)
    Q_PROPERTY(QString stDigitos READ Digitos)
    // What a screen reader says with the dialog's name: amount, mode, limit.
    Q_PROPERTY(QString SpokenDescription READ DescricaoFalada)
public:
    explicit TfrmDesc(QWidget* owner = nullptr);
    ~TfrmDesc() override;

    // Set-up for one entry from the call parameters (elements 1 to 3 read).
    void InicializaForm(const plat::Variant* params, int high);
    // Whether the amount on display is within the limit of the dialog's kind.
    bool ValidaDesconto();

    // What the call hands back: unassigned until confirm or cancel.
    const plat::Variant& Retorno() const { return vaRetorno; }
    const QString& Tipo() const { return stTipo; }
    const QString& Digitos() const { return stDigitos; }

    // Non-visual elements.
    std::unique_ptr<plat::TClientDataSet> cdsRetorno;
    plat::TStringField* cdsRetornoTIPO = nullptr;
    plat::TFloatField* cdsRetornoVALOR = nullptr;
    dll::TMessages* msgPadrao = nullptr;
    std::unique_ptr<plat::TClientDataSet> cdsParametrosVek;

public slots:
    void FormCreate(QObject* Sender);
    void FormActivate(QObject* Sender);
    void FormClose(QObject* Sender, plat::TCloseAction& Action);
    void FormKeyDown(QObject* Sender, quint16& Key, plat::TShiftState Shift);
    void FormKeyPress(QObject* Sender, QChar& Key);
    void sbt1Click(QObject* Sender);
    void sbtCorrigirClick(QObject* Sender);
    void sbtEnterClick(QObject* Sender);
    void sbtCancelarClick(QObject* Sender);
    void imgValorClick(QObject* Sender);
    void imgPercentualClick(QObject* Sender);

protected:
    // Only confirm and cancel close the dialog: a close request from the
    // window manager (Alt+F4 included) leaves it open.
    bool AcceptsSystemClose() const override { return false; }

private:
    void Limpa();  // clear: display and typed digits become empty
    void ShowDigits();
    void MarcaOpcao();  // the option pictures' checked state follows stTipo
    // Texts for a screen reader: the amount on display, the mode, and both
    // with the limit when the dialog shows one.
    QString ValorFalado() const;
    QString ModoFalado() const;
    QString DescricaoFalada() const;

    QString stDigitos;
    QString stTipo;
    plat::Variant vaRetorno;
    double flLimite = 0.0;
    double flVrBase = 0.0;
    double flVrAnterior = 0.0;
    double flVrMaxDesc = 0.0;
};

// The dialog of the call in progress, or none.
ORV_API extern TfrmDesc* frmDesc;
// True between set-up and the dialog's close.
ORV_API extern bool boCriado06;

}  // namespace Cli_orv00006
