#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ExportTestSupport.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "export/Exporters.h"

using namespace exporttest;
using exportgrid::PlainGrid;

namespace {

const char16_t kTextTitle[] = u"发票代码\t发票号码\t开票金额\t开票日期\t报销时间\t报销人\t录入方式";
const char16_t kCsvTitle[] =
    u"\"发票代码\";\"发票号码\";\"开票金额\";\"开票日期\";\"报销时间\";\"报销人\";\"录入方式\"";

QString text(const char16_t* s) {
    return QString::fromUtf16(s);
}

}  // namespace

TEST(TextExport, TitleLineThenOneLinePerRecordWithoutFinalLineEnd) {
    PlainGrid grid = twoRecordsGrid();
    const QByteArray bytes = exportBytes(ExporterClass::Text, grid);
    EXPECT_EQ(fromGbk(bytes),
              text(kTextTitle) +
                  QStringLiteral("\r\n012001700111\t12345678\t123.5\t20170120\t2024/3/5 9:30:05\t"
                                 "张三\t扫描\r\n044031900222\t00000002\t100\t20170121\t2024/3/6\t\t"
                                 "手工录入"));
    // GBK bytes, no byte-order mark.
    EXPECT_TRUE(bytes.startsWith(hex("B7 A2 C6 B1 B4 FA C2 EB 09")));
}

TEST(TextExport, EmptyResultIsTheTitleLineAlone) {
    PlainGrid grid = emptyRecordsGrid();
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Text, grid)), text(kTextTitle));
}

TEST(TextExport, TabsQuotesAndLineBreaksGoOutUnchanged) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("a\"b"), QStringLiteral("c\td"), std::nullopt,
                          QStringLiteral("x\r\ny"), std::nullopt, QStringLiteral("李\"四"), 0));
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Text, grid)),
              text(kTextTitle) + QStringLiteral("\r\na\"b\tc\td\t\tx\r\ny\t\t李\"四\t扫描"));
}

TEST(TextExport, MidnightShowsTheDateAloneAndOneSecondLaterTheTime) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("1"), QStringLiteral("2"), 5, QStringLiteral("3"),
                          QDateTime(QDate(2020, 1, 1), QTime(0, 0, 0)), QStringLiteral("A"), 0));
    grid.addRow(recordRow(QStringLiteral("1"), QStringLiteral("2"), -1230000, QStringLiteral("3"),
                          QDateTime(QDate(2020, 1, 1), QTime(0, 0, 1)), QStringLiteral("A"), 0));
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Text, grid)),
              text(kTextTitle) + QStringLiteral("\r\n1\t2\t0.0005\t3\t2020/1/1\tA\t扫描"
                                                "\r\n1\t2\t-123\t3\t2020/1/1 0:00:01\tA\t扫描"));
}

TEST(TextExport, MovedColumnIsExportedWhereTheGridShowsIt) {
    PlainGrid grid = twoRecordsGrid();
    grid.moveColumn(5, 0);  // 报销人 to the front
    EXPECT_EQ(
        fromGbk(exportBytes(ExporterClass::Text, grid)),
        QStringLiteral("报销人\t发票代码\t发票号码\t开票金额\t开票日期\t报销时间\t录入方式"
                       "\r\n张三\t012001700111\t12345678\t123.5\t20170120\t2024/3/5 9:30:05\t"
                       "扫描\r\n\t044031900222\t00000002\t100\t20170121\t2024/3/6\t手工录入"));
}

TEST(CsvExport, QuotedValuesSeparatedBySemicolons) {
    PlainGrid grid = twoRecordsGrid();
    EXPECT_EQ(
        fromGbk(exportBytes(ExporterClass::Csv, grid)),
        text(kCsvTitle) +
            QStringLiteral("\r\n\"012001700111\";\"12345678\";\"123.5\";\"20170120\";"
                           "\"2024/3/5 9:30:05\";\"张三\";\"扫描\"\r\n\"044031900222\";"
                           "\"00000002\";\"100\";\"20170121\";\"2024/3/6\";\"\";\"手工录入\""));
}

TEST(CsvExport, EmptyResultIsTheTitleLineAlone) {
    PlainGrid grid = emptyRecordsGrid();
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Csv, grid)), text(kCsvTitle));
}

TEST(CsvExport, QuotesAreDoubledAndTabsAndLineBreaksStayInsideTheQuotes) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("a\"b"), QStringLiteral("c\td"), std::nullopt,
                          QStringLiteral("x\r\ny"), std::nullopt, QStringLiteral("\"\""), 1));
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Csv, grid)),
              text(kCsvTitle) + QStringLiteral("\r\n\"a\"\"b\";\"c\td\";\"\";\"x\r\ny\";\"\";"
                                               "\"\"\"\"\"\";\"手工录入\""));
}

TEST(ExportFramework, GridReturnsToItsRowAndRepaintsAfterTheExport) {
    PlainGrid grid = twoRecordsGrid();
    grid.setCurrentRow(1);
    exportBytes(ExporterClass::Csv, grid);
    EXPECT_EQ(grid.currentRow(), 1);
    EXPECT_FALSE(grid.exporting());
    EXPECT_EQ(grid.exportsBegun(), 1);
}

TEST(ExportFramework, FailureMidwayRestoresTheGridAndKeepsWhatWasWritten) {
    QTemporaryDir dir;
    PlainGrid grid = twoRecordsGrid();
    grid.failAtRow(1, QStringLiteral("disk gone"));
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    try {
        exportGridToFile(ExporterClass::Text, grid, file, true);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("disk gone"));
    }
    EXPECT_EQ(grid.currentRow(), 0);
    EXPECT_FALSE(grid.exporting());
    EXPECT_EQ(testfiles::readGbk(file),
              text(kTextTitle) + QStringLiteral("\r\n012001700111\t12345678\t123.5\t20170120\t"
                                                "2024/3/5 9:30:05\t张三\t扫描"));
}

TEST(ExportFramework, FileThatCannotBeCreatedIsReportedBeforeAnythingHappens) {
    QTemporaryDir dir;
    PlainGrid grid = twoRecordsGrid();
    const QString file = dir.filePath(QStringLiteral("missing/out.csv"));
    try {
        exportGridToFile(ExporterClass::Csv, grid, file, true);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot create file ") + file);
    }
    EXPECT_EQ(grid.exportsBegun(), 0);
}

TEST(ExportFramework, ExistingFileIsReplaced) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.txt"));
    testfiles::writeBytes(file, QByteArray(100000, 'x'));
    PlainGrid grid = emptyRecordsGrid();
    exportGridToFile(ExporterClass::Text, grid, file, true);
    EXPECT_EQ(testfiles::readGbk(file), text(kTextTitle));
}

TEST(ExportFramework, FullDiskIsAWriteErrorNotASuccess) {
    if (!QFile::exists(QStringLiteral("/dev/full"))) {
        GTEST_SKIP() << "no /dev/full";
    }
    PlainGrid grid = twoRecordsGrid();
    try {
        exportGridToFile(ExporterClass::Text, grid, QStringLiteral("/dev/full"), true);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Stream write error"));
    }
    EXPECT_FALSE(grid.exporting());
}
