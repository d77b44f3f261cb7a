#include "workbook/BiffFormats.h"

#include <QDateTime>
#include <cmath>

namespace biff {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr double kLastSerial = 2958466;  // 10000-01-01 in the 1900 system

bool isDateOrTimeLetter(QChar c) {
    switch (c.toLower().unicode()) {
        case u'y':
        case u'm':
        case u'd':
        case u'h':
        case u's':
            return true;
        default:
            return false;
    }
}

// [h], [mm], [ss]: elapsed time. Anything else in brackets is a colour, a condition or a locale.
bool isElapsedTime(QStringView inBrackets) {
    if (inBrackets.isEmpty()) {
        return false;
    }
    const QChar first = inBrackets.front().toLower();
    for (const QChar c : inBrackets) {
        if (c.toLower() != first) {
            return false;
        }
    }
    return first == u'h' || first == u'm' || first == u's';
}

}  // namespace

bool formatShowsDateOrTime(QStringView format) {
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'"') {
            const qsizetype close = format.indexOf(u'"', i + 1);
            i = close < 0 ? format.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // an escaped character, a space as wide as one, a fill character
        } else if (c == u'[') {
            const qsizetype close = format.indexOf(u']', i + 1);
            const qsizetype end = close < 0 ? format.size() : close;
            if (isElapsedTime(format.sliced(i + 1, end - i - 1))) {
                return true;
            }
            i = end;
        } else if (isDateOrTimeLetter(c)) {
            return true;
        }
    }
    return false;
}

bool builtInFormatIsDateOrTime(quint16 index) {
    return (index >= 14 && index <= 22) || (index >= 27 && index <= 36) ||
           (index >= 45 && index <= 47) || (index >= 50 && index <= 58);
}

workbook::Cell dateOrTimeCell(double value, bool date1904) {
    if (!(value >= 0 && value < kLastSerial)) {
        return workbook::numberCell(value);
    }
    const qint64 seconds = std::llround(value * kSecondsPerDay);
    const qint64 days = seconds / kSecondsPerDay;
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(seconds % kSecondsPerDay) * 1000);
    if (days == 0) {
        return workbook::timeCell(time);
    }
    QDate date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        // Serial 1 is 1900-01-01; serials from 61 on are a day behind for 1900-02-29.
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days);
    }
    return time == QTime(0, 0) ? workbook::dateCell(date)
                               : workbook::dateTimeCell(QDateTime(date, time));
}

}  // namespace biff
