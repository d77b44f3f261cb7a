#include "invoice/InvoiceColumns.h"

namespace invoicecolumns {

const QString& title(Column column) {
    static const std::array<QString, kColumnCount> titles = {
        QStringLiteral("发票代码"), QStringLiteral("发票号码"), QStringLiteral("开票金额"),
        QStringLiteral("开票日期"), QStringLiteral("报销时间"), QStringLiteral("报销人"),
        QStringLiteral("录入方式"), QStringLiteral("报销单号"),
    };
    return titles[std::size_t(column)];
}

}  // namespace invoicecolumns
