# read_full.py FORMAT FILE EXPECTED.json SCRATCH: reads the whole book's export (the
# contacts and the groups) with openpyxl or Python's csv module, and the contacts with
# (a workbook's) Gnumeric's ssconvert too, against EXPECTED ({"contacts": rows, "groups": rows}, the
# header rows first); prints each difference, else "all rows agree".
import csv, json, os, subprocess, sys


def openpyxl_rows(path):
    import openpyxl
    book = openpyxl.load_workbook(path)
    problems = [] if book.sheetnames == ["Contacts", "Groups"] else ["sheets are %r" % book.sheetnames]
    sheets = {}
    for name in book.sheetnames:
        sheet = book[name]
        rows = [["" if c.value is None else c.value for c in row] for row in sheet.iter_rows()]
        if sheet.freeze_panes != "A2":
            problems.append("%s: the header is not frozen" % name)
        sheets[name.lower()] = rows
    return sheets, problems


def csv_rows(path):
    with open(path, encoding="utf-8-sig", newline="") as f:
        return list(csv.reader(f, strict=True))


def ssconvert_rows(path, scratch):
    out = os.path.join(scratch, "ssconvert.csv")
    env = dict(os.environ, HOME=scratch, TMPDIR=scratch, XDG_CONFIG_HOME=scratch, XDG_CACHE_HOME=scratch)
    subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", path, out], check=True,
                   capture_output=True, env=env)
    return csv_rows(out)


def compare(reader, got, want, problems):
    got = [row + [""] * (len(want[0]) - len(row)) for row in got]
    if len(got) != len(want):
        problems.append("%s: %d rows, expected %d" % (reader, len(got), len(want)))
    for r, (g, w) in enumerate(zip(got, want)):
        if g != w:
            problems.append("%s: row %d is %r, expected %r" % (reader, r, g, w))


def main(fmt, path, expected_file, scratch):
    with open(expected_file, encoding="utf-8") as f:
        expected = json.load(f)
    problems = []
    if fmt == "xlsx":
        sheets, problems = openpyxl_rows(path)
        compare("openpyxl contacts", sheets.get("contacts", []), expected["contacts"], problems)
        compare("openpyxl groups", sheets.get("groups", []), expected["groups"], problems)
        compare("ssconvert contacts", ssconvert_rows(path, scratch), expected["contacts"], problems)
    else:
        compare("csv contacts", csv_rows(path), expected["contacts"], problems)
        compare("csv groups", csv_rows(path[:-4] + "-groups.csv"), expected["groups"], problems)
    print("\n".join(problems) or "all rows agree")
    return 1 if problems else 0


sys.exit(main(*sys.argv[1:]))
