#include "statistics/FigureTable.h"

#include <xlsxwriter.h>

#include <QFile>

#include "base/AppError.h"
#include "base/CsvText.h"
#include "base/TextCodec.h"
#include "invoice/Amount.h"

namespace figuretable {

namespace {

QStringList rowTexts(FigureGrouping grouping, const ReimbursementFigure& figure, bool total) {
    return {total ? figure.group : groupText(grouping, figure.group),
            QString::number(figure.invoices), amount::toMoneyText(figure.amountUnits)};
}

// Fifteen significant digits are what a spreadsheet's number keeps exactly as written.
constexpr qint64 kExactAsNumber = 1000000000000000LL;

}  // namespace

QString groupHeading(FigureGrouping grouping) {
    return grouping == FigureGrouping::ByReimburser ? QStringLiteral("报销人")
                                                    : QStringLiteral("月份");
}

QString groupText(FigureGrouping grouping, const QString& group) {
    if (grouping == FigureGrouping::ByReimburser && group.isEmpty()) {
        return QStringLiteral("（未填写）");
    }
    return group;
}

QStringList headings(FigureGrouping grouping) {
    return {groupHeading(grouping), QStringLiteral("发票张数"), QStringLiteral("开票金额合计")};
}

QList<QStringList> displayRows(FigureGrouping grouping, const ReimbursementFigures& figures) {
    QList<QStringList> rows;
    for (const ReimbursementFigure& figure : figures.rows) {
        rows << rowTexts(grouping, figure, false);
    }
    rows << rowTexts(grouping, figures.total(), true);
    return rows;
}

QByteArray csv(FigureGrouping grouping, const ReimbursementFigures& figures) {
    QString text = csvtext::line(headings(grouping));
    for (const QStringList& row : displayRows(grouping, figures)) {
        text += csvtext::line(row);
    }
    return textcodec::toGbk(text);
}

void writeXlsx(const QString& path, FigureGrouping grouping, const QString& title,
               const ReimbursementFigures& figures) {
    const QByteArray file = QFile::encodeName(path);
    lxw_workbook* workbook = workbook_new(file.constData());
    if (workbook == nullptr) {
        throw AppError(QStringLiteral("Cannot create file %1").arg(path));
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* money = workbook_add_format(workbook);
    format_set_num_format(money, "#,##0.00##");
    lxw_format* boldMoney = workbook_add_format(workbook);
    format_set_num_format(boldMoney, "#,##0.00##");
    format_set_bold(boldMoney);
    const auto text = [&](lxw_row_t row, lxw_col_t col, const QString& value, lxw_format* f) {
        worksheet_write_string(sheet, row, col, value.toUtf8().constData(), f);
    };
    text(0, 0, title, bold);
    const QStringList heads = headings(grouping);
    for (int c = 0; c < heads.size(); ++c) {
        text(2, lxw_col_t(c), heads[c], bold);
    }
    worksheet_set_column(sheet, 0, 0, 16, nullptr);
    worksheet_set_column(sheet, 1, 1, 10, nullptr);
    worksheet_set_column(sheet, 2, 2, 18, nullptr);
    lxw_row_t row = 3;
    const auto write = [&](const ReimbursementFigure& figure, bool total) {
        text(row, 0, total ? figure.group : groupText(grouping, figure.group),
             total ? bold : nullptr);
        worksheet_write_number(sheet, row, 1, double(figure.invoices), total ? bold : nullptr);
        if (figure.amountUnits > -kExactAsNumber && figure.amountUnits < kExactAsNumber) {
            // The double nearest the exact decimal, read back from its own text.
            const double value = amount::toShortestText(figure.amountUnits).toDouble();
            worksheet_write_number(sheet, row, 2, value, total ? boldMoney : money);
        } else {
            text(row, 2, amount::toMoneyText(figure.amountUnits), total ? bold : nullptr);
        }
        ++row;
    };
    for (const ReimbursementFigure& figure : figures.rows) {
        write(figure, false);
    }
    write(figures.total(), true);
    const lxw_error error = workbook_close(workbook);
    if (error != LXW_NO_ERROR) {
        throw AppError(QStringLiteral("Excel 2007工作簿写入失败：%1")
                           .arg(QString::fromUtf8(lxw_strerror(error))));
    }
}

}  // namespace figuretable
