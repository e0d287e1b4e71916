#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Faults.h"
#include "Frame.h"

namespace fpemu {

// Something done at a chosen request, the `nth` request with CMD `cmd` counted from the moment
// the trigger is armed. Unlike a script step it waits for its command, however many other
// requests come first, so a test can aim at one step of a receipt.
struct Trigger {
    enum class Kind {
        Fault,      // `step` answers the request and every repeat of it
        Lose,       // the request is executed; neither it nor a repeat is answered
        StatusBit,  // the request and its repeats run with [byteIndex/bit] set, then it clears
        Signal,     // `signal` goes to the process; see `afterAnswer`
    };
    uint8_t cmd = 0;
    int nth = 1;
    Kind kind = Kind::Fault;
    Step step;
    int byteIndex = 0;
    int bit = 0;
    int signal = 0;
    // The process, or 0 to read its number from `pidFile` when the trigger fires (a program
    // started after the emulator).
    int pid = 0;
    std::string pidFile;
    // False: the signal goes before the request is executed, and the request is dropped
    // unanswered. True: it goes once the answer is out.
    bool afterAnswer = false;

    static Trigger Of(uint8_t cmd, int nth, const Step& step);
    static Trigger Lost(uint8_t cmd, int nth);
    static Trigger Bit(uint8_t cmd, int nth, int byteIndex, int bit);
    static Trigger SignalTo(uint8_t cmd, int nth, int pid, int signal, bool afterAnswer);
};

// "CMD:N:ACTION", CMD in hex: ACTION is a script step without "*" ("nak", "delay:500"),
// "lose", "bit:BYTE:BIT" or "signal:SIG:PID[:after]" (SIG a number or KILL, STOP, CONT, TERM,
// INT, HUP; PID a number or @FILE holding it). Throws std::invalid_argument.
Trigger ParseTrigger(std::string_view text);

// A request that repeats the one a trigger met (same SEQ, CMD and data, nothing else in
// between, even over a new connection) meets that trigger again: a retry is the same command to
// the printer.
class TriggerList {
public:
    struct Met {
        Trigger trigger;
        bool repeat = false;
    };
    void Arm(const Trigger& trigger);
    void Clear();
    std::optional<Met> Meet(uint8_t seq, uint8_t cmd, const Bytes& payload);

private:
    struct Armed {
        Trigger trigger;
        int seen = 0;
    };
    std::vector<Armed> armed_;
    struct Active {
        Trigger trigger;
        uint8_t seq = 0;
        uint8_t cmd = 0;
        Bytes payload;
    };
    std::optional<Active> active_;
};

// Sends the trigger's signal and returns the process number, 0 when the process cannot be named
// or signalled. After SIGKILL or SIGSTOP it returns only once the process has ended or stopped
// (a second at most).
int SendTriggerSignal(const Trigger& trigger);
bool IsStopped(int pid);

}  // namespace fpemu
