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
    WriteReceiptRecord(receipt, {41});
    EXPECT_EQ(Get(Path("a.b.$$$.rec.")), "LastRecieptNo=41\r\n");
    EXPECT_EQ(ReadReceiptRecord(receipt)->LastRecieptNo, 41);
    EXPECT_TRUE(ReadReceiptRecord(receipt)->TextSent);
    WriteReceiptRecord(receipt, {42, false});
    EXPECT_EQ(Get(Path("a.b.$$$.rec.")), "LastRecieptNo=42\r\nTextSent=0\r\n");
    EXPECT_FALSE(ReadReceiptRecord(receipt)->TextSent);
    EXPECT_FALSE(std::filesystem::exists(Path("tmp.$$$.")));
    Put(RecordFileName(receipt), "LastRecieptNo=x\r\n");
    EXPECT_EQ(ReadReceiptRecord(receipt), std::nullopt);
}

TEST_F(WorkFilesTest, OnlyAnsweredWorkFilesAgeAway) {
    const std::string folder = dir_.string() + "/";
    struct TRow {
        const char* Name;
        bool Old;
        bool Stays;
    };
    const TRow rows[] = {
        {"answered.$$$", true, false},      {"answered.err", true, true},
        {"answered.$$$.rec.", true, false}, {"waiting.$$$", true, true},
        {"waiting.$$$.rec.", true, true},   {"gone.$$$.rec.", true, false},
        {"young.$$$", false, true},         {"young.err", false, true},
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
