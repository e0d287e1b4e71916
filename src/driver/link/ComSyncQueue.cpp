#include "ComSyncQueue.h"

#include <chrono>

bool TComSyncQueue::Enqueue(const TSenderPtr& Sender, std::function<void()> Work,
                            std::shared_ptr<bool> Done) {
    if (Sender->Withdrawn) {
        return false;
    }
    FItems.push_back({Sender, std::move(Work), std::move(Done)});
    FChanged.notify_all();
    return true;
}

void TComSyncQueue::Send(const TSenderPtr& Sender, std::function<void()> Work) {
    auto done = std::make_shared<bool>(false);
    std::unique_lock lock(FLock);
    if (Enqueue(Sender, std::move(Work), done)) {
        FChanged.wait(lock, [&] { return *done || Sender->Withdrawn; });
    }
}

void TComSyncQueue::Post(const TSenderPtr& Sender, std::function<void()> Work) {
    std::lock_guard lock(FLock);
    Enqueue(Sender, std::move(Work), nullptr);
}

void TComSyncQueue::Withdraw(const TSenderPtr& Sender) {
    std::lock_guard lock(FLock);
    Sender->Withdrawn = true;
    std::erase_if(FItems, [&](const TItem& item) { return item.Sender == Sender; });
    FChanged.notify_all();
}

int TComSyncQueue::ProcessMessages() {
    int ran = 0;
    for (;;) {
        TItem item;
        {
            std::lock_guard lock(FLock);
            if (FItems.empty()) {
                return ran;
            }
            item = std::move(FItems.front());
            FItems.pop_front();
        }
        // Whatever the work does, a sender waiting for it is released.
        struct TRelease {
            TComSyncQueue& Queue;
            const std::shared_ptr<bool>& Done;
            ~TRelease() {
                if (Done) {
                    std::lock_guard lock(Queue.FLock);
                    *Done = true;
                    Queue.FChanged.notify_all();
                }
            }
        } release{*this, item.Done};
        ++ran;
        item.Work();
    }
}

bool TComSyncQueue::WaitForWork(uint32_t TimeoutMs) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                             [this] { return !FItems.empty(); });
}

int TComSyncQueue::WaitAndProcess(uint32_t TimeoutMs) {
    WaitForWork(TimeoutMs);
    return ProcessMessages();
}
