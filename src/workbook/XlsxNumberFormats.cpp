#include "workbook/XlsxNumberFormats.h"

#include <cmath>

namespace xlsxformats {

namespace {

constexpr qint64 kSecondsPerDay = 86400;

// The length of an AM/PM marker at at, or 0.
qsizetype amPmLength(QStringView code, qsizetype at) {
    for (const QStringView marker : {u"am/pm", u"a/p", u"上午/下午"}) {
        if (code.mid(at, marker.size()).compare(marker, Qt::CaseInsensitive) == 0) {
            return marker.size();
        }
    }
    return 0;
}

// Only letters of elapsed time inside the brackets: [h], [mm], [ss].
bool isElapsed(QStringView inside) {
    if (inside.isEmpty()) {
        return false;
    }
    for (const QChar c : inside) {
        const char16_t l = c.toLower().unicode();
        if (l != u'h' && l != u'm' && l != u's') {
            return false;
        }
    }
    return true;
}

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
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = code[i].toLower().unicode();
        if (c == u';') {
            break;  // the first section shows positive numbers, dates among them
        }
        if (c == u'"') {
            const qsizetype close = code.indexOf(u'"', i + 1);
            i = close < 0 ? code.size() : close;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // an escaped character, a space as wide as one, a fill character
        } else if (c == u'[') {
            const qsizetype close = code.indexOf(u']', i + 1);
            const qsizetype end = close < 0 ? code.size() : close;
            time = time || isElapsed(code.mid(i + 1, end - i - 1));
            i = end;  // else a colour, a condition or a locale
        } else if (const qsizetype marker = amPmLength(code, i); marker > 0) {
            time = true;
            i += marker - 1;
        } else if (c == u'y' || c == u'd') {
            date = true;
        } else if (c == u'h' || c == u's') {
            time = true;
        } else if (c == u'm') {
            month = true;
        }
    }
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
    return workbook::dateTimeCell(QDateTime(date, time));
}

}  // namespace xlsxformats
