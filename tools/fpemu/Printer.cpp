#include "Printer.h"

#include <stdexcept>

namespace fpemu {

namespace {

void CheckBit(int byteIndex, int bit) {
    // Bit 7 is fixed so that no status byte reads as a frame byte.
    if (byteIndex < 0 || byteIndex > 5 || bit < 0 || bit > 6) {
        throw std::out_of_range("no status bit [" + std::to_string(byteIndex) + "/" +
                                std::to_string(bit) + "]");
    }
}

}  // namespace

void Printer::SetStatusBit(int byteIndex, int bit, bool on) {
    CheckBit(byteIndex, bit);
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    persistent_[byteIndex] =
        static_cast<uint8_t>(on ? persistent_[byteIndex] | mask : persistent_[byteIndex] & ~mask);
}

bool Printer::StatusBit(int byteIndex, int bit) const {
    CheckBit(byteIndex, bit);
    return ((persistent_[byteIndex] | lastCommand_[byteIndex]) >> bit) & 1;
}

void Printer::OverrideAnswer(uint8_t cmd, std::string data) {
    overrides_[cmd] = std::move(data);
}

Bytes Printer::Status() const {
    Bytes status(6);
    for (size_t i = 0; i < status.size(); ++i) {
        status[i] = static_cast<uint8_t>(0x80 | persistent_[i] | lastCommand_[i]);
    }
    return status;
}

Answer Printer::Execute(uint8_t cmd, const Bytes& payload) {
    lastCommand_ = {};
    Answer answer;
    if (auto found = overrides_.find(cmd); found != overrides_.end()) {
        answer.data.assign(found->second.begin(), found->second.end());
        overrides_.erase(found);
    } else if (cmd == 0x4A) {
        if (payload.size() > 1 || (payload.size() == 1 && payload[0] != 'W' && payload[0] != 'X')) {
            lastCommand_[0] |= 0x01;  // [0/0] syntax error
        }
    } else {
        lastCommand_[0] |= 0x02;  // [0/1] invalid command
    }
    answer.status = Status();
    return answer;
}

}  // namespace fpemu
