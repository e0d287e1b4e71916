#pragma once

// The real program against the emulator, for the fault suite: program folders with their own
// settings, driver and printer, a receipt folder (a small tmpfs of its own where a case needs
// one), and the program run as a child process that the suite kills, stops and restarts.

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "Emulator.h"
#include "TempFolder.h"

namespace faults {

// One receipt file: its name without extension, its text, and the marker that its receipt prints
// and no other does.
struct TReceipt {
    std::string Name;
    std::string Marker;
    std::string Body;
};
TReceipt FiscalReceipt(const std::string& Name);
TReceipt NonFiscalReceipt(const std::string& Name);

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
    size_t LogSize() const { return LogText().size(); }

    fpemu::Emulator& Printer() { return *FPrinter; }

private:
    std::string FFolder;
    std::unique_ptr<fpemu::Emulator> FPrinter;
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
    bool Answered(const TReceipt& File, const char* Ext) const;
    std::string Answer(const TReceipt& File, const char* Ext) const;
    // Receipts closed on every printer of the rig for each file, in the order of Files.
    std::vector<int> Closed(const std::vector<TReceipt>& Files);
    // The shop sends every file answered ".err" again; returns those files.
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

// Waits until Condition holds, polling; false after TimeoutMs.
bool WaitFor(const std::function<bool()>& Condition, int TimeoutMs);

}  // namespace faults
