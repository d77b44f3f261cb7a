#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "ImportFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "XlsxFixtures.h"
#include "base/Clock.h"
#include "base/IniFile.h"
#include "base/TextCodec.h"
#include "import/SheetImport.h"
#include "store/InvoiceStore.h"

using fixtures::Row;

namespace {

class SheetImportTest : public ::testing::Test {
protected:
    QString workbook(const QString& name, const QList<Row>& rows) {
        const QString path = dir.file(name);
        fixtures::writeXls(path, rows);
        return path;
    }
    bool import(const QString& path) {
        view.path = path;
        return RunImport(view);
    }
    QStringList messages() const { return prompts.messageTexts(); }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(9, 7, 30))};
    fixtures::FakeView view;
};

TEST(PadWithZeros, PadsOnTheLeftToTheWidthInBytes) {
    EXPECT_EQ(PadWithZeros("123", 8), "00000123");
    EXPECT_EQ(PadWithZeros("12345678", 8), "12345678");
    EXPECT_EQ(PadWithZeros("123456789", 8), "123456789");
    EXPECT_EQ(PadWithZeros("", 8), "00000000");
    EXPECT_EQ(PadWithZeros("发票", 8), "0000发票");  // four GBK bytes
    EXPECT_EQ(PadWithZeros("24442000000012345678", 8), "24442000000012345678");
}

TEST_F(SheetImportTest, EachRowBecomesAnImportedInvoice) {
    const QString path = workbook(
        "rows.xls",
        {fixtures::exportHeadings(),
         Row{"044031900111", 123, "100.00", "2020-01-01", "", "张三", "扫描"},
         Row{"044031900111", "123456789", 12.5, "20200101", "2023/12/1 8:05:09", "李四",
             "手工录入"},
         Row{"044031900112", "12345678", QJsonValue(), fixtures::date("2021-02-03"),
             fixtures::dateTime("2023-11-30 23:59:58"), "O'Brien", QJsonValue()},
         Row{"0440'31900113", "5\"6", "0.5", "2020-1-2", fixtures::date("2023-06-07"), "", ""}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{
                  "044031900111|00000123|1000000|20200101||2024-03-05 09:07:30|2|张三",
                  "044031900111|123456789|125000|20200101||2023-12-01 08:05:09|2|李四",
                  "044031900112|12345678|null|20210203||2023-11-30 23:59:58|2|O'Brien",
                  "0440'31900113|000005\"6|5000|202012||2023-06-07 00:00:00|2|",
              }));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 4 条数据，成功 4 条，失败 0 条！"});
    const QList<FakePrompts::Call> calls = prompts.messages();
    EXPECT_EQ(calls[0].caption, "提示");
    EXPECT_EQ(calls[0].icon, MsgIcon::Information);
    EXPECT_EQ(calls[0].owner, &view.ownerObject);
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              (QStringList{"导入报销成功发票信息：044031900111-00000123",
                           "导入报销成功发票信息：044031900111-123456789",
                           "导入报销成功发票信息：044031900112-12345678",
                           "导入报销成功发票信息：0440'31900113-000005\"6"}));
    // Label_count: the first row at once, then at most every 50 ms, and the last row.
    ASSERT_GE(view.events.size(), 4);
    EXPECT_EQ(view.events.mid(0, 2), (QStringList{"loading on", "processed 1"}));
    EXPECT_EQ(view.events.mid(view.events.size() - 2), (QStringList{"processed 4", "loading off"}));
}

TEST_F(SheetImportTest, RowsTheOfficeRulesRefuseAreFailuresWithTheirReasons) {
    IniFile ini(dir.file("config.ini"));
    ini.writeString("核销规则", "最早开票日期", "2024-01-01");
    ini.writeString("核销规则", "金额上限", "1000");
    ini.writeString("核销规则", "红字发票", "提示");
    const QString path = workbook(
        "rules.xls", {fixtures::readHeadings(), Row{"044031900111", "1", "1", "20231231", "", "a"},
                      Row{"044031900111", "2", "1000.00", "20240105", "", "a"},
                      Row{"044031900111", "3", "-5", "20240105", "", "a"},
                      Row{"044031900111", "4", "999.99", "20240105", "", "a"}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 4 条数据，成功 2 条，失败 2 条！"});
    ASSERT_EQ(view.failures.size(), 2);
    EXPECT_EQ(view.failures[0].row, 2);
    EXPECT_EQ(view.failures[0].reason,
              "不符合核销规则：开票日期2023-12-31早于最早开票日期2024-01-01");
    EXPECT_EQ(view.failures[1].reason,
              "不符合核销规则：金额1000.00达到上限1000.00，导入时无法逐张确认");
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{"044031900111|00000003|-50000|20240105||2024-03-05 09:07:30|2|a",
                           "044031900111|00000004|9999900|20240105||2024-03-05 09:07:30|2|a"}));
    const trail::Lines warned =
        openInvoiceStore()->readTrail(trail::Filter::of({"044031900111", "00000003"}), 9);
    ASSERT_EQ(warned.entries.size(), 1);
    EXPECT_EQ(warned.entries[0].ruleNotes, "红字发票：红字发票（金额-5.00）");
}

TEST_F(SheetImportTest, TheSameSheetTwiceRegistersNothingTheSecondTime) {
    const QString path = workbook(
        "twice.xls", {fixtures::readHeadings(), Row{"044031900111", "1", "1", "20200101", "", "a"},
                      Row{"044031900111", "2", "1", "20200101", "", "a"},
                      Row{"044031900111", "3", "1", "20200101", "", "a"}});
    EXPECT_TRUE(import(path));
    EXPECT_TRUE(import(path));
    EXPECT_EQ(messages(), (QStringList{"导入完毕, 总共 3 条数据，成功 3 条，失败 0 条！",
                                       "导入完毕, 总共 3 条数据，成功 0 条，失败 3 条！"}));
    EXPECT_EQ(fixtures::storedRows().size(), 3);
}

TEST_F(SheetImportTest, AnInvoiceTwiceInOneSheetCountsOnceAsAFailure) {
    const QString path =
        workbook("dup.xls", {fixtures::readHeadings(), Row{"044031900111", 77, "1", "", "", "a"},
                             Row{"044031900111", "00000077", "2", "", "", "b"},
                             Row{"044031900112", 77, "3", "", "", "c"}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 3 条数据，成功 2 条，失败 1 条！"});
    EXPECT_EQ(fixtures::storedRows().size(), 2);
}

TEST_F(SheetImportTest, TheImportAndEachOfItsRegistrationsGoIntoTheTrail) {
    const QString path =
        workbook("trail.xls", {fixtures::readHeadings(), Row{"044031900111", 77, "1", "", "", "a"},
                               Row{"044031900111", "00000077", "2", "", "", "b"},
                               Row{"044031900112", 77, "3", "", "", "c"}});
    EXPECT_TRUE(import(path));
    const QDate today = appclock::now().date();
    const trail::Lines lines =
        openInvoiceStore()->readTrail(trail::Filter::between(today, today), 100);
    QStringList seen;
    for (const trail::Entry& e : lines.entries) {
        seen << e.action + u' ' + e.number + u' ' + e.summary();
    }
    EXPECT_EQ(seen, (QStringList{"登记 00000077 手工录入 报销人 a 金额 1.00",
                                 "登记 00000077 手工录入 报销人 c 金额 3.00",
                                 "导入  " + path + " 总共 3 条，成功 2 条，失败 1 条"}));
}

TEST_F(SheetImportTest, AFullyDigitalInvoiceWithoutCodeIsRegisteredOnce) {
    const QString path =
        workbook("digital.xls", {fixtures::readHeadings(),
                                 Row{"", "24442000000012345678", "88.00", "20240301", "", "王五"}});
    EXPECT_TRUE(import(path));
    EXPECT_TRUE(import(path));
    EXPECT_EQ(fixtures::storedRows(),
              QStringList{"|24442000000012345678|880000|20240301||2024-03-05 09:07:30|2|王五"});
    EXPECT_EQ(messages(), (QStringList{"导入完毕, 总共 1 条数据，成功 1 条，失败 0 条！",
                                       "导入完毕, 总共 1 条数据，成功 0 条，失败 1 条！"}));
}

TEST_F(SheetImportTest, EveryRowNotRegisteredIsOfferedWithWhyAndLogged) {
    fixtures::writeXls(dir.file("first.xls"),
                       {fixtures::readHeadings(), Row{"044031900111", "1", "1", "", "", "张三"}});
    ASSERT_TRUE(import(dir.file("first.xls")));
    clock.advanceSeconds(3600);
    const QString path = workbook(
        "again.xls", {fixtures::readHeadings(), Row{"044031900111", "1", "1", "", "", "李四"},
                      Row{"044031900111", "2", "1", "", "", "李四"},
                      Row{"044031900111", "2", "1", "", "", "李四"},
                      Row{"044031900111", "3", "x", "", "", "李四"}});
    ASSERT_TRUE(import(path));
    EXPECT_EQ(messages().constLast(), "导入完毕, 总共 4 条数据，成功 1 条，失败 3 条！");
    ASSERT_EQ(view.failures.size(), 3);
    EXPECT_EQ(view.failures[0].row, 2);
    EXPECT_EQ(view.failures[0].number, "00000001");
    EXPECT_EQ(view.failures[0].reason, "已报销（2024/3/5 9:07:30，张三）");
    EXPECT_EQ(view.failures[1].row, 4);
    EXPECT_EQ(view.failures[1].reason, "已报销（2024/3/5 10:07:30，李四）");
    EXPECT_EQ(view.failures[2].row, 5);
    EXPECT_EQ(view.failures[2].code, "044031900111");
    EXPECT_EQ(view.failures[2].reason,
              "'x' is not a valid floating point value for field '开票金额'");
    const QStringList log = testfiles::logMessages(dir.logPath());
    EXPECT_TRUE(log.contains(
        "导入发票信息失败（第2行）：044031900111-00000001：已报销（2024/3/5 9:07:30，张三）"));
    EXPECT_TRUE(log.contains(
        "导入发票信息失败（第4行）：044031900111-00000002：已报销（2024/3/5 10:07:30，李四）"));
    EXPECT_EQ(textcodec::fromGbk(importfailures::csv(view.failures.mid(0, 1))),
              "行号,发票代码,发票号码,原因\r\n2,044031900111,00000001,已报销（2024/3/5 "
              "9:07:30，张三）\r\n");
    EXPECT_EQ(textcodec::fromGbk(importfailures::csv({{7, "0,1", "a\"b", "x"}})),
              "行号,发票代码,发票号码,原因\r\n7,\"0,1\",\"a\"\"b\",x\r\n");
}

TEST_F(SheetImportTest, ARowThatDoesNotConvertIsAFailureAndTheImportGoesOn) {
    const QString path =
        workbook("bad.xls", {fixtures::readHeadings(), Row{"1", "11", "12.3x", "", "", "a"},
                             Row{"1", "12", "1", "", "2024/13/40 10:00:00", "a"},
                             Row{"1", "13", "1", "", fixtures::timeOfDay("10:00:00"), "a"},
                             Row{"1", "14", "2", "", "", "a"}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 4 条数据，成功 1 条，失败 3 条！"});
    EXPECT_EQ(fixtures::storedRows(), QStringList{"1|00000014|20000|||2024-03-05 09:07:30|2|a"});
    EXPECT_EQ(
        testfiles::logMessages(dir.logPath()),
        (QStringList{
            "导入发票信息失败（第2行）：1-00000011：'12.3x' is not a valid floating point value "
            "for field '开票金额'",
            "导入发票信息失败（第3行）：1-00000012：'2024/13/40 10:00:00' is not a valid date and "
            "time for field '报销时间'",
            "导入发票信息失败（第4行）：1-00000013：'10:00:00' is not a valid date and time for "
            "field '报销时间'",
            "导入报销成功发票信息：1-00000014"}));
}

TEST_F(SheetImportTest, WhatIsCountedIsAlreadyInTheDatabaseFile) {
    const QString path =
        workbook("durable.xls", {fixtures::readHeadings(), Row{"1", "1", "1", "", "", "a"},
                                 Row{"1", "1", "1", "", "", "a"}, Row{"1", "2", "x", "", "", "a"},
                                 Row{"1", "3", "1", "", "", "a"}});
    // Seen from another connection, as the program would find the file after a kill.
    QStringList seen;
    view.onProcessed = [&](qint64 count) {
        seen << QStringLiteral("%1:%2").arg(count).arg(fixtures::storedRows().size());
    };
    prompts.onCall = [&](const FakePrompts::Call&) {
        seen << QStringLiteral("summary:%1").arg(fixtures::storedRows().size());
        seen << QStringLiteral("log:%1").arg(testfiles::logMessages(dir.logPath()).size());
    };
    EXPECT_TRUE(import(path));
    ASSERT_GE(seen.size(), 4);
    EXPECT_EQ(seen.first(), "1:1");
    // Two registered, and the invoice twice and the bad amount as failures: four lines.
    EXPECT_EQ(seen.mid(seen.size() - 3), (QStringList{"4:2", "summary:2", "log:4"}));
}

TEST_F(SheetImportTest, HeadingsOnlyGiveAnEmptySummary) {
    EXPECT_TRUE(import(workbook("empty.xls", {fixtures::exportHeadings()})));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 0 条数据，成功 0 条，失败 0 条！"});
    EXPECT_EQ(view.events, (QStringList{"loading on", "loading off"}));
    EXPECT_TRUE(import(QStringLiteral(FPBX_IMPORT_TEMPLATE)));
    EXPECT_EQ(messages().last(), "导入完毕, 总共 0 条数据，成功 0 条，失败 0 条！");
}

TEST_F(SheetImportTest, EmptyRowsAndEmptyTrailingColumnsAreNotPartOfTheSheet) {
    const QString path =
        workbook("gaps.xls", {Row{"报销人", "报销时间", "开票日期", "开票金额", "发票号码",
                                  "发票代码", fixtures::formattedBlank()},
                              Row{}, Row{"a", "", "", "1", "9", "c", fixtures::formattedBlank()},
                              Row{fixtures::formattedBlank(), QJsonValue(), ""}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 1 条数据，成功 1 条，失败 0 条！"});
    EXPECT_EQ(fixtures::storedRows(), QStringList{"c|00000009|10000|||2024-03-05 09:07:30|2|a"});
}

TEST_F(SheetImportTest, TheColumnCheckRefusesSheetsItCannotRead) {
    const QList<Row> refused[] = {
        {Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间"},
         Row{"1", "2", "3", "4", "5"}},
        {Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人", "备注"},
         Row{"1", "2", "3", "4", "", "a", "x"}},
        {Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "录入方式"},
         Row{"1", "2", "3", "4", "", "x"}},
        {Row{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人", "发票代码"},
         Row{"1", "2", "3", "4", "", "a", "1"}},
        {Row{"发票代码 ", "发票号码", "开票金额", "开票日期", "报销时间", "报销人"},
         Row{"1", "2", "3", "4", "", "a"}},
    };
    int index = 0;
    for (const QList<Row>& rows : refused) {
        prompts.clear();
        EXPECT_FALSE(import(workbook(QStringLiteral("refused%1.xls").arg(index++), rows)));
        EXPECT_EQ(messages(), QStringList{"请选择有效的Excel表！"}) << index;
    }
    EXPECT_TRUE(fixtures::storedRows().isEmpty());
}

TEST_F(SheetImportTest, UnreadableWorkbooksShowTheReadersMessage) {
    testfiles::writeBytes(dir.file("text.xls"), "发票代码\t发票号码\r\n");
    EXPECT_FALSE(import(dir.file("text.xls")));
    EXPECT_EQ(messages(), QStringList{"请选择有效的Excel表（.xls或.xlsx）！"});
    EXPECT_EQ(prompts.messages()[0].caption, "提示");
    EXPECT_EQ(view.events, (QStringList{"loading on", "loading off"}));
}

TEST_F(SheetImportTest, AnXlsxWorkbookRegistersItsRowsByTheSameRules) {
    const QString path = dir.file("rows.xlsx");
    xlsxfixtures::writeXlsx(
        path, {fixtures::exportHeadings(),
               Row{"044031900111", 123, 100, "2020-01-01", "", "张三", "扫描"}, Row{},
               Row{"044031900112", "123456789", 12.5, fixtures::date("2021-02-03"),
                   xlsxfixtures::formatted(fixtures::dateTime("2023-11-30 23:59:58"), "yyyy/m/d"),
                   "李四", QJsonValue()},
               Row{"044031900113", "12345678", QJsonValue(), "20200101",
                   fixtures::dateTime("2024-01-31 13:05:09"), "王五", "手工录入"}});
    EXPECT_TRUE(import(path));
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{"044031900111|00000123|1000000|20200101||2024-03-05 09:07:30|2|张三",
                           "044031900112|123456789|125000|20210203||2023-11-30 23:59:58|2|李四",
                           "044031900113|12345678|null|20200101||2024-01-31 13:05:09|2|王五"}));
    EXPECT_EQ(messages(), QStringList{"导入完毕, 总共 3 条数据，成功 3 条，失败 0 条！"});
}

TEST_F(SheetImportTest, NothingIsRegisteredFromARefusedXlsxWorkbook) {
    const QByteArray headings =
        "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>发票代码</t></is></c>"
        "<c r=\"B1\" t=\"inlineStr\"><is><t>发票号码</t></is></c>"
        "<c r=\"C1\" t=\"inlineStr\"><is><t>开票金额</t></is></c>"
        "<c r=\"D1\" t=\"inlineStr\"><is><t>开票日期</t></is></c>"
        "<c r=\"E1\" t=\"inlineStr\"><is><t>报销时间</t></is></c>"
        "<c r=\"F1\" t=\"inlineStr\"><is><t>报销人</t></is></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>1</v></c><c r=\"B2\"><v>2</v></c></row>";
    xlsxfixtures::writeZip(dir.file("bomb.xlsx"), xlsxfixtures::package(headings));
    xlsxfixtures::declareSize(dir.file("bomb.xlsx"), "xl/worksheets/sheet1.xml", 0xFFFFFFF0u);
    xlsxfixtures::writeZip(
        dir.file("far.xlsx"),
        xlsxfixtures::package(headings + "<row r=\"3\"><c r=\"XFE3\"><v>1</v></c></row>"));
    EXPECT_FALSE(import(dir.file("bomb.xlsx")));
    EXPECT_FALSE(import(dir.file("far.xlsx")));
    EXPECT_EQ(
        messages(),
        (QStringList{
            "无法读取该Excel表：文件解压后过大，可能已损坏。",
            "无法读取该Excel表：单元格位置“XFE3”不在Excel工作表的范围（A1至XFD1048576）之内。"}));
    EXPECT_TRUE(fixtures::storedRows().isEmpty());

    xlsxfixtures::writeZip(dir.file("good.xlsx"), xlsxfixtures::package(headings));
    EXPECT_TRUE(import(dir.file("good.xlsx")));
    EXPECT_EQ(fixtures::storedRows(), QStringList{"1|00000002|null|||2024-03-05 09:07:30|2|"});
}

TEST_F(SheetImportTest, TheStartChecksComeBeforeAnyReading) {
    EXPECT_FALSE(import(QString()));
    EXPECT_FALSE(import(dir.file("none.xls")));
    EXPECT_FALSE(import(dir.path()));  // a folder is no file
    EXPECT_EQ(messages(),
              (QStringList{"请选择Excel表！", "请选择有效的Excel表！", "请选择有效的Excel表！"}));
    EXPECT_TRUE(view.events.isEmpty());

    // Only a path with none of ".", "x", "l", "s" fails the extension test.
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    workbook("bad", {fixtures::readHeadings()});
    QFile::copy("bad", "a.b");
    prompts.clear();
    EXPECT_FALSE(import("bad"));
    EXPECT_TRUE(import("a.b"));
    QDir::setCurrent(previous);
    EXPECT_EQ(messages(), (QStringList{"请选择有效的Excel表！",
                                       "导入完毕, 总共 0 条数据，成功 0 条，失败 0 条！"}));
}

TEST_F(SheetImportTest, AMissingDatabaseStopsTheImportWithOneBox) {
    const QString path = workbook(
        "rows.xls",
        {fixtures::readHeadings(), Row{"1", "1", "", "", "", ""}, Row{"1", "2", "", "", "", ""}});
    QFile::remove(dir.databasePath());
    EXPECT_FALSE(import(path));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, "出现异常");
    EXPECT_EQ(prompts.messages()[0].owner, nullptr);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("Could not find file"));
}

TEST_F(SheetImportTest, TheExportedWorksheetStreamImports) {
    fixtures::BiffStream s;
    s.bof().codePage(936);
    const QStringList titles{"发票代码", "发票号码", "开票金额", "开票日期",
                             "报销时间", "报销人",   "录入方式"};
    for (int c = 0; c < 7; ++c) {
        s.label(0, quint16(c), titles[c]);
    }
    s.label(1, 0, "044031900111").label(1, 1, "00000123").number(1, 2, 123.5);
    s.label(1, 3, "20170120").label(1, 4, "2024/1/31 13:05:09").blank(1, 5).label(1, 6, "扫描");
    s.label(2, 0, "044031900111").label(2, 1, "00000124").blank(2, 2);
    s.label(2, 3, "20170121").label(2, 4, "2024/2/1").label(2, 5, "张三").label(2, 6, "手工录入");
    s.eof();
    testfiles::writeBytes(dir.file("exported.xls"), s.bytes());
    EXPECT_TRUE(import(dir.file("exported.xls")));
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{"044031900111|00000123|1235000|20170120||2024-01-31 13:05:09|2|",
                           "044031900111|00000124|null|20170121||2024-02-01 00:00:00|2|张三"}));
}

// A store whose server went away after the import began: every registration fails alike.
class LostServerStore final : public InvoiceStore {
public:
    Registration registerInvoice(const InvoiceRecord& invoice, EntryMode mode) override {
        return registerInvoices({invoice}, mode).constFirst();
    }
    QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices, EntryMode) override {
        Registration failed;
        failed.failedAt = Registration::Stage::Lookup;
        failed.error.kind = StoreError::Kind::Unreachable;
        failed.error.detail = "无法连接数据库服务器：server closed the connection unexpectedly";
        return QList<Registration>(invoices.size(), failed);
    }
    InvoiceCount countInvoices() override { return {0, {}}; }
    ChangeOutcome correctReimburser(const trail::InvoiceKey&, const QString&) override {
        return {};
    }
    ChangeOutcome undoRegistration(const trail::InvoiceKey&, const QString&) override { return {}; }
    ChangeOutcome recordImport(const trail::ImportSummary&) override { return {}; }
    ChangeOutcome recordRefusal(const InvoiceRecord&, EntryMode) override { return {}; }
    RegistryRules registryRules() override { return {}; }
    RuleNoteCounts ruleNotes(const QDate&, const QDate&) override { return {}; }
    trail::Lines readTrail(const trail::Filter&, qsizetype) override { return {}; }
    ReimbursementFigures figures(const QDate&, const QDate&, FigureGrouping) override { return {}; }
};

TEST_F(SheetImportTest, AStoreLostMidImportIsOneBoxNotOnePerRow) {
    const QString path =
        workbook("rows.xls", {fixtures::exportHeadings(),
                              Row{"044031900111", "1", "1", "20200101", "", "张三", ""},
                              Row{"044031900111", "2", "1", "20200101", "", "张三", ""},
                              Row{"044031900111", "3", "1", "20200101", "", "张三", ""}});
    view.path = path;
    LostServerStore store;
    EXPECT_TRUE(ImportSheet(path, view, store));
    EXPECT_EQ(messages(),
              (QStringList{"无法连接数据库服务器：server closed the connection unexpectedly",
                           "导入完毕, 总共 3 条数据，成功 0 条，失败 3 条！"}));
}

}  // namespace
