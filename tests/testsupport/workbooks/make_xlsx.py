# Writes a real .xlsx workbook for the import tests with openpyxl, from a JSON description:
#   {"path": "...", "date1904": false, "sheets": [{"name": "Sheet1", "rows": [[cell, ...], ...]}]}
# A cell is null (nothing written), a string, a number, or an object:
#   {"date": "2020-01-01"}, {"datetime": "2024-01-31 13:05:09"}, {"time": "13:05:09"}
#     with an optional "format" (a number format code, default yyyy-mm-dd, yyyy-mm-dd hh:mm:ss,
#     hh:mm:ss), or a built-in format's id as "formatId";
#   {"number": 45000.5, "format": "yyyy-mm-dd"}, {"bool": true}, {"formula": "=1+2"}.
# {"path": "...", "bombMiB": 600} writes instead a package whose sheet part expands to that many
# MiB of blanks.
import datetime
import json
import sys
import zipfile

import openpyxl
from openpyxl.styles.numbers import BUILTIN_FORMATS
from openpyxl.utils.datetime import CALENDAR_MAC_1904

DEFAULT_FORMATS = {"date": "yyyy-mm-dd", "datetime": "yyyy-mm-dd hh:mm:ss", "time": "hh:mm:ss"}


def value_of(cell):
    if "date" in cell:
        return datetime.datetime.strptime(cell["date"], "%Y-%m-%d").date()
    if "datetime" in cell:
        return datetime.datetime.strptime(cell["datetime"], "%Y-%m-%d %H:%M:%S")
    if "time" in cell:
        return datetime.datetime.strptime(cell["time"], "%H:%M:%S").time()
    if "number" in cell:
        return cell["number"]
    if "bool" in cell:
        return cell["bool"]
    return cell["formula"]


def write(sheet, r, c, cell):
    if cell is None:
        return
    if not isinstance(cell, dict):
        sheet.cell(row=r + 1, column=c + 1, value=cell)
        return
    target = sheet.cell(row=r + 1, column=c + 1, value=value_of(cell))
    kind = next((k for k in DEFAULT_FORMATS if k in cell), None)
    if "formatId" in cell:
        target.number_format = BUILTIN_FORMATS[cell["formatId"]]
    elif "format" in cell:
        target.number_format = cell["format"]
    elif kind:
        target.number_format = DEFAULT_FORMATS[kind]


BOMB_PARTS = {
    "_rels/.rels": '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/'
    'relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/'
    'officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
    "xl/workbook.xml": '<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/'
    'main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
    '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>',
    "xl/_rels/workbook.xml.rels": '<Relationships xmlns="http://schemas.openxmlformats.org/'
    'package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.'
    'org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
    "</Relationships>",
}


def write_bomb(path, mib):
    with zipfile.ZipFile(path, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        for name, text in BOMB_PARTS.items():
            z.writestr(name, text)
        with z.open("xl/worksheets/sheet1.xml", "w", force_zip64=True) as f:
            f.write(b"<worksheet><sheetData>")
            blanks = b" " * (1 << 20)
            for _ in range(mib):
                f.write(blanks)


def main(path):
    with open(path, encoding="utf-8") as f:
        workbook = json.load(f)
    if "bombMiB" in workbook:
        write_bomb(workbook["path"], workbook["bombMiB"])
        return
    book = openpyxl.Workbook()
    if workbook.get("date1904"):
        book.epoch = CALENDAR_MAC_1904
    book.remove(book.active)
    for s in workbook["sheets"]:
        sheet = book.create_sheet(s["name"])
        for r, row in enumerate(s["rows"]):
            for c, cell in enumerate(row):
                write(sheet, r, c, cell)
    book.save(workbook["path"])


if __name__ == "__main__":
    main(sys.argv[1])
