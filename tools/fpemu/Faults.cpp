#include "Faults.h"

#include <charconv>
#include <stdexcept>

#include "Money.h"

namespace fpemu {

namespace {

struct NamedFault {
    Fault fault;
    const char* name;
};

constexpr NamedFault kNames[] = {
    {Fault::Normal, "normal"},
    {Fault::Delay, "delay"},
    {Fault::Syn, "syn"},
    {Fault::Nak, "nak"},
    {Fault::Silence, "silence"},
    {Fault::WrongSeq, "wrong-seq"},
    {Fault::WrongCmd, "wrong-cmd"},
    {Fault::WrongLen, "wrong-len"},
    {Fault::DamagedChecksum, "bad-checksum"},
    {Fault::SwappedChecksum, "swapped-checksum"},
    {Fault::ShortChecksum, "short-checksum"},
    {Fault::Status5, "status5"},
    {Fault::Status7, "status7"},
    {Fault::NoSeparator, "no-04"},
    {Fault::NoPostamble, "no-05"},
    {Fault::NoTerminator, "no-03"},
    {Fault::StrayTerminator, "stray-03"},
    {Fault::Junk, "junk"},
    {Fault::Endless, "endless"},
    {Fault::Close, "close"},
    {Fault::CloseMidAnswer, "close-mid-answer"},
    {Fault::Reset, "reset"},
};

// Roughly what a 115200 baud line carries: an endless answer must not flood a socket buffer.
constexpr size_t kEndlessChunk = 64;
constexpr int kEndlessEveryMs = 5;

int ParseNumber(std::string_view text, std::string_view step) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
        throw std::invalid_argument("bad number in fault step \"" + std::string(step) + "\"");
    }
    return value;
}

Step ParseStep(std::string_view text) {
    int times = 1;
    std::string_view body = text;
    if (const size_t star = text.rfind('*'); star != std::string_view::npos) {
        times = ParseNumber(text.substr(star + 1), text);
        body = text.substr(0, star);
    }
    const std::vector<std::string> parts = Split(body, ':');
    const NamedFault* named = nullptr;
    for (const NamedFault& candidate : kNames) {
        if (parts[0] == candidate.name) {
            named = &candidate;
        }
    }
    if (named == nullptr) {
        throw std::invalid_argument("unknown fault \"" + std::string(parts[0]) + "\"");
    }
    Step step = Step::Of(named->fault, times);
    const size_t arguments = parts.size() - 1;
    // A delay and a SYN period have no sensible default; every other fault may stand alone.
    bool fits = arguments == 0 && named->fault != Fault::Delay && named->fault != Fault::Syn;
    if (named->fault == Fault::Delay && arguments == 1) {
        step.delayMs = ParseNumber(parts[1], text);
        fits = true;
    } else if (named->fault == Fault::Syn && (arguments == 2 || arguments == 3)) {
        step.synEveryMs = ParseNumber(parts[1], text);
        step.synForMs = ParseNumber(parts[2], text);
        fits = step.synEveryMs > 0 &&
               (arguments == 2 || parts[3] == "answer" || parts[3] == "silence");
        step.answerAfterSyn = arguments == 2 || parts[3] == "answer";
    } else if (named->fault == Fault::Junk && arguments == 1 && !parts[1].empty()) {
        step.junk = std::string(parts[1]);
        fits = true;
    }
    if (!fits) {
        throw std::invalid_argument("bad arguments in fault step \"" + std::string(text) + "\"");
    }
    return step;
}

}  // namespace

Step Step::Of(Fault fault, int times) {
    Step step;
    step.fault = fault;
    step.times = times;
    return step;
}

Step Step::Delay(int ms, int times) {
    Step step = Of(Fault::Delay, times);
    step.delayMs = ms;
    return step;
}

Step Step::Syn(int everyMs, int forMs, bool thenAnswer, int times) {
    Step step = Of(Fault::Syn, times);
    step.synEveryMs = everyMs;
    step.synForMs = forMs;
    step.answerAfterSyn = thenAnswer;
    return step;
}

const char* FaultName(Fault fault) {
    for (const NamedFault& named : kNames) {
        if (named.fault == fault) {
            return named.name;
        }
    }
    return "?";
}

bool IsTcpOnly(Fault fault) {
    return fault == Fault::Close || fault == Fault::CloseMidAnswer || fault == Fault::Reset;
}

bool ExecutesCommand(Fault fault) {
    return fault != Fault::Nak && fault != Fault::Silence && fault != Fault::Close &&
           fault != Fault::Reset;
}

std::vector<Step> ParseScript(std::string_view text) {
    std::vector<Step> steps;
    if (text.empty()) {
        return steps;
    }
    for (const std::string& part : Split(text, ',')) {
        steps.push_back(ParseStep(part));
    }
    return steps;
}

std::vector<Action> PlanAnswer(const Step& step, ReplyFrame frame) {
    auto write = [](Bytes bytes) { return Action{Action::Kind::Write, std::move(bytes), 0, 0}; };
    switch (step.fault) {
        case Fault::Normal:
            return {write(frame.Encode())};
        case Fault::Delay:
            return {Action{Action::Kind::Wait, {}, step.delayMs, 0}, write(frame.Encode())};
        case Fault::Syn: {
            std::vector<Action> plan{Action{Action::Kind::Syn, {}, step.synForMs, step.synEveryMs}};
            if (step.answerAfterSyn) {
                plan.push_back(write(frame.Encode()));
            }
            return plan;
        }
        case Fault::Nak:
            return {write({kNak})};
        case Fault::Silence:
            return {};
        case Fault::WrongSeq:
            frame.seq = frame.seq >= 0x7F ? 0x20 : static_cast<uint8_t>(frame.seq + 1);
            break;
        case Fault::WrongCmd:
            frame.cmd = frame.cmd == 0x01 ? 0x02 : static_cast<uint8_t>(frame.cmd ^ 0x01);
            break;
        case Fault::WrongLen:
            frame.lenAdjust = 1;
            break;
        case Fault::DamagedChecksum:
            frame.bcc = ReplyFrame::Bcc::Damaged;
            break;
        case Fault::SwappedChecksum:
            frame.bcc = ReplyFrame::Bcc::Swapped;
            break;
        case Fault::ShortChecksum:
            frame.bcc = ReplyFrame::Bcc::ThreeBytes;
            break;
        case Fault::Status5:
            frame.status.pop_back();
            break;
        case Fault::Status7:
            frame.status.push_back(0x80);
            break;
        case Fault::NoSeparator:
            frame.withSeparator = false;
            break;
        case Fault::NoPostamble:
            frame.withPostamble = false;
            break;
        case Fault::NoTerminator:
            frame.withTerminator = false;
            break;
        case Fault::StrayTerminator: {
            // Data bytes are sent as they are: the middle of the data is 4 + half its length on.
            Bytes encoded = frame.Encode();
            encoded.insert(encoded.begin() + 4 + static_cast<std::ptrdiff_t>(frame.data.size() / 2),
                           kTerminator);
            return {write(std::move(encoded))};
        }
        case Fault::Junk: {
            Bytes bytes(step.junk.begin(), step.junk.end());
            const Bytes encoded = frame.Encode();
            bytes.insert(bytes.end(), encoded.begin(), encoded.end());
            return {write(std::move(bytes))};
        }
        case Fault::Endless:
            return {write({kPreamble, 0x20 + 11, frame.seq, frame.cmd}),
                    Action{Action::Kind::Endless, Bytes(kEndlessChunk, 'U'), 0, kEndlessEveryMs}};
        case Fault::Close:
            return {Action{Action::Kind::Close, {}, 0, 0}};
        case Fault::CloseMidAnswer: {
            Bytes encoded = frame.Encode();
            encoded.resize(encoded.size() / 2);
            return {write(std::move(encoded)), Action{Action::Kind::Close, {}, 0, 0}};
        }
        case Fault::Reset:
            return {Action{Action::Kind::Reset, {}, 0, 0}};
    }
    return {write(frame.Encode())};
}

}  // namespace fpemu
