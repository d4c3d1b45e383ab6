"""read_back.py WORKSHEET EXPECTED CSV_SCRATCH: see RealReadersTest in ExportRunTest.cpp."""
import csv, subprocess, sys, xlrd


def main(worksheet, expected_file, csv_file):
    # A reader shows at most 255 characters, and "?" for one that Windows-1252 lacks.
    with open(expected_file, encoding="utf-8", newline="") as f:
        expected = [[cell[:255].encode("cp1252", "replace").decode("cp1252") for cell in row.split("\x1f")]
                    for row in f.read().split("\x1e")]
    assert any(c > "\x7f" for row in expected for cell in row for c in cell), "the book has accents"
    sheet = xlrd.open_workbook(worksheet, formatting_info=True).sheet_by_index(0)
    cells = [[sheet.cell(r, c) for c in range(sheet.ncols)] for r in range(sheet.nrows)]
    bold = [[sheet.book.font_list[sheet.book.xf_list[cell.xf_index].font_index].bold for cell in row] for row in cells]
    subprocess.run(["ssconvert", "--export-type=Gnumeric_stf:stf_csv", worksheet, csv_file], check=True,
                   capture_output=True)
    with open(csv_file, encoding="utf-8", newline="") as f:
        reads = {"xlrd": [[str(cell.value) for cell in row] for row in cells], "ssconvert": list(csv.reader(f))}
    problems = ["xlrd: row %d is not all %s" % (r, "bold" if r == 0 else "plain")
                for r, row in enumerate(bold) if any(b != (r == 0) for b in row)]
    for name, rows in reads.items():
        rows = [row + [""] * (39 - len(row)) for row in rows]  # trailing empty cells may be left out
        problems += ["%s: %d rows, expected %d" % (name, len(rows), len(expected))] * (len(rows) != len(expected))
        problems += ["%s: row %d column %d is %r, expected %r" % (name, r, c, got[c], want[c])
                     for r, (got, want) in enumerate(zip(rows, expected)) for c in range(39) if got[c] != want[c]]
    print("\n".join(problems) or "%d rows agree" % len(expected))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
