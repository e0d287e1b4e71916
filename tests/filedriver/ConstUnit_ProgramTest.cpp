#include "ConstUnit_Program.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>

#include "AbortError.h"
#include "TestFolder.h"

namespace {

namespace fs = std::filesystem;

class ProgramFilesTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetSettings();
        Settings().FileExt = "bon";
        folder_ = dir_.string() + "/";
    }
    void TearDown() override {
        ResetSettings();
        TestFolder::TearDown();
    }
    // Creates name with bytes and the given last-write time.
    void Make(const std::string& name, const std::string& bytes, const timespec& mtime) {
        Put(Path(name), bytes);
        const timespec times[2] = {mtime, mtime};
        ASSERT_EQ(::utimensat(AT_FDCWD, Path(name).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    static timespec Local(int year, int month, int day, int hour, int minute, int second) {
        std::tm t{};
        t.tm_year = year - 1900;
        t.tm_mon = month - 1;
        t.tm_mday = day;
        t.tm_hour = hour;
        t.tm_min = minute;
        t.tm_sec = second;
        t.tm_isdst = -1;
        return {std::mktime(&t), 0};
    }
    static timespec DaysAgo(double days) {
        const double now =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        const double t = now - days * 86400.0;
        return {static_cast<time_t>(t), 0};
    }
    std::string folder_;
};

TEST(ProgramText, WantedDeviceIsASerialNumberInTheListWhateverItsCase) {
    const struct {
        const char *serial, *devices;
        bool wanted;
    } rows[] = {
        {"ZK970001", "zk111, zk970001", true},
        {"zk970001", "ZK970001", true},
        {"ZK97", "ZK111", false},
        {"", "ZK111", false},
        {"ZK970001", "", false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsWantedDevice(row.serial, row.devices), row.wanted) << row.serial;
    }
}

TEST_F(ProgramFilesTest, SelectBonFilesListsOldestFirstThenByName) {
    Make("new.bon", "x", Local(2024, 3, 5, 14, 30, 47));
    Make("b.bon", "x", Local(2024, 3, 5, 14, 30, 46));  // same two-second stamp as new.bon
    Make("A.bon", "x", Local(2024, 3, 5, 14, 30, 46));
    Make("old.BON", "x", Local(2023, 12, 31, 23, 59, 58));
    Make("empty.bon", "", Local(2020, 1, 1, 0, 0, 0));
    Make("other.txt", "x", Local(2020, 1, 1, 0, 0, 0));
    Make("rep.bon.rep", "x", Local(2020, 1, 1, 0, 0, 0));
    fs::create_directory(Path("folder.bon"));
    fs::create_symlink(Path("A.bon"), Path("link.bon"));

    std::vector<std::string> list{"stale entry"};
    SelectBonFiles(dir_.string(), list);     // no trailing "/"
    const std::string stamp = "1483043799";  // 05.03.2024 14:30:46 packed as date and time
    EXPECT_EQ(list, (std::vector<std::string>{"1470087037\told.BON", stamp + "\tA.bon",
                                              stamp + "\tb.bon", stamp + "\tnew.bon"}));
}

TEST_F(ProgramFilesTest, TheDeviceInformationFileIsNeverAReceipt) {
    Settings().FileExt = "txt";
    Make("FPInfo.txt", "Fiscal device name   : FP-55\r\n", Local(2024, 3, 5, 14, 30, 46));
    Make("fpinfo.TXT", "x", Local(2024, 3, 5, 14, 30, 46));
    Make("sale.txt", "x", Local(2024, 3, 5, 14, 30, 46));
    std::vector<std::string> list;
    SelectBonFiles(folder_, list);
    EXPECT_EQ(list, std::vector<std::string>{"1483043799\tsale.txt"});
}

TEST_F(ProgramFilesTest, SelectBonFilesRefusesExtensionsThatAreNoReceipts) {
    std::vector<std::string> list{"stale"};
    SelectBonFiles(folder_ + "missing/", list);
    EXPECT_TRUE(list.empty());

    for (const char* ext : {"rep", "ERR", "$$$", "", "*", "b?n", "a/b", "x.rep", " bon"}) {
        SCOPED_TRACE(ext);
        Settings().FileExt = ext;
        try {
            SelectBonFiles(folder_, list);
            ADD_FAILURE() << "listed with a refused extension";
        } catch (const EAbort& e) {
            EXPECT_EQ(
                std::string(e.what()),
                std::string("[SelectBonFiles]Invalid receipt file extension \"") + ext + "\"");
        }
    }
    EXPECT_TRUE(IsValidBonFileExt("bon"));
    EXPECT_TRUE(IsValidBonFileExt("inp"));
}

TEST_F(ProgramFilesTest, CanWriteToFolder) {
    EXPECT_TRUE(CanWriteToFolder(folder_));
    EXPECT_FALSE(fs::exists(Path("chktmp.txt")));
    EXPECT_FALSE(CanWriteToFolder(folder_ + "missing/"));

    Put(Path("chktmp.txt"), "mine");
    EXPECT_FALSE(CanWriteToFolder(folder_));
    EXPECT_EQ(Get(Path("chktmp.txt")), "mine");
}

TEST_F(ProgramFilesTest, DeleteOldFilesPurgesByAgeAndMask) {
    Make("old.rep", "x", DaysAgo(20.5));
    Make("OLDER.REP", "x", DaysAgo(400));
    Make("young.rep", "x", DaysAgo(19.9));
    Make("old.$$$", "x", DaysAgo(30));
    Make("old.bon", "x", DaysAgo(30));
    EXPECT_EQ(DeleteOldFiles(folder_, "*.rep", 20), 2);
    EXPECT_EQ(DeleteOldFiles(folder_, "*.$$$", 20), 1);
    EXPECT_TRUE(fs::exists(Path("young.rep")));
    EXPECT_TRUE(fs::exists(Path("old.bon")));
    EXPECT_FALSE(fs::exists(Path("old.rep")));
    EXPECT_FALSE(fs::exists(Path("OLDER.REP")));
    EXPECT_EQ(DeleteOldFiles(folder_ + "missing/", "*.rep", 0), 0);
}

}  // namespace
