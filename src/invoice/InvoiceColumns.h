#pragma once

#include <QString>
#include <array>

// The seven columns an invoice is shown, exported and imported with, in their designed order:
// the records grid's titles, the export's titles and the import workbook's headings.
namespace invoicecolumns {

enum Column {
    kCode,          // 发票代码
    kNumber,        // 发票号码
    kAmount,        // 开票金额
    kInvoiceDate,   // 开票日期
    kReimbursedAt,  // 报销时间
    kReimburser,    // 报销人
    kEntryMode,     // 录入方式 (报销方式 in words)
    kColumnCount
};

const QString& title(Column column);

}  // namespace invoicecolumns
