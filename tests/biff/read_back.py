#!/usr/bin/python3
"""Reads the worksheet written by InteropTest with xlrd and checks what a
spreadsheet reader makes of it: values, code page, fonts and cell styles.

Usage: read_back.py SHEET.xls
Exit status: 0 all checks pass, 1 a check failed, 77 xlrd is not installed.
"""
import sys

try:
    import xlrd
except ImportError:
    print("xlrd is not installed (Debian package python3-xlrd)")
    sys.exit(77)

failures = []


def check(what, got, want):
    if got != want:
        failures.append("%s: got %r, want %r" % (what, got, want))


book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
check("code page", book.codepage, 1252)
check("encoding", book.encoding, "cp1252")
check("BIFF version", book.biff_version, 21)
check("sheets", book.nsheets, 1)
sheet = book.sheet_by_index(0)

fonts = [(f.name, f.height, bool(f.bold), bool(f.italic), f.underline_type)
         for f in book.font_list]
check("fonts", fonts[:4], [("Verdana", 200, False, False, 0),
                           ("Verdana", 200, True, False, 0),
                           ("Verdana", 200, True, False, 1),
                           ("Courier", 280, True, True, 0)])
check("styles", len(book.xf_list), 2)

expected_rows = [
    ["Name", "Count", "Amount", "Note"],
    ["Zoë Müller", 42.0, 1234.5, "€5"],
    ["“Quoted” naïve café", -7.0, -0.25, "日本 ?"],
    ["Łukasz", 2.0, 3.25, ""],
]
check("rows", sheet.nrows, len(expected_rows))
check("columns", sheet.ncols, 4)
for r, row in enumerate(expected_rows):
    for c, want in enumerate(row):
        if r >= sheet.nrows or c >= sheet.ncols:
            continue
        cell = sheet.cell(r, c)
        if want == "日本 ?":
            want = "?? ?"          # no Windows-1252 code: one '?' each
        if want == "Łukasz":
            want = "?ukasz"
        check("value (%d,%d)" % (r, c), cell.value, want)
        want_type = xlrd.XL_CELL_NUMBER if isinstance(want, float) else xlrd.XL_CELL_TEXT
        check("type (%d,%d)" % (r, c), cell.ctype, want_type)
        xf = book.xf_list[cell.xf_index]
        font = book.font_list[xf.font_index]
        bold = r == 0
        check("bold (%d,%d)" % (r, c), bool(font.bold), bold)
        check("style (%d,%d)" % (r, c), cell.xf_index, 1 if bold else 0)

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("xlrd read %d rows, code page %d, header row bold" % (sheet.nrows, book.codepage))
