# Writes the import template workbook 模板.xls: one sheet whose first row holds the headings of
# columns.tsv (the columns the import reads, and 录入方式, which it accepts and ignores), each
# column as wide and formatted as the table says.
#   /usr/bin/python3 make_template.py <columns.tsv> <output 模板.xls>
import sys

import xlwt


def columns(table):
    with open(table, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                heading, width, number_format = line.split("\t")
                yield heading, int(width), number_format


def main(table, path):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    heading_style = xlwt.easyxf("font: bold on; align: horiz center")
    for column, (heading, width, number_format) in enumerate(columns(table)):
        sheet.write(0, column, heading, heading_style)
        sheet.col(column).width = 256 * width
        if number_format:
            sheet.col(column).set_style(xlwt.easyxf(num_format_str=number_format))
    book.save(path)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: make_template.py <columns.tsv> <output .xls>")
    main(sys.argv[1], sys.argv[2])
