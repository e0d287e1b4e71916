#include "Frame.h"

#include <cstdio>
#include <stdexcept>

namespace fpemu {

namespace {

// A request's data is at most 219 bytes, each at most two on the wire; anything longer is noise.
constexpr size_t kMaxRawRequestData = 2 * 219;

// A checksum digit that is wrong but still in the digit range.
uint8_t OtherDigit(uint8_t digit) {
    return static_cast<uint8_t>(0x30 + ((digit - 0x30 + 1) & 0xF));
}

std::string HexByte(uint8_t b) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

}  // namespace

std::array<uint8_t, 4> ChecksumBytes(uint16_t sum) {
    return {static_cast<uint8_t>(0x30 + ((sum >> 12) & 0xF)),
            static_cast<uint8_t>(0x30 + ((sum >> 8) & 0xF)),
            static_cast<uint8_t>(0x30 + ((sum >> 4) & 0xF)),
            static_cast<uint8_t>(0x30 + (sum & 0xF))};
}

void RequestParser::Reset() {
    state_ = State::Idle;
    current_ = Request{};
}

void RequestParser::Fail(const std::string& error, std::vector<Request>& out) {
    if (current_.error.empty()) {
        current_.error = error;
    }
    current_.valid = false;
    out.push_back(std::move(current_));
    Reset();
}

void RequestParser::Finish(std::vector<Request>& out) {
    if (current_.error.empty() && len_ != 0x20 + 4 + current_.payload.size()) {
        current_.error = "LEN " + HexByte(len_) + " for " +
                         std::to_string(current_.payload.size()) + " data bytes";
    }
    const std::array<uint8_t, 4> expected = ChecksumBytes(sum_);
    if (current_.error.empty() && bcc_ != expected) {
        current_.error = "checksum " + ToHex(Bytes(bcc_.begin(), bcc_.end())) + "instead of " +
                         ToHex(Bytes(expected.begin(), expected.end()));
    }
    current_.valid = current_.error.empty();
    out.push_back(std::move(current_));
    Reset();
}

void RequestParser::Feed(const uint8_t* data, size_t size, std::vector<Request>& out) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = data[i];
        if (b == kPreamble && state_ != State::Idle) {
            // Escaping keeps 0x01 out of a frame, so this one starts the next frame.
            Fail("frame broken off", out);
        }
        switch (state_) {
            case State::Idle:
                if (b == kPreamble) {
                    current_ = Request{};
                    sum_ = 0;
                    escaped_ = false;
                    rawData_ = 0;
                    bccCount_ = 0;
                    state_ = State::Len;
                }
                break;
            case State::Len:
                len_ = b;
                sum_ += b;
                state_ = State::Seq;
                break;
            case State::Seq:
                current_.seq = b;
                sum_ += b;
                state_ = State::Cmd;
                break;
            case State::Cmd:
                current_.cmd = b;
                sum_ += b;
                state_ = State::Data;
                break;
            case State::Data:
                sum_ += b;
                if (b == kPostamble) {
                    if (escaped_ && current_.error.empty()) {
                        current_.error = "escape byte before 0x05";
                    }
                    state_ = State::Bcc;
                } else if (++rawData_ > kMaxRawRequestData) {
                    Fail("no 0x05 after " + std::to_string(kMaxRawRequestData) + " data bytes",
                         out);
                } else if (escaped_) {
                    escaped_ = false;
                    if (b < 0x40 || b >= 0x60) {
                        if (current_.error.empty()) {
                            current_.error = "escaped byte " + HexByte(b);
                        }
                    }
                    current_.payload.push_back(static_cast<uint8_t>(b - 0x40));
                } else if (b == kEscape) {
                    escaped_ = true;
                } else {
                    if (b < 0x20 && b != 0x09 && b != 0x0A && current_.error.empty()) {
                        current_.error = "unescaped byte " + HexByte(b);
                    }
                    current_.payload.push_back(b);
                }
                break;
            case State::Bcc:
                if ((b < 0x30 || b > 0x3F) && current_.error.empty()) {
                    current_.error = "checksum byte " + HexByte(b);
                }
                bcc_[bccCount_++] = b;
                if (bccCount_ == bcc_.size()) {
                    state_ = State::Terminator;
                }
                break;
            case State::Terminator:
                if (b == kTerminator) {
                    Finish(out);
                } else {
                    Fail("byte " + HexByte(b) + " instead of 0x03", out);
                }
                break;
        }
    }
}

Bytes ReplyFrame::Encode() const {
    if (data.size() > kMaxReplyData) {
        throw std::length_error("answer data of " + std::to_string(data.size()) +
                                " bytes does not fit LEN");
    }
    Bytes body;  // LEN through 0x05
    body.push_back(0);
    body.push_back(seq);
    body.push_back(cmd);
    body.insert(body.end(), data.begin(), data.end());
    if (withSeparator) {
        body.push_back(kSeparator);
    }
    body.insert(body.end(), status.begin(), status.end());
    if (withPostamble) {
        body.push_back(kPostamble);
    }
    body[0] = static_cast<uint8_t>(0x20 + static_cast<int>(body.size()) + lenAdjust);

    uint16_t sum = 0;
    for (uint8_t b : body) {
        sum = static_cast<uint16_t>(sum + b);
    }
    std::array<uint8_t, 4> bccBytes = ChecksumBytes(sum);
    Bytes checksum(bccBytes.begin(), bccBytes.end());
    switch (bcc) {
        case Bcc::Good:
            break;
        case Bcc::Damaged:
            checksum[3] = OtherDigit(checksum[3]);
            break;
        case Bcc::Swapped: {
            // The right bytes in another order: swap the first neighbours that differ.
            size_t i = 0;
            while (i + 1 < checksum.size() && checksum[i] == checksum[i + 1]) {
                ++i;
            }
            if (i + 1 < checksum.size()) {
                std::swap(checksum[i], checksum[i + 1]);
            } else {  // four equal digits have no other order
                checksum[3] = OtherDigit(checksum[3]);
            }
            break;
        }
        case Bcc::ThreeBytes:
            checksum.erase(checksum.begin());
            break;
    }

    Bytes frame;
    // Reserved up front, which also spares GCC 12 -O3 a false array-bounds warning.
    frame.reserve(1 + body.size() + checksum.size() + 1);
    frame.push_back(kPreamble);
    frame.insert(frame.end(), body.begin(), body.end());
    frame.insert(frame.end(), checksum.begin(), checksum.end());
    if (withTerminator) {
        frame.push_back(kTerminator);
    }
    return frame;
}

std::string ToHex(const Bytes& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        text += HexByte(b);
        text += ' ';
    }
    return text;
}

std::string ToPrintable(const Bytes& bytes) {
    std::string text;
    for (uint8_t b : bytes) {
        if (b >= 0x20 && b < 0x7F && b != '<') {
            text += static_cast<char>(b);
        } else {
            text += '<' + HexByte(b) + '>';
        }
    }
    return text;
}

}  // namespace fpemu
