/* A minimal host in plain C11 against the installed packages: it loads the
 * module, has it start the Qt application, receives the operator's
 * messages in a callback, and asks for a plain discount on BASE with the
 * limit of the parameters file it names. Run it on a display (or with
 * QT_QPA_PLATFORM=offscreen when the call is expected to fail at once):
 *
 *   ./c-host PARAMETERS_FILE BASE
 *
 * prints each message, then the outcome, the amount or the failure's text. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include "orv00006/orv00006_c.h"

static void ShowMessage(void* context, int tipo, const char* texto, const char* titulo) {
    int* count = context;
    ++*count;
    printf("message %d (kind %d%s%s): %s\n", *count, tipo, *titulo ? ", " : "", titulo, texto);
    fflush(stdout); /* seen while the dialog is still open, also through a pipe */
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: %s PARAMETERS_FILE BASE\n", argv[0]);
        return 2;
    }
    void* module = dlopen(ORV00006_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    if (module == NULL) {
        fprintf(stderr, "cannot load the module: %s\n", dlerror());
        return 1;
    }
    /* The POSIX way of taking a function from dlsym, which ISO C leaves
     * undefined as a cast. */
    void (*initialize)(void), (*finalize)(void);
    OrvAplicacaoGaranteFn ensure;
    OrvAplicacaoEncerraFn release;
    OrvMensagensDefineFn messages;
    OrvDescontoExecutaFn run;
    *(void**)&initialize = dlsym(module, "Initialize");
    *(void**)&finalize = dlsym(module, "Finalize");
    *(void**)&ensure = dlsym(module, "OrvAplicacaoGarante");
    *(void**)&release = dlsym(module, "OrvAplicacaoEncerra");
    *(void**)&messages = dlsym(module, "OrvMensagensDefine");
    *(void**)&run = dlsym(module, "OrvDescontoExecuta");
    if (!initialize || !finalize || !ensure || !release || !messages || !run) {
        fprintf(stderr, "the module lacks an entry point\n");
        return 1;
    }
    initialize();
    if (ensure() < 0) {
        fprintf(stderr, "no Qt application can run here\n");
        return 1;
    }
    int shown = 0;
    messages(ShowMessage, &shown);

    unsigned char packet[ORV_PACKET_MAX];
    OrvResultado r = OrvResultadoInicial();
    r.packet = packet;
    r.packetCapacity = sizeof packet;
    r.parametersFile = argv[1];
    switch (run("Desconto", strtod(argv[2], NULL), 0.0, &r)) {
    case ORV_OUTCOME_CONFIRMED:
        printf("confirmed: %s %.2f (packet of %zu bytes)\n", r.tipo, r.valor, r.packetSize);
        break;
    case ORV_OUTCOME_CANCELLED:
        printf("cancelled\n");
        break;
    case ORV_OUTCOME_EMPTIED:
        printf("emptied\n");
        break;
    default:
        printf("failed: %s\n", r.failureText);
    }

    messages(NULL, NULL);
    release();
    finalize();
    dlclose(module);
    return r.outcome == ORV_OUTCOME_FAILED ? 1 : 0;
}
