#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

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

TEST_F(WorkFilesTest, RecordsBesideWorkFiles) {
    const std::string receipt = Path("a.b.bon");
    EXPECT_EQ(RecordFileName(receipt), Path("a.b.$$$.rec."));
    EXPECT_EQ(ReadReceiptRecord(receipt), std::nullopt);
    TReceiptRecord text;
    text.LastRecieptNo = 42;
    text.TextSent = false;
    text.Serial = "EM1";
    text.FiscalNo = "90";
    WriteReceiptRecord(receipt, text);
    EXPECT_EQ(Get(Path("a.b.$$$.rec.")),
              "LastRecieptNo=42\r\nTextSent=0\r\nSerial=EM1\r\nFiscalNo=90\r\n"
              "WorkFile=a.b.$$$\r\n");
    std::optional<TReceiptRecord> read = ReadReceiptRecord(receipt);
    EXPECT_EQ(read->LastRecieptNo, 42);
    EXPECT_FALSE(read->TextSent);
    EXPECT_EQ(read->Serial, "EM1");
    EXPECT_EQ(read->FiscalNo, "90");
    EXPECT_EQ(read->FiscalSums, std::nullopt);

    TReceiptRecord fiscal = text;
    fiscal.TextSent = true;
    fiscal.FiscalSums = TFiscalSums{1050, -3, 0};
    WriteReceiptRecord(receipt, fiscal);
    read = ReadReceiptRecord(receipt);
    EXPECT_TRUE(read->TextSent);
    EXPECT_EQ(read->FiscalSums, (TFiscalSums{1050, -3, 0}));
    EXPECT_EQ(read->AnswerExt, "");
    fiscal.AnswerExt = ".rep";
    fiscal.AnswerLines = {"Reciept No: 5", "#FI15\rLB1\rLF2", ""};
    WriteReceiptRecord(receipt, fiscal);
    read = ReadReceiptRecord(receipt);
    EXPECT_EQ(read->AnswerExt, ".rep");
    EXPECT_EQ(read->AnswerLines, fiscal.AnswerLines);
    EXPECT_FALSE(std::filesystem::exists(Path("tmp.$$$.")));

    // Records of an earlier version name no printer; damaged sums make a record name none.
    Put(RecordFileName(receipt), "LastRecieptNo=41\r\n");
    EXPECT_EQ(ReadReceiptRecord(receipt)->LastRecieptNo, 41);
    EXPECT_EQ(ReadReceiptRecord(receipt)->Serial, std::nullopt);
    Put(RecordFileName(receipt), "LastRecieptNo=1\r\nSerial=A\r\nFiscalNo=B\r\nFiscalSums=1,x\r\n");
    EXPECT_EQ(ReadReceiptRecord(receipt)->Serial, std::nullopt);
    Put(RecordFileName(receipt), "LastRecieptNo=x\r\n");
    EXPECT_EQ(ReadReceiptRecord(receipt), std::nullopt);
}

TEST_F(WorkFilesTest, RecordOfTheLongestNames) {
    for (const size_t length : {250, 251, 255}) {
        const std::string name = std::string(length - 4, 'n') + ".bon";
        const std::string record = RecordFileName(Path(name));
        const std::string recordName = record.substr(record.rfind('/') + 1);
        EXPECT_LE(recordName.size(), 255u) << length;
        EXPECT_EQ(recordName.back(), '.') << length;
        WriteReceiptRecord(Path(name), {});
        EXPECT_TRUE(ReadReceiptRecord(Path(name))) << length;
        EXPECT_EQ(WorkFileOfRecord(record), WorkFileName(Path(name))) << length;
    }
    // Two names alike up to the cut get records of their own.
    const std::string stem(260, 'n');
    EXPECT_NE(RecordFileName(Path(stem.substr(0, 246) + "a.bon")),
              RecordFileName(Path(stem.substr(0, 246) + "b.bon")));
}

TEST_F(WorkFilesTest, OnlyAnsweredWorkFilesAgeAway) {
    const std::string folder = dir_.string() + "/";
    struct TRow {
        const char* Name;
        bool Old;
        bool Stays;
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
    };
    const struct timespec old[2] = {{0, 0}, {0, 0}};
    for (const TRow& row : rows) {
        Put(Path(row.Name), "x");
        if (row.Old) {
            ASSERT_EQ(::utimensat(AT_FDCWD, Path(row.Name).c_str(), old, 0), 0);
        }
    }
    DeleteOldWorkFiles(folder, 20);
    for (const TRow& row : rows) {
        EXPECT_EQ(std::filesystem::exists(Path(row.Name)), row.Stays) << row.Name;
    }
    EXPECT_EQ(WorkFilesIn(folder),
              (std::vector<std::string>{Path("waiting.$$$"), Path("young.$$$")}));
}

}  // namespace
