/* Compiled as C11 and as C++ by ctest: the header stands alone in both under
 * strict warnings, and may be included twice. */
#include "orv00006/orv00006_c.h"
#include "orv00006/orv00006_c.h"

int Executa(OrvDescontoExecutaFn executa, OrvMensagemFn mensagem);

int Executa(OrvDescontoExecutaFn executa, OrvMensagemFn mensagem) {
    const OrvOutcome none = ORV_OUTCOME_FAILED;
    OrvResultado r = OrvResultadoInicial();
    OrvMensagensDefine(mensagem, &r);
    if (OrvAplicacaoGarante() < 0) return ORV_MENSAGEM_ERRO;
    r.parametersFile = "PARAMETROSVEK.CDS";
    return (OrvOutcome)executa("Desconto", 200.0, 0.0, &r) != none ? ORV_PACKET_MAX : r.failureText[0];
}
