#!/usr/bin/python3
# Walks the accessible tree of the running window showcase over AT-SPI, as
# Orca reads it, and fails for every control a user can type into or choose
# in that has no accessible name.
import sys
import time

import pyatspi

APP = "quillmar-showcase"
INPUT_ROLES = {
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
}
WINDOWS = {
    "Quillmar WI-FI POS Printer Manager v1.11 - Configuration Utility": "configuration window",
    "Quillmar WI-FI POS Printer Manager v1.10 (by COMPort)": "COM-port tool",
    "Upgrade Dialog": "upgrade dialog",
}


def find_app(deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == APP and app.childCount >= len(WINDOWS):
                return app
        time.sleep(0.5)
    return None


def labelled_by(node):
    """The name of the label the control is labelled by, or ''."""
    try:
        for relation in node.getRelationSet():
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
                for i in range(relation.getNTargets()):
                    target = relation.getTarget(i)
                    if target is not None and target.name:
                        return target.name
    except Exception:
        pass
    return ""


def walk(node, path, found):
    try:
        role = node.getRole()
        states = node.getState()
    except Exception:
        return
    if not states.contains(pyatspi.STATE_SHOWING):
        return
    if role in INPUT_ROLES:
        found.append((path, node.getRoleName(), node.name or "", labelled_by(node)))
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, path + "/" + (child.name or child.getRoleName()), found)


def main():
    app = find_app(time.time() + 60)
    if app is None:
        print("the showcase never appeared on the AT-SPI bus")
        return 1
    failures = 0
    seen = set()
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        title = next((t for t in WINDOWS if window.name.startswith(t)), None)
        if title is None:
            continue
        seen.add(title)
        found = []
        walk(window, WINDOWS[title], found)
        print("%s: %d controls" % (WINDOWS[title], len(found)))
        for path, role, name, label in found:
            # Qt gives a choice box its value as its name on Linux; what it
            # is, a reader takes from the label it is labelled by.
            named = bool(name.strip()) and (role != "combo box" or bool(label.strip()))
            mark = "ok  " if named else "FAIL"
            print("  %s %-14s %-40s %-24s %s" % (mark, role, repr(name), repr(label), path))
            if not named:
                failures += 1
        if not found:
            print("  FAIL no controls found")
            failures += 1
    for title in WINDOWS:
        if title not in seen:
            print("FAIL window not found: %s" % title)
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
