#include "invoice/Amount.h"

#include "base/AppError.h"
#include "base/LocaleFormats.h"

namespace amount {

namespace {

constexpr qint64 kLimit = 100000000000000LL * kScale;  // 18 digits, four of them decimals

}  // namespace

std::optional<qint64> fromText(const QString& text, const QString& field) {
    const QString t = text.trimmed();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const AppError invalid(
        QStringLiteral("'%1' is not a valid floating point value for field '%2'").arg(text, field));
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        negative = t[i] == u'-';
        ++i;
    }
    QString digits;    // every mantissa digit, leading zeros dropped
    int decimals = 0;  // how many of them stand after the separator
    bool anyDigit = false;
    bool seenSeparator = false;
    for (; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c >= u'0' && c <= u'9') {
            anyDigit = true;
            if (!(digits.isEmpty() && c == u'0')) {
                digits += c;
            }
            if (seenSeparator) {
                ++decimals;
            }
        } else if (c == localefmt::kDecimalSeparator && !seenSeparator) {
            seenSeparator = true;
        } else {
            break;
        }
    }
    if (!anyDigit) {
        throw invalid;
    }
    int exponent = 0;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        bool expNegative = false;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
            expNegative = t[i] == u'-';
            ++i;
        }
        const qsizetype start = i;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9' && i - start < 6) {
            exponent = exponent * 10 + t[i].digitValue();
            ++i;
        }
        if (i == start) {
            throw invalid;
        }
        exponent = expNegative ? -exponent : exponent;
    }
    if (i != t.size()) {
        throw invalid;
    }
    // value = digits * 10^(exponent - decimals); we want it * 10^4.
    const int shift = exponent - decimals + 4;
    const AppError outOfRange(
        QStringLiteral("'%1' is out of range for field '%2'").arg(text, field));
    if (digits.isEmpty()) {
        return 0;
    }
    if (int(digits.size()) + shift > 18) {
        throw outOfRange;
    }
    qint64 units = 0;
    if (shift >= 0) {
        for (QChar c : digits) {
            units = units * 10 + c.digitValue();
        }
        for (int k = 0; k < shift; ++k) {
            units *= 10;
        }
    } else {
        const qsizetype keep = digits.size() + shift;  // digits left of the rounding point
        for (qsizetype k = 0; k < keep; ++k) {
            units = units * 10 + digits[k].digitValue();
        }
        if (keep >= 0 && keep < digits.size() && digits[keep].digitValue() >= 5) {
            ++units;
        }
    }
    if (units >= kLimit) {
        throw outOfRange;
    }
    return negative ? -units : units;
}

QString toShortestText(qint64 units) {
    char out[kMaxTextLength];
    return QString::fromLatin1(out, writeShortest(units, out));
}

int writeShortest(qint64 units, char (&out)[kMaxTextLength]) {
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(-(units + 1)) + 1 : quint64(units);
    char* at = out;
    if (negative) {
        *at++ = '-';
    }
    char digits[20];
    int n = 0;
    quint64 whole = magnitude / kScale;
    do {
        digits[n++] = char('0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    while (n > 0) {
        *at++ = digits[--n];
    }
    int fraction = int(magnitude % kScale);
    if (fraction != 0) {
        *at++ = char(localefmt::kDecimalSeparator.unicode());
        for (int scale = int(kScale) / 10; fraction != 0; scale /= 10) {
            *at++ = char('0' + fraction / scale);
            fraction %= scale;
        }
    }
    return int(at - out);
}

QString toMoneyText(qint64 units) {
    QString text = toShortestText(units);
    const qsizetype point = text.indexOf(localefmt::kDecimalSeparator);
    if (point < 0) {
        return text + localefmt::kDecimalSeparator + QStringLiteral("00");
    }
    if (text.size() - point - 1 < 2) {
        text += u'0';
    }
    return text;
}

double toDouble(qint64 units) {
    return double(units) / double(kScale);
}

}  // namespace amount
