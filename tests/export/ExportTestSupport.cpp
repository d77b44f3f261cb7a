#include "ExportTestSupport.h"

#include "base/TextCodec.h"
#include "export/Exporters.h"
#include "export/OutputStream.h"

namespace exporttest {

using namespace exportgrid;

PlainGrid emptyRecordsGrid(const SystemColours& colours) {
    return PlainGrid(recordsColumns(colours), colours);
}

QList<Cell> recordRow(const QString& code, const QString& number, std::optional<qint64> amount,
                      const QString& date, std::optional<QDateTime> time, const QString& reimburser,
                      int mode) {
    return {textCell(code),     textCell(number),
            amountCell(amount), textCell(date),
            dateTimeCell(time), reimburser.isEmpty() ? nullCell() : textCell(reimburser),
            entryModeCell(mode)};
}

PlainGrid twoRecordsGrid(const SystemColours& colours) {
    PlainGrid grid = emptyRecordsGrid(colours);
    grid.addRow(recordRow(QStringLiteral("012001700111"), QStringLiteral("12345678"), 1235000,
                          QStringLiteral("20170120"), QDateTime(QDate(2024, 3, 5), QTime(9, 30, 5)),
                          QStringLiteral("张三"), 0));
    grid.addRow(recordRow(QStringLiteral("044031900222"), QStringLiteral("00000002"), 1000000,
                          QStringLiteral("20170121"), QDateTime(QDate(2024, 3, 6), QTime(0, 0)),
                          QString(), 1));
    return grid;
}

QByteArray exportBytes(ExporterClass exporterClass, Grid& grid) {
    const std::unique_ptr<GridExport> exporter = createExporter(exporterClass);
    exporter->setGrid(&grid);
    exportio::MemoryOutputStream out;
    exporter->ExportToStream(out, true);
    return out.data();
}

QByteArray hex(const char* pairs) {
    return QByteArray::fromHex(QByteArray(pairs).replace(' ', ""));
}

QString fromGbk(const QByteArray& bytes) {
    return textcodec::fromGbk(bytes);
}

QByteArray gbk(const QString& text) {
    return textcodec::toGbk(text);
}

}  // namespace exporttest
