// Writes the import template workbook 模板.xlsx: the same sheet as 模板.xls, from the same
// column table: the headings in the first row, each column as wide and formatted as the table
// says.
//   make_template_xlsx <columns.tsv> <output 模板.xlsx>
#include <xlsxwriter.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct TemplateColumn {
    std::string heading;
    double width = 0;  // characters
    std::string numberFormat;
};

std::vector<TemplateColumn> readTable(const char* path) {
    std::vector<TemplateColumn> columns;
    std::ifstream table(path);
    std::string line;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        TemplateColumn column;
        std::string width;
        std::getline(fields, column.heading, '\t');
        std::getline(fields, width, '\t');
        std::getline(fields, column.numberFormat, '\t');
        column.width = std::stod(width);
        columns.push_back(column);
    }
    return columns;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_template_xlsx <columns.tsv> <output .xlsx>\n");
        return 2;
    }
    const std::vector<TemplateColumn> columns = readTable(argv[1]);
    if (columns.empty()) {
        std::fprintf(stderr, "no columns in %s\n", argv[1]);
        return 1;
    }
    lxw_workbook* workbook = workbook_new(argv[2]);
    if (workbook == nullptr) {
        std::fprintf(stderr, "cannot create %s\n", argv[2]);
        return 1;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Sheet1");
    lxw_format* heading = workbook_add_format(workbook);
    format_set_bold(heading);
    format_set_align(heading, LXW_ALIGN_CENTER);
    for (std::size_t c = 0; c < columns.size(); ++c) {
        lxw_format* format = nullptr;
        if (!columns[c].numberFormat.empty()) {
            format = workbook_add_format(workbook);
            format_set_num_format(format, columns[c].numberFormat.c_str());
        }
        const auto column = lxw_col_t(c);
        worksheet_set_column(sheet, column, column, columns[c].width, format);
        worksheet_write_string(sheet, 0, column, columns[c].heading.c_str(), heading);
    }
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], lxw_strerror(error));
        return 1;
    }
    return 0;
}
