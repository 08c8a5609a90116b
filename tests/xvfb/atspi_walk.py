#!/usr/bin/python3
"""Walks pdv-host's dialog through AT-SPI, as a screen reader does.

Checks the tree (roles, names, states), presses "5" through its action and
waits for the amount display to announce "0,05", switches the option
through the radio buttons' action, keys in 20,01 on a 10 % limit of 200 and
checks the refusal alert and that the dialog is the active window once it is
closed, then cancels. Prints the tree as a table first.

usage: atspi_walk.py PID
"""
import sys
import time

import pyatspi
from gi.repository import GLib

TIMEOUT = 15.0


def wait_for(what, test, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = test()
        if value:
            return value
        time.sleep(0.05)
    sys.exit(f"FAIL: timed out waiting for {what}")


def app_of(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def states(acc):
    s = acc.getState()
    names = []
    for flag, name in [(pyatspi.STATE_SENSITIVE, "sensitive"), (pyatspi.STATE_CHECKED, "checked"),
                       (pyatspi.STATE_ACTIVE, "active"), (pyatspi.STATE_SHOWING, "showing")]:
        if s.contains(flag):
            names.append(name)
    return names


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def window_named(app, name, role=None):
    for w in children(app):
        if w is not None and w.name == name and (role is None or w.getRoleName() == role):
            return w
    return None


def find(root, role, name):
    for c in children(root):
        if c.getRoleName() == role and c.name == name:
            return c
    sys.exit(f"FAIL: no {role} named {name!r}; children: {[(c.getRoleName(), c.name) for c in children(root)]}")


def descendants(acc):
    for c in children(acc):
        if c is not None:
            yield c
            yield from descendants(c)


def press(acc):
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if not names:
        sys.exit(f"FAIL: {acc.name!r} has no action")
    action.doAction(0)


def main():
    pid = int(sys.argv[1])
    app = wait_for("pdv-host on the accessibility bus", lambda: app_of(pid))
    dialog = wait_for("the dialog window", lambda: window_named(app, "Desconto"))

    print(f"{'role':<14} {'name':<12} states")
    print(f"{dialog.getRoleName():<14} {dialog.name:<12} {', '.join(states(dialog))}")
    tree = []
    for c in children(dialog):
        tree.append((c.getRoleName(), c.name, states(c)))
        print(f"  {c.getRoleName():<12} {c.name!r:<12} {', '.join(states(c))}")

    roles = sorted({r for r, _, _ in tree})
    if roles != ["label", "push button", "radio button"]:
        sys.exit(f"FAIL: roles in the dialog are {roles}")
    buttons = {n: s for r, n, s in tree if r == "push button"}
    expected = [str(d) for d in range(10)] + ["Corrigir", "Confirmar", "Cancelar", "Vírgula", "Ponto"]
    if sorted(buttons) != sorted(expected):
        sys.exit(f"FAIL: push buttons {sorted(buttons)}")
    for n, s in buttons.items():
        if ("sensitive" in s) == (n in ("Vírgula", "Ponto")):
            sys.exit(f"FAIL: {n} sensitive is {'sensitive' in s}")
    radios = {n: s for r, n, s in tree if r == "radio button"}
    if sorted(radios) != ["Percentual", "Valor"] or "checked" not in radios["Valor"] or \
            "checked" in radios["Percentual"]:
        sys.exit(f"FAIL: radio buttons {radios}")
    labels = sorted(n for r, n, _ in tree if r == "label")
    # The captions beside the options are not read again: each option says
    # its own name (flat review said "Valor Valor").
    if labels != sorted(["Desconto", "0,00", "", "Orv00006"]):
        sys.exit(f"FAIL: labels {labels}")

    # Pressing "5" through its action types it, and the display announces it.
    heard = []
    loop = GLib.MainLoop()

    def on_name(event):
        if event.source is not None and event.source.getRoleName() == "label":
            heard.append(event.source.name)
            if event.source.name == "0,05":
                loop.quit()

    pyatspi.Registry.registerEventListener(on_name, "object:property-change:accessible-name")
    press(find(dialog, "push button", "5"))
    GLib.timeout_add(int(TIMEOUT * 1000), loop.quit)
    loop.run()
    pyatspi.Registry.deregisterEventListener(on_name, "object:property-change:accessible-name")
    if "0,05" not in heard:
        sys.exit(f"FAIL: the display announced {heard}, not 0,05")
    print(f"announced: {heard}")

    # The options follow their action.
    percentual = find(dialog, "radio button", "Percentual")
    valor = find(dialog, "radio button", "Valor")
    press(percentual)
    wait_for("Percentual checked", lambda: "checked" in states(percentual) and "checked" not in states(valor))
    press(valor)
    wait_for("Valor checked", lambda: "checked" in states(valor) and "checked" not in states(percentual))

    # 20,01 on a 10 % limit of 200 is refused with an alert.
    press(find(dialog, "push button", "Corrigir"))
    wait_for("the display emptied", lambda: "0,05" not in [n for r, n, _ in
                                                            ((c.getRoleName(), c.name, 0) for c in children(dialog))])
    for key in "2001":
        press(find(dialog, "push button", key))
        time.sleep(0.2)
    wait_for("20,01 on display", lambda: any(c.name == "20,01" for c in children(dialog)))
    press(find(dialog, "push button", "Confirmar"))
    alert = wait_for("the refusal alert", lambda: next((w for w in children(app) if w is not None and
                                                        w.getRoleName() == "alert"), None))
    texts = [alert.name, alert.description] + [c.name for c in children(alert)]
    full = " ".join(t for t in texts if t)
    print(f"alert: {full!r}")
    if "bloqueada" not in full:
        sys.exit(f"FAIL: the alert does not carry the refusal: {full!r}")
    ok = next((c for c in descendants(alert) if c.getRoleName() == "push button"), None)
    if ok is None:
        sys.exit("FAIL: the alert has no button")
    press(ok)
    wait_for("the dialog active again", lambda: "active" in states(dialog))
    print("dialog active again after the alert")

    press(find(dialog, "push button", "Cancelar"))
    print("PASS")


if __name__ == "__main__":
    main()
