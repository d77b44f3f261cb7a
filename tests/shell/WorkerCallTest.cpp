#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>
#include <thread>

#include "shell/AppError.h"
#include "shell/WorkerCall.h"

namespace {

TEST(WorkerCall, TheLoopTurnsWhileTheWorkRunsAndItsResultArrivesHere) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    const bool result = callOnWorker([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return true;
    });
    EXPECT_TRUE(result);
    EXPECT_GE(ticks, 5);
    // Work that ends before the loop has begun still ends it.
    EXPECT_FALSE(callOnWorker([] { return false; }));
}

TEST(WorkerCall, AnErrorOfTheWorkIsThrownHere) {
    try {
        callOnWorker([]() -> bool { throw AppError("Unable to write to /x/config.ini"); });
        ADD_FAILURE() << "nothing thrown";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "Unable to write to /x/config.ini");
    }
}

}  // namespace
