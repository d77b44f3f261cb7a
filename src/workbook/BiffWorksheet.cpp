#include "workbook/BiffWorksheet.h"

#include <optional>

#include "base/AppError.h"
#include "workbook/BiffCodePage.h"
#include "workbook/BiffFormats.h"
#include "workbook/BiffRecords.h"
#include "workbook/SheetGrid.h"

namespace biff {

namespace {

double rkValue(quint32 rk) {
    double value = 0;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);  // a signed 30-bit integer
    } else {
        value = std::bit_cast<double>(quint64(rk & 0xFFFFFFFCu) << 32);
    }
    return (rk & 0x01) ? value / 100 : value;
}

QString errorText(quint8 code) {
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        default:
            return QStringLiteral("#N/A");
    }
}

// A boolean or an error as the spreadsheet shows it.
workbook::Cell boolOrErrorCell(quint8 value, bool isError) {
    if (isError) {
        return workbook::textCell(errorText(value));
    }
    return workbook::textCell(value != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
}

bool isCellRecord(quint16 type) {
    switch (type) {
        case kLabel:
        case kRString:
        case kLabelSst:
        case kNumber:
        case kRk:
        case kMulRk:
        case kBoolErr:
        case kFormula:
        case kFormula4:
        case kBlank:
        case kMulBlank:
            return true;
        default:
            return false;
    }
}

class WorksheetReader {
public:
    WorksheetReader(QByteArrayView stream, qsizetype offset, const WorkbookGlobals& globals)
        : cursor_(stream, offset), globals_(globals), grid_(globals.maxRows) {
        if (globals.codePage) {
            decoder_.setCodePage(*globals.codePage);
        }
    }

    workbook::Sheet read() {
        Record record;
        if (!cursor_.next(record) || !isBof(record.type)) {
            damaged(QStringLiteral("it does not begin with a BOF record"));
        }
        int depth = 1;  // embedded substreams (charts) are skipped
        while (cursor_.next(record)) {
            if (isBof(record.type)) {
                ++depth;
            } else if (record.type == kEof) {
                if (--depth == 0) {
                    return grid_.finish(globals_.firstSheetName);
                }
            } else if (depth == 1) {
                take(record);
            }
        }
        damaged(QStringLiteral("it ends before its EOF record"));
    }

private:
    void take(const Record& record) {
        const char* data = record.data.data();
        const qsizetype size = record.data.size();
        if (isCellRecord(record.type)) {
            formulaAwaitingText_.reset();  // the formula's text never came
        }
        switch (record.type) {
            case kCodePage:
                require(size >= 2, "the CODEPAGE record is malformed");
                decoder_.setCodePage(u16(data));
                break;
            case kDimensions:
                dimensions(record.data);
                break;
            case kLabel:
                require(size >= 8, "a text cell is malformed");
                grid_.put(u16(data), u16(data + 2), workbook::textCell(labelText(record.data)));
                break;
            case kRString:
                require(size >= 8, "a text cell is malformed");
                grid_.put(u16(data), u16(data + 2), workbook::textCell(richText(record.data)));
                break;
            case kLabelSst:
                require(size >= 10, "a text cell is malformed");
                grid_.put(u16(data), u16(data + 2),
                          workbook::textCell(sharedString(u32(data + 6))));
                break;
            case kNumber:
                require(size >= 14, "a number cell is malformed");
                grid_.put(u16(data), u16(data + 2), valueCell(u16(data + 4), f64(data + 6)));
                break;
            case kRk:
                require(size >= 10, "a number cell is malformed");
                grid_.put(u16(data), u16(data + 2),
                          valueCell(u16(data + 4), rkValue(u32(data + 6))));
                break;
            case kMulRk:
                numberGroup(record.data);
                break;
            case kBoolErr:
                require(size >= 8, "a boolean cell is malformed");
                grid_.put(u16(data), u16(data + 2), boolOrErrorCell(quint8(data[6]), data[7] != 0));
                break;
            case kFormula:
            case kFormula4:
                formula(record.data);
                break;
            case kString:
                formulaText(record.data);
                break;
            case kBlank:
                require(size >= 6, "a blank cell is malformed");
                grid_.extend(u16(data), u16(data + 2), 1);
                break;
            case kMulBlank:
                require(size >= 6 && size % 2 == 0, "a blank cell group is malformed");
                grid_.extend(u16(data), u16(data + size - 2), (size - 6) / 2);
                break;
            default:
                break;  // formats, widths, drawings, and whatever else a writer adds
        }
    }

    static void require(bool condition, const char* what) {
        if (!condition) {
            damaged(QString::fromLatin1(what));
        }
    }

    void dimensions(QByteArrayView data) {
        // BIFF8 counts rows in 32 bits, BIFF5 in 16; both give one past the last row and column.
        quint32 rowEnd = 0;
        quint32 columnEnd = 0;
        if (data.size() >= 14) {
            rowEnd = u32(data.data() + 4);
            columnEnd = u16(data.data() + 10);
        } else if (data.size() >= 8) {
            rowEnd = u16(data.data() + 2);
            columnEnd = u16(data.data() + 6);
        } else {
            return;
        }
        if (rowEnd > quint32(globals_.maxRows) || columnEnd > 256) {
            damaged(QStringLiteral("its extent of %1 rows and %2 columns is more than a worksheet "
                                   "can have")
                        .arg(rowEnd)
                        .arg(columnEnd));
        }
    }

    // LABEL as the program's export writes it (length, then 8-bit text) or as BIFF8 does
    // (length, option flags, then 8-bit or UTF-16 characters); the record length tells which.
    QString labelText(QByteArrayView data) {
        const quint16 count = u16(data.data() + 6);
        if (data.size() == 8 + count) {
            return decoder_.decode(data.sliced(8, count));
        }
        if (data.size() >= 9) {
            const bool wide = (quint8(data[8]) & 0x01) != 0;
            if (data.size() >= 9 + (wide ? 2 : 1) * count) {
                return RecordData(data.sliced(9)).chars(count, wide);
            }
        }
        damaged(QStringLiteral("a text cell is malformed"));
    }

    // RSTRING: a LABEL followed by its formatting runs.
    QString richText(QByteArrayView data) {
        RecordData reader(data.sliced(6));
        if (globals_.biff8) {
            return reader.unicodeString();
        }
        return decoder_.decode(reader.bytes(reader.u16()));
    }

    QString sharedString(quint32 index) const {
        if (index >= quint32(globals_.sharedStrings.size())) {
            damaged(QStringLiteral("a text cell refers to a shared string the workbook lacks"));
        }
        return globals_.sharedStrings[index];
    }

    workbook::Cell valueCell(quint16 xf, double value) const {
        if (xf < globals_.dateXfs.size() && globals_.dateXfs[xf]) {
            return dateOrTimeCell(value, globals_.date1904);
        }
        return workbook::numberCell(value);
    }

    void numberGroup(QByteArrayView data) {
        const qsizetype size = data.size();
        require(size >= 6 && (size - 6) % 6 == 0, "a number cell group is malformed");
        const char* p = data.data();
        const quint16 row = u16(p);
        const quint32 first = u16(p + 2);
        for (qsizetype i = 0; i < (size - 6) / 6; ++i) {
            const char* item = p + 4 + 6 * i;
            grid_.put(row, first + quint32(i), valueCell(u16(item), rkValue(u32(item + 2))));
        }
    }

    void formula(QByteArrayView data) {
        require(data.size() >= 14, "a formula cell is malformed");
        const char* p = data.data();
        const quint16 row = u16(p);
        const quint16 column = u16(p + 2);
        const char* result = p + 6;
        if (u16(result + 6) != 0xFFFF) {
            grid_.put(row, column, valueCell(u16(p + 4), f64(result)));
            return;
        }
        switch (quint8(result[0])) {
            case 0x00:  // a text, in the STRING record that follows
                grid_.put(row, column, workbook::Cell{});
                formulaAwaitingText_ = {row, column};
                break;
            case 0x01:
                grid_.put(row, column, boolOrErrorCell(quint8(result[2]), false));
                break;
            case 0x02:
                grid_.put(row, column, boolOrErrorCell(quint8(result[2]), true));
                break;
            default:  // an empty text
                grid_.put(row, column, workbook::Cell{});
                break;
        }
    }

    void formulaText(QByteArrayView data) {
        RecordData reader(data);
        reader.takeContinues(cursor_);
        if (!formulaAwaitingText_) {
            return;
        }
        const QString text =
            globals_.biff8 ? reader.unicodeString() : decoder_.decode(reader.bytes(reader.u16()));
        grid_.put(formulaAwaitingText_->first, formulaAwaitingText_->second,
                  workbook::textCell(text));
        formulaAwaitingText_.reset();
    }

    RecordCursor cursor_;
    const WorkbookGlobals& globals_;
    CodePageDecoder decoder_;
    SheetGrid grid_;
    std::optional<std::pair<quint16, quint16>> formulaAwaitingText_;
};

}  // namespace

workbook::Sheet readWorksheet(QByteArrayView stream, qsizetype offset,
                              const WorkbookGlobals& globals) {
    return WorksheetReader(stream, offset, globals).read();
}

}  // namespace biff
