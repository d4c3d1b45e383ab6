# read_formats.py FORMAT FILE EXPECTED SCRATCH TITLE: reads an export with xlrd, openpyxl or
# Python's csv module, then with Gnumeric's ssconvert, against EXPECTED, the book's cells (RS
# 0x1E between rows, US 0x1F between cells); prints each cell that differs, else "N rows agree".
import csv, os, re, subprocess, sys

# What a program opening CSV takes for a formula, a number, a date or a boolean, not text.
LOOKS_LIKE_A_VALUE = re.compile(r"^[=+\-@'0-9]|^\s+[-+.0-9]|^(TRUE|FALSE)$")


def kept(fmt, value):
    if fmt == "xls":  # 255 characters, in Windows-1252
        return value[:255].encode("cp1252", "replace").decode("cp1252")
    if fmt == "xlsx":  # a line break is LF; 32,767 UTF-16 units, no pair split
        units = value.replace("\r\n", "\n").replace("\r", "\n").encode("utf-16-le")[:2 * 32767]
        return units[:-2 if 0xD800 <= int.from_bytes(units[-2:], "little") <= 0xDBFF else None].decode("utf-16-le")
    return value


def ssconvert(path, scratch, title, problems):
    out, home = os.path.join(scratch, "ssconvert.csv"), {k: scratch for k in ("HOME", "TMPDIR", "XDG_CONFIG_HOME",
                                                                               "XDG_CACHE_HOME")}
    subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out], check=True, capture_output=True,
                   env=dict(os.environ, **home))
    with open(out, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


def xlrd(path, scratch, title, problems):
    import xlrd
    sheet = xlrd.open_workbook(path, formatting_info=True).sheet_by_index(0)
    fonts, styles = sheet.book.font_list, sheet.book.xf_list
    problems += ["xlrd: row %d is not all %s" % (r, "bold" if r == 0 else "plain") for r in range(sheet.nrows)
                 if any(fonts[styles[c.xf_index].font_index].bold != (r == 0) for c in sheet.row(r))]
    return [[str(c.value) for c in sheet.row(r)] for r in range(sheet.nrows)]


def openpyxl(path, scratch, title, problems):
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book["Contacts"]
    rows = list(sheet.iter_rows())
    facts = {"sheets": book.sheetnames, "freeze": sheet.freeze_panes, "filter": sheet.auto_filter.ref,
             "title": book.properties.title, "author": book.properties.creator}
    want = {"sheets": ["Contacts"], "freeze": "A2", "filter": "A1:AM%d" % len(rows), "title": title,
            "author": "Corvane Tallowby 5.5"}
    problems += ["openpyxl: %s is %r, expected %r" % (k, facts[k], want[k]) for k in want if facts[k] != want[k]]
    problems += ["openpyxl: %s is not %s text" % (c.coordinate, "bold" if r == 0 else "plain")
                 for r, row in enumerate(rows) for c in row
                 if c.value is not None and (c.data_type != "s" or bool(c.font.b) != (r == 0))]
    # A cell with a line break wraps; each column is as wide as its longest line (at
    # most 50 characters), and two more.
    problems += ["openpyxl: %s %s" % (c.coordinate, "does not wrap" if "\n" in c.value else "wraps")
                 for row in rows[1:] for c in row
                 if c.value is not None and bool(c.alignment.wrap_text) != ("\n" in c.value)]
    for index, cells in enumerate(zip(*rows)):
        longest = max(len(line) for c in cells if c.value is not None for line in c.value.split("\n"))
        letter = openpyxl.utils.get_column_letter(index + 1)
        width = sheet.column_dimensions[letter].width
        if not 0 <= width - (min(longest, 50) + 2) < 1:  # the library adds its own padding
            problems.append("openpyxl: column %s is %s wide, expected %s" % (letter, width, min(longest, 50) + 2))
    return [["" if c.value is None else c.value for c in row] for row in rows]


def csv_module(path, scratch, title, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf") or not raw.endswith(b"\r\n"):
        problems.append("csv: no byte-order mark, or the last row does not end in CR LF")
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f, strict=True))


def main(fmt, path, expected_file, scratch, title):
    with open(expected_file, encoding="utf-8", newline="") as f:
        expected = [[kept(fmt, cell) for cell in row.split("\x1f")] for row in f.read().split("\x1e")]
    problems = []
    for reader in ({"xls": xlrd, "xlsx": openpyxl, "csv": csv_module}[fmt], ssconvert):
        rows = [r + [""] * (39 - len(r)) for r in reader(path, scratch, title, problems)]  # trailing cells may be missing
        if len(rows) != len(expected):
            problems.append("%s: %d rows, expected %d" % (reader.__name__, len(rows), len(expected)))
        problems += ["%s: row %d column %d is %r, expected %r" % (reader.__name__, r, c, got[c][:80], want[c][:80])
                     for r, (got, want) in enumerate(zip(rows, expected)) for c in range(39) if got[c] != want[c]
                     and not (reader == ssconvert and fmt == "csv" and LOOKS_LIKE_A_VALUE.match(want[c]))]
    print("\n".join(problems) or "%d rows agree" % len(expected))
    return 1 if problems else 0


sys.exit(main(*sys.argv[1:]))
