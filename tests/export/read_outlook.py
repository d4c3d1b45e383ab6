# read_outlook.py EXPECTED FILE: reads an Outlook CSV export with Python's csv module and
# compares it with EXPECTED (JSON: {"header": [the column names], "rows": [{column: value}
# for every non-empty cell of each row]}). Checks the byte-order mark and CR LF row ends.
# Prints each difference, else "N rows agree".
import csv, json, sys


def main(expected_file, path):
    with open(expected_file, encoding="utf-8") as f:
        expected = json.load(f)
    problems = []
    with open(path, "rb") as f:
        raw = f.read()
    if not raw.startswith(b"\xef\xbb\xbf") or not raw.endswith(b"\r\n"):
        problems.append("no byte-order mark, or the last row does not end in CR LF")
    with open(path, encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f, strict=True))
    header, rows = rows[0], rows[1:]
    if header != expected["header"]:
        problems.append("header: %r" % header)
    if len(rows) != len(expected["rows"]):
        problems.append("%d rows, expected %d" % (len(rows), len(expected["rows"])))
    for r, (row, want) in enumerate(zip(rows, expected["rows"])):
        if len(row) != len(header):
            problems.append("row %d has %d cells" % (r, len(row)))
        have = {header[c]: cell for c, cell in enumerate(row) if cell and c < len(header)}
        for column in sorted(set(have) | set(want)):
            if have.get(column, "") != want.get(column, ""):
                problems.append("row %d %s: %r, expected %r" % (r, column, have.get(column, ""), want.get(column, "")))
    print("\n".join(problems) or "%d rows agree" % len(rows))
    return 1 if problems else 0


sys.exit(main(*sys.argv[1:]))
