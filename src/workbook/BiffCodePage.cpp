#include "workbook/BiffCodePage.h"

#include "base/AppError.h"
#include "workbook/WorkbookRefusal.h"

namespace biff {

void CodePageDecoder::setCodePage(quint16 codePage) {
    codePage_ = codePage;
    const char* name = nullptr;
    switch (codePage) {
        case 936:
            name = "GBK";
            break;
        case 1252:
            name = "windows-1252";
            break;
        case 10000:
            name = "macintosh";
            break;
        case 65001:
            name = "UTF-8";
            break;
        case 367:   // ASCII
        case 1200:  // UTF-16: 8-bit texts are then Latin-1
            name = "ISO-8859-1";
            break;
        default:
            break;
    }
    decoder_ = name != nullptr
                   ? QStringDecoder(name)
                   : QStringDecoder((QByteArray("CP") + QByteArray::number(codePage)).constData());
}

QString CodePageDecoder::decode(QByteArrayView bytes) {
    if (!decoder_.isValid()) {
        throw workbook::unreadable(
            QStringLiteral("不支持文件中文字的编码（代码页%1）。").arg(codePage_));
    }
    decoder_.resetState();
    return decoder_.decode(bytes);
}

}  // namespace biff
