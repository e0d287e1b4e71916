#pragma once

#include <QCheckBox>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "FolderLock.h"
#include "FormWidgets.h"
#include "PrinterAccess.h"
#include "PrinterThread.h"
#include "SettingsUnit_Dialog.h"
#include "WaitUnit.h"
#include "uCustomHint.h"
#include "uSelectDate.h"

class QGroupBox;

class TMainForm;

// What the main window needs from the rest of the program. The program block binds the real
// ones; tests bind their own. A dialog that is not bound leaves its menu items disabled.
struct TMainFormServices {
    // Creates the driver object, reads its DriverVersion and releases it; raises on failure.
    std::function<std::string()> DriverVersion;
    // The printer access object; raises when the driver object cannot be created.
    std::function<std::unique_ptr<TPrinterAccess>()> CreatePrinter;
    // The serial ports of the machine, for the settings check and the port search.
    std::function<std::vector<std::string>()> EnumSerialPorts;
    // The wall clock of the refresh rules.
    std::function<TDateTime()> Now = [] { return ::Now(); };

    // The dialogs: True when closed with OK. The settings dialog's search and test buttons run
    // the window's AutoSearchPort and TestConnection.
    std::function<bool(TMainForm& Main)> EditSettings;
    std::function<bool(TDepartmentTable&)> ShowDepartments;
    std::function<bool()> ShowPayTypeRelations;
    std::function<bool(TReportPeriod&)> SelectReportPeriod;
    // Shows the about box and returns at once.
    std::function<void(QWidget* Parent)> ShowAboutDialog;
};

// The main window of Ostrelin: start-up, the file loop, the printer connection, the menus and
// the tray. Every driver call runs on the driver thread while this thread keeps handling its
// events, so ticks and clicks arrive in the middle of device work. Two guards keep device work
// apart: FBusy for a file tick refuses menu actions, and a running menu action holds ticks.
class TMainForm : public QMainWindow, public ISettingsHost {
    Q_OBJECT
public:
    // ProgramPath names the program file; its folder is the program folder, and the settings
    // and language files are ProgramPath + ".ini" and ".Lng".
    TMainForm(std::string ProgramPath, TMainFormServices Services, QWidget* Parent = nullptr);
    ~TMainForm() override;

    // ---- Start-up, file loop and connection ----
    void FormActivate();
    void FormClose();
    // A stop asked for from outside (a signal): the window closes as a confirmed Exit does, once
    // the tick, action or start-up under way has ended. Every box and dialog meanwhile closes as
    // cancelled, so that nothing waits for a user. Asking again changes nothing.
    void RequestExit();
    void FileReadTimerTimer();
    void ProcessFiles(const std::vector<std::string>& List);
    void WriteDeviceInfoFile();
    bool ConnectPrinter(bool WithClock);
    void DisconnectPrinter();
    bool AutoSearchPort(std::string& Serial) override;
    bool TryPort(const std::string& Port, std::string& Serial);
    void TestConnection(const std::string& Port, int32_t Speed) override;
    void ShowConnectionInfo();
    bool CheckOleServer();
    bool RegisterOleServer();
    void CheckSettings();
    void LoadSettings();
    void SaveSettings();
    // The program's language file, which the window and its dialogs translate from.
    std::string LngFileName() const;
    void AppException(QObject* Sender, const std::exception& E);
    void Log(const std::string& Text, bool IsError);
    void DriverLog(const std::string& Text);

    // ---- Menu actions, tray, task display ----
    bool CheckNotBusy();
    void StartTask(const QString& Caption);
    void EndTask();
    void DoSumInOut(bool IsOut);
    void MinimizeToTray();
    void RestoreFromTray();
    void ShowNotifyHint(uint8_t Kind, const std::string& Text);

    void MainMenuExitClick();
    void mnHideClick() { MinimizeToTray(); }
    void mnPRNInfoClick();
    void mnDayReportResetClick();
    void mnDayReportNoResetClick();
    void mnDepartRptClick();
    void mnDepartRptResetClick();
    void mnFiskMemoryClick();
    void NSumInClick() { DoSumInOut(false); }
    void NSumOutClick() { DoSumInOut(true); }
    void spbEmptyBonClick();
    void CopyLastBonClick();
    void mnDepartmentsClick();
    void spbTestPrnClick();
    void mnDoFilesClick();
    void MainMenuPreferencesClick();
    void mnPayTypesRelClick();
    void mnShowAppDataClick();
    void MainMenuAboutClick();
    void PMenuConfigClick() { RestoreFromTray(); }
    void PMenuMinimizeClick() { MinimizeToTray(); }
    void PMenuAboutClick();
    void PMenuExitClick() { MainMenuExitClick(); }
    void TrayIconDblClick() { RestoreFromTray(); }
    void chkProcessPauseClick();

    // ---- State that tests set and read ----
    bool Busy() const { return FBusy; }
    void SetBusy(bool Busy) { FBusy = Busy; }
    bool ActionRunning() const { return FActionRunning; }
    bool FirstActivatePending() const { return FFirstActivate; }
    TPrinterAccess* PrinterObject() const { return FPrinter.get(); }
    TAnimationThread* Animation() const { return FAnimation; }
    // 0 normal, 1 error.
    int TrayIconIndex() const { return FTrayIconIndex; }
    bool HasTray() const;

    // ---- Components ----
    QTimer* FileReadTimer;
    QSystemTrayIcon* TrayIcon;
    QIcon Icons[2];
    TImageList Images;
    QCheckBox* chkProcessPause;
    QLabel* lblCurrentTaskName;
    QLabel* lbCurrentStatus;
    QLabel* lblComError;
    QLabel* imgError;
    QLabel* lblLastTaskName;
    QLabel* lblLastTaskResult;
    QLabel* lblModelName;
    QLabel* lblSerialNo;
    QLabel* lblFMNom;
    QLabel* lblLastDoc;
    QLabel* lblNextInvNo;
    QLabel* lblColumnCount;
    TPanel* pConn;
    TPanel* pAction;
    TMarquePanel* pMarque;

    QMenuBar* MainMenu;
    QMenu* MainMenuFile;
    QAction* MainMenuExit;
    QAction* mnHide;
    QMenu* mnFuncs;
    QAction* mnPRNInfo;
    QAction* mnDayReportReset;
    QAction* mnDayReportNoReset;
    QMenu* N9;
    QAction* mnDepartRpt;
    QAction* mnDepartRptReset;
    QAction* mnFiskMemory;
    QMenu* N3;
    QAction* NSumIn;
    QAction* NSumOut;
    QAction* spbEmptyBon;
    QAction* CopyLastBon;
    QAction* mnDepartments;
    QAction* spbTestPrn;
    QAction* mnDoFiles;
    QMenu* MainMenuOptions;
    QAction* MainMenuPreferences;
    QAction* mnPayTypesRel;
    QMenu* Log1;
    QAction* mnShowAppData;
    QMenu* MainMenuHelp;
    QAction* MainMenuAbout;

    QMenu* PopupMenu1;
    QAction* PMenuConfig;
    QAction* PMenuMinimize;
    QMenu* PMenuHelp;
    QAction* PMenuAbout;
    QAction* PMenuExit;

signals:
    // FormClose has run: the program ends.
    void Closed();

protected:
    bool event(QEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;
    // Closes the dialogs that open once the exit is asked for.
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void FormCreate();
    void CreateComponents();
    void CreateMenus();
    void CreateIcons();
    void DisableUnboundDialogs();
    std::string IniFileName() const;
    void ShowDeviceLabels();
    TPrinterAccess& Printer();
    void SetTrayState(int IconIndex, const std::string& Hint);
    void AppMinimize();
    bool MinutesPassed(TDateTime Since, int Minutes) const;

    // The frame of a device action: guard, task display, connection, Operation, report,
    // disconnection. Prepare runs before the task starts and may end the action.
    struct TDeviceAction {
        QString Caption{};
        std::function<bool()> Operation{};
        std::function<bool()> Prepare{};
        std::function<QString()> SuccessText{};  // default: S_FinishedOK
        bool SuccessBox = true;
        // The file timer keeps running and its ticks wait only for the printer work: files print
        // while the success box is open. The printer is disconnected before the box.
        bool FilesBehindBox = false;
        bool DisconnectBeforeBox = false;
        // Prints or moves cash: refused while a receipt file is unsettled, as such a receipt
        // could be taken for the file's.
        bool Prints = true;
    };
    void RunDeviceAction(const TDeviceAction& Action);
    // The task shown and the printer connected; False, after EndTask, when it is not.
    bool StartConnected(const QString& Caption);
    // The box of a failed connection: S_ErrorOccurred and S_CheckPrinter.
    void NoConnectionBox();
    // Runs Operation; an exception it raises is logged and counts as a failure.
    bool Attempt(const std::function<bool()>& Operation);
    // A report of RunManualReport without dates or blocks, and an operation that raises.
    std::function<bool()> Report(int Kind, bool Flag);
    std::function<bool()> Raising(void (TPrinterAccess::*Operation)());
    // A dialog of the options menu: guard, timer off, the dialog, the settings saved on OK.
    void RunSettingsDialog(const std::function<bool()>& Dialog);

    class TWorkScope;
    class TActionGuard;
    // A tick, a menu action or a driver call is under way.
    bool WorkUnderWay() const;
    // The same, but for an action whose box lets files print behind it.
    bool TicksHeld() const;
    // Closes the window when an exit was asked for and nothing is under way any more.
    void ExitWhenIdle();
    // The same once the caller's stack has unwound.
    void ExitWhenIdleLater();

    void ErrorBox(const QString& Text);
    void InfoBox(const QString& Text);
    // Shows the box and returns at once.
    void WarningBox(const QString& Text);
    bool ConfirmBox(const QString& Text);

    const std::string FProgramPath;
    TMainFormServices FServices;

    // Declared first so that it outlives the printer object, which it releases.
    TDriverThread FDriverThread;

    bool FBusy = false;
    bool FFirstActivate = true;
    std::unique_ptr<TPrinterAccess> FPrinter;
    TDateTime FLastCheckTime = 0;
    TDateTime FLastInfoTime = 0;
    TAnimationThread* FAnimation = nullptr;

    // A menu action (or a dialog that can reach the printer) is running, its boxes and dialogs
    // included: other actions are refused and ticks are held, so that a tick never prints or
    // disconnects in the middle of it.
    bool FActionRunning = false;
    // The running action's printer work is done and its box lets files print meanwhile.
    bool FFilesBehindBox = false;
    bool FExitRequested = false;
    // The first activation is under way; activations inside its message boxes do nothing.
    bool FActivating = false;
    bool FClosed = false;
    // Held from start-up on, so that a second program leaves the receipt folder alone.
    TFolderLock FFolderLock;
    bool FWaitCursor = false;
    int FTrayIconIndex = 0;
    // Failures of the file loop that last, logged when they start.
    TLastFailure FFileExtFailure;
    TLastFailure FInfoFileFailure;
    // Every bar thread started, so that none outlives the window.
    std::vector<QPointer<TAnimationThread>> FBarThreads;
};

// Sets a flag of the window for a scope, whatever leaves it; an exit asked for meanwhile follows
// once the scope has ended.
class TMainForm::TWorkScope {
public:
    TWorkScope(TMainForm& Form, bool& Flag) : FForm(Form), FFlag(Flag) { FFlag = true; }
    ~TWorkScope() {
        FFlag = false;
        FForm.ExitWhenIdleLater();
    }
    TWorkScope(const TWorkScope&) = delete;
    TWorkScope& operator=(const TWorkScope&) = delete;

private:
    TMainForm& FForm;
    bool& FFlag;
};
