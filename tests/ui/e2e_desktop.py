"""The whole job with the real program, the X mouse and keyboard, and what a screen
reader reads on the way through AT-SPI, as Orca does: a name for every shown input,
button, link, choice and bar in every window, the boxes named by their labels on
every page, no decoration, and whose details the panel shows. On the way: the window
made small enough for an 800 x 600 screen, another path after a scan (no export), a
cancelled file dialog (the path kept), Save As into another folder. A second run,
in a dark palette, scans a book of 32,767 persons, finds people with the filter box
and measures the contrast of the texts on the screen."""
import os
import subprocess
import sys
import time

import pyatspi
from desktop import (Failure, check, children, click, contrast, descendants, drive, extents, find, has, keys,
                     opened, wait_for)

NAMED_ROLES = {"text", "push button", "link", "progress bar", "radio button", "check box",
               "combo box", "tree", "page tab", "page tab list", "menu item", "image"}
PAGES = {  # the names of the boxes on each page, and of those always shown
    "Business Address": "Company|Job Title|Street|City|Zip|State|Country|Location|Web Page|Dept|Manager|Assistant",
    "Business Contact Information": "Office Phone|Office Fax|Cell Phone|Pager|Other Email 1|Other Email 2|Other Email 3",
    "Personal": "Street|City|State|Zip|Country|Spouse|Children|Home Phone|Home Fax|Cell Phone|Birthday|Anniversary",
    "Briefcase": "Comments", "Advanced": "Short Name|Phonetic Name|Mail Domain|Categories", "All Items": ""}
ALWAYS = "Select Notes Address Book File|Filter contacts|First|Middle|Last|Title|Suffix|Email"
MAIN = "Corvane Tallowby v5.5"


def shown(window, roles):
    return [node for node in descendants(window) if node.getRoleName() in roles and has(node, pyatspi.STATE_SHOWING)]


def unnamed(window):
    """The shown objects a screen reader would announce without a name."""
    return ["%s in %s" % (node.getRoleName(), node.parent.name) for node in shown(window, NAMED_ROLES)
            if not node.name.strip()]


def enabled(node):
    return has(node, pyatspi.STATE_SENSITIVE)


def resize_main_window(program, width, height):
    window_id = subprocess.run(["xdotool", "search", "--sync", "--pid", str(program.process.pid), "--name", MAIN],
                               check=True, capture_output=True, text=True).stdout.split()[0]
    subprocess.run(["xdotool", "windowsize", "--sync", window_id, str(width), str(height)], check=True)


def run(program, book_dir, number):
    if number == 1:
        return run_dark(program, book_dir)
    main_window = program.window(MAIN)
    # Small enough for an 800 x 600 screen, with the status line still in view.
    resize_main_window(program, 780, 540)
    check("the main window fits 800 x 600", lambda: extents(main_window)[2] <= 800 and extents(main_window)[3] <= 600,
          True)
    # Browse, then Esc in the file dialog: the path as it was.
    path_box = find(main_window, "text", "Select Notes Address Book File")
    click(path_box)
    keys(main_window, typed="kept.dxl")
    click(find(main_window, "push button", "Browse..."))
    dialog = wait_for("the file dialog", lambda: next(
        (w for w in program.app if w and w.name != MAIN and has(w, pyatspi.STATE_SHOWING)), None))
    keys(dialog, "Escape")
    check("the path after a cancel", lambda: path_box.queryText().getText(0, -1), "kept.dxl")

    click(path_box)
    keys(main_window, "ctrl+a")
    keys(main_window, typed="names.dxl")  # relative to the working folder
    keys(main_window, "Return")           # Enter in the path box scans
    box = program.window("Corvane Software")
    check("the scan's message", lambda: [n.name for n in shown(box, {"label"})], ["Notes Address Book Scan Completed"])
    click(find(box, "push button", "OK"))
    program.gone("Corvane Software")
    export = find(main_window, "push button", "Export to Excel")
    check("the export after the scan", lambda: enabled(export), True)
    find(main_window, "label", "215 contacts from Corvane Directory")
    # Another path: no export of a book not scanned; the book scanned again: export.
    click(path_box)
    keys(main_window, "End")
    keys(main_window, typed="x")
    check("the export for another path", lambda: enabled(export), False)
    keys(main_window, "BackSpace")
    check("the export for the book scanned", lambda: enabled(export), True)

    # Open "J" (a click, then the arrow key) and click the contact whose first name
    # holds "|".
    tree = find(main_window, "tree", "Contacts")
    click(find(tree, "table cell", "J (9)", into_tables=True))
    keys(main_window, "Right")
    click(find(tree, "table cell", "Jo|Ann Pemberton", into_tables=True))
    check("the panel's description", lambda: find(main_window, "panel", "Notes Contacts Details").description,
          "Jo|Ann Pemberton")
    for label, value in {"First": "Jo|Ann", "Last": "Pemberton", "Title": "Mx.", "Suffix": "",
                         "Email": "jpemberton@northwind.example", "Company": "Northwind Traders"}.items():
        check("the box " + label, lambda: find(main_window, "text", label).queryText().getText(0, -1), value)
    find(main_window, "image", "Contact")
    tabs = find(main_window, "page tab list", "Business Address")
    for page, boxes in PAGES.items():
        click(find(tabs, "page tab", page))
        check("the boxes on " + page, lambda: sorted(n.name for n in shown(main_window, {"text"})),
              sorted((ALWAYS + ("|" + boxes if boxes else "")).split("|")))
        check("unnamed controls on " + page, lambda: unnamed(main_window), [])
    find(main_window, "tree", "All Items")
    # This build names no web site: no link in the footer.
    check("links in the main window", lambda: [n.name for n in shown(main_window, {"link"})], [])

    keys(main_window, "alt+e")  # Export to Excel
    conversion = program.window("Conversion Options")
    check("unnamed controls of the conversion window", lambda: unnamed(conversion), [])
    click(find(conversion, "radio button", "Excel workbook (.xlsx): current Excel, LibreOffice, every language"))
    check("the file beside the book", lambda: find(conversion, "text", "File").queryText().getText(0, -1),
          os.path.join(book_dir, "names.xlsx"))
    # Save As into another folder, through the real dialog.
    other = os.path.join(os.path.dirname(book_dir), "home", "Contacts")
    os.makedirs(other, exist_ok=True)
    workbook = os.path.join(other, "anna.xlsx")
    click(find(conversion, "push button", "Save As..."))
    save = wait_for("the save dialog", lambda: next(
        (w for w in program.app if w and w.name not in (MAIN, "Conversion Options") and has(w, pyatspi.STATE_SHOWING)),
        None))
    keys(save, "ctrl+a")
    keys(save, typed=workbook)
    keys(save, "Return")
    check("the file chosen", lambda: find(conversion, "text", "File").queryText().getText(0, -1), workbook)
    click(find(conversion, "push button", "Start Conversion"))
    done = program.window("Conversion Completed...")
    check("the completion message names the file",
          lambda: any(n.name.endswith("File: " + workbook) for n in shown(done, {"label"})), True)
    click(find(done, "push button", "OK"))
    program.gone("Conversion Completed...")
    find(conversion, "label", workbook)  # the done panel names it
    check("the workbook", lambda: os.path.isfile(workbook), True)
    click(find(conversion, "link", "Open Exported Excel File"))
    check("what the link opened", opened, [workbook])
    click(find(conversion, "push button", "OK"))
    program.gone("Conversion Options")
    check("what OK opened", opened, [workbook])  # no web page: this build names none

    keys(program.window(MAIN), "alt+h", "a")  # Help, About
    about = program.window("About")
    check("unnamed controls of the About box", lambda: unnamed(about), [])
    click(find(about, "push button", "OK"))
    program.gone("About")
    keys(program.window(MAIN), "ctrl+q")
    check("the exit status after Ctrl+Q", lambda: program.process.poll(), 0)


def run_dark(program, book_dir):
    """In a dark palette: a book of 32,767 persons scanned and searched; every text
    read off the screen stands out from its background by at least 4.5:1."""
    big = os.path.join(book_dir, "big.dxl")
    subprocess.run([sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                                 "examples", "make_book.py"), "32767", big, "--quiet"], check=True)
    main_window = program.window(MAIN)
    click(find(main_window, "text", "Select Notes Address Book File"))
    keys(main_window, typed=big)
    start = time.monotonic()
    keys(main_window, "Return")
    box = program.window("Corvane Software")
    scanned = time.monotonic() - start
    click(find(box, "push button", "OK"))
    program.gone("Corvane Software")
    find(main_window, "label", "32767 contacts from " + find_title(main_window))
    tree = find(main_window, "tree", "Contacts")
    filter_box = find(main_window, "text", "Filter contacts")
    click(filter_box)
    start = time.monotonic()
    keys(main_window, typed="xqzj")  # in no name, company or address of the book: no letter left
    check("the tree for a text no one holds", lambda: rows(tree), ["Notes Address Book"])
    found_none = time.monotonic() - start
    keys(main_window, "ctrl+a")
    keys(main_window, typed="ZOLTAN MARIA ZHANG")  # in any case: the letter Z, opened, with its count
    check("the tree for one name", lambda: rows(tree)[:3],
          ["Notes Address Book", "Z (1)", "Zoltan Maria Zhang"])
    keys(main_window, "ctrl+a", "BackSpace")
    check("the letters again", lambda: len([c for c in descendants(tree, True) if c.getRoleName() == "table cell"])
          >= 28, True)
    print("32,767 persons: scan through the window %.1f s (with the message); filter typed and shown %.1f s"
          % (scanned, found_none))
    for name in ("Tallowby", "Select Notes Address Book File", "Corvane Software"):
        node = find(main_window, "label", name)
        ratio = contrast(node)
        if ratio < 4.5:
            raise Failure("%r: contrast %.2f:1 in the dark palette" % (name, ratio))
    first = find(main_window, "text", "Filter contacts")
    if contrast(first) < 1.5:
        raise Failure("the filter box cannot be told from the window")
    keys(main_window, "alt+e")
    conversion = program.window("Conversion Options")
    for name in ("Address book to Excel worksheet", "Excel 2.1 worksheet (.xls)"):
        role = "label" if name.startswith("Address") else "radio button"
        ratio = contrast(find(conversion, role, name))
        if ratio < 4.5:
            raise Failure("%r: contrast %.2f:1 in the dark palette" % (name, ratio))
    keys(conversion, "Escape")
    program.gone("Conversion Options")
    keys(program.window(MAIN), "ctrl+q")
    check("the exit status after Ctrl+Q", lambda: program.process.poll(), 0)


def rows(tree):
    return [c.name for c in children(tree) if c.getRoleName() == "table cell"]


def find_title(main_window):
    status = wait_for("the status line", lambda: next(
        (n for n in descendants(main_window) if n.getRoleName() == "label" and n.name.startswith("32767 contacts from")),
        None))
    return status.name[len("32767 contacts from "):]


if __name__ == "__main__":
    drive(run, "The whole job went through, and a screen reader found every control by its name; "
               "in a dark palette every text read stood out.", runs=2)
