#include "Emulator.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>

#include "Money.h"
#include "TestLine.h"

namespace fpemu {
namespace {

using fpemu_test::Line;
using fpemu_test::Reply;
using fpemu_test::RequestFrame;
using fpemu_test::TakeApart;
using SteadyClock = std::chrono::steady_clock;

long long MsSince(SteadyClock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start)
        .count();
}

bool IsGoodFrame(const Reply& reply) {
    return reply.has04 && reply.has05 && reply.has03 && reply.status.size() == 6 &&
           reply.len - 0x20 == reply.counted && reply.bccText() == reply.expectedBcc;
}

enum class LinkKind { Tcp, Pty };

class EmulatorLink : public ::testing::TestWithParam<LinkKind> {
protected:
    void SetUp() override {
        emulator = GetParam() == LinkKind::Tcp ? Emulator::StartTcp() : Emulator::StartPty(7);
        line = Connect();
    }

    std::unique_ptr<Line> Connect() {
        return GetParam() == LinkKind::Tcp ? Line::Tcp(emulator->Host(), emulator->Port())
                                           : Line::Pty(emulator->SlavePath());
    }

    uint8_t NextSeq() { return seq = seq >= 0x7F ? 0x20 : static_cast<uint8_t>(seq + 1); }

    // The next request gets a normal answer of its own: nothing of a fault is left on the line.
    void ExpectCleanLine() {
        const uint8_t next = NextSeq();
        const Reply reply = line->Ask(next, 0x4A, "X");
        EXPECT_TRUE(reply.junk.empty());
        EXPECT_EQ(reply.seq, next);
        EXPECT_TRUE(IsGoodFrame(reply));
    }

    std::unique_ptr<Emulator> emulator;
    std::unique_ptr<Line> line;
    uint8_t seq = 0x20;
};

TEST_P(EmulatorLink, AnswersStatusAndLogsEveryFrame) {
    const Reply reply = line->Ask(0x21, 0x4A, "W");
    EXPECT_TRUE(IsGoodFrame(reply));
    EXPECT_EQ(reply.seq, 0x21);
    EXPECT_EQ(reply.cmd, 0x4A);
    EXPECT_EQ(reply.data, "");
    EXPECT_EQ(reply.status, Bytes(6, 0x80));

    Bytes damaged = RequestFrame(0x22, 0x4A, "X");
    damaged[damaged.size() - 2] ^= 0x01;
    line->Send(damaged);
    EXPECT_EQ(line->Read(1), Bytes{0x15});

    const Reply unknown = line->Ask(0x23, 0x99, "");
    EXPECT_TRUE(IsGoodFrame(unknown));
    EXPECT_EQ(unknown.status[0], 0x82);  // [0/1] invalid command

    const std::vector<FrameLogEntry> frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_TRUE(frames[0].valid);
    EXPECT_EQ(frames[0].seq, 0x21);
    EXPECT_EQ(frames[0].cmd, 0x4A);
    EXPECT_EQ(frames[0].payload, Bytes{'W'});
    EXPECT_FALSE(frames[1].valid);
    EXPECT_NE(frames[1].error.find("checksum"), std::string::npos);
    EXPECT_EQ(frames[2].cmd, 0x99);
    EXPECT_LE(frames[0].ms, frames[2].ms);
    EXPECT_NE(FormatFrame(frames[1]).find("INVALID"), std::string::npos);

    emulator->ClearFrames();
    EXPECT_TRUE(emulator->Frames().empty());
}

TEST_P(EmulatorLink, ChosenStatusBitsStayUntilCleared) {
    emulator->SetStatusBit(2, 0, true);
    emulator->SetStatusBit(4, 4, true);
    Reply reply = line->Ask(NextSeq(), 0x4A, "X");
    EXPECT_EQ(reply.status, (Bytes{0x80, 0x80, 0x81, 0x80, 0x90, 0x80}));
    emulator->SetStatusBit(2, 0, false);
    reply = line->Ask(NextSeq(), 0x4A, "X");
    EXPECT_EQ(reply.status[2], 0x80);
    EXPECT_THROW(emulator->SetStatusBit(2, 7, true), std::out_of_range);
    EXPECT_THROW(emulator->SetStatusBit(6, 0, true), std::out_of_range);
}

TEST_P(EmulatorLink, DamagedAnswersAreUsedOnceEach) {
    struct Row {
        const char* script;
        size_t bytes;
        std::function<void(const Reply&, uint8_t seq)> check;
    };
    const Row rows[] = {
        {"normal", 17, [](const Reply& r, uint8_t) { EXPECT_TRUE(IsGoodFrame(r)); }},
        {"wrong-seq", 17,
         [](const Reply& r, uint8_t seq) {
             EXPECT_EQ(r.seq, seq == 0x7F ? 0x20 : seq + 1);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"wrong-cmd", 17,
         [](const Reply& r, uint8_t) {
             EXPECT_NE(r.cmd, 0x4A);
             EXPECT_NE(r.cmd, 0);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"wrong-len", 17,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.len - 0x20, r.counted + 1);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"bad-checksum", 17,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.checksum.size(), 4u);
             EXPECT_NE(r.bccText(), r.expectedBcc);
         }},
        {"swapped-checksum", 17,
         [](const Reply& r, uint8_t) {
             std::string got = r.bccText(), want = r.expectedBcc;
             EXPECT_NE(got, want);
             std::sort(got.begin(), got.end());
             std::sort(want.begin(), want.end());
             EXPECT_EQ(got, want);
         }},
        {"short-checksum", 16,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.bccText(), r.expectedBcc.substr(1));
             EXPECT_TRUE(r.has03);
         }},
        {"status5", 16,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.status.size(), 5u);
             EXPECT_EQ(r.len - 0x20, r.counted);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"status7", 18,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.status.size(), 7u);
             EXPECT_EQ(r.len - 0x20, r.counted);
         }},
        {"no-04", 16,
         [](const Reply& r, uint8_t) {
             EXPECT_FALSE(r.has04);
             EXPECT_TRUE(r.has05);
             EXPECT_EQ(r.status.size(), 6u);
         }},
        {"no-05", 16,
         [](const Reply& r, uint8_t) {
             EXPECT_TRUE(r.has04);
             EXPECT_FALSE(r.has05);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"no-03", 16,
         [](const Reply& r, uint8_t) {
             EXPECT_FALSE(r.has03);
             EXPECT_EQ(r.bccText(), r.expectedBcc);
         }},
        {"stray-03", 18,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.data, "\x03") << "inside the (empty) data, not counted in LEN";
             EXPECT_EQ(r.len - 0x20, r.counted - 1);
             EXPECT_TRUE(r.has03) << "the whole answer still follows";
         }},
        {"junk:XY", 19,
         [](const Reply& r, uint8_t) {
             EXPECT_EQ(r.junk, "XY");
             EXPECT_TRUE(IsGoodFrame(r));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.script);
        emulator->Script(row.script);
        const uint8_t asked = NextSeq();
        line->Send(RequestFrame(asked, 0x4A, "X"));
        const Bytes bytes = line->Read(row.bytes);
        ASSERT_EQ(bytes.size(), row.bytes);
        row.check(TakeApart(bytes), asked);
        ExpectCleanLine();
    }
    EXPECT_EQ(emulator->ScriptedAnswers(), 0);
}

TEST_P(EmulatorLink, NakAndSilenceCountDown) {
    emulator->Script(Step::Of(Fault::Nak, 2));
    emulator->Script("silence*2");
    EXPECT_EQ(emulator->ScriptedAnswers(), 4);
    const uint8_t asked = NextSeq();
    const Bytes request = RequestFrame(asked, 0x4A, "W");
    line->Send(request);
    EXPECT_EQ(line->Read(1), Bytes{0x15});
    line->Send(request);
    EXPECT_EQ(line->Read(1), Bytes{0x15});
    line->Send(request);
    line->Send(request);
    ASSERT_TRUE(emulator->WaitForFrames(4, 3000));
    // Both silent requests left nothing behind: the next bytes answer the fifth request.
    ExpectCleanLine();
    const std::vector<FrameLogEntry> frames = emulator->Frames();
    ASSERT_EQ(frames.size(), 5u);
    for (const FrameLogEntry& frame : frames) {
        EXPECT_TRUE(frame.valid);
    }
    EXPECT_EQ(frames[3].seq, asked);
}

TEST_P(EmulatorLink, DelayAndSynKeepTheirTime) {
    emulator->Script(Step::Delay(150));
    auto start = SteadyClock::now();
    EXPECT_TRUE(IsGoodFrame(line->Ask(NextSeq(), 0x4A, "X")));
    EXPECT_GE(MsSince(start), 150);

    emulator->Script(Step::Syn(20, 200, true));
    start = SteadyClock::now();
    const uint8_t asked = NextSeq();
    line->Send(RequestFrame(asked, 0x4A, "X"));
    EXPECT_EQ(line->Read(10), Bytes(10, 0x16));
    const Reply reply = TakeApart(line->ReadFrame());
    EXPECT_GE(MsSince(start), 200);
    EXPECT_EQ(reply.junk, "");
    EXPECT_EQ(reply.seq, asked);

    emulator->Script("syn:20:100:silence");
    line->Send(RequestFrame(NextSeq(), 0x4A, "X"));
    EXPECT_EQ(line->Read(5), Bytes(5, 0x16));
    ExpectCleanLine();
}

TEST_P(EmulatorLink, EndlessAnswerStopsAtTheNextRequest) {
    emulator->Script("endless");
    const uint8_t asked = NextSeq();
    line->Send(RequestFrame(asked, 0x4A, "X"));
    const Bytes stream = line->Read(1000);
    ASSERT_EQ(stream.size(), 1000u);
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 4), (Bytes{0x01, 0x2B, asked, 0x4A}));
    EXPECT_EQ(std::count(stream.begin(), stream.end(), 0x03), 0);
    EXPECT_EQ(std::count(stream.begin(), stream.end(), 0x04), 0);
    const uint8_t next = NextSeq();
    const Reply reply = line->Ask(next, 0x4A, "X");  // skips the rest of the stream
    EXPECT_EQ(reply.seq, next);
    EXPECT_TRUE(IsGoodFrame(reply));
}

TEST_P(EmulatorLink, RequestSentAgainGetsTheSameAnswer) {
    emulator->WithPrinter([](Printer& printer) { printer.OverrideAnswer(0x4A, "once"); });
    emulator->Script("wrong-seq");
    const uint8_t asked = NextSeq();
    const Bytes request = RequestFrame(asked, 0x4A, "X");
    line->Send(request);
    EXPECT_EQ(TakeApart(line->ReadFrame()).data, "once");
    line->Send(request);
    const Reply again = TakeApart(line->ReadFrame());
    EXPECT_EQ(again.seq, asked);
    EXPECT_EQ(again.data, "once");
    EXPECT_EQ(line->Ask(NextSeq(), 0x4A, "X").data, "");  // a new request executes anew
}

TEST_P(EmulatorLink, SaleRetriedAfterADamagedAnswerIsSoldOnce) {
    EXPECT_EQ(line->Ask(NextSeq(), 0x30, "1,,1").data, "1,1");
    emulator->Script("bad-checksum");
    const Bytes sale = RequestFrame(NextSeq(), 0x31, "Bread\tA1.50");
    line->Send(sale);
    EXPECT_NE(TakeApart(line->ReadFrame()).bccText(), "");
    line->Send(sale);
    const Reply again = TakeApart(line->ReadFrame());
    EXPECT_TRUE(IsGoodFrame(again));
    EXPECT_EQ(again.status[2], 0x88);  // [2/3] fiscal receipt open
    EXPECT_EQ(line->Ask(NextSeq(), 0x4C, "T").data, "1,1,150,0");
    const std::vector<std::string> journal = emulator->Journal();
    EXPECT_EQ(std::count(journal.begin(), journal.end(), PadBetween("Bread", "1.50 A", 42)), 1);
}

TEST_P(EmulatorLink, StopsAtOnceInTheMiddleOfAnAnswer) {
    emulator->Script(Step::Syn(10, 60000, true));
    line->Send(RequestFrame(NextSeq(), 0x4A, "X"));
    EXPECT_EQ(line->Read(1), Bytes{0x16});
    const auto start = SteadyClock::now();
    emulator->Stop();
    EXPECT_LT(MsSince(start), 1000);
    emulator->Stop();  // a second stop is harmless
    EXPECT_EQ(emulator->Frames().size(), 1u);
}

// The answer to one request: a NAK, a whole frame, or nothing within 300 ms.
Bytes AnswerTo(Line& line, const Bytes& request) {
    line.Send(request);
    Bytes bytes = line.Read(1, 300);
    while (!bytes.empty() && bytes[0] == 0x01 && bytes.back() != 0x03) {
        const Bytes more = line.Read(1);
        if (more.empty()) {
            break;
        }
        bytes.push_back(more[0]);
    }
    return bytes;
}

// The second sale, whatever comes between: it and its retry meet the trigger, the next request
// ends them.
TEST_P(EmulatorLink, TriggersWaitForTheirCommandAndCoverItsRetries) {
    struct Row {
        std::string trigger;
        std::function<void(const Bytes& answer)> check;
        int sold;  // times the second sale was sold
    };
    const Row rows[] = {
        {"31:2:nak", [](const Bytes& answer) { EXPECT_EQ(answer, Bytes{0x15}); }, 0},
        {"31:2:bad-checksum",
         [](const Bytes& answer) { EXPECT_NE(TakeApart(answer).bccText(), ""); }, 1},
        {"31:2:lose", [](const Bytes& answer) { EXPECT_TRUE(answer.empty()); }, 1},
        {"31:2:bit:2:0",  // no paper: refused
         [](const Bytes& answer) { EXPECT_EQ(TakeApart(answer).status[2], 0x89); }, 0},
        {"31:2:bit:0:4",  // a fault: refused
         [](const Bytes& answer) { EXPECT_EQ(TakeApart(answer).status[0], 0x90); }, 0},
        {"31:2:bit:0:2",  // the clock not set: sold once, the retry answered as before
         [](const Bytes& answer) { EXPECT_EQ(TakeApart(answer).status[0], 0x84); }, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trigger);
        emulator->WithPrinter([](Printer& printer) { printer.State().receipt = Receipt{}; });
        emulator->At(row.trigger);
        EXPECT_TRUE(IsGoodFrame(line->Ask(NextSeq(), 0x30, "1,,1")));
        EXPECT_TRUE(IsGoodFrame(line->Ask(NextSeq(), 0x31, "Bread\tA1.00")));
        EXPECT_TRUE(IsGoodFrame(line->Ask(NextSeq(), 0x4A, "X")));
        const Bytes sale = RequestFrame(NextSeq(), 0x31, "Milk\tA2.00");
        row.check(AnswerTo(*line, sale));
        row.check(AnswerTo(*line, sale));
        EXPECT_EQ(line->Ask(NextSeq(), 0x4C, "T").data, row.sold == 1 ? "1,2,300,0" : "1,1,100,0");
    }
}

// A Z report and its retry under a fault trigger: both answers show the fault, and the report
// runs once on a printer that runs reports then, not at all on one that refuses them.
TEST_P(EmulatorLink, ReportUnderAFaultTriggerRunsByThePrinterMode) {
    struct Row {
        FaultReports mode;
        int reports;
    };
    for (const Row& row : {Row{FaultReports::Refuse, 0}, Row{FaultReports::Run, 1}}) {
        SCOPED_TRACE(row.reports);
        emulator->WithPrinter([&row](Printer& printer) {
            printer = Printer();
            printer.State().faultReports = row.mode;
        });
        emulator->At("45:1:bit:0:4");
        const Bytes report = RequestFrame(NextSeq(), 0x45, "0");
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Reply reply = TakeApart(AnswerTo(*line, report));
            EXPECT_EQ(reply.status[0], 0x90);
        }
        EXPECT_EQ(line->Ask(NextSeq(), 0x4A, "X").status[0], 0x80);
        const std::vector<std::string> journal = emulator->Journal();
        EXPECT_EQ(
            std::count_if(journal.begin(), journal.end(),
                          [](const std::string& text) { return text.starts_with("Z REPORT"); }),
            row.reports);
    }
}

TEST_P(EmulatorLink, SignalsBeforeOrAfterTheChosenCommand) {
    auto child = [] {
        const pid_t pid = fork();
        if (pid == 0) {
            pause();
            _exit(0);
        }
        return pid;
    };
    const pid_t killed = child();
    emulator->At(Trigger::SignalTo(0x30, 1, killed, SIGKILL, false));
    const Bytes open = RequestFrame(NextSeq(), 0x30, "1,,1");
    EXPECT_TRUE(AnswerTo(*line, open).empty());
    int status = 0;
    ASSERT_EQ(waitpid(killed, &status, 0), killed);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    if (GetParam() == LinkKind::Tcp) {
        line = Connect();  // what the killed side sent is dropped with its connection
    }
    EXPECT_EQ(line->Ask(NextSeq(), 0x4C, "T").data, "0,0,0,0");  // the open was dropped

    const pid_t stopped = child();
    emulator->At("30:1:signal:STOP:" + std::to_string(stopped) + ":after");
    EXPECT_TRUE(IsGoodFrame(line->Ask(NextSeq(), 0x30, "1,,1")));
    ASSERT_EQ(waitpid(stopped, &status, WUNTRACED), stopped);
    EXPECT_TRUE(WIFSTOPPED(status));
    // Requests wait while the stopped process is stopped.
    const Bytes query = RequestFrame(NextSeq(), 0x4C, "T");
    EXPECT_TRUE(AnswerTo(*line, query).empty());
    kill(stopped, SIGCONT);
    EXPECT_EQ(TakeApart(line->ReadFrame()).data, "1,0,0,0");
    kill(stopped, SIGKILL);
    waitpid(stopped, &status, 0);
}

TEST(EmulatorTriggers, TextsAndTheirFaults) {
    const Trigger signal = ParseTrigger("38:2:signal:STOP:@/run/x.pid:after");
    EXPECT_EQ(signal.cmd, 0x38);
    EXPECT_EQ(signal.nth, 2);
    EXPECT_EQ(signal.signal, SIGSTOP);
    EXPECT_EQ(signal.pidFile, "/run/x.pid");
    EXPECT_TRUE(signal.afterAnswer);
    EXPECT_EQ(ParseTrigger("4c:1:syn:60:1000:silence").step.synForMs, 1000);
    EXPECT_EQ(ParseTrigger("31:3:signal:9:1234").pid, 1234);
    for (const char* bad : {"38:0:nak", "38:1", "381:1:nak", "zz:1:nak", "38:1:nak*2",
                            "38:1:nak,silence", "38:1:bit:2:3", "38:1:bit:6:0",
                            "38:1:signal:NOPE:12", "38:1:signal:KILL:12:before", "38:1:lose:1"}) {
        EXPECT_THROW(ParseTrigger(bad), std::invalid_argument) << bad;
    }
    auto pty = Emulator::StartPty(9);
    EXPECT_THROW(pty->At("38:1:close"), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(Links, EmulatorLink, ::testing::Values(LinkKind::Tcp, LinkKind::Pty),
                         [](const ::testing::TestParamInfo<LinkKind>& info) {
                             return info.param == LinkKind::Tcp ? "Tcp" : "Pty";
                         });

TEST(EmulatorTcp, ClosesResetsAndTakesTheNextClient) {
    auto emulator = Emulator::StartTcp();
    EXPECT_EQ(emulator->Host(), "127.0.0.1");
    EXPECT_NE(emulator->Port(), 0);
    emulator->Script("close,close-mid-answer,reset");

    auto line = Line::Tcp(emulator->Host(), emulator->Port());
    line->Send(RequestFrame(0x20, 0x4A, "X"));
    EXPECT_EQ(line->WaitForClose(), 0);

    line = Line::Tcp(emulator->Host(), emulator->Port());
    line->Send(RequestFrame(0x21, 0x4A, "X"));
    const Bytes half = line->Read(17);
    EXPECT_EQ(half.size(), 8u);
    EXPECT_EQ(half[0], 0x01);

    line = Line::Tcp(emulator->Host(), emulator->Port());
    line->Send(RequestFrame(0x22, 0x4A, "X"));
    EXPECT_EQ(line->WaitForClose(), ECONNRESET);

    line = Line::Tcp(emulator->Host(), emulator->Port());
    EXPECT_TRUE(IsGoodFrame(line->Ask(0x23, 0x4A, "X")));
    EXPECT_EQ(emulator->Connections(), 4);
    EXPECT_EQ(emulator->Frames().size(), 4u);
}

TEST(EmulatorPty, MapsTheSlaveAsAComPortAndRefusesTcpFaults) {
    auto emulator = Emulator::StartPty(12);
    EXPECT_EQ(emulator->SlavePath().rfind("/dev/pts/", 0), 0u);
    EXPECT_EQ(emulator->PortMapping(), "COM12=" + emulator->SlavePath());
    EXPECT_FALSE(emulator->IsTcp());
    EXPECT_EQ(emulator->Port(), 0);
    for (const char* fault : {"close", "close-mid-answer", "reset"}) {
        EXPECT_THROW(emulator->Script(fault), std::invalid_argument) << fault;
    }
    EXPECT_THROW(Emulator::StartPty(0), std::invalid_argument);
    // The line works before any client opened the port, and after one closed it.
    {
        auto line = Line::Pty(emulator->SlavePath());
        EXPECT_TRUE(IsGoodFrame(line->Ask(0x20, 0x4A, "X")));
    }
    auto line = Line::Pty(emulator->SlavePath());
    EXPECT_TRUE(IsGoodFrame(line->Ask(0x21, 0x4A, "X")));
}

}  // namespace
}  // namespace fpemu
