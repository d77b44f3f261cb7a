#include "export/XlsExport.h"

#include <cstring>

#include "base/AppError.h"

using exportgrid::Column;
using exportgrid::FieldType;

namespace {

constexpr quint16 kBof = 0x0809;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kLabel = 0x0204;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kRk = 0x027E;
constexpr quint16 kBlank = 0x0201;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kGbkCodePage = 936;
constexpr qsizetype kMaxLabelBytes = 0xFFFF - 8;
// An RK integer keeps 30 bits.
constexpr qint64 kRkMin = -536870912;
constexpr qint64 kRkMax = 536870911;

AppError tooManyRecords(qint64 count) {
    return tooManyRecordsForSheet(count, XlsExport::kMaxRecords);
}

}  // namespace

void XlsExport::checkRowCount() const {
    const qint64 count = ExportedGrid->rowCount();
    if (count > kMaxRecords) {
        throw tooManyRecords(count);
    }
}

void XlsExport::ExportToFile(const QString& fileName, bool exportAll) {
    checkRowCount();
    GridExport::ExportToFile(fileName, exportAll);
}

void XlsExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    checkRowCount();
    col_ = 0;
    row_ = 0;
    sheetFull_ = false;
    GridExport::ExportToStream(stream, exportAll);
}

void XlsExport::WritePrefix() {
    Stream->writeUInt16(kBof);
    Stream->writeUInt16(8);
    Stream->writeUInt16(0);       // version
    Stream->writeUInt16(0x0010);  // worksheet
    Stream->writeUInt16(0);       // build
    Stream->writeUInt16(0);       // year
    Stream->writeUInt16(kCodePage);
    Stream->writeUInt16(2);
    Stream->writeUInt16(kGbkCodePage);
}

void XlsExport::WriteSuffix() {
    Stream->writeUInt16(kEof);
    Stream->writeUInt16(0);
}

void XlsExport::IncColRow() {
    if (col_ + 1 >= ExpCols.size()) {
        // Past the sheet's last row the number would wrap over the title row.
        if (row_ == 0xFFFF) {
            sheetFull_ = true;
        }
        ++row_;
        col_ = 0;
    } else {
        ++col_;
    }
}

void XlsExport::writeCellHeader(quint16 type, quint16 length, quint16 format) {
    if (sheetFull_) {
        // The row count changed under the export; never write over earlier rows.
        throw tooManyRecords(ExportedGrid->rowCount());
    }
    Stream->writeUInt16(type);
    Stream->writeUInt16(length);
    Stream->writeUInt16(row_);
    Stream->writeUInt16(col_);
    Stream->writeUInt16(format);
}

void XlsExport::WriteBlankCell() {
    writeCellHeader(kBlank, 6, 0x0017);
    IncColRow();
}

void XlsExport::WriteFloatCell(double value) {
    writeCellHeader(kNumber, 14, 0);
    quint64 bits = 0;
    std::memcpy(&bits, &value, 8);
    Stream->writeUInt32(quint32(bits & 0xFFFFFFFFu));
    Stream->writeUInt32(quint32(bits >> 32));
    IncColRow();
}

void XlsExport::WriteIntegerCell(qint32 value) {
    writeCellHeader(kRk, 10, 0);
    Stream->writeUInt32((quint32(value) << 2) | 0x2);
    IncColRow();
}

void XlsExport::WriteStringCell(const QString& text) {
    const QByteArray& bytes = gbk(text);
    if (bytes.size() > kMaxLabelBytes) {
        throw AppError(
            QStringLiteral("单元格文本过长（%1字节），无法导出为Excel工作簿!").arg(bytes.size()));
    }
    writeCellHeader(kLabel, quint16(bytes.size() + 8), 0);
    Stream->writeUInt16(quint16(bytes.size()));
    Stream->write(bytes);
    IncColRow();
}

void XlsExport::WriteTitle(const QList<Column>& columns) {
    for (const Column& column : columns) {
        WriteStringCell(column.title);
    }
}

void XlsExport::WriteDataCell(const Column& column, CellParams& params) {
    if (column.fieldType == FieldType::None) {
        WriteBlankCell();
    } else if (column.lookup) {
        WriteStringCell(params.Text);
    } else if (params.Value.isNull) {
        WriteBlankCell();
    } else if (column.fieldType == FieldType::Integer) {
        const qint64 value = params.Value.integer;
        if (value >= kRkMin && value <= kRkMax) {
            WriteIntegerCell(qint32(value));
        } else {
            // Too wide for an RK value: a double holds it without losing the top bits.
            WriteFloatCell(double(value));
        }
    } else if (column.fieldType == FieldType::Decimal || column.fieldType == FieldType::Float) {
        WriteFloatCell(params.Value.number);
    } else {
        WriteStringCell(params.Text);
    }
}

void XlsExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font&, exportgrid::Rgb,
                                exportgrid::Alignment, const QString& text) {
    WriteStringCell(text);
}
