#pragma once

#include <QString>
#include <array>

#include "export/ExportGrid.h"

// The seven columns of the records grid, in their designed order.
namespace records {

enum Column {
    kCode,          // 发票代码
    kNumber,        // 发票号码
    kAmount,        // 开票金额
    kInvoiceDate,   // 开票日期
    kReimbursedAt,  // 报销时间
    kReimburser,    // 报销人
    kEntryMode,     // 录入方式
    kColumnCount
};

struct ColumnInfo {
    QString title;
    exportgrid::Alignment titleAlignment;
    exportgrid::Alignment alignment;
    int width;  // pixels; 0: the default width of the grid's font (see defaultColumnWidth)
    exportgrid::FieldType fieldType;
};

const std::array<ColumnInfo, kColumnCount>& columns();

// The width of a column without a set width: its field's display width in characters (11 for
// 报销人) times the digit width of the grid's font, plus 4 pixels. The fonts here have no overhang.
int defaultColumnWidth(int digitWidth);

// The grid's texts of one stored value.
QString amountText(qint64 units);                 // 123.5, 100, 0.05
QString reimbursedAtText(QByteArrayView stored);  // the locale date-time display (UTF-8 in)

}  // namespace records
