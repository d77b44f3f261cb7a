#include "import/FreexlReader.h"

#include <freexl.h>

#include <QFile>

namespace freexlreader {

namespace {

AppError complaint(int code) {
    using workbook::Unreadable;
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return workbook::unreadable(Unreadable::Missing);
        case FREEXL_INSUFFICIENT_MEMORY:
            return workbook::unreadable(Unreadable::OutOfMemory);
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
        case FREEXL_CFBF_INVALID_SECTOR_SIZE:
        case FREEXL_CFBF_READ_ERROR:
        case FREEXL_CFBF_SEEK_ERROR:
        case FREEXL_CFBF_EMPTY_FAT_CHAIN:
        case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        case FREEXL_INVALID_MINI_STREAM:
        case FREEXL_CFBF_ILLEGAL_MINI_FAT_ENTRY:
            return workbook::unreadable(Unreadable::Damaged);
        case FREEXL_BIFF_INVALID_BOF:
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return workbook::unreadable(Unreadable::NoWorkbook);
        case FREEXL_BIFF_INVALID_SST:
        case FREEXL_BIFF_ILLEGAL_SST_INDEX:
            return workbook::unreadable(QStringLiteral("工作簿的字符串表已损坏。"));
        case FREEXL_INVALID_CHARACTER:
        case FREEXL_UNSUPPORTED_CHARSET:
            return workbook::unreadable(QStringLiteral("工作簿的文字使用了不支持的字符集。"));
        case FREEXL_ILLEGAL_RK_VALUE:
            return workbook::unreadable(QStringLiteral("工作簿中有无效的数字。"));
        default:
            return workbook::unreadable(QStringLiteral("文件无法读取（FreeXL错误%1）。").arg(code));
    }
}

// A workbook that Excel 2007 or later saved with a password is an OLE2 file holding an
// encrypted package instead of a workbook stream, so FreeXL finds no workbook in it: the
// package's stream name tells it apart.
bool holdsEncryptedPackage(const QString& path) {
    QByteArray name;  // as OLE2 directories write names: UTF-16, little-endian
    for (const char c : QByteArrayView("EncryptedPackage")) {
        name.append(c).append('\0');
    }
    constexpr qint64 kScanned = 64LL * 1024 * 1024;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray carried;
    while (!file.atEnd() && file.pos() < kScanned) {
        const QByteArray block = carried + file.read(1024 * 1024);
        if (block.contains(name)) {
            return true;
        }
        carried = block.right(name.size() - 1);
    }
    return false;
}

[[noreturn]] void fail(const QString& path, int code) {
    if (code == FREEXL_BIFF_WORKBOOK_NOT_FOUND && holdsEncryptedPackage(path)) {
        throw workbook::unreadable(workbook::Unreadable::Encrypted);
    }
    throw complaint(code);
}

class Handle {
public:
    explicit Handle(const QString& path) : path_(path) {
        const int rc = freexl_open(QFile::encodeName(path).constData(), &handle_);
        if (rc != FREEXL_OK) {
            freexl_close(handle_);
            handle_ = nullptr;
            fail(path, rc);
        }
    }
    ~Handle() { freexl_close(handle_); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    void check(int rc) const {
        if (rc != FREEXL_OK) {
            fail(path_, rc);
        }
    }
    unsigned int info(unsigned short what) const {
        unsigned int value = 0;
        check(freexl_get_info(handle_, what, &value));
        return value;
    }
    const void* get() const { return handle_; }

private:
    QString path_;
    const void* handle_ = nullptr;
};

workbook::Cell cellOf(const FreeXL_CellValue& value) {
    using workbook::Cell;
    switch (value.type) {
        case FREEXL_CELL_INT:
            return workbook::numberCell(value.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return workbook::numberCell(value.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
            return workbook::textCell(QString::fromUtf8(value.value.text_value));
        case FREEXL_CELL_DATE: {
            const QString text = QString::fromLatin1(value.value.text_value);
            const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
            return date.isValid() ? workbook::dateCell(date) : workbook::textCell(text);
        }
        case FREEXL_CELL_DATETIME: {
            const QString text = QString::fromLatin1(value.value.text_value);
            const QDateTime dt = QDateTime::fromString(text, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            return dt.isValid() ? workbook::dateTimeCell(dt) : workbook::textCell(text);
        }
        case FREEXL_CELL_TIME: {
            const QString text = QString::fromLatin1(value.value.text_value);
            const QTime time = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
            return time.isValid() ? workbook::timeCell(time) : workbook::textCell(text);
        }
        default:
            return Cell{};
    }
}

}  // namespace

workbook::Sheet readFirstSheet(const QString& path) {
    Handle xls(path);
    if (xls.info(FREEXL_BIFF_PASSWORD) == FREEXL_BIFF_OBFUSCATED) {
        throw workbook::unreadable(workbook::Unreadable::Encrypted);
    }
    if (xls.info(FREEXL_BIFF_SHEET_COUNT) == 0) {
        throw workbook::unreadable(workbook::Unreadable::NoSheet);
    }

    workbook::Sheet sheet;
    const char* name = nullptr;
    if (freexl_get_worksheet_name(xls.get(), 0, &name) == FREEXL_OK && name != nullptr &&
        *name != '\0') {
        sheet.name = QString::fromUtf8(name);
    }
    xls.check(freexl_select_active_worksheet(xls.get(), 0));
    unsigned int rows = 0;
    unsigned short columns = 0;
    xls.check(freexl_worksheet_dimensions(xls.get(), &rows, &columns));

    sheet.columnCount = columns;
    sheet.rows.reserve(rows);
    for (unsigned int r = 0; r < rows; ++r) {
        QList<workbook::Cell> row;
        row.reserve(columns);
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            xls.check(freexl_get_cell_value(xls.get(), r, c, &value));
            row << cellOf(value);
        }
        sheet.rows << std::move(row);
    }
    return sheet;
}

}  // namespace freexlreader
