#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QtEndian>
#include <bit>

// The record layer of BIFF streams (the worksheet and workbook streams of .xls files): little
// endian fields, records walked with every length checked against the stream, and record data
// continued in CONTINUE records. Malformed data throws AppError whose message says what is
// wrong ("a record is cut short"); the reader's entry points put it into a sentence.
namespace biff {

enum RecordType : quint16 {
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
    kBof = 0x0809,  // BIFF5 and BIFF8
    kEof = 0x000A,
    kContinue = 0x003C,
    kCodePage = 0x0042,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kFormat = 0x041E,
    kFormat4 = 0x001E,  // the FORMAT of BIFF4 and BIFF5 streams
    kXf = 0x00E0,
    kSst = 0x00FC,
    kBoundSheet = 0x0085,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
    kRString = 0x00D6,
    kLabelSst = 0x00FD,
    kFormula = 0x0006,
    kFormula4 = 0x0406,  // written by some BIFF5 writers
};

inline quint16 u16(const char* p) {
    return qFromLittleEndian<quint16>(p);
}
inline quint32 u32(const char* p) {
    return qFromLittleEndian<quint32>(p);
}
inline double f64(const char* p) {
    return std::bit_cast<double>(qFromLittleEndian<quint64>(p));
}

bool isBof(quint16 type);

[[noreturn]] void damaged(const QString& what);

struct Record {
    quint16 type = 0;
    QByteArrayView data;
};

// The records of a stream one after another, from a given offset.
class RecordCursor {
public:
    RecordCursor(QByteArrayView stream, qsizetype offset) : stream_(stream), pos_(offset) {}

    // The next record, or false at the end of the stream. Throws when a record is cut short.
    bool next(Record& record);
    // Whether the record that next() gives is of that type.
    bool nextIs(quint16 type) const;

private:
    QByteArrayView stream_;
    qsizetype pos_;
};

// Record data read from front to back, across the CONTINUE records that carry the rest of it.
// Character data that a record boundary cuts starts again with an option byte there.
class RecordData {
public:
    explicit RecordData(QByteArrayView data) : segments_{data} {}
    // Takes in the CONTINUE records that follow at the cursor.
    void takeContinues(RecordCursor& cursor);

    bool atEnd();
    quint8 u8();
    quint16 u16();
    quint32 u32();
    void skip(quint64 count);
    // count bytes as they stand (8-bit text in the workbook's code page).
    QByteArray bytes(qsizetype count);
    // count characters, one byte (Latin-1) or two (UTF-16) each.
    QString chars(qsizetype count, bool wide);
    // An XLUnicodeString (16-bit length) with its rich-text runs and phonetic data skipped.
    QString unicodeString();
    // The same with an 8-bit length.
    QString shortUnicodeString();

private:
    qsizetype left();
    void need(qsizetype count);

    QList<QByteArrayView> segments_;
    qsizetype segment_ = 0;
    qsizetype pos_ = 0;
};

}  // namespace biff
