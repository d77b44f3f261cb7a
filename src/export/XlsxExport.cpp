#include "export/XlsxExport.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryFile>

#include "base/AppError.h"
#include "base/LocaleFormats.h"

using exportgrid::Alignment;
using exportgrid::Column;
using exportgrid::FieldType;

namespace {

// Excel's longest cell text.
constexpr qsizetype kMaxTextLength = 32767;

uint8_t alignmentOf(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return LXW_ALIGN_RIGHT;
        case Alignment::Center:
            return LXW_ALIGN_CENTER;
        case Alignment::Left:
            break;
    }
    return LXW_ALIGN_LEFT;
}

// The grid's date-time display in the spreadsheet's number format codes ("yyyy/m/d h:mm:ss"),
// where "m" after an hour means minutes.
QByteArray dateTimeFormatCode() {
    return (QString::fromLatin1(localefmt::kShortDate) + u' ' +
            QString::fromLatin1(localefmt::kLongTime))
        .toLower()
        .toLatin1();
}

// Workbooks write characters XML cannot hold as _xHHHH_, and readers decode every such sequence.
// libxlsxwriter writes control characters so, but leaves a sequence typed in a text as it is,
// which would then read back as another character: the "_" that begins one is written as
// _x005F_.
QString withLiteralEscapesKept(const QString& text) {
    if (!text.contains(u"_x")) {
        return text;
    }
    static const QRegularExpression escape(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    QString kept = text;
    return kept.replace(escape, QStringLiteral("_x005F_"));
}

}  // namespace

void XlsxExport::WorkbookCloser::operator()(lxw_workbook* workbook) const {
    lxw_workbook_free(workbook);  // a workbook left unfinished by a failure
}

XlsxExport::XlsxExport() = default;
XlsxExport::~XlsxExport() = default;

void XlsxExport::checkRowCount() const {
    const qint64 count = ExportedGrid->rowCount();
    if (count > kMaxRecords) {
        throw tooManyRecordsForSheet(count, kMaxRecords);
    }
}

void XlsxExport::ExportToFile(const QString& fileName, bool exportAll) {
    checkRowCount();
    GridExport::ExportToFile(fileName, exportAll);
}

void XlsxExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    checkRowCount();
    // libxlsxwriter packs the workbook into a file of its own choosing only.
    QTemporaryFile packed(QDir::tempPath() + QStringLiteral("/fpbx-export-XXXXXX.xlsx"));
    if (!packed.open()) {
        throw AppError(QStringLiteral("Cannot create file %1").arg(packed.fileTemplate()));
    }
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_.reset(workbook_new_opt(QFile::encodeName(packed.fileName()).constData(), &options));
    if (!workbook_) {
        throw AppError(QStringLiteral("Cannot create file %1").arg(packed.fileName()));
    }
    row_ = 0;
    col_ = 0;
    try {
        GridExport::ExportToStream(stream, exportAll);
    } catch (...) {
        workbook_.reset();
        throw;
    }

    QByteArray block(256 * 1024, Qt::Uninitialized);
    packed.seek(0);
    for (;;) {
        const qint64 got = packed.read(block.data(), block.size());
        if (got < 0) {
            throw AppError(QStringLiteral("Stream read error"));
        }
        if (got == 0) {
            break;
        }
        stream.write(block.constData(), got);
    }
}

void XlsxExport::check(int error) const {
    if (error == LXW_NO_ERROR) {
        return;
    }
    throw AppError(QStringLiteral("Excel 2007工作簿写入失败：%1")
                       .arg(QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

void XlsxExport::WritePrefix() {
    sheet_ = workbook_add_worksheet(workbook_.get(), nullptr);
    if (sheet_ == nullptr) {
        check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    dateTimeFormat_ = workbook_add_format(workbook_.get());
    format_set_num_format(dateTimeFormat_, dateTimeFormatCode().constData());
    titleFormats_.clear();
    for (int c = 0; c < ExpCols.size(); ++c) {
        lxw_format* title = workbook_add_format(workbook_.get());
        format_set_align(title, alignmentOf(ExpCols.at(c).titleAlignment));
        titleFormats_ << title;
        check(worksheet_set_column_pixels(sheet_, lxw_col_t(c), lxw_col_t(c),
                                          uint32_t(qMax(0, ExpCols.at(c).width)), nullptr));
    }
}

void XlsxExport::WriteSuffix() {
    // Closing packs the workbook and frees it, whether or not that succeeds.
    const lxw_error error = workbook_close(workbook_.release());
    check(error);
}

void XlsxExport::writeText(const QString& text, lxw_format* format) {
    if (text.size() > kMaxTextLength) {
        throw AppError(QStringLiteral("单元格文本过长（%1个字符），无法导出为Excel 2007工作簿!")
                           .arg(text.size()));
    }
    utf8_ = withLiteralEscapesKept(text).toUtf8();
    check(worksheet_write_string(sheet_, row_, col_, utf8_.constData(), format));
}

void XlsxExport::WriteTitle(const QList<Column>& columns) {
    for (int c = 0; c < columns.size(); ++c) {
        col_ = quint16(c);
        writeText(columns.at(c).title, titleFormats_.at(c));
    }
}

void XlsxExport::WriteRecord(const QList<Column>& columns) {
    if (row_ >= kMaxRecords) {
        // The result grew under the export; the sheet has no row left.
        throw tooManyRecordsForSheet(ExportedGrid->rowCount(), kMaxRecords);
    }
    ++row_;
    col_ = 0;
    GridExport::WriteRecord(columns);
}

void XlsxExport::WriteDataCell(const Column& column, CellParams& params) {
    if (column.lookup) {
        writeText(params.Text, nullptr);
    } else if (column.fieldType == FieldType::None || params.Value.isNull) {
        // An empty cell: nothing is written.
    } else if (column.fieldType == FieldType::Integer) {
        check(worksheet_write_number(sheet_, row_, col_, double(params.Value.integer), nullptr));
    } else if (column.fieldType == FieldType::Decimal || column.fieldType == FieldType::Float) {
        check(worksheet_write_number(sheet_, row_, col_, params.Value.number, nullptr));
    } else if (column.fieldType == FieldType::DateTime) {
        // The grid hands over a date-time as the text it displays, in the locale formats.
        const std::optional<localefmt::DateAndTime> value =
            localefmt::parseDateAndTime(params.Text);
        if (value && value->date.year() >= 1900) {  // the spreadsheet's first year
            const QDate& d = value->date;
            const QTime& t = value->time;
            lxw_datetime when{d.year(), d.month(),  d.day(),
                              t.hour(), t.minute(), double(t.second())};
            check(worksheet_write_datetime(sheet_, row_, col_, &when, dateTimeFormat_));
        } else {
            writeText(params.Text, nullptr);
        }
    } else if (!params.Text.isEmpty()) {
        writeText(params.Text, nullptr);
    }
    ++col_;
}
