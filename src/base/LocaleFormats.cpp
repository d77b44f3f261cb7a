#include "base/LocaleFormats.h"

#include <tuple>

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

namespace {

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

// Reads the text a workbook or the clerk gives as a date-time, field by field: what the pattern
//   ^\s*(\d{1,4})[/-](\d{1,2})[/-](\d{1,2})(?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$
// matches (ASCII digits and blanks), at a twentieth of a regular expression's cost per row.
class DateTimeScanner {
public:
    explicit DateTimeScanner(QStringView text) : text_(text) {}

    std::optional<DateAndTime> scan() {
        skipBlanks();
        int year = 0, month = 0, day = 0;
        if (!number(4, year) || !separator() || !number(2, month) || !separator() ||
            !number(2, day)) {
            return std::nullopt;
        }
        int hour = 0, minute = 0, second = 0;
        const bool blank = skipBlanks();
        if (!atEnd()) {
            if (!blank || !number(2, hour) || !take(u':') || !number(2, minute)) {
                return std::nullopt;
            }
            if (take(u':') && !number(2, second)) {
                return std::nullopt;
            }
            skipBlanks();
            if (!atEnd()) {
                return std::nullopt;
            }
        }
        const QDate date(year, month, day);
        const QTime time(hour, minute, second);
        if (!date.isValid() || !time.isValid()) {
            return std::nullopt;
        }
        return DateAndTime{date, time};
    }

private:
    bool atEnd() const { return at_ == text_.size(); }

    bool take(char16_t c) {
        if (!atEnd() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }

    bool separator() { return take(u'/') || take(u'-'); }

    bool skipBlanks() {
        const qsizetype from = at_;
        while (!atEnd() && (text_[at_] == u' ' || (text_[at_] >= u'\t' && text_[at_] <= u'\r'))) {
            ++at_;
        }
        return at_ > from;
    }

    // One to maxDigits ASCII digits.
    bool number(int maxDigits, int& value) {
        int digits = 0;
        value = 0;
        while (digits < maxDigits && !atEnd() && text_[at_] >= u'0' && text_[at_] <= u'9') {
            value = value * 10 + (text_[at_].unicode() - u'0');
            ++at_;
            ++digits;
        }
        return digits > 0;
    }

    QStringView text_;
    qsizetype at_ = 0;
};

}  // namespace

std::optional<DateAndTime> parseDateAndTime(const QString& text) {
    return DateTimeScanner(text).scan();
}

std::optional<QDateTime> parseDateTime(const QString& text) {
    const std::optional<DateAndTime> parts = parseDateAndTime(text);
    if (!parts) {
        return std::nullopt;
    }
    return QDateTime(parts->date, parts->time);
}

QString storageText(const QDateTime& value) {
    const QDate d = value.date();
    if (!value.isValid() || d.year() < 1 || d.year() > 9999) {
        return value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    // Written digit by digit: every registration stores one, an import tens of thousands.
    const QTime t = value.time();
    char out[19];
    char* at = out;
    for (const auto& [number, digits, after] : {std::tuple{d.year(), 4, '-'},
                                                {d.month(), 2, '-'},
                                                {d.day(), 2, ' '},
                                                {t.hour(), 2, ':'},
                                                {t.minute(), 2, ':'},
                                                {t.second(), 2, '\0'}}) {
        at = putNumber(at, number, digits);
        if (after != '\0') {
            *at++ = after;
        }
    }
    return QString::fromLatin1(out, 19);
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
