#include "invoicefiles/FieldText.h"

#include <QDate>
#include <QRegularExpression>

namespace invoicefiles {

static QString withoutBlanks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!c.isSpace()) {
            out.append(c);
        }
    }
    return out;
}

QString dateAsYmd(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^(\d{4})(?:年(\d{1,2})月(\d{1,2})日?|[-/.](\d{1,2})[-/.](\d{1,2})|(\d{2})(\d{2}))$)"));
    const auto match = pattern.match(withoutBlanks(text));
    if (!match.hasMatch()) {
        return {};
    }
    const int year = match.captured(1).toInt();
    int month = 0;
    int day = 0;
    for (int group : {2, 4, 6}) {
        if (match.hasCaptured(group)) {
            month = match.captured(group).toInt();
            day = match.captured(group + 1).toInt();
        }
    }
    const QDate date(year, month, day);
    return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) : QString();
}

QString amountText(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(R"(^[¥￥]?(-?)[¥￥]?(\d+(?:\.\d+)?)$)"));
    QString compact = withoutBlanks(text);
    compact.remove(u',');
    const auto match = pattern.match(compact);
    return match.hasMatch() ? match.captured(1) + match.captured(2) : QString();
}

QString digitsOnly(const QString& text) {
    const QString compact = withoutBlanks(text);
    for (QChar c : compact) {
        if (c < u'0' || c > u'9') {
            return {};
        }
    }
    return compact;
}

}  // namespace invoicefiles
