// The main window's menu actions, tray, task display and notifications.
#include <QApplication>
#include <QInputDialog>
#include <cmath>
#include <optional>

#include "ConstUnit_Program.h"
#include "FormText.h"
#include "MainUnit.h"
#include "Shell.h"
#include "StrResUnit.h"

// Marks a menu action as running for its whole length and keeps the file timer off meanwhile.
class TMainForm::TActionGuard {
public:
    TActionGuard(TMainForm& Form, bool StopTimer)
        : FForm(Form), FRunning(Form, Form.FActionRunning), FStopTimer(StopTimer) {
        if (FStopTimer) {
            FForm.FileReadTimer->stop();
        }
    }
    ~TActionGuard() {
        if (FStopTimer) {
            FForm.FileReadTimer->start();
        }
    }
    TActionGuard(const TActionGuard&) = delete;
    TActionGuard& operator=(const TActionGuard&) = delete;

private:
    TMainForm& FForm;
    TWorkScope FRunning;
    const bool FStopTimer;
};

namespace {

QString Msg(const std::string& Text) {
    return FromAnsi(Text);
}

}  // namespace

bool TMainForm::WorkUnderWay() const {
    // A driver call can be waited for outside a tick or an action: the settings dialog's
    // search at start-up.
    return FBusy || FActionRunning || FDriverThread.Running();
}

bool TMainForm::TicksHeld() const {
    return FBusy || (FActionRunning && !FFilesBehindBox) || FDriverThread.Running();
}

bool TMainForm::CheckNotBusy() {
    if (WorkUnderWay()) {
        WarningBox(Msg(LngMessages().S_ActiveTask));
        return false;
    }
    return true;
}

bool TMainForm::StartConnected(const QString& Caption) {
    StartTask(Caption);
    if (ConnectPrinter(false)) {
        return true;
    }
    EndTask();
    return false;
}

void TMainForm::NoConnectionBox() {
    const TLngMessages& m = LngMessages();
    ErrorBox(Msg(m.S_ErrorOccurred) + "\n" + Msg(m.S_CheckPrinter));
}

bool TMainForm::Attempt(const std::function<bool()>& Operation) {
    try {
        return Operation();
    } catch (const std::exception& e) {
        // The Boolean operations log their own failures; these are the raising ones.
        Log(e.what(), true);
        return false;
    }
}

void TMainForm::RunDeviceAction(const TDeviceAction& Action) {
    if (!CheckNotBusy()) {
        return;
    }
    TActionGuard guard(*this, !Action.FilesBehindBox);
    const TLngMessages& m = LngMessages();
    // Ticks are held from here on, so no file can become unsettled before the action ends.
    if (Action.Prints && FPrinter && FPrinter->HasUnsettledFiles()) {
        WarningBox(Msg(m.S_UnsettledFile));
        return;
    }
    if (Action.Prepare && !Action.Prepare()) {
        return;
    }
    const bool disconnectFirst =
        Action.DisconnectBeforeBox || Action.FilesBehindBox || !Action.SuccessBox;
    const bool connected = StartConnected(Action.Caption);
    bool done = false;
    if (connected) {
        done = Attempt(Action.Operation);
        EndTask();
        if (done && disconnectFirst) {
            DisconnectPrinter();
        }
    }
    if (!connected) {
        NoConnectionBox();
    } else if (!done) {
        ErrorBox(Msg(m.S_ErrorOccurred));
    } else if (Action.SuccessBox) {
        const QString text = Action.SuccessText ? Action.SuccessText() : Msg(m.S_FinishedOK);
        std::optional<TWorkScope> filesGoOn;
        if (Action.FilesBehindBox) {
            filesGoOn.emplace(*this, FFilesBehindBox);
        }
        InfoBox(text);
        if (!disconnectFirst) {
            DisconnectPrinter();
        }
    }
    EndTask();
}

void TMainForm::mnPRNInfoClick() {
    RunDeviceAction({.Caption = mnPRNInfo->text(),
                     .Operation = [this] { return FPrinter->ReadPrinterInfo(true); },
                     .SuccessText =
                         [this] {
                             const TPrnInfo& info = FPrinter->PrnInfo();
                             return Msg(LngMessages().S_PRNInfo) + "\n" +
                                    Msg(info.Model + "/" + info.Serial) + "\n" +
                                    Msg(FormatDateTime("dd.mm.yyyy hh:nn", info.PrinterClock));
                         },
                     .Prints = false});
}

std::function<bool()> TMainForm::Report(int Kind, bool Flag) {
    return [this, Kind, Flag] { return FPrinter->RunManualReport(Kind, Flag, 0, 0, false, 0, 0); };
}

void TMainForm::mnDayReportResetClick() {
    RunDeviceAction({.Caption = mnDayReportReset->text(),
                     .Operation = Report(1, false),
                     .DisconnectBeforeBox = true});
}

void TMainForm::mnDayReportNoResetClick() {
    RunDeviceAction({.Caption = mnDayReportNoReset->text(), .Operation = Report(0, false)});
}

void TMainForm::mnDepartRptClick() {
    RunDeviceAction({.Caption = mnDepartRpt->text(), .Operation = Report(3, false)});
}

void TMainForm::mnDepartRptResetClick() {
    RunDeviceAction({.Caption = mnDepartRptReset->text(), .Operation = Report(3, true)});
}

void TMainForm::mnFiskMemoryClick() {
    TReportPeriod period;
    RunDeviceAction(
        {.Caption = mnFiskMemory->text(),
         .Operation =
             [this, &period] {
                 return period.ByBlocks
                            ? FPrinter->RunManualReport(6, period.Detailed, 0, 0, false,
                                                        period.FirstBlock, period.LastBlock)
                            : FPrinter->RunManualReport(2, false, period.StartDate, period.EndDate,
                                                        period.Detailed, 0, 0);
             },
         .Prepare = [this, &period] { return FServices.SelectReportPeriod(period); }});
}

// The operations that raise instead of answering False.
std::function<bool()> TMainForm::Raising(void (TPrinterAccess::*Operation)()) {
    return [this, Operation] {
        (FPrinter.get()->*Operation)();
        return true;
    };
}

void TMainForm::spbEmptyBonClick() {
    RunDeviceAction({.Caption = spbEmptyBon->text(), .Operation = [this] {
                         FPrinter->PrintTestReceipt();
                         ShowDeviceLabels();
                         return true;
                     }});
}

void TMainForm::CopyLastBonClick() {
    RunDeviceAction(
        {.Caption = CopyLastBon->text(), .Operation = Raising(&TPrinterAccess::CopyLastReceipt)});
}

void TMainForm::spbTestPrnClick() {
    RunDeviceAction({.Caption = spbTestPrn->text(),
                     .Operation = Raising(&TPrinterAccess::PrintDiagReceipt),
                     .FilesBehindBox = true});
}

void TMainForm::DoSumInOut(bool IsOut) {
    const TLngMessages& m = LngMessages();
    const QString caption = Msg(IsOut ? m.S_SumOUTCapt : m.S_SumINCapt);
    double amount = 0;
    const auto ask = [&] {
        bool ok = false;
        const QString text = QInputDialog::getText(this, caption, Msg(m.S_SumInOutPromt),
                                                   QLineEdit::Normal, QStringLiteral("0"), &ok);
        if (!ok) {
            return false;
        }
        if (!TryStrToFloat(Trim(ToAnsi(text)), amount) || amount == 0) {
            ErrorBox(Msg(m.S_InvalidValue));
            return false;
        }
        // Cash out is always a withdrawal, whatever sign was typed.
        if (IsOut) {
            amount = -std::fabs(amount);
        }
        return true;
    };
    RunDeviceAction({.Caption = caption,
                     .Operation =
                         [this, &amount] {
                             FPrinter->SumInOut(amount);
                             return true;
                         },
                     .Prepare = ask,
                     .SuccessBox = false});
}

void TMainForm::mnDepartmentsClick() {
    if (!CheckNotBusy()) {
        return;
    }
    TActionGuard guard(*this, true);
    TDepartmentTable table;
    const bool connected = StartConnected(mnDepartments->text());
    bool done = true;
    if (connected) {
        done = Attempt([this, &table] {
            for (int32_t n = 1; n <= 99; ++n) {
                if (!FPrinter->ReadDepartment(n, table[n - 1])) {
                    return false;
                }
            }
            return true;
        });
        EndTask();
    }
    if (!connected) {
        NoConnectionBox();
    } else if (done) {
        // The printer stays connected while the dialog is open; it is not talked to meanwhile.
        bool edited = false;
        done = Attempt([this, &table, &edited] {
            edited = FServices.ShowDepartments(table);
            return true;
        });
        if (done && edited) {
            done = Attempt([this, &table] {
                for (int32_t n = 1; n <= 99; ++n) {
                    if (table[n - 1].Edited && !FPrinter->WriteDepartment(n, table[n - 1])) {
                        return false;
                    }
                }
                return true;
            });
        }
    }
    if (connected && !done) {
        EndTask();
        ErrorBox(Msg(LngMessages().S_ErrorOccurred));
    }
    DisconnectPrinter();
    EndTask();
}

void TMainForm::RunSettingsDialog(const std::function<bool()>& Dialog) {
    if (!CheckNotBusy()) {
        return;
    }
    TActionGuard guard(*this, true);
    if (Dialog()) {
        SaveSettings();
    }
}

void TMainForm::MainMenuPreferencesClick() {
    RunSettingsDialog([this] { return FServices.EditSettings(*this); });
}

void TMainForm::mnPayTypesRelClick() {
    RunSettingsDialog(FServices.ShowPayTypeRelations);
}

void TMainForm::MainMenuExitClick() {
    if (CheckNotBusy() && ConfirmBox(Msg(LngMessages().S_ConfirmToShutdown))) {
        close();
    }
}

void TMainForm::mnShowAppDataClick() {
    platform::ShellOpen(Settings().LogFolder);
}

void TMainForm::MainMenuAboutClick() {
    // Unguarded, and not waited for: a batch under way goes on behind the box.
    FServices.ShowAboutDialog(this);
}

void TMainForm::PMenuAboutClick() {
    RestoreFromTray();
    MainMenuAboutClick();
}

void TMainForm::chkProcessPauseClick() {
    const std::string& stopped = LngMessages().S_StoppedByUser;
    if (chkProcessPause->isChecked()) {
        ShowNotifyHint(2, stopped);
        pAction->setText(Msg(stopped));
    } else {
        pAction->clear();
    }
}

void TMainForm::mnDoFilesClick() {
    // Ticks started inside an action would print or disconnect in the middle of it.
    if (FActionRunning) {
        WarningBox(Msg(LngMessages().S_ActiveTask));
        return;
    }
    chkProcessPause->setChecked(false);
    FileReadTimer->start();
}

void TMainForm::MinimizeToTray() {
    showMinimized();
}

void TMainForm::AppMinimize() {
    // Without a notification area a hidden window could never be brought back.
    if (!HasTray()) {
        return;
    }
    QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
    QCoreApplication::processEvents();
}

void TMainForm::RestoreFromTray() {
    showNormal();
    raise();
    activateWindow();
}

void TMainForm::ShowNotifyHint(uint8_t Kind, const std::string& Text) {
    ::ShowNotifyHint(Kind, Msg(Text), Images);
}

void TMainForm::StartTask(const QString& Caption) {
    if (!Caption.trimmed().isEmpty()) {
        lblCurrentTaskName->setText(Caption);
    }
    if (!FWaitCursor) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        FWaitCursor = true;
    }
    const int bevel = pMarque->BevelWidth();
    const QRect rect = pMarque->rect().adjusted(bevel, bevel, -bevel, -bevel);
    if (FAnimation) {
        // A task started inside another keeps one bar.
        FAnimation->Terminate();
    }
    std::erase_if(FBarThreads, [](const QPointer<TAnimationThread>& t) { return t.isNull(); });
    FAnimation = new TAnimationThread(pMarque, 25, QColor(0, 0x80, 0), pMarque->Color(), rect);
    FBarThreads.push_back(FAnimation);
    FAnimation->Start();
    QCoreApplication::processEvents();
}

void TMainForm::EndTask() {
    if (FAnimation) {
        FAnimation->Terminate();
        FAnimation = nullptr;
    }
    if (FWaitCursor) {
        QApplication::restoreOverrideCursor();
        FWaitCursor = false;
    }
    const QString caption = lblCurrentTaskName->text();
    if (!caption.trimmed().isEmpty() && caption != QStringLiteral("-")) {
        lblLastTaskName->setText(caption);
        lblCurrentTaskName->setText(QStringLiteral("-"));
    }
}
