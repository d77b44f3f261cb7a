# Writes a real BIFF8 workbook for the import tests from a JSON description:
#   {"path": "...", "sheets": [{"name": "Sheet1", "rows": [[cell, ...], ...]}]}
# A cell is null (nothing written), a string, a number, or an object
# {"date": "2020-01-01"}, {"datetime": "2024-01-31 13:05:09"}, {"time": "13:05:09"},
# {"blank": true} (an empty cell that has a format).
import datetime
import json
import sys

import xlwt

DATE = xlwt.easyxf(num_format_str="yyyy-mm-dd")
DATETIME = xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss")
TIME = xlwt.easyxf(num_format_str="hh:mm:ss")
BLANK = xlwt.easyxf("font: bold on")


def write(sheet, r, c, cell):
    if cell is None:
        return
    if isinstance(cell, dict):
        if "date" in cell:
            sheet.write(r, c, datetime.datetime.strptime(cell["date"], "%Y-%m-%d").date(), DATE)
        elif "datetime" in cell:
            value = datetime.datetime.strptime(cell["datetime"], "%Y-%m-%d %H:%M:%S")
            sheet.write(r, c, value, DATETIME)
        elif "time" in cell:
            sheet.write(r, c, datetime.datetime.strptime(cell["time"], "%H:%M:%S").time(), TIME)
        elif "blank" in cell:
            sheet.write(r, c, None, BLANK)
        return
    sheet.write(r, c, cell)


def main(description):
    with open(description, encoding="utf-8") as f:
        spec = json.load(f)
    book = xlwt.Workbook(encoding="utf-8")
    for s in spec["sheets"]:
        sheet = book.add_sheet(s["name"])
        for r, row in enumerate(s["rows"]):
            for c, cell in enumerate(row):
                write(sheet, r, c, cell)
    book.save(spec["path"])


if __name__ == "__main__":
    main(sys.argv[1])
