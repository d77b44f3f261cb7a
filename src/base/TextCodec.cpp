#include "base/TextCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace textcodec {

QByteArray toGbk(const QString& text) {
    QStringEncoder encoder("GBK");
    return encoder.encode(text);
}

QString fromGbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    return decoder.decode(bytes);
}

qsizetype gbkLength(const QString& text) {
    return toGbk(text).size();
}

bool isGbkEncodable(const QString& text) {
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) {
        return false;
    }
    // Without a reported error an unencodable character still comes out as '?': check by
    // decoding back.
    return fromGbk(bytes) == text;
}

QByteArray toGbkTextMode(const QString& text) {
    QByteArray bytes = toGbk(text);
    bytes.replace("\n", "\r\n");
    return bytes;
}

}  // namespace textcodec
