#include "workbook/BiffGlobals.h"

#include <QHash>

#include "base/AppError.h"
#include "workbook/BiffCodePage.h"
#include "workbook/BiffFormats.h"
#include "workbook/BiffRecords.h"
#include "workbook/WorkbookRefusal.h"

namespace biff {

namespace {

constexpr quint16 kBiff8Version = 0x0600;
constexpr quint16 kGlobalsSubstream = 0x0005;
constexpr quint8 kWorksheetSheet = 0x00;

class GlobalsReader {
public:
    explicit GlobalsReader(QByteArrayView stream) : cursor_(stream, 0) {}

    WorkbookGlobals read() {
        Record record;
        if (!cursor_.next(record) || record.type != kBof || record.data.size() < 4 ||
            u16(record.data.data() + 2) != kGlobalsSubstream) {
            throw workbook::unreadable(workbook::Unreadable::NoWorkbook);
        }
        globals_.biff8 = u16(record.data.data()) >= kBiff8Version;
        globals_.maxRows = globals_.biff8 ? 65536 : 16384;
        while (cursor_.next(record)) {
            if (record.type == kEof) {
                return finish();
            }
            take(record);
        }
        damaged(QStringLiteral("the workbook stream ends before its globals do"));
    }

private:
    void take(const Record& record) {
        const char* data = record.data.data();
        const qsizetype size = record.data.size();
        switch (record.type) {
            case kFilePass:
                throw workbook::unreadable(workbook::Unreadable::Encrypted);
            case kCodePage:
                if (size >= 2) {
                    globals_.codePage = u16(data);
                    decoder_.setCodePage(u16(data));
                }
                break;
            case kDateMode:
                globals_.date1904 = size >= 2 && u16(data) != 0;
                break;
            case kFormat:
            case kFormat4:
                format(record.data);
                break;
            case kXf:
                if (size < 4) {
                    damaged(QStringLiteral("a cell style is malformed"));
                }
                xfFormats_ << u16(data + 2);
                break;
            case kSst:
                sharedStrings(record.data);
                break;
            case kBoundSheet:
                boundSheet(record.data);
                break;
            default:
                break;
        }
    }

    void format(QByteArrayView data) {
        RecordData reader(data);
        const quint16 index = reader.u16();
        const QString text =
            globals_.biff8 ? reader.unicodeString() : decode(reader.bytes(reader.u8()));
        customDateFormats_.insert(index, formatShowsDateOrTime(text));
    }

    void sharedStrings(QByteArrayView data) {
        RecordData reader(data);
        reader.takeContinues(cursor_);
        try {
            reader.skip(4);  // the count of cells that use them
            const quint32 count = reader.u32();
            // Every string takes three bytes at least: the count is not trusted further.
            globals_.sharedStrings.reserve(qMin<qsizetype>(count, data.size() / 3));
            for (quint32 i = 0; i < count; ++i) {
                globals_.sharedStrings << reader.unicodeString();
            }
        } catch (const AppError& error) {
            throw AppError(QStringLiteral("the workbook's shared strings are damaged (%1)")
                               .arg(error.message()));
        }
    }

    void boundSheet(QByteArrayView data) {
        if (sheetFound_) {
            return;
        }
        RecordData reader(data);
        const quint32 offset = reader.u32();
        reader.u8();  // visibility: the first worksheet counts, hidden or not
        if (reader.u8() != kWorksheetSheet) {
            return;  // a chart, macro or module sheet
        }
        globals_.firstSheetName =
            globals_.biff8 ? reader.shortUnicodeString() : decode(reader.bytes(reader.u8()));
        globals_.firstSheetOffset = offset;
        sheetFound_ = true;
    }

    QString decode(const QByteArray& bytes) { return decoder_.decode(bytes); }

    WorkbookGlobals finish() {
        if (!sheetFound_) {
            throw workbook::unreadable(workbook::Unreadable::NoSheet);
        }
        globals_.dateXfs.reserve(xfFormats_.size());
        for (const quint16 format : xfFormats_) {
            const auto custom = customDateFormats_.constFind(format);
            globals_.dateXfs << (custom != customDateFormats_.cend()
                                     ? *custom
                                     : builtInFormatIsDateOrTime(format));
        }
        return std::move(globals_);
    }

    RecordCursor cursor_;
    WorkbookGlobals globals_;
    CodePageDecoder decoder_;
    QList<quint16> xfFormats_;
    QHash<quint16, bool> customDateFormats_;
    bool sheetFound_ = false;
};

}  // namespace

WorkbookGlobals readGlobals(QByteArrayView stream) {
    return GlobalsReader(stream).read();
}

}  // namespace biff
