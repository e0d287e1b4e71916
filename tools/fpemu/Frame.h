#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The emulator's own framing of the printer protocol. It shares no code with the driver, so a
// fault in the driver's framing cannot be hidden by the same fault here.
namespace fpemu {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kPreamble = 0x01;
constexpr uint8_t kTerminator = 0x03;
constexpr uint8_t kSeparator = 0x04;
constexpr uint8_t kPostamble = 0x05;
constexpr uint8_t kEscape = 0x10;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kSyn = 0x16;

// LEN is one byte: 0x20 + 11 framing bytes + data must stay below 256.
constexpr size_t kMaxReplyData = 0xFF - 0x20 - 11;

// Each 4-bit digit of the 16-bit sum plus 0x30, most significant first.
std::array<uint8_t, 4> ChecksumBytes(uint16_t sum);

// One request frame as it arrived. `payload` is un-escaped; SEQ and CMD are 0 when the frame
// broke off before them.
struct Request {
    uint8_t seq = 0;
    uint8_t cmd = 0;
    Bytes payload;
    bool valid = false;
    std::string error;  // why the frame is not valid
};

// Cuts request frames out of the received byte stream. Bytes outside a frame are skipped.
class RequestParser {
public:
    // Appends every frame that `data` completes to `out`.
    void Feed(const uint8_t* data, size_t size, std::vector<Request>& out);
    void Reset();

private:
    enum class State { Idle, Len, Seq, Cmd, Data, Bcc, Terminator };
    void Finish(std::vector<Request>& out);
    void Fail(const std::string& error, std::vector<Request>& out);

    State state_ = State::Idle;
    Request current_;
    uint8_t len_ = 0;
    uint16_t sum_ = 0;
    bool escaped_ = false;
    size_t rawData_ = 0;
    std::array<uint8_t, 4> bcc_{};
    size_t bccCount_ = 0;
};

// One answer frame, with the knobs that the fault scripts turn. Encode() computes LEN from what
// is actually sent (plus `lenAdjust`) and the checksum over the bytes as sent, so that each knob
// damages exactly one thing.
struct ReplyFrame {
    enum class Bcc { Good, Damaged, Swapped, ThreeBytes };

    uint8_t seq = 0;
    uint8_t cmd = 0;
    Bytes data;
    Bytes status;
    bool withSeparator = true;   // 0x04
    bool withPostamble = true;   // 0x05
    bool withTerminator = true;  // 0x03
    int lenAdjust = 0;
    Bcc bcc = Bcc::Good;

    // Throws std::length_error when the data would not fit LEN.
    Bytes Encode() const;
};

// "01 26 21 4A" for logs.
std::string ToHex(const Bytes& bytes);
// Printable bytes as they are, others as <XX>.
std::string ToPrintable(const Bytes& bytes);

}  // namespace fpemu
