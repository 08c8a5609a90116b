#pragma once
// A dialog created and set up in-process, driven with real Qt input events.
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "Cli_orv00006.h"
#include "DecimalSeparatorGuard.h"
#include "GuiTestSupport.h"
#include "ParametersFile.h"
#include "ScriptDriver.h"
#include "orv00006/platform/dbclient.h"
#include "orv00006/platform/sysutils.h"

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        plat::OverrideProgramDir(dir_.path());
    }
    void TearDown() override {
        delete dialog_.data();
        plat::OverrideProgramDir(QString());
        ExpectNoTopLevelWidgetsLeft();
    }

    // Writes PARAMETROSVEK.CDS beside the "host program" with the limit.
    void WriteLimit(double percent) { WriteLimitFile(dir_.filePath(QStringLiteral("PARAMETROSVEK.CDS")), percent); }

    Cli_orv00006::TfrmDesc* Open(const plat::Variant& kind, const plat::Variant& base, const plat::Variant& applied) {
        const plat::Variant params[] = {plat::Variant(), kind, base, applied};
        dialog_ = new Cli_orv00006::TfrmDesc;
        dialog_->InicializaForm(params, 3);
        dialog_->show();
        return dialog_;
    }

    // Delivers whitespace-separated tokens; returns the display after each.
    QStringList Type(const QString& tokens) {
        QStringList shown;
        for (const QString& t : tokens.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            QString problem;
            EXPECT_TRUE(ScriptDriver::Deliver(dialog_, t, &problem)) << problem.toStdString();
            shown << dialog_->lblDadoDigitado->Caption();
        }
        return shown;
    }

    bool IsOpen() const { return dialog_ && dialog_->isVisible(); }

    // The result packet opened with the record-set facility.
    struct Decoded {
        int records = -1;
        QString tipo;
        double valor = 0;
    };
    Decoded Decode(const plat::Variant& packet) {
        Decoded out;
        plat::TClientDataSet cds(QStringLiteral("resultado"));
        cds.SetData(packet);
        out.records = cds.RecordCount();
        if (out.records > 0) {
            cds.First();
            out.tipo = cds.FieldByName(QStringLiteral("TIPO"))->AsString();
            out.valor = cds.FieldByName(QStringLiteral("VALOR"))->AsFloat();
        }
        return out;
    }

    // The host's usual separator; a test may set another through it.
    DecimalSeparatorGuard separator_{QLatin1Char(',')};
    Recorder recorder_;
    QTemporaryDir dir_;
    QPointer<Cli_orv00006::TfrmDesc> dialog_;
};
