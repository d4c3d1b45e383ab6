"""read_formats.py FORMAT FILE EXPECTED SCRATCH TITLE: see FormatsTest.cpp.

Reads an exported .xlsx workbook (openpyxl, then Gnumeric's ssconvert) or CSV file
(Python's csv module, then ssconvert) and names every cell that differs from
EXPECTED: rows separated by RS (0x1E), cells by US (0x1F), in UTF-8. Prints
"N rows agree" when all agree."""
import csv, os, re, subprocess, sys

# What a spreadsheet program takes for a value rather than text when it opens CSV.
LOOKS_LIKE_A_VALUE = re.compile(r"^[=+\-@0-9]|^(TRUE|FALSE)$")


def ssconvert(path, scratch):
    out = os.path.join(scratch, "ssconvert.csv")
    env = dict(os.environ, HOME=scratch, TMPDIR=scratch, XDG_CONFIG_HOME=scratch, XDG_CACHE_HOME=scratch)
    subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out], check=True,
                   capture_output=True, env=env)
    with open(out, encoding="utf-8", newline="") as f:
        return list(csv.reader(f))


def read_xlsx(path, title, problems):
    import openpyxl
    book = openpyxl.load_workbook(path)
    sheet = book["Contacts"]
    rows = list(sheet.iter_rows())
    last = "A1:AM%d" % len(rows)
    facts = {"sheets": book.sheetnames, "freeze": sheet.freeze_panes, "filter": sheet.auto_filter.ref,
             "title": book.properties.title, "author": book.properties.creator}
    want = {"sheets": ["Contacts"], "freeze": "A2", "filter": last, "title": title,
            "author": "Corvane Tallowby 5.5"}
    problems += ["openpyxl: %s is %r, expected %r" % (k, facts[k], want[k]) for k in want if facts[k] != want[k]]
    for r, row in enumerate(rows):
        for cell in row:
            if cell.value is not None and cell.data_type != "s":
                problems.append("openpyxl: %s is of type %r, not text" % (cell.coordinate, cell.data_type))
            if cell.value is not None and bool(cell.font.b) != (r == 0):
                problems.append("openpyxl: %s is %s" % (cell.coordinate, "plain" if r == 0 else "bold"))
    return {"openpyxl": [["" if c.value is None else c.value for c in row] for row in rows]}


def read_csv(path, problems):
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf"):
        problems.append("csv: no byte-order mark")
    if not raw.endswith(b"\r\n"):
        problems.append("csv: the last row does not end in CR LF")
    with open(path, encoding="utf-8-sig", newline="") as f:
        return {"csv": list(csv.reader(f, strict=True))}


def main(fmt, path, expected_file, scratch, title):
    with open(expected_file, encoding="utf-8", newline="") as f:
        expected = [row.split("\x1f") for row in f.read().split("\x1e")]
    problems = []
    reads = read_xlsx(path, title, problems) if fmt == "xlsx" else read_csv(path, problems)
    reads["ssconvert"] = ssconvert(path, scratch)
    for name, rows in reads.items():
        rows = [row + [""] * (39 - len(row)) for row in rows]  # trailing empty cells may be left out
        if len(rows) != len(expected):
            problems.append("%s: %d rows, expected %d" % (name, len(rows), len(expected)))
        for r, (got, want) in enumerate(zip(rows, expected)):
            for c in range(39):
                # Opening CSV, a spreadsheet program turns numbers, dates and formulas into values.
                if name == "ssconvert" and fmt == "csv" and LOOKS_LIKE_A_VALUE.match(want[c]):
                    continue
                if got[c] != want[c]:
                    problems.append("%s: row %d column %d is %r, expected %r" % (name, r, c, got[c][:80], want[c][:80]))
    print("\n".join(problems) or "%d rows agree" % len(expected))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
