#pragma once

#include <QString>
#include <array>

// The columns an invoice is shown, exported and imported with, in their designed order: the
// records grid's titles, the export's titles and the import workbook's headings. The import
// reads the first six and passes 录入方式 and 报销单号 by (a claim is the registry's to give).
namespace invoicecolumns {

enum Column {
    kCode,          // 发票代码
    kNumber,        // 发票号码
    kAmount,        // 开票金额
    kInvoiceDate,   // 开票日期
    kReimbursedAt,  // 报销时间
    kReimburser,    // 报销人
    kEntryMode,     // 录入方式 (报销方式 in words)
    kClaimNumber,   // 报销单号: the claim the invoice joined, or empty
    kColumnCount
};

const QString& title(Column column);

}  // namespace invoicecolumns
