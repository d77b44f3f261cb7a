#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ImportFixtures.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "workbook/BiffReader.h"
#include "workbook/Workbook.h"

using fixtures::BiffStream;
using workbook::Cell;

namespace {

QString errorOf(const QString& path) {
    try {
        workbook::readFirstSheet(path);
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("(no error)");
}

QStringList texts(const workbook::Sheet& sheet, qsizetype row) {
    QStringList result;
    for (const Cell& cell : sheet.rows.value(row)) {
        result << cell.text;
    }
    return result;
}

class WorkbookTest : public ::testing::Test {
protected:
    QString file(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

TEST_F(WorkbookTest, Biff8CellsBecomeTheirTextsOnTheFirstSheet) {
    fixtures::SheetSpec first{
        "导入数据",
        {fixtures::Row{"代码", "it's \"quoted\"", QJsonValue()}, fixtures::Row{123, 12.5, 0.1},
         fixtures::Row{fixtures::date("2020-01-01"), fixtures::dateTime("2024-01-31 13:05:09"),
                       fixtures::timeOfDay("08:30:00")},
         fixtures::Row{12345678901.0, -3, 100.0}}};
    fixtures::SheetSpec second{"第二", {fixtures::Row{"other"}}};
    fixtures::writeXls(file("cells.xls"), {first, second});

    const workbook::Sheet sheet = workbook::readFirstSheet(file("cells.xls"));
    EXPECT_EQ(sheet.name, "导入数据");
    EXPECT_EQ(sheet.columnCount, 3);
    ASSERT_EQ(sheet.rows.size(), 4);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"代码", "it's \"quoted\"", ""}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"123", "12.5", "0.1"}));
    EXPECT_EQ(texts(sheet, 2), (QStringList{"2020/1/1", "2024/1/31 13:05:09", "8:30:00"}));
    EXPECT_EQ(texts(sheet, 3), (QStringList{"12345678901", "-3", "100"}));
    EXPECT_EQ(sheet.rows[2][0].kind, Cell::Kind::Date);
    EXPECT_EQ(sheet.rows[2][0].value, QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(sheet.rows[2][1].kind, Cell::Kind::DateTime);
    EXPECT_EQ(sheet.rows[0][2].kind, Cell::Kind::Empty);
}

TEST_F(WorkbookTest, TheShippedTemplateHoldsTheSevenHeadingsAndNoRows) {
    const workbook::Sheet sheet = workbook::readFirstSheet(QStringLiteral(FPBX_IMPORT_TEMPLATE));
    ASSERT_EQ(sheet.rows.size(), 1);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "发票号码", "开票金额", "开票日期",
                                            "报销时间", "报销人", "录入方式"}));
}

TEST_F(WorkbookTest, TheExportsWorksheetStreamIsRead) {
    // The export's own bytes for its first title cell, then cells made the same way.
    const QByteArray title(
        "\x04\x02\x10\x00\x00\x00\x00\x00\x00\x00\x08\x00"
        "\xB7\xA2\xC6\xB1\xB4\xFA\xC2\xEB",
        20);
    const QByteArray amount(
        "\x03\x02\x0E\x00\x01\x00\x02\x00\x00\x00"
        "\x00\x00\x00\x00\x00\xE0\x5E\x40",
        18);
    BiffStream s;
    s.bof().codePage(936).raw(title).label(0, 1, "报销人").raw(amount);
    s.label(1, 0, "044031900111")
        .blank(1, 1)
        .rk(2, 0, (123u << 2) | 0x02)
        .rk(2, 1, (123u << 2) | 0x03);
    s.number(2, 2, 0).eof();
    testfiles::writeBytes(file("export.xls"), s.bytes());

    const workbook::Sheet sheet = workbook::readFirstSheet(file("export.xls"));
    EXPECT_EQ(sheet.name, "sheet1");
    EXPECT_EQ(sheet.columnCount, 3);
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(texts(sheet, 0), (QStringList{"发票代码", "报销人", ""}));
    EXPECT_EQ(texts(sheet, 1), (QStringList{"044031900111", "", "123.5"}));
    EXPECT_EQ(texts(sheet, 2), (QStringList{"123", "1.23", "0"}));
}

TEST_F(WorkbookTest, StreamTextsFollowTheirCodePage) {
    BiffStream biff8;
    biff8.bof().label8(0, 0, "报销人").label(0, 1, "abc").eof();
    EXPECT_EQ(texts(biffreader::readStream(biff8.bytes()), 0), (QStringList{"报销人", "abc"}));

    // No CODEPAGE record: the exporting computer's GBK.
    BiffStream bare;
    bare.bof().label(0, 0, "张三").eof();
    EXPECT_EQ(texts(biffreader::readStream(bare.bytes()), 0), QStringList{"张三"});

    BiffStream latin;
    latin.bof()
        .codePage(1252)
        .raw(QByteArray("\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x01\x00\xE9", 13))
        .eof();
    EXPECT_EQ(texts(biffreader::readStream(latin.bytes()), 0), QStringList{"é"});
}

TEST_F(WorkbookTest, DamagedStreamsAreRefusedWithTheReadersMessage) {
    BiffStream noEof;
    noEof.bof().label(0, 0, "发票代码");
    testfiles::writeBytes(file("noeof.xls"), noEof.bytes());
    EXPECT_EQ(errorOf(file("noeof.xls")), "无法读取该Excel表：文件不完整或已损坏。");

    BiffStream cut;
    cut.bof().label(0, 0, "发票代码").eof();
    testfiles::writeBytes(file("cut.xls"), cut.bytes().left(cut.bytes().size() - 9));
    EXPECT_EQ(errorOf(file("cut.xls")), "无法读取该Excel表：文件不完整或已损坏。");

    BiffStream badLabel;
    badLabel.bof()
        .raw(QByteArray("\x04\x02\x09\x00\x00\x00\x00\x00\x00\x00\x30\x00\x41", 13))
        .eof();
    testfiles::writeBytes(file("label.xls"), badLabel.bytes());
    EXPECT_EQ(errorOf(file("label.xls")), "无法读取该Excel表：文件不完整或已损坏。");

    // Far larger than any export: refused before it is read (a sparse file, quickly made).
    QFile huge(file("huge.xls"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write(noEof.bytes());
    ASSERT_TRUE(huge.resize(300LL * 1024 * 1024));
    huge.close();
    EXPECT_EQ(errorOf(file("huge.xls")), "无法读取该Excel表：文件过大，可能已损坏。");
}

TEST_F(WorkbookTest, FilesThatAreNoWorkbookAreRefused) {
    testfiles::writeBytes(file("text.xls"), "发票代码,发票号码\r\n123,456\r\n");
    EXPECT_EQ(errorOf(file("text.xls")), "请选择有效的Excel表（.xls或.xlsx）！");
    testfiles::writeBytes(file("empty.xls"), QByteArray());
    EXPECT_EQ(errorOf(file("empty.xls")), "请选择有效的Excel表（.xls或.xlsx）！");

    fixtures::writeXls(file("whole.xls"), {fixtures::readHeadings(), fixtures::Row{"1", "2"}});
    testfiles::writeBytes(file("corrupt.xls"), testfiles::readBytes(file("whole.xls")).left(1500));
    EXPECT_EQ(errorOf(file("corrupt.xls")), "无法读取该Excel表：文件不完整或已损坏。");
    EXPECT_EQ(errorOf(file("missing.xls")), "无法读取该Excel表：文件不存在。");
}

// Excel 2007 and later save a workbook with a password as an OLE2 file whose one stream of
// interest is the encrypted package: here a real OLE2 workbook with its stream so renamed.
TEST_F(WorkbookTest, AWorkbookSavedWithAPasswordIsSaidToBeEncrypted) {
    fixtures::writeXls(file("plain.xls"), {fixtures::readHeadings()});
    QByteArray bytes = testfiles::readBytes(file("plain.xls"));
    const QByteArray stream = QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16);
    const qsizetype entry = bytes.indexOf(stream);
    ASSERT_GE(entry, 0);
    QByteArray name;
    for (const char c : QByteArrayView("EncryptedPackage")) {
        name.append(c).append('\0');
    }
    name.append(2, '\0');
    bytes.replace(entry, name.size(), name);
    bytes[entry + 64] = char(name.size());  // the name's length in bytes, its end included
    testfiles::writeBytes(file("encrypted.xls"), bytes);
    EXPECT_EQ(errorOf(file("encrypted.xls")), "无法读取该Excel表：文件已加密，请先取消密码保护。");
}

TEST(ShortestDecimal, IsTheShortestTextThatReadsBackWithoutExponent) {
    EXPECT_EQ(workbook::shortestDecimal(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(workbook::shortestDecimal(1e20), "100000000000000000000");
    EXPECT_EQ(workbook::shortestDecimal(0.00001), "0.00001");
    EXPECT_EQ(workbook::shortestDecimal(-0.0), "0");
    EXPECT_EQ(workbook::shortestDecimal(123.5), "123.5");
}

}  // namespace
