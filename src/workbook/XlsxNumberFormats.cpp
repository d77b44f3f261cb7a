#include "workbook/XlsxNumberFormats.h"

#include <cmath>

#include "workbook/FormatCode.h"

namespace xlsxformats {

namespace {

constexpr qint64 kSecondsPerDay = 86400;

}  // namespace

Shows builtInFormat(int id) {
    if ((id >= 14 && id <= 17) || (id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 54) ||
        id == 57 || id == 58) {
        return Shows::Date;
    }
    if ((id >= 18 && id <= 21) || (id >= 32 && id <= 35) || (id >= 45 && id <= 47) || id == 55 ||
        id == 56) {
        return Shows::Time;
    }
    return id == 22 ? Shows::DateTime : Shows::Number;
}

Shows formatCode(QStringView code) {
    bool date = false;
    bool time = false;
    bool month = false;  // or minutes: "m" is a month unless hours or seconds are shown
    formatcode::forEachToken(code, [&](const formatcode::Token& token) {
        using Kind = formatcode::Token::Kind;
        switch (token.kind) {
            case Kind::SectionEnd:
                return false;  // the first section shows positive numbers, dates among them
            case Kind::Bracketed:
                time = time || formatcode::isElapsedTime(token.inside);
                break;
            case Kind::AmPm:
                time = true;
                break;
            case Kind::Letter:
                date = date || token.letter == u'y' || token.letter == u'd';
                time = time || token.letter == u'h' || token.letter == u's';
                month = month || token.letter == u'm';
                break;
        }
        return true;
    });
    date = date || (month && !time);
    if (date && time) {
        return Shows::DateTime;
    }
    if (date) {
        return Shows::Date;
    }
    return time ? Shows::Time : Shows::Number;
}

workbook::Cell serialCell(double serial, Shows shows, bool date1904) {
    // 9999-12-31 in either date system; past it the spreadsheet shows no date.
    const double last = date1904 ? 2957004 : 2958466;
    if (shows == Shows::Number || !std::isfinite(serial) || serial < 0 || serial >= last) {
        return workbook::numberCell(serial);
    }
    const qint64 seconds = std::llround(serial * double(kSecondsPerDay));
    const qint64 days = seconds / kSecondsPerDay;
    const QTime time = QTime(0, 0).addSecs(int(seconds % kSecondsPerDay));
    // Day 0 of the 1900 system is no date the spreadsheet can show: it is a time of day alone.
    if (days == 0 && (!date1904 || shows == Shows::Time)) {
        return workbook::timeCell(time);
    }
    QDate date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        // The 1900 system counts a 29 February 1900 that never was (serial 60).
        date = days < 60 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    }
    if (shows == Shows::Date && seconds % kSecondsPerDay == 0) {
        return workbook::dateCell(date);
    }
    return workbook::dateTimeCell(date, time);
}

}  // namespace xlsxformats
