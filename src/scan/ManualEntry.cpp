#include "scan/ManualEntry.h"

#include "invoice/InvoiceIdentity.h"

namespace manual {

bool isAllowedCharacter(QChar c) {
    return c == u'\b' || (c >= u'0' && c <= u'9');
}

QString check(const QString& code, const QString& number, const QString& reimburser) {
    if (!invoice::isFullyDigital(code, number)) {
        if (code.isEmpty()) {
            return QStringLiteral("请输入发票代码！");
        }
        if (code.size() > invoice::kCodeMaxLength || code.size() < invoice::kCodeMinLength) {
            return QStringLiteral("请输入正确的发票代码！");
        }
        if (number.isEmpty()) {
            return QStringLiteral("请输入发票号码！");
        }
        if (number.size() != invoice::kNumberLength &&
            number.size() != invoice::kDigitalNumberLength) {
            return QStringLiteral("请输入正确的发票号码！");
        }
    }
    if (reimburser.isEmpty()) {
        return QStringLiteral("请选择报销人！");
    }
    return {};
}

}  // namespace manual
