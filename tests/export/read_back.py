"""Reads a worksheet with xlrd and prints every cell of its first sheet as
ROW TAB COLUMN TAB BOLD TAB HEX, HEX being the cell's text in UTF-8 as hex digits.

Usage: /usr/bin/python3 read_back.py WORKSHEET OUT
"""
import sys

import xlrd


def main(path, out):
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)
    with open(out, "w", encoding="ascii") as f:
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype == xlrd.XL_CELL_EMPTY:
                    continue
                font = book.font_list[book.xf_list[cell.xf_index].font_index]
                bold = 1 if (font.bold or font.weight >= 700) else 0
                text = cell.value if isinstance(cell.value, str) else repr(cell.value)
                f.write("%d\t%d\t%d\t%s\n" % (r, c, bold, text.encode("utf-8").hex()))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
