#!/usr/bin/env python3
"""Usage: count_rows.py WORKBOOK OUTPUT
The export's workbook holds the header row and one row per contact that the export's
OUTPUT (what tallowby-cli printed) says it saved."""
import re
import sys

import openpyxl

said = re.search(r"^(\d+) Contacts Saved Successfully", open(sys.argv[2], encoding="utf-8").read(), re.M)
rows = openpyxl.load_workbook(sys.argv[1])["Contacts"].max_row
if not said or rows - 1 != int(said.group(1)):
    sys.exit(f"{sys.argv[1]}: {rows} rows, the export said: {said.group(0) if said else 'nothing'}")
print(f"{rows - 1} contacts and the header row")
