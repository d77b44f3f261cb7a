#include "base/LocaleFormats.h"

#include <QRegularExpression>

namespace localefmt {

QString dateTimeText(const QDateTime& value) {
    return value.toString(QString::fromLatin1(kShortDate)) + u' ' +
           value.toString(QString::fromLatin1(kLongTime));
}

QString dateTimeDisplay(const QDateTime& value) {
    const int year = value.date().year();
    if (year < 1 || year > 9999) {
        const QTime t = value.time();
        return t.hour() == 0 && t.minute() == 0 && t.second() == 0
                   ? value.toString(QString::fromLatin1(kShortDate))
                   : dateTimeText(value);
    }
    const QDate d = value.date();
    const QTime t = value.time();
    char out[kMaxDisplayLength];
    const int length =
        writeDisplay(WallClock{year, d.month(), d.day(), t.hour(), t.minute(), t.second()}, out);
    return QString::fromLatin1(out, length);
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
    const std::optional<WallClock> value = readStorageText(text);
    if (!value) {
        return std::nullopt;
    }
    return QDateTime(value->date(), value->time());
}

namespace {

// Reads yyyy-MM-dd HH:mm:ss, every field all digits, as QDateTime::fromString would.
template <typename Char>
bool readStorage(const Char* text, qsizetype length, WallClock& out) {
    static constexpr char kShape[] = "dddd-dd-dd dd:dd:dd";
    if (length != 19) {
        return false;
    }
    int fields[6] = {};
    int field = 0;
    for (int i = 0; i < 19; ++i) {
        const auto c = static_cast<char16_t>(text[i]);
        if (kShape[i] == 'd') {
            if (c < u'0' || c > u'9') {
                return false;
            }
            fields[field] = fields[field] * 10 + int(c - u'0');
        } else if (c != static_cast<char16_t>(kShape[i])) {
            return false;
        } else {
            ++field;
        }
    }
    if (!QDate::isValid(fields[0], fields[1], fields[2]) ||
        !QTime::isValid(fields[3], fields[4], fields[5])) {
        return false;
    }
    out = WallClock{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
    return true;
}

char* putNumber(char* out, int value, int minDigits) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < minDigits);
    while (n > 0) {
        *out++ = digits[--n];
    }
    return out;
}

}  // namespace

std::optional<WallClock> readStorageText(QByteArrayView utf8) {
    WallClock value;
    if (!readStorage(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<WallClock> readStorageText(QStringView text) {
    WallClock value;
    if (!readStorage(text.utf16(), text.size(), value)) {
        return std::nullopt;
    }
    return value;
}

int writeDisplay(const WallClock& value, char (&out)[kMaxDisplayLength]) {
    // kShortDate, then kLongTime unless the time is midnight, written digit by digit.
    char* at = out;
    at = putNumber(at, value.year, 4);
    *at++ = '/';
    at = putNumber(at, value.month, 1);
    *at++ = '/';
    at = putNumber(at, value.day, 1);
    if (value.hour != 0 || value.minute != 0 || value.second != 0) {
        *at++ = ' ';
        at = putNumber(at, value.hour, 1);
        *at++ = ':';
        at = putNumber(at, value.minute, 2);
        *at++ = ':';
        at = putNumber(at, value.second, 2);
    }
    return int(at - out);
}

}  // namespace localefmt
