#include "BaseDeviceUnit.h"

#include <gtest/gtest.h>

#include "BaseDeviceUnitRO.h"

namespace {

// Opens the frame routines of the base to the tests; it has no link.
class TProbeDevice : public TBaseDeviceRO {
public:
    using TBaseDevice::BuildFrame;
    using TBaseDevice::LogCommandDuration;
    using TBaseDevice::StepSeq;
    bool SendCommand(uint8_t, TDataBuffer&, TDataBuffer&) override { return false; }
    bool Connect() override { return false; }
    void Disconnect() override {}
    bool IsConnected() override { return false; }
};

TDataBuffer Status(std::initializer_list<uint8_t> bytes) {
    return TDataBuffer(bytes);
}

// Six status bytes with the given [byte/bit] flags set.
TDataBuffer StatusWith(std::initializer_list<std::pair<int, int>> bits) {
    TDataBuffer status(6, 0x80);
    for (auto [b, n] : bits) {
        status[b] |= static_cast<uint8_t>(1 << n);
    }
    return status;
}

TEST(BaseDeviceFrame, WorkedFrameByteForByte) {
    TProbeDevice device;
    device.FSeq = 0x20;
    device.StepSeq();
    EXPECT_EQ(
        device.BuildFrame(0x4A, {0x41, 0x42}),
        (TDataBuffer{0x01, 0x26, 0x21, 0x4A, 0x41, 0x42, 0x05, 0x30, 0x31, 0x31, 0x39, 0x03}));
    EXPECT_EQ(device.FSeq, 0x21);
}

TEST(BaseDeviceFrame, EscapesControlBytesButTabAndLineFeed) {
    TProbeDevice device;
    device.FSeq = 0x30;
    const TDataBuffer frame = device.BuildFrame(0x2A, {0x0A, 0x09, 0x1B, 0x00, 0x20});
    // LEN counts the payload as given; the wire carries it escaped.
    const TDataBuffer head(frame.begin(), frame.begin() + 11);
    EXPECT_EQ(head,
              (TDataBuffer{0x01, 0x29, 0x30, 0x2A, 0x0A, 0x09, 0x10, 0x5B, 0x10, 0x40, 0x20}));
    EXPECT_EQ(frame[11], 0x05);
    EXPECT_EQ(frame.back(), 0x03);
    EXPECT_EQ(frame.size(), 17u);

    TDataBuffer text;
    TBaseDevice::AppendString(std::string("A\x1B", 2), text);
    EXPECT_EQ(text, (TDataBuffer{0x41, 0x1B})) << "text is escaped once, by the frame";
}

TEST(BaseDeviceFrame, SequenceStaysWithinItsRange) {
    const std::pair<uint8_t, uint8_t> rows[] = {{0x00, 0x20}, {0x20, 0x21}, {0x7E, 0x7F},
                                                {0x7F, 0x20}, {0x1E, 0x20}, {0xFF, 0x20}};
    for (auto [before, after] : rows) {
        SCOPED_TRACE(static_cast<int>(before));
        TProbeDevice device;
        device.FSeq = before;
        device.StepSeq();
        EXPECT_EQ(device.FSeq, after);
    }
}

TEST(BaseDeviceFrame, RefusesPayloadWhoseLengthWouldWrap) {
    TProbeDevice device;
    EXPECT_EQ(device.BuildFrame(0x2A, TDataBuffer(219, 'x'))[1], 0xFF);
    try {
        device.BuildFrame(0x2A, TDataBuffer(220, 'x'));
        FAIL() << "no exception";
    } catch (const ECmdException& e) {
        EXPECT_EQ(e.Code, 201);
        EXPECT_STREQ(e.what(), "[LEN:220/219]");
    }
}

// Feeds a reply's parts as a transport would and returns the failure code, 0 when all pass.
int CheckReply(std::initializer_list<uint8_t> bcc, uint8_t len = 0x2D) {
    TDataBuffer status;
    TReplyAccumulator reply(status);
    for (uint8_t b : {len, uint8_t{0x21}, uint8_t{0x4A}}) {
        reply.AddHeader(b);
    }
    reply.AddData(0x02);  // counted and summed, never data
    reply.AddData(0x41);
    reply.AddData(0x04);
    for (uint8_t b : {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x05}) {
        reply.AddStatus(b);
    }
    for (uint8_t b : bcc) {
        reply.AddBcc(b);
    }
    EXPECT_EQ(reply.Data(), TDataBuffer{0x41});
    EXPECT_EQ(status, TDataBuffer(6, 0x80));
    EXPECT_EQ(reply.StatusPartBytes(), 7);
    try {
        reply.CheckBccForm(111);
        reply.CheckLength(len);
        reply.CheckBccValue(111);
    } catch (const ECmdException& e) {
        return e.Code;
    }
    return 0;
}

TEST(BaseDeviceReply, ChecksumRules) {
    // 2D+21+4A+02+41+04+6*80+05 = 0x03E4
    EXPECT_EQ(CheckReply({0x30, 0x33, 0x3E, 0x34}), 0);
    EXPECT_EQ(CheckReply({0x30, 0x3E, 0x33, 0x34}), 111) << "right digits, wrong order";
    EXPECT_EQ(CheckReply({0x33, 0x3E, 0x34}), 111) << "three bytes";
    EXPECT_EQ(CheckReply({0x30, 0x33, 0x3E, 0x34, 0x30}), 111) << "five bytes";
    EXPECT_EQ(CheckReply({0x30, 0x33, 0x4E}), 111) << "0x4E would pass off as the digits 1E";
    EXPECT_EQ(CheckReply({0x30, 0x33, 0x3E, 0x34}, 0x2C), 112) << "count differs from LEN";
}

TEST(BaseDeviceReply, FailureDetails) {
    TDataBuffer status;
    TReplyAccumulator reply(status);
    reply.AddHeader(0x30);
    for (uint8_t b : {0x30, 0x31, 0x40}) {
        reply.AddBcc(b);
    }
    try {
        reply.CheckBccForm(104);
        FAIL();
    } catch (const ECmdException& e) {
        EXPECT_EQ(e.Code, 104);
        EXPECT_STREQ(e.what(), "[0110]");
    }
    try {
        reply.CheckLength(0x2B);
        FAIL();
    } catch (const ECmdException& e) {
        EXPECT_STREQ(e.what(), "11/1");
    }
    try {
        reply.CheckBccValue(104);
        FAIL();
    } catch (const ECmdException& e) {
        EXPECT_STREQ(e.what(), "[0110/0030]");
    }
}

TEST(BaseDeviceRoutines, Tokens) {
    struct Row {
        const char* text;
        bool comma;
        const char* token;
        const char* rest;
    };
    const Row rows[] = {
        {"P,12,abc", true, "P", "12,abc"},  {"no comma", true, "no comma", ""},
        {"a  ,  b", true, "a  ", "  b"},    {",x", true, "", "x"},
        {"12   34 5", false, "12", "34 5"}, {"word", false, "word", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::string s = row.text;
        std::string token = "old";
        if (row.comma) {
            TBaseDevice::NextCommaToken(s, token);
        } else {
            TBaseDevice::NextSpaceToken(s, token);
        }
        EXPECT_EQ(token, row.token);
        EXPECT_EQ(s, row.rest);
    }
}

TEST(BaseDeviceRoutines, BytesAndBits) {
    const TDataBuffer data{0x41, 0x0B, 0xFF, 0x42};
    std::string text = "old";
    TBaseDevice::BytesToHex(data, 1, text, 2);
    EXPECT_EQ(text, "0B FF ");
    TBaseDevice::BytesToHex(data, 3, text, 200);
    EXPECT_EQ(text, "42 ");
    TBaseDevice::BytesToTextRange(data, 3, text, 5);
    EXPECT_EQ(text, "B");
    TBaseDevice::BytesToText(TDataBuffer(300, 'z'), text);
    EXPECT_EQ(text.size(), 300u);

    EXPECT_TRUE(TBaseDevice::IsBitSet(data, 1, 3));
    EXPECT_FALSE(TBaseDevice::IsBitSet(data, 1, 2));
    EXPECT_FALSE(TBaseDevice::IsBitSet(data, 4, 0)) << "past the end";

    TClientData client{"a", "b", "c", "d", "e", "f", "g", "h", "i"};
    TBaseDevice::ClearInfoRecord(client);
    EXPECT_TRUE(client.CustName.empty() && client.Spare8.empty() && client.SellerName.empty());
}

TEST(BaseDeviceErrors, TextsKeepTheirExactBytes) {
    EXPECT_EQ(TBaseDevice::ErrorText(213, ""),
              "Fisk.\xEC"
              "emory is locked. ");
    EXPECT_EQ(TBaseDevice::ErrorText(233, "x"),
              "\xCE"
              "pened fiscal receipt. x");
    EXPECT_EQ(TBaseDevice::ErrorText(235, ""),
              "\xCE"
              "pened comment receipt. ");
    EXPECT_EQ(TBaseDevice::ErrorText(210, ""), "No paper. ");
    EXPECT_EQ(TBaseDevice::ErrorText(999, "x"), " x");
    EXPECT_EQ(TBaseDevice::ErrorText(108, ""), " ");
}

int StatusFailure(const TDataBuffer& status, bool basic, std::string* detail = nullptr) {
    try {
        basic ? TBaseDevice::CheckStatusBasic(status) : TBaseDevice::CheckStatus(status);
    } catch (const ECmdException& e) {
        if (detail != nullptr) {
            *detail = e.what();
        }
        return e.Code;
    }
    return 0;
}

TEST(BaseDeviceErrors, StatusChecksInOrder) {
    std::string detail;
    EXPECT_EQ(StatusFailure(Status({0x80, 0x80, 0x80, 0x80, 0x80}), false, &detail), 200);
    EXPECT_EQ(detail, "[6/5]");
    EXPECT_EQ(StatusFailure(StatusWith({{0, 1}, {0, 0}}), false, &detail), 205);
    EXPECT_EQ(detail, "[0/0]");
    EXPECT_EQ(StatusFailure(StatusWith({{0, 1}, {1, 4}}), true), 204);
    EXPECT_EQ(StatusFailure(StatusWith({{1, 4}}), true), 0) << "basic stops after [0/1]";
    EXPECT_EQ(StatusFailure(StatusWith({{1, 0}, {1, 1}}), false, &detail), 216);
    EXPECT_EQ(detail, "[1/1]");
    EXPECT_EQ(StatusFailure(StatusWith({{2, 0}, {4, 0}}), false), 0);
}

TEST(BaseDeviceErrors, HandleExceptionNamesTheOtherFlags) {
    TProbeDevice device;
    const TDataBuffer status = StatusWith({{1, 4}, {1, 3}});
    EXPECT_FALSE(device.RunGuarded(status, [&] { TBaseDevice::CheckStatus(status); }));
    EXPECT_EQ(device.FLastErrorCode, 220);
    EXPECT_EQ(device.FLastErrorMsg,
              "There is the destruction of RAM after switching. [1/4]  Low battery (Clock is in "
              "RESET). ");

    device.HandleException(ECmdException(200, ""), {});
    EXPECT_EQ(device.FLastErrorMsg,
              "Invalid data from the printer. Varying length of the "
              "declared. ")
        << "no status, no blank";
    device.HandleException(ECmdException(210, "[2/0]"), StatusWith({{2, 0}}));
    EXPECT_EQ(device.FLastErrorMsg, "No paper. [2/0] ") << "the blank stays without other flags";

    device.HandleException(EAbort("plain"), status);
    EXPECT_EQ(device.FLastErrorCode, 210) << "other exceptions keep the code";
    EXPECT_EQ(device.FLastErrorMsg, "plain");
    EXPECT_TRUE(device.RunGuarded(status, [] {}));
}

TEST(BaseDeviceErrors, StatusToTextAndWarnings) {
    std::string text;
    EXPECT_FALSE(TBaseDevice::StatusToText(StatusWith({{0, 0}, {0, 1}}), 205, text));
    EXPECT_EQ(text, " Invalid command. ");
    text.clear();
    EXPECT_FALSE(TBaseDevice::StatusToText(StatusWith({{0, 0}, {5, 0}}), 0, text));
    EXPECT_EQ(text,
              "Syntax error in command. , Fisk.\xEC"
              "emory is locked. ");
    text.clear();
    EXPECT_TRUE(TBaseDevice::StatusToText(StatusWith({{0, 0}}), 205, text));

    TProbeDevice device;
    device.FLastErrorCode = 7;
    EXPECT_FALSE(device.StatusWarnings(StatusWith({{0, 2}, {5, 0}}), text));
    EXPECT_EQ(text,
              "The clock is not set. , Fisk.\xEC"
              "emory is locked.");
    EXPECT_EQ(device.FLastErrorCode, 213);
    device.FLastErrorCode = 7;
    EXPECT_TRUE(device.StatusWarnings(StatusWith({{0, 0}, {2, 0}}), text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(device.FLastErrorCode, 7);
}

TEST(BaseDeviceNotify, CommandDurationAndFrames) {
    TProbeDevice device;
    device.LogCommandDuration(0x4A);  // unassigned: nothing happens
    std::vector<std::string> lines;
    device.OnCommandLog = [&](TBaseDevice* sender, const std::string& text) {
        EXPECT_EQ(sender, &device);
        lines.push_back(text);
    };
    device.FDuration = 12;
    device.LogCommandDuration(0x4A);
    device.FDuration = 0;
    device.LogCommandDuration(0x0B);
    EXPECT_EQ(lines, (std::vector<std::string>{"Command No: 4Ah. Duration: 12 ms.",
                                               "Command No: 0B. Duration: Less than 1 ms"}));
}

}  // namespace
