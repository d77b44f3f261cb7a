#include "shell/LocaleFormats.h"

#include <QRegularExpression>

namespace localefmt {

QString dateTimeText(const QDateTime& value) {
    return value.toString(QString::fromLatin1(kShortDate)) + u' ' +
           value.toString(QString::fromLatin1(kLongTime));
}

QString dateTimeDisplay(const QDateTime& value) {
    const QTime t = value.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0) {
        return value.toString(QString::fromLatin1(kShortDate));
    }
    return dateTimeText(value);
}

std::optional<DateAndTime> parseDateAndTime(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        R"(^\s*(\d{1,4})[/-](\d{1,2})[/-](\d{1,2})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid()) {
        return std::nullopt;
    }
    QTime time(0, 0, 0);
    if (m.capturedLength(4) > 0) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                     m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!time.isValid()) {
            return std::nullopt;
        }
    }
    return DateAndTime{date, time};
}

std::optional<QDateTime> parseDateTime(const QString& text) {
    const std::optional<DateAndTime> parts = parseDateAndTime(text);
    if (!parts) {
        return std::nullopt;
    }
    return QDateTime(parts->date, parts->time);
}

QString storageText(const QDateTime& value) {
    return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

std::optional<QDateTime> fromStorageText(const QString& text) {
    QDateTime value = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!value.isValid()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace localefmt
