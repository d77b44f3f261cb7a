#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FakeClock.h"
#include "InvoiceFilePaths.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/IniFile.h"
#include "fileimport/InvoiceFileImport.h"
#include "invoice/EntryMode.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace {

class InvoiceFileImportTest : public ::testing::Test {
protected:
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    std::unique_ptr<InvoiceStore> store = openInvoiceStore();

    fileimport::FileOutcome import(const QString& path, const QString& reimburser = "张三") {
        return fileimport::importFile(path, *store, reimburser, dir.companyDir());
    }

    struct Stored {
        QString code, number, amount, reimburser;
        qint64 mode;
        QString shown;  // 录入方式 as the records window selects it
    };
    static QList<Stored> stored() {
        Database db = Database::open(GetConnectionString());
        Statement s = db.prepare("select 发票代码, 发票号码, 开票金额, 报销人, 报销方式, " +
                                 entrymode::displaySql() + " from 发票报销 order by rowid");
        QList<Stored> rows;
        while (s.step()) {
            rows << Stored{s.text(0), s.text(1), s.text(2), s.text(3), s.int64(4), s.text(5)};
        }
        return rows;
    }
};

TEST_F(InvoiceFileImportTest, AFileIsRegisteredAsReadFromAFileAndItsOriginalKept) {
    const fileimport::FileOutcome first = import(invoiceFile("pdf_qr_old.pdf"));
    EXPECT_EQ(first.kind, fileimport::FileOutcome::Kind::Registered);
    EXPECT_EQ(first.result, "报销成功");
    EXPECT_EQ(first.code, "044031900111");
    EXPECT_EQ(first.number, "12345678");
    EXPECT_EQ(first.amount, "100.00");
    const QString kept = dir.companyDir() + "/票据/202403/044031900111_12345678.pdf";
    EXPECT_EQ(first.kept, kept);
    EXPECT_EQ(testfiles::readBytes(kept), testfiles::readBytes(invoiceFile("pdf_qr_old.pdf")));

    const QList<Stored> rows = stored();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].code, "044031900111");
    EXPECT_EQ(rows[0].number, "12345678");
    EXPECT_EQ(rows[0].reimburser, "张三");
    EXPECT_EQ(rows[0].mode, 3);
    EXPECT_EQ(rows[0].shown, "文件导入");
    EXPECT_TRUE(
        testfiles::logMessages(dir.logPath())
            .contains("读取发票文件：" + invoiceFile("pdf_qr_old.pdf") + "（PDF第1页二维码）"))
        << testfiles::logMessages(dir.logPath()).join('\n').toStdString();

    // The same invoice again, from its OFD twin or a copy: turned away, nothing kept twice.
    clock.advanceSeconds(60);
    const fileimport::FileOutcome again = import(invoiceFile("pdf_page_rotated.pdf"), "李四");
    EXPECT_EQ(again.kind, fileimport::FileOutcome::Kind::AlreadyRecorded);
    EXPECT_EQ(again.result, "已报销（2024/3/1 9:30:00，张三）");
    EXPECT_TRUE(again.kept.isEmpty());
    EXPECT_EQ(stored().size(), 1);
    EXPECT_EQ(QDir(dir.companyDir() + "/票据/202403").entryList(QDir::Files).size(), 1);
}

TEST_F(InvoiceFileImportTest, AFullyDigitalInvoiceIsKeptUnderItsNumberAlone) {
    const fileimport::FileOutcome outcome = import(invoiceFile("pdf_qr_digital_squares.pdf"));
    EXPECT_EQ(outcome.kind, fileimport::FileOutcome::Kind::Registered);
    EXPECT_EQ(outcome.code, "");
    EXPECT_EQ(outcome.number, "23442000000014209621");
    EXPECT_EQ(outcome.kept, dir.companyDir() + "/票据/202403/数电_23442000000014209621.pdf");
    EXPECT_EQ(fileimport::findOriginal(dir.companyDir(), "", "23442000000014209621"), outcome.kept);
    EXPECT_EQ(fileimport::findOriginal(dir.companyDir(), "", "23442000000014209622"), "");
}

TEST_F(InvoiceFileImportTest, AFileWithoutAnInvoiceIsReportedAndNothingIsRegistered) {
    struct Case {
        const char* file;
        const char* result;
    };
    for (const Case& c : {
             Case{"pdf_garbage.pdf", "无法识别：文件已损坏"},
             Case{"pdf_url_qr_only.pdf", "无法识别：文件中未找到发票二维码或发票信息"},
             Case{"pdf_encrypted_locked.pdf", "无法识别：文件已加密，无法读取"},
             Case{"ofd_neither.ofd", "无法识别：文件中未找到发票二维码或发票信息"},
             Case{"zip_not_ofd.ofd", "无法识别：不是PDF或OFD发票文件"},
         }) {
        const fileimport::FileOutcome outcome = import(invoiceFile(c.file));
        EXPECT_EQ(outcome.kind, fileimport::FileOutcome::Kind::Unrecognised) << c.file;
        EXPECT_EQ(outcome.result, c.result) << c.file;
        EXPECT_TRUE(outcome.number.isEmpty()) << c.file;
    }
    EXPECT_TRUE(stored().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.companyDir() + "/票据"));
}

TEST_F(InvoiceFileImportTest, TheBuyerOfAFileIsCheckedAndItsFaceNamesBothParties) {
    IniFile(dir.file("config.ini")).writeString("核销规则", "核对购买方", "拒绝");
    const fileimport::FileOutcome other = import(invoiceFile("pdf_qr_other_buyer.pdf"));
    EXPECT_EQ(other.kind, fileimport::FileOutcome::Kind::Refused);
    EXPECT_EQ(other.result,
              "不符合核销规则：购买方税号91440300MA5ABCDE1Y与本单位税号91110108MA01ABCD2X不符");
    EXPECT_TRUE(other.kept.isEmpty());

    const fileimport::FileOutcome own = import(invoiceFile("pdf_qr_old.pdf"));
    EXPECT_EQ(own.kind, fileimport::FileOutcome::Kind::Registered);
    EXPECT_EQ(own.face, (QList<QPair<QString, QString>>{{"发票种类", "增值税电子普通发票"},
                                                        {"发票代码", "044031900111"},
                                                        {"发票号码", "12345678"},
                                                        {"开票日期", "2020-01-01"},
                                                        {"开票金额", "100.00"},
                                                        {"校验码后六位", "567890"},
                                                        {"购买方", "某某科技有限公司"},
                                                        {"销售方", "某某商贸有限公司"}}));
    // The buyer from an OFD's invoice tag (written with a blank) and from its custom data.
    for (const char* file : {"ofd_tags.ofd", "ofd_qr.ofd"}) {
        const fileimport::FileOutcome ofd = import(invoiceFile(file));
        EXPECT_EQ(ofd.kind, fileimport::FileOutcome::Kind::Registered) << ofd.result.toStdString();
        EXPECT_TRUE(ofd.face.contains({"购买方", "某某科技有限公司"})) << file;
    }
    EXPECT_EQ(stored().size(), 3);
}

TEST_F(InvoiceFileImportTest, AKeptOriginalIsNeverOverwritten) {
    const QString folder = dir.companyDir() + "/票据/202403";
    QDir().mkpath(folder);
    testfiles::writeBytes(folder + "/044031900111_12345678.pdf", "an earlier file");
    testfiles::writeBytes(folder + "/044031900111_12345678_2.pdf", "another earlier file");
    const fileimport::FileOutcome outcome = import(invoiceFile("pdf_qr_old.pdf"));
    EXPECT_EQ(outcome.kept, folder + "/044031900111_12345678_3.pdf");
    EXPECT_EQ(testfiles::readBytes(folder + "/044031900111_12345678.pdf"), "an earlier file");
}

TEST(CollectFiles, TakesNamedFilesAndThePdfAndOfdFilesOfFoldersEachOnceInNameOrder) {
    TempExeDir dir;
    const QString root = dir.file("in");
    QDir().mkpath(root + "/sub/deeper");
    for (const char* name : {"b.pdf", "a.OFD", "notes.txt", "sub/c.Pdf", "sub/deeper/d.ofd",
                             "sub/picture.png", "named.dat"}) {
        testfiles::writeBytes(root + "/" + name, "x");
    }
    const QStringList files = fileimport::collectFiles(
        {root + "/named.dat", root, root + "/b.pdf", dir.file("missing.pdf")});
    EXPECT_EQ(files, (QStringList{root + "/named.dat", root + "/a.OFD", root + "/b.pdf",
                                  root + "/sub/c.Pdf", root + "/sub/deeper/d.ofd",
                                  dir.file("missing.pdf")}));
}

TEST(FileImportLists, TotalsAndTheCsvCopySayWhatBecameOfEachFile) {
    fileimport::Totals totals;
    totals.files = 5;
    for (const auto kind :
         {fileimport::FileOutcome::Kind::Registered, fileimport::FileOutcome::Kind::Registered,
          fileimport::FileOutcome::Kind::AlreadyRecorded,
          fileimport::FileOutcome::Kind::Unrecognised}) {
        totals.add(kind);
    }
    EXPECT_EQ(fileimport::totalsText(totals),
              "共5个文件：报销成功2，已报销1，无法识别1，登记失败0");
    EXPECT_EQ(totals.done(), 4);

    fileimport::FileOutcome registered;
    registered.file = "/home/clerk/发票/a,b.pdf";
    registered.code = "044031900111";
    registered.number = "12345678";
    registered.amount = "100.00";
    registered.result = "报销成功";
    fileimport::FileOutcome refused;
    refused.file = "/tmp/x.ofd";
    refused.result = "无法识别：文件已损坏";
    // GBK, CR LF, a comma in a name quoted
    EXPECT_EQ(fileimport::csv({registered, refused}),
              QByteArray("\xCE\xC4\xBC\xFE\xC3\xFB,\xB7\xA2\xC6\xB1\xB4\xFA\xC2\xEB,"
                         "\xB7\xA2\xC6\xB1\xBA\xC5\xC2\xEB,\xBF\xAA\xC6\xB1\xBD\xF0\xB6\xEE,"
                         "\xBD\xE1\xB9\xFB\r\n"
                         "\"a,b.pdf\",044031900111,12345678,100.00,\xB1\xA8\xCF\xFA\xB3\xC9"
                         "\xB9\xA6\r\n"
                         "x.ofd,,,,\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0\xA3\xBA\xCE\xC4\xBC\xFE"
                         "\xD2\xD1\xCB\xF0\xBB\xB5\r\n"));
}

}  // namespace
