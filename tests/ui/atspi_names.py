"""What a screen reader gets: the names on the accessibility bus (AT-SPI).

atspi_names.py PROGRAM SAMPLE WORK: starts the program with the sample, and reads
through AT-SPI, as Orca does, that every shown input, button, link, choice and bar
has a name, that the boxes carry the names of their labels on every page, that
decoration is not shown to it, and that the panel says whose details it shows. The
keyboard alone drives the program here.
"""
import os
import shutil
import sys

from desktop import Failure, Program, descendants, find, keys, showing, text_of, wait_for

NAMED_ROLES = {"text", "push button", "link", "progress bar", "radio button", "check box",
               "combo box", "tree", "page tab", "page tab list", "menu item", "image"}

PAGES = {
    "Business Address": ["Company", "Job Title", "Street", "City", "Zip", "State", "Country",
                         "Location", "Web Page", "Dept", "Manager", "Assistant"],
    "Business Contact Information": ["Office Phone", "Office Fax", "Cell Phone", "Pager",
                                     "Other Email 1", "Other Email 2", "Other Email 3"],
    "Personal": ["Street", "City", "State", "Zip", "Country", "Spouse", "Children", "Home Phone",
                 "Home Fax", "Cell Phone", "Birthday", "Anniversary"],
    "Briefcase": ["Comments"],
    "Advanced": ["Short Name", "Phonetic Name", "Mail Domain", "Categories"],
}
ALWAYS = ["Select Notes Address Book File", "First", "Middle", "Last", "Title", "Suffix", "Email"]


def unnamed(window):
    """The shown objects a screen reader would announce without a name."""
    return ["%s in %s" % (node.getRoleName(), node.parent.name)
            for node in descendants(window)
            if node.getRoleName() in NAMED_ROLES and showing(node) and not node.name.strip()]


def shown_boxes(window):
    return sorted(node.name for node in descendants(window)
                  if node.getRoleName() == "text" and showing(node))


def main(program_path, sample, work):
    book = os.path.join(work, "book", "names.dxl")
    shutil.copy(sample, book)
    program = Program([program_path, book], cwd=os.path.dirname(book))
    try:
        run(program)
    finally:
        program.kill()


def check(what, got, wanted):
    if got != wanted:
        raise Failure("%s: got %r, wanted %r" % (what, got, wanted))


def run(program):
    window = program.window("Corvane Tallowby v5.5")
    find(window, "text", "Select Notes Address Book File")
    keys("alt+n")  # Scan Notes Contacts
    box = program.window("Corvane Software", timeout=60)
    check("the scan's message", [n.name for n in descendants(box) if n.getRoleName() == "label"],
          ["Notes Address Book Scan Completed"])
    keys("Return")
    program.gone("Corvane Software")

    # To the letter J, open it, and down to its contacts until Jo|Ann Pemberton.
    keys("j", "Right")
    heading = None
    for _ in range(12):
        keys("Down")
        panel = find(window, "panel", "Notes Contacts Details")
        heading = panel.description
        if heading == "Jo|Ann Pemberton":
            break
    check("the panel's description", heading, "Jo|Ann Pemberton")
    check("the contact picture", find(window, "image", "Contact").name, "Contact")
    check("the First box", text_of(find(window, "text", "First")), "Jo|Ann")

    tabs = find(window, "page tab list", "Business Address")
    for page, boxes in PAGES.items():
        tab = find(tabs, "page tab", page)
        tab.queryAction().doAction(0)
        wait_for("the page " + page, lambda: find(window, "text", boxes[0], timeout=2))
        check("the boxes on " + page, shown_boxes(window), sorted(ALWAYS + boxes))
        check("unnamed controls on " + page, unnamed(window), [])
    check("the footer link", find(window, "link", "https://www.corvane.example").name,
          "https://www.corvane.example")
    keys("alt+e")  # Export to Excel
    conversion = program.window("Conversion Options")
    check("unnamed controls of the conversion window", unnamed(conversion), [])
    check("the formats", sorted(n.name for n in descendants(conversion)
                                if n.getRoleName() == "radio button"),
          ["CSV, UTF-8 (.csv): for other programs", "Excel 2.1 worksheet (.xls)",
           "Excel workbook (.xlsx): current Excel, LibreOffice, every language"])
    find(conversion, "progress bar", "Export progress")
    keys("Escape")
    program.gone("Conversion Options")
    keys("ctrl+q")
    check("the program's exit status", program.end(), 0)


if __name__ == "__main__":
    try:
        main(*sys.argv[1:4])
    except Failure as failure:
        print("FAILED:", failure)
        sys.exit(1)
    print("A screen reader finds every control by its name.")
