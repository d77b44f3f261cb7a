#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <optional>

// The locale settings of a Chinese Windows desktop, kept in one place: short date "yyyy/M/d",
// long time "H:mm:ss", decimal separator ".".
namespace localefmt {

inline constexpr char kShortDate[] = "yyyy/M/d";
inline constexpr char kLongTime[] = "H:mm:ss";
inline constexpr QChar kDecimalSeparator = u'.';

// Short date, a blank and long time: the text a reimbursement time is written as.
QString dateTimeText(const QDateTime& value);

// The grid's display of a date-time: the short date, and the long time only when the time of
// day is not exactly midnight.
QString dateTimeDisplay(const QDateTime& value);

// Reads a date-time written in the locale formats (the time may be missing or lack seconds;
// "-" is accepted as date separator too). Nothing when the text is no date-time.
std::optional<QDateTime> parseDateTime(const QString& text);

// The same reading, the date and the time of day apart: without the cost of placing them in the
// local time zone, for callers that go through many of them.
struct DateAndTime {
    QDate date;
    QTime time;
};
std::optional<DateAndTime> parseDateAndTime(const QString& text);

// The sortable form the database keeps reimbursement times in: yyyy-MM-dd HH:mm:ss.
QString storageText(const QDateTime& value);
std::optional<QDateTime> fromStorageText(const QString& text);

// A stored time is a wall-clock reading: it is read and shown without asking the time zone, so
// that a grid of a million times costs no time-zone look-up at all.
struct WallClock {
    int year = 1, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    QDate date() const { return QDate(year, month, day); }
    QTime time() const { return QTime(hour, minute, second); }
};
// Nothing unless the text is exactly yyyy-MM-dd HH:mm:ss with a valid date and time of day.
std::optional<WallClock> readStorageText(QByteArrayView utf8);
std::optional<WallClock> readStorageText(QStringView text);

// dateTimeDisplay of a wall-clock reading, written into out (ASCII, no terminator); returns its
// length.
inline constexpr int kMaxDisplayLength = 19;  // 2024/12/31 23:59:59
int writeDisplay(const WallClock& value, char (&out)[kMaxDisplayLength]);

}  // namespace localefmt
