#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "ImportFixtures.h"
#include "base/AppError.h"
#include "reader/ReaderClient.h"
#include "workbook/Workbook.h"

namespace {

class ReaderProcessTest : public ::testing::Test {
protected:
    void TearDown() override {
        readerclient::setProgram(QStringLiteral(FPBX_OUTPUT_DIR "/fpbx-reader"));
    }
    QString file(const QString& name) const { return dir.filePath(name); }
    // A stand-in for the reader: a shell script.
    void readerIs(const QByteArray& script) {
        const QString path = file("reader.sh");
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + script + "\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        readerclient::setProgram(path);
    }
    static QString failureOf(const QString& path, const readerclient::Limits& limits = {}) {
        try {
            readerclient::readFirstSheet(path, limits);
        } catch (const AppError& error) {
            return error.message();
        }
        return QString();
    }

    QTemporaryDir dir;
};

TEST_F(ReaderProcessTest, AWorkbookReadsAsItDoesInProcess) {
    const QString path = file("book.xls");
    fixtures::writeXls(path, {fixtures::readHeadings(),
                              fixtures::Row{"044031900111", 123, 12.5, fixtures::date("2020-01-01"),
                                            fixtures::dateTime("2023-11-30 23:59:58"), "张三"}});
    const workbook::Sheet isolated = readerclient::readFirstSheet(path);
    const workbook::Sheet direct = workbook::readFirstSheet(path);
    EXPECT_EQ(isolated.name, "Sheet1");
    ASSERT_EQ(isolated.rows.size(), 2);
    ASSERT_EQ(isolated.columnCount, direct.columnCount);
    const QStringList expected{"044031900111",        "123", "12.5", "2020/1/1",
                               "2023/11/30 23:59:58", "张三"};
    for (int c = 0; c < 6; ++c) {
        EXPECT_EQ(isolated.cell(1, c).text, expected[c]);
        EXPECT_EQ(isolated.cell(1, c).kind, direct.cell(1, c).kind);
    }
}

TEST_F(ReaderProcessTest, TheReadersRefusalIsPassedOn) {
    const QString path = file("notes.xls");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("plain text, no workbook");
    f.close();
    const QString failure = failureOf(path);
    EXPECT_FALSE(failure.isEmpty());
    EXPECT_NE(failure, readerclient::damagedWorkbookText());
}

TEST_F(ReaderProcessTest, ACrashHangOrMemoryLimitOfTheReaderIsADamagedFile) {
    const QString damaged = "无法读取该Excel表：文件已损坏或格式不受支持。";
    readerIs("kill -SEGV $$");
    EXPECT_EQ(failureOf(file("any.xls")), damaged);

    readerIs("printf '\\000\\000\\000\\005\\001ab'; exit 0");  // half a frame, then gone
    EXPECT_EQ(failureOf(file("any.xls")), damaged);

    // Cut short at its limit: long before the reader would end by itself.
    readerIs("exec sleep 30");
    QElapsedTimer waited;
    waited.start();
    readerclient::Limits quick;
    quick.wallMs = 400;
    EXPECT_EQ(failureOf(file("any.xls"), quick), damaged);
    EXPECT_LT(waited.elapsed(), 20000);

    // Half a gigabyte under a limit of a quarter: the reader cannot have it.
    readerIs("exec /usr/bin/python3 -c 'b = bytearray(1 << 29); print(len(b))'");
    readerclient::Limits small;
    small.memoryBytes = 1LL << 28;
    EXPECT_EQ(failureOf(file("any.xls"), small), damaged);
}

// Mutated workbooks through the reader process, the same ones on every run however fast the
// machine: whatever the readers make of them, the program gets a sheet or a text for the clerk,
// and goes on.
TEST_F(ReaderProcessTest, MutatedWorkbooksGiveASheetOrAText) {
    const QString original = file("original.xls");
    fixtures::writeXls(original,
                       {fixtures::readHeadings(),
                        fixtures::Row{"044031900111", "12345678", 1.5, "20200101", "", "李四"}});
    QFile in(original);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray good = in.readAll();
    QRandomGenerator random(97);
    for (int run = 0; run < 60; ++run) {
        QByteArray bytes = good;
        for (int i = 0, n = 1 + int(random.bounded(16)); i < n; ++i) {
            bytes[int(random.bounded(bytes.size()))] = char(random.bounded(256));
        }
        const QString path = file(QStringLiteral("mutated%1.xls").arg(run));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        readerclient::Limits bounded;
        bounded.wallMs = 5000;  // a reader that hangs on a mutation is cut short
        try {
            const workbook::Sheet sheet = readerclient::readFirstSheet(path, bounded);
            EXPECT_LE(sheet.rows.size(), 65536);
        } catch (const AppError& error) {
            EXPECT_FALSE(error.message().isEmpty());
        }
        QFile::remove(path);
    }
}

}  // namespace

// A batch keeps one reader for its files; a reader that crashes or hangs on a file costs that
// file alone, and the next file is read by a new one.
TEST_F(ReaderProcessTest, ABatchReadsItsFilesInOneReaderStartedAgainAfterAFailure) {
    const QString starts = file("starts.log");
    readerIs("echo start >> '" + starts.toUtf8() +
             "'\n"
             "while read line; do\n"
             "  path=$(echo \"$line\" | base64 -d)\n"
             "  case \"$path\" in *crash*) kill -SEGV $$;; *hang*) exec sleep 30;; esac\n"
             "  " FPBX_OUTPUT_DIR
             "/fpbx-reader invoice \"$path\"\n"
             "done");
    const QString invoice = QStringLiteral(FPBX_INVOICE_FILES_DIR "/pdf_qr_old.pdf");
    // Room for a loaded machine to read the good files; the hang is cut short at this limit.
    readerclient::Limits quick;
    quick.wallMs = 6000;
    readerclient::InvoiceFileReader reader(quick);
    using invoicefiles::Problem;
    using invoicefiles::Source;
    EXPECT_EQ(reader.read(invoice).source, Source::QrCode);
    EXPECT_EQ(reader.read(QStringLiteral(FPBX_INVOICE_FILES_DIR "/ofd_qr.ofd")).source,
              Source::QrCode);
    EXPECT_EQ(QFile(starts).size(), 6);  // one start: "start\n"

    EXPECT_EQ(reader.read(file("crash.pdf")).problem, Problem::Damaged);
    EXPECT_EQ(reader.read(invoice).payload,
              "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD,");
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(reader.read(file("hang.pdf")).problem, Problem::Damaged);
    EXPECT_LT(waited.elapsed(), 25000);  // not waited out to the reader's own end
    EXPECT_EQ(reader.read(invoice).source, Source::QrCode);
    EXPECT_EQ(QFile(starts).size(), 18);  // after the crash and after the hang
}
