#include <gtest/gtest.h>

#include <QTest>
#include <memory>

#include "FakeClock.h"
#include "TempExeDir.h"
#include "registration/StoreRunner.h"
#include "store/InvoiceStore.h"

namespace {

InvoiceRecord invoice(const QString& number) {
    InvoiceRecord record;
    record.code = "044031900111";
    record.number = number;
    record.amount = "10.00";
    record.invoiceDate = "20240105";
    record.reimburser = "张三";
    return record;
}

// The runner on a thread of its own, over the embedded store (any store will do).
class StoreRunnerTest : public ::testing::Test {
protected:
    TempExeDir dir;
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30))};
    std::unique_ptr<StoreRunner> runner =
        std::make_unique<StoreRunner>(openInvoiceStore(), StoreRunner::Mode::OwnThread);
    QStringList answered;  // number:result, in the order the answers came
    QList<qint64> counts;

    void SetUp() override {
        QObject::connect(runner.get(), &StoreRunner::registered,
                         [this](const StoreRunner::Outcome& outcome) {
                             answered << outcome.invoice.number + ':' +
                                             QString::number(int(outcome.checked.kind));
                         });
        QObject::connect(runner.get(), &StoreRunner::counted,
                         [this](const InvoiceCount& count) { counts << count.count.value_or(-1); });
    }
    static qint64 stored() { return openInvoiceStore()->countInvoices().count.value_or(-1); }
};

TEST_F(StoreRunnerTest, AnswersComeInTheOrderAskedEachOnceWithTheCountAfterARegistration) {
    for (const char* number : {"10000001", "10000002", "10000001", "10000003"}) {
        runner->registerInvoice(invoice(number), EntryMode::Scan);
    }
    EXPECT_EQ(runner->pending(), 4);
    EXPECT_TRUE(answered.isEmpty());  // answered on this thread's loop, never in the call
    QTRY_COMPARE_WITH_TIMEOUT(runner->pending(), 0, 10000);
    // Registered 0, already recorded 1.
    EXPECT_EQ(answered, (QStringList{"10000001:0", "10000002:0", "10000001:1", "10000003:0"}));
    EXPECT_EQ(counts, (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(stored(), 3);
}

TEST_F(StoreRunnerTest, RequestsAskedBeforeTheRunnerEndsAreStillMade) {
    runner->registerInvoice(invoice("10000001"), EntryMode::Scan);
    runner->registerInvoice(invoice("10000002"), EntryMode::Manual);
    runner.reset();
    EXPECT_EQ(stored(), 2);
}

TEST_F(StoreRunnerTest, ACountAskedWhileOneIsOnItsWayIsAnsweredByThatOne) {
    runner->start();
    runner->count();
    runner->count();
    QTRY_COMPARE_WITH_TIMEOUT(runner->pending(), 0, 10000);
    EXPECT_EQ(counts, (QList<qint64>{0}));
}

}  // namespace
