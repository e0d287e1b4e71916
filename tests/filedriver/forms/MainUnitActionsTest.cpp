#include <QAbstractButton>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <semaphore>
#include <utility>

#include "AboutDialog.h"
#include "ConstUnit_Program.h"
#include "MainFormFixture.h"
#include "StrResUnit.h"

namespace {

const QString kFinishedOK = "Изпълнението на задачата приключи успешно.";
const QString kErrorOccurred = "Възникна грешка при изпълнение на операцията.";
const QString kActiveTask = "Моля, изчакайте да завърши текущата задача.";
const QString kUnsettledFile =
    "Файл с бон все още се уточнява с принтера. Моля, опитайте отново след малко.";

class MenuActionTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        Services.SelectReportPeriod = [this](TReportPeriod& Period) {
            Period = ChosenPeriod;
            return PeriodChosen;
        };
        Services.ShowDepartments = [](TDepartmentTable& Table) {
            Table[6].DepName = "Bread";
            Table[6].Edited = true;
            return true;
        };
    }
    // Runs a menu item against the fake printer; the journal and the boxes it showed.
    QStringList Run(QAction* Item, const QString& Input = "0") {
        Journal.clear();
        TModalAnswerer answerer(Input);
        Item->trigger();
        answerer.Settle();
        return answerer.Texts;
    }
    TReportPeriod ChosenPeriod;
    bool PeriodChosen = true;
};

TEST_F(MenuActionTest, DeviceActionsRunTheirOperationInsideTheFrame) {
    TMainForm& form = Started();
    const struct {
        QAction* item;
        std::string operation;
    } rows[] = {
        {form.mnDayReportReset, "RunManualReport 1 0 0 0-0"},
        {form.mnDayReportNoReset, "RunManualReport 0 0 0 0-0"},
        {form.mnDepartRpt, "RunManualReport 3 0 0 0-0"},
        {form.mnDepartRptReset, "RunManualReport 3 1 0 0-0"},
        {form.spbEmptyBon, "PrintTestReceipt"},
        {form.CopyLastBon, "CopyLastReceipt"},
        {form.spbTestPrn, "PrintDiagReceipt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.operation);
        EXPECT_EQ(Run(row.item), QStringList{kFinishedOK});
        const std::vector<std::string> expected = {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 0",
                                                   row.operation, "DisconnectPRN"};
        EXPECT_EQ(Journal, expected);
        EXPECT_EQ(form.lblLastTaskName->text(), row.item->text());
        EXPECT_EQ(form.lblCurrentTaskName->text(), "-");
        EXPECT_TRUE(form.FileReadTimer->isActive());
    }
}

TEST_F(MenuActionTest, FailuresShowTheErrorBoxAndKeepTheConnection) {
    TMainForm& form = Started();
    Printer->OperationsAnswer = false;
    EXPECT_EQ(Run(form.CopyLastBon), QStringList{kErrorOccurred});
    EXPECT_EQ(Journal.back(), "CopyLastReceipt");
    Printer->ConnectAnswers = false;
    EXPECT_EQ(
        Run(form.mnDayReportNoReset),
        QStringList{kErrorOccurred + "\nМоля проверете принтера и свързването му с компютъра."});
    EXPECT_EQ(Journal.size(), 1u);
}

TEST_F(MenuActionTest, ActionsAreRefusedWhileATickRuns) {
    TMainForm& form = Started();
    form.SetBusy(true);
    Journal.clear();
    // The click returns while its warning is still open, so the tick goes on meanwhile.
    form.mnPRNInfo->trigger();
    auto* warning = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->text(), kActiveTask);
    warning->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(Journal.empty());
    EXPECT_EQ(form.lblCurrentTaskName->text(), "Няма активна задача");
}

TEST_F(MenuActionTest, NoFileTickRunsInsideAnActionButBehindTheTestPrintsBox) {
    std::function<void()> whileOpen;
    // The department dialog keeps the printer connected while it is open.
    Services.ShowDepartments = [&whileOpen](TDepartmentTable& Table) {
        whileOpen();
        Table[6].DepName = "Bread";
        Table[6].Edited = true;
        return true;
    };
    TMainForm& form = Started();
    const struct {
        QAction* item;
        std::string operation;
        int takenInside;
    } rows[] = {
        // Its printer work done, files print while its box is open.
        {form.spbTestPrn, "PrintDiagReceipt", 1},
        {form.mnDayReportNoReset, "RunManualReport 0 0 0 0-0", 0},
        {form.mnDepartments, "WriteDepartment 7 Bread", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.operation);
        form.chkProcessPause->setChecked(true);
        Journal.clear();
        bool opened = false;
        bool unchanged = false;
        // A file dropped, "Печат на файлове" chosen, the pause box unticked and a tick, all
        // while the action's box or dialog waits for the user.
        whileOpen = [&] {
            if (std::exchange(opened, true)) {
                return;
            }
            Put(BonFolder() + "a.bon", ":Hello\r\n");
            const bool timer = form.FileReadTimer->isActive();
            form.mnDoFiles->trigger();
            unchanged =
                form.chkProcessPause->isChecked() && form.FileReadTimer->isActive() == timer;
            form.chkProcessPause->setChecked(false);
            form.FileReadTimerTimer();
        };
        TModalAnswerer answerer;
        answerer.WhileOpen = whileOpen;
        row.item->trigger();
        answerer.Settle();
        EXPECT_TRUE(opened);
        EXPECT_TRUE(unchanged);
        EXPECT_TRUE(answerer.Texts.contains(kActiveTask));
        EXPECT_NE(std::find(Journal.begin(), Journal.end(), row.operation), Journal.end());
        EXPECT_EQ(std::count(Journal.begin(), Journal.end(), "ProcessFiles a.bon"),
                  row.takenInside);
        EXPECT_EQ(Journal.back(), "DisconnectPRN");
        form.FileReadTimerTimer();
        EXPECT_EQ(std::count(Journal.begin(), Journal.end(), "ProcessFiles a.bon"),
                  row.takenInside + 1);
        std::filesystem::remove(BonFolder() + "a.bon");
    }
}

TEST_F(MenuActionTest, PrintingActionsAreRefusedWhileAReceiptFileIsUnsettled) {
    TMainForm& form = Started();
    Printer->FilesWaiting = true;
    for (QAction* item : {form.mnDayReportReset, form.mnDayReportNoReset, form.mnDepartRpt,
                          form.mnDepartRptReset, form.mnFiskMemory, form.NSumIn, form.NSumOut,
                          form.spbEmptyBon, form.CopyLastBon, form.spbTestPrn}) {
        SCOPED_TRACE(item->objectName().toStdString());
        // Refused before the amount is asked for or the printer connected.
        EXPECT_EQ(Run(item, "5"), QStringList{kUnsettledFile});
        EXPECT_TRUE(Journal.empty());
    }
    // The device information and the departments print nothing: not refused.
    EXPECT_EQ(Run(form.mnPRNInfo).size(), 1);
    EXPECT_EQ(Journal.at(2), "ReadPrinterInfo 1");
    Run(form.mnDepartments);
    EXPECT_EQ(Journal.at(2), "ReadDepartment 1..99");
    Printer->FilesWaiting = false;
    EXPECT_EQ(Run(form.spbEmptyBon), QStringList{kFinishedOK});
}

TEST_F(MenuActionTest, TheAboutBoxOpenedDuringABatchNeverStallsIt) {
    Services.ShowAboutDialog = [this](QWidget* Parent) {
        ShowAboutDialog(Parent, Path("Ostrelin.Lng"));
    };
    TMainForm& form = Started();
    Put(BonFolder() + "a.bon", ":Hello\r\n");
    {
        TInsideOperation about(*Printer, [&form] { form.PMenuAbout->trigger(); });
        form.FileReadTimerTimer();
    }
    // The batch has ended, and a file dropped next is taken, with the box still open.
    Put(BonFolder() + "b.bon", ":Hello\r\n");
    form.FileReadTimerTimer();
    auto* about = qobject_cast<TAboutDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_NE(std::find(Journal.begin(), Journal.end(), "ProcessFiles a.bon b.bon"), Journal.end());
    about->close();
}

TEST_F(MenuActionTest, WhileAnActionTalksToThePrinterTicksWaitAndClicksAreRefused) {
    TMainForm& form = Started();
    Put(BonFolder() + "a.bon", ":Hello\r\n");
    Journal.clear();
    // The operation waits on the driver thread until the window has had its tick and click.
    std::atomic<bool> inside{false};
    std::binary_semaphore release(0);
    Printer->DuringOperation = [&] {
        inside = true;
        release.acquire();
    };
    size_t journalInside = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!inside) {
            return;
        }
        probe.stop();
        journalInside = Journal.size();
        form.FileReadTimerTimer();
        form.mnPRNInfo->trigger();
        release.release();
    });
    probe.start(1);
    TModalAnswerer answerer;
    form.spbTestPrn->trigger();
    answerer.Settle();
    EXPECT_EQ(journalInside, 3u);
    // The warning is not waited for, so the action's box may be answered first.
    answerer.Texts.sort();
    EXPECT_EQ(answerer.Texts, QStringList({kFinishedOK, kActiveTask}));
    const std::vector<std::string> expected = {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 0",
                                               "PrintDiagReceipt", "DisconnectPRN"};
    EXPECT_EQ(Journal, expected);
    EXPECT_TRUE(std::filesystem::exists(BonFolder() + "a.bon"));
}

TEST_F(MenuActionTest, InformationBoxShowsTheDevice) {
    TMainForm& form = Started();
    EXPECT_EQ(Run(form.mnPRNInfo),
              QStringList{"Информация за устройството.\nFP-55/ED000123\n15.03.2023 18:00"});
}

TEST_F(MenuActionTest, CashOutIsAlwaysAWithdrawal) {
    TMainForm& form = Started();
    const struct {
        QAction* item;
        QString typed;
        std::string sent;  // empty: refused
    } rows[] = {
        {form.NSumIn, "12.50", "SumInOut 12.5"},
        {form.NSumIn, "-3", "SumInOut -3"},
        {form.NSumOut, "12.50", "SumInOut -12.5"},
        {form.NSumOut, "-3", "SumInOut -3"},
        {form.NSumOut, "0.00", ""},
        {form.NSumIn, "abc", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        const QStringList boxes = Run(row.item, row.typed);
        ASSERT_FALSE(boxes.isEmpty());
        EXPECT_EQ(boxes[0], "Моля, въведете сума ");
        if (row.sent.empty()) {
            EXPECT_EQ(boxes.value(1), "Въведена е невалидна стойност.");
            EXPECT_TRUE(Journal.empty());
        } else {
            EXPECT_EQ(boxes.size(), 1);
            EXPECT_EQ(Journal.at(2), row.sent);
            EXPECT_EQ(Journal.back(), "DisconnectPRN");
        }
    }
}

TEST_F(MenuActionTest, FiscalMemoryReportByBlocksOrDates) {
    TMainForm& form = Started();
    PeriodChosen = false;
    EXPECT_TRUE(Run(form.mnFiskMemory).isEmpty());
    EXPECT_TRUE(Journal.empty());
    EXPECT_EQ(form.lblCurrentTaskName->text(), "Няма активна задача");
    PeriodChosen = true;
    ChosenPeriod = {true, true, 3, 7, 0, 0};
    Run(form.mnFiskMemory);
    EXPECT_EQ(Journal.at(2), "RunManualReport 6 1 0 3-7");
    ChosenPeriod = {false, true, 1, 1, 45000, 45001};
    Run(form.mnFiskMemory);
    EXPECT_EQ(Journal.at(2), "RunManualReport 2 0 1 0-0");
}

TEST_F(MenuActionTest, DepartmentsAreReadAndTheEditedOnesWritten) {
    TMainForm& form = Started();
    EXPECT_TRUE(Run(form.mnDepartments).isEmpty());
    const std::vector<std::string> expected = {"ConnectTCP 127.0.0.1/4999", "ReadPrinterInfo 0",
                                               "ReadDepartment 1..99", "WriteDepartment 7 Bread",
                                               "DisconnectPRN"};
    EXPECT_EQ(Journal, expected);
}

TEST_F(MenuActionTest, UnboundDialogsLeaveTheirItemsDisabled) {
    TMainForm& form = Started();
    EXPECT_FALSE(form.MainMenuPreferences->isEnabled());
    EXPECT_FALSE(form.mnPayTypesRel->isEnabled());
    EXPECT_FALSE(form.MainMenuAbout->isEnabled());
    EXPECT_TRUE(form.mnDepartments->isEnabled());
}

TEST_F(MenuActionTest, ExitAsksFirst) {
    TMainForm& form = Started();
    QSignalSpy closed(&form, &TMainForm::Closed);
    {
        TModalAnswerer no(QString(), false);
        form.MainMenuExit->trigger();
        EXPECT_EQ(no.Texts, QStringList{"Потвърдете за изход от програмата."});
    }
    EXPECT_EQ(closed.count(), 0);
    TModalAnswerer yes;
    form.PMenuExit->trigger();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_NE(LogText().find("[INFO]Application closed"), std::string::npos);
}

}  // namespace
