#include "Frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "Faults.h"
#include "TestLine.h"

namespace fpemu {
namespace {

std::vector<Request> Parse(const Bytes& bytes) {
    RequestParser parser;
    std::vector<Request> requests;
    parser.Feed(bytes.data(), bytes.size(), requests);
    return requests;
}

TEST(RequestParser, TakesTheWorkedFrameAndSkipsJunk) {
    // 26 21 4A 41 42 05 sums to 0x0119.
    const Bytes frame{0x01, 0x26, 0x21, 0x4A, 0x41, 0x42, 0x05, 0x30, 0x31, 0x31, 0x39, 0x03};
    Bytes stream{'x', 0x03, 0x16};
    stream.insert(stream.end(), frame.begin(), frame.end());
    const std::vector<Request> requests = Parse(stream);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].valid) << requests[0].error;
    EXPECT_EQ(requests[0].seq, 0x21);
    EXPECT_EQ(requests[0].cmd, 0x4A);
    EXPECT_EQ(requests[0].payload, (Bytes{'A', 'B'}));
}

TEST(RequestParser, JudgesEachFrame) {
    struct Row {
        const char* name;
        Bytes bytes;
        bool valid;
        Bytes payload;
    };
    const Bytes good = fpemu_test::RequestFrame(0x22, 0x31, "S\tA1.00");
    Bytes badSum = good;
    badSum[badSum.size() - 2] ^= 0x01;
    Bytes badLen = good;
    badLen[1] += 1;
    Bytes noTerminator = good;
    noTerminator.pop_back();
    noTerminator.push_back(0x05);
    Bytes bccOutOfRange = good;
    bccOutOfRange[bccOutOfRange.size() - 2] = 0x40;
    const Bytes escaped = fpemu_test::RequestFrame(0x23, 0x2A, std::string("a\x1b") + "\n");
    const Bytes rawControl{0x01, 0x25, 0x20, 0x2A, 0x1B, 0x05, 0x30, 0x30, 0x38, 0x3F, 0x03};
    Bytes brokenOff{0x01, 0x26, 0x20};
    brokenOff.insert(brokenOff.end(), good.begin(), good.end());
    const Row rows[] = {
        {"good", good, true, {'S', '\t', 'A', '1', '.', '0', '0'}},
        {"escaped control byte counts once in LEN", escaped, true, {'a', 0x1B, '\n'}},
        {"damaged checksum", badSum, false, {}},
        {"LEN off by one", badLen, false, {}},
        {"checksum byte out of range", bccOutOfRange, false, {}},
        {"unescaped control byte", rawControl, false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<Request> requests = Parse(row.bytes);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].valid, row.valid) << requests[0].error;
        EXPECT_EQ(requests[0].error.empty(), row.valid);
        if (row.valid) {
            EXPECT_EQ(requests[0].payload, row.payload);
        }
    }
    {
        SCOPED_TRACE("a new 0x01 breaks off the frame before it");
        const std::vector<Request> requests = Parse(brokenOff);
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_FALSE(requests[0].valid);
        EXPECT_TRUE(requests[1].valid);
    }
    {
        SCOPED_TRACE("no 0x03 after the checksum");
        const std::vector<Request> requests = Parse(noTerminator);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_FALSE(requests[0].valid);
        EXPECT_EQ(requests[0].seq, 0x22);
    }
}

TEST(RequestParser, FramesSplitAcrossReadsAndEndlessData) {
    const Bytes frame = fpemu_test::RequestFrame(0x7F, 0x4A, "W");
    RequestParser parser;
    std::vector<Request> requests;
    for (uint8_t b : frame) {
        parser.Feed(&b, 1, requests);
    }
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].valid);

    Bytes noise{0x01, 0x30, 0x20, 0x2A};
    noise.resize(1000, 'n');
    requests.clear();
    parser.Feed(noise.data(), noise.size(), requests);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_FALSE(requests[0].valid);
}

TEST(ReplyFrame, EncodesByteForByte) {
    ReplyFrame frame;
    frame.seq = 0x21;
    frame.cmd = 0x4A;
    frame.status = Bytes(6, 0x80);
    // 2B 21 4A 04 80*6 05 sums to 0x039F.
    EXPECT_EQ(frame.Encode(), (Bytes{0x01, 0x2B, 0x21, 0x4A, 0x04, 0x80, 0x80, 0x80, 0x80, 0x80,
                                     0x80, 0x05, 0x30, 0x33, 0x39, 0x3F, 0x03}));
    frame.data = Bytes(kMaxReplyData, 'd');
    EXPECT_EQ(frame.Encode()[1], 0xFF);
    frame.data.push_back('d');
    EXPECT_THROW(frame.Encode(), std::length_error);
}

TEST(ReplyFrame, EachKnobDamagesOneThing) {
    ReplyFrame base;
    base.seq = 0x30;
    base.cmd = 0x4A;
    base.data = {'1', ',', '2'};
    base.status = Bytes(6, 0x80);
    const fpemu_test::Reply good = fpemu_test::TakeApart(base.Encode());
    ASSERT_EQ(good.bccText(), good.expectedBcc);
    ASSERT_EQ(good.len - 0x20, good.counted);

    ReplyFrame damaged = base;
    damaged.bcc = ReplyFrame::Bcc::Damaged;
    const fpemu_test::Reply d = fpemu_test::TakeApart(damaged.Encode());
    EXPECT_NE(d.bccText(), d.expectedBcc);
    EXPECT_EQ(d.checksum.size(), 4u);

    ReplyFrame swapped = base;
    swapped.bcc = ReplyFrame::Bcc::Swapped;
    const fpemu_test::Reply s = fpemu_test::TakeApart(swapped.Encode());
    std::string sorted = s.bccText(), expected = s.expectedBcc;
    EXPECT_NE(sorted, expected);
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected);

    ReplyFrame shortSum = base;
    shortSum.bcc = ReplyFrame::Bcc::ThreeBytes;
    const fpemu_test::Reply t = fpemu_test::TakeApart(shortSum.Encode());
    EXPECT_EQ(t.bccText(), good.expectedBcc.substr(1));
    EXPECT_TRUE(t.has03);

    ReplyFrame longer = base;
    longer.lenAdjust = 1;
    const fpemu_test::Reply l = fpemu_test::TakeApart(longer.Encode());
    EXPECT_EQ(l.len - 0x20, l.counted + 1);
    EXPECT_EQ(l.bccText(), l.expectedBcc);

    ReplyFrame bare = base;
    bare.withSeparator = false;
    bare.withTerminator = false;
    const fpemu_test::Reply b = fpemu_test::TakeApart(bare.Encode());
    EXPECT_FALSE(b.has04);
    EXPECT_FALSE(b.has03);
    EXPECT_EQ(b.len - 0x20, b.counted);
    EXPECT_EQ(b.bccText(), b.expectedBcc);
}

TEST(FaultScript, ParsesNamesCountsAndArguments) {
    const std::vector<Step> steps =
        ParseScript("nak*3,syn:500:25000:silence,syn:60:300,delay:150,junk:XY,wrong-seq,close");
    ASSERT_EQ(steps.size(), 7u);
    EXPECT_EQ(steps[0].fault, Fault::Nak);
    EXPECT_EQ(steps[0].times, 3);
    EXPECT_EQ(steps[1].fault, Fault::Syn);
    EXPECT_EQ(steps[1].synEveryMs, 500);
    EXPECT_EQ(steps[1].synForMs, 25000);
    EXPECT_FALSE(steps[1].answerAfterSyn);
    EXPECT_TRUE(steps[2].answerAfterSyn);
    EXPECT_EQ(steps[3].delayMs, 150);
    EXPECT_EQ(steps[4].junk, "XY");
    EXPECT_EQ(steps[5].fault, Fault::WrongSeq);
    EXPECT_TRUE(IsTcpOnly(steps[6].fault));
    EXPECT_TRUE(ParseScript("").empty());

    for (const char* bad : {"hush", "nak*", "nak*x", "delay", "delay:-5", "syn:0:100",
                            "syn:10:100:maybe", "nak:3", "junk:", "normal,"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(ParseScript(bad), std::invalid_argument);
    }
}

}  // namespace
}  // namespace fpemu
