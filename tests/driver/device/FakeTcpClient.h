#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "Clock.h"
#include "TcpClient.h"

// A scripted TCP client on a simulated clock. Each write queues the next scripted answer behind
// whatever is left of the earlier ones, which only CheckForDisconnect throws away; an answer is a
// list of steps read in order, and a read past the end times out.
class FakeTcpClient : public platform::ITcpClient {
public:
    struct Step {
        enum Kind { Bytes, Wait, ReadTimeout, PeerClose, Unexpected } kind;
        std::vector<uint8_t> bytes;
        uint64_t ms = 0;
    };
    using Answer = std::vector<Step>;

    static Step Send(std::vector<uint8_t> bytes) { return {Step::Bytes, std::move(bytes), 0}; }
    static Step Pause(uint64_t ms) { return {Step::Wait, {}, ms}; }
    static Step TimeOut() { return {Step::ReadTimeout, {}, 0}; }
    static Step Close() { return {Step::PeerClose, {}, 0}; }
    static Step Fault() { return {Step::Unexpected, {}, 0}; }

    explicit FakeTcpClient(platform::SimulatedClock& clock) : clock_(clock) {}

    std::deque<Answer> answers;     // one per write
    std::deque<bool> connectFails;  // refused connects, in order; then they succeed
    uint64_t connectCostMs = 0;
    uint64_t readTimeoutMs = 3000;
    bool connectLeavesUnconnected = false;
    bool checkFails = false;  // the disconnection check raises on a connected link

    std::vector<std::vector<uint8_t>> writes;
    int connects = 0;
    int disconnects = 0;
    int checks = 0;
    bool connected = false;

    void Connect(int) override {
        ++connects;
        connected = false;
        clock_.Advance(connectCostMs);
        if (!connectFails.empty()) {
            const bool fail = connectFails.front();
            connectFails.pop_front();
            if (fail) {
                throw platform::TcpError(platform::TcpErrorKind::Socket, "ESocketError",
                                         "Socket Error # 111 Connection refused");
            }
        }
        connected = !connectLeavesUnconnected;
    }
    bool Connected() override { return connected; }
    void Disconnect() override {
        ++disconnects;
        connected = false;
    }
    void CheckForDisconnect() override {
        ++checks;
        current_.clear();
        pending_.clear();
        if (!connected || checkFails) {
            throw platform::TcpError(platform::TcpErrorKind::Other, "EConnClosed",
                                     "Connection # Closed");
        }
    }
    void Write(const std::vector<uint8_t>& data) override {
        writes.push_back(data);
        if (!answers.empty()) {
            current_.insert(current_.end(), answers.front().begin(), answers.front().end());
            answers.pop_front();
        }
    }
    uint8_t ReadByte(uint64_t deadlineMs) override {
        const uint64_t now = clock_.NowMs();
        const uint64_t limit = std::min(readTimeoutMs, deadlineMs > now ? deadlineMs - now : 0);
        uint64_t waited = 0;
        while (pending_.empty()) {
            if (current_.empty()) {
                current_.push_back(TimeOut());
            }
            Step step = current_.front();
            current_.pop_front();
            switch (step.kind) {
                case Step::Bytes:
                    pending_.insert(pending_.end(), step.bytes.begin(), step.bytes.end());
                    break;
                case Step::Wait:
                    // A pause longer than the read may wait ends it; the rest of the pause stays.
                    if (waited + step.ms > limit) {
                        current_.push_front(Pause(waited + step.ms - limit));
                        clock_.Advance(limit - waited);
                        throw TimedOut();
                    }
                    waited += step.ms;
                    clock_.Advance(step.ms);
                    break;
                case Step::ReadTimeout:
                    clock_.Advance(limit - waited);
                    throw TimedOut();
                case Step::PeerClose:
                    connected = false;
                    throw platform::TcpError(platform::TcpErrorKind::Other, "EConnClosed",
                                             "Connection Closed Gracefully.");
                case Step::Unexpected:
                    throw std::length_error("boom");
            }
        }
        const uint8_t b = pending_.front();
        pending_.pop_front();
        return b;
    }

private:
    static platform::TcpError TimedOut() {
        return platform::TcpError(platform::TcpErrorKind::ReadTimeout, "EReadTimeout",
                                  "Read timed out.");
    }

    platform::SimulatedClock& clock_;
    std::deque<Step> current_;
    std::deque<uint8_t> pending_;
};
