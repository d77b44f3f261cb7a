#include "reader/ReaderProtocol.h"

#include <QDataStream>
#include <QIODevice>
#include <QtEndian>

namespace readerprotocol {

namespace {

void writeFrame(QIODevice& out, Frame type, const QByteArray& body) {
    QByteArray frame(4, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(body.size() + 1), frame.data());
    frame += char(type);
    frame += body;
    out.write(frame);
}

QDataStream& operator<<(QDataStream& s, const workbook::Cell& cell) {
    s << quint8(cell.kind) << cell.text;
    if (cell.kind == workbook::Cell::Kind::Date || cell.kind == workbook::Cell::Kind::DateTime) {
        s << qint64(cell.value.date().toJulianDay())
          << qint32(cell.value.time().msecsSinceStartOfDay());
    }
    return s;
}

bool readCell(QDataStream& s, workbook::Cell& cell) {
    quint8 kind = 0;
    s >> kind >> cell.text;
    if (kind > quint8(workbook::Cell::Kind::Time)) {
        return false;
    }
    cell.kind = workbook::Cell::Kind(kind);
    if (cell.kind == workbook::Cell::Kind::Date || cell.kind == workbook::Cell::Kind::DateTime) {
        qint64 day = 0;
        qint32 msecs = 0;
        s >> day >> msecs;
        const QDate date = QDate::fromJulianDay(day);
        const QTime time = QTime::fromMSecsSinceStartOfDay(msecs);
        if (!date.isValid() || !time.isValid()) {
            return false;
        }
        cell.value = QDateTime(date, time, Qt::UTC);  // as the reader made it
    }
    return s.status() == QDataStream::Ok;
}

}  // namespace

void writeSheet(QIODevice& out, const workbook::Sheet& sheet) {
    QByteArray body;
    {
        QDataStream s(&body, QIODevice::WriteOnly);
        s << sheet.name << qint32(sheet.columnCount);
    }
    writeFrame(out, Frame::SheetBegin, body);
    for (const QList<workbook::Cell>& row : sheet.rows) {
        body.clear();
        QDataStream s(&body, QIODevice::WriteOnly);
        s << quint32(row.size());
        for (const workbook::Cell& cell : row) {
            s << cell;
        }
        writeFrame(out, Frame::Row, body);
    }
    body.clear();
    {
        QDataStream s(&body, QIODevice::WriteOnly);
        s << qint64(sheet.rows.size());
    }
    writeFrame(out, Frame::SheetEnd, body);
}

void writeFailure(QIODevice& out, const QString& text) {
    QByteArray body;
    QDataStream s(&body, QIODevice::WriteOnly);
    s << text;
    writeFrame(out, Frame::Failure, body);
}

void writeInvoice(QIODevice& out, const invoicefiles::FileReading& reading) {
    QByteArray body;
    QDataStream s(&body, QIODevice::WriteOnly);
    const invoicefiles::InvoiceFields& f = reading.fields;
    const invoicefiles::Parties& p = reading.parties;
    s << quint8(reading.source) << quint8(reading.problem) << reading.payload << reading.origin
      << f.code << f.number << f.date << f.amount << f.checkCode << p.buyerName << p.buyerTaxNumber
      << p.sellerName << p.sellerTaxNumber;
    writeFrame(out, Frame::Invoice, body);
}

void Receiver::feed(const QByteArray& bytes) {
    if (state_ != State::Reading) {
        return;
    }
    pending_ += bytes;
    qsizetype at = 0;
    while (state_ == State::Reading && pending_.size() - at >= 4) {
        const quint32 length = qFromBigEndian<quint32>(pending_.constData() + at);
        if (length < 1 || length > kMaxFrameBytes) {
            state_ = State::Broken;
            break;
        }
        if (pending_.size() - at - 4 < qsizetype(length)) {
            break;
        }
        const auto type = Frame(quint8(pending_[at + 4]));
        const QByteArray body = pending_.mid(at + 5, length - 1);
        at += 4 + length;
        if (!handleFrame(type, body)) {
            state_ = State::Broken;
        }
    }
    pending_.remove(0, at);
}

bool Receiver::handleFrame(Frame type, const QByteArray& body) {
    QDataStream s(body);
    if (type == Frame::Failure) {
        s >> failure_;
        if (failure_.isEmpty()) {
            return false;
        }
        state_ = State::Refused;
    } else if (!handle(type, s)) {
        return false;
    }
    return s.status() == QDataStream::Ok && s.atEnd();
}

bool SheetReceiver::handle(Frame type, QDataStream& s) {
    switch (type) {
        case Frame::SheetBegin: {
            qint32 columns = 0;
            s >> sheet_.name >> columns;
            if (begun_ || columns < 0 || columns > kMaxColumns) {
                return false;
            }
            sheet_.columnCount = columns;
            begun_ = true;
            return true;
        }
        case Frame::Row: {
            quint32 cells = 0;
            s >> cells;
            if (!begun_ || cells > quint32(sheet_.columnCount) || sheet_.rows.size() >= kMaxRows ||
                (sheet_.rows.size() + 1) * sheet_.columnCount > kMaxCells) {
                return false;
            }
            QList<workbook::Cell> row(sheet_.columnCount);
            for (quint32 c = 0; c < cells; ++c) {
                if (!readCell(s, row[c])) {
                    return false;
                }
            }
            sheet_.rows << row;
            return true;
        }
        case Frame::SheetEnd: {
            qint64 rows = -1;
            s >> rows;
            if (!begun_ || rows != sheet_.rows.size()) {
                return false;
            }
            finish();
            return true;
        }
        default:
            return false;
    }
}

workbook::Sheet SheetReceiver::takeSheet() {
    return std::move(sheet_);
}

bool InvoiceReceiver::handle(Frame type, QDataStream& s) {
    if (type != Frame::Invoice) {
        return false;
    }
    quint8 source = 0;
    quint8 problem = 0;
    invoicefiles::InvoiceFields& f = reading_.fields;
    invoicefiles::Parties& p = reading_.parties;
    s >> source >> problem >> reading_.payload >> reading_.origin >> f.code >> f.number >> f.date >>
        f.amount >> f.checkCode >> p.buyerName >> p.buyerTaxNumber >> p.sellerName >>
        p.sellerTaxNumber;
    if (source > quint8(invoicefiles::Source::FileFields) ||
        problem > quint8(invoicefiles::Problem::NoInvoiceFound)) {
        return false;
    }
    reading_.source = invoicefiles::Source(source);
    reading_.problem = invoicefiles::Problem(problem);
    // An invoice without a payload or a number, or a failure without its problem, is no answer.
    const bool consistent = reading_.source == invoicefiles::Source::QrCode
                                ? !reading_.payload.isEmpty()
                            : reading_.source == invoicefiles::Source::FileFields
                                ? invoicefiles::namesInvoice(f)
                                : reading_.problem != invoicefiles::Problem::None;
    if (!consistent) {
        return false;
    }
    finish();
    return true;
}

}  // namespace readerprotocol
