#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

#include "import/Workbook.h"

class QIODevice;

// What the reader process sends back over its pipe: length-prefixed frames, each a type byte
// and a body. A sheet is its beginning (name, width), one frame per row and its end (the row
// count, as a check); a refusal is one failure frame with the text for the clerk.
namespace readerprotocol {

enum class Frame : quint8 { SheetBegin = 1, Row = 2, SheetEnd = 3, Failure = 4 };

// Limits the receiving side holds the stream to, whatever it says.
inline constexpr qint64 kMaxFrameBytes = 16 << 20;
inline constexpr int kMaxColumns = 16384;
inline constexpr qint64 kMaxRows = 1048576;
inline constexpr qint64 kMaxCells = 1 << 24;  // rows times width, as the sheet is held

// The sender.
void writeSheet(QIODevice& out, const workbook::Sheet& sheet);
void writeFailure(QIODevice& out, const QString& text);

// The receiver: bytes go in as they arrive; a sheet or a failure comes out once complete.
class SheetReceiver {
public:
    enum class State { Reading, Done, Refused, Broken };

    void feed(const QByteArray& bytes);
    State state() const { return state_; }
    workbook::Sheet takeSheet();                         // Done
    const QString& failure() const { return failure_; }  // Refused

private:
    bool handle(Frame type, const QByteArray& body);
    void breakOff() { state_ = State::Broken; }

    QByteArray pending_;
    State state_ = State::Reading;
    bool begun_ = false;
    workbook::Sheet sheet_;
    QString failure_;
};

}  // namespace readerprotocol
