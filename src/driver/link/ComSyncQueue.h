#pragma once

// Work handed from a port's event thread to the thread that pumps the queue: the program's main
// thread for smThreadSync, the thread that owns the port for smWindowSync. Nothing runs until
// that thread calls ProcessMessages (or WaitAndProcess), so a test, a console program or a Qt
// timer can all pump it.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class TComSyncQueue {
public:
    // Identifies the work of one sender, so that it can be withdrawn at once.
    struct TSender {
        bool Withdrawn = false;  // guarded by the queue's lock
    };
    using TSenderPtr = std::shared_ptr<TSender>;

    // Runs Work on the pumping thread and waits until it has run (also when it raised) or was
    // withdrawn. A withdrawn sender's work is dropped.
    void Send(const TSenderPtr& Sender, std::function<void()> Work);
    // Queues Work and returns at once.
    void Post(const TSenderPtr& Sender, std::function<void()> Work);
    // Drops the sender's queued work, releases its waiting Send and refuses its later work.
    void Withdraw(const TSenderPtr& Sender);

    // Runs the queued work on the calling thread, oldest first; returns how many ran. An
    // exception from the work leaves the rest queued and reaches the caller.
    int ProcessMessages();
    // Waits up to TimeoutMs for work to arrive; true when there is some.
    bool WaitForWork(uint32_t TimeoutMs);
    // Waits up to TimeoutMs for work to arrive, then runs what is queued.
    int WaitAndProcess(uint32_t TimeoutMs);

private:
    struct TItem {
        TSenderPtr Sender;
        std::function<void()> Work;
        std::shared_ptr<bool> Done;  // set once run; null for posted work
    };
    bool Enqueue(const TSenderPtr& Sender, std::function<void()> Work, std::shared_ptr<bool> Done);

    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<TItem> FItems;
};
