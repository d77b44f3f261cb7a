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

bool isFullyDigital(const QString& code, const QString& number) {
    return code.isEmpty() && number.size() == kDigitalNumberLength && isDigits(number);
}

}  // namespace invoice
