// The main window on a real X server: a screenshot of the screen shows it, not a blank.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QScreen>
#include <QSet>
#include <QTest>
#include <cstdlib>
#include <filesystem>

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

class ScreenshotTest : public TestFolder {};

TEST_F(ScreenshotTest, TheMainWindowIsDrawnOnTheScreen) {
    if (std::system("command -v Xvfb >/dev/null") != 0) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    TXServer server;
    ASSERT_FALSE(server.Display.empty()) << "Xvfb did not start";
    ::setenv("DISPLAY", server.Display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    ResetSettings();
    ResetLngMessages();
    GlobalLogger.reset();
    Put(Path("Ostrelin.ini"),
        "[Connection-IP]\r\nip_address=127.0.0.1\r\ntcp_port=4999\r\n[OTHER]\r\nuse_tcp=1\r\n");
    int argc = 1;
    char name[] = "Ostrelin";
    char* argv[] = {name, nullptr};
    TOstrelinApp app(argc, argv);
    std::vector<std::string> journal;
    TMainFormServices services;
    services.DriverVersion = [] { return std::string("1.0.0.1"); };
    services.CreatePrinter = [&journal] { return std::make_unique<TFakePrinter>(journal); };
    {
        TMainForm form(Path("Ostrelin"), services);
        form.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.FirstActivatePending(); }, 10000));
        form.RestoreFromTray();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, 10000));
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
    }
    GlobalLogger.reset();
    ResetSettings();
}

}  // namespace
