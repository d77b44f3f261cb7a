#include "mainwindow/ManualEntry.h"

#include "mainwindow/ScanProcessing.h"

namespace manual {

bool isAllowedCharacter(QChar c) {
    return c == u'\b' || (c >= u'0' && c <= u'9');
}

QString check(const QString& code, const QString& number, const QString& reimburser) {
    const bool digital = code.isEmpty() && number.size() == 20 && scan::isDigits(number);
    if (!digital) {
        if (code.isEmpty()) {
            return QStringLiteral("请输入发票代码！");
        }
        if (code.size() > kCodeMaxLength || code.size() < 10) {
            return QStringLiteral("请输入正确的发票代码！");
        }
        if (number.isEmpty()) {
            return QStringLiteral("请输入发票号码！");
        }
        if (number.size() != 8 && number.size() != 20) {
            return QStringLiteral("请输入正确的发票号码！");
        }
    }
    if (reimburser.isEmpty()) {
        return QStringLiteral("请选择报销人！");
    }
    return {};
}

}  // namespace manual
