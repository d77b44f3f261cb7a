#include "scan/ScanPayload.h"

namespace {

bool isBlank(QChar c) {
    return c.unicode() >= 1 && c.unicode() <= 32;
}

}  // namespace

void SplitPayload(const QString& text, QStringList& list) {
    list.clear();
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    const auto atEnd = [&](const QChar* at) { return at == end || at->unicode() == 0; };

    while (!atEnd(p) && isBlank(*p)) {
        ++p;
    }
    while (!atEnd(p)) {
        QString item;
        if (*p == u'"') {
            ++p;
            // Up to the closing quote; without one, the rest of the text.
            while (!atEnd(p)) {
                if (*p == u'"') {
                    if (p + 1 != end && p[1] == u'"') {
                        item += u'"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += *p++;
            }
        } else {
            const QChar* start = p;
            while (!atEnd(p) && p->unicode() > 32 && *p != u',') {
                ++p;
            }
            item = QString(start, p - start);
        }
        list << item;
        while (!atEnd(p) && isBlank(*p)) {
            ++p;
        }
        if (!atEnd(p) && *p == u',') {
            if (atEnd(p + 1)) {
                list << QString();
            }
            do {
                ++p;
            } while (!atEnd(p) && isBlank(*p));
        }
    }
}
