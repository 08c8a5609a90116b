#ifndef ORV00006_ORV00006_C_H
#define ORV00006_ORV00006_C_H
/* C entry point of the discount entry module PKG_ORV00006: one amount entry
 * from plain values, for hosts that reach the module through a C interface
 * (a C layer of a Qt host, or a language binding such as Python's ctypes).
 *
 * It is CriaDesconto of orv00006.h underneath: the same dialog, limits,
 * parameters file and operator messages, and the same rules:
 *  - Initialize first and Finalize before unloading, as for CriaDesconto;
 *  - call from the thread that runs the QApplication, one call at a time.
 *    A host without one (plain C, or Python without a Qt binding) has the
 *    module make it: OrvAplicacaoGarante. A call from another thread or
 *    without a QApplication returns at once; a call while the dialog of an
 *    earlier call is open shows the operator the same refusal as
 *    CriaDesconto. The outcome is then ORV_OUTCOME_FAILED;
 *  - nothing is ever thrown or unwound out of it: every failure ends as
 *    ORV_OUTCOME_FAILED with its text in OrvResultado.failureText, after
 *    the operator was told what the operator must know. The module prints
 *    nothing, except for a caller it cannot answer (a NULL result, or a
 *    struct of the first version, which has no room for the text): that
 *    gets a line on standard error.
 *
 * Plain C11 with no Qt or C++ headers, so that any C compiler can use it. */
#include <stddef.h>
#include <string.h>

#include "orv00006/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* How a call ended: the return value of OrvDescontoExecuta and
 * OrvResultado.outcome. */
typedef enum OrvOutcome {
    ORV_OUTCOME_FAILED = 0,    /* no decision: refused, bad parameters, unreadable parameters file... */
    ORV_OUTCOME_CONFIRMED = 1, /* the operator confirmed an amount: tipo and valor hold it */
    ORV_OUTCOME_CANCELLED = 2, /* the operator cancelled (cancel key or Esc) */
    ORV_OUTCOME_EMPTIED = 3    /* Enter on an emptied display: closed without an amount */
} OrvOutcome;

/* A buffer of this many bytes always holds the result packet. */
#define ORV_PACKET_MAX 1024
/* The size of OrvResultado.failureText, its terminating NUL included. */
#define ORV_FAILURE_TEXT_MAX 512

/* The decision of one call. The caller owns the struct and the packet
 * buffer; the module writes into them during the call only and keeps no
 * pointer to either. Later versions only add fields at the end, and a
 * module writes only the fields that fit in structSize. */
typedef struct OrvResultado {
    size_t structSize;     /* in: sizeof(OrvResultado) as the caller was compiled */
    int outcome;           /* out: an OrvOutcome */
    char tipo[2];          /* out: "V" (value) or "P" (percentage) when confirmed, "" otherwise */
    double valor;          /* out: the amount when confirmed, 0 otherwise */
    unsigned char* packet; /* in: where to copy the result packet, or NULL */
    size_t packetCapacity; /* in: bytes available at packet */
    /* out: the packet's size when confirmed or cancelled (the record set with
     * fields TIPO and VALOR that CriaDesconto hands back, binary form), 0
     * otherwise. The bytes are copied only when they fit in packetCapacity;
     * otherwise the buffer is left as it was. */
    size_t packetSize;
    /* Second version. A module of the first version ignores these two
     * fields: a plain discount then reads the file beside the host program,
     * and failureText stays as the caller left it. */
    /* in: the parameters file a plain discount reads its limit from (a
     * NUL-terminated path; relative ones start at the working directory),
     * or NULL for PARAMETROSVEK.CDS beside the host program, CriaDesconto's
     * rule. The file is read as CriaDesconto reads its own: a path where
     * nothing is gives no limit, anything else that is not a parameters file
     * stops the call. */
    const char* parametersFile;
    /* out: why the call failed, NUL-terminated UTF-8 (cut at a character
     * boundary when longer), "" for any other outcome. */
    char failureText[ORV_FAILURE_TEXT_MAX];
} OrvResultado;

/* An OrvResultado of the version the caller is compiled with, every other
 * field zero: OrvResultado r = OrvResultadoInicial(); */
static inline OrvResultado OrvResultadoInicial(void) {
    OrvResultado r;
    memset(&r, 0, sizeof r);
    r.structSize = sizeof r;
    return r;
}

/* Runs the amount entry dialog modally and describes the operator's decision
 * in *out; returns the same OrvOutcome as out->outcome.
 *
 * kind: the kind key as CriaDesconto takes it ("Acrescimo", "TaxaServico",
 * "DescontoFidelidade", "DescontoCRMBONUS", "DescontoGCOM", anything else a
 * plain discount), NUL-terminated UTF-8. NULL is a key that is not text,
 * which gives a plain discount. Bytes that are not UTF-8 are read with
 * replacement characters, so such a key matches no kind and also gives a
 * plain discount (the one limited by the parameters file).
 * base, applied: elements 2 and 3 of CriaDesconto; a value that is not a
 * finite number stops the call with a message to the operator.
 * out: NULL, or a structSize smaller than the first version's, refuses the
 * call with a line on standard error: no dialog, ORV_OUTCOME_FAILED. */
ORV_API int OrvDescontoExecuta(const char* kind, double base, double applied, OrvResultado* out);

typedef int (*OrvDescontoExecutaFn)(const char* kind, double base, double applied, OrvResultado* out);

/* Makes sure a QApplication runs on the calling thread, creating one (for
 * the platform QT_QPA_PLATFORM names, the display otherwise) when the
 * process has none. Returns 1 when it created it, 0 when the host's own
 * QApplication already runs on this thread, -1 when calls cannot work here:
 * the process has a Qt application of another kind (QCoreApplication,
 * QGuiApplication) or runs it on another thread. A platform that cannot
 * start (no display, and no QT_QPA_PLATFORM=offscreen) ends the process
 * inside Qt, as for any Qt program. */
ORV_API int OrvAplicacaoGarante(void);
/* Destroys the QApplication OrvAplicacaoGarante created, if it did; call it
 * outside any call, before Finalize and unloading. Nothing otherwise. */
ORV_API void OrvAplicacaoEncerra(void);

typedef int (*OrvAplicacaoGaranteFn)(void);
typedef void (*OrvAplicacaoEncerraFn)(void);

/* Kinds of operator message, OrvMensagemFn's tipo. */
typedef enum OrvTipoMensagem {
    ORV_MENSAGEM_INFORMACAO = 0,
    ORV_MENSAGEM_PERGUNTA = 1,
    ORV_MENSAGEM_AVISO = 2,
    ORV_MENSAGEM_ERRO = 3
} OrvTipoMensagem;

/* Receives each message meant for the operator (a refusal, a failure) in
 * place of the module's message box: texto and titulo are NUL-terminated
 * UTF-8, valid during the callback only; tipo is an OrvTipoMensagem. The
 * message counts as seen when the callback returns, and the dialog carries
 * on (a refused amount leaves it open for the next key). It runs on the
 * thread of the call, inside it: it must not start another call. */
typedef void (*OrvMensagemFn)(void* context, int tipo, const char* texto, const char* titulo);
/* Installs fn (with context passed back to it) for every later message of
 * the process, the host's and the module's; NULL restores the message box. */
ORV_API void OrvMensagensDefine(OrvMensagemFn fn, void* context);

typedef void (*OrvMensagensDefineFn)(OrvMensagemFn fn, void* context);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORV00006_ORV00006_C_H */
