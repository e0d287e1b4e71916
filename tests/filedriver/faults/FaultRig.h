#pragma once

// The real program against the emulator, for the fault suite: program folders with their own
// settings, driver and printer, a receipt folder (a small tmpfs of its own where a case needs
// one), and the program run as a child process that the suite kills, stops and restarts.

#include <sys/types.h>

#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Emulator.h"
#include "TempFolder.h"

namespace faults {

// One receipt file: its name without extension, its text, and how the printer shows that it ran:
// a closed receipt holding Marker; for a report, a journal line that starts with Marker; for a
// cash move, the drawer's cash moved by Cash hundredths, in or out.
struct TReceipt {
    std::string Name;
    std::string Marker;
    std::string Body;
    enum class TKind { Receipt, Report, Cash } Kind = TKind::Receipt;
    int64_t Cash = 0;
};
// Marker defaults to one made from Name.
TReceipt FiscalReceipt(const std::string& Name, const std::string& Marker = {});
TReceipt NonFiscalReceipt(const std::string& Name);
// A fiscal receipt whose total is 0.
TReceipt ZeroTotalReceipt(const std::string& Name);
// Cash in (Hundredths above 0) or out.
TReceipt CashFile(const std::string& Name, int64_t Hundredths);
TReceipt XReportFile(const std::string& Name);
TReceipt ZReportFile(const std::string& Name);

// Another till on the same printer: its driver ends the receipt left open first (cancelled, or
// closed once paid), then it sells one item of Amount ("3.10") for cash, or runs the daily report
// with reset.
void AnotherTillSells(fpemu::Emulator& Printer, const std::string& Amount);
void AnotherTillRunsDailyReport(fpemu::Emulator& Printer);

// The text of an ".err" whose file may have run: the shop checks the printer by hand instead of
// sending it again.
inline constexpr const char* kCannotTell = "cannot tell whether the file was executed";

// What the printer's last-document number counts, as a case parameter.
inline constexpr fpemu::LastDocument kCountingModes[] = {fpemu::LastDocument::Closed,
                                                         fpemu::LastDocument::Any};
// "LastDocClosed" or "LastDocAny", for case names.
std::string ModeName(fpemu::LastDocument Mode);

// The environment that preloads KillShim.c with Setting ("FAULT_KILL_AT=...",
// "FAULT_FSYNC_FAILS=...").
std::vector<std::string> ShimEnv(const std::string& Setting);

// One installed program with its own printer.
class TProgram {
public:
    TProgram(const std::string& Folder, const std::string& Receipts);
    ~TProgram();
    TProgram(const TProgram&) = delete;
    TProgram& operator=(const TProgram&) = delete;

    // Starts the program; Env entries ("NAME=value") are added to the suite's environment.
    void Start(const std::vector<std::string>& Env = {});
    pid_t Pid() const { return FPid; }
    bool Running() const { return FPid > 0; }
    // The wait status once the program has ended within TimeoutMs; -1 when it has not.
    int WaitExit(int TimeoutMs);
    bool WaitStopped(int TimeoutMs);
    void Continue();
    // Ends the program (SIGKILL) and reaps it.
    void Kill();
    std::string LogText() const;
    // What the program wrote to its standard output and error (a sanitizer's report).
    std::string ConsoleText() const;
    size_t LogSize() const { return LogText().size(); }

    fpemu::Emulator& Printer() { return *FPrinters.back(); }
    // Every printer the program was given, the current one last.
    const std::vector<std::unique_ptr<fpemu::Emulator>>& Printers() const { return FPrinters; }
    // What the last-document number counts, on this printer and on those that replace it.
    void SetLastDocument(fpemu::LastDocument Mode);
    // Puts another printer, with this serial and fiscal-memory number, in the current one's
    // place for the next start; the current one stays readable.
    void ReplacePrinter(const std::string& Serial, const std::string& FiscalNo);

private:
    void AddPrinter();

    std::string FFolder;
    std::string FReceipts;
    fpemu::LastDocument FLastDocument = fpemu::LastDocument::Closed;
    std::vector<std::unique_ptr<fpemu::Emulator>> FPrinters;
    pid_t FPid = -1;
};

// A case's folders and programs. The receipt folder is a plain folder, or a tmpfs of
// TmpfsBytes when that is above 0 (Mounted() tells whether the system allowed it).
class TRig : public TempFolder {
public:
    explicit TRig(int Programs = 1, size_t TmpfsBytes = 0);
    ~TRig();

    bool Mounted() const { return FMounted; }
    const std::string& Receipts() const { return FReceipts; }
    TProgram& Program(int Index = 0) { return *FPrograms[static_cast<size_t>(Index)]; }

    void Drop(const TReceipt& File) const;
    void Drop(const std::vector<TReceipt>& Files) const;
    // Every file has an answer, and none is waiting to be taken again. (A work file stays beside
    // an ".err" as its record.)
    bool Settled(const std::vector<TReceipt>& Files) const;
    bool WaitSettled(const std::vector<TReceipt>& Files, int TimeoutMs) const;
    // An answer file (a folder in its place is none).
    bool Answered(const TReceipt& File, const char* Ext) const;
    std::string Answer(const TReceipt& File, const char* Ext) const;
    // How often each file ran on every printer of the rig (receipts closed, reports printed,
    // cash moves), in the order of Files.
    std::vector<int> Executed(const std::vector<TReceipt>& Files);
    // The shop sends every file answered ".err" again, but those whose answer says the printer
    // cannot tell; returns the files sent.
    std::vector<TReceipt> ResendFailed(const std::vector<TReceipt>& Files) const;

    // The receipt folder read-only or writable again (tmpfs only).
    void SetReadOnly(bool ReadOnly);
    // Fills the tmpfs to the last byte, or frees it again.
    void SetFull(bool Full);

private:
    std::string FReceipts;
    bool FMounted = false;
    size_t FTmpfsBytes = 0;
    bool FImmutable = false;  // made read-only through the folder's immutable flag
    std::vector<std::unique_ptr<TProgram>> FPrograms;
};

// How often Part occurs in Text, such as a line in a program's log.
size_t Count(const std::string& Text, const std::string& Part);

// Waits until Condition holds, polling; false after TimeoutMs.
bool WaitFor(const std::function<bool()>& Condition, int TimeoutMs);

}  // namespace faults

namespace fpemu {
// The mode's name in test listings, in place of its bytes.
inline void PrintTo(LastDocument Mode, std::ostream* Out) {
    *Out << faults::ModeName(Mode);
}
inline void PrintTo(FaultReports Mode, std::ostream* Out) {
    *Out << (Mode == FaultReports::Run ? "ReportsRun" : "ReportsRefused");
}
}  // namespace fpemu
