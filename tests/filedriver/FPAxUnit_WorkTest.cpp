#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "FPAxUnit_Verdict.h"
#include "FPAxUnit_Work.h"
#include "FolderLock.h"
#include "TestFolder.h"

namespace {

using WorkFilesTest = TestFolder;
using TLock = TFolderLock::TResult;

TEST_F(WorkFilesTest, OneHolderOfAFolderAtATime) {
    const std::string folder = dir_.string() + "/";
    auto first = std::make_unique<TFolderLock>();
    TFolderLock second;
    EXPECT_EQ(first->Lock(folder), TLock::Locked);
    EXPECT_EQ(first->Lock(dir_.string()), TLock::Locked);  // the same folder, held still
    EXPECT_EQ(second.Lock(folder), TLock::HeldByOther);
    first.reset();
    EXPECT_EQ(second.Lock(folder), TLock::Locked);
    EXPECT_EQ(second.Lock(Path("missing/")), TLock::NoLock);
    TFolderLock third;
    EXPECT_EQ(third.Lock(folder), TLock::Locked);  // given up with the change of folder
}

using TState = TRecordRead::TState;

TEST_F(WorkFilesTest, RecordsBesideWorkFiles) {
    const std::string receipt = Path("a.b.bon");
    EXPECT_EQ(RecordFileName(receipt), Path("a.b.$$$.rec."));
    EXPECT_EQ(ReadReceiptRecord(receipt).State, TState::Missing);
    TReceiptRecord text;
    text.Kind = TRecordKind::Text;
    text.LastRecieptNo = 42;
    text.TextSent = false;
    text.Serial = "EM 1";
    text.FiscalNo = "90";
    WriteReceiptRecord(receipt, text);
    const std::string bytes = Get(Path("a.b.$$$.rec."));
    EXPECT_EQ(bytes.substr(0, bytes.find("Check=")),
              "Kind=text\r\nWorkFile=a.b.$$$\r\nLastRecieptNo=42\r\nSerial=EM 1\r\nFiscalNo=90\r\n"
              "TextSent=0\r\n");
    TRecordRead read = ReadReceiptRecord(receipt);
    ASSERT_EQ(read.State, TState::Whole);
    EXPECT_EQ(read.Record.LastRecieptNo, 42);
    EXPECT_FALSE(read.Record.TextSent);
    EXPECT_EQ(read.Record.Serial, "EM 1");
    EXPECT_EQ(read.Record.FiscalSums, std::nullopt);

    TReceiptRecord fiscal = text;
    fiscal.Kind = TRecordKind::Fiscal;
    fiscal.TextSent = true;
    fiscal.FiscalSums = TFiscalSums{1050, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1047};
    fiscal.Amount = 240;
    fiscal.AnswerExt = ".rep";
    fiscal.AnswerLines = {"Reciept No: 5", "#FI15\rLB1\nLF2%0A", ""};
    WriteReceiptRecord(receipt, fiscal);
    read = ReadReceiptRecord(receipt);
    ASSERT_EQ(read.State, TState::Whole);
    EXPECT_EQ(read.Record.FiscalSums, fiscal.FiscalSums);
    EXPECT_EQ(read.Record.Amount, 240);
    EXPECT_EQ(read.Record.AnswerExt, ".rep");
    EXPECT_EQ(read.Record.AnswerLines, fiscal.AnswerLines);
    EXPECT_FALSE(read.Record.Answered);
    EXPECT_FALSE(std::filesystem::exists(Path("tmp.$$$.")));
}

// No byte of a name or of an answer line can write a key of its own; a record that is not whole
// and in range tells nothing.
TEST_F(WorkFilesTest, ARecordCanBeNeitherSteeredNorTrustedBlindly) {
    const std::string name = "x\r\nAnswer=.rep\r\nAnswerLine=Reciept No: 777\r\nTextSent=0.bon";
    TReceiptRecord fiscal;
    fiscal.Kind = TRecordKind::Fiscal;
    fiscal.Serial = "EM1";
    fiscal.FiscalSums = TFiscalSums(12, 0);
    WriteReceiptRecord(Path(name), fiscal);
    TRecordRead read = ReadReceiptRecord(Path(name));
    ASSERT_EQ(read.State, TState::Whole);
    EXPECT_EQ(read.Record.AnswerExt, "");
    EXPECT_TRUE(read.Record.TextSent);

    const std::string receipt = Path("r.bon");
    WriteReceiptRecord(receipt, fiscal);
    const std::string whole = Get(RecordFileName(receipt));
    const auto signedText = [](std::string body) {
        // A record forged with a valid digest still has to hold what its kind needs.
        uint64_t hash = 14695981039346656037ULL;
        for (const char c : body) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        }
        char digits[17];
        std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
        return body + "Check=" + digits + "\r\n";
    };
    const std::string head =
        "Kind=fiscal\r\nWorkFile=r.$$$\r\nLastRecieptNo=7\r\n"
        "Serial=EM1\r\nFiscalNo=9\r\n";
    const std::string sums = "FiscalSums=0,0,0,0,0,0,0,0,0,0,0,0\r\n";
    struct TRow {
        const char* Name;
        std::string Bytes;
        TState State;
    } rows[] = {
        {"written", whole, TState::Whole},
        {"empty", "", TState::Damaged},
        {"junk", "\x01\xff junk", TState::Damaged},
        {"torn", whole.substr(0, whole.size() / 2), TState::Damaged},
        {"one byte changed", "Kind=text" + whole.substr(11), TState::Damaged},
        {"earlier version", "LastRecieptNo=41\r\nSerial=A\r\nFiscalNo=B\r\n", TState::Damaged},
        {"forged whole", signedText(head + sums), TState::Whole},
        {"fiscal without sums", signedText(head), TState::Damaged},
        {"eleven sums", signedText(head + "FiscalSums=0,0,0,0,0,0,0,0,0,0,0\r\n"), TState::Damaged},
        {"negative sum", signedText(head + "FiscalSums=0,0,0,0,0,0,0,0,0,0,0,-1\r\n"),
         TState::Damaged},
        {"number missing",
         signedText("Kind=fiscal\r\nWorkFile=r.$$$\r\nSerial=EM1\r\nFiscalNo=9\r\n" + sums),
         TState::Damaged},
        {"absurd number", signedText(head + sums + "LastRecieptNo=7\r\n"), TState::Damaged},
        {"number out of range",
         signedText("Kind=fiscal\r\nWorkFile=r.$$$\r\nLastRecieptNo=-3\r\nSerial=EM1\r\n"
                    "FiscalNo=9\r\n" +
                    sums),
         TState::Damaged},
        {"text sent of a fiscal one", signedText(head + sums + "TextSent=0\r\n"), TState::Damaged},
        {"unknown key", signedText(head + sums + "Printed=1\r\n"), TState::Damaged},
        {"unknown kind", signedText("Kind=cash\r\nWorkFile=r.$$$\r\n"), TState::Damaged},
        {"no kind", signedText("WorkFile=r.$$$\r\nAnswer=.err\r\nAnswered=1\r\n"), TState::Damaged},
        {"answered", signedText("Kind=none\r\nWorkFile=r.$$$\r\nAnswer=.err\r\nAnswered=1\r\n"),
         TState::Whole},
        {"answer waiting for the folder",
         signedText("Kind=none\r\nWorkFile=r.$$$\r\nAnswer=.err\r\nAnswerLine=x\r\n"),
         TState::Whole},
        {"nothing kept", signedText("Kind=none\r\nWorkFile=r.$$$\r\n"), TState::Damaged},
    };
    for (const TRow& row : rows) {
        Put(RecordFileName(receipt), row.Bytes);
        EXPECT_EQ(ReadReceiptRecord(receipt).State, row.State) << row.Name;
    }
    // A stored answer is ".rep" or ".err", or none: never a name of the folder's.
    Put(RecordFileName(receipt),
        signedText(head + sums + "Answer=junk\r\nAnswerLine=Reciept No: 1\r\n"));
    read = ReadReceiptRecord(receipt);
    EXPECT_EQ(read.State, TState::Whole);
    EXPECT_EQ(read.Record.AnswerExt, "");
    EXPECT_TRUE(read.Record.AnswerLines.empty());
}

TEST_F(WorkFilesTest, RecordOfTheLongestNames) {
    for (const size_t length : {250, 251, 255}) {
        const std::string name = std::string(length - 4, 'n') + ".bon";
        const std::string record = RecordFileName(Path(name));
        const std::string recordName = record.substr(record.rfind('/') + 1);
        EXPECT_LE(recordName.size(), 255u) << length;
        EXPECT_EQ(recordName.back(), '.') << length;
        TReceiptRecord answered;
        answered.AnswerExt = ".err";
        answered.Answered = true;
        WriteReceiptRecord(Path(name), answered);
        EXPECT_EQ(ReadReceiptRecord(Path(name)).State, TState::Whole) << length;
    }
    // Two names alike up to the cut get records of their own.
    const std::string stem(260, 'n');
    EXPECT_NE(RecordFileName(Path(stem.substr(0, 246) + "a.bon")),
              RecordFileName(Path(stem.substr(0, 246) + "b.bon")));
}

// What the day's sums and the last receipt number tell of a fiscal receipt of 2.40 cut off once
// paid: the day's total first, then cash (the payment of type 1).
TEST(VerdictTest, WhatTheSumsTell) {
    const auto sums = [](int64_t total, int64_t cash) {
        TFiscalSums day(12, 0);
        day[0] = total;
        day[1] = cash;
        return day;
    };
    struct TRow {
        const char* Story;
        TFiscalSums Before, Now;
        int64_t NumberMoved, Amount;
        bool Printed, Doubt;
    } rows[] = {
        {"closed", sums(1000, 1000), sums(1240, 1240), 1, 240, true, false},
        {"cancelled, numbered or not", sums(1000, 1000), sums(1000, 1000), 1, 240, false, false},
        {"nothing at all", sums(1000, 1000), sums(1000, 1000), 0, 240, false, false},
        {"the day's first, closed", sums(0, 0), sums(240, 240), 1, 240, true, false},
        {"the day's first, then a daily report", sums(0, 0), sums(0, 0), 1, 240, false, true},
        {"a daily report in between", sums(1000, 1000), sums(240, 240), 1, 240, false, true},
        {"another till's receipt, this one cancelled", sums(1000, 1000), sums(1310, 1310), 1, 240,
         false, true},
        {"another till's receipt beside this one", sums(1000, 1000), sums(1550, 1550), 2, 240,
         false, true},
        {"sums without a number", sums(1000, 1000), sums(1240, 1240), 0, 240, false, true},
        {"a total of 0, closed or cancelled", sums(1000, 1000), sums(1000, 1000), 1, 0, false,
         true},
        {"a total of 0, nothing numbered", sums(1000, 1000), sums(1000, 1000), 0, 0, false, false},
        {"payments without the total", sums(1000, 1000), sums(1000, 1100), 1, 240, false, true},
    };
    for (const TRow& row : rows) {
        const TVerdict verdict = JudgeFiscal(row.Before, row.Now, row.NumberMoved, row.Amount);
        EXPECT_EQ(verdict.Printed, row.Printed) << row.Story;
        EXPECT_EQ(!verdict.Doubt.empty(), row.Doubt) << row.Story;
    }
    EXPECT_EQ(ReportRanBySums(sums(1000, 1000), sums(0, 0)), true);
    EXPECT_EQ(ReportRanBySums(sums(1000, 1000), sums(1000, 1000)), false);
    EXPECT_EQ(ReportRanBySums(sums(1000, 1000), sums(300, 300)), std::nullopt);
    EXPECT_EQ(ReportRanBySums(sums(0, 0), sums(0, 0)), std::nullopt);
}

TEST_F(WorkFilesTest, OnlyAnsweredWorkFilesAgeAway) {
    const std::string folder = dir_.string() + "/";
    const std::string longName = std::string(247, 'n') + ".$$$";
    const std::string longRecord = RecordFileName(Path(longName));
    const std::string taken = Path("taken.bon");
    TReceiptRecord answered;
    answered.AnswerExt = ".err";
    answered.Answered = true;
    WriteReceiptRecord(taken, answered);
    struct TRow {
        std::string Name;
        bool Old;
        bool Stays;
        bool Written = false;  // by the program, not a row's "x"
    };
    const TRow rows[] = {
        {"answered.$$$", true, false},
        {"answered.err", true, true},
        {"answered.$$$.rec.", true, false},
        {"waiting.$$$", true, true},
        {"waiting.$$$.rec.", true, true},
        {"gone.$$$.rec.", true, false},
        {"x~0123456789abcdef.rec.", true, false},
        {"young.$$$", false, true},
        {"young.err", false, true},
        // Its ".err" taken away by the shop: its record still tells that it was answered.
        {"taken.$$$", true, false},
        {"taken.$$$.rec.", true, false, true},
        // Printed, the run cut off before the work file was dropped.
        {"printed.$$$", false, false},
        {"printed.rep", true, true},
        // A damaged record under a shortened name still belongs to its waiting work file.
        {longName, true, true},
        {longRecord.substr(longRecord.rfind('/') + 1), true, true},
    };
    const struct timespec old[2] = {{0, 0}, {0, 0}};
    for (const TRow& row : rows) {
        if (!row.Written) {
            Put(Path(row.Name), "x");
        }
        if (row.Old) {
            ASSERT_EQ(::utimensat(AT_FDCWD, Path(row.Name).c_str(), old, 0), 0);
        }
    }
    DeleteOldWorkFiles(folder, 20);
    for (const TRow& row : rows) {
        EXPECT_EQ(std::filesystem::exists(Path(row.Name)), row.Stays) << row.Name;
    }
    EXPECT_EQ(WorkFilesIn(folder),
              (std::vector<std::string>{Path(longName), Path("waiting.$$$"), Path("young.$$$")}));
}

}  // namespace
