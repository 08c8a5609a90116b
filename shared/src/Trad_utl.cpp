#include "orv00006/dll/Trad_utl.h"

#include <QMutex>

namespace dll {

namespace {
QMutex g_mutex;
Tradutor g_tradutor;
}  // namespace

void SetTradutor(Tradutor tradutor) {
    QMutexLocker lock(&g_mutex);
    g_tradutor = std::move(tradutor);
}

void Trad(plat::TForm* form) {
    Tradutor tradutor;
    {
        QMutexLocker lock(&g_mutex);
        tradutor = g_tradutor;
    }
    if (tradutor && form != nullptr) tradutor(form);
}

}  // namespace dll
