"""The real program on a desktop: its windows and controls found through the
accessibility bus (AT-SPI, what Orca reads), acted on with the X server's mouse and
keyboard (xdotool), so that a click lands on whatever lies on top there. The program
answers in its own time: checks wait until what they read holds, and keys go only to
a window that has the keyboard focus."""
import os
import shutil
import subprocess
import sys
import time

import pyatspi

PATIENCE = 60.0  # seconds a condition may take before the test gives up on it


class Failure(Exception):
    pass


def wait_for(what, probe):
    deadline = time.monotonic() + PATIENCE
    while True:
        try:
            found = probe()
        except Exception:  # the object went away while it was read: try again
            found = None
        if found:
            return found
        if time.monotonic() > deadline:
            raise Failure("gave up waiting for " + what)
        time.sleep(0.1)


def check(what, get, wanted):
    """Waits until get() gives `wanted`; fails with what it gave last."""
    got = [None]
    try:
        wait_for(what, lambda: got.append(get()) or got[-1] == wanted)
    except Failure:
        raise Failure("%s: got %r, wanted %r" % (what, got[-1], wanted)) from None


def has(node, state):
    return node.getState().contains(state)


def children(node):
    return [child for child in (node.getChildAtIndex(i) for i in range(node.childCount)) if child]


def descendants(node, into_tables=False):
    # A tree's rows only when asked.
    for child in children(node):
        yield child
        if into_tables or child.getRoleName() not in ("tree", "tree table", "table"):
            yield from descendants(child, into_tables)


def find(root, role, name, into_tables=False):
    return wait_for("%s %r" % (role, name), lambda: next(
        (node for node in descendants(root, into_tables)
         if node.getRoleName() == role and node.name == name and has(node, pyatspi.STATE_SHOWING)), None))


def focus(window):
    wait_for("%r to have the focus" % window.name, lambda: has(window, pyatspi.STATE_ACTIVE))
    return window


class Program:
    def __init__(self, command, cwd):
        # The accessibility bus runs before the program starts, so that it registers.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL)
        self.process = subprocess.Popen(command, cwd=cwd)
        self.app = wait_for("the program on the accessibility bus", lambda: next(
            (app for app in children(pyatspi.Registry.getDesktop(0))
             if app.get_process_id() == self.process.pid), None))

    def _shown(self, name):
        return next((w for w in children(self.app) if w.name == name and has(w, pyatspi.STATE_SHOWING)), None)

    def window(self, name):
        # Once the window manager has put it up and given it the focus.
        return focus(wait_for("the window %r" % name, lambda: self._shown(name)))

    def gone(self, name):
        wait_for("the window %r to close" % name, lambda: self._shown(name) is None)


def click(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if box.width <= 0 or box.height <= 0:
        raise Failure("%r has no place on the screen" % node.name)
    subprocess.run(["xdotool", "mousemove", "--sync", str(box.x + box.width // 2),
                    str(box.y + box.height // 2), "click", "1"], check=True)


def keys(window, *names, typed=None):
    """Presses the named keys, or types the text, once the window has the focus."""
    focus(window)
    subprocess.run(["xdotool", "type", "--delay", "40", typed] if typed else
                   ["xdotool", "key", "--delay", "60", *names], check=True)


def opened():
    # What the program asked the stub xdg-open to open.
    path = os.environ["TALLOWBY_OPENED"]
    return open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []


def drive(run, done):
    # DRIVER.py PROGRAM SAMPLE WORK: PROGRAM in WORK/book beside a copy of SAMPLE.
    program_path, sample, work = sys.argv[1:4]
    book_dir = os.path.join(work, "book")
    shutil.copy(sample, os.path.join(book_dir, "names.dxl"))
    program = Program([program_path], cwd=book_dir)
    try:
        run(program, book_dir)
    except Failure as failure:
        sys.exit("FAILED: %s" % failure)
    finally:
        if program.process.poll() is None:
            program.process.kill()
    print(done)
