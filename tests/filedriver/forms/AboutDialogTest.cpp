#include "AboutDialog.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <QMouseEvent>
#include <fstream>

#include "ConstUnit.h"
#include "DialogTestSupport.h"

namespace {

class AboutTest : public DialogTest {
protected:
    void TearDown() override {
        unsetenv("KALVORA_SHELL_OPEN");
        DialogTest::TearDown();
    }

    // A handler that writes the address it was given into a pipe that the test waits on.
    int OpenHandlerPipe() {
        const std::string pipe = Path("opened");
        const std::string handler = Path("handler.sh");
        EXPECT_EQ(mkfifo(pipe.c_str(), 0600), 0);
        std::ofstream(handler) << "#!/bin/sh\nprintf '%s' \"$1\" > '" << pipe << "'\n";
        chmod(handler.c_str(), 0700);
        setenv("KALVORA_SHELL_OPEN", handler.c_str(), 1);
        return open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    }
};

TEST_F(AboutTest, ShowsTheProgramAndItsVersionWhateverTheFileSays) {
    platform::TIniFile(lng_).WriteString("AboutDlg", "lblVerCOM", "9.9");
    platform::TIniFile(lng_).WriteString("AboutDlg", "btnClose", "Close");
    platform::TIniFile(lng_).WriteString("AboutDlg", "ProgramIcon", "Never");
    TAboutDlg about(lng_);
    EXPECT_EQ(Child<QLabel>(about, "lblProgName")->text(), "-");
    about.show();
    EXPECT_EQ(Child<QLabel>(about, "lblProgName")->text().toStdString(), GetModulePath(true));
    EXPECT_EQ(Child<QLabel>(about, "lblVerCOM")->text().toStdString(), GetModuleVersion());
    EXPECT_EQ(Child<QWidget>(about, "btnClose")->property("text").toString(), "Close");
    const QLabel* picture = Child<QLabel>(about, "ProgramIcon");
    EXPECT_TRUE(picture->text().isEmpty());
    EXPECT_FALSE(picture->pixmap().isNull());

    const QString rights = Child<QLabel>(about, "Copyright")->text();
    EXPECT_TRUE(rights.contains("Kalvora") && rights.contains("Ostrelin"));
    const QLabel* web = Child<QLabel>(about, "LabelWeb");
    EXPECT_EQ(web->toolTip(), web->text());
    EXPECT_TRUE(web->text().contains("kalvora"));

    const std::vector<std::string> keys = Keys("AboutDlg");
    for (const char* key : {"AboutDlg", "ProductName", "Copyright"}) {
        EXPECT_TRUE(Contains(keys, key)) << key;
    }
    EXPECT_FALSE(Contains(keys, "LabelWeb"));
    EXPECT_FALSE(Contains(keys, "lblProgName"));
}

TEST_F(AboutTest, ClickOnTheWebAddressOpensIt) {
    const int pipe = OpenHandlerPipe();
    ASSERT_GE(pipe, 0);
    TAboutDlg about(lng_);
    QLabel* web = Child<QLabel>(about, "LabelWeb");
    EXPECT_EQ(web->cursor().shape(), Qt::PointingHandCursor);
    const QPointF at(2, 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, web->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(web, &release);

    pollfd ready{pipe, POLLIN, 0};
    ASSERT_EQ(poll(&ready, 1, 10000), 1);
    std::string opened;
    char buffer[256];
    for (ssize_t n; (n = read(pipe, buffer, sizeof buffer)) > 0;) {
        opened.append(buffer, static_cast<size_t>(n));
        poll(&ready, 1, 10000);
    }
    close(pipe);
    EXPECT_EQ(QString::fromStdString(opened), web->toolTip());
}

}  // namespace
