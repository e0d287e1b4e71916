#pragma once

// Builds printer answers for the device tests, independently of the device's own framing.

#include <cstdint>
#include <string>
#include <vector>

struct ReplyFrame {
    uint8_t seq = 0x20;
    uint8_t cmd = 0x4A;
    std::vector<uint8_t> data;
    std::vector<uint8_t> status = std::vector<uint8_t>(6, 0x80);
    int lenDelta = 0;  // added to the right LEN

    // 01 LEN SEQ CMD DATA 04 STATUS 05 BCC 03
    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> body{0, seq, cmd};
        body.insert(body.end(), data.begin(), data.end());
        body.push_back(0x04);
        body.insert(body.end(), status.begin(), status.end());
        body.push_back(0x05);
        body[0] = static_cast<uint8_t>(0x20 + body.size() + lenDelta);
        unsigned sum = 0;
        for (uint8_t b : body) {
            sum += b;
        }
        std::vector<uint8_t> frame;
        // Reserved up front, which also spares GCC 12 -O3 a false array-bounds warning.
        frame.reserve(1 + body.size() + 5);
        frame.push_back(0x01);
        frame.insert(frame.end(), body.begin(), body.end());
        for (int shift = 12; shift >= 0; shift -= 4) {
            frame.push_back(static_cast<uint8_t>(0x30 + ((sum >> shift) & 0x0F)));
        }
        frame.push_back(0x03);
        return frame;
    }
};
