#include "Triggers.h"

#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "Money.h"

namespace fpemu {

namespace {

struct NamedSignal {
    const char* name;
    int number;
};

constexpr NamedSignal kSignals[] = {{"KILL", SIGKILL}, {"STOP", SIGSTOP}, {"CONT", SIGCONT},
                                    {"TERM", SIGTERM}, {"INT", SIGINT},   {"HUP", SIGHUP}};

constexpr int kSignalTakenWithinMs = 1000;

[[noreturn]] void Bad(std::string_view text) {
    throw std::invalid_argument("bad trigger \"" + std::string(text) + "\"");
}

int Number(const std::string& field, int base, std::string_view text) {
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(field, &used, base);
    } catch (const std::exception&) {
        Bad(text);
    }
    if (used != field.size() || value < 0) {
        Bad(text);
    }
    return value;
}

int SignalNumber(const std::string& field, std::string_view text) {
    for (const NamedSignal& named : kSignals) {
        if (field == named.name) {
            return named.number;
        }
    }
    const int number = Number(field, 10, text);
    if (number < 1 || number >= NSIG) {
        Bad(text);
    }
    return number;
}

void CheckBit(int byteIndex, int bit) {
    // The receipt bits follow the printer's receipt and cannot be forced.
    if (byteIndex < 0 || byteIndex > 5 || bit < 0 || bit > 7 ||
        (byteIndex == 2 && (bit == 3 || bit == 5))) {
        throw std::invalid_argument("no status bit [" + std::to_string(byteIndex) + "/" +
                                    std::to_string(bit) + "] to set");
    }
}

// The state letter of /proc/PID/stat; 0 once the process is gone.
char ProcessState(int pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const size_t close = text.rfind(") ");
    return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

bool Taken(int pid, int signal) {
    const char state = ProcessState(pid);
    if (signal == SIGSTOP) {
        return state == 0 || state == 'T' || state == 't' || state == 'Z' || state == 'X';
    }
    return state == 0 || state == 'Z' || state == 'X';
}

int TriggerPid(const Trigger& trigger) {
    if (trigger.pid > 0) {
        return trigger.pid;
    }
    std::ifstream file(trigger.pidFile);
    int pid = 0;
    file >> pid;
    return pid;
}

}  // namespace

Trigger Trigger::Of(uint8_t cmd, int nth, const Step& step) {
    Trigger trigger;
    trigger.cmd = cmd;
    trigger.nth = nth;
    trigger.step = step;
    trigger.step.times = 1;
    return trigger;
}

Trigger Trigger::Lost(uint8_t cmd, int nth) {
    Trigger trigger = Of(cmd, nth, Step());
    trigger.kind = Kind::Lose;
    return trigger;
}

Trigger Trigger::Bit(uint8_t cmd, int nth, int byteIndex, int bit) {
    CheckBit(byteIndex, bit);
    Trigger trigger = Of(cmd, nth, Step());
    trigger.kind = Kind::StatusBit;
    trigger.byteIndex = byteIndex;
    trigger.bit = bit;
    return trigger;
}

Trigger Trigger::SignalTo(uint8_t cmd, int nth, int pid, int signal, bool afterAnswer) {
    Trigger trigger = Of(cmd, nth, Step());
    trigger.kind = Kind::Signal;
    trigger.pid = pid;
    trigger.signal = signal;
    trigger.afterAnswer = afterAnswer;
    return trigger;
}

Trigger ParseTrigger(std::string_view text) {
    const std::vector<std::string> fields = Split(text, ':');
    if (fields.size() < 3 || fields[0].empty() || fields[0].size() > 2) {
        Bad(text);
    }
    const auto cmd = static_cast<uint8_t>(Number(fields[0], 16, text));
    const int nth = Number(fields[1], 10, text);
    if (nth < 1) {
        Bad(text);
    }
    const std::string& action = fields[2];
    const size_t more = fields.size() - 3;
    if (action == "lose" && more == 0) {
        return Trigger::Lost(cmd, nth);
    }
    if (action == "bit" && more == 2) {
        return Trigger::Bit(cmd, nth, Number(fields[3], 10, text), Number(fields[4], 10, text));
    }
    if (action == "signal" && (more == 2 || (more == 3 && fields[5] == "after"))) {
        Trigger trigger = Trigger::SignalTo(cmd, nth, 0, SignalNumber(fields[3], text), more == 3);
        if (fields[4].size() > 1 && fields[4][0] == '@') {
            trigger.pidFile = fields[4].substr(1);
        } else {
            trigger.pid = Number(fields[4], 10, text);
        }
        if (trigger.pid == 0 && trigger.pidFile.empty()) {
            Bad(text);
        }
        return trigger;
    }
    const std::string_view stepText = text.substr(fields[0].size() + fields[1].size() + 2);
    const std::vector<Step> steps = ParseScript(stepText);
    if (steps.size() != 1 || steps[0].times != 1 || stepText.find('*') != std::string::npos) {
        Bad(text);
    }
    return Trigger::Of(cmd, nth, steps[0]);
}

void TriggerList::Arm(const Trigger& trigger) {
    if (trigger.nth < 1) {
        throw std::invalid_argument("a trigger counts requests from 1");
    }
    if (trigger.kind == Trigger::Kind::StatusBit) {
        CheckBit(trigger.byteIndex, trigger.bit);
    }
    armed_.push_back(Armed{trigger, 0});
}

void TriggerList::Clear() {
    armed_.clear();
    active_.reset();
}

std::optional<TriggerList::Met> TriggerList::Meet(uint8_t seq, uint8_t cmd, const Bytes& payload) {
    if (active_ && active_->seq == seq && active_->cmd == cmd && active_->payload == payload) {
        return Met{active_->trigger, true};
    }
    active_.reset();
    std::optional<Met> met;
    for (auto it = armed_.begin(); it != armed_.end();) {
        if (it->trigger.cmd != cmd || ++it->seen < it->trigger.nth || met) {
            ++it;
            continue;
        }
        met = Met{it->trigger, false};
        it = armed_.erase(it);
    }
    // A signal is sent once; a retry after it is an ordinary request.
    if (met && met->trigger.kind != Trigger::Kind::Signal) {
        active_ = Active{met->trigger, seq, cmd, payload};
    }
    return met;
}

int SendTriggerSignal(const Trigger& trigger) {
    const int pid = TriggerPid(trigger);
    if (pid <= 0 || ::kill(pid, trigger.signal) != 0) {
        std::fprintf(stderr, "fpemu: cannot send signal %d to process %d\n", trigger.signal, pid);
        return 0;
    }
    if (trigger.signal == SIGKILL || trigger.signal == SIGSTOP) {
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kSignalTakenWithinMs);
        while (!Taken(pid, trigger.signal) && std::chrono::steady_clock::now() < until) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    return pid;
}

bool IsStopped(int pid) {
    const char state = ProcessState(pid);
    return state == 'T' || state == 't';
}

}  // namespace fpemu
