#!/usr/bin/env python3
"""A Python host of the C entry point OrvDescontoExecuta: Debian's PyQt6 runs
the QApplication, ctypes loads the platform libraries and the module, a
ctypes callback takes the operator's messages, QtTest keys the dialog in, one
named row at a time. The result is the struct's second version, which names
its parameters file and carries the failure's text; as
OrvResultadoInicial() gives it in C, a row starts from a zeroed struct with
structSize set.
"""
import argparse
import ctypes
import os
import sys
import tempfile
import threading

FAILED, CONFIRMED, CANCELLED, EMPTIED = range(4)
PACKET_MAX = 1024
BLOCKED = "2 0 0 1 Enter Esc"  # 20,01 of 200,00 is over 10 %: refused, then cancelled
MESSAGE_FN = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p)


class OrvResultado(ctypes.Structure):  # as in orv00006/orv00006_c.h
    _fields_ = [("structSize", ctypes.c_size_t), ("outcome", ctypes.c_int), ("tipo", ctypes.c_char * 2),
                ("valor", ctypes.c_double), ("packet", ctypes.POINTER(ctypes.c_ubyte)),
                ("packetCapacity", ctypes.c_size_t), ("packetSize", ctypes.c_size_t),
                ("parametersFile", ctypes.c_char_p), ("failureText", ctypes.c_char * 512)]


FIRST_VERSION = OrvResultado.packetSize.offset + OrvResultado.packetSize.size

# name, kind, base, keys, outcome, tipo, valor, the dialog's header (None: no
# dialog), a text of the one message the callback got (None: no message), a
# text of failureText, how the call is made ("file": the parameters file,
# "limit" by default).
ROWS = [
    ("confirmed_at_the_10_percent_limit", b"Desconto", 200.0, "2 0 0 0 Enter", CONFIRMED, b"V", 20.0, "Desconto",
     None, "", {}),
    ("refusal_answered_in_the_callback", b"Desconto", 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto",
     "Operação bloqueada", "", {}),
    ("cancelled_with_esc", b"Desconto", 200.0, "5 Esc", CANCELLED, b"", 0.0, "Desconto", None, "", {}),
    ("emptied_display_then_enter", b"Desconto", 200.0, "5 Backspace Enter", EMPTIED, b"", 0.0, "Desconto", None,
     "", {}),
    ("percentage_surcharge", b"Acrescimo", 200.0, "Alt+P 1 5 0 0 Enter", CONFIRMED, b"P", 15.0, "Acréscimo", None,
     "", {}),
    ("null_kind_is_a_plain_discount", None, 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto", "bloqueada", "", {}),
    ("non_utf8_kind_is_a_plain_discount", b"Acr\xe9scimo", 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto",
     "bloqueada", "", {}),
    ("base_not_a_number_fails_with_its_text", b"Desconto", float("nan"), "", FAILED, b"", 0.0, None,
     "não é um número", "não é um número", {}),
    ("broken_parameters_file_fails_naming_it", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, "broken.CDS",
     "broken.CDS", {"file": "broken"}),
    ("missing_parameters_file_gives_no_limit", b"Desconto", 200.0, "2 0 0 1 Enter", CONFIRMED, b"V", 20.01,
     "Desconto", None, "", {"file": "missing"}),
    ("first_version_leaves_the_text_alone", b"Desconto", float("nan"), "", FAILED, b"", 0.0, None,
     "não é um número", "as left", {"size": FIRST_VERSION}),
    ("small_buffer_left_as_it_was", b"Desconto", 200.0, "5 Enter", CONFIRMED, b"V", 0.05, "Desconto", None, "",
     {"capacity": 4}),
    ("null_result_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, "as left", {"out": False}),
    ("short_struct_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, "as left", {"size": 8}),
    ("worker_thread_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, "thread", {"thread": True}),
]


def run(args, scratch):
    from PyQt6.QtCore import Qt, QTimer
    from PyQt6.QtTest import QTest
    from PyQt6.QtWidgets import QApplication, QWidget

    app = QApplication(sys.argv[:1])
    # As a host that links them: platform libraries global, the module local.
    for library in args.library:
        ctypes.CDLL(library, mode=ctypes.RTLD_GLOBAL)
    module = ctypes.CDLL(args.module, mode=os.RTLD_NOW | os.RTLD_LOCAL)
    executa = module.OrvDescontoExecuta
    executa.argtypes = [ctypes.c_char_p, ctypes.c_double, ctypes.c_double, ctypes.POINTER(OrvResultado)]
    module.OrvMensagensDefine.argtypes = [MESSAGE_FN, ctypes.c_void_p]
    module.Initialize()
    failures = []
    if module.OrvAplicacaoGarante() != 0:
        failures.append("OrvAplicacaoGarante did not take PyQt6's application as the host's")
    files = {"limit": args.parameters, "broken": os.path.join(scratch, "broken.CDS"),
             "missing": os.path.join(scratch, "missing.CDS")}
    with open(files["broken"], "wb") as f:
        f.write(b"not a packet")

    messages = []
    callback = MESSAGE_FN(lambda _context, kind, text, title: messages.append(text.decode()))
    module.OrvMensagensDefine(callback, None)
    named = {"Enter": Qt.Key.Key_Return, "Esc": Qt.Key.Key_Escape, "Backspace": Qt.Key.Key_Backspace}
    generation = [0]

    def drive(tokens, seen, i=0, tries=400, mine=None):
        # Each token on its own timer, once the dialog is up.
        mine = mine or generation[0]
        if mine != generation[0] or i == len(tokens):
            return
        w = QApplication.activeModalWidget()
        if w is None:
            if tries == 0:
                print(f"no dialog to take {tokens[i]!r}", flush=True)
                os._exit(2)
            QTimer.singleShot(5, lambda: drive(tokens, seen, i, tries - 1, mine))
            return
        QTimer.singleShot(0, lambda: drive(tokens, seen, i + 1, 400, mine))
        seen.setdefault("header", w.findChild(QWidget, "lblCabec").property("Caption"))
        alt = tokens[i].startswith("Alt+")
        key = tokens[i][4:] if alt else tokens[i]
        QTest.keyClick(w, named.get(key) or Qt.Key(ord(key)),
                       Qt.KeyboardModifier.AltModifier if alt else Qt.KeyboardModifier.NoModifier)

    for name, kind, base, keys, outcome, tipo, valor, header, message, text, how in ROWS:
        buffer = (ctypes.c_ubyte * PACKET_MAX)(*[0xAA] * PACKET_MAX)
        capacity = how.get("capacity", PACKET_MAX)
        r = OrvResultado(structSize=how.get("size", ctypes.sizeof(OrvResultado)), packet=buffer,
                         packetCapacity=capacity, parametersFile=files[how.get("file", "limit")].encode(),
                         failureText=b"as left")
        r.outcome = 99
        seen, done = {}, []
        messages.clear()
        generation[0] += 1  # whatever an earlier row left armed is stale
        if keys:
            QTimer.singleShot(0, lambda: drive(keys.split(), seen))
        call = lambda: done.append(executa(kind, base, 0.0, ctypes.byref(r) if how.get("out", True) else None))
        if how.get("thread"):
            worker = threading.Thread(target=lambda: (seen.update(garante=module.OrvAplicacaoGarante()), call()))
            worker.start()
            worker.join()
            if seen.pop("garante") != -1:
                failures.append(f"{name}: OrvAplicacaoGarante did not refuse a worker thread")
        else:
            call()
        # A refused struct is not written at all.
        untouched = "out" in how or how.get("size") == 8
        with_packet = outcome in (CONFIRMED, CANCELLED)
        wanted = (outcome, 99 if untouched else outcome, tipo, valor, header, with_packet,
                  with_packet and capacity == PACKET_MAX, 0 if message is None else 1)
        actual = (done[0], r.outcome, r.tipo, r.valor, seen.get("header"), 0 < r.packetSize <= PACKET_MAX,
                  bytes(buffer[:4]) != b"\xaa" * 4, len(messages))
        got_text = r.failureText.decode()
        if (actual != wanted or (message and message not in "".join(messages))
                or (text not in got_text if text else got_text != "")):
            failures.append(f"{name}: got {actual}, messages {messages!r}, failureText {got_text!r}; "
                            f"expected {wanted}, a message with {message!r}, a failureText with {text!r}")
    module.OrvMensagensDefine(MESSAGE_FN(), None)
    module.Finalize()
    del app
    print("\n".join(failures + [f"{len(ROWS)} rows, {len(failures)} failed"]))
    return 1 if failures else 0


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--library", action="append", required=True, help="a platform library, in load order")
    p.add_argument("--module", required=True, help="PKG_ORV00006.so")
    p.add_argument("--parameters", required=True, help="a parameters file with a 10 %% limit")
    args = p.parse_args()
    try:
        import PyQt6.QtTest  # noqa: F401
    except ImportError as e:
        print(f"skipped: no PyQt6 ({e}); scripts/setup.sh installs python3-pyqt6")
        return 77
    with tempfile.TemporaryDirectory(prefix="orv-c-entry-") as scratch:
        return run(args, scratch)


if __name__ == "__main__":
    sys.exit(main())
