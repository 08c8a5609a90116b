#!/usr/bin/env python3
"""A Python host of the C entry point OrvDescontoExecuta: Debian's PyQt6 runs
the QApplication, ctypes loads the platform libraries and the module, QtTest
keys the dialog in, one named row at a time.

The module reads PARAMETROSVEK.CDS beside the host program, for Python the
interpreter: so the script copies the interpreter into a temporary directory
beside the parameters file and runs itself again from that copy, which leaves
the module and the platform as they ship.
"""
import argparse
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile
import threading

FAILED, CONFIRMED, CANCELLED, EMPTIED = range(4)
PACKET_MAX = 1024
BLOCKED = "2 0 0 1 Enter Box Esc"  # 20,01 of 200,00 is over 10 %: refused, then cancelled


class OrvResultado(ctypes.Structure):  # as in orv00006/orv00006_c.h
    _fields_ = [("structSize", ctypes.c_size_t), ("outcome", ctypes.c_int), ("tipo", ctypes.c_char * 2),
                ("valor", ctypes.c_double), ("packet", ctypes.POINTER(ctypes.c_ubyte)),
                ("packetCapacity", ctypes.c_size_t), ("packetSize", ctypes.c_size_t)]


# name, kind, base, keys ("Box" closes the message box that is up), outcome,
# tipo, valor, the dialog's header (None: no dialog), a text of the message
# shown, how the call is made.
ROWS = [
    ("confirmed_at_the_10_percent_limit", b"Desconto", 200.0, "2 0 0 0 Enter", CONFIRMED, b"V", 20.0, "Desconto", None, {}),
    ("over_the_limit_refused", b"Desconto", 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto", "bloqueada", {}),
    ("cancelled_with_esc", b"Desconto", 200.0, "5 Esc", CANCELLED, b"", 0.0, "Desconto", None, {}),
    ("emptied_display_then_enter", b"Desconto", 200.0, "5 Backspace Enter", EMPTIED, b"", 0.0, "Desconto", None, {}),
    ("percentage_surcharge", b"Acrescimo", 200.0, "Alt+P 1 5 0 0 Enter", CONFIRMED, b"P", 15.0, "Acréscimo", None, {}),
    ("null_kind_is_a_plain_discount", None, 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto", "bloqueada", {}),
    ("non_utf8_kind_is_a_plain_discount", b"Acr\xe9scimo", 200.0, BLOCKED, CANCELLED, b"", 0.0, "Desconto",
     "bloqueada", {}),
    ("base_not_a_number_refused", b"Desconto", float("nan"), "Box", FAILED, b"", 0.0, None, "não é um número", {}),
    ("small_buffer_left_as_it_was", b"Desconto", 200.0, "5 Enter", CONFIRMED, b"V", 0.05, "Desconto", None,
     {"capacity": 4}),
    ("null_result_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, {"out": False}),
    ("short_struct_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, {"size": 8}),
    ("worker_thread_refused", b"Desconto", 200.0, "", FAILED, b"", 0.0, None, None, {"thread": True}),
]


def relaunch(args):
    try:
        import PyQt6.QtTest  # noqa: F401
    except ImportError as e:
        print(f"skipped: no PyQt6 ({e}); scripts/setup.sh installs python3-pyqt6")
        return 77
    with tempfile.TemporaryDirectory(prefix="orv-c-entry-") as host_dir:
        interpreter = os.path.join(host_dir, "python3")
        shutil.copy2(os.path.realpath(sys.executable), interpreter)
        shutil.copyfile(args.parameters, os.path.join(host_dir, "PARAMETROSVEK.CDS"))
        return subprocess.call([interpreter, os.path.abspath(__file__), "--host-dir", host_dir] + sys.argv[1:])


def run(args):
    from PyQt6.QtCore import Qt, QTimer
    from PyQt6.QtTest import QTest
    from PyQt6.QtWidgets import QApplication, QMessageBox, QWidget

    assert os.path.dirname(os.readlink("/proc/self/exe")) == args.host_dir
    app = QApplication(sys.argv[:1])
    # As a host that links them: platform libraries global, the module local.
    for library in args.library:
        ctypes.CDLL(library, mode=ctypes.RTLD_GLOBAL)
    module = ctypes.CDLL(args.module, mode=os.RTLD_NOW | os.RTLD_LOCAL)
    executa = module.OrvDescontoExecuta
    executa.argtypes = [ctypes.c_char_p, ctypes.c_double, ctypes.c_double, ctypes.POINTER(OrvResultado)]
    module.Initialize()
    named = {"Enter": Qt.Key.Key_Return, "Esc": Qt.Key.Key_Escape, "Backspace": Qt.Key.Key_Backspace}
    generation = [0]

    def drive(tokens, seen, i=0, tries=400, mine=None):
        # Each token on its own timer, the next armed first, so that it also
        # runs while a message box holds the event loop.
        mine = mine or generation[0]
        if mine != generation[0] or i == len(tokens):
            return
        w = QApplication.activeModalWidget()
        box = tokens[i] == "Box"
        if w is None or isinstance(w, QMessageBox) != box:
            if tries == 0:
                print(f"nothing to take {tokens[i]!r}", flush=True)
                os._exit(2)
            QTimer.singleShot(5, lambda: drive(tokens, seen, i, tries - 1, mine))
            return
        QTimer.singleShot(0, lambda: drive(tokens, seen, i + 1, 400, mine))
        if box:
            seen["message"] = w.text()
            w.reject()
            return
        seen.setdefault("header", w.findChild(QWidget, "lblCabec").property("Caption"))
        alt = tokens[i].startswith("Alt+")
        key = tokens[i][4:] if alt else tokens[i]
        QTest.keyClick(w, named.get(key) or Qt.Key(ord(key)),
                       Qt.KeyboardModifier.AltModifier if alt else Qt.KeyboardModifier.NoModifier)

    failures = []
    for name, kind, base, keys, outcome, tipo, valor, header, message, how in ROWS:
        buffer = (ctypes.c_ubyte * PACKET_MAX)(*[0xAA] * PACKET_MAX)
        capacity = how.get("capacity", PACKET_MAX)
        r = OrvResultado(structSize=how.get("size", ctypes.sizeof(OrvResultado)), outcome=99, packet=buffer,
                         packetCapacity=capacity)
        seen, done = {}, []
        generation[0] += 1  # whatever an earlier row left armed is stale
        if keys:
            QTimer.singleShot(0, lambda: drive(keys.split(), seen))
        call = lambda: done.append(executa(kind, base, 0.0, ctypes.byref(r) if how.get("out", True) else None))
        if how.get("thread"):
            worker = threading.Thread(target=call)
            worker.start()
            worker.join()
        else:
            call()
        # A refused struct is not written at all.
        untouched = "out" in how or "size" in how
        with_packet = outcome in (CONFIRMED, CANCELLED)
        wanted = (outcome, 99 if untouched else outcome, tipo, valor, header, with_packet,
                  with_packet and capacity == PACKET_MAX)
        actual = (done[0], r.outcome, r.tipo, r.valor, seen.get("header"), 0 < r.packetSize <= PACKET_MAX,
                  bytes(buffer[:4]) != b"\xaa" * 4)
        if actual != wanted or (message and message not in seen.get("message", "")):
            failures.append(f"{name}: got {actual}, message {seen.get('message')!r}; "
                            f"expected {wanted}, a message with {message!r}")
    module.Finalize()
    del app
    print("\n".join(failures + [f"{len(ROWS)} rows, {len(failures)} failed"]))
    return 1 if failures else 0


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--library", action="append", required=True, help="a platform library, in load order")
    p.add_argument("--module", required=True, help="PKG_ORV00006.so")
    p.add_argument("--parameters", required=True, help="a parameters file with a 10 %% limit")
    p.add_argument("--host-dir", help=argparse.SUPPRESS)
    args = p.parse_args()
    return run(args) if args.host_dir else relaunch(args)


if __name__ == "__main__":
    sys.exit(main())
