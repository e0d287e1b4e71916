#include "Emulator.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "Link.h"
#include "Triggers.h"

namespace fpemu {

namespace {

// The emulator keeps real time whatever clock the code under test runs on.
using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;
using std::chrono::milliseconds;

constexpr int kHeldPollMs = 5;

}  // namespace

std::string FormatFrame(const FrameLogEntry& entry) {
    char head[64];
    std::snprintf(head, sizeof head, "+%llu ms SEQ %02X CMD %02X ",
                  static_cast<unsigned long long>(entry.ms), entry.seq, entry.cmd);
    std::string text = head;
    text += entry.valid ? "valid " : "INVALID (" + entry.error + ") ";
    text += ToPrintable(entry.payload);
    return text;
}

struct Emulator::Impl {
    std::unique_ptr<Link> link;
    int comNumber = 0;
    int wakeFd = -1;
    std::thread thread;
    std::atomic<bool> stopping{false};
    const TimePoint started = SteadyClock::now();
    std::atomic<int> connections{0};

    // Shared with the callers: the printer, the script and the answer to repeat.
    mutable std::mutex stateMutex;
    Printer printer;
    std::deque<Step> script;
    TriggerList triggers;
    // A request sent again with the same SEQ gets the same answer, as a printer does, so that a
    // retry after a damaged answer does not sell twice.
    struct Executed {
        uint8_t seq = 0;
        uint8_t cmd = 0;
        Bytes payload;
        Answer answer;
    };
    std::optional<Executed> lastExecuted;
    // What the request of a status-bit trigger got, for its repeats.
    Answer bitAnswer;

    mutable std::mutex logMutex;
    mutable std::condition_variable logChanged;
    std::vector<FrameLogEntry> log;
    FrameListener listener;

    // Owned by the server thread alone.
    RequestParser parser;
    std::deque<Request> pending;
    std::deque<Action> plan;
    bool actionStarted = false;
    TimePoint actionStart;
    TimePoint nextTick;
    Bytes out;
    // A signal to send once the answer being planned is out.
    std::optional<Trigger> signalAfterAnswer;
    // A process stopped by a trigger: its requests wait until it runs again.
    std::optional<int> heldFor;

    ~Impl() {
        if (wakeFd >= 0) {
            close(wakeFd);
        }
    }

    void Start() {
        wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0) {
            ThrowErrno("eventfd");
        }
        thread = std::thread([this] { Run(); });
    }

    void Stop() {
        stopping = true;
        const uint64_t one = 1;
        if (write(wakeFd, &one, sizeof one) < 0) {
            // The counter cannot overflow with one write per Stop; nothing else can fail here.
        }
        if (thread.joinable()) {
            thread.join();
        }
    }

    void Run();
    void ReadRequests();
    void Record(const Request& request);
    void StartNextAnswer();
    Answer ExecuteWithBit(const TriggerList::Met& met, const Request& request);
    void Fire(const Trigger& trigger);
    void DiscardInput();
    std::optional<TimePoint> Advance(TimePoint now);
    void Flush();
    void DropPeer(bool reset);
    void ResetConversation();
};

void Emulator::Impl::Run() {
    while (!stopping) {
        std::optional<TimePoint> deadline;
        while (true) {
            deadline = Advance(SteadyClock::now());
            const bool hadOutput = !out.empty();
            Flush();
            // Once all is out, what waited for it (a close, the next answer) may go on.
            if (!hadOutput || !out.empty()) {
                break;
            }
        }
        pollfd fds[3] = {};
        nfds_t count = 0;
        fds[count++] = {wakeFd, POLLIN, 0};
        const int acceptFd = link->AcceptFd();
        if (acceptFd >= 0) {
            fds[count++] = {acceptFd, POLLIN, 0};
        }
        const int peerFd = link->PeerFd();
        if (peerFd >= 0) {
            fds[count++] = {peerFd, static_cast<short>(POLLIN | (out.empty() ? 0 : POLLOUT)), 0};
        }
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<milliseconds>(*deadline - SteadyClock::now());
            timeout = static_cast<int>(std::max<milliseconds::rep>(0, left.count()));
        }
        if (poll(fds, count, timeout) < 0 && errno != EINTR) {
            ThrowErrno("poll");
        }
        if (stopping) {
            break;
        }
        for (nfds_t i = 1; i < count; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            if (fds[i].fd == acceptFd) {
                if (link->Accept()) {
                    ++connections;
                    ResetConversation();
                }
            } else if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                ReadRequests();
            }
        }
        uint64_t drained = 0;
        if (read(wakeFd, &drained, sizeof drained) < 0) {
            // Nothing to drain: the wake-up came from another descriptor.
        }
    }
}

void Emulator::Impl::ReadRequests() {
    uint8_t buffer[4096];
    const ssize_t got = read(link->PeerFd(), buffer, sizeof buffer);
    if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
        if (link->IsTcp()) {
            DropPeer(false);
        }
        return;
    }
    if (got < 0) {
        return;
    }
    std::vector<Request> requests;
    parser.Feed(buffer, static_cast<size_t>(got), requests);
    for (Request& request : requests) {
        Record(request);
        // A request ends an endless answer; the printer has moved on.
        if (!plan.empty() && plan.front().kind == Action::Kind::Endless) {
            plan.clear();
            out.clear();
        }
        pending.push_back(std::move(request));
    }
}

void Emulator::Impl::Record(const Request& request) {
    FrameLogEntry entry;
    entry.ms = static_cast<uint64_t>(
        std::chrono::duration_cast<milliseconds>(SteadyClock::now() - started).count());
    entry.seq = request.seq;
    entry.cmd = request.cmd;
    entry.payload = request.payload;
    entry.valid = request.valid;
    entry.error = request.error;
    std::lock_guard lock(logMutex);
    if (listener) {
        listener(entry);
    }
    log.push_back(std::move(entry));
    logChanged.notify_all();
}

void Emulator::Impl::StartNextAnswer() {
    const Request request = std::move(pending.front());
    pending.pop_front();
    actionStarted = false;
    if (!request.valid) {
        plan = {Action{Action::Kind::Write, {kNak}, 0, 0}};
        return;
    }
    std::unique_lock lock(stateMutex);
    const std::optional<TriggerList::Met> met =
        triggers.Meet(request.seq, request.cmd, request.payload);
    const Trigger::Kind kind = met ? met->trigger.kind : Trigger::Kind::Fault;
    if (met && kind == Trigger::Kind::Signal && !met->trigger.afterAnswer) {
        lock.unlock();
        Fire(met->trigger);
        return;  // the request is dropped unanswered
    }
    Step step;
    if (met && kind == Trigger::Kind::Fault) {
        step = met->trigger.step;
    } else if (!met && !script.empty()) {
        step = script.front();
        if (--script.front().times <= 0) {
            script.pop_front();
        }
    }
    Answer answer;
    if (kind == Trigger::Kind::StatusBit) {
        answer = ExecuteWithBit(*met, request);
    } else if (ExecutesCommand(step.fault) && !(kind == Trigger::Kind::Lose && met->repeat)) {
        if (lastExecuted && lastExecuted->seq == request.seq && lastExecuted->cmd == request.cmd &&
            lastExecuted->payload == request.payload) {
            answer = lastExecuted->answer;
        } else {
            answer = printer.Execute(request.cmd, request.payload);
            lastExecuted = Executed{request.seq, request.cmd, request.payload, answer};
        }
    }
    if (kind == Trigger::Kind::Lose) {
        return;
    }
    if (kind == Trigger::Kind::Signal) {
        signalAfterAnswer = met->trigger;
    }
    ReplyFrame frame;
    frame.seq = request.seq;
    frame.cmd = request.cmd;
    frame.data = std::move(answer.data);
    frame.status = std::move(answer.status);
    const std::vector<Action> actions = PlanAnswer(step, std::move(frame));
    plan.assign(actions.begin(), actions.end());
}

// The bit is on for this request only, which executes anew, so it meets the bit rather than an
// answer from before it. A repeat gets the same answer, so that a command the bit does not stop
// (a report run under a fault) runs once.
Answer Emulator::Impl::ExecuteWithBit(const TriggerList::Met& met, const Request& request) {
    if (!met.repeat) {
        printer.SetStatusBit(met.trigger.byteIndex, met.trigger.bit, true);
        bitAnswer = printer.Execute(request.cmd, request.payload);
        printer.SetStatusBit(met.trigger.byteIndex, met.trigger.bit, false);
        lastExecuted.reset();
    }
    return bitAnswer;
}

void Emulator::Impl::Fire(const Trigger& trigger) {
    const int pid = SendTriggerSignal(trigger);
    if (pid > 0 && trigger.signal == SIGKILL) {
        DiscardInput();
    } else if (pid > 0 && trigger.signal == SIGSTOP) {
        heldFor = pid;
    }
}

// What a killed process sent after the chosen request is dropped, as if it had died before
// sending it, so the kill point is the same on every run.
void Emulator::Impl::DiscardInput() {
    if (link->IsTcp()) {
        DropPeer(false);
        return;
    }
    uint8_t buffer[4096];
    while (read(link->PeerFd(), buffer, sizeof buffer) > 0) {
    }
    parser.Reset();
    pending.clear();
}

std::optional<TimePoint> Emulator::Impl::Advance(TimePoint now) {
    while (true) {
        if (plan.empty()) {
            if (signalAfterAnswer && out.empty()) {
                const Trigger trigger = *signalAfterAnswer;
                signalAfterAnswer.reset();
                Fire(trigger);
            }
            if (heldFor && !pending.empty()) {
                if (IsStopped(*heldFor)) {
                    return now + milliseconds(kHeldPollMs);
                }
                heldFor.reset();
            }
            if (pending.empty() || !out.empty() || link->PeerFd() < 0) {
                return std::nullopt;
            }
            StartNextAnswer();
            continue;
        }
        Action& action = plan.front();
        if (!actionStarted) {
            actionStarted = true;
            actionStart = now;
            nextTick = now;
        }
        const TimePoint end = actionStart + milliseconds(action.ms);
        switch (action.kind) {
            case Action::Kind::Write:
                out.insert(out.end(), action.bytes.begin(), action.bytes.end());
                break;
            case Action::Kind::Wait:
                if (now < end) {
                    return end;
                }
                break;
            case Action::Kind::Syn:
                while (nextTick < end && nextTick <= now) {
                    out.push_back(kSyn);
                    nextTick += milliseconds(action.everyMs);
                }
                if (nextTick < end) {
                    return nextTick;
                }
                if (now < end) {
                    return end;
                }
                break;
            case Action::Kind::Endless:
                if (out.size() < action.bytes.size() && nextTick <= now) {
                    out.insert(out.end(), action.bytes.begin(), action.bytes.end());
                    nextTick = now + milliseconds(action.everyMs);
                }
                return nextTick;
            case Action::Kind::Close:
            case Action::Kind::Reset:
                if (!out.empty()) {
                    return std::nullopt;  // polled for writing; back here once it is out
                }
                DropPeer(action.kind == Action::Kind::Reset);
                return std::nullopt;
        }
        plan.pop_front();
        actionStarted = false;
    }
}

void Emulator::Impl::Flush() {
    while (!out.empty() && link->PeerFd() >= 0) {
        const ssize_t sent = link->Write(out.data(), out.size());
        if (sent > 0) {
            out.erase(out.begin(), out.begin() + sent);
        } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        } else {
            if (link->IsTcp()) {
                DropPeer(false);
            }
            return;
        }
    }
}

void Emulator::Impl::DropPeer(bool reset) {
    link->DropPeer(reset);
    ResetConversation();
}

// A new connection starts from a clean line; the printer's state stays.
void Emulator::Impl::ResetConversation() {
    parser.Reset();
    pending.clear();
    plan.clear();
    out.clear();
    std::lock_guard lock(stateMutex);
    lastExecuted.reset();
}

Emulator::Emulator(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {
    impl_->Start();
}

Emulator::~Emulator() {
    Stop();
}

std::unique_ptr<Emulator> Emulator::StartTcp(const std::string& host, uint16_t port,
                                             FrameListener listener) {
    auto impl = std::make_unique<Impl>();
    impl->link = std::make_unique<TcpLink>(host, port);
    impl->listener = std::move(listener);
    return std::unique_ptr<Emulator>(new Emulator(std::move(impl)));
}

std::unique_ptr<Emulator> Emulator::StartPty(int comNumber, FrameListener listener) {
    if (comNumber <= 0) {
        throw std::invalid_argument("COM number must be above 0");
    }
    auto impl = std::make_unique<Impl>();
    impl->link = std::make_unique<PtyLink>();
    impl->comNumber = comNumber;
    impl->listener = std::move(listener);
    return std::unique_ptr<Emulator>(new Emulator(std::move(impl)));
}

void Emulator::Stop() {
    impl_->Stop();
}

bool Emulator::IsTcp() const {
    return impl_->link->IsTcp();
}

std::string Emulator::Host() const {
    const auto* tcp = dynamic_cast<const TcpLink*>(impl_->link.get());
    return tcp ? tcp->Host() : std::string();
}

uint16_t Emulator::Port() const {
    const auto* tcp = dynamic_cast<const TcpLink*>(impl_->link.get());
    return tcp ? tcp->Port() : 0;
}

std::string Emulator::SlavePath() const {
    const auto* pty = dynamic_cast<const PtyLink*>(impl_->link.get());
    return pty ? pty->SlavePath() : std::string();
}

std::string Emulator::PortMapping() const {
    const std::string path = SlavePath();
    return path.empty() ? path : "COM" + std::to_string(impl_->comNumber) + "=" + path;
}

int Emulator::Connections() const {
    return impl_->connections;
}

void Emulator::CheckLinkShows(Fault fault) const {
    if (IsTcpOnly(fault) && !IsTcp()) {
        throw std::invalid_argument(std::string("fault \"") + FaultName(fault) +
                                    "\" needs a TCP link");
    }
}

void Emulator::Script(const Step& step) {
    CheckLinkShows(step.fault);
    if (step.times <= 0) {
        throw std::invalid_argument("a fault step needs times above 0");
    }
    std::lock_guard lock(impl_->stateMutex);
    impl_->script.push_back(step);
}

void Emulator::Script(std::string_view text) {
    for (const Step& step : ParseScript(text)) {
        Script(step);
    }
}

void Emulator::ClearScript() {
    std::lock_guard lock(impl_->stateMutex);
    impl_->script.clear();
    impl_->triggers.Clear();
}

void Emulator::At(const Trigger& trigger) {
    CheckLinkShows(trigger.step.fault);
    std::lock_guard lock(impl_->stateMutex);
    impl_->triggers.Arm(trigger);
}

void Emulator::At(std::string_view text) {
    At(ParseTrigger(text));
}

int Emulator::ScriptedAnswers() const {
    std::lock_guard lock(impl_->stateMutex);
    int answers = 0;
    for (const Step& step : impl_->script) {
        answers += step.times;
    }
    return answers;
}

void Emulator::SetStatusBit(int byteIndex, int bit, bool on) {
    WithPrinter([&](Printer& printer) { printer.SetStatusBit(byteIndex, bit, on); });
}

void Emulator::WithPrinter(const std::function<void(Printer&)>& action) {
    std::lock_guard lock(impl_->stateMutex);
    // The printer may change here, so an earlier answer is no longer the one to repeat.
    impl_->lastExecuted.reset();
    action(impl_->printer);
}

std::vector<std::string> Emulator::Journal() const {
    std::lock_guard lock(impl_->stateMutex);
    return impl_->printer.Journal();
}

std::vector<FrameLogEntry> Emulator::Frames() const {
    std::lock_guard lock(impl_->logMutex);
    return impl_->log;
}

bool Emulator::WaitForFrames(size_t count, int timeoutMs) const {
    std::unique_lock lock(impl_->logMutex);
    return impl_->logChanged.wait_for(lock, milliseconds(timeoutMs),
                                      [&] { return impl_->log.size() >= count; });
}

void Emulator::ClearFrames() {
    std::lock_guard lock(impl_->logMutex);
    impl_->log.clear();
}

}  // namespace fpemu
