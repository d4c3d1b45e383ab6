"""The whole job with the real program, the X mouse and keyboard, and what a screen
reader reads on the way through AT-SPI, as Orca does: a name for every shown input,
button, link, choice and bar in every window, the boxes named by their labels on
every page, no decoration, and whose details the panel shows."""
import os

import pyatspi
from desktop import check, click, descendants, drive, find, has, keys, opened

NAMED_ROLES = {"text", "push button", "link", "progress bar", "radio button", "check box",
               "combo box", "tree", "page tab", "page tab list", "menu item", "image"}
PAGES = {  # the names of the boxes on each page, and of those always shown
    "Business Address": "Company|Job Title|Street|City|Zip|State|Country|Location|Web Page|Dept|Manager|Assistant",
    "Business Contact Information": "Office Phone|Office Fax|Cell Phone|Pager|Other Email 1|Other Email 2|Other Email 3",
    "Personal": "Street|City|State|Zip|Country|Spouse|Children|Home Phone|Home Fax|Cell Phone|Birthday|Anniversary",
    "Briefcase": "Comments", "Advanced": "Short Name|Phonetic Name|Mail Domain|Categories"}
ALWAYS = "Select Notes Address Book File|First|Middle|Last|Title|Suffix|Email"


def shown(window, roles):
    return [node for node in descendants(window) if node.getRoleName() in roles and has(node, pyatspi.STATE_SHOWING)]


def unnamed(window):
    """The shown objects a screen reader would announce without a name."""
    return ["%s in %s" % (node.getRoleName(), node.parent.name) for node in shown(window, NAMED_ROLES)
            if not node.name.strip()]


def run(program, book_dir):
    main_window = program.window("Corvane Tallowby v5.5")
    click(find(main_window, "text", "Select Notes Address Book File"))
    keys(main_window, typed="names.dxl")  # relative to the working folder
    keys(main_window, "Return")           # Enter in the path box scans
    box = program.window("Corvane Software")
    check("the scan's message", lambda: [n.name for n in shown(box, {"label"})], ["Notes Address Book Scan Completed"])
    click(find(box, "push button", "OK"))
    program.gone("Corvane Software")

    # Open "J" (a click, then the arrow key) and click the contact whose first name
    # holds "|".
    tree = find(main_window, "tree", "Contacts")
    click(find(tree, "table cell", "J", into_tables=True))
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
              sorted((ALWAYS + "|" + boxes).split("|")))
        check("unnamed controls on " + page, lambda: unnamed(main_window), [])
    find(main_window, "link", "https://www.corvane.example")

    keys(main_window, "alt+e")  # Export to Excel
    conversion = program.window("Conversion Options")
    check("unnamed controls of the conversion window", lambda: unnamed(conversion), [])
    click(find(conversion, "radio button", "Excel workbook (.xlsx): current Excel, LibreOffice, every language"))
    click(find(conversion, "push button", "Start Conversion"))
    click(find(program.window("Conversion Completed..."), "push button", "OK"))
    program.gone("Conversion Completed...")
    workbook = os.path.join(book_dir, "names.xlsx")
    click(find(conversion, "link", "Open Exported Excel File"))
    check("what the link opened", opened, [workbook])
    click(find(conversion, "push button", "OK"))
    program.gone("Conversion Options")
    check("what OK opened", opened, [workbook, "https://www.corvane.example/tallowby"])

    keys(program.window("Corvane Tallowby v5.5"), "alt+h", "a")  # Help, About
    about = program.window("About")
    check("unnamed controls of the About box", lambda: unnamed(about), [])
    keys(about, "Escape")
    program.gone("About")
    keys(program.window("Corvane Tallowby v5.5"), "ctrl+q")
    check("the exit status after Ctrl+Q", lambda: program.process.poll(), 0)


if __name__ == "__main__":
    drive(run, "The whole job went through, and a screen reader found every control by its name.")
