"""The whole job with the real program, the X mouse and the keyboard.

e2e_desktop.py PROGRAM SAMPLE WORK: types the sample's name relative to the working
folder, scans it, opens a category and clicks a contact with "|" in a value, reads
the panel, exports as .xlsx, clicks the link (the stub xdg-open records what it was
given) and OK, then ends the program with Ctrl+Q.
"""
import os
import shutil
import sys

from desktop import Failure, Program, click, find, keys, opened, text_of, type_text, wait_for


def expect(what, got, wanted):
    if got != wanted:
        raise Failure("%s: got %r, wanted %r" % (what, got, wanted))


def main(program_path, sample, work):
    book_dir = os.path.join(work, "book")
    shutil.copy(sample, os.path.join(book_dir, "names.dxl"))
    program = Program([program_path], cwd=book_dir)
    try:
        run(program, work, book_dir)
    finally:
        program.kill()


def run(program, work, book_dir):
    main_window = program.window("Corvane Tallowby v5.5")
    click(find(main_window, "text", "Select Notes Address Book File"))
    type_text("names.dxl")   # relative to the working folder
    keys("Return")           # Enter in the path box scans
    box = program.window("Corvane Software", timeout=60)
    click(find(box, "push button", "OK"))
    program.gone("Corvane Software")

    # Open "J" with a double click, then click the contact whose first name holds "|".
    tree = find(main_window, "tree", "Contacts")
    click(find(tree, "table cell", "J", into_tables=True), times=2)
    click(find(tree, "table cell", "Jo|Ann Pemberton", into_tables=True))
    expected = {"First": "Jo|Ann", "Last": "Pemberton", "Title": "Mx.", "Suffix": "",
                "Email": "jpemberton@northwind.example", "Company": "Northwind Traders"}
    for label, value in expected.items():
        expect("the box " + label, text_of(find(main_window, "text", label)), value)

    click(find(main_window, "push button", "Export to Excel"))
    conversion = program.window("Conversion Options")
    click(find(conversion, "radio button",
               "Excel workbook (.xlsx): current Excel, LibreOffice, every language"))
    click(find(conversion, "push button", "Start Conversion"))
    done = program.window("Conversion Completed...", timeout=60)
    click(find(done, "push button", "OK"))
    program.gone("Conversion Completed...")

    workbook = os.path.join(book_dir, "names.xlsx")
    if not os.path.getsize(workbook):
        raise Failure("the workbook is empty")
    recorded = os.environ["TALLOWBY_OPENED"]
    click(find(conversion, "link", "Open Exported Excel File"))
    wait_for("the link to open the workbook", lambda: opened(recorded) == [workbook])
    click(find(conversion, "push button", "OK"))
    program.gone("Conversion Options")
    wait_for("OK to open the product page",
             lambda: opened(recorded) == [workbook, "https://www.corvane.example/tallowby"])

    main_window = program.window("Corvane Tallowby v5.5")
    click(find(main_window, "text", "Select Notes Address Book File"))  # back to the window
    keys("ctrl+q")
    expect("the program's exit status", program.end(), 0)


if __name__ == "__main__":
    try:
        main(*sys.argv[1:4])
    except Failure as failure:
        print("FAILED:", failure)
        sys.exit(1)
    print("The whole job went through: scan, contact, export, link and OK.")
