#include "SettingsUnit_Dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <stdexcept>

#include "CodePage.h"
#include "ConstUnit.h"
#include "DialogTestSupport.h"

namespace {

class FakeHost : public ISettingsHost {
public:
    bool AutoSearchPort(std::string& Serial) override {
        devicesDuringSearch = Settings().DevicesToWorkWith;
        inputDuringCalls.push_back(dialog->isEnabled());
        Settings().ComPort = foundPort;
        Serial = foundSerial;
        return found;
    }
    void TestConnection(const std::string& Port, int32_t Speed) override {
        tests.push_back(Port + "/" + std::to_string(Speed));
        inputDuringCalls.push_back(dialog->isEnabled());
    }

    // The dialog, and whether it took input during each call.
    QWidget* dialog = nullptr;
    std::vector<bool> inputDuringCalls;

    bool found = true;
    std::string foundPort = "COM7";
    std::string foundSerial = "ZK970001";
    std::string devicesDuringSearch;
    std::vector<std::string> tests;
};

class SettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        ::setenv("KALVORA_PORTS", "COM5=/dev/null", 1);
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        TSettings& s = Settings();
        s.BonFolder = dir_.string() + "/";
        s.FileExt = "bon";
        s.ComPort = "COM2";
        s.BaudRate = 9600;
        s.IPAddress = "192.168.0.5";
        s.TCPPort = 4999;
        s.CheckPrnInterval = 20;
        s.LogEnabled = true;
        form_ = std::make_unique<TSettingsForm>(
            host_, std::vector<std::string>{"COM1", "COM10", "COM2"}, lng_);
        form_->LoadSettings();
        host_.dialog = form_.get();
    }
    void TearDown() override {
        form_.reset();
        ::unsetenv("KALVORA_PORTS");
        ::unsetenv("XDG_CONFIG_HOME");
        DialogTest::TearDown();
    }
    template <class TWidget>
    TWidget* Get(const char* Name) {
        return Child<TWidget>(*form_, Name);
    }
    void Activate() {
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(form_.get(), &activate);
    }

    FakeHost host_;
    std::unique_ptr<TSettingsForm> form_;
};

TEST_F(SettingsDialogTest, StoresWhatItWasFilledWithAndWhatWasEdited) {
    Settings().AxLogDir = "/var/log/kalvora";
    form_->StoreSettings();
    const TSettings& s = Settings();
    EXPECT_EQ(s.BonFolder, dir_.string() + "/");
    EXPECT_EQ(s.AxLogDir, "/var/log/kalvora/");
    EXPECT_EQ(s.ComPort + "/" + std::to_string(s.BaudRate), "COM2/9600");
    EXPECT_EQ(s.IPAddress + "/" + std::to_string(s.TCPPort), "192.168.0.5/4999");
    EXPECT_EQ(s.CheckPrnInterval, 20);
    EXPECT_TRUE(s.LogEnabled && !s.UseTCP && !s.AutoSearch && !s.SellByDepartNo);

    Get<QComboBox>("cmbBaudRate")->setCurrentText("28800");
    Get<QSpinBox>("edChekPrnInterval")->setValue(45);
    Get<QLineEdit>("edtCshierPass")->setText(" 0000 ");
    Get<QLineEdit>("cbBonFiles")->setText(QString::fromUtf8("/srv/бонове"));
    Get<QLineEdit>("edtDevSerial")->setText("ZK1,ZK2");
    Get<QRadioButton>("rbAutoSerach")->setChecked(true);
    Get<QCheckBox>("ckBoxUsePluNoAsDepartNo")->setChecked(true);
    form_->StoreSettings();
    EXPECT_EQ(s.BaudRate, 28800);
    EXPECT_EQ(s.CheckPrnInterval, 45);
    EXPECT_EQ(s.CashierPass, "0000");
    EXPECT_EQ(s.BonFolder, platform::Utf8ToAnsi("/srv/бонове/"));
    EXPECT_EQ(s.DevicesToWorkWith, "ZK1,ZK2");
    EXPECT_TRUE(s.AutoSearch && s.SellByDepartNo);
}

TEST_F(SettingsDialogTest, PortAndSpeedOutsideTheirListsAreNotKept) {
    const struct {
        std::string port;
        int32_t speed;
        std::string storedPort;
        int32_t storedSpeed;
    } rows[] = {
        {"COM9", 1200, "", 115200},      // neither listed: nothing selected
        {"com10", 2400, "COM10", 2400},  // the port list finds its item whatever the case
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.port);
        Settings().ComPort = row.port;
        Settings().BaudRate = row.speed;
        form_->LoadSettings();
        form_->StoreSettings();
        EXPECT_EQ(Settings().ComPort, row.storedPort);
        EXPECT_EQ(Settings().BaudRate, row.storedSpeed);
    }
}

TEST_F(SettingsDialogTest, ValidationStopsAtTheFirstFailureAndKeepsTheDialogOpen) {
    const TLngMessages& m = LngMessages();
    const std::string ok = dir_.string();
    const struct {
        std::string folder, ext;
        bool tcp;
        std::string ip, port;
        const std::string* message;  // none: OK closes
    } rows[] = {
        {"  ", "bon", false, "", "0", &m.S_EmptyBONPath},
        {Path("missing"), "bon", false, "", "0", &m.S_EmptyBONPath},
        {ok, " ", false, "", "0", &m.S_EmptyFileBonExt},
        {ok, "rep", false, "", "0", &m.S_EmptyFileBonExt},
        {ok, "*", false, "", "0", &m.S_EmptyFileBonExt},
        {ok, "bon", false, "1.2.3", "x", nullptr},  // TCP fields unchecked on serial
        {ok, "bon", true, "1.2.3", "4999", &m.S_InvalidIPAddres},
        {ok, "bon", true, " ", "4999", &m.S_InvalidIPAddres},
        {ok, "bon", true, "10.0.0.1", "0", &m.S_InvalidTCPPort},
        {ok, "bon", true, "10.0.0.1", "port", &m.S_InvalidTCPPort},
        {ok, "txt", true, "10.0.0.1", "4999", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.folder + "|" + row.ext + "|" + row.ip + "|" + row.port);
        boxes_.clear();
        form_->setResult(QDialog::Rejected);
        Get<QLineEdit>("cbBonFiles")->setText(QString::fromStdString(row.folder));
        Get<QLineEdit>("eFileExt")->setText(QString::fromStdString(row.ext));
        Get<QRadioButton>(row.tcp ? "rbTCP" : "rbRS232")->setChecked(true);
        Get<QLineEdit>("eIPAddress")->setText(QString::fromStdString(row.ip));
        Get<QLineEdit>("eTCPPort")->setText(QString::fromStdString(row.port));
        form_->accept();
        if (row.message == nullptr) {
            EXPECT_TRUE(boxes_.empty());
            EXPECT_EQ(form_->result(), QDialog::Accepted);
        } else {
            ASSERT_EQ(boxes_.size(), 1u);
            EXPECT_EQ(boxes_[0].Text, m.S_Error + "\r" + *row.message);
            EXPECT_EQ(boxes_[0].Type, TMsgDlgType::mtError);
            EXPECT_EQ(form_->result(), QDialog::Rejected);
        }
    }
}

TEST_F(SettingsDialogTest, ControlsFollowTheConnectionChoices) {
    for (bool search : {true, false}) {
        Get<QRadioButton>(search ? "rbAutoSerach" : "cbDierectConn")->click();
        for (const char* name : {"cmbComPorts", "cmbBaudRate", "Label2", "Label5", "btnTest"}) {
            EXPECT_EQ(Get<QWidget>(name)->isEnabled(), !search) << name;
        }
        for (const char* name : {"btnSearch", "edtDevSerial", "lblDevSerial"}) {
            EXPECT_EQ(Get<QWidget>(name)->isEnabled(), search) << name;
        }
    }
    for (bool tcp : {true, false}) {
        Get<QRadioButton>(tcp ? "rbTCP" : "rbRS232")->click();
        EXPECT_EQ(Get<QWidget>("shTCP")->isVisibleTo(form_.get()), tcp);
        EXPECT_EQ(Get<QWidget>("shRS232")->isVisibleTo(form_.get()), !tcp);
    }
}

TEST_F(SettingsDialogTest, SearchReportsThePrinterFoundAndChangesNoSetting) {
    const TLngMessages& m = LngMessages();
    const std::string device = "\"ZK970001\" / \"COM7\" ";
    const struct {
        bool found;
        std::string typed;
        TMsgDlgType type;
        std::string text;
    } rows[] = {
        {false, "ZK970001", TMsgDlgType::mtError, m.S_NoDevicesFound},
        {true, "  zk111, zk970001 ", TMsgDlgType::mtInformation, m.S_FoundDevice + device},
        {true, "ZK111", TMsgDlgType::mtWarning,
         m.S_NotFoundSerial + "\r" + m.S_UsingDev + "\r" + device},
        {true, "", TMsgDlgType::mtWarning,
         m.S_NotFoundSerial + "\r" + m.S_UsingDev + "\r" + device},
    };
    Settings().DevicesToWorkWith = "kept";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        boxes_.clear();
        host_.found = row.found;
        Get<QLineEdit>("edtDevSerial")->setText(QString::fromStdString(row.typed));
        form_->btnSearchClick();
        EXPECT_EQ(host_.devicesDuringSearch, Trim(row.typed));
        ASSERT_EQ(boxes_.size(), 1u);
        EXPECT_EQ(boxes_[0].Type, row.type);
        EXPECT_EQ(boxes_[0].Text, row.text);
        EXPECT_EQ(Settings().ComPort, "COM2");
        EXPECT_EQ(Settings().DevicesToWorkWith, "kept");
        EXPECT_EQ(Get<QLineEdit>("edtDevSerial")->text().toStdString(), row.typed);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(host_.inputDuringCalls, std::vector<bool>{false});
        EXPECT_TRUE(form_->isEnabled());
        host_.inputDuringCalls.clear();
    }
}

TEST_F(SettingsDialogTest, TestButtonNeedsASpeed) {
    form_->btnTestClick();
    EXPECT_EQ(host_.tests, std::vector<std::string>{"COM2/9600"});
    EXPECT_EQ(host_.inputDuringCalls, std::vector<bool>{false});
    EXPECT_TRUE(form_->isEnabled());
    Get<QComboBox>("cmbBaudRate")->setCurrentIndex(-1);
    EXPECT_THROW(form_->btnTestClick(), std::invalid_argument);
    EXPECT_EQ(host_.tests.size(), 1u);
}

TEST_F(SettingsDialogTest, EachActivationTranslatesAndKeepsWhatWasTyped) {
    platform::TIniFile(lng_).WriteString("SettingsForm", "chkCreateLog", "Write a log");
    Get<QLineEdit>("eFileExt")->setText("inp");
    Get<QRadioButton>("rbAutoSerach")->setChecked(true);
    Activate();
    EXPECT_EQ(Get<QCheckBox>("chkCreateLog")->text(), "Write a log");
    EXPECT_EQ(Get<QLineEdit>("eFileExt")->text(), "inp");
    EXPECT_FALSE(Get<QComboBox>("cmbComPorts")->isEnabled());

    const std::vector<std::string> keys = Keys("SettingsForm");
    for (const char* key : {"SettingsForm", "lblRecieptFolder", "rbAutoSerach", "cbDierectConn",
                            "lblAutoSearchHint", "btnNo"}) {
        EXPECT_TRUE(Contains(keys, key)) << key;
    }
    // The port and speed lists are the machine's, never the translator's.
    for (const char* key : {"cmbComPorts.Itm0", "cmbBaudRate.Itm0", "shTCP"}) {
        EXPECT_FALSE(Contains(keys, key)) << key;
    }
    EXPECT_EQ(
        Stored("SettingsForm", "Label3"),
        platform::Utf8ToAnsi("Интервал проверка наличие на принтер[мин]:|При 0 - не се проверява"));
}

TEST_F(SettingsDialogTest, EditSettingsListsTheMachinesPortsAndStoresOnlyOnOk) {
    Settings().ComPort = "COM5";
    AnswerNextModal<TSettingsForm>([](TSettingsForm& form) {
        EXPECT_EQ(form.findChild<QComboBox*>("cmbComPorts")->currentText(), "COM5");
        form.findChild<QLineEdit*>("eFileExt")->setText("txt");
        form.reject();
    });
    EXPECT_FALSE(EditSettings(host_, nullptr, lng_));
    EXPECT_EQ(Settings().FileExt, "bon");

    AnswerNextModal<TSettingsForm>([](TSettingsForm& form) {
        form.findChild<QLineEdit*>("eFileExt")->setText("txt");
        form.accept();
    });
    EXPECT_TRUE(EditSettings(host_, nullptr, lng_));
    EXPECT_EQ(Settings().FileExt, "txt");
    EXPECT_EQ(Settings().ComPort, "COM5");
}

}  // namespace
