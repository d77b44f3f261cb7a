#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "InvoiceFileTesting.h"

using namespace invoicefiles;

TEST(OfdReaderTest, QrPicturesAndBarcodeAnnotationsGiveThePayload) {
    // The custom data of ofd_qr.ofd names another invoice: the QR code comes first.
    const FileReading picture = readTestFile("ofd_qr.ofd");
    EXPECT_EQ(picture.source, Source::QrCode);
    EXPECT_EQ(picture.payload, "01,32,,24442000000011112222,305.50,20240208,,7E3F");
    EXPECT_EQ(picture.origin, "OFD第1页二维码");

    const FileReading annotation = readTestFile("ofd_annotation.ofd");
    EXPECT_EQ(annotation.source, Source::QrCode);
    EXPECT_EQ(annotation.payload,
              "01,10,032002200111,45678901,42.48,20230120,33334444555566667777,B7C8,");
    EXPECT_EQ(annotation.origin, "OFD条码注释");
}

TEST(OfdReaderTest, InvoiceTagsNameTheTextObjectsThatPrintTheFields) {
    // Tag elements under their own prefix; amounts with sign and separators; custom data that
    // names only the number is passed over.
    const FileReading tags = readTestFile("ofd_tags.ofd");
    EXPECT_EQ(tags.source, Source::FileFields);
    EXPECT_EQ(tags.fields, (InvoiceFields{"044002300111", "02468135", "20231225", "1000.00",
                                          "11111222223333344444"}));
    EXPECT_EQ(tags.origin, "OFD发票标签");

    // Default namespace, references from the archive root, tags listed before the pages, the
    // texts drawn by a template page; a fully digital invoice with the total with tax only.
    const FileReading digital = readTestFile("ofd_tags_digital.ofd");
    EXPECT_EQ(digital.source, Source::FileFields);
    EXPECT_EQ(digital.fields,
              (InvoiceFields{"", "24112000000123456789", "20240208", "666.00", ""}));
    EXPECT_EQ(digital.origin, "OFD发票标签");
}

TEST(OfdReaderTest, CustomDataServesWhenNothingElseNamesTheInvoice) {
    for (const char* file : {"ofd_custom_data.ofd", "ofd_named.pdf"}) {
        SCOPED_TRACE(file);
        const FileReading reading = readTestFile(file);
        EXPECT_EQ(reading.source, Source::FileFields);
        EXPECT_EQ(reading.fields, (InvoiceFields{"033002100611", "11223344", "20240208", "235.85",
                                                 "59314867201357924680"}));
        EXPECT_EQ(reading.origin, "OFD自定义数据");
    }
}

TEST(OfdReaderTest, ArchivesWithoutAnInvoiceGiveTheirReason) {
    const struct {
        const char* file;
        Problem problem;
    } cases[] = {
        // A web-address QR picture and a date are no invoice.
        {"ofd_neither.ofd", Problem::NoInvoiceFound},
        {"ofd_truncated.ofd", Problem::Damaged},
        {"ofd_bad_xml.ofd", Problem::Damaged},
        {"ofd_missing_document.ofd", Problem::Damaged},
        {"ofd_escaping_path.ofd", Problem::Damaged},
        {"ofd_password.ofd", Problem::Encrypted},
        {"zip_not_ofd.ofd", Problem::NotInvoiceFile},
        // The page claims 4 KiB in the archive's headers and holds 100 MiB: never expanded past
        // the claim, so it is a damaged entry.
        {"ofd_bomb_undeclared.ofd", Problem::Damaged},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.file);
        const FileReading reading = readTestFile(test.file);
        EXPECT_EQ(reading.source, Source::None);
        EXPECT_EQ(reading.problem, test.problem);
        EXPECT_EQ(reading.fields, InvoiceFields());
    }
}

TEST(OfdReaderTest, ArchivesExpandingBeyondTheLimitsAreRefusedQuickly) {
    // One 100 MiB page in a 100 KiB archive, and five 7 MiB pictures that together pass the
    // allowance for a whole archive. The custom data of the first would name an invoice.
    for (const char* file : {"ofd_bomb.ofd", "ofd_bomb_total.ofd"}) {
        SCOPED_TRACE(file);
        QElapsedTimer timer;
        timer.start();
        const FileReading reading = readTestFile(file);
        EXPECT_EQ(reading.source, Source::None);
        EXPECT_EQ(reading.problem, Problem::TooLarge);
        EXPECT_EQ(reading.reason(), "文件过大，超出读取限制");
        EXPECT_LT(timer.elapsed(), 5000);
    }
}
