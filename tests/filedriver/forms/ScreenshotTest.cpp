// The main window on a real X server: a screenshot of the screen shows it, not a blank.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QScreen>
#include <QSet>
#include <QTest>
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
        char buffer[32] = {};
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer - 1);
        ::close(fds[0]);
        if (n > 0) {
            Display = ":" + std::string(buffer, static_cast<size_t>(n - 1));
        }
    }
    ~TXServer() {
        if (FPid > 0) {
            ::kill(FPid, SIGTERM);
            ::waitpid(FPid, nullptr, 0);
        }
    }
    std::string Display;  // empty: no X server could be started

private:
    pid_t FPid = -1;
};

class ScreenshotTest : public TestFolder {};

TEST_F(ScreenshotTest, TheMainWindowIsDrawnOnTheScreen) {
    TXServer server;
    if (server.Display.empty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
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
    }
    GlobalLogger.reset();
    ResetSettings();
}

}  // namespace
