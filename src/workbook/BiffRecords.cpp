#include "workbook/BiffRecords.h"

#include "base/AppError.h"

namespace biff {

bool isBof(quint16 type) {
    return type == kBof2 || type == kBof3 || type == kBof4 || type == kBof;
}

void damaged(const QString& what) {
    throw AppError(what);
}

bool RecordCursor::next(Record& record) {
    if (pos_ + 4 > stream_.size()) {
        pos_ = stream_.size();
        return false;
    }
    const char* head = stream_.data() + pos_;
    const quint16 size = biff::u16(head + 2);
    if (pos_ + 4 + size > stream_.size()) {
        damaged(QStringLiteral("a record is cut short"));
    }
    record.type = biff::u16(head);
    record.data = stream_.sliced(pos_ + 4, size);
    pos_ += 4 + size;
    return true;
}

bool RecordCursor::nextIs(quint16 type) const {
    return pos_ + 4 <= stream_.size() && biff::u16(stream_.data() + pos_) == type;
}

void RecordData::takeContinues(RecordCursor& cursor) {
    Record record;
    while (cursor.nextIs(kContinue) && cursor.next(record)) {
        segments_ << record.data;
    }
}

// Bytes left in the current segment, moving past used-up segments first.
qsizetype RecordData::left() {
    while (pos_ >= segments_[segment_].size() && segment_ + 1 < segments_.size()) {
        ++segment_;
        pos_ = 0;
    }
    return segments_[segment_].size() - pos_;
}

void RecordData::need(qsizetype count) {
    if (left() < count) {
        damaged(QStringLiteral("a record is shorter than what it holds"));
    }
}

bool RecordData::atEnd() {
    return left() == 0;
}

quint8 RecordData::u8() {
    need(1);
    return quint8(segments_[segment_][pos_++]);
}

quint16 RecordData::u16() {
    if (left() >= 2) {
        pos_ += 2;
        return biff::u16(segments_[segment_].data() + pos_ - 2);
    }
    const quint8 low = u8();
    return quint16(low | (u8() << 8));
}

quint32 RecordData::u32() {
    const quint16 low = u16();
    return quint32(low) | (quint32(u16()) << 16);
}

void RecordData::skip(quint64 count) {
    while (count > 0) {
        const qsizetype available = left();
        if (available == 0) {
            damaged(QStringLiteral("a record is shorter than what it holds"));
        }
        const qsizetype step = qsizetype(qMin<quint64>(count, quint64(available)));
        pos_ += step;
        count -= quint64(step);
    }
}

QByteArray RecordData::bytes(qsizetype count) {
    QByteArray result;
    while (result.size() < count) {
        const qsizetype available = left();
        if (available == 0) {
            damaged(QStringLiteral("a text is cut short"));
        }
        const qsizetype step = qMin(count - result.size(), available);
        result.append(segments_[segment_].data() + pos_, step);
        pos_ += step;
    }
    return result;
}

QString RecordData::chars(qsizetype count, bool wide) {
    QString text;
    text.reserve(qMin<qsizetype>(count, 65535));
    while (text.size() < count) {
        if (pos_ >= segments_[segment_].size()) {
            // A text cut by a record boundary goes on after an option byte of its own.
            if (segment_ + 1 >= segments_.size()) {
                damaged(QStringLiteral("a text is cut short"));
            }
            ++segment_;
            pos_ = 0;
            wide = (u8() & 0x01) != 0;
            continue;
        }
        const QByteArrayView here = segments_[segment_];
        const qsizetype step = qMin(count - text.size(), (here.size() - pos_) / (wide ? 2 : 1));
        if (step == 0) {
            damaged(QStringLiteral("a text ends in the middle of a character"));
        }
        const char* from = here.data() + pos_;
        if (wide) {
            const qsizetype start = text.size();
            text.resize(start + step);
            QChar* to = text.data() + start;
            for (qsizetype i = 0; i < step; ++i) {
                to[i] = QChar(biff::u16(from + 2 * i));
            }
            pos_ += 2 * step;
        } else {
            text.append(QLatin1String(from, step));
            pos_ += step;
        }
    }
    return text;
}

QString RecordData::unicodeString() {
    const quint16 count = u16();
    const quint8 options = u8();
    const quint16 runs = (options & 0x08) ? u16() : 0;
    const quint32 phonetic = (options & 0x04) ? u32() : 0;
    QString text = chars(count, (options & 0x01) != 0);
    skip(4 * quint64(runs) + phonetic);
    return text;
}

QString RecordData::shortUnicodeString() {
    const quint8 count = u8();
    const quint8 options = u8();
    return chars(count, (options & 0x01) != 0);
}

}  // namespace biff
