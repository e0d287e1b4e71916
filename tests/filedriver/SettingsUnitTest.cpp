#include "SettingsUnit.h"

#include <gtest/gtest.h>

#include "ConstUnit_Program.h"
#include "IniFile.h"
#include "TestFolder.h"

namespace {

class SettingsUnitTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        ResetSettings();
        ini_ = Path("Ostrelin.ini");
        Settings().BonFolder = "/opt/ostrelin/Reciepts/";
        Settings().LogFolder = "/opt/ostrelin/Log/";
    }
    void TearDown() override {
        ResetSettings();
        TestFolder::TearDown();
    }
    std::string ini_;
};

TEST_F(SettingsUnitTest, NoFileGivesDefaultsAndCreatesTheTwoOtherKeys) {
    LoadSettings(ini_);
    TSettings expected;
    expected.BonFolder = "/opt/ostrelin/Reciepts/";
    expected.FileExt = "bon";
    expected.ComPort = "COM1";
    expected.BaudRate = 115200;
    expected.LogFolder = "/opt/ostrelin/Log/";
    expected.LogEnabled = true;
    expected.CheckPrnInterval = 20;
    EXPECT_EQ(Settings(), expected);
    EXPECT_EQ(Get(ini_), "[OTHER]\r\nax_logdir=\r\nerrtext_in_errfile=0\r\n");
}

TEST_F(SettingsUnitTest, SaveThenLoadRoundTripsAndLeavesTheUserKeysAlone) {
    Put(ini_, "[OTHER]\nerrtext_in_errfile=1\nax_logdir=/var/log/kalvora\n");
    LoadSettings(ini_);
    TSettings& s = Settings();
    EXPECT_TRUE(s.ErrTextInErrFile);
    EXPECT_EQ(s.AxLogDir, "/var/log/kalvora/");

    s.BonFolder = "/srv/bon/";
    s.FileExt = "txt";
    s.ComPort = "COM7";
    s.BaudRate = 28800;
    s.DevicesToWorkWith = "ED311111";
    s.AutoSearch = true;
    s.IPAddress = "192.168.0.5";
    s.TCPPort = 4999;
    s.LogFolder = "/srv/log/";
    s.LogEnabled = false;
    s.UseTCP = true;
    s.CheckPrnInterval = 45;
    s.CashierPass = "\xCF\xE0\xF0\xEE\xEB\xE0";  // Cyrillic bytes
    s.SellByDepartNo = true;
    s.PayTypeMap[3] = {4, 2};
    s.AxLogDir = "/elsewhere/";
    s.ErrTextInErrFile = false;
    SaveSettings(ini_);
    EXPECT_EQ(Get(ini_),
              "[OTHER]\nerrtext_in_errfile=1\nax_logdir=/var/log/kalvora\nlog_folder=/srv/log/\n"
              "log_enabled=0\nuse_tcp=1\ncheck_prn_interval=45\n"
              "cashier_pass=\xCF\xE0\xF0\xEE\xEB\xE0\nsell_by_departno=1\n"
              "\n[Files]\nfolder=/srv/bon/\nfile_ext=txt\n"
              "\n[Connection-RS]\ncomport=COM7\nbaudrate=28800\ndevices_to_workwith=ED311111\n"
              "autosearch=1\n"
              "\n[Connection-IP]\nip_address=192.168.0.5\ntcp_port=4999\n"
              "\n[PAYTYPES]\nPayNo_1=0\nPayNo_2=0\nPayNo_3=0\nPayNo_4=2\nPayNo_5=0\nPayNo_6=0\n"
              "PayNo_7=0\nPayNo_8=0\nPayNo_9=0\nPayNo_10=0\nPayNo_11=0\n");

    const TSettings saved = s;
    ResetSettings();
    LoadSettings(ini_);
    TSettings expected = saved;
    expected.ErrTextInErrFile = true;  // the file's, not the ones that were never saved
    expected.AxLogDir = "/var/log/kalvora/";
    EXPECT_EQ(Settings(), expected);
}

TEST_F(SettingsUnitTest, FoldersPayTypesAndOddValues) {
    Put(ini_,
        "[Files]\nfolder=/srv/bon\n"
        "[Connection-RS]\nbaudrate=fast\nautosearch=yes\n"
        "[OTHER]\nlog_folder=   \nax_logdir=logs\ncheck_prn_interval=-5\n"
        "[PAYTYPES]\nPayNo_3=2\nPayNo_4=0\nPayNo_5=x\nPayNo_6=-1\nPayNo_11=9\n");
    Settings().PayTypeMap[4] = {5, 3};  // a pair the file does not set stays as it is
    LoadSettings(ini_);
    const TSettings& s = Settings();
    EXPECT_EQ(s.BonFolder, "/srv/bon/");
    EXPECT_EQ(s.LogFolder, "");  // blanks are trimmed by the file; blank values get no "/"
    EXPECT_EQ(s.AxLogDir, "logs/");
    EXPECT_EQ(s.BaudRate, 115200);
    EXPECT_FALSE(s.AutoSearch);
    EXPECT_EQ(s.CheckPrnInterval, -5);
    const std::pair<int, int> expected[] = {{0, 0}, {0, 0}, {3, 2}, {0, 0}, {5, 3}, {0, 0},
                                            {0, 0}, {0, 0}, {0, 0}, {0, 0}, {11, 9}};
    for (int n = 0; n < PayTypeCount; ++n) {
        SCOPED_TRACE(n + 1);
        EXPECT_EQ(s.PayTypeMap[n].FromType, expected[n].first);
        EXPECT_EQ(s.PayTypeMap[n].ToType, expected[n].second);
    }

    std::string blank = "  ";
    AppendFolderDelimiter(blank);
    EXPECT_EQ(blank, "  ");
}

TEST_F(SettingsUnitTest, UnwritableFileStillLoadsAndFailsToSave) {
    std::filesystem::create_directory(ini_);  // a folder in the file's place can't be written
    LoadSettings(ini_);
    EXPECT_EQ(Settings().FileExt, "bon");
    EXPECT_THROW(SaveSettings(ini_), platform::EIniFileException);
}

}  // namespace
