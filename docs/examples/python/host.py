#!/usr/bin/python3
"""A minimal Python host of the module's C entry point, against the installed
packages: PyQt6 runs the QApplication (Debian's, on the same system Qt as the
module), ctypes loads the module, a callback receives the operator's
messages. It asks for a plain discount on 200,00 with the limit of the
parameters file it names, and types 2 0 0 1 Enter, which a 10 % limit
refuses, then Esc:

    /usr/bin/python3 host.py /etc/orv00006/PARAMETROSVEK.CDS

Debian's interpreter, by its path: another python3 first in PATH (a virtual
environment, a version manager's shim) has no PyQt6 of the system's Qt.
"""
import ctypes
import subprocess
import sys

from PyQt6.QtCore import Qt, QTimer
from PyQt6.QtTest import QTest
from PyQt6.QtWidgets import QApplication

FAILED, CONFIRMED, CANCELLED, EMPTIED = range(4)
OUTCOMES = ["failed", "confirmed", "cancelled", "emptied"]
MESSAGE_FN = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_int, ctypes.c_char_p, ctypes.c_char_p)


class OrvResultado(ctypes.Structure):  # as in orv00006/orv00006_c.h, second version
    _fields_ = [("structSize", ctypes.c_size_t), ("outcome", ctypes.c_int), ("tipo", ctypes.c_char * 2),
                ("valor", ctypes.c_double), ("packet", ctypes.POINTER(ctypes.c_ubyte)),
                ("packetCapacity", ctypes.c_size_t), ("packetSize", ctypes.c_size_t),
                ("parametersFile", ctypes.c_char_p), ("failureText", ctypes.c_char * 512)]


def main():
    if len(sys.argv) != 2:
        sys.exit(f"usage: {sys.argv[0]} PARAMETERS_FILE")
    module_path = subprocess.check_output(["pkg-config", "--variable=module", "orv00006"], text=True).strip()
    app = QApplication(sys.argv[:1])
    module = ctypes.CDLL(module_path, mode=ctypes.RTLD_LOCAL)
    module.OrvDescontoExecuta.argtypes = [ctypes.c_char_p, ctypes.c_double, ctypes.c_double,
                                          ctypes.POINTER(OrvResultado)]
    module.OrvMensagensDefine.argtypes = [MESSAGE_FN, ctypes.c_void_p]
    module.Initialize()

    keys = [Qt.Key.Key_2, Qt.Key.Key_0, Qt.Key.Key_0, Qt.Key.Key_1, Qt.Key.Key_Return]

    def on_message(_context, kind, text, _title):
        print(f"message (kind {kind}): {text.decode()}")
        keys.append(Qt.Key.Key_Escape)  # refused: give up

    def type_next():
        dialog = QApplication.activeModalWidget()
        if dialog is not None and keys:
            QTest.keyClick(dialog, keys.pop(0))
        if keys or dialog is None:
            QTimer.singleShot(10, type_next)

    callback = MESSAGE_FN(on_message)  # kept alive for as long as it is installed
    module.OrvMensagensDefine(callback, None)
    r = OrvResultado(structSize=ctypes.sizeof(OrvResultado), parametersFile=sys.argv[1].encode())
    QTimer.singleShot(0, type_next)
    outcome = module.OrvDescontoExecuta(b"Desconto", 200.0, 0.0, ctypes.byref(r))
    module.OrvMensagensDefine(MESSAGE_FN(), None)
    module.Finalize()
    print(f"{OUTCOMES[outcome]}: {r.tipo.decode()} {r.valor:.2f} {r.failureText.decode()}".rstrip())
    del app
    return 0 if outcome != FAILED else 1


if __name__ == "__main__":
    sys.exit(main())
