#include "import/ImportFailures.h"

#include <QStringList>

#include "shell/LocaleFormats.h"
#include "shell/TextCodec.h"
#include "store/InvoiceColumns.h"

namespace importfailures {

namespace {

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r')) {
        return text;
    }
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

}  // namespace

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
    QString text = QStringLiteral("行号,%1,%2,原因\r\n")
                       .arg(title(invoicecolumns::kCode), title(invoicecolumns::kNumber));
    for (const ImportFailure& f : failures) {
        text += QStringList{QString::number(f.row), csvField(f.code), csvField(f.number),
                            csvField(f.reason)}
                    .join(u',') +
                QStringLiteral("\r\n");
    }
    return textcodec::toGbk(text);
}

}  // namespace importfailures
