# Writes the import template workbook: one sheet whose first row holds the headings the import
# reads (and 录入方式, which it accepts and ignores), with the code, number and date columns
# formatted as text so that leading zeros typed into them stay.
#   /usr/bin/python3 make_template.py <output 模板.xls>
import sys

import xlwt

HEADINGS = ["发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人", "录入方式"]
TEXT_COLUMNS = {"发票代码", "发票号码", "开票日期", "报销人", "录入方式"}
WIDTHS = [16, 24, 12, 12, 20, 12, 10]  # characters


def main(path):
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    heading = xlwt.easyxf("font: bold on; align: horiz center")
    text = xlwt.easyxf(num_format_str="@")
    amount = xlwt.easyxf(num_format_str="0.00")
    for column, name in enumerate(HEADINGS):
        sheet.write(0, column, name, heading)
        sheet.col(column).width = 256 * WIDTHS[column]
        if name in TEXT_COLUMNS:
            sheet.col(column).set_style(text)
        elif name == "开票金额":
            sheet.col(column).set_style(amount)
    book.save(path)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_template.py <output .xls>")
    main(sys.argv[1])
