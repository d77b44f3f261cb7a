#include "import/BiffReader.h"

#include <QStringDecoder>
#include <bit>

namespace biffreader {

namespace {

enum Record : quint16 {
    kBof2 = 0x0009,
    kBof3 = 0x0209,
    kBof4 = 0x0409,
    kBof8 = 0x0809,
    kEof = 0x000A,
    kCodePage = 0x0042,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kRk = 0x027E,
    kMulRk = 0x00BD,
    kMulBlank = 0x00BE,
};

bool isBof(quint16 type) {
    return type == kBof2 || type == kBof3 || type == kBof4 || type == kBof8;
}

quint16 u16(const char* p) {
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}

quint32 u32(const char* p) {
    return quint32(u16(p)) | (quint32(u16(p + 2)) << 16);
}

double f64(const char* p) {
    quint64 bits = 0;
    for (int i = 7; i >= 0; --i) {
        bits = (bits << 8) | quint8(p[i]);
    }
    return std::bit_cast<double>(bits);
}

double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);  // a signed 30-bit integer
    } else {
        value = std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
    }
    return (rk & 0x01) ? value / 100 : value;
}

[[noreturn]] void damaged(const QString& what) {
    throw workbook::unreadable(QStringLiteral("工作表数据已损坏（%1）。").arg(what));
}

class SheetBuilder {
public:
    void put(quint16 row, quint16 column, workbook::Cell cell) {
        touch(row, column);
        sheet_.rows[row][column] = std::move(cell);
    }
    void touch(quint16 row, quint16 column) {
        if (sheet_.rows.size() <= row) {
            sheet_.rows.resize(row + 1);
        }
        QList<workbook::Cell>& cells = sheet_.rows[row];
        if (cells.size() <= column) {
            cells.resize(column + 1);
        }
        sheet_.columnCount = qMax(sheet_.columnCount, column + 1);
    }
    workbook::Sheet finish() {
        for (QList<workbook::Cell>& cells : sheet_.rows) {
            cells.resize(sheet_.columnCount);
        }
        return std::move(sheet_);
    }

private:
    workbook::Sheet sheet_;
};

class TextDecoder {
public:
    void setCodePage(quint16 codePage) {
        codePage_ = codePage;
        const char* name = nullptr;
        switch (codePage) {
            case 936:
                name = "GBK";
                break;
            case 1252:
                name = "windows-1252";
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
        decoder_ =
            name != nullptr
                ? QStringDecoder(name)
                : QStringDecoder((QByteArray("CP") + QByteArray::number(codePage)).constData());
    }
    QString decode(const char* data, qsizetype size) {
        if (!decoder_.isValid()) {
            throw workbook::unreadable(
                QStringLiteral("工作表的文字使用了不支持的代码页%1。").arg(codePage_));
        }
        decoder_.resetState();
        return decoder_.decode(QByteArrayView(data, size));
    }

private:
    quint16 codePage_ = 936;
    // The exporting computer's system code page; a stream without CODEPAGE came from one.
    QStringDecoder decoder_{"GBK"};
};

// LABEL as the program's export writes it (length, then 8-bit text) or as BIFF8 does (length,
// option flags, then 8-bit or UTF-16 characters); the record length tells which.
QString labelText(const char* data, quint16 size, TextDecoder& decoder) {
    const quint16 count = u16(data + 6);
    if (size == 8 + count) {
        return decoder.decode(data + 8, count);
    }
    if (size >= 9) {
        const quint8 flags = quint8(data[8]);
        if ((flags & 0x01) != 0 && size >= 9 + 2 * count) {
            QString text(count, Qt::Uninitialized);
            for (quint16 i = 0; i < count; ++i) {
                text[i] = QChar(u16(data + 9 + 2 * i));
            }
            return text;
        }
        if ((flags & 0x01) == 0 && size >= 9 + count) {
            return QString::fromLatin1(data + 9, count);
        }
    }
    damaged(QStringLiteral("文本单元格格式错误"));
}

}  // namespace

bool looksLikeStream(const QByteArray& bytes) {
    if (bytes.size() < 8) {
        return false;
    }
    const quint16 type = u16(bytes.constData());
    const quint16 size = u16(bytes.constData() + 2);
    return isBof(type) && size >= 4 && size <= 20;
}

workbook::Sheet readStream(const QByteArray& bytes) {
    if (!looksLikeStream(bytes)) {
        damaged(QStringLiteral("缺少开始记录"));
    }
    SheetBuilder sheet;
    TextDecoder decoder;
    const char* const begin = bytes.constData();
    const qsizetype end = bytes.size();
    qsizetype pos = 0;
    int depth = 0;  // embedded substreams (charts) are skipped
    while (pos + 4 <= end) {
        const quint16 type = u16(begin + pos);
        const quint16 size = u16(begin + pos + 2);
        const char* data = begin + pos + 4;
        if (pos + 4 + size > end) {
            damaged(QStringLiteral("记录不完整"));
        }
        pos += 4 + size;
        if (isBof(type)) {
            ++depth;
            continue;
        }
        if (type == kEof) {
            if (--depth == 0) {
                return sheet.finish();
            }
            continue;
        }
        if (depth != 1) {
            continue;
        }
        switch (type) {
            case kCodePage:
                if (size < 2) {
                    damaged(QStringLiteral("代码页记录格式错误"));
                }
                decoder.setCodePage(u16(data));
                break;
            case kLabel:
                if (size < 8) {
                    damaged(QStringLiteral("文本单元格格式错误"));
                }
                sheet.put(u16(data), u16(data + 2),
                          workbook::textCell(labelText(data, size, decoder)));
                break;
            case kNumber:
                if (size < 14) {
                    damaged(QStringLiteral("数字单元格格式错误"));
                }
                sheet.put(u16(data), u16(data + 2), workbook::numberCell(f64(data + 6)));
                break;
            case kRk:
                if (size < 10) {
                    damaged(QStringLiteral("数字单元格格式错误"));
                }
                sheet.put(u16(data), u16(data + 2), workbook::numberCell(rkValue(u32(data + 6))));
                break;
            case kBlank:
                if (size < 6) {
                    damaged(QStringLiteral("空白单元格格式错误"));
                }
                sheet.touch(u16(data), u16(data + 2));
                break;
            case kMulRk: {
                if (size < 6 || (size - 6) % 6 != 0) {
                    damaged(QStringLiteral("数字单元格组格式错误"));
                }
                const quint16 row = u16(data);
                const quint16 first = u16(data + 2);
                for (int i = 0; i < (size - 6) / 6; ++i) {
                    sheet.put(row, quint16(first + i),
                              workbook::numberCell(rkValue(u32(data + 4 + 6 * i + 2))));
                }
                break;
            }
            case kMulBlank: {
                if (size < 6 || size % 2 != 0) {
                    damaged(QStringLiteral("空白单元格组格式错误"));
                }
                const quint16 last = u16(data + size - 2);
                sheet.touch(u16(data), last);
                break;
            }
            default:
                break;  // formats, widths, and whatever else a writer adds
        }
    }
    damaged(QStringLiteral("缺少结束记录，文件可能不完整"));
}

}  // namespace biffreader
