// The event thread and its delivery, on a pseudo-terminal and on the simulated line.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "FakeCommApi.h"
#include "MyCPort.h"
#include "PtyLine.h"

using Bytes = PtyLine::Bytes;

namespace {

// Bytes the handlers took, guarded for handlers on the event thread.
struct Received {
    std::mutex lock;
    std::condition_variable changed;
    Bytes bytes;
    std::vector<int> counts;
    std::thread::id thread;
    int rxChar = 0;

    void Add(const uint8_t* data, int count) {
        std::lock_guard guard(lock);
        bytes.insert(bytes.end(), data, data + count);
        counts.push_back(count);
        thread = std::this_thread::get_id();
        changed.notify_all();
    }
    bool WaitFor(size_t size) {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(5),
                                [&] { return bytes.size() >= size; });
    }
    size_t Size() {
        std::lock_guard guard(lock);
        return bytes.size();
    }
};

class ComPortEvents : public ::testing::Test {
protected:
    ComPortEvents() {
        port.SetPort("COM7");
        port.SetEvents({evRxChar, evError, evTxEmpty});
        // OnRxChar reads exactly the count it is given.
        port.OnRxChar = [this](TCustomComPort* sender, int count) {
            Bytes buffer(count);
            EXPECT_EQ(sender->Read(buffer.data(), count), count);
            received.rxChar++;
            received.Add(buffer.data(), count);
        };
    }
    // Pumps the port's queue until the handlers took `size` bytes.
    bool PumpUntil(size_t size) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (received.Size() < size && std::chrono::steady_clock::now() < deadline) {
            port.SyncQueue().WaitAndProcess(100);
        }
        return received.Size() >= size;
    }

    PtyLine pty{"COM7"};
    TComPort port;
    Received received;
};

const Bytes kBytes = {0x01, 0x03, 0x04, 0x11, 0x13};

TEST_F(ComPortEvents, ThreadSyncRunsOnRxCharOnThePumpingThread) {
    port.Open();
    pty.Send(kBytes);
    ASSERT_TRUE(PumpUntil(kBytes.size()));
    EXPECT_EQ(received.bytes, kBytes);
    EXPECT_EQ(received.thread, std::this_thread::get_id());
    port.Close();
}

TEST_F(ComPortEvents, WindowSyncHandsOverOnRxBufWhenTriggersOnRxCharIsOff) {
    port.SetSyncMethod(smWindowSync);
    port.SetTriggersOnRxChar(false);
    port.OnRxBuf = [this](TCustomComPort*, const uint8_t* data, int count) {
        received.Add(data, count);
    };
    port.Open();
    pty.Send(kBytes);
    ASSERT_TRUE(PumpUntil(kBytes.size()));
    EXPECT_EQ(received.bytes, kBytes);
    EXPECT_EQ(received.rxChar, 0);
    EXPECT_EQ(received.thread, std::this_thread::get_id());
    port.Close();
}

TEST_F(ComPortEvents, SyncNoneRunsOnTheEventThread) {
    port.SetSyncMethod(smNone);
    port.Open();
    pty.Send(kBytes);
    ASSERT_TRUE(received.WaitFor(kBytes.size()));
    port.Close();
    EXPECT_EQ(received.bytes, kBytes);
    EXPECT_NE(received.thread, std::this_thread::get_id());
}

TEST_F(ComPortEvents, CloseEndsAWaitingThreadAndDropsUndeliveredEvents) {
    port.Open();
    pty.Send(kBytes);
    ASSERT_TRUE(port.SyncQueue().WaitForWork(5000));
    port.Close();
    EXPECT_EQ(port.SyncQueue().ProcessMessages(), 0);
    EXPECT_EQ(received.Size(), 0u);
    // The handle was closed: the port opens again at once.
    port.Open();
    EXPECT_TRUE(port.Connected());
    port.Close();
}

TEST(ComPortEventsOnFake, OnErrorOnlyForAPendingLineError) {
    platform::FakeCommApi line;
    platform::ScopedCommApi useLine(line);
    TComPort port;
    port.SetSyncMethod(smNone);
    Received received;
    std::vector<TComErrors> errors;
    port.OnError = [&](TCustomComPort*, TComErrors e) {
        std::lock_guard guard(received.lock);
        errors.push_back(e);
    };
    port.OnRxChar = [&](TCustomComPort* sender, int count) {
        Bytes buffer(count);
        sender->Read(buffer.data(), count);
        received.Add(buffer.data(), count);
    };
    port.Open();
    line.PeerSends({0x41});
    line.RaiseCommEvent(platform::EV_ERR | platform::EV_RXCHAR);
    ASSERT_TRUE(received.WaitFor(1));  // errors come first, so that wake-up is done
    line.RaiseLineErrors(platform::CE_FRAME);
    line.PeerSends({0x42});
    line.RaiseCommEvent(platform::EV_ERR | platform::EV_RXCHAR);
    ASSERT_TRUE(received.WaitFor(2));
    port.Close();
    EXPECT_EQ(errors, std::vector<TComErrors>{TComErrors{ceFrame}});
}

TEST(ComPortListeners, LinkedListenerTakesTheBytesAndOverridesTriggers) {
    platform::FakeCommApi line;
    platform::ScopedCommApi useLine(line);
    TComPort port;
    port.SetSyncMethod(smNone);
    Received received;
    Bytes linked;
    std::vector<bool> connection;
    TComPortListener listener;
    listener.OnConn = [&](bool on) { connection.push_back(on); };
    listener.OnRxBuf = [&](TCustomComPort*, const uint8_t* data, int count) {
        linked.assign(data, data + count);
    };
    port.OnRxBuf = [&](TCustomComPort*, const uint8_t* data, int count) {
        received.Add(data, count);
    };
    port.AddListener(&listener);
    EXPECT_FALSE(port.TriggersOnRxChar());
    try {
        port.SetTriggersOnRxChar(false);
        FAIL() << "changed while linked";
    } catch (const EComPort& e) {
        EXPECT_EQ(e.ErrorCode(), 22);
    }
    port.Open();
    line.PeerSends({1, 2, 3});
    line.RaiseCommEvent(platform::EV_RXCHAR);
    ASSERT_TRUE(received.WaitFor(3));
    port.Close();
    port.RemoveListener(&listener);
    EXPECT_TRUE(port.TriggersOnRxChar());
    EXPECT_EQ(received.bytes, (Bytes{1, 2, 3}));
    EXPECT_EQ(linked, (Bytes{1, 2, 3}));
    EXPECT_EQ(connection, (std::vector<bool>{true, false}));
}

}  // namespace
