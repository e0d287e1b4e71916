#include <utime.h>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <set>
#include <thread>

#include "ConstUnit_Program.h"
#include "FolderLock.h"
#include "IniFile.h"
#include "MainFormFixture.h"
#include "OstrelinApp.h"
#include "StrResUnit.h"

namespace {

TEST_F(MainFormTest, StartUpLogsConnectsNothingAndStartsTheTimer) {
    TMainForm& form = Started();
    EXPECT_TRUE(form.FileReadTimer->isActive());
    EXPECT_EQ(form.FileReadTimer->interval(), 2000);
    EXPECT_EQ(form.lbCurrentStatus->text(), "-");
    EXPECT_EQ(form.lblCurrentTaskName->text(), "Няма активна задача");
    EXPECT_EQ(form.pConn->text(), "127.0.0.1/4999");
    EXPECT_TRUE(Journal.empty());
    const std::string log = LogText();
    EXPECT_NE(log.find("[INFO]Ostrelin " + GetModuleVersion() + " started!\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("[INFO]" + std::string(55, '-') + "\r\n"), std::string::npos);
    // The settings file gained its two offered keys; no language file was created.
    EXPECT_TRUE(platform::TIniFile(Path("Ostrelin.ini")).ValueExists("OTHER", "ax_logdir"));
    EXPECT_FALSE(std::filesystem::exists(Path("Ostrelin.Lng")));
}

TEST_F(MainFormTest, WithoutNotificationAreaTheWindowMinimisesNormally) {
    TMainForm& form = Started();
    ASSERT_FALSE(form.HasTray());
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isMinimized());
    EXPECT_TRUE(form.isVisible());
    form.mnHide->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form.isVisible());
    form.PMenuConfig->trigger();
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(MainFormTest, LanguageFileTranslatesAndGainsTheMissingKeys) {
    // "Инфо" in Windows-1251, and a device label that translation must leave alone.
    Put(Path("Ostrelin.Lng"),
        "[MainForm]\r\nmnPRNInfo=\xC8\xED\xF4\xEE\r\nlblModelName=Never\r\nimgError=Never\r\n"
        "[Messages]\r\nS_NoActiveTask=Idle\r\n");
    TMainForm& form = Started();
    EXPECT_EQ(form.mnPRNInfo->text(), "Инфо");
    EXPECT_EQ(form.lblModelName->text(), "-");
    EXPECT_TRUE(form.imgError->text().isEmpty());
    EXPECT_FALSE(form.imgError->pixmap().isNull());
    EXPECT_EQ(form.lblCurrentTaskName->text(), "Idle");
    EXPECT_EQ(form.windowTitle(), "Tavrino - file printer");
    const platform::TIniFile lng(Path("Ostrelin.Lng"));
    // "Функции" in Windows-1251.
    EXPECT_EQ(lng.ReadString("MainForm", "mnFuncs", ""), "\xD4\xF3\xED\xEA\xF6\xE8\xE8");
    EXPECT_EQ(lng.ReadString("MainForm", "PMenuConfig", ""), "Maximize");
    EXPECT_FALSE(lng.ValueExists("MainForm", "lblComError"));
    EXPECT_FALSE(lng.ValueExists("MainForm", "MainForm"));
    EXPECT_EQ(lng.ReadSection("Messages").size(), 51u);
}

class RegistrationTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Services.DriverVersion = [this]() -> std::string {
            if (!std::filesystem::exists(Path("registered"))) {
                throw std::runtime_error("Class not registered");
            }
            return "1.0.0.1";
        };
        setenv("PROBE_MARK", Path("registered").c_str(), 1);
        unsetenv("PROBE_HRESULT");
    }
    void TearDown() override {
        unsetenv("PROBE_MARK");
        unsetenv("PROBE_HRESULT");
        MainFormTest::TearDown();
    }
    // Starts the window and tells whether it ended the program.
    bool StartEnds(QStringList& Boxes) {
        QSignalSpy closed(&Form(), &TMainForm::Closed);
        TModalAnswerer answerer;
        Form().FormActivate();
        Boxes = answerer.Texts;
        return closed.count() == 1;
    }
    std::string Driver() const { return Path("Kalvora.so"); }
};

TEST_F(RegistrationTest, UnregisteredDriverIsRegisteredFromTheProgramFolder) {
    std::filesystem::copy_file(REGISTER_PROBE, Driver());
    QStringList boxes;
    EXPECT_FALSE(StartEnds(boxes));
    EXPECT_TRUE(boxes.isEmpty());
    const std::string log = LogText();
    EXPECT_NE(log.find("[ERROR]Check OLE server failed: Class not registered"), std::string::npos);
    EXPECT_NE(log.find("[INFO]AX is not registred. Trying to register now."), std::string::npos);
    EXPECT_NE(log.find("[INFO]AX driver succsesfully registred: " + Driver()), std::string::npos);
}

TEST_F(RegistrationTest, FailedRegistrationEndsTheProgram) {
    const struct {
        const char* library;
        const char* hresult;
        std::string logged;
    } rows[] = {
        {nullptr, nullptr,
         "Create OLE server fail: AX driver \"Kalvora.so\" not found in " + Path("")},
        {NO_REGISTER_PROBE, nullptr, "Create OLE server fail: Failed find DllRegisterServer : "},
        {REGISTER_PROBE, "-2147467259", "Create OLE server fail: Failed run DllRegisterServer : "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.logged);
        FForm.reset();
        GlobalLogger.reset();
        std::filesystem::remove_all(Path("Log"));
        std::filesystem::remove(Driver());
        if (row.library) {
            std::filesystem::copy_file(row.library, Driver());
        }
        if (row.hresult) {
            setenv("PROBE_HRESULT", row.hresult, 1);
        }
        QStringList boxes;
        EXPECT_TRUE(StartEnds(boxes));
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes[0],
                  "COM сървърът не открит или не е регистран в системата.\n"
                  "Моля инсталирайте програмата отново.");
        EXPECT_NE(LogText().find("[ERROR]" + row.logged), std::string::npos);
        EXPECT_NE(LogText().find("[INFO]Application closed"), std::string::npos);
        EXPECT_TRUE(Form().FirstActivatePending());
    }
}

class FileLoopTest : public MainFormTest {
protected:
    void Receipt(const std::string& Name, time_t Age, const std::string& Bytes = ":Hello\r\n") {
        const std::string path = BonFolder() + Name;
        Put(path, Bytes);
        const time_t when = time(nullptr) - Age;
        const utimbuf times{when, when};
        ASSERT_EQ(utime(path.c_str(), &times), 0);
    }
    void Tick() { Form().FileReadTimerTimer(); }
};

TEST_F(FileLoopTest, FirstTickTakesFilesOldestFirstAndWritesTheDeviceFile) {
    Started();
    Receipt("new.bon", 60);
    Receipt("old.bon", 3600);
    Receipt("empty.bon", 7200, "");
    Receipt("other.txt", 7200);
    Tick();
    const std::vector<std::string> expected = {"ConnectTCP 127.0.0.1/4999",
                                               "ReadPrinterInfo 0",
                                               "ProcessFiles old.bon new.bon",
                                               "DisconnectPRN",
                                               "ConnectTCP 127.0.0.1/4999",
                                               "ReadPrinterInfo 1",
                                               "DisconnectPRN"};
    EXPECT_EQ(Journal, expected);
    EXPECT_EQ(Get(BonFolder() + "FPInfo.txt"),
              "Fiscal device name   : FP-55\r\n"
              "Fiscal device serial : ED000123\r\n"
              "Fiscal nom           : 4000123456\r\n"
              "Printer clock        : 15.03.2023 18:00:00\r\n");
    EXPECT_EQ(Form().lblLastTaskName->text(), "Обработка на файл");
    EXPECT_EQ(Form().lblModelName->text(), "FP-55");
    EXPECT_FALSE(Form().Busy());
}

TEST_F(FileLoopTest, WorkFilesWaitingForThePrinterAreSettledAlsoWhilePaused) {
    Started();
    Receipt("a.bon", 60);
    Printer->FilesWaiting = true;
    // Paused, the tick settles them but takes no new file and refreshes nothing.
    Form().chkProcessPause->setChecked(true);
    Tick();
    const std::vector<std::string> settled = {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 0",
                                              "ProcessFiles", "DisconnectPRN"};
    EXPECT_EQ(Journal, settled);
    Form().chkProcessPause->setChecked(false);
    Tick();
    EXPECT_EQ(Journal.at(6), "ProcessFiles a.bon");
}

TEST_F(FileLoopTest, ASecondProgramOnTheReceiptFolderEndsAtStart) {
    std::filesystem::create_directories(BonFolder());
    TFolderLock first;
    ASSERT_EQ(first.Lock(BonFolder()), TFolderLock::TResult::Locked);
    QSignalSpy closed(&Form(), &TMainForm::Closed);
    TModalAnswerer answerer;
    Form().FormActivate();
    EXPECT_EQ(closed.count(), 1);
    const std::string text = "Another program works on the receipt folder " + BonFolder();
    EXPECT_EQ(answerer.Texts, QStringList{"Грешка\n" + QString::fromStdString(text)});
    EXPECT_NE(LogText().find("[ERROR]" + text), std::string::npos);
    EXPECT_TRUE(Journal.empty());
}

TEST_F(FileLoopTest, TicksSkipWhilePausedOrBusy) {
    Started();
    Receipt("a.bon", 60);
    Form().chkProcessPause->setChecked(true);
    EXPECT_EQ(Form().pAction->text(), "Спрян от потребителя");
    Tick();
    Form().chkProcessPause->setChecked(false);
    EXPECT_TRUE(Form().pAction->text().isEmpty());
    Form().SetBusy(true);
    Tick();
    EXPECT_TRUE(Journal.empty());
    Form().SetBusy(false);
    Tick();
    EXPECT_FALSE(Journal.empty());
}

TEST_F(FileLoopTest, RefreshAfterMoreThanTwentyWholeMinutesAndTheCheckInterval) {
    WriteIni(
        "[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=4999\r\n"
        "[OTHER]\r\nuse_tcp=1\r\ncheck_prn_interval=20\r\n");
    Started();
    const auto refreshes = [this] {
        return std::count(Journal.begin(), Journal.end(), "ReadPrinterInfo 1");
    };
    Tick();  // the information, both times start at 0
    Tick();  // the connectivity check
    EXPECT_EQ(refreshes(), 2);
    const std::string log = LogText();
    EXPECT_NE(log.find("[INFO]Getting info."), std::string::npos);
    EXPECT_NE(log.find("[INFO]Checking connectivity."), std::string::npos);
    Clock += 20.0 / 1440;
    Tick();
    EXPECT_EQ(refreshes(), 2);
    Clock += 1.0 / 1440;
    Tick();
    EXPECT_EQ(refreshes(), 3);
}

size_t Occurrences(const std::string& Text, const std::string& Part) {
    size_t count = 0;
    for (size_t at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(FileLoopTest, ARefusedExtensionIsABadSettingThatLeavesTheRefreshRunning) {
    for (const std::string ext : {"rep", "", "*", "b?n", "a/b"}) {
        SCOPED_TRACE(ext);
        FForm.reset();
        Journal.clear();
        GlobalLogger.reset();
        std::filesystem::remove_all(Path("Log"));
        std::filesystem::remove(BonFolder() + "FPInfo.txt");
        WriteIni("[Files]\r\nfile_ext=" + ext +
                 "\r\n[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=4999\r\n"
                 "[OTHER]\r\nuse_tcp=1\r\ncheck_prn_interval=0\r\n");
        int dialogs = 0;
        Services.EditSettings = [&](TMainForm&) { return ++dialogs < 0; };
        {
            TModalAnswerer answerer;
            Started();
            EXPECT_EQ(answerer.Texts, QStringList{"Грешка\nНевалидно разширение за БОН файлове."});
        }
        EXPECT_EQ(dialogs, 1);
        Receipt("a.rep", 60);
        Tick();
        Clock += 1.0 / 1440;
        Tick();
        const std::vector<std::string> refresh = {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 1",
                                                  "DisconnectPRN"};
        EXPECT_EQ(Journal, refresh);
        EXPECT_TRUE(std::filesystem::exists(BonFolder() + "FPInfo.txt"));
        EXPECT_EQ(
            Occurrences(LogText(), "[ERROR]Invalid receipt file extension \"" + ext + "\"\r\n"),
            1u);
    }
}

TEST_F(FileLoopTest, AnInformationFileThatCannotBeWrittenWaitsForTheNextRefresh) {
    Started();
    // A folder in its place, which no rights let the program replace.
    const std::string blocked = BonFolder() + "FPInfo.txt";
    std::filesystem::create_directory(blocked);
    Put(blocked + "/keep", "x");
    const auto refreshes = [this] {
        return std::count(Journal.begin(), Journal.end(), "ReadPrinterInfo 1");
    };
    const std::string failure = "[ERROR]Cannot create file \"" + blocked + "\"";
    Tick();
    Clock += 1.0 / 1440;
    Tick();
    EXPECT_EQ(refreshes(), 1);
    EXPECT_EQ(Journal.back(), "DisconnectPRN");
    Clock += 21.0 / 1440;
    Tick();
    EXPECT_EQ(refreshes(), 2);
    EXPECT_EQ(Occurrences(LogText(), failure), 1u);

    std::filesystem::remove_all(blocked);
    Clock += 21.0 / 1440;
    Tick();
    EXPECT_EQ(refreshes(), 3);
    EXPECT_TRUE(std::filesystem::is_regular_file(blocked));
    // Once written again, a new failure is logged again.
    std::filesystem::remove(blocked);
    std::filesystem::create_directory(blocked);
    Put(blocked + "/keep", "x");
    Clock += 21.0 / 1440;
    Tick();
    EXPECT_EQ(Occurrences(LogText(), failure), 2u);
}

TEST_F(FileLoopTest, FailedConnectionShowsTheErrorState) {
    TMainForm& form = Started();
    Printer->ConnectAnswers = false;
    Receipt("a.bon", 60);
    Tick();
    EXPECT_EQ(form.TrayIconIndex(), 1);
    EXPECT_EQ(form.TrayIcon->toolTip(), "Няма връзка или повреда във фискалния принтер!");
    EXPECT_EQ(form.lblComError->text(), form.TrayIcon->toolTip());
    EXPECT_EQ(form.pAction->text(), form.TrayIcon->toolTip());
    EXPECT_FALSE(form.imgError->isHidden());
    ASSERT_NE(CurrentHint(), nullptr);
    EXPECT_EQ(CurrentHint()->Kind, 1);
    // The printer's own report, made on the driver thread, comes first.
    const std::string log = LogText();
    const size_t reported = log.find("[INFO]FP ERROR.ConnectTCP 127.0.0.1/4999 failed:  refused");
    ASSERT_NE(reported, std::string::npos);
    EXPECT_NE(log.find("[ERROR]Faled connect to \"127.0.0.1/4999\"", reported), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(BonFolder() + "FPInfo.txt"));
    // The next good connection clears the error, but not the status text.
    Printer->ConnectAnswers = true;
    Tick();
    EXPECT_EQ(form.TrayIconIndex(), 0);
    EXPECT_EQ(form.lblComError->text(), "-");
    EXPECT_TRUE(form.imgError->isHidden());
    EXPECT_EQ(form.pAction->text(), "Няма връзка или повреда във фискалния принтер!");
}

TEST_F(FileLoopTest, EveryDriverCallComesFromOneThreadBesideTheWindows) {
    std::set<std::thread::id> versionThreads;
    Services.DriverVersion = [&versionThreads] {
        versionThreads.insert(std::this_thread::get_id());
        return std::string("1.0.0.1");
    };
    TMainForm& form = Started();
    Receipt("a.bon", 60);
    Tick();
    TModalAnswerer answerer;
    form.mnDayReportNoReset->trigger();
    EXPECT_EQ(std::count(Journal.begin(), Journal.end(), "ProcessFiles a.bon"), 1);
    EXPECT_EQ(Journal.back(), "DisconnectPRN");
    ASSERT_EQ(Printer->Threads.size(), 1u);
    EXPECT_NE(*Printer->Threads.begin(), std::this_thread::get_id());
    EXPECT_EQ(versionThreads, Printer->Threads);
}

TEST_F(MainFormTest, InvalidAddressFailsWithoutADriverCall) {
    WriteIni("[Connection-IP]\r\nip_address=127.0.1\r\n[OTHER]\r\nuse_tcp=1\r\n");
    TModalAnswerer answerer;  // the settings check complains at start
    Started();
    Journal.clear();
    EXPECT_FALSE(Form().ConnectPrinter(false));
    EXPECT_TRUE(Journal.empty());
    EXPECT_NE(LogText().find("[ERROR]IP address is not valid."), std::string::npos);
}

TEST_F(MainFormTest, PortSearchPrefersAListedSerialNumber) {
    WriteIni("[Connection-RS]\r\ncomport=COM1\r\ndevices_to_workwith=XX9,ED0777\r\n");
    Started();
    Printer->SerialOnPort = {{"COM1", "ED0001"}, {"COM3", "ed0777"}};
    std::string serial;
    EXPECT_TRUE(Form().AutoSearchPort(serial));
    EXPECT_EQ(Settings().ComPort, "COM3");
    EXPECT_EQ(serial, "ed0777");
    // Without a match the configured port, tried first, wins.
    Settings().ComPort = "COM1";
    Settings().DevicesToWorkWith.clear();
    EXPECT_TRUE(Form().AutoSearchPort(serial));
    EXPECT_EQ(Settings().ComPort, "COM1");
    EXPECT_NE(LogText().find("Device not found. Will use first available printer on port: COM1"),
              std::string::npos);
    EXPECT_NE(LogText().find("Checking for fiscal device on port:\"COM2\".  Fali to connect."),
              std::string::npos);
}

TEST_F(MainFormTest, ConnectionTestPutsTheSettingsBack) {
    Started();
    TModalAnswerer answerer;
    Form().TestConnection("COM2", 9600);
    EXPECT_EQ(Journal.front(), "ConnectRS232 COM2/9600");
    EXPECT_EQ(answerer.Texts, QStringList{"Успешен тест на фискалния притера."});
    EXPECT_TRUE(Settings().UseTCP);
    EXPECT_EQ(Settings().BaudRate, 115200);
}

// An object whose event handler fails.
class TFailingObject : public QObject {
public:
    bool event(QEvent*) override { throw std::runtime_error("out of paper"); }
};

class TAbortingObject : public QObject {
public:
    bool event(QEvent*) override { throw EAbort("silent"); }
};

TEST_F(MainFormTest, ExceptionsOfEventHandlersAreLoggedNeverShown) {
    Started();
    TFailingObject failing;
    TAbortingObject aborting;
    TModalAnswerer answerer;
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(&failing, &event);
    QCoreApplication::sendEvent(&aborting, &event);
    EXPECT_TRUE(answerer.Texts.isEmpty());
    EXPECT_NE(LogText().find("[INFO]ApplicationException.QObject. out of paper"),
              std::string::npos);
    EXPECT_EQ(LogText().find("silent"), std::string::npos);
}

}  // namespace
