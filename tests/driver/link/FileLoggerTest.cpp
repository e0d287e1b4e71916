#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ConstUnit.h"
#include "FileLogger.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

class FileLoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "filelogger_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        GlobalLogger.reset();
    }
    void TearDown() override {
        GlobalLogger.reset();
        fs::remove_all(folder_);
    }

    // A logger of "Kalvora.so" in the test's folder.
    std::unique_ptr<TFileLogger> OpenLogger() {
        auto logger = std::make_unique<TFileLogger>(1);
        logger->FLogDir = folder_.string();
        logger->FBaseName = "Kalvora.so";
        logger->Open(true);
        return logger;
    }

    fs::path folder_;
};

TEST_F(FileLoggerTest, LineFormatByteForByte) {
    auto logger = OpenLogger();
    EXPECT_EQ(logger->FLogFileName, folder_.string() + "/Kalvora_Log.txt");

    const std::string dayBefore = FormatDateTime("DD.MM.YY", Now());
    logger->LogInfo(" \tA\r\nB\r\n ");
    const std::string dayAfter = FormatDateTime("DD.MM.YY", Now());
    logger->LogError("");
    logger->LogWarningEx(" Pre\r\nfix\t", "text");
    logger->FTimeStamp = false;
    logger->LogInfoEx("  ", "no separator after a blank prefix");
    EXPECT_EQ(logger->LogLine(logger->FLogFileName, "Tag", "x", lkError), 13);
    logger->FFlattenText = false;
    logger->LogLine(logger->FLogFileName, "P\r\n", "a\r\nb", lkInfo);
    logger->FActive = false;
    EXPECT_EQ(logger->LogLine(logger->FLogFileName, "", "lost", lkInfo), 0);

    const std::string text = ReadFile(logger->FLogFileName);
    const std::string stamp = R"(\d\d\.\d\d\.\d\d \d\d:\d\d:\d\d\.\d\d\d )";
    const std::regex expected(stamp + R"(\[INFO\]A\tB\r\n)" +  //
                              stamp + R"(\[ERROR\]\r\n)" +     //
                              stamp + R"(\[WARNING\]Pre\tfix\. text\r\n)" +
                              R"(\[INFO\]no separator after a blank prefix\r\n)"
                              R"(\[ERROR\]Tag\. x\r\n)"
                              R"(\[INFO\]P\r\na\r\nb\r\n)");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
    const std::string day = text.substr(0, 8);
    EXPECT_TRUE(day == dayBefore || day == dayAfter) << day;
}

TEST_F(FileLoggerTest, RotatesOnceTheFileHoldsMoreThan600Blocks) {
    auto logger = OpenLogger();
    logger->FTimeStamp = false;
    const fs::path log = logger->FLogFileName;
    // "[INFO]x" and CR LF: 9 bytes, leaving the file 127 bytes into block 601.
    WriteFile(log, std::string(600 * 128 + 127 - 9, '.'));
    logger->LogInfo("x");
    EXPECT_EQ(FilesIn(folder_), std::set<std::string>{"Kalvora_Log.txt"});

    logger->LogInfo("y");
    const std::set<std::string> files = FilesIn(folder_);
    ASSERT_EQ(files.size(), 1u);
    const std::string rotated = *files.begin();
    EXPECT_TRUE(std::regex_match(rotated, std::regex(R"(Kalvora_Log_\d{6}_\d{6}\.txt)")))
        << rotated;
    const std::string old = ReadFile(folder_ / rotated);
    EXPECT_EQ(old.size(), 601u * 128 + 8);
    EXPECT_EQ(old.substr(old.size() - 18), "[INFO]x\r\n[INFO]y\r\n");

    logger->LogInfo("z");
    EXPECT_EQ(ReadFile(log), "[INFO]z\r\n");
}

TEST_F(FileLoggerTest, RotationNeverReplacesAnEarlierRotatedFile) {
    auto logger = OpenLogger();
    logger->FTimeStamp = false;
    logger->FMaxBlocks = 1;
    // Whatever second the rotation falls in, its name is already taken.
    const TDateTime now = Now();
    for (int second = 0; second < 10; ++second) {
        const std::string name =
            "Kalvora_Log_" + FormatDateTime("DDMMYY_HHNNSS", now + second / 86400.0) + ".txt";
        WriteFile(folder_ / name, "earlier");
    }
    WriteFile(logger->FLogFileName, std::string(300, '.'));
    logger->LogInfo("x");
    logger->LogInfo("y");

    EXPECT_EQ(FilesIn(folder_).size(), 11u);
    EXPECT_EQ(ReadFile(logger->FLogFileName), std::string(300, '.') + "[INFO]x\r\n[INFO]y\r\n");
    for (const std::string& name : FilesIn(folder_)) {
        if (name != "Kalvora_Log.txt") {
            EXPECT_EQ(ReadFile(folder_ / name), "earlier") << name;
        }
    }
}

TEST_F(FileLoggerTest, PurgeDeletesOnlyItsOwnOldFiles) {
    const auto now = fs::file_time_type::clock::now();
    const auto aged = [&](const std::string& name, fs::file_time_type::duration age) {
        WriteFile(folder_ / name, "x");
        fs::last_write_time(folder_ / name, now - age);
    };
    aged("Kalvora_Log.txt", 24h * 31);
    aged("Kalvora_Log_010126_120000.txt", 24h * 30 + 1min);
    aged("Kalvora_Log_020126_120000.txt", 24h * 30 - 1min);
    aged("Kalvora_Log_030126_120000.txt", 24h * 2);
    aged("notes.txt", 24h * 400);            // someone else's text file
    aged("Ostrelin_Log.txt", 24h * 400);     // another module's log
    aged("Kalvora_Log_old.log", 24h * 400);  // not a text file

    auto logger = OpenLogger();
    EXPECT_EQ(FilesIn(folder_), (std::set<std::string>{"Kalvora_Log_020126_120000.txt",
                                                       "Kalvora_Log_030126_120000.txt", "notes.txt",
                                                       "Ostrelin_Log.txt", "Kalvora_Log_old.log"}));

    // A limit of 0 or below means the usual 30 days; destruction purges too.
    logger->FDaysToKeep = 0;
    aged("Kalvora_Log_040126_120000.txt", 24h * 31);
    logger.reset();
    EXPECT_FALSE(fs::exists(folder_ / "Kalvora_Log_040126_120000.txt"));
    EXPECT_TRUE(fs::exists(folder_ / "Kalvora_Log_020126_120000.txt"));

    auto another = OpenLogger();
    another->FDaysToKeep = 1;
    EXPECT_EQ(another->PurgeOldFiles(), 2);
}

TEST_F(FileLoggerTest, FirstWriteLogFixesTheFolder) {
    const fs::path first = folder_ / "logs";
    WriteLog("first", (first / "driver.log").string(), lkInfo);
    ASSERT_NE(GlobalLogger, nullptr);
    const fs::path log = first / (GetModulePath(true) + "_Log.txt");
    EXPECT_EQ(GlobalLogger->FLogFileName, log.string());

    WriteLog("second", (folder_ / "other" / "driver.log").string(), lkError);
    WriteLog("third", (first / "driver.log").string(), lkWarning);
    WriteLog("never", (first / "driver.log").string(), static_cast<TLogKind>(3));
    EXPECT_FALSE(fs::exists(folder_ / "other"));
    EXPECT_TRUE(std::regex_match(ReadFile(log), std::regex(R"(.{22}\[INFO\]first\r\n)"
                                                           R"(.{22}\[ERROR\]second\r\n)"
                                                           R"(.{22}\[WARNING\]third\r\n)")));

    // Started over, a path with a trailing "/" names the folder itself.
    GlobalLogger.reset();
    WriteLog("x", (folder_ / "named").string() + "/", lkInfo);
    EXPECT_EQ(GlobalLogger->FLogDir, (folder_ / "named").string() + "/");
    EXPECT_TRUE(fs::exists(folder_ / "named" / (GetModulePath(true) + "_Log.txt")));
}

TEST_F(FileLoggerTest, FirstWriteLogOfAnUnknownKindStillOpensTheLog) {
    WriteLogInFolder("nothing", (folder_ / "kept").string(), static_cast<TLogKind>(7));
    ASSERT_NE(GlobalLogger, nullptr);
    EXPECT_TRUE(fs::is_directory(folder_ / "kept"));
    EXPECT_TRUE(FilesIn(folder_ / "kept").empty());
}

TEST_F(FileLoggerTest, APathWithoutFolderLogsInTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(folder_);
    WriteLog("here", "driver.log", lkInfo);
    fs::current_path(before);
    EXPECT_EQ(GlobalLogger->FLogDir, "");
    EXPECT_EQ(FilesIn(folder_), std::set<std::string>{GetModulePath(true) + "_Log.txt"});
}

}  // namespace
