#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "InvoiceFileTesting.h"
#include "TestFiles.h"

using namespace invoicefiles;

namespace {

// Overwrites a few bytes, cuts the tail or repeats a slice: the damage files suffer in mail
// gateways and half-finished downloads.
QByteArray mutated(QByteArray bytes, QRandomGenerator& random) {
    switch (random.bounded(3)) {
        case 0: {
            const int changes = 1 + random.bounded(16);
            for (int i = 0; i < changes; ++i) {
                bytes[random.bounded(bytes.size())] = char(random.bounded(256));
            }
            break;
        }
        case 1:
            bytes.truncate(random.bounded(bytes.size()));
            break;
        default: {
            const qsizetype from = random.bounded(bytes.size());
            const qsizetype length = std::min<qsizetype>(random.bounded(512), bytes.size() - from);
            bytes.insert(random.bounded(bytes.size()), bytes.mid(from, length));
            break;
        }
    }
    return bytes;
}

// Either an invoice (a payload, or fields naming one) or a reason, never both or neither.
void expectWellFormed(const FileReading& reading) {
    switch (reading.source) {
        case Source::QrCode:
            EXPECT_TRUE(looksLikeInvoicePayload(reading.payload)) << reading.payload.toStdString();
            EXPECT_EQ(reading.problem, Problem::None);
            break;
        case Source::FileFields:
            EXPECT_TRUE(namesInvoice(reading.fields));
            EXPECT_EQ(reading.problem, Problem::None);
            break;
        case Source::None:
            EXPECT_NE(reading.problem, Problem::None);
            EXPECT_FALSE(reading.reason().isEmpty());
            EXPECT_EQ(reading.fields, InvoiceFields());
            break;
    }
}

// Every round runs however slow the machine is: the files read are the same on every run.
void mutateFor(const char* file, int rounds, quint32 seed) {
    SCOPED_TRACE(file);
    const QByteArray original = testfiles::readBytes(invoiceFilePath(file));
    ASSERT_FALSE(original.isEmpty());
    QRandomGenerator random(seed);
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        expectWellFormed(readInvoiceData(mutated(original, random)));
    }
}

}  // namespace

TEST(MutatedFilesTest, DamagedOfdArchivesGiveAnInvoiceOrAReason) {
    mutateFor("ofd_tags.ofd", 300, 1);
    mutateFor("ofd_qr.ofd", 200, 2);
}

TEST(MutatedFilesTest, DamagedPdfFilesGiveAnInvoiceOrAReason) {
    mutateFor("pdf_qr_old.pdf", 60, 3);
    mutateFor("pdf_text_split_runs.pdf", 60, 4);
}
