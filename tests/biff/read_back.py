# Prints xlrd's view of a worksheet: code page, BIFF version, styles, fonts, cells.
import sys
import xlrd

sys.stdout.reconfigure(encoding="utf-8")
book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print(book.codepage, book.biff_version, len(book.xf_list))
for f in book.font_list:
    print(f.name, f.height, f.bold, f.italic, f.underline_type)
for row in book.sheet_by_index(0).get_rows():
    print(" | ".join("%r %d xf%d%s" % (c.value, c.ctype, c.xf_index, " bold" if book.font_list[
        book.xf_list[c.xf_index].font_index].bold else "") for c in row))
