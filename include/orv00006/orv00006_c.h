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
 *    A call from another thread or without a QApplication returns at once
 *    with a line on standard error; a call while the dialog of an earlier
 *    call is open shows the operator the same refusal as CriaDesconto. The
 *    outcome is then ORV_OUTCOME_FAILED;
 *  - nothing is ever thrown or unwound out of it: every failure ends as
 *    ORV_OUTCOME_FAILED, after the operator (or standard error) was told.
 *
 * Plain C11 with no Qt or C++ headers, so that any C compiler can use it. */
#include <stddef.h>

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
} OrvResultado;

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

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* ORV00006_ORV00006_C_H */
