#include <gtest/gtest.h>

#include <QThread>
#include <QTimer>
#include <atomic>

#include "base/AppError.h"
#include "base/LongTask.h"

namespace {

// Work that runs until it is cancelled, saying when it has begun and when it has stopped.
struct Endless {
    std::atomic<bool> begun{false};
    std::atomic<bool> stopped{false};
    LongTask::Work work() {
        return [this](TaskControl& control) {
            begun = true;
            while (!control.cancelled()) {
                QThread::yieldCurrentThread();
            }
            stopped = true;
            control.checkCancelled();
        };
    }
};

TEST(LongTask, PreparesInSlicesOnItsOwnThreadThenWorksOnAnother) {
    const QThread* ui = QThread::currentThread();
    int slices = 0;
    bool slicesOnUi = true;
    const QThread* worker = nullptr;
    LongTask task(
        [&](TaskControl&) {
            slicesOnUi = slicesOnUi && QThread::currentThread() == ui;
            return ++slices == 3;
        },
        [&](TaskControl& control) {
            worker = QThread::currentThread();
            control.setTotal(10);
            control.setDone(10);
        });
    EXPECT_EQ(task.outcome(), LongTask::Outcome::NotStarted);
    task.start();
    EXPECT_TRUE(task.running());
    EXPECT_EQ(slices, 0);  // the slices come from the event loop
    EXPECT_EQ(task.wait(), LongTask::Outcome::Finished);
    EXPECT_EQ(slices, 3);
    EXPECT_TRUE(slicesOnUi);
    EXPECT_NE(worker, nullptr);
    EXPECT_NE(worker, ui);
    EXPECT_EQ(task.control().total(), 10);
    EXPECT_EQ(task.control().done(), 10);
}

TEST(LongTask, ACancelEndsItAndTheWaitLastsUntilTheWorkHasStopped) {
    Endless endless;
    LongTask task({}, endless.work());
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (endless.begun) {
            task.cancel();
        }
    });
    poll.start(0);
    task.start();
    EXPECT_EQ(task.wait(), LongTask::Outcome::Cancelled);
    EXPECT_TRUE(endless.stopped);
}

TEST(LongTask, ACancelFromTheWorksThreadEndsItAsCancelled) {
    LongTask* self = nullptr;
    LongTask task({}, [&](TaskControl& control) {
        self->cancel();
        control.checkCancelled();
        FAIL() << "the work went on after its cancel";
    });
    self = &task;
    task.start();
    EXPECT_EQ(task.wait(), LongTask::Outcome::Cancelled);
}

TEST(LongTask, ACancelBeforeTheStartRunsNothing) {
    bool prepared = false;
    bool worked = false;
    LongTask task([&](TaskControl&) { return prepared = true; },
                  [&](TaskControl&) { worked = true; });
    task.cancel();
    task.start();
    EXPECT_EQ(task.wait(), LongTask::Outcome::Cancelled);
    EXPECT_FALSE(prepared);
    EXPECT_FALSE(worked);
}

TEST(LongTask, TheErrorOfAFailedStepIsThrownByTheWait) {
    LongTask failingWork({}, [](TaskControl&) { throw AppError(QStringLiteral("disk gone")); });
    failingWork.start();
    try {
        failingWork.wait();
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "disk gone");
    }
    EXPECT_EQ(failingWork.outcome(), LongTask::Outcome::Failed);

    bool worked = false;
    LongTask failingSlice([](TaskControl&) -> bool { throw AppError(QStringLiteral("no keys")); },
                          [&](TaskControl&) { worked = true; });
    failingSlice.start();
    EXPECT_THROW(failingSlice.wait(), AppError);
    EXPECT_FALSE(worked);
}

}  // namespace
