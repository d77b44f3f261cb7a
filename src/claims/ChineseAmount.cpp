#include "claims/ChineseAmount.h"

#include "invoice/Amount.h"

namespace claims {

namespace {

const QChar kDigits[] = {u'零', u'壹', u'贰', u'叁', u'肆', u'伍', u'陆', u'柒', u'捌', u'玖'};
const QChar kPlaces[] = {QChar(), u'拾', u'佰', u'仟'};

// 1..9999 in capitals, with one 零 for any run of zeros between digits and none at the end.
QString group(qint64 n) {
    QString text;
    bool zeroPending = false;
    for (int place = 3; place >= 0; --place) {
        qint64 scale = 1;
        for (int i = 0; i < place; ++i) {
            scale *= 10;
        }
        const int digit = int(n / scale % 10);
        if (digit == 0) {
            zeroPending = !text.isEmpty();
            continue;
        }
        if (zeroPending) {
            text += kDigits[0];
            zeroPending = false;
        }
        text += kDigits[digit];
        if (place > 0) {
            text += kPlaces[place];
        }
    }
    return text;
}

// A whole number of yuan above zero: groups of four digits under 万 and 亿, and 亿 again above
// (壹万亿 is 壹万 of 亿). A group that starts below its thousands after a higher group, or that
// follows zero groups, is led by 零.
QString whole(qint64 n) {
    if (n >= 100000000) {
        const qint64 rest = n % 100000000;
        QString text = whole(n / 100000000) + u'亿';
        if (rest > 0) {
            if (rest < 10000000) {
                text += kDigits[0];
            }
            text += whole(rest);
        }
        return text;
    }
    if (n >= 10000) {
        const qint64 rest = n % 10000;
        QString text = group(n / 10000) + u'万';
        if (rest > 0) {
            if (rest < 1000) {
                text += kDigits[0];
            }
            text += group(rest);
        }
        return text;
    }
    return group(n);
}

}  // namespace

QString chineseCapitals(qint64 units) {
    // To the fen, half away from zero, without leaving the integers.
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(units) : quint64(units);
    const quint64 perFen = quint64(amount::kScale / 100);
    const quint64 fen = magnitude / perFen + (magnitude % perFen >= perFen / 2 ? 1 : 0);
    const qint64 yuan = qint64(fen / 100);
    const int jiao = int(fen / 10 % 10);
    const int cents = int(fen % 10);

    QString text = negative && fen > 0 ? QStringLiteral("负") : QString();
    if (yuan > 0) {
        text += whole(yuan) + u'元';
    }
    if (jiao == 0 && cents == 0) {
        return yuan > 0 ? text + u'整' : text + QStringLiteral("零元整");
    }
    if (jiao > 0) {
        text += kDigits[jiao];
        text += u'角';
    } else if (yuan > 0) {
        text += kDigits[0];  // 壹元零伍分
    }
    if (cents > 0) {
        text += kDigits[cents];
        text += u'分';
    } else {
        text += u'整';  // 壹拾元壹角整
    }
    return text;
}

}  // namespace claims
