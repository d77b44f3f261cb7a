#include <gtest/gtest.h>

#include <QStringEncoder>

#include "ImportFixtures.h"
#include "XlsFixtures.h"
#include "workbook/BiffFormats.h"
#include "workbook/Workbook.h"
#include "workbook/XlsReader.h"

using workbook::Cell;
using Kind = workbook::Cell::Kind;
using xlsfixtures::CompoundFile;
using xlsfixtures::fixturePath;
using xlsfixtures::WorkbookStream;

namespace {

QStringList texts(const workbook::Sheet& sheet, qsizetype row) {
    QStringList result;
    for (const Cell& cell : sheet.rows.value(row)) {
        result << cell.text;
    }
    return result;
}

QStringList columnTexts(const workbook::Sheet& sheet, int column) {
    QStringList result;
    for (qsizetype r = 1; r < sheet.rows.size(); ++r) {
        result << sheet.cell(r, column).text;
    }
    return result;
}

QList<Kind> columnKinds(const workbook::Sheet& sheet, int column) {
    QList<Kind> result;
    for (qsizetype r = 1; r < sheet.rows.size(); ++r) {
        result << sheet.cell(r, column).kind;
    }
    return result;
}

// A one-sheet workbook: "发票代码" and 123.45 in its first row, as the tests below wrap it.
QByteArray smallWorkbook() {
    WorkbookStream s;
    s.globalsBof().sst({QStringLiteral("发票代码")}, 1).boundSheet(QStringLiteral("S")).eof();
    s.worksheetBof().labelSst(0, 0, 0).number(0, 1, 123.45).eof();
    return s.bytes();
}

TEST(XlsWorkbooks, FormulasGiveTheResultTheWorkbookSaved) {
    const workbook::Sheet sheet = workbook::readFirstSheet(fixturePath("libreoffice_cells.xls"));
    EXPECT_EQ(sheet.name, "发票");
    EXPECT_EQ(sheet.columnCount, 4);
    ASSERT_EQ(sheet.rows.size(), 7);
    EXPECT_EQ(columnTexts(sheet, 3),
              (QStringList{"246.9", "发票号码", "TRUE", "#DIV/0!", "", "2024/1/31 13:05:09"}));
    EXPECT_EQ(columnKinds(sheet, 3), (QList<Kind>{Kind::Number, Kind::Text, Kind::Text, Kind::Text,
                                                  Kind::Empty, Kind::DateTime}));
}

TEST(XlsWorkbooks, ValuesAreReadAsSavedWhateverTheirFormatShows) {
    const workbook::Sheet sheet = workbook::readFirstSheet(fixturePath("libreoffice_cells.xls"));
    EXPECT_EQ(texts(sheet, 0), (QStringList{"代码", "金额", "日期", "公式"}));
    EXPECT_EQ(columnTexts(sheet, 0),
              (QStringList{"044031900111", "044031900111", "合计", "时间", "", "日期公式"}));
    // 3.5 is shown as "3.50 days": letters of a date in quotes make no date.
    EXPECT_EQ(columnTexts(sheet, 1),
              (QStringList{"123.45", "-3", "12345678901", "3.5", "0.1", ""}));
    // 2023-03-15 12:00 shown as yyyy-mm-dd keeps its time; 年月日 dates are dates too.
    EXPECT_EQ(columnTexts(sheet, 2), (QStringList{"2023/3/15 12:00:00", "2020/1/1", "2024/5/6",
                                                  "8:30:00", "2024/1/31 13:05:09", ""}));
    EXPECT_EQ(columnKinds(sheet, 2), (QList<Kind>{Kind::DateTime, Kind::Date, Kind::Date,
                                                  Kind::Time, Kind::DateTime, Kind::Empty}));
    EXPECT_EQ(sheet.cell(1, 2).value, QDateTime(QDate(2023, 3, 15), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(sheet.cell(2, 2).value, QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
}

TEST(XlsWorkbooks, DatesCountFromTheWorkbooksDateSystem) {
    const workbook::Sheet saved = workbook::readFirstSheet(fixturePath("libreoffice_1904.xls"));
    EXPECT_EQ(texts(saved, 1), (QStringList{"2020/1/1", "2024/1/31 13:05:09"}));
    EXPECT_EQ(texts(saved, 2), (QStringList{"1904/1/2", "23:59:59"}));

    // The same serial number, 1, under a date format in each system.
    for (const bool from1904 : {false, true}) {
        WorkbookStream s;
        s.globalsBof();
        if (from1904) {
            s.dateMode1904();
        }
        s.xf(0).xf(14).boundSheet(QStringLiteral("S")).eof();
        s.worksheetBof().number(0, 0, 1, 1).eof();
        const workbook::Sheet sheet = xlsreader::readWorkbook(xlsfixtures::xlsFile(s.bytes()));
        EXPECT_EQ(sheet.cell(0, 0).text, from1904 ? "1904/1/2" : "1900/1/1");
    }
}

TEST(XlsWorkbooks, SharedStringsCutAcrossRecordsComeWhole) {
    // LibreOffice cuts string 148 (one byte a character) and 296 (two) at a record boundary.
    const workbook::Sheet sheet = workbook::readFirstSheet(fixturePath("libreoffice_strings.xls"));
    ASSERT_EQ(sheet.rows.size(), 400);
    EXPECT_EQ(texts(sheet, 148),
              QStringList(2,
                          "text 0148 abcdefghiabcdefghiabcdefghiabcdefghiabcdefghiabcdefghi"
                          "abcdefghi"));
    EXPECT_EQ(texts(sheet, 296), QStringList(2, "报销人0296发票代码号码发票代码号码发票代码号码"));
    EXPECT_EQ(texts(sheet, 399), QStringList(2,
                                             "text 0399 abcdefghijabcdefghijabcdefghijabcdefghij"
                                             "abcdefghijabcdefghijabcdefghijabcdefghij"));

    // Records of 20 bytes cut nearly every text; a text begun in one byte a character may go on
    // in two.
    WorkbookStream s;
    s.globalsBof()
        .sst({QStringLiteral("发票代码号码金额日期报销人"),
              QStringLiteral("abcdefghijklmnopqrstuvwxyz0123456789"), QStringLiteral("混合mixed")},
             4, 20)
        .record(0x003C, QByteArray("\x04\x00\x00"
                                   "ab",
                                   5))
        .record(0x003C, QByteArray("\x01\xD1\x53\x68\x79", 5))
        .boundSheet(QStringLiteral("S"))
        .eof();
    s.worksheetBof().labelSst(0, 0, 0).labelSst(0, 1, 1).labelSst(0, 2, 2).labelSst(0, 3, 3).eof();
    const workbook::Sheet cut = xlsreader::readWorkbook(xlsfixtures::xlsFile(s.bytes()));
    EXPECT_EQ(texts(cut, 0),
              (QStringList{"发票代码号码金额日期报销人", "abcdefghijklmnopqrstuvwxyz0123456789",
                           "混合mixed", "ab发票"}));
}

TEST(XlsWorkbooks, Biff5BookStreamsAreReadInTheirCodePage) {
    QStringEncoder gbk("GBK");
    WorkbookStream s(false);
    s.globalsBof().codePage(936).format(164, QStringLiteral("yyyy-mm-dd")).xf(0).xf(164);
    s.boundSheet(QStringLiteral("Old")).eof();
    s.worksheetBof()
        .label(0, 0, gbk.encode(QStringLiteral("报销人")))
        .number(0, 1, 45000.5, 1)
        .eof();
    CompoundFile file;
    file.streams = {{QStringLiteral("Book"), s.bytes()}};
    const workbook::Sheet sheet = xlsreader::readWorkbook(file.build().bytes);
    EXPECT_EQ(sheet.name, "Old");
    EXPECT_EQ(texts(sheet, 0), (QStringList{"报销人", "2023/3/15 12:00:00"}));
}

TEST(CompoundFiles, TheWorkbookStreamIsFoundWhereverItLies) {
    const QByteArray workbook = smallWorkbook();
    QByteArray padded = workbook;  // records of type 0 after EOF, as writers pad
    padded.resize(6000, '\0');

    CompoundFile mini;  // under 4096 bytes: in the mini stream, after another stream
    mini.streams = {{QStringLiteral("\x05SummaryInformation"), QByteArray(200, 'x')},
                    {QStringLiteral("WORKBOOK"), workbook}};
    CompoundFile large;
    large.streams = {{QStringLiteral("Workbook"), padded}};
    CompoundFile version4;
    version4.sectorShift = 12;
    version4.streams = {{QStringLiteral("Workbook"), padded}};
    CompoundFile version4Mini = version4;
    version4Mini.streams = {{QStringLiteral("Workbook"), workbook}};
    CompoundFile manyTables;  // more table sectors than the header lists
    manyTables.minFatSectors = 120;
    manyTables.streams = {{QStringLiteral("Workbook"), padded}};

    for (CompoundFile* file : {&mini, &large, &version4, &version4Mini, &manyTables}) {
        const workbook::Sheet sheet = xlsreader::readWorkbook(file->build().bytes);
        EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "123.45"}))
            << file->sectorShift << " " << file->bytes.size();
    }
    EXPECT_GT(manyTables.bytes.size(), 109 * 512);
}

TEST(NumberFormats, DateAndTimeLettersCountOutsideTextsAndBracketsOnly) {
    for (const char* format :
         {"yyyy-mm-dd", "m/d/yy", "h:mm:ss AM/PM", "[$-804]yyyy\"年\"m\"月\"d\"日\"", "[h]:mm",
          "[ss]", "[Red]d-mmm", "YYYY/M/D", "0.00;[Blue]dd"}) {
        EXPECT_TRUE(biff::formatShowsDateOrTime(QString::fromUtf8(format))) << format;
    }
    for (const char* format :
         {"0.00\" days\"", "General", "[Red]#,##0.00", "#,##0_);(#,##0)", "\\d0", "0.0E+00", "@",
          "[>=100]0;0.00", "_(* #,##0_)", "[$¥-804]#,##0.00", "0\"h\"", "* #,##0;-* #,##0"}) {
        EXPECT_FALSE(biff::formatShowsDateOrTime(QString::fromUtf8(format))) << format;
    }
    for (const quint16 index : {14, 22, 27, 36, 45, 47, 50, 58}) {
        EXPECT_TRUE(biff::builtInFormatIsDateOrTime(index)) << index;
    }
    for (const quint16 index : {0, 2, 13, 23, 26, 37, 44, 48, 49, 59, 164}) {
        EXPECT_FALSE(biff::builtInFormatIsDateOrTime(index)) << index;
    }
}

TEST(NumberFormats, SerialNumbersBecomeDatesTimesOrBoth) {
    const auto cell = [](double value, bool date1904 = false) {
        const Cell c = biff::dateOrTimeCell(value, date1904);
        return std::make_pair(c.kind, c.text);
    };
    EXPECT_EQ(cell(45000.5), std::make_pair(Kind::DateTime, QString("2023/3/15 12:00:00")));
    EXPECT_EQ(cell(45322.545243055555),
              std::make_pair(Kind::DateTime, QString("2024/1/31 13:05:09")));
    EXPECT_EQ(cell(45000), std::make_pair(Kind::Date, QString("2023/3/15")));
    EXPECT_EQ(cell(45000.9999999), std::make_pair(Kind::Date, QString("2023/3/16")));
    EXPECT_EQ(cell(1), std::make_pair(Kind::Date, QString("1900/1/1")));
    EXPECT_EQ(cell(59), std::make_pair(Kind::Date, QString("1900/2/28")));
    EXPECT_EQ(cell(61), std::make_pair(Kind::Date, QString("1900/3/1")));
    EXPECT_EQ(cell(0.5), std::make_pair(Kind::Time, QString("12:00:00")));
    EXPECT_EQ(cell(0), std::make_pair(Kind::Time, QString("0:00:00")));
    EXPECT_EQ(cell(0, true), std::make_pair(Kind::Time, QString("0:00:00")));
    EXPECT_EQ(cell(43465.25, true), std::make_pair(Kind::DateTime, QString("2023/1/1 6:00:00")));
    EXPECT_EQ(cell(-1), std::make_pair(Kind::Number, QString("-1")));
    EXPECT_EQ(cell(3000000), std::make_pair(Kind::Number, QString("3000000")));
}

}  // namespace
