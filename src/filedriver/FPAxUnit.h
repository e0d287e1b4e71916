#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "ConstUnit.h"
#include "FPAxUnit_Commands.h"
#include "FPAxUnit_Gate.h"
#include "FPAxUnit_Verdict.h"
#include "FPAxUnit_Work.h"
#include "Kalvora_TLB.h"

// What the program last learned about the printer.
struct TPrnInfo {
    std::string Model;
    std::string Serial;
    std::string FiscalNo;  // empty: answer files carry no device header
    int32_t LineLength = 0;
    int32_t LastRecieptNo = 0;
    std::string LastInvoiceNo = "0";
    TDateTime PrinterClock = 0;
    std::string DriverInfo;  // version ". " vendor
};

// One department as the department dialog shows it.
struct TDepartmentInf {
    int32_t DepNom = 0;
    std::string DepName;
    std::string Description;
    int32_t TaxGroup = 0;  // VAT group 1 to 8
    std::string ExitCode;
    bool Edited = false;
};

// The program's only way to the printer: the driver object, reached through its automation
// interface, and the receipt-file engine on top of it. Failures inside an operation are EAbort
// with the driver's LastErrorMsg, prefixed by each step's context.
class TFPPrinter {
public:
    using TMessageEvent = std::function<void(const std::string&)>;

    // Creates the driver object by its class identifier; a failure raises EAbort.
    TFPPrinter();
    // Works with a driver object made elsewhere (nullptr: every operation reports "Printer not
    // initialized.").
    explicit TFPPrinter(platform::ComPtr<ITavrinoFprnRO> Driver);
    ~TFPPrinter();
    TFPPrinter(const TFPPrinter&) = delete;
    TFPPrinter& operator=(const TFPPrinter&) = delete;

    int32_t DoneCount = 0;  // receipt files done since creation
    TMessageEvent OnMessage;
    TPrnInfo PrnInfo;

    // ---- Connection and menu operations (FPAxUnit.cpp) ----------------------------------------
    // False after reporting the failure through OnMessage.
    bool ConnectRS232(const std::string& Port, int32_t Speed);
    bool ConnectTCP(const std::string& Address, int32_t Port);
    bool ReadPrinterInfo(bool WithClock);
    // Kind: 0 X, 1 Z, 2 fiscal memory by date (Detailed), 3 departments (Flag = reset), 4 PLU,
    // 5 other, 6 fiscal memory by block (Flag = detailed); any other kind does nothing.
    bool RunManualReport(int32_t Kind, bool Flag, TDateTime StartDate, TDateTime EndDate,
                         bool Detailed, int32_t StartBlock, int32_t EndBlock);
    bool ReadDepartment(int32_t Number, TDepartmentInf& Department);
    bool WriteDepartment(int32_t Number, const TDepartmentInf& Department);
    // Never raises; a refused disconnection is reported.
    void DisconnectPRN();
    // These raise EAbort with their own prefix.
    void PrintTestReceipt();
    void PrintDiagReceipt();
    void CopyLastReceipt();
    void SumInOut(double Amount);

    // ---- Receipt files (FPAxUnit_Execute.cpp) -------------------------------------------------
    // Runs the files of List ("<time stamp>\t<file name>", names in the receipt folder); True
    // when none failed. Work files of earlier runs are settled first; while one of them waits,
    // no new file is taken. A file its writer still holds is left for a later call.
    bool ProcessFiles(const std::vector<std::string>& List);
    // Runs one receipt file and answers it with ".rep" when a receipt of it was printed, or with
    // ".err" beside the kept work file ".$$$" when none was; on failure ErrorText holds the
    // message. A failed file whose receipt the printer cannot be asked about yet, or whose
    // answer the folder refuses, keeps its work file unanswered for a later call.
    bool ProcessFile(const std::string& Path, std::string& ErrorText);
    // Safe on any thread, also while ProcessFiles runs: from now on no further file is taken,
    // the one under way being finished and answered.
    void StopTakingFiles() { FStopTakingFiles = true; }

    // ---- Files still to be answered (FPAxUnit_Settle.cpp) -------------------------------------
    // Once a tick, without the printer: writes the answers the folder refused before. True when
    // a batch is due: a work file waits for the printer, or NewFiles and no answer waits.
    bool BatchDue(bool NewFiles);
    // A work file of the receipt folder waits for the printer to tell whether its receipt was
    // closed; another receipt printed meanwhile could be taken for it.
    bool HasUnsettledFiles();

private:
    using TResultList = std::vector<std::string>;

    void DoMessage(const std::string& Text);
    void DoError(const std::string& Context, const std::exception& E);
    ITavrinoFprnRO* Driver();
    void CheckInitialized();
    // A failed call at the interface: EAbort with its reason.
    void CheckHResult(platform::HRESULT Result);
    // Calls a member with the result Res; a Res other than 0 is EAbort with LastErrorMsg.
    template <class Member>
    void Run(Member&& Call) {
        int32_t res = 500;
        CheckHResult(Call(&res));
        if (res != 0) {
            throw EAbort(LastErrorMsg());
        }
    }
    void CheckLastError();
    std::string LastErrorMsg();
    // Reads a text property of the driver.
    std::string ReadText(platform::HRESULT (ITavrinoFprnRO::*Getter)(platform::BSTR*));

    // What is known of a failed file whose receipt is still to be settled.
    struct TUnsettled {
        std::string Path;   // the receipt file
        TResultList Lines;  // the answer's lines but the receipt number and the device header
        std::string Error;
        bool Recovered = false;  // left by an interrupted run
        bool Logged = false;
    };
    // An answer the folder refused, tried again every tick.
    struct TPendingAnswer {
        std::string Path;
        std::string Ext;
        TResultList Lines;
        uint64_t LoggedAtMs = 0;
    };
    enum class TSettled { Printed, NotPrinted, Waiting };
    // How far a receipt file got on the printer.
    struct TRunState {
        bool Recorded = false;  // its record is written: a receipt of it may be open
        // A command that moves cash or prints a report or copy ran, or may have reached the
        // printer before the link failed: sending the file again could repeat it.
        bool MayHaveRun = false;
        // What its record holds, when it has one.
        TReceiptRecord Record;
    };

    // Receipt-file steps (FPAxUnit_Execute.cpp)
    void RunBonFile(const std::string& Path, const std::string& Bytes, TResultList& ResultList,
                    TRunState& State);
    int32_t ReadLastRecieptNo();
    // The record of a receipt or report about to begin; with the day's fiscal sums when asked.
    TReceiptRecord ReadPrinterRecord(bool WithSums);
    TFiscalSums ReadFiscalSums();
    // None when they cannot be read.
    std::optional<TFiscalSums> TryReadFiscalSums();
    // The failed call's error is one of the link, not the printer's answer: the command may
    // have reached the printer.
    bool LinkFault();
    void OpenReceipt(bool Fiscal, const TCommandList& List, TResultList& ResultList);
    void ProgramPluData(const TCommandList& List);
    // Writes a fiscal receipt's total into its record before its first payment goes out: a
    // receipt without it was never paid.
    void RecordAmount(const std::string& Path, TRunState& State);
    void PrintPluList(const std::string& Path, const TCommandList& List, TResultList& ResultList,
                      TRunState& State);
    // Runs the executor of Command; False for the objects that only feed OpenReceipt.
    bool RunCommand(TCmdObject& Command);
    // Runs a cash move, report or copy, whose effect stays whatever becomes of the file.
    void RunLastingCommand(TCmdObject& Command, TRunState& State);
    // A daily report with reset of a recorded file.
    void RunDailyReport(const TReportObject& Report, TRunState& State);
    void PayTheRest();
    void CloseReceipt();
    void AddResultLine(const std::string& Line, TResultList& ResultList);
    void PrintPlu(const TPluObj& Plu);
    void PrintDiscount(const TDiscountObject& Discount);
    void PrintLine(const TLineObject& Line);
    void PrintPayment(TPaymentObject& Payment);
    void PrintCopyBon(const TCopyBon& Copy);
    void PrintInOutAmount(const TInOutAmount& InOut);
    void PrintReport(const TReportObject& Report);
    void GetStatus(const TStatusObject& Status);
    void RemapPayType(TPaymentObject& Payment);
    // TotalAmnt and TotalPayed of the open receipt.
    std::pair<double, double> ReceiptAmounts();
    double ReceiptRest();
    void InsertDeviceHeader(TResultList& ResultList);
    void WriteErrorFile(const std::string& Path, const std::string& Message);

    // Logs a folder's refusal of the flush to the disk once.
    void NoteFlush(const std::string& Warning);

    // Settling (FPAxUnit_Settle.cpp)
    // Ends whatever receipt of Path is open and asks the printer whether it was closed, then
    // answers the file; Waiting when the printer cannot be asked. When not printed, ErrorText
    // is the text of its ".err".
    TSettled SettleReceipt(const std::string& Path, std::string& ErrorText);
    // Whether the receipt of Record was closed, the printer's last number now being After.
    TVerdict Judge(const TReceiptRecord& Record, int32_t After);
    // Settles the unanswered work files of the receipt folder, oldest first; True when none is
    // left waiting.
    bool SettleWorkFiles();
    // Writes the answer Ext of Path and drops what the answer ends; a refused answer waits in
    // FPendingAnswers. True when written.
    bool WriteAnswer(const std::string& Path, const std::string& Ext, TResultList Lines);
    void WritePendingAnswers();
    // Keeps the answer of Path in its record: one the folder refused, for a restart, or one
    // written (Answered), so that the work file is never answered again.
    void KeepAnswer(const std::string& Path, const std::string& Ext, const TResultList& Lines,
                    bool Answered);
    // Work files of the folder that neither have an answer nor wait for the folder.
    std::vector<std::string> UnansweredWorkFiles();

    platform::ComPtr<ITavrinoFprnRO> FDriver;
    TReceiptFileGate FGate;
    // Keyed by the work file's path.
    std::map<std::string, TUnsettled> FUnsettled;
    std::map<std::string, TPendingAnswer> FPendingAnswers;
    std::string FFlushWarning;  // the last one logged
    std::atomic<bool> FStopTakingFiles{false};
};

// Creates the driver object by its class identifier; a failure raises EAbort.
platform::ComPtr<ITavrinoFprnRO> CreateDriverObject();

// Ends the text of an ".err" whose file may have been executed: the shop checks the printer
// before sending it again.
inline constexpr const char* kDoubtEnd = "; the printer cannot tell whether the file was executed.";

// Runs Body; a failure becomes EAbort(Context + its message).
void WithContext(const std::string& Context, const std::function<void()>& Body);
