// SIGTERM, SIGINT and SIGHUP end the program as a confirmed Exit does, once the work under way
// is done; the signals are raised in this process.
#include <signal.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <semaphore>

#include "ExitSignals.h"
#include "MainFormFixture.h"

namespace {

class ExitSignalTest : public MainFormTest {
protected:
    // The window started, with the signals turned into its exit.
    TMainForm& StartedWithSignals() {
        TMainForm& form = Started();
        QObject::connect(&Signals, &TExitSignals::Received, &form, &TMainForm::RequestExit);
        Closed = std::make_unique<QSignalSpy>(&form, &TMainForm::Closed);
        return form;
    }
    bool WaitClosed() {
        return QTest::qWaitFor([this] { return Closed->count() > 0; });
    }
    size_t ClosedLines() const {
        const std::string log = LogText();
        size_t count = 0;
        for (size_t at = log.find("Application closed"); at != std::string::npos;
             at = log.find("Application closed", at + 1)) {
            ++count;
        }
        return count;
    }

    TExitSignals Signals;
    std::unique_ptr<QSignalSpy> Closed;
};

TEST_F(ExitSignalTest, ASignalDuringABatchEndsTheProgramOnceTheFileUnderWayIsDone) {
    TMainForm& form = StartedWithSignals();
    Put(BonFolder() + "a.bon", ":Hello\r\n");
    // SIGTERM comes while the receipt prints; a SIGHUP follows once it was taken, and only then
    // does the printer answer.
    std::binary_semaphore answer(0);
    int received = 0;
    QObject::connect(&Signals, &TExitSignals::Received, [&received, &answer] {
        if (++received == 1) {
            ::raise(SIGHUP);
        } else {
            answer.release();
        }
    });
    // The batch is told to take no further file before the file under way ends.
    bool stopped = false;
    Printer->DuringOperation = [this, &answer, &stopped] {
        ::raise(SIGTERM);
        answer.acquire();
        stopped = Printer->StopAsked;
    };
    form.FileReadTimerTimer();
    EXPECT_EQ(Closed->count(), 0);
    EXPECT_EQ(received, 2);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(std::count(Journal.begin(), Journal.end(), "ProcessFiles a.bon"), 1);
    ASSERT_TRUE(WaitClosed());
    EXPECT_EQ(Journal.back(), "DisconnectPRN");
    EXPECT_EQ(ClosedLines(), 1u);
}

TEST_F(ExitSignalTest, ASignalWhileAnActionWaitsForTheUserCancelsWhatWaits) {
    const struct {
        const char* item;
        int signal;
        std::vector<std::string> journal;
    } rows[] = {
        // The success box closes; the action ends as when it is answered.
        {"mnDayReportNoReset",
         SIGTERM,
         {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 0", "RunManualReport 0 0 0 0-0",
          "DisconnectPRN"}},
        // The amount is never given: nothing is sent.
        {"NSumIn", SIGINT, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.item);
        FForm.reset();
        TMainForm& form = StartedWithSignals();
        Journal.clear();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&probe, &row] {
            if (QApplication::activeModalWidget() != nullptr) {
                probe.stop();
                ::raise(row.signal);
            }
        });
        probe.start(1);
        form.findChild<QAction*>(row.item)->trigger();
        ASSERT_TRUE(WaitClosed());
        EXPECT_EQ(Journal, row.journal);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    EXPECT_EQ(ClosedLines(), 2u);
}

}  // namespace
