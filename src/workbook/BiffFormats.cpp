#include "workbook/BiffFormats.h"

#include <QDateTime>
#include <cmath>

#include "workbook/FormatCode.h"

namespace biff {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr double kLastSerial = 2958466;  // 10000-01-01 in the 1900 system

}  // namespace

bool formatShowsDateOrTime(QStringView format) {
    // Every section counts: a date shown for negative numbers still makes the cell a date.
    bool shows = false;
    formatcode::forEachToken(format, [&shows](const formatcode::Token& token) {
        using Kind = formatcode::Token::Kind;
        switch (token.kind) {
            case Kind::Letter:
                shows = QStringView(u"ymdhs").contains(token.letter);
                break;
            case Kind::Bracketed:
                shows = formatcode::isElapsedTime(token.inside);
                break;
            case Kind::AmPm:
                shows = true;
                break;
            case Kind::SectionEnd:
                break;
        }
        return !shows;
    });
    return shows;
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
    return time == QTime(0, 0) ? workbook::dateCell(date) : workbook::dateTimeCell(date, time);
}

}  // namespace biff
