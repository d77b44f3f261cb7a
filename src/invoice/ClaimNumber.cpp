#include "invoice/ClaimNumber.h"

namespace claimnumber {

QString dayPrefix(const QDate& day) {
    return QStringLiteral("BX") + day.toString(QStringLiteral("yyyyMMdd"));
}

QString make(const QDate& day, int sequence) {
    if (!day.isValid() || sequence < 1 || sequence > kMaxPerDay) {
        return {};
    }
    return dayPrefix(day) + QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
}

bool isNumber(const QString& text) {
    if (text.size() != 14 || !text.startsWith(QLatin1String("BX"))) {
        return false;
    }
    for (qsizetype i = 2; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') {
            return false;
        }
    }
    return QDate::fromString(text.mid(2, 8), QStringLiteral("yyyyMMdd")).isValid() &&
           text.mid(10) != QLatin1String("0000");
}

}  // namespace claimnumber
