#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ImportFixtures.h"
#include "TestFiles.h"
#include "XlsxFixtures.h"
#include "base/AppError.h"
#include "workbook/Workbook.h"
#include "workbook/XlsxNumberFormats.h"
#include "workbook/XlsxReader.h"

using fixtures::Row;
using workbook::Cell;
using namespace xlsxfixtures;

namespace {

QStringList texts(const workbook::Sheet& sheet, qsizetype row) {
    QStringList result;
    for (const Cell& cell : sheet.rows.value(row)) {
        result << cell.text;
    }
    return result;
}

QList<Cell::Kind> kinds(const workbook::Sheet& sheet, qsizetype row) {
    QList<Cell::Kind> result;
    for (const Cell& cell : sheet.rows.value(row)) {
        result << cell.kind;
    }
    return result;
}

QString errorOf(const QString& path, const xlsxreader::Limits& limits = {}) {
    try {
        xlsxreader::readFirstSheet(path, limits);
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

class XlsxReaderTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    // A hand-made package of one sheet, written and read.
    workbook::Sheet readPackage(const Parts& parts) {
        writeZip(file("made.xlsx"), parts);
        return workbook::readFirstSheet(file("made.xlsx"));
    }
    QString refusalOf(const Parts& parts, const xlsxreader::Limits& limits = {}) {
        writeZip(file("refused.xlsx"), parts);
        return errorOf(file("refused.xlsx"), limits);
    }
    QTemporaryDir dir;
};

TEST_F(XlsxReaderTest, OpenpyxlCellsBecomeTheirTextsOnTheFirstSheet) {
    const fixtures::SheetSpec first{
        "导入数据",
        {Row{"发票代码", QJsonValue(), "报销时间"}, Row{123, 12.5, 0.1, 12345678901.0, -3},
         Row{fixtures::date("2020-01-01"),
             formatted(fixtures::date("2021-02-03"), "yyyy\"年\"m\"月\"d\"日\""),
             builtInFormatted(fixtures::date("2022-12-31"), 14),
             fixtures::dateTime("2024-01-31 13:05:09"),
             formatted(fixtures::dateTime("2023-03-15 12:00:00"), "yyyy/m/d"),
             fixtures::timeOfDay("08:30:00")},
         Row{formatted(number(45000.5), "[$-804]yyyy-mm-dd;@"),
             formatted(number(45000), "[Red]yyyy\\-mm\\-dd"),
             builtInFormatted(fixtures::dateTime("2024-01-31 13:05:00"), 22), formula("=1+2"),
             boolean(true), formatted(number(1.5), "0.00")}}};
    const fixtures::SheetSpec second{"第二", {Row{"other"}}};
    writeXlsx(file("cells.xlsx"), {first, second});

    const workbook::Sheet sheet = workbook::readFirstSheet(file("cells.xlsx"));
    EXPECT_EQ(sheet.name, "导入数据");
    EXPECT_EQ(sheet.columnCount, 6);
    ASSERT_EQ(sheet.rows.size(), 4);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "", "报销时间", "", "", ""}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"123", "12.5", "0.1", "12345678901", "-3", ""}));
    EXPECT_EQ(texts(sheet, 2),
              (QStringList{"2020/1/1", "2021/2/3", "2022/12/31", "2024/1/31 13:05:09",
                           "2023/3/15 12:00:00", "8:30:00"}));
    // A formula openpyxl wrote has no cached value: the sheet shows nothing there yet.
    EXPECT_EQ(texts(sheet, 3), (QStringList{"2023/3/15 12:00:00", "2023/3/15", "2024/1/31 13:05:00",
                                            "", "1", "1.5"}));
    using K = Cell::Kind;
    EXPECT_EQ(kinds(sheet, 2),
              (QList<K>{K::Date, K::Date, K::Date, K::DateTime, K::DateTime, K::Time}));
    EXPECT_EQ(kinds(sheet, 3),
              (QList<K>{K::DateTime, K::Date, K::DateTime, K::Empty, K::Number, K::Number}));
    EXPECT_EQ(sheet.rows[2][4].value, QDateTime(QDate(2023, 3, 15), QTime(12, 0), Qt::UTC));
}

TEST_F(XlsxReaderTest, DatesOfThe1904SystemAreTheirOwnDates) {
    writeXlsx(file("mac.xlsx"),
              {fixtures::SheetSpec{
                  "Sheet1",
                  {Row{fixtures::date("2020-01-01"), fixtures::dateTime("2023-12-31 06:00:00")}}}},
              true);
    EXPECT_EQ(texts(workbook::readFirstSheet(file("mac.xlsx")), 0),
              (QStringList{"2020/1/1", "2023/12/31 6:00:00"}));
}

// Made by LibreOffice Calc 7.4 (headless conversion to "Calc MS Excel 2007 XML"): escaped format
// codes, a formula with its cached value, shared strings, a second sheet.
TEST_F(XlsxReaderTest, ALibreOfficeWorkbookIsRead) {
    const workbook::Sheet sheet = workbook::readFirstSheet(
        QStringLiteral(FPBX_SOURCE_DIR "/tests/testsupport/workbooks/data/libreoffice.xlsx"));
    EXPECT_EQ(sheet.name, "发票");
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "发票号码", "开票金额", "开票日期",
                                            "报销时间", "报销人", ""}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"044031900111", "123", "12.5", "2020/1/1",
                                            "2024/1/31 13:05:09", "张三", "124"}));
    EXPECT_EQ(texts(sheet, 2), (QStringList{"044031900112", "00000124", "0.1", "2021/2/3",
                                            "2023/11/30 23:59:58", "O'Brien \"x\"", "8:30:00"}));
}

TEST_F(XlsxReaderTest, StringsInEveryFormTheFileMayHoldThem) {
    const QByteArray shared =
        "<si><t>plain</t></si>"
        "<si><r><rPr><b/></rPr><t>发票</t></r><r><t xml:space=\"preserve\"> 代码</t></r>"
        "<rPh sb=\"0\" eb=\"2\"><t>ふりがな</t></rPh></si>"
        "<si><t>line_x000D__x000A_two _x005F_x0041_</t></si>"
        "<si/>";
    const QByteArray cells =
        "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
        "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>"
        "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>inline</t></is></c>"
        "<c r=\"B2\" t=\"inlineStr\"><is><r><t>报销</t></r><r><t>人</t></r></is></c>"
        "<c r=\"C2\" t=\"str\"><f>A2&amp;\"_x\"</f><v>inline_x0021_</v></c>"
        "<c r=\"D2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c></row>"
        "<row r=\"3\"><c r=\"A3\" t=\"d\"><v>2024-01-31T13:05:09</v></c>"
        "<c r=\"B3\" t=\"d\"><v>2020-01-01</v></c><c r=\"C3\" t=\"b\"><v>0</v></c>"
        "<c r=\"D3\"><f>1+1</f></c></row>";
    const workbook::Sheet sheet = readPackage(package(cells, shared));
    EXPECT_EQ(sheet.name, "Sheet1");
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"plain", "发票 代码", "line\r\ntwo _x0041_", ""}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"inline", "报销人", "inline!", "#DIV/0!"}));
    EXPECT_EQ(texts(sheet, 2), (QStringList{"2024/1/31 13:05:09", "2020/1/1", "0", ""}));
}

TEST_F(XlsxReaderTest, CellsAndRowsWithoutReferencesFollowThePreviousOnes) {
    const QByteArray cells =
        "<row><c><v>1</v></c><c><v>2</v></c><c r=\"E1\"><v>5</v></c><c><v>6</v></c></row>"
        "<row r=\"4\"><c r=\"B4\"><v>42</v></c></row>"
        "<row><c><v>7</v></c></row>";
    const workbook::Sheet sheet = readPackage(package(cells));
    EXPECT_EQ(sheet.columnCount, 6);
    ASSERT_EQ(sheet.rows.size(), 5);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"1", "2", "", "", "5", "6"}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"", "", "", "", "", ""}));
    EXPECT_EQ(texts(sheet, 3), (QStringList{"", "42", "", "", "", ""}));
    EXPECT_EQ(texts(sheet, 4), (QStringList{"7", "", "", "", "", ""}));
}

TEST_F(XlsxReaderTest, NumberFormatsComeFromTheCellFormatsOnly) {
    // Format 14 is redefined as a number format; the cell style's date format is not a cell
    // format; format 0 applies to cells without a style.
    const QByteArray styles =
        "<numFmts count=\"2\"><numFmt numFmtId=\"14\" formatCode=\"0.00\"/>"
        "<numFmt numFmtId=\"164\" formatCode=\"yyyy\\-mm\\-dd\"/></numFmts>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"22\"/></cellStyleXfs>"
        "<cellXfs count=\"4\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"164\"/>"
        "<xf numFmtId=\"31\"/></cellXfs>"
        "<dxfs count=\"1\"><dxf><numFmt numFmtId=\"165\" formatCode=\"hh:mm\"/></dxf></dxfs>";
    const QByteArray cells =
        "<row r=\"1\"><c r=\"A1\"><v>45000</v></c><c r=\"B1\" s=\"1\"><v>45000</v></c>"
        "<c r=\"C1\" s=\"2\"><v>45000</v></c><c r=\"D1\" s=\"3\"><v>45000</v></c>"
        "<c r=\"E1\" s=\"9\"><v>45000</v></c></row>";
    EXPECT_EQ(texts(readPackage(package(cells, {}, styles)), 0),
              (QStringList{"45000", "45000", "2023/3/15", "2023/3/15", "45000"}));
}

TEST_F(XlsxReaderTest, PackagesAreFollowedTheWayTheyNameTheirParts) {
    // The workbook where the package's relationships put it, prefixed elements, the first sheet
    // in a part that is not sheet1.xml reached through an absolute target, the 1904 system.
    const QByteArray main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    Parts parts = package("");
    parts.removeIf([](const auto& p) { return p.first.startsWith("xl/"); });
    part(parts, "_rels/.rels") =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"R1\" Type=\"" +
        rel +
        "/officeDocument\" Target=\"/book/wb.xml\"/>"
        "</Relationships>";
    part(parts, "book/wb.xml") =
        "<x:workbook xmlns:x=\"" + main + "\" xmlns:rel=\"" + rel +
        "\"><x:workbookPr date1904=\"true\"/><x:sheets>"
        "<x:sheet name=\"第一\" sheetId=\"2\" rel:id=\"R7\"/>"
        "<x:sheet name=\"第二\" sheetId=\"1\" rel:id=\"R1\"/></x:sheets></x:workbook>";
    part(parts, "book/_rels/wb.xml.rels") =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"R1\" Type=\"" +
        rel +
        "/worksheet\" Target=\"sheets/sheet1.xml\"/>"
        "<Relationship Id=\"R7\" Type=\"" +
        rel +
        "/worksheet\" Target=\"/Data/First%20Sheet.xml\"/>"
        "<Relationship Id=\"R8\" Type=\"" +
        rel +
        "/styles\" Target=\"../book/./s.xml\"/>"
        "</Relationships>";
    part(parts, "book/sheets/sheet1.xml") = "<worksheet xmlns=\"" + main +
                                            "\"><sheetData><row><c><v>2</v></c></row></sheetData>"
                                            "</worksheet>";
    part(parts, "Data/First Sheet.xml") =
        "<x:worksheet xmlns:x=\"" + main +
        "\"><x:sheetData><x:row r=\"1\">"
        "<x:c r=\"A1\" s=\"1\"><x:v>43829.25</x:v></x:c><x:c r=\"B1\"><x:v>1</x:v></x:c>"
        "</x:row></x:sheetData></x:worksheet>";
    part(parts, "book/s.xml") = "<x:styleSheet xmlns:x=\"" + main +
                                "\"><x:cellXfs>"
                                "<x:xf numFmtId=\"0\"/><x:xf numFmtId=\"22\"/></x:cellXfs>"
                                "</x:styleSheet>";
    const workbook::Sheet sheet = readPackage(parts);
    EXPECT_EQ(sheet.name, "第一");
    EXPECT_EQ(texts(sheet, 0), (QStringList{"2023/12/31 6:00:00", "1"}));
}

TEST_F(XlsxReaderTest, AWorkbookIsReadByItsContentWhateverItsName) {
    writeXlsx(file("really-xlsx.xls"), {Row{"发票代码", 1}});
    fixtures::writeXls(file("really-xls.xlsx"), {Row{"发票代码", 2}});
    EXPECT_EQ(texts(workbook::readFirstSheet(file("really-xlsx.xls")), 0),
              (QStringList{"发票代码", "1"}));
    EXPECT_EQ(texts(workbook::readFirstSheet(file("really-xls.xlsx")), 0),
              (QStringList{"发票代码", "2"}));
}

TEST_F(XlsxReaderTest, TheShippedXlsxTemplateHoldsTheSevenHeadingsAndNoRows) {
    const workbook::Sheet sheet =
        workbook::readFirstSheet(QStringLiteral(FPBX_IMPORT_TEMPLATE_XLSX));
    ASSERT_EQ(sheet.rows.size(), 1);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "发票号码", "开票金额", "开票日期",
                                            "报销时间", "报销人", "录入方式"}));
}

TEST_F(XlsxReaderTest, DamagedArchivesAreRefusedWithAReason) {
    writeXlsx(file("whole.xlsx"), {Row{"发票代码", 1}});
    const QByteArray whole = testfiles::readBytes(file("whole.xlsx"));
    testfiles::writeBytes(file("cut.xlsx"), whole.left(whole.size() / 2));
    EXPECT_EQ(errorOf(file("cut.xlsx")), "无法读取该Excel表：文件不完整或已损坏。");

    // A stream whose checksum does not match what it expands to.
    Parts parts = package("<row><c><v>1</v></c></row>");
    writeZip(file("crc.xlsx"), parts);
    QByteArray bytes = testfiles::readBytes(file("crc.xlsx"));
    const qsizetype sheetAt = bytes.indexOf("xl/worksheets/sheet1.xml");
    bytes[sheetAt - 30 + 14] = char(bytes[sheetAt - 30 + 14] ^ 0x5A);  // its local CRC
    bytes[bytes.indexOf("xl/worksheets/sheet1.xml", sheetAt + 1) - 46 + 16] ^= 0x5A;
    testfiles::writeBytes(file("crc.xlsx"), bytes);
    EXPECT_EQ(errorOf(file("crc.xlsx")), "无法读取该Excel表：文件不完整或已损坏。");

    EXPECT_EQ(refusalOf({{"word/document.xml", "<document/>"}}),
              "无法读取该Excel表：文件中没有Excel工作簿。");
    Parts noSheets = package("");
    part(noSheets, "xl/workbook.xml") = "<workbook><sheets/></workbook>";
    EXPECT_EQ(refusalOf(noSheets), "无法读取该Excel表：工作簿中没有工作表。");
    Parts lostSheet = package("");
    lostSheet.removeIf([](const auto& p) { return p.first == "xl/worksheets/sheet1.xml"; });
    EXPECT_EQ(refusalOf(lostSheet), "无法读取该Excel表：找不到第一个工作表的内容。");
    EXPECT_EQ(refusalOf(package("<row><c t=\"s\"><v>1</v></c></row>", "<si><t>a</t></si>")),
              "无法读取该Excel表：单元格引用了不存在的共享字符串。");
}

TEST_F(XlsxReaderTest, MalformedOrHostileXmlIsRefusedAsDamaged) {
    EXPECT_EQ(refusalOf(package("<row><c r=\"A1\"><v>1</v></row>")),
              "无法读取该Excel表：xl/worksheets/sheet1.xml 已损坏（第1行）。");
    // Entities that would expand a thousand times over: no part of a workbook has a DTD.
    Parts laughs = package("<row><c t=\"s\"><v>0</v></c></row>", "<si><t>&lol3;</t></si>");
    part(laughs, "xl/sharedStrings.xml")
        .prepend(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE sst [<!ENTITY lol \"lol\">"
            "<!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">"
            "<!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">]>\n");
    EXPECT_EQ(refusalOf(laughs), "无法读取该Excel表：xl/sharedStrings.xml 已损坏（第2行）。");
    // One text longer than any cell holds, and elements nested past any use.
    EXPECT_EQ(refusalOf(package("<row><c t=\"s\"><v>0</v></c></row>",
                                "<si><t>" + QByteArray(3 * 1024 * 1024, 'A') + "</t></si>")),
              "无法读取该Excel表：xl/sharedStrings.xml 中有过长的文本，可能已损坏。");
    EXPECT_EQ(
        refusalOf(package("<row><c><is>" + QByteArray("<r>").repeated(80) + "</is></c></row>")),
        "无法读取该Excel表：xl/worksheets/sheet1.xml 已损坏（第1行）。");
}

TEST_F(XlsxReaderTest, SheetsBeyondTheSpreadsheetsBoundsAreRefusedBeforeTheyAreHeld) {
    EXPECT_EQ(refusalOf(package("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>")),
              "无法读取该Excel表：单元格位置“XFE1”不在Excel工作表的范围（A1至XFD1048576）之内。");
    EXPECT_EQ(
        refusalOf(package("<row><c r=\"A1048577\"><v>1</v></c></row>")),
        "无法读取该Excel表：单元格位置“A1048577”不在Excel工作表的范围（A1至XFD1048576）之内。");
    EXPECT_EQ(refusalOf(package("<row><c r=\"1A\"><v>1</v></c></row>")),
              "无法读取该Excel表：单元格位置“1A”不在Excel工作表的范围（A1至XFD1048576）之内。");
    EXPECT_EQ(refusalOf(package("<row r=\"1048577\"><c><v>1</v></c></row>")),
              "无法读取该Excel表：工作表超过1048576行。");
    EXPECT_EQ(refusalOf(package("<row r=\"1048576\"/>" + QByteArray("<row/>"))),
              "无法读取该Excel表：工作表超过1048576行。");
    EXPECT_EQ(refusalOf(package("<row><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row>")),
              "无法读取该Excel表：工作表超过16384列。");
    // Two cells at opposite corners: 17 billion cells once rows are padded.
    EXPECT_EQ(refusalOf(package("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                "<row r=\"1048576\"><c r=\"XFD1048576\"><v>1</v></c></row>")),
              "无法读取该Excel表：工作表过大（超过10000000个单元格）。");
    xlsxreader::Limits small;
    small.cells = 100;
    EXPECT_EQ(refusalOf(package("<row><c r=\"A1\"><v>1</v></c></row>"
                                "<row r=\"10\"><c r=\"Z10\"><v>1</v></c></row>"),
                        small),
              "无法读取该Excel表：工作表过大（超过100个单元格）。");
    EXPECT_EQ(refusalOf(package("<row><c r=\"A1\" t=\"s\"><v>0</v></c></row>",
                                QByteArray("<si><t>a</t></si>").repeated(101)),
                        small),
              "无法读取该Excel表：工作表过大（超过100个单元格）。");
}

TEST_F(XlsxReaderTest, AZipBombIsRefusedBeforeOrWhileItExpands) {
    const QString tooLarge = QStringLiteral("无法读取该Excel表：文件解压后过大，可能已损坏。");
    // Expanding to 600 MiB, its sizes declared truly.
    writeBomb(file("bomb.xlsx"), 600);
    EXPECT_EQ(errorOf(file("bomb.xlsx")), tooLarge);

    // Sizes declared falsely: the bytes are counted as they come.
    const QByteArray rows = QByteArray("<row/>").repeated(500000);
    writeZip(file("liar.xlsx"), package(rows));
    declareSize(file("liar.xlsx"), "xl/worksheets/sheet1.xml", 100);
    xlsxreader::Limits limits;
    limits.entryBytes = 1024 * 1024;
    EXPECT_EQ(errorOf(file("liar.xlsx"), limits), tooLarge);
    limits.entryBytes = 4 * 1024 * 1024;
    EXPECT_EQ(errorOf(file("liar.xlsx"), limits), "(no error)");

    // Each part within its limit, together over theirs.
    writeZip(file("parts.xlsx"), package(rows, QByteArray("<si><t>a</t></si>").repeated(100000)));
    limits.totalBytes = 4 * 1024 * 1024;
    EXPECT_EQ(errorOf(file("parts.xlsx"), limits), tooLarge);
}

TEST(XlsxNumberFormats, DateAndTimeTokensOutsideTextAndBrackets) {
    using xlsxformats::Shows;
    const std::pair<const char16_t*, Shows> codes[] = {
        {u"General", Shows::Number},
        {u"G/通用格式", Shows::Number},
        {u"@", Shows::Number},
        {u"0.00", Shows::Number},
        {u"#,##0.00\"元\"", Shows::Number},
        {u"0.00E+00", Shows::Number},
        {u"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)", Shows::Number},
        {u"[Red]0.00", Shows::Number},
        {u"0\"d\"", Shows::Number},
        {u"0\\d", Shows::Number},
        {u"0;[Red]yyyy", Shows::Number},
        {u"yyyy-mm-dd", Shows::Date},
        {u"YYYY\\-MM\\-DD", Shows::Date},
        {u"m/d", Shows::Date},
        {u"mmm-yy", Shows::Date},
        {u"yyyy\"年\"m\"月\"d\"日\"", Shows::Date},
        {u"[DBNum1][$-804]m\"月\"d\"日\"", Shows::Date},
        {u"[$-804]yyyy-mm-dd;@", Shows::Date},
        {u"h:mm", Shows::Time},
        {u"mm:ss", Shows::Time},
        {u"h:mm AM/PM", Shows::Time},
        {u"上午/下午h\"时\"mm\"分\"", Shows::Time},
        {u"[h]:mm:ss", Shows::Time},
        {u"[mm]", Shows::Time},
        {u"yyyy/m/d h:mm:ss", Shows::DateTime},
        {u"m/d/yy h:mm", Shows::DateTime},
    };
    for (const auto& [code, shows] : codes) {
        EXPECT_EQ(xlsxformats::formatCode(QStringView(code)), shows)
            << QString::fromUtf16(code).toStdString();
    }
    const std::pair<int, Shows> builtIn[] = {
        {0, Shows::Number},  {2, Shows::Number},    {14, Shows::Date}, {17, Shows::Date},
        {20, Shows::Time},   {22, Shows::DateTime}, {31, Shows::Date}, {33, Shows::Time},
        {46, Shows::Time},   {49, Shows::Number},   {57, Shows::Date}, {58, Shows::Date},
        {164, Shows::Number}};
    for (const auto& [id, shows] : builtIn) {
        EXPECT_EQ(xlsxformats::builtInFormat(id), shows) << id;
    }
}

TEST(XlsxNumberFormats, SerialNumbersBecomeDatesAndTimes) {
    using xlsxformats::Shows;
    struct Case {
        double serial;
        Shows shows;
        bool date1904;
        Cell::Kind kind;
        const char* text;
    };
    const Case cases[] = {
        {45000, Shows::Date, false, Cell::Kind::Date, "2023/3/15"},
        {45000.5, Shows::Date, false, Cell::Kind::DateTime, "2023/3/15 12:00:00"},
        {45000.5, Shows::Time, false, Cell::Kind::DateTime, "2023/3/15 12:00:00"},
        {45000, Shows::DateTime, false, Cell::Kind::DateTime, "2023/3/15 0:00:00"},
        {0.5, Shows::Time, false, Cell::Kind::Time, "12:00:00"},
        {0.75, Shows::DateTime, false, Cell::Kind::Time, "18:00:00"},
        {45000.999999, Shows::Date, false, Cell::Kind::Date, "2023/3/16"},
        {45000.0000116, Shows::Date, false, Cell::Kind::DateTime, "2023/3/15 0:00:01"},
        {1, Shows::Date, false, Cell::Kind::Date, "1900/1/1"},
        {59, Shows::Date, false, Cell::Kind::Date, "1900/2/28"},
        {61, Shows::Date, false, Cell::Kind::Date, "1900/3/1"},
        {2958465, Shows::Date, false, Cell::Kind::Date, "9999/12/31"},
        {2958466, Shows::Date, false, Cell::Kind::Number, "2958466"},
        {-1, Shows::Date, false, Cell::Kind::Number, "-1"},
        {0, Shows::Date, true, Cell::Kind::Date, "1904/1/1"},
        {43829.25, Shows::Date, true, Cell::Kind::DateTime, "2023/12/31 6:00:00"},
        {0.25, Shows::Time, true, Cell::Kind::Time, "6:00:00"},
        {45000.5, Shows::Number, false, Cell::Kind::Number, "45000.5"},
    };
    for (const Case& c : cases) {
        const Cell cell = xlsxformats::serialCell(c.serial, c.shows, c.date1904);
        EXPECT_EQ(cell.text, QString::fromUtf8(c.text)) << c.serial;
        EXPECT_EQ(cell.kind, c.kind) << c.serial;
    }
}

}  // namespace
