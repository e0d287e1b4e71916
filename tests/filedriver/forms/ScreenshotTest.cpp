// The main window on a real X server: a screenshot of the screen shows it, not a blank, and its
// moving bar moves there while the printer works; boxes opened meanwhile hold no work up and let
// none in.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <semaphore>

#include "AboutDialog.h"
#include "ConstUnit_Program.h"
#include "FakePrinter.h"
#include "MainUnit.h"
#include "OstrelinApp.h"
#include "StrResUnit.h"
#include "TestFolder.h"

namespace {

// An Xvfb of the test's own on a free display, which it names through a pipe once it serves.
class TXServer {
public:
    TXServer() {
        // Servers starting side by side may race for one display; the loser ends.
        for (int attempt = 0; attempt < 3 && Display.empty(); ++attempt) {
            Start();
        }
    }
    ~TXServer() { Stop(); }
    std::string Display;  // empty: no X server could be started

private:
    void Start() {
        Stop();
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        FPid = ::fork();
        if (FPid == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, STDERR_FILENO);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        // The display number and a line end, once the server accepts clients.
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (!number.empty() && number.find_first_not_of("0123456789") == std::string::npos) {
            Display = ":" + number;
        }
    }
    void Stop() {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
        FPid = -1;
    }
    pid_t FPid = -1;
};

// The program's window on an X server of the test's own, against a fake printer; skipped where
// Xvfb is missing.
class XServerTest : public TestFolder {
protected:
    void SetUp() override {
        TestFolder::SetUp();
        if (std::system("command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        Server = std::make_unique<TXServer>();
        ASSERT_FALSE(Server->Display.empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", Server->Display.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        ResetSettings();
        ResetLngMessages();
        GlobalLogger.reset();
        Put(Path("Ostrelin.ini"),
            "[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=4999\r\n[OTHER]\r\nuse_tcp=1\r\n");
        App = std::make_unique<TOstrelinApp>(Argc, Argv);
        Services.DriverVersion = [] { return std::string("1.0.0.1"); };
        Services.CreatePrinter = [this] {
            auto made = std::make_unique<TFakePrinter>(Journal);
            Printer = made.get();
            return made;
        };
    }
    void TearDown() override {
        Form.reset();
        App.reset();
        Server.reset();
        GlobalLogger.reset();
        ResetSettings();
        TestFolder::TearDown();
    }
    // The window after its start-up, on the screen.
    TMainForm& Shown() {
        Form = std::make_unique<TMainForm>(Path("Ostrelin"), Services);
        Form->show();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !Form->FirstActivatePending(); }, 10000));
        Form->RestoreFromTray();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Form.get(), 10000));
        return *Form;
    }
    bool Printed(const std::string& Call) const {
        return std::find(Journal.begin(), Journal.end(), Call) != Journal.end();
    }

    std::unique_ptr<TXServer> Server;
    int Argc = 1;
    char Name[9] = "Ostrelin";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<TOstrelinApp> App;
    TMainFormServices Services;
    std::vector<std::string> Journal;
    TFakePrinter* Printer = nullptr;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(XServerTest, TheMainWindowAndItsMovingBarAreDrawnOnTheScreen) {
    TMainForm& form = Shown();
    // The window as the X server shows it: the screen's pixels, not a rendering of ours.
    QImage shot;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shot = QGuiApplication::primaryScreen()
                       ->grabWindow(0, form.x(), form.y(), form.width(), form.height())
                       .toImage();
            QSet<QRgb> colours;
            for (int y = 0; y < shot.height(); y += 4) {
                for (int x = 0; x < shot.width(); x += 4) {
                    colours.insert(shot.pixel(x, y));
                }
            }
            return colours.size() > 8;
        },
        10000));
    EXPECT_GE(shot.width(), 521);
    // Placed in the middle of the screen, with no frame from a window manager here.
    const QPoint offset = form.geometry().center() - form.screen()->geometry().center();
    EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();

    // While a batch waits on the printer, the bar moves on the screen: the printer's
    // answer is held back until several different pictures of the bar were seen.
    std::binary_semaphore answer(0);
    Printer->DuringOperation = [&answer] { answer.acquire(); };
    Put(Path("Reciepts/a.bon"), ":Hello\r\n");
    const QRect bar(form.pMarque->mapToGlobal(QPoint(0, 0)), form.pMarque->size());
    QSet<QByteArray> pictures;
    bool green = false;
    QElapsedTimer waited;
    waited.start();
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!form.Busy()) {
            return;
        }
        const QImage picture = QGuiApplication::primaryScreen()
                                   ->grabWindow(0, bar.x(), bar.y(), bar.width(), bar.height())
                                   .toImage();
        pictures.insert(
            QByteArray(reinterpret_cast<const char*>(picture.constBits()), picture.sizeInBytes()));
        green =
            green || picture.pixelColor(bar.width() / 2, bar.height() / 2) == QColor(0, 0x80, 0);
        if ((pictures.size() >= 3 && green) || waited.elapsed() > 10000) {
            probe.stop();
            answer.release();
        }
    });
    probe.start(40);
    form.FileReadTimerTimer();
    EXPECT_GE(pictures.size(), 3);
    EXPECT_TRUE(green);
    EXPECT_TRUE(Printed("ProcessFiles a.bon"));
}

TEST_F(XServerTest, NeitherTheAboutBoxNorTheFilesItemBreaksIntoWork) {
    Services.ShowAboutDialog = [this](QWidget* Parent) {
        ShowAboutDialog(Parent, Path("Ostrelin.Lng"));
    };
    TMainForm& form = Shown();

    // The about box chosen while a batch waits on the printer: the batch ends behind it.
    Put(Path("Reciepts/a.bon"), ":Hello\r\n");
    {
        TInsideOperation about(*Printer, [&form] { form.MainMenuAbout->trigger(); });
        form.FileReadTimerTimer();
    }
    EXPECT_TRUE(Printed("ProcessFiles a.bon"));
    auto* about = qobject_cast<TAboutDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(about, 10000));
    about->close();
    std::filesystem::remove(Path("Reciepts/a.bon"));

    // "Печат на файлове" while the diagnostic print's box waits, its file timer running: the
    // busy warning, and the file dropped meanwhile prints behind the box.
    form.FileReadTimer->setInterval(10);
    int ticks = 0;
    QObject::connect(form.FileReadTimer, &QTimer::timeout, [&ticks] { ++ticks; });
    QMessageBox* box = nullptr;
    QString warning;
    bool takenInside = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (box == nullptr) {
            box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr) {
                Put(Path("Reciepts/b.bon"), ":Hello\r\n");
                form.mnDoFiles->trigger();
                warning = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())->text();
                ticks = 0;
            }
        } else if (ticks >= 5) {
            watch.stop();
            takenInside = Printed("ProcessFiles b.bon");
            box->button(QMessageBox::Ok)->click();
        }
    });
    watch.start(10);
    form.spbTestPrn->trigger();
    EXPECT_EQ(warning, "Моля, изчакайте да завърши текущата задача.");
    EXPECT_TRUE(takenInside);
}

}  // namespace
