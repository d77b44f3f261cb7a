# Prints what openpyxl reads from an .xlsx workbook, for the export tests to compare:
#   sheets <names>
#   width <column letter> <width in characters, 2 decimals>
#   <cell> <type of the value> <value> | <number format> | <horizontal alignment>
# Empty cells are left out.
#   /usr/bin/python3 read_xlsx.py <workbook.xlsx>
import sys

import openpyxl


def main(path):
    book = openpyxl.load_workbook(path)
    print("sheets", " ".join(book.sheetnames))
    sheet = book.worksheets[0]
    for letter, dimension in sorted(sheet.column_dimensions.items()):
        print("width", letter, "%.2f" % dimension.width)
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            print(cell.coordinate, type(cell.value).__name__, cell.value, "|", cell.number_format,
                  "|", cell.alignment.horizontal)


if __name__ == "__main__":
    main(sys.argv[1])
