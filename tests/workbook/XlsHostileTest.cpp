#include <gtest/gtest.h>

#include <time.h>

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <functional>

#include "ImportFixtures.h"
#include "TestFiles.h"
#include "XlsFixtures.h"
#include "base/AppError.h"
#include "workbook/BiffReader.h"
#include "workbook/Workbook.h"
#include "workbook/XlsReader.h"

using xlsfixtures::CompoundFile;
using xlsfixtures::le16;
using xlsfixtures::le32;
using xlsfixtures::putLe32;
using xlsfixtures::WorkbookStream;

namespace {

// What reading the workbook file says, or "(a sheet)".
QString refusal(const QByteArray& file) {
    try {
        xlsreader::readWorkbook(file);
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("(a sheet)");
}

QString refusalOfStream(const QByteArray& workbookStream) {
    return refusal(xlsfixtures::xlsFile(workbookStream));
}

// The processor time this thread has used, in milliseconds: what a read costs, whatever else the
// machine is busy with (the reader works on the calling thread).
qint64 threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// A workbook whose first worksheet has begun; the test adds cells and its EOF.
WorkbookStream sheetStarted(bool biff8 = true) {
    WorkbookStream s(biff8);
    s.globalsBof().boundSheet(QStringLiteral("S")).eof().worksheetBof();
    return s;
}

QByteArray mulRk(quint16 row, quint16 first, int count) {
    QByteArray data = le16(row) + le16(first);
    for (int i = 0; i < count; ++i) {
        data += le16(0) + le32((quint32(i) << 2) | 0x02);
    }
    return data + le16(quint16(first + count - 1));
}

TEST(HostileWorkbooks, CellsOutsideTheSheetLimitsAreRefused) {
    const QString outside =
        QStringLiteral("无法读取该Excel表：工作表超出了65536行、256列的限制，文件可能已损坏。");
    EXPECT_EQ(refusalOfStream(sheetStarted().number(0, 256, 1).eof().bytes()), outside);
    EXPECT_EQ(refusalOfStream(sheetStarted().record(0x00BD, mulRk(3, 250, 10)).eof().bytes()),
              outside);
    EXPECT_EQ(
        refusalOfStream(
            sheetStarted().record(0x00BE, le16(0) + le16(0) + le16(0) + le16(300)).eof().bytes()),
        outside);
    EXPECT_EQ(refusalOfStream(sheetStarted(false).number(20000, 0, 1).eof().bytes()),
              "无法读取该Excel表：工作表超出了16384行、256列的限制，文件可能已损坏。");

    // Through the import's way in, the message names the file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wide.xls"));
    testfiles::writeBytes(path,
                          xlsfixtures::xlsFile(sheetStarted().number(0, 256, 1).eof().bytes()));
    try {
        workbook::readFirstSheet(path);
        FAIL() << "read";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), outside);
    }

    // The export's bare stream: a column of 60,000 once made the reader take gigabytes.
    fixtures::BiffStream bare;
    bare.bof().number(0, 60000, 1).eof();
    try {
        biffreader::readStream(bare.bytes());
        FAIL() << "read";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), outside);
    }

    // The last row and the last column themselves are in.
    const workbook::Sheet lastRow = xlsreader::readWorkbook(
        xlsfixtures::xlsFile(sheetStarted().number(65535, 0, 1).eof().bytes()));
    EXPECT_EQ(lastRow.rows.size(), 65536);
    const workbook::Sheet lastColumn = xlsreader::readWorkbook(
        xlsfixtures::xlsFile(sheetStarted().number(0, 255, 1).eof().bytes()));
    EXPECT_EQ(lastColumn.columnCount, 256);
}

TEST(HostileWorkbooks, ExtentsBeyondTheLimitsAreRefused) {
    EXPECT_EQ(refusalOfStream(sheetStarted().dimensions(1000000000, 4).eof().bytes()),
              "its extent of 1000000000 rows and 4 columns is more than a worksheet can have");
    EXPECT_EQ(refusalOfStream(sheetStarted().dimensions(70000, 4).eof().bytes()),
              "its extent of 70000 rows and 4 columns is more than a worksheet can have");
    EXPECT_EQ(refusalOfStream(sheetStarted(false).dimensions(20000, 4).eof().bytes()),
              "its extent of 20000 rows and 4 columns is more than a worksheet can have");
    EXPECT_EQ(refusalOfStream(sheetStarted().dimensions(65536, 256).eof().bytes()), "(a sheet)");
}

TEST(HostileWorkbooks, ThinlySpreadCellsAreRefusedBeforeTheGridIsLaidOut) {
    // Two cells in opposite corners would be 16.7 million cells of grid.
    EXPECT_EQ(refusalOfStream(sheetStarted().number(0, 0, 1).number(65535, 255, 2).eof().bytes()),
              "无法读取该Excel表：工作表的2个单元格分散在65536行、256列中，文件可能已损坏。");
    // One cell at the far end of every row: refused as the rows are laid out, not after.
    WorkbookStream diagonal = sheetStarted();
    for (quint16 row = 0; row < 5000; ++row) {
        diagonal.number(row, 255, row);
    }
    EXPECT_EQ(refusalOfStream(diagonal.eof().bytes()),
              "无法读取该Excel表：工作表的4097个单元格分散在4097行、256列中，文件可能已损坏。");
    // A workbook's usual shape, however empty, is laid out.
    const workbook::Sheet sheet = xlsreader::readWorkbook(
        xlsfixtures::xlsFile(sheetStarted().number(0, 0, 1).number(65535, 6, 2).eof().bytes()));
    EXPECT_EQ(sheet.rows.size(), 65536);
    EXPECT_EQ(sheet.cell(65535, 6).text, "2");
}

TEST(HostileWorkbooks, StringTableCountsAndIndexesAreNotTrusted) {
    WorkbookStream huge;
    huge.globalsBof()
        .sst({QStringLiteral("a"), QStringLiteral("b")}, 0x80000000u)
        .boundSheet(QStringLiteral("S"))
        .eof();
    huge.worksheetBof().labelSst(0, 0, 1).eof();
    const qint64 before = threadCpuMs();
    EXPECT_EQ(refusalOfStream(huge.bytes()),
              "the workbook's shared strings are damaged (a record is shorter than what it "
              "holds)");
    EXPECT_LT(threadCpuMs() - before, 1000);  // the count made nothing of that size

    WorkbookStream index;
    index.globalsBof().sst({QStringLiteral("a")}, 1).boundSheet(QStringLiteral("S")).eof();
    index.worksheetBof().labelSst(0, 0, 5).eof();
    EXPECT_EQ(refusalOfStream(index.bytes()),
              "a text cell refers to a shared string the workbook lacks");
}

TEST(HostileWorkbooks, CutShortOrUnreadableStreamsAreRefused) {
    const QByteArray whole = sheetStarted().number(0, 0, 1).eof().bytes();
    EXPECT_EQ(refusalOfStream(whole.left(whole.size() - 10)), "a record is cut short");
    EXPECT_EQ(refusalOfStream(whole.left(whole.size() - 4)), "it ends before its EOF record");

    WorkbookStream late;
    late.globalsBof().boundSheet(QStringLiteral("S")).eof();
    QByteArray pastTheEnd = late.bytes();
    putLe32(pastTheEnd, 20 + 4, 0x7FFFFFF0);  // the BOUNDSHEET's offset
    EXPECT_EQ(refusalOfStream(pastTheEnd), "its first worksheet lies past the end of the workbook");

    WorkbookStream locked;
    locked.globalsBof().record(0x002F, le16(1) + QByteArray(52, '\0')).eof();
    EXPECT_EQ(refusalOfStream(locked.bytes()), "无法读取该Excel表：文件已加密，请先取消密码保护。");

    WorkbookStream chartsOnly;
    chartsOnly.globalsBof().boundSheet(QStringLiteral("Chart1"), 2).eof();
    EXPECT_EQ(refusalOfStream(chartsOnly.bytes()), "无法读取该Excel表：工作簿中没有工作表。");

    CompoundFile document;
    document.streams = {{QStringLiteral("WordDocument"), QByteArray(5000, 'w')}};
    EXPECT_EQ(refusal(document.build().bytes), "无法读取该Excel表：文件中没有Excel工作簿。");
}

// A compound file around a workbook stream of more than 4096 bytes (regular sectors) and a
// small one (the mini stream), for the tests to damage.
CompoundFile twoStreams() {
    WorkbookStream s;
    s.globalsBof().boundSheet(QStringLiteral("S")).eof().worksheetBof().number(0, 0, 1).eof();
    QByteArray padded = s.bytes();
    padded.resize(6000, '\0');
    CompoundFile file;
    file.streams = {{QStringLiteral("Small"), QByteArray(300, 's')},
                    {QStringLiteral("Workbook"), padded}};
    file.build();
    return file;
}

TEST(HostileCompoundFiles, LoopsAndPointersOutsideTheFileAreRefused) {
    const CompoundFile base = twoStreams();
    ASSERT_EQ(refusal(base.bytes), "(a sheet)");
    const auto damaged = [&](const std::function<void(QByteArray&)>& change) {
        QByteArray bytes = base.bytes;
        change(bytes);
        return refusal(bytes);
    };
    const quint32 workbookStart = base.streamStarts[1];

    EXPECT_EQ(damaged([&](QByteArray& b) {
                  putLe32(b, base.fatEntryOffset(workbookStart + 2), workbookStart);
              }),
              "the file is damaged (a sector chain runs in a loop)");
    EXPECT_EQ(damaged([&](QByteArray& b) {
                  putLe32(b, base.fatEntryOffset(base.directoryStart), base.directoryStart);
              }),
              "the file is damaged (a sector chain runs in a loop)");
    EXPECT_EQ(damaged([&](QByteArray& b) { putLe32(b, base.streamEntryOffset(1) + 116, 0xFFFF0); }),
              "the file is damaged (a stream's sectors lie outside the file)");
    EXPECT_EQ(
        damaged([&](QByteArray& b) { putLe32(b, base.streamEntryOffset(1) + 120, 1000000000); }),
        "the file is damaged (a stream is larger than the file)");
    EXPECT_EQ(damaged([&](QByteArray& b) { putLe32(b, 44, 1000); }),
              "the file is damaged (the allocation table is larger than the file)");
    EXPECT_EQ(damaged([&](QByteArray& b) { b[30] = 10; }),
              "the file is damaged (the compound file header names sector sizes it cannot have)");
    EXPECT_EQ(refusal(base.bytes.left(3000)),
              "the file is damaged (an allocation table sector lies outside the file)");

    // The directory's tree: a sibling that points back at itself hides the workbook; one past
    // the directory's end is damage.
    EXPECT_EQ(damaged([&](QByteArray& b) { putLe32(b, base.streamEntryOffset(0) + 72, 1); }),
              "无法读取该Excel表：文件中没有Excel工作簿。");
    EXPECT_EQ(damaged([&](QByteArray& b) { putLe32(b, base.streamEntryOffset(0) + 72, 500); }),
              "the file is damaged (a directory entry points outside the directory)");

    // The mini stream's own table, made to loop.
    EXPECT_EQ(damaged([&](QByteArray& b) {
                  putLe32(b, base.streamEntryOffset(1) + 120,
                          300);  // the workbook moves to the mini stream
                  putLe32(b, base.streamEntryOffset(1) + 116, 0);
                  putLe32(b, base.sectorOffset(base.miniFatStart) + 4 * 3, 1);
              }),
              "the file is damaged (a sector chain runs in a loop)");
}

TEST(HostileCompoundFiles, BrokenListsOfTableSectorsAreRefused) {
    // 120 table sectors: 109 listed in the header, 11 in one DIFAT sector of 127 places.
    CompoundFile file;
    file.minFatSectors = 120;
    file.streams = {{QStringLiteral("Workbook"), QByteArray(130000, '\0')}};
    file.build();
    const quint32 difat = qFromLittleEndian<quint32>(file.bytes.constData() + 68);
    QByteArray looped = file.bytes;
    putLe32(looped, 44, 240);  // more than the DIFAT sector lists: its next one is read
    putLe32(looped, file.sectorOffset(difat) + 508, difat);
    EXPECT_EQ(refusal(looped),
              "the file is damaged (the list of allocation table sectors is broken)");
}

// Mutations of real and made workbooks: each gives a sheet or an AppError, quickly.
TEST(HostileWorkbooks, MutatedWorkbooksGiveASheetOrAnErrorNeverACrash) {
    QList<QByteArray> seeds{
        testfiles::readBytes(xlsfixtures::fixturePath(QStringLiteral("libreoffice_cells.xls"))),
        testfiles::readBytes(xlsfixtures::fixturePath(QStringLiteral("libreoffice_1904.xls"))),
        twoStreams().bytes};
    CompoundFile version4;
    version4.sectorShift = 12;
    version4.streams = {
        {QStringLiteral("Workbook"),
         sheetStarted().number(0, 0, 1).record(0x00BD, mulRk(1, 0, 5)).eof().bytes()}};
    seeds << version4.build().bytes;
    for (const QByteArray& seed : seeds) {
        ASSERT_EQ(refusal(seed), "(a sheet)");
    }

    QRandomGenerator random(20241209);
    const quint32 interesting[] = {0,       1,          0x7F,       0xFF,       0xFFFF,
                                   0x10000, 0x7FFFFFFF, 0xFFFFFFFA, 0xFFFFFFFE, 0xFFFFFFFF};
    int sheets = 0;
    int errors = 0;
    qint64 slowest = 0;
    for (int round = 0; round < 2400; ++round) {
        QByteArray bytes = seeds[round % seeds.size()];
        const int changes = 1 + int(random.bounded(4));
        for (int c = 0; c < changes; ++c) {
            const qsizetype at = random.bounded(bytes.size() - 4);
            switch (random.bounded(4)) {
                case 0:
                    bytes[at] = char(random.bounded(256));
                    break;
                case 1:
                    putLe32(bytes, at & ~qsizetype(3), interesting[random.bounded(10)]);
                    break;
                case 2:
                    bytes[at] = char(bytes[at] ^ (1 << random.bounded(8)));
                    break;
                default:
                    bytes.truncate(qMax<qsizetype>(at, 600));
                    break;
            }
        }
        const qint64 before = threadCpuMs();
        try {
            xlsreader::readWorkbook(bytes);
            ++sheets;
        } catch (const AppError&) {
            ++errors;
        }
        slowest = qMax(slowest, threadCpuMs() - before);
    }
    EXPECT_GT(sheets, 100);
    EXPECT_GT(errors, 100);
    EXPECT_LT(slowest, 1000);
}

}  // namespace
