#include "import/ImportFailures.h"

#include <QStringList>

#include "base/CsvText.h"
#include "base/LocaleFormats.h"
#include "base/TextCodec.h"
#include "invoice/InvoiceColumns.h"

namespace importfailures {

QString alreadyReimbursed(const QDateTime& at, const QString& reimburser) {
    if (!at.isValid()) {
        return QStringLiteral("已报销");
    }
    return QStringLiteral("已报销（%1，%2）")
        .arg(localefmt::dateTimeText(at),
             reimburser.isEmpty() ? QStringLiteral("无报销人") : reimburser);
}

QString logLine(const ImportFailure& failure) {
    return QStringLiteral("导入发票信息失败（第%1行）：%2-%3：%4")
        .arg(failure.row)
        .arg(failure.code, failure.number, failure.reason);
}

QByteArray csv(const QList<ImportFailure>& failures) {
    using invoicecolumns::title;
    QString text = csvtext::line({QStringLiteral("行号"), title(invoicecolumns::kCode),
                                  title(invoicecolumns::kNumber), QStringLiteral("原因")});
    for (const ImportFailure& f : failures) {
        text += csvtext::line({QString::number(f.row), f.code, f.number, f.reason});
    }
    return textcodec::toGbk(text);
}

}  // namespace importfailures
