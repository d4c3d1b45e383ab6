"""The real program on a desktop, as a person and a screen reader meet it.

Finds the program's windows and controls through the accessibility bus (AT-SPI, what
Orca reads) and acts on them with the X server's own mouse and keyboard (xdotool), so
that a click lands on whatever lies on top at that place of the screen. Runs inside
the session that run_desktop_test.sh sets up.
"""
import os
import subprocess
import time

import pyatspi


class Failure(Exception):
    pass


def wait_for(what, probe, timeout=20.0):
    """Polls probe() until it gives something true; fails naming `what`."""
    deadline = time.monotonic() + timeout
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


def showing(node):
    return node.getState().contains(pyatspi.STATE_SHOWING)


def descendants(node, into_tables=False):
    """Every object under node, depth first; a tree's rows only when asked."""
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        yield child
        if into_tables or child.getRoleName() not in ("tree", "tree table", "table"):
            yield from descendants(child, into_tables)


class Program:
    """The program started with `args` in folder `cwd`, and what AT-SPI shows of it."""

    def __init__(self, command, cwd):
        # The accessibility bus runs before the program starts, so that it registers.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                       check=True, stdout=subprocess.DEVNULL)
        self.process = subprocess.Popen(command, cwd=cwd)
        self.app = wait_for("the program on the accessibility bus", self._find_app)

    def _find_app(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.get_process_id() == self.process.pid:
                return app
        return None

    def window(self, name, timeout=20.0):
        """The shown top-level window (frame, dialog, alert) of that title."""
        def probe():
            for i in range(self.app.childCount):
                w = self.app.getChildAtIndex(i)
                if w is not None and w.name == name and showing(w):
                    return w
            return None
        return wait_for("the window " + repr(name), probe, timeout)

    def gone(self, name, timeout=20.0):
        def probe():
            for i in range(self.app.childCount):
                w = self.app.getChildAtIndex(i)
                if w is not None and w.name == name and showing(w):
                    return False
            return True
        wait_for("the window " + repr(name) + " to close", probe, timeout)

    def end(self, timeout=10.0):
        """The program's exit status once it has ended by itself."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failure("the program did not end")

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def find(root, role, name, timeout=20.0, into_tables=False):
    """The shown object under root with that role and name."""
    def probe():
        for node in descendants(root, into_tables):
            if node.getRoleName() == role and node.name == name and showing(node):
                return node
        return None
    return wait_for("%s %r" % (role, name), probe, timeout)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


def centre(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    if box.width <= 0 or box.height <= 0:
        raise Failure("%r has no place on the screen" % node.name)
    return box.x + box.width // 2, box.y + box.height // 2


def xdotool(*args):
    subprocess.run(["xdotool", *args], check=True)


def click(node, times=1):
    """Moves the X pointer to the middle of node and clicks the left button."""
    x, y = centre(node)
    xdotool("mousemove", "--sync", str(x), str(y))
    xdotool("click", "--repeat", str(times), "--delay", "80", "1")


def keys(*names):
    xdotool("key", "--delay", "60", *names)


def type_text(text):
    xdotool("type", "--delay", "40", text)


def opened(path):
    """The lines the stub xdg-open recorded: what the program asked it to open."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        return f.read().splitlines()
