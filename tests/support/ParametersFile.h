#pragma once
// A parameters file that gives the plain discount a maximum percentage.
#include <QString>

#include "orv00006/platform/dbclient.h"

inline void WriteLimitFile(const QString& path, double percent) {
    plat::TClientDataSet cds(QStringLiteral("parametros"));
    plat::TFloatField* f = cds.AddFloatField(QStringLiteral("VRMAXDESCONTO"));
    cds.CreateDataSet();
    cds.Insert();
    f->SetAsFloat(percent);
    cds.Post();
    cds.SaveToFile(path);
}
