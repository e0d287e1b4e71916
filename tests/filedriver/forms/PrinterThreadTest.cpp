#include "PrinterThread.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <atomic>
#include <semaphore>
#include <stdexcept>
#include <thread>
#include <vector>

#include "AbortError.h"

namespace {

TEST(DriverThread, JobsRunOnOneOtherThreadAndRaiseHere) {
    TDriverThread thread;
    std::thread::id first;
    std::thread::id second;
    thread.Run([&first] { first = std::this_thread::get_id(); });
    thread.Run([&second] { second = std::this_thread::get_id(); });
    EXPECT_EQ(first, second);
    EXPECT_NE(first, std::this_thread::get_id());
    EXPECT_THROW(thread.Run([] { throw EAbort("Printer not initialized."); }), EAbort);
    EXPECT_FALSE(thread.Running());
}

TEST(DriverThread, EventsAreHandledWhileAJobRunsAndALaterJobWaitsItsTurn) {
    TDriverThread thread;
    std::binary_semaphore release(0);
    std::vector<int> order;
    bool runningInside = false;
    // While the first job blocks, a timer fires here and hands over a second job, which
    // returns only after the first one has ended.
    QTimer::singleShot(1, [&] {
        runningInside = thread.Running();
        release.release();
        thread.Run([&order] { order.push_back(2); });
    });
    thread.Run([&] {
        release.acquire();
        order.push_back(1);
    });
    EXPECT_TRUE(runningInside);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_FALSE(thread.Running());
}

}  // namespace
