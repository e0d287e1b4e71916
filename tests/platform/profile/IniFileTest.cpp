#include "IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::TIniFile;

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profileXXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "Ostrelin.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Get() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(IniFileTest, ReadsByThePrivateProfileRules) {
    Put("orphan=before any section\r\n"
        "[Files]\r\n"
        "  Folder = /srv/bon/  \r\n"
        "folder=second copy\r\n"
        "; file_ext=commented\r\n"
        "no equals sign\r\n"
        "empty=\r\n"
        "[ files ]\r\n"
        "file_ext=first section wins\r\n"
        "[OTHER]\n"
        "cashier_pass=a=b\n"
        "name=\xC8\xE2\xE0\xED\n");
    const TIniFile ini(path_);
    struct Row {
        const char* section;
        const char* key;
        std::string expected;
    } rows[] = {
        {"FILES", "FOLDER", "/srv/bon/"},    // case-insensitive, blanks trimmed, first wins
        {"Files", "file_ext", "<default>"},  // commented out; the later section is not read
        {"Files", "no equals sign", "<default>"},
        {"Files", "empty", ""},  // present but empty is not missing
        {"Files", "orphan", "<default>"},
        {"other", "Cashier_Pass", "a=b"},       // the value runs past a second "="
        {"OTHER", "name", "\xC8\xE2\xE0\xED"},  // bytes as they are
        {"Missing", "folder", "<default>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key);
        EXPECT_EQ(ini.ReadString(row.section, row.key, "<default>"), row.expected);
    }
    EXPECT_TRUE(ini.ValueExists("files", "EMPTY"));
    EXPECT_FALSE(ini.ValueExists("files", "file_ext"));
    EXPECT_EQ(ini.ReadSection("files"), (std::vector<std::string>{"Folder", "folder", "empty"}));
    EXPECT_TRUE(ini.SectionExists("Other"));
    EXPECT_FALSE(ini.SectionExists("Missing"));
}

TEST_F(IniFileTest, MissingOrUnreadableFileGivesDefaults) {
    const TIniFile missing(path_);
    EXPECT_EQ(missing.ReadString("Files", "folder", "dflt"), "dflt");
    EXPECT_EQ(missing.ReadInteger("Files", "n", 7), 7);
    EXPECT_FALSE(missing.SectionExists("Files"));
    EXPECT_FALSE(fs::exists(path_));

    const TIniFile folder(dir_.string());
    EXPECT_EQ(folder.ReadString("Files", "folder", "dflt"), "dflt");
}

TEST_F(IniFileTest, IntegersAndBooleansOfOddValues) {
    Put("[S]\nv=\n");
    TIniFile ini(path_);
    struct Row {
        const char* stored;
        int32_t integer;  // read with default -7
        bool boolean;     // read with default true
    } rows[] = {
        {"42", 42, true},
        {"-3", -3, true},
        {"+5", 5, true},
        {"0", 0, false},
        {"  12  ", 12, true},
        {"", -7, true},
        {"12abc", -7, true},
        {"1 2", -7, true},
        {"0x10", -7, true},
        {"yes", -7, true},
        {"1.5", -7, true},
        {"-", -7, true},
        {"2147483647", 2147483647, true},
        {"2147483648", -7, true},
        {"-2147483648", INT32_MIN, true},
        {"99999999999999999999", -7, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string("stored \"") + row.stored + "\"");
        Put(std::string("[S]\nv=") + row.stored + "\n");
        EXPECT_EQ(ini.ReadInteger("S", "v", -7), row.integer);
        EXPECT_EQ(ini.ReadBool("S", "v", true), row.boolean);
    }
    Put("[S]\nv=zero\n");
    EXPECT_FALSE(ini.ReadBool("S", "v", false));

    ini.WriteBool("S", "on", true);
    ini.WriteBool("S", "off", false);
    ini.WriteInteger("S", "n", -120);
    EXPECT_EQ(Get(), "[S]\nv=zero\non=1\noff=0\nn=-120\n");
}

TEST_F(IniFileTest, WritingCreatesFileSectionAndKey) {
    TIniFile ini(path_);
    ini.WriteString("OTHER", "ax_logdir", "");
    EXPECT_EQ(Get(), "[OTHER]\r\nax_logdir=\r\n");
    ini.WriteString("OTHER", "errtext_in_errfile", "0");
    ini.WriteString("Files", "folder", "/srv/bon/");
    EXPECT_EQ(
        Get(),
        "[OTHER]\r\nax_logdir=\r\nerrtext_in_errfile=0\r\n\r\n[Files]\r\nfolder=/srv/bon/\r\n");
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLine) {
    const std::string before =
        "; settings\n"
        "[Files]\r\n"
        "  Folder = old   \r\n"
        "folder=duplicate\n"
        "\n"
        "[OTHER]\n"
        "log_enabled=1\n"
        "\n"
        "\n"
        "[Last]\n"
        "x=\xE0\xE1";  // no line end at the end of the file
    Put(before);
    TIniFile ini(path_);
    ini.WriteString("files", "FOLDER", "new");
    ini.WriteString("Other", "use_tcp", "1");
    ini.WriteString("last", "y", "\xC0");
    EXPECT_EQ(Get(),
              "; settings\n"
              "[Files]\r\n"
              "Folder=new\r\n"
              "folder=duplicate\n"
              "\n"
              "[OTHER]\n"
              "log_enabled=1\n"
              "use_tcp=1\n"
              "\n"
              "\n"
              "[Last]\n"
              "x=\xE0\xE1\n"
              "y=\xC0\n");
}

TEST_F(IniFileTest, RefusedWritesLeaveTheFileAlone) {
    Put("[S]\r\nk=v\r\n");
    TIniFile ini(path_);
    const struct {
        const char* section;
        const char* key;
        const char* value;
    } rows[] = {
        {"S", "k", "two\r\nlines"}, {"S", "a=b", "v"}, {"S", "", "v"},
        {"S", "[k", "v"},           {"S", ";k", "v"},  {"S", " k", "v"},
        {"S]", "k", "v"},           {"", "k", "v"},    {"S\n", "k", "v"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.section) + "/" + row.key);
        EXPECT_THROW(ini.WriteString(row.section, row.key, row.value), platform::EIniFileException);
    }
    EXPECT_EQ(Get(), "[S]\r\nk=v\r\n");

    TIniFile folder(dir_.string());
    EXPECT_THROW(folder.WriteString("S", "k", "v"), platform::EIniFileException);
}

TEST_F(IniFileTest, RewriteKeepsPermissionsAndLinks) {
    Put("[S]\nk=v\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    const std::string link = (dir_ / "link.ini").string();
    fs::create_symlink(path_, link);
    TIniFile(link).WriteString("S", "k", "w");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Get(), "[S]\nk=w\n");
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
