// The program as a user runs it: the driver registered from the program folder, the printer
// access object of the engine, the emulator on 127.0.0.1.
#include <stdlib.h>

#include <QThread>
#include <QTimer>
#include <filesystem>
#include <set>
#include <utility>

#include "ConstUnit_Program.h"
#include "Emulator.h"
#include "MainFormFixture.h"
#include "ProgramServices.h"

namespace {

class ProgramEndToEndTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        ::setenv("KALVORA_REGISTRY", Path("registry").c_str(), 1);
        Emulator = fpemu::Emulator::StartTcp();
        WriteIni("[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=" +
                 std::to_string(Emulator->Port()) +
                 "\r\n[OTHER]\r\nuse_tcp=1\r\ncheck_prn_interval=0\r\n");
        std::filesystem::copy_file(KALVORA_PATH, Path("Kalvora.so"));
        Services = ProgramServices();
        Services.Now = [this] { return Clock; };
    }
    void TearDown() override {
        FForm.reset();
        Emulator->Stop();
        ::unsetenv("KALVORA_REGISTRY");
        MainFormTest::TearDown();
    }
    bool Printed(const std::string& Text) const {
        for (const std::string& line : Emulator->Journal()) {
            if (line.find(Text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::unique_ptr<fpemu::Emulator> Emulator;
};

TEST_F(ProgramEndToEndTest, FirstStartRegistersTheDriverAndAnswersReceiptFiles) {
    TMainForm& form = Started();
    EXPECT_NE(LogText().find("[INFO]AX driver succsesfully registred: " + Path("Kalvora.so")),
              std::string::npos);
    Put(BonFolder() + "a.bon", "%7^Bread^1.50^2^1\r\n#E1^3\r\n");
    form.FileReadTimerTimer();
    const std::string rep = Get(BonFolder() + "a.rep");
    EXPECT_NE(rep.find("Reciept No: "), std::string::npos) << LogText();
    EXPECT_NE(rep.find("%7^Bread^1.50^2^1\r\n#E1^3\r\n"), std::string::npos);
    EXPECT_TRUE(Printed("Bread"));
    EXPECT_EQ(form.lblModelName->text().toStdString(), form.PrinterObject()->PrnInfo().Model);
    EXPECT_NE(form.lblLastDoc->text(), "0");
    const std::string info = Get(BonFolder() + "FPInfo.txt");
    EXPECT_EQ(info.rfind("Fiscal device name   : " + form.PrinterObject()->PrnInfo().Model, 0), 0u);
    EXPECT_EQ(std::count(info.begin(), info.end(), '\n'), 4);
}

TEST_F(ProgramEndToEndTest, MenuActionsReachThePrinter) {
    TMainForm& form = Started();
    TModalAnswerer answerer;
    form.mnDayReportNoReset->trigger();
    form.spbEmptyBon->trigger();
    EXPECT_EQ(answerer.Texts, QStringList({"Изпълнението на задачата приключи успешно.",
                                           "Изпълнението на задачата приключи успешно."}));
    EXPECT_TRUE(Printed("Empty"));
}

TEST_F(ProgramEndToEndTest, TheWindowPaintsAndAnswersWhileASlowPrinterPrints) {
    TMainForm& form = Started();
    form.RestoreFromTray();
    // The receipt's first two commands are answered with SYN for two seconds each, after the
    // frames that connecting takes.
    Emulator->ClearFrames();
    ASSERT_TRUE(form.ConnectPrinter(false));
    form.DisconnectPrinter();
    const size_t connecting = Emulator->Frames().size();
    Emulator->Script("normal*" + std::to_string(connecting) + ",syn:50:2000*2");
    Put(BonFolder() + "a.bon", "%7^Bread^1.50^2^1\r\n#E1^3\r\n");

    std::set<std::pair<int, int>> positions;
    int paintedAtStart = -1;
    int painted = 0;
    bool clicked = false;
    TModalAnswerer answerer;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!form.Busy()) {
            return;
        }
        const TBarFrame frame = form.pMarque->LastFrame();
        positions.insert({frame.L, frame.R});
        if (paintedAtStart < 0) {
            paintedAtStart = form.pMarque->PaintedFrames();
        }
        painted = form.pMarque->PaintedFrames() - paintedAtStart;
        if (positions.size() == 3 && !clicked) {
            clicked = true;
            form.mnPRNInfo->trigger();
        }
    });
    probe.start(50);
    form.FileReadTimerTimer();
    probe.stop();
    answerer.Settle();

    EXPECT_NE(Get(BonFolder() + "a.rep").find("Reciept No: "), std::string::npos) << LogText();
    EXPECT_TRUE(Printed("Bread"));
    EXPECT_GE(positions.size(), 10u);
    EXPECT_GE(painted, 10);
    EXPECT_EQ(form.pMarque->PaintThread(), QThread::currentThread());
    EXPECT_EQ(answerer.Texts, QStringList{"Моля, изчакайте да завърши текущата задача."});
    EXPECT_EQ(Emulator->ScriptedAnswers(), 0);
}

}  // namespace
