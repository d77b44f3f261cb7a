#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "InvoiceFileTesting.h"

using namespace invoicefiles;

namespace {

struct QrCase {
    const char* file;
    const char* payload;
    const char* origin;
};

struct FieldsCase {
    const char* file;
    InvoiceFields fields;
};

struct ProblemCase {
    const char* file;
    Problem problem;
};

}  // namespace

TEST(PdfReaderTest, InvoiceQrCodesAreReadAsDecoded) {
    const QrCase cases[] = {
        {"pdf_qr_old.pdf", "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,",
         "PDF第1页二维码"},
        {"pdf_qr_digital_squares.pdf", "01,32,,23442000000014209621,112,20230215,,74AE",
         "PDF第1页二维码"},
        {"pdf_qr_small.pdf",
         "01,04,033001900211,00456789,56.60,20211231,01234567890123456789,5F2A,", "PDF第1页二维码"},
        {"pdf_qr_rotated.pdf", "01,01,3100204130,02345678,1000.00,20220315,,C3D1,",
         "PDF第1页二维码"},
        {"pdf_qr_bottom_right.pdf",
         "01,10,011002100511,34567890,12.00,20221010,22223333444455556666,0A0B,", "PDF第1页二维码"},
        {"pdf_qr_page2.pdf", "01,31,,24312000000098765432,1580.00,20240301,,A1B2",
         "PDF第2页二维码"},
        // A web-address QR code and a Code 128 barcode share the corner with the invoice's.
        {"pdf_qr_beside_codes.pdf",
         "01,10,044032000111,23456789,88.50,20230705,11112222333344445555,9C8D,", "PDF第1页二维码"},
        {"pdf_page_rotated.pdf",
         "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,",
         "PDF第1页二维码"},
        // No password is needed to open it, so it reads like any other.
        {"pdf_encrypted_open.pdf",
         "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,",
         "PDF第1页二维码"},
    };
    for (const QrCase& test : cases) {
        SCOPED_TRACE(test.file);
        const FileReading reading = readTestFile(test.file);
        EXPECT_EQ(reading.source, Source::QrCode);
        EXPECT_EQ(reading.payload, test.payload);
        EXPECT_EQ(reading.origin, test.origin);
        EXPECT_EQ(reading.fields, InvoiceFields());
        EXPECT_EQ(reading.problem, Problem::None);
    }
}

TEST(PdfReaderTest, WithoutAQrCodeTheTextLayerFieldsAreRead) {
    const FieldsCase cases[] = {
        {"pdf_text_fields.pdf",
         {"144031900222", "87654321", "20240208", "589.38", "98765432109876543210"}},
        // Labels and values drawn as separate runs, values first and off the labels' baselines.
        {"pdf_text_split_runs.pdf", {"050001800111", "00112233", "20231130", "1234.50", ""}},
        {"pdf_text_digital.pdf", {"", "24442000000123456789", "20240208", "666.00", ""}},
    };
    for (const FieldsCase& test : cases) {
        SCOPED_TRACE(test.file);
        const FileReading reading = readTestFile(test.file);
        EXPECT_EQ(reading.source, Source::FileFields);
        EXPECT_EQ(reading.fields, test.fields);
        EXPECT_EQ(reading.origin, "PDF第1页文字");
        EXPECT_EQ(reading.payload, "");
    }
}

TEST(PdfReaderTest, FilesWithoutAnInvoiceGiveTheirReason) {
    const ProblemCase cases[] = {
        {"pdf_text_no_number.pdf", Problem::NoInvoiceFound},
        {"pdf_letter.pdf", Problem::NoInvoiceFound},
        {"pdf_url_qr_only.pdf", Problem::NoInvoiceFound},
        {"pdf_encrypted_locked.pdf", Problem::Encrypted},
        {"pdf_truncated.pdf", Problem::Damaged},
        {"pdf_garbage.pdf", Problem::Damaged},
    };
    for (const ProblemCase& test : cases) {
        SCOPED_TRACE(test.file);
        const FileReading reading = readTestFile(test.file);
        EXPECT_EQ(reading.source, Source::None);
        EXPECT_EQ(reading.problem, test.problem);
        EXPECT_EQ(reading.fields, InvoiceFields());
        EXPECT_EQ(reading.payload, "");
        EXPECT_FALSE(reading.reason().isEmpty());
    }
}

TEST(PdfReaderTest, APageTooLargeToRenderIsRefused) {
    // 5 m square: at the usual resolution a 6 GB picture, within the pixel limit too coarse for
    // any QR code.
    QElapsedTimer timer;
    timer.start();
    const FileReading reading = readTestFile("pdf_huge_page.pdf");
    EXPECT_EQ(reading.problem, Problem::TooLarge);
    EXPECT_LT(timer.elapsed(), 5000);
}
