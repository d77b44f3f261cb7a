#include <gtest/gtest.h>

#include <QBuffer>
#include <QRandomGenerator>

#include "reader/ReaderProtocol.h"

using readerprotocol::SheetReceiver;
using State = readerprotocol::Receiver::State;
using Kind = workbook::Cell::Kind;

namespace {

workbook::Sheet sampleSheet() {
    workbook::Sheet sheet;
    sheet.name = QStringLiteral("发票");
    sheet.columnCount = 3;
    sheet.rows = {
        {workbook::textCell("发票代码"), workbook::textCell("开票金额"),
         workbook::textCell("报销时间")},
        {workbook::textCell("044031900111"), workbook::numberCell(100.5),
         workbook::dateTimeCell(QDate(2024, 1, 31), QTime(13, 5, 9))},
        {workbook::Cell{}, workbook::dateCell(QDate(2020, 1, 1)),
         workbook::timeCell(QTime(8, 0, 1))},
    };
    return sheet;
}

QByteArray streamOf(const workbook::Sheet& sheet) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    readerprotocol::writeSheet(buffer, sheet);
    return buffer.data();
}

QByteArray frame(quint8 type, const QByteArray& body) {
    QByteArray bytes;
    const quint32 length = quint32(body.size() + 1);
    bytes.append(char(length >> 24)).append(char(length >> 16)).append(char(length >> 8));
    bytes.append(char(length)).append(char(type)).append(body);
    return bytes;
}

TEST(ReaderProtocolTest, ASheetArrivesWholeHoweverThePipeCutsIt) {
    const QByteArray stream = streamOf(sampleSheet());
    SheetReceiver receiver;
    for (const char byte : stream) {
        EXPECT_EQ(receiver.state(), State::Reading);
        receiver.feed(QByteArray(1, byte));
    }
    ASSERT_EQ(receiver.state(), State::Done);
    const workbook::Sheet sheet = receiver.takeSheet();
    EXPECT_EQ(sheet.name, "发票");
    EXPECT_EQ(sheet.columnCount, 3);
    ASSERT_EQ(sheet.rows.size(), 3);
    EXPECT_EQ(sheet.rows[1][1].text, "100.5");
    EXPECT_EQ(sheet.rows[1][1].kind, Kind::Number);
    EXPECT_EQ(sheet.rows[1][2].text, "2024/1/31 13:05:09");
    EXPECT_EQ(sheet.rows[1][2].value, QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9), Qt::UTC));
    EXPECT_EQ(sheet.rows[2][0].kind, Kind::Empty);
    EXPECT_EQ(sheet.rows[2][1].value, QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(sheet.rows[2][2].text, "8:00:01");
}

TEST(ReaderProtocolTest, ARefusalCarriesItsText) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    readerprotocol::writeFailure(buffer, "请选择有效的Excel表！");
    SheetReceiver receiver;
    receiver.feed(buffer.data());
    EXPECT_EQ(receiver.state(), State::Refused);
    EXPECT_EQ(receiver.failure(), "请选择有效的Excel表！");
}

TEST(ReaderProtocolTest, AStreamThatBreaksItsOwnRulesIsBroken) {
    const QByteArray good = streamOf(sampleSheet());
    const auto receive = [](const QByteArray& bytes) {
        SheetReceiver receiver;
        receiver.feed(bytes);
        return receiver.state();
    };
    EXPECT_EQ(receive(good.left(good.size() - 1)), State::Reading);            // ended early
    EXPECT_EQ(receive(QByteArray("\x7F\xFF\xFF\xFF\x01", 5)), State::Broken);  // 2 GiB frame
    EXPECT_EQ(receive(QByteArray("\x00\x00\x00\x00", 4)), State::Broken);      // empty frame
    EXPECT_EQ(receive(frame(9, {})), State::Broken);                           // unknown frame
    EXPECT_EQ(receive(frame(2, QByteArray(4, '\0'))), State::Broken);  // a row before the sheet
    // A width past any sheet's.
    EXPECT_EQ(receive(frame(1, QByteArray("\xFF\xFF\xFF\xFF\x00\x01\x00\x00", 8))), State::Broken);
    // The end frame counts other rows than arrived.
    QByteArray miscounted = good;
    miscounted[miscounted.size() - 1] = char(7);
    EXPECT_EQ(receive(miscounted), State::Broken);
    // Nothing is taken after the end.
    SheetReceiver receiver;
    receiver.feed(good + good);
    EXPECT_EQ(receiver.state(), State::Done);
}

// Mutated streams, the same ones on every run however fast the machine: each ends in a state,
// never in a crash or a hang.
TEST(ReaderProtocolTest, MutatedStreamsEndInAState) {
    const QByteArray good = streamOf(sampleSheet());
    QRandomGenerator random(20261209);
    constexpr int kRuns = 400000;
    int done = 0;
    for (int run = 0; run < kRuns; ++run) {
        QByteArray bytes = good;
        const int flips = 1 + int(random.bounded(8));
        for (int i = 0; i < flips; ++i) {
            bytes[int(random.bounded(bytes.size()))] = char(random.bounded(256));
        }
        if (random.bounded(4) == 0) {
            bytes.truncate(int(random.bounded(bytes.size())));
        }
        SheetReceiver receiver;
        receiver.feed(bytes);
        done += receiver.state() == State::Done ? 1 : 0;
        if (receiver.state() == State::Done) {
            EXPECT_LE(receiver.takeSheet().rows.size(), 3);
        }
    }
    EXPECT_LT(done, kRuns);
}

}  // namespace
