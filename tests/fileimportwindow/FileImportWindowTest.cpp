#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "InvoiceFilePaths.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "fileimportwindow/FileImportWindow.h"
#include "store/ClaimStore.h"
#include "store/InvoiceStore.h"

namespace {

class FileImportWindowTest : public ::testing::Test {
protected:
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    FakePrompts prompts;
    FakeSoundPlayer sounds;
    FileImportWindow window{"张三", dir.companyDir(), OutcomeSounds(&sounds)};
    QSignalSpy finished{&window, &FileImportWindow::finished};

    QStringList row(int r) const {
        QStringList texts;
        for (int c = 0; c < window.list->columnCount(); ++c) {
            texts << window.list->item(r, c)->text();
        }
        return texts;
    }
    // A copy of a test file under another name, as a clerk's folder holds it.
    QString copyOf(const QString& name, const QString& as) const {
        const QString path = dir.file(as);
        QFile::copy(invoiceFile(name), path);
        return path;
    }
    qint64 stored() const { return *openInvoiceStore()->countInvoices().count; }
};

TEST_F(FileImportWindowTest, ListsEveryFileWithItsOutcomeTotalsAndTheSoundsOfRefusals) {
    window.show();
    window.addFiles({invoiceFile("pdf_qr_old.pdf"), invoiceFile("pdf_garbage.pdf"),
                     copyOf("pdf_qr_old.pdf", "again.pdf")});
    EXPECT_TRUE(window.running());
    EXPECT_FALSE(window.saveButton->isEnabled());
    ASSERT_TRUE(finished.wait(60000));

    EXPECT_EQ(row(0),
              (QStringList{"pdf_qr_old.pdf", "044031900111", "12345678", "100.00", "报销成功"}));
    EXPECT_EQ(row(1), (QStringList{"pdf_garbage.pdf", "", "", "", "无法识别：文件已损坏"}));
    EXPECT_EQ(row(2), (QStringList{"again.pdf", "044031900111", "12345678", "100.00",
                                   "已报销（2024/3/1 9:30:00，张三）"}));
    EXPECT_EQ(window.list->item(2, 4)->foreground().color(), QColor(Qt::red));
    EXPECT_EQ(window.totalsLabel->text(), "共3个文件：报销成功1，已报销1，无法识别1，登记失败0");
    EXPECT_EQ(window.progress->value(), 3);
    EXPECT_EQ(sounds.played, (QList<SoundKind>{SoundKind::Failed, SoundKind::AlreadyRecorded}));
    EXPECT_FALSE(window.cancelButton->isEnabled());
    EXPECT_TRUE(window.saveButton->isEnabled());
    EXPECT_EQ(stored(), 1);

    // The list saved as the clerk sees it.
    prompts.answerFile(FileDialogResult(dir.file("list.csv")));
    window.saveCsv();
    const QByteArray csv = testfiles::readBytes(dir.file("list.csv"));
    EXPECT_TRUE(csv.startsWith("\xCE\xC4\xBC\xFE\xC3\xFB,")) << csv.toStdString();  // 文件名
    EXPECT_EQ(csv.count("\r\n"), 4);
    EXPECT_TRUE(csv.contains("again.pdf,044031900111,12345678,100.00,")) << csv.toStdString();
}

// With 新建报销单 (remembered in config.ini) a batch's invoices join a claim of their own, closed
// with its sheet when the batch ends.
TEST(FileImportClaimTest, ABatchBecomesAClaimClosedWithItsSheet) {
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    FakePrompts prompts;
    {
        FileImportWindow first{"张三", dir.companyDir(), OutcomeSounds()};
        EXPECT_FALSE(first.claimBox->isChecked());
        first.claimBox->setChecked(true);
    }
    FileImportWindow window{"张三", dir.companyDir(), OutcomeSounds()};
    QSignalSpy finished{&window, &FileImportWindow::finished};
    EXPECT_TRUE(window.claimBox->isChecked());
    window.addFiles({invoiceFile("pdf_qr_old.pdf"), invoiceFile("pdf_garbage.pdf")});
    ASSERT_TRUE(finished.wait(60000));
    const QString kept = dir.companyDir() + "/报销单/202403/BX202403010001.pdf";
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"报销单BX202403010001：共 1 张，合计￥100.00。\n已保存：" + kept});
    EXPECT_TRUE(QFile::exists(kept));
    const ClaimRead claim = openClaimStore()->readClaim("BX202403010001");
    ASSERT_TRUE(claim.claim);
    EXPECT_EQ(claim.claim->reimburser, "张三");
    ASSERT_EQ(claim.claim->invoices.size(), 1);
    EXPECT_EQ(claim.claim->invoices[0].number, "12345678");
}

TEST(FileImportClaimTest, WithoutANewClaimTheFilesJoinTheDesksOpenClaimAndLeaveItOpen) {
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    FakePrompts prompts;
    const OpenedClaim desk = openClaimStore()->openClaim("张三");
    ASSERT_TRUE(desk.ok);
    FileImportWindow window{"张三", dir.companyDir(), OutcomeSounds()};
    QSignalSpy finished{&window, &FileImportWindow::finished};
    window.setDeskClaim(desk.number);
    window.addFiles({invoiceFile("pdf_qr_old.pdf")});
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(prompts.messageTexts().isEmpty());  // no sheet: the claim stays open
    const ClaimRead claim = openClaimStore()->readClaim(desk.number);
    ASSERT_TRUE(claim.claim);
    EXPECT_FALSE(claim.claim->closedAt.isValid());
    ASSERT_EQ(claim.claim->invoices.size(), 1);
    EXPECT_EQ(claim.claim->invoices[0].number, "12345678");
}

TEST_F(FileImportWindowTest, FilesAddedWhileABatchRunsJoinItAndAllRegisteredEndsWithTheChime) {
    window.addFiles({invoiceFile("pdf_qr_old.pdf")});
    window.addFiles({invoiceFile("pdf_qr_digital_squares.pdf")});
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(window.list->rowCount(), 2);
    EXPECT_EQ(row(1)[2], "23442000000014209621");
    // Shown whole, inside the cell's margins.
    EXPECT_GT(window.list->columnWidth(2),
              window.list->fontMetrics().horizontalAdvance("23442000000014209621") + 8);
    EXPECT_EQ(window.totals().registered, 2);
    EXPECT_EQ(sounds.played, (QList<SoundKind>{SoundKind::Registered}));
}

TEST_F(FileImportWindowTest, ACancelStopsAfterTheFileAtHandAndMarksTheRestUnread) {
    QStringList files;
    for (int i = 0; i < 12; ++i) {
        files << copyOf(i % 2 == 0 ? "pdf_qr_old.pdf" : "ofd_qr.ofd", QString("f%1.pdf").arg(i));
    }
    window.addFiles(files);
    window.cancelButton->click();
    ASSERT_TRUE(finished.wait(60000));
    const fileimport::Totals& totals = window.totals();
    EXPECT_LT(totals.done(), 12);
    for (int r = totals.done(); r < 12; ++r) {
        EXPECT_EQ(row(r)[4], "已取消，未导入") << r;
    }
    EXPECT_EQ(stored(), totals.registered);
    EXPECT_EQ(window.progressText->text(), "已取消");
}

TEST_F(FileImportWindowTest, EscapeWhileReadingStopsTheBatchThenCloses) {
    window.show();
    window.addFiles({copyOf("pdf_qr_old.pdf", "a.pdf"), copyOf("ofd_qr.ofd", "b.ofd"),
                     copyOf("pdf_qr_digital_squares.pdf", "c.pdf")});
    window.reject();
    EXPECT_TRUE(window.isVisible());  // until the file at hand is done
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored(), window.totals().registered);
}

}  // namespace
