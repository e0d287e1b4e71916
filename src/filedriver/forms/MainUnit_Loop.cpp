// The main window's file loop: the timer tick, the batch of receipt files and "FPInfo.txt".
#include <cmath>
#include <filesystem>
#include <fstream>

#include "ConstUnit_Program.h"
#include "FormText.h"
#include "MainUnit.h"
#include "StrResUnit.h"

bool TMainForm::MinutesPassed(TDateTime Since, int Minutes) const {
    // Whole minutes on the millisecond count, so that 21 minutes never read as 20.999.
    const long long ms = std::llround(std::fabs(FServices.Now() - Since) * 86'400'000.0);
    return ms / 60'000 > Minutes;
}

void TMainForm::FileReadTimerTimer() {
    if (FExitRequested || TicksHeld()) {
        return;
    }
    TWorkScope busy(*this, FBusy);
    const TSettings& s = Settings();
    if (FFolderLock.Lock(s.BonFolder) == TFolderLock::TResult::HeldByOther) {
        return;
    }
    // The pause holds new files and the refresh only: settling a file that waits is old work,
    // and the menu stays refused until it is settled.
    if (chkProcessPause->isChecked()) {
        if (FPrinter && FPrinter->BatchDue(false)) {
            ProcessFiles({});
        }
        return;
    }
    // A refused extension stops only the receipts: the device information is still refreshed.
    if (IsValidBonFileExt(s.FileExt)) {
        FFileExtFailure.Clear();
        std::vector<std::string> list;
        SelectBonFiles(s.BonFolder, list);
        if (FPrinter ? FPrinter->BatchDue(!list.empty()) : !list.empty()) {
            ProcessFiles(list);
        }
    } else if (FFileExtFailure.IsNew(InvalidBonFileExtText(s.FileExt))) {
        Log(InvalidBonFileExtText(s.FileExt), true);
    }
    // A stop asked for during the batch waits for no refresh.
    if (FExitRequested) {
        return;
    }
    if (MinutesPassed(FLastInfoTime, 20)) {
        Log("Getting info.", false);
        WriteDeviceInfoFile();
        FLastInfoTime = FServices.Now();
    } else if (s.CheckPrnInterval > 0 && MinutesPassed(FLastCheckTime, s.CheckPrnInterval)) {
        Log("Checking connectivity.", false);
        WriteDeviceInfoFile();
        FLastCheckTime = FServices.Now();
    }
}

void TMainForm::ProcessFiles(const std::vector<std::string>& List) {
    const TLngMessages& m = LngMessages();
    try {
        StartTask(FromAnsi(m.S_ProcessFiles));
        if (ConnectPrinter(false)) {
            if (!FPrinter->ProcessFiles(List)) {
                throw EAbort("Failed process files");
            }
            const TPrnInfo& info = FPrinter->PrnInfo();
            lblLastDoc->setText(QString::number(info.LastRecieptNo));
            lblNextInvNo->setText(FromAnsi(info.LastInvoiceNo));
            lblLastTaskResult->setText(FromAnsi(m.S_TotalFiles) + ": " +
                                       QString::number(FPrinter->DoneCount()));
        }
    } catch (const std::exception& e) {
        Log(e.what(), true);
        EndTask();
        ShowNotifyHint(2, m.S_FailedProcFiles);
        SetTrayState(1, m.S_FailedProcFiles);
    }
    DisconnectPrinter();
    EndTask();
}

void TMainForm::WriteDeviceInfoFile() {
    if (!ConnectPrinter(true)) {
        return;
    }
    // A file that cannot be written waits for the next refresh, like a printer that cannot be
    // reached, and is logged once until a refresh succeeds.
    try {
        const TPrnInfo& info = FPrinter->PrnInfo();
        const std::string text =
            "Fiscal device name   : " + info.Model + "\r\n" +
            "Fiscal device serial : " + info.Serial + "\r\n" +
            "Fiscal nom           : " + info.FiscalNo + "\r\n" +
            "Printer clock        : " + FormatDateTime("dd.mm.yyyy hh:nn:ss", info.PrinterClock) +
            "\r\n";
        const std::string& folder = Settings().BonFolder;
        if (std::filesystem::is_directory(folder)) {
            const std::string path = folder + FPInfoFileName;
            std::error_code ignored;  // what stands in the way fails the writing below
            std::filesystem::remove(path, ignored);
            std::ofstream out(path, std::ios::binary);
            out << text;
            out.close();
            if (!out) {
                throw std::runtime_error("Cannot create file \"" + path + "\"");
            }
        }
        FInfoFileFailure.Clear();
    } catch (const std::exception& e) {
        if (FInfoFileFailure.IsNew(e.what())) {
            Log(e.what(), true);
        }
    }
    DisconnectPrinter();
}
