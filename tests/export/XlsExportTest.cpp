#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ExportTestSupport.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "export/Exporters.h"
#include "export/XlsExport.h"

using namespace exporttest;
using exportgrid::Cell;
using exportgrid::Column;
using exportgrid::FieldType;
using exportgrid::PlainGrid;

namespace {

const char kBofAndCodePage[] = "09 08 08 00 00 00 10 00 00 00 00 00  42 00 02 00 A8 03";
const char kTitleRow[] =
    "04 02 10 00 00 00 00 00 00 00 08 00 B7 A2 C6 B1 B4 FA C2 EB"
    "04 02 10 00 00 00 01 00 00 00 08 00 B7 A2 C6 B1 BA C5 C2 EB"
    "04 02 10 00 00 00 02 00 00 00 08 00 BF AA C6 B1 BD F0 B6 EE"
    "04 02 10 00 00 00 03 00 00 00 08 00 BF AA C6 B1 C8 D5 C6 DA"
    "04 02 10 00 00 00 04 00 00 00 08 00 B1 A8 CF FA CA B1 BC E4"
    "04 02 0E 00 00 00 05 00 00 00 06 00 B1 A8 CF FA C8 CB"
    "04 02 10 00 00 00 06 00 00 00 08 00 C2 BC C8 EB B7 BD CA BD";
const char kEof[] = "0A 00 00 00";

// The records of a BIFF stream, each with its header.
QList<QByteArray> records(const QByteArray& stream) {
    QList<QByteArray> out;
    qsizetype at = 0;
    while (at + 4 <= stream.size()) {
        const int length = quint8(stream[at + 2]) | (quint8(stream[at + 3]) << 8);
        out << stream.mid(at, 4 + length);
        at += 4 + length;
    }
    EXPECT_EQ(at, stream.size());
    return out;
}

PlainGrid oneColumnGrid(FieldType type) {
    Column column;
    column.title = QStringLiteral("N");
    column.fieldType = type;
    return PlainGrid({column});
}

}  // namespace

TEST(XlsExport, EmptyResultIsBofCodePageTitleLabelsAndEof) {
    PlainGrid grid = emptyRecordsGrid();
    EXPECT_EQ(exportBytes(ExporterClass::Xls, grid),
              hex(kBofAndCodePage) + hex(kTitleRow) + hex(kEof));
}

TEST(XlsExport, WorkedExampleRecords) {
    PlainGrid grid = twoRecordsGrid();
    const QList<QByteArray> recs = records(exportBytes(ExporterClass::Xls, grid));
    ASSERT_EQ(recs.size(), 2 + 7 + 14 + 1);
    EXPECT_EQ(recs[0], hex("09 08 08 00 00 00 10 00 00 00 00 00"));
    EXPECT_EQ(recs[1], hex("42 00 02 00 A8 03"));
    EXPECT_EQ(recs[2], hex("04 02 10 00 00 00 00 00 00 00 08 00 B7 A2 C6 B1 B4 FA C2 EB"));
    EXPECT_EQ(recs[7], hex("04 02 0E 00 00 00 05 00 00 00 06 00 B1 A8 CF FA C8 CB"));
    // First record, row 1.
    EXPECT_EQ(recs[9], QByteArray(hex("04 02 14 00 01 00 00 00 00 00 0C 00") + "012001700111"));
    EXPECT_EQ(recs[11], hex("03 02 0E 00 01 00 02 00 00 00 00 00 00 00 00 E0 5E 40"));
    EXPECT_EQ(recs[12], QByteArray(hex("04 02 10 00 01 00 03 00 00 00 08 00") + "20170120"));
    EXPECT_EQ(recs[13],
              QByteArray(hex("04 02 18 00 01 00 04 00 00 00 10 00") + "2024/3/5 9:30:05"));
    EXPECT_EQ(recs[14], hex("04 02 0C 00 01 00 05 00 00 00 04 00 D5 C5 C8 FD"));
    EXPECT_EQ(recs[15], hex("04 02 0C 00 01 00 06 00 00 00 04 00 C9 A8 C3 E8"));
    // Second record, row 2: 100.00, midnight, null reimburser, manual entry.
    EXPECT_EQ(recs[18], hex("03 02 0E 00 02 00 02 00 00 00 00 00 00 00 00 00 59 40"));
    EXPECT_EQ(recs[20], QByteArray(hex("04 02 10 00 02 00 04 00 00 00 08 00") + "2024/3/6"));
    EXPECT_EQ(recs[21], hex("01 02 06 00 02 00 05 00 17 00"));
    EXPECT_EQ(recs[22], hex("04 02 10 00 02 00 06 00 00 00 08 00 CA D6 B9 A4 C2 BC C8 EB"));
    EXPECT_EQ(recs[23], hex(kEof));
}

TEST(XlsExport, NullAndZeroAmounts) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("1"), QStringLiteral("2"), std::nullopt,
                          QStringLiteral("3"), std::nullopt, QStringLiteral("A"), 0));
    grid.addRow(recordRow(QStringLiteral("1"), QStringLiteral("2"), 0, QStringLiteral("3"),
                          std::nullopt, QStringLiteral("A"), 0));
    const QList<QByteArray> recs = records(exportBytes(ExporterClass::Xls, grid));
    ASSERT_EQ(recs.size(), 2 + 7 + 14 + 1);
    EXPECT_EQ(recs[11], hex("01 02 06 00 01 00 02 00 17 00"));  // null amount
    EXPECT_EQ(recs[13], hex("01 02 06 00 01 00 04 00 17 00"));  // null time
    EXPECT_EQ(recs[18], hex("03 02 0E 00 02 00 02 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(XlsExport, CellRecordFollowsTheFieldType) {
    Column none;
    none.title = QStringLiteral("a");
    none.fieldType = FieldType::None;
    Column lookup;
    lookup.title = QStringLiteral("b");
    lookup.lookup = true;
    Column integer;
    integer.title = QStringLiteral("c");
    integer.fieldType = FieldType::Integer;
    Column real;
    real.title = QStringLiteral("d");
    real.fieldType = FieldType::Float;
    PlainGrid grid({none, lookup, integer, real});
    Cell shown = exportgrid::nullCell();
    shown.displayText = QStringLiteral("x");
    grid.addRow({exportgrid::textCell(QStringLiteral("ignored")), shown, exportgrid::integerCell(5),
                 exportgrid::nullCell()});
    grid.addRow({exportgrid::nullCell(), exportgrid::textCell(QString()),
                 exportgrid::integerCell(-3), exportgrid::integerCell(0)});
    const QList<QByteArray> recs = records(exportBytes(ExporterClass::Xls, grid));
    ASSERT_EQ(recs.size(), 2 + 4 + 8 + 1);
    EXPECT_EQ(recs[6], hex("01 02 06 00 01 00 00 00 17 00"));
    EXPECT_EQ(recs[7], QByteArray(hex("04 02 09 00 01 00 01 00 00 00 01 00") + "x"));
    EXPECT_EQ(recs[8], hex("7E 02 0A 00 01 00 02 00 00 00 16 00 00 00"));
    EXPECT_EQ(recs[9], hex("01 02 06 00 01 00 03 00 17 00"));
    EXPECT_EQ(recs[11], hex("04 02 08 00 02 00 01 00 00 00 00 00"));
    EXPECT_EQ(recs[12], hex("7E 02 0A 00 02 00 02 00 00 00 F6 FF FF FF"));
    EXPECT_EQ(recs[13], hex("03 02 0E 00 02 00 03 00 00 00 00 00 00 00 00 00 00 00"));
}

TEST(XlsExport, IntegerBeyondThirtyBitsIsWrittenAsANumber) {
    PlainGrid grid = oneColumnGrid(FieldType::Integer);
    grid.addRow({exportgrid::integerCell(536870911)});
    grid.addRow({exportgrid::integerCell(536870912)});
    const QList<QByteArray> recs = records(exportBytes(ExporterClass::Xls, grid));
    ASSERT_EQ(recs.size(), 6);
    EXPECT_EQ(recs[3], hex("7E 02 0A 00 01 00 00 00 00 00 FE FF FF 7F"));
    EXPECT_EQ(recs[4], hex("03 02 0E 00 02 00 00 00 00 00 00 00 00 00 00 00 C0 41"));
}

TEST(XlsExport, LastSheetRowIsUsedByRecord65535) {
    PlainGrid grid = oneColumnGrid(FieldType::Text);
    grid.setRowSource(65535, [](qint64) { return QList<Cell>{exportgrid::textCell("r")}; });
    const QByteArray bytes = exportBytes(ExporterClass::Xls, grid);
    EXPECT_TRUE(
        bytes.endsWith(QByteArray(hex("04 02 09 00 FF FF 00 00 00 00 01 00") + "r" + hex(kEof))));
}

TEST(XlsExport, MoreThan65535RecordsAreRefusedBeforeTheFileIsTouched) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.xls"));
    testfiles::writeBytes(file, "old");
    PlainGrid grid = oneColumnGrid(FieldType::Text);
    grid.setRowSource(65536, [](qint64) { return QList<Cell>{exportgrid::textCell("r")}; });
    try {
        exportGridToFile(ExporterClass::Xls, grid, file, true);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("共65536条记录，超过Excel工作表的上限65535条，无法导出"
                                 "为Excel工作簿，请缩小查询范围后再导出!"));
    }
    EXPECT_EQ(testfiles::readBytes(file), QByteArray("old"));
    EXPECT_EQ(grid.exportsBegun(), 0);
}

TEST(XlsExport, RowsBeyondTheSheetAreNeverWrittenOverEarlierOnes) {
    // A result that grows during the export: the count said 65535, the cursor gives more.
    class GrowingGrid : public exportgrid::Grid {
    public:
        PlainGrid inner = oneColumnGrid(FieldType::Text);
        QString name() const override { return inner.name(); }
        bool showsLines() const override { return true; }
        bool has3DLook() const override { return false; }
        bool isFlat() const override { return false; }
        exportgrid::Rgb fixedColor() const override { return {}; }
        int screenDpi() const override { return 96; }
        QList<Column> columns() const override { return inner.columns(); }
        qint64 rowCount() const override { return 65535; }
        std::unique_ptr<exportgrid::RowCursor> rows() override { return inner.rows(); }
        void beginExport() override {}
        void endExport() override {}
        void selectAllRows() override {}
        void clearRowSelection() override {}
    } grid;
    grid.inner.setRowSource(65536, [](qint64) { return QList<Cell>{exportgrid::textCell("r")}; });
    EXPECT_THROW(exportBytes(ExporterClass::Xls, grid), AppError);
}
