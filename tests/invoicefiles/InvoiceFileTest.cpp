#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "InvoiceFileTesting.h"
#include "TestFiles.h"

using namespace invoicefiles;

TEST(InvoiceFileTest, TheFormIsToldByContent) {
    EXPECT_EQ(formOf("%PDF-1.7\n"), FileForm::Pdf);
    EXPECT_EQ(formOf(QByteArray(600, ' ') + "%PDF-1.4"), FileForm::Pdf);
    EXPECT_EQ(formOf(QByteArray(1100, ' ') + "%PDF-1.4"), FileForm::Other);
    EXPECT_EQ(formOf(QByteArray("PK\x03\x04", 4)), FileForm::Zip);
    EXPECT_EQ(formOf(QByteArray("PK\x05\x06", 4)), FileForm::Zip);
    EXPECT_EQ(formOf(QByteArray("PK\x03\x04\0\0stored.pdf%PDF-1.7", 24)), FileForm::Zip);
    EXPECT_EQ(formOf("\x89PNG\r\n"), FileForm::Other);
    EXPECT_EQ(formOf(""), FileForm::Other);

    // Named for the other form, each is read as what it holds.
    const FileReading pdf = readTestFile("pdf_named.ofd");
    EXPECT_EQ(pdf.payload,
              "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,");
    EXPECT_EQ(pdf.origin, "PDF第1页二维码");
    const FileReading ofd = readTestFile("ofd_named.pdf");
    EXPECT_EQ(ofd.fields.number, "11223344");
    EXPECT_EQ(ofd.origin, "OFD自定义数据");
}

TEST(InvoiceFileTest, ForeignAndEmptyFilesAreNoInvoiceFiles) {
    EXPECT_EQ(readTestFile("notes.pdf").problem, Problem::NotInvoiceFile);
    // A picture of an invoice's QR code is not a file form the readers take.
    EXPECT_EQ(readTestFile("qr_picture.ofd").problem, Problem::NotInvoiceFile);
    EXPECT_EQ(readTestFile("empty.pdf").problem, Problem::Empty);
    EXPECT_EQ(readTestFile("empty.pdf").reason(), "文件是空的");
}

TEST(InvoiceFileTest, WhatCannotBeOpenedAsAFileIsUnreadable) {
    QTemporaryDir dir;
    EXPECT_EQ(readInvoiceFile(dir.filePath("missing.pdf")).problem, Problem::Unreadable);
    EXPECT_EQ(readInvoiceFile(dir.path()).problem, Problem::Unreadable);
    // An endless device would otherwise be read up to the size limit.
    EXPECT_EQ(readInvoiceFile("/dev/zero").problem, Problem::Unreadable);
}

TEST(InvoiceFileTest, AFileWithoutReadPermissionIsUnreadable) {
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked.pdf");
    testfiles::writeBytes(locked, testfiles::readBytes(invoiceFilePath("pdf_qr_old.pdf")));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    QFile probe(locked);
    if (probe.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "file permissions do not stop this user (root)";
    }
    EXPECT_EQ(readInvoiceFile(locked).problem, Problem::Unreadable);
}

TEST(InvoiceFileTest, FilesBeyondTheSizeLimitAreNotRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath("big.pdf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("%PDF-1.7\n");
    ASSERT_TRUE(file.resize(33 * 1024 * 1024));  // sparse: no disk space used
    file.close();
    EXPECT_EQ(readInvoiceFile(path).problem, Problem::TooLarge);
    EXPECT_EQ(readInvoiceFile(path).reason(), "文件过大，超出读取限制");
}
