#include "invoice/InvoiceIdentity.h"

namespace invoice {

bool isDigits(const QString& text) {
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

QString dateText(const QDate& date) {
    return date.toString(QString::fromLatin1(kDatePattern));
}

QDate dateOf(const QString& yyyymmdd) {
    if (yyyymmdd.size() != 8 || !isDigits(yyyymmdd)) {
        return {};
    }
    const auto number = [&](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            value = value * 10 + (yyyymmdd[i].unicode() - u'0');
        }
        return value;
    };
    return QDate(number(0, 4), number(4, 2), number(6, 2));  // invalid when no such day
}

bool isFullyDigital(const QString& code, const QString& number) {
    return code.isEmpty() && number.size() == kDigitalNumberLength && isDigits(number);
}

}  // namespace invoice
