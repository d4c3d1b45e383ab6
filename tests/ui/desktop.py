"""The real program on a desktop: its windows and controls found through the
accessibility bus (AT-SPI, what Orca reads), acted on with the X server's mouse and
keyboard (xdotool), so that a click lands on whatever lies on top there. The program
answers in its own time: checks wait until what they read holds, and keys go only to
a window that has the keyboard focus."""
import os
import shutil
import struct
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
    def __init__(self, command, cwd, env=None):
        # The accessibility bus runs before the program starts, so that it registers.
        subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                        "/org/a11y/bus", "org.a11y.Bus.GetAddress"], check=True, stdout=subprocess.DEVNULL)
        self.process = subprocess.Popen(command, cwd=cwd, env=env)
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


def extents(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def screen_pixels():
    """The X screen as Xvfb keeps it in its frame buffer file (XWD, 32 bits a pixel):
    a function from (x, y) to (red, green, blue)."""
    data = open(os.environ["TALLOWBY_SCREEN"], "rb").read()
    header = struct.unpack(">25I", data[:100])
    header_size, bits_per_pixel, bytes_per_line, colours = header[0], header[11], header[12], header[19]
    if bits_per_pixel != 32:
        raise Failure("the screen has %d bits a pixel" % bits_per_pixel)
    start = header_size + colours * 12
    little = header[7] == 0  # the byte order: LSBFirst

    def pixel(x, y):
        offset = start + y * bytes_per_line + x * 4
        b0, b1, b2, b3 = data[offset:offset + 4]
        return (b2, b1, b0) if little else (b1, b2, b3)
    return pixel


def luminance(rgb):
    def channel(value):
        c = value / 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(node):
    """The contrast of a control's text on the screen: the commonest colour of its
    place is the background, the colour furthest from it the text."""
    x0, y0, width, height = extents(node)
    pixel = screen_pixels()
    counts = {}
    for y in range(y0, y0 + height):
        for x in range(x0, x0 + width):
            rgb = pixel(x, y)
            counts[rgb] = counts.get(rgb, 0) + 1
    background = luminance(max(counts, key=counts.get))
    return max((max(l, background) + 0.05) / (min(l, background) + 0.05)
               for l in (luminance(c) for c in counts))


def opened():
    # What the program asked the stub xdg-open to open.
    path = os.environ["TALLOWBY_OPENED"]
    return open(path, encoding="utf-8").read().splitlines() if os.path.exists(path) else []


def drive(run, done, runs=1):
    """DRIVER.py PROGRAM SAMPLE WORK: PROGRAM in WORK/book beside a copy of SAMPLE, as
    many runs of it as asked: run(program, book_dir, number) for each."""
    program_path, sample, work = sys.argv[1:4]
    book_dir = os.path.join(work, "book")
    shutil.copy(sample, os.path.join(book_dir, "names.dxl"))
    for number in range(runs):
        env = dict(os.environ, TALLOWBY_PALETTE="dark") if number == 1 else None
        program = Program([program_path], cwd=book_dir, env=env)
        try:
            run(program, book_dir, number)
        except Failure as failure:
            sys.exit("FAILED: %s" % failure)
        finally:
            if program.process.poll() is None:
                program.process.kill()
                program.process.wait()
    print(done)
