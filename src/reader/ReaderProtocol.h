#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "invoicefiles/FileReading.h"
#include "workbook/Sheet.h"

class QDataStream;
class QIODevice;

// What the reader process sends back over its pipe: length-prefixed frames, each a type byte
// and a body. A sheet is its beginning (name, width), one frame per row and its end (the row
// count, as a check); a refusal is one failure frame with the text for the clerk.
namespace readerprotocol {

enum class Frame : quint8 { SheetBegin = 1, Row = 2, SheetEnd = 3, Failure = 4, Invoice = 5 };

// Limits the receiving side holds the stream to, whatever it says.
inline constexpr qint64 kMaxFrameBytes = 16 << 20;
inline constexpr int kMaxColumns = 16384;
inline constexpr qint64 kMaxRows = 1048576;
inline constexpr qint64 kMaxCells = 1 << 24;  // rows times width, as the sheet is held

// The sender.
void writeSheet(QIODevice& out, const workbook::Sheet& sheet);
void writeInvoice(QIODevice& out, const invoicefiles::FileReading& reading);
void writeFailure(QIODevice& out, const QString& text);

// A receiver: bytes go in as they arrive, frames are taken apart and handed on; what they make
// is complete when the state is Done, a refusal when Refused.
class Receiver {
public:
    enum class State { Reading, Done, Refused, Broken };
    virtual ~Receiver() = default;

    void feed(const QByteArray& bytes);
    State state() const { return state_; }
    const QString& failure() const { return failure_; }  // Refused

protected:
    // False when the frame breaks the stream's rules.
    virtual bool handle(Frame type, QDataStream& body) = 0;
    void finish() { state_ = State::Done; }

private:
    bool handleFrame(Frame type, const QByteArray& body);

    QByteArray pending_;
    State state_ = State::Reading;
    QString failure_;
};

// A sheet: its beginning, its rows and its end.
class SheetReceiver final : public Receiver {
public:
    workbook::Sheet takeSheet();  // Done

protected:
    bool handle(Frame type, QDataStream& body) override;

private:
    bool begun_ = false;
    workbook::Sheet sheet_;
};

// What an invoice file held: one frame.
class InvoiceReceiver final : public Receiver {
public:
    const invoicefiles::FileReading& reading() const { return reading_; }  // Done

protected:
    bool handle(Frame type, QDataStream& body) override;

private:
    invoicefiles::FileReading reading_;
};

}  // namespace readerprotocol
