/* Compiled as C11 and as C++ by ctest: the header stands alone in both under
 * strict warnings, and may be included twice. */
#include "orv00006/orv00006_c.h"
#include "orv00006/orv00006_c.h"

int Executa(OrvDescontoExecutaFn executa, OrvResultado* r);

int Executa(OrvDescontoExecutaFn executa, OrvResultado* r) {
    const OrvOutcome none = ORV_OUTCOME_FAILED;
    r->structSize = sizeof *r;
    return (OrvOutcome)executa("Desconto", 200.0, 0.0, r) != none ? ORV_PACKET_MAX : OrvDescontoExecuta(NULL, 0.0, 0.0, r);
}
