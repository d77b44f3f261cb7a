#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <ZXing/ReadBarcode.h>
#include <poppler-qt6.h>

#include "claimsheet/ClaimSheetWriter.h"

namespace {

// The sheet as a PDF, its text read back by poppler's pdftotext: every invoice and the total are
// there as text, in the embedded Chinese font.
TEST(ClaimSheetWriterTest, ThePdfHoldsEveryInvoiceAndTheTotal) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    ASSERT_FALSE(pdftotext.isEmpty()) << "poppler-utils is needed";
    StoredClaim claim;
    claim.number = "BX202312010002";
    claim.reimburser = "张三";
    claim.openedAt = QDateTime(QDate(2023, 12, 1), QTime(9, 0));
    claim.closedAt = claim.openedAt;
    for (int i = 0; i < 40; ++i) {  // more than a page holds
        claim.invoices << ClaimInvoice{"10", "044031900111",
                                       QStringLiteral("%1").arg(i + 1, 8, 10, QChar('0')),
                                       "20231130", 100000 + i * 100};
    }
    const claims::SheetContent sheet =
        claims::sheetContent(claim, "某某有限公司", "91110108MA01ABCD2X");
    QTemporaryDir dir;
    const QString path = dir.filePath("报销单/202312/BX202312010002.pdf");
    ASSERT_EQ(claimsheet::writePdf(sheet, path), "");

    QProcess text;
    text.start(pdftotext, {"-layout", path, "-"});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString read = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(read.contains("BX202312010002"));
    EXPECT_TRUE(read.contains("某某有限公司"));
    EXPECT_TRUE(read.contains("张三"));
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(read.contains(QStringLiteral("%1").arg(i + 1, 8, 10, QChar('0')))) << i;
    }
    EXPECT_TRUE(read.contains("￥407.80"));  // 10.00 + 10.01 + … + 10.39
    EXPECT_TRUE(read.contains("肆佰零柒元捌角整"));
    EXPECT_TRUE(read.contains("共 40 张"));

    // The QR code in the corner, rendered and read back, is the claim's number.
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    ASSERT_TRUE(document);
    const QImage page =
        document->page(0)->renderToImage(150, 150).convertToFormat(QImage::Format_Grayscale8);
    const ZXing::ImageView view(page.constBits(), page.width(), page.height(),
                                ZXing::ImageFormat::Lum, int(page.bytesPerLine()));
    const ZXing::Result qr =
        ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::QRCode));
    EXPECT_EQ(QString::fromStdString(qr.text()), "BX202312010002");

    QProcess fonts;
    fonts.start(QStandardPaths::findExecutable("pdffonts"), {path});
    ASSERT_TRUE(fonts.waitForFinished(30000));
    const QStringList lines = QString::fromUtf8(fonts.readAllStandardOutput()).split('\n');
    ASSERT_GT(lines.size(), 2);
    for (const QString& line : lines.mid(2)) {
        if (!line.trimmed().isEmpty()) {
            EXPECT_TRUE(line.contains(" yes ")) << "not embedded: " << line.toStdString();
        }
    }
}

}  // namespace
