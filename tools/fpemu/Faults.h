#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Frame.h"

namespace fpemu {

// How the emulator answers one request. Tests script a queue of steps; each valid request takes
// the next one, and requests after the last step get the normal answer.
enum class Fault {
    Normal,
    Delay,            // the answer after `delayMs`
    Syn,              // SYN every `synEveryMs` for `synForMs`, then the answer or silence
    Nak,              // a single 0x15; the command is not executed
    Silence,          // nothing; the command is not executed
    WrongSeq,         // SEQ one above the request's
    WrongCmd,         // CMD that differs from the request's
    WrongLen,         // LEN one too high (the checksum still matches the bytes sent)
    DamagedChecksum,  // one checksum digit wrong
    SwappedChecksum,  // the right checksum digits in another order
    ShortChecksum,    // three checksum bytes
    Status5,          // five status bytes
    Status7,          // seven status bytes
    NoSeparator,      // 0x04 left out
    NoPostamble,      // 0x05 left out
    NoTerminator,     // 0x03 left out
    StrayTerminator,  // a 0x03 inside the data, as line noise leaves one (the rest still follows)
    Junk,             // `junk` bytes before the frame
    Endless,          // a frame head followed by data that never ends (until the next request)
    Close,            // TCP: close the connection without answering
    CloseMidAnswer,   // TCP: send half the answer, then close
    Reset,            // TCP: reset the connection (SO_LINGER 0) without answering
};

struct Step {
    Fault fault = Fault::Normal;
    int times = 1;
    int delayMs = 0;
    int synEveryMs = 60;
    int synForMs = 0;
    bool answerAfterSyn = true;
    std::string junk = "JUNK";

    static Step Of(Fault fault, int times = 1);
    static Step Delay(int ms, int times = 1);
    static Step Syn(int everyMs, int forMs, bool thenAnswer, int times = 1);
};

// The name used in script texts ("nak", "wrong-seq", ...).
const char* FaultName(Fault fault);
// Faults that only a TCP link can show.
bool IsTcpOnly(Fault fault);
// False for the faults where the printer never took the request.
bool ExecutesCommand(Fault fault);

// Steps separated by ",": NAME, NAME*TIMES, "delay:MS", "syn:EVERY:FOR[:answer|silence]",
// "junk:TEXT". Throws std::invalid_argument with the offending step.
std::vector<Step> ParseScript(std::string_view text);

// One thing the link does while answering.
struct Action {
    enum class Kind { Write, Wait, Syn, Endless, Close, Reset };
    Kind kind = Kind::Write;
    Bytes bytes;      // Write: what to send; Endless: one chunk of the stream
    int ms = 0;       // Wait: how long; Syn: for how long
    int everyMs = 0;  // Syn: interval; Endless: interval between chunks
};

// What the link sends for one request under `step`, given the regular answer.
std::vector<Action> PlanAnswer(const Step& step, ReplyFrame frame);

}  // namespace fpemu
