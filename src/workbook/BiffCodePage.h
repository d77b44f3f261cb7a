#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

namespace biff {

// Decodes the 8-bit texts of a BIFF stream in the code page its CODEPAGE record names. A stream
// without one came from the program's own export on a computer whose system code page is GBK.
class CodePageDecoder {
public:
    void setCodePage(quint16 codePage);
    // Throws AppError when the code page is one the program cannot decode.
    QString decode(QByteArrayView bytes);

private:
    quint16 codePage_ = 936;
    QStringDecoder decoder_{"GBK"};
};

}  // namespace biff
