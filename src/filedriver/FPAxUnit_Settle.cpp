// Receipt files whose answer is still to be given: failed files whose receipt is settled with
// the printer, work files left by an interrupted run, and answers the folder refused.
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "Clock.h"
#include "ConstUnit_Program.h"
#include "FPAxUnit.h"
#include "FPAxUnit_Files.h"
#include "FPAxUnit_Parser.h"
#include "FPAxUnit_Wide.h"
#include "FPAxUnit_Work.h"
#include "FolderScan.h"
#include "SettingsUnit.h"

namespace {

const char* const kNotPrinted = "The run was interrupted before the receipt was printed.";
const char* const kInterrupted = "The run was interrupted.";
// The receipt was opened, or may have been, and was not closed.
const char* const kNotClosed = "The run was interrupted; its receipt was not closed.";
const char* const kDamaged =
    "Its record is damaged or was written by an earlier version of the program";
const char* const kCannotTell =
    "The run was interrupted; the printer cannot tell whether the file was executed.";
// An answer the folder keeps refusing is logged again after this long.
constexpr uint64_t kPendingLogMs = 3'600'000;

std::string QuotedName(const std::string& Path) {
    return '"' + ExtractFileName(Path) + '"';
}

// The work file of Path read as a receipt file, without logging it again. False when it cannot
// be read or parsed whole.
bool ParseWorkFile(const std::string& Path, TParsedBon& Bon) {
    try {
        TBonParser parser([](const std::string&) {}, Settings().SellByDepartNo);
        parser.Parse(LoadTextLines(WorkFileName(Path)), Bon);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The lines a run of the whole file gives its answer, but the receipt number and the device
// header: the operator, the invoice, then every command.
std::vector<std::string> PlannedResultLines(const TParsedBon& Bon) {
    std::vector<std::string> lines;
    const auto add = [&](const std::string& line) {
        if (!Trim(line).empty()) {
            lines.push_back(line);
        }
    };
    if (const TOperObject* oper = LastOf<TOperObject>(Bon.CommandList)) {
        add(oper->RawLine);
    }
    const TInvoiceParam* invoice = FindInvoiceParam(Bon.CommandList);
    if (Bon.FiscalFlag && invoice != nullptr && invoice->InvoiceNo > 0) {
        lines.push_back(invoice->RawText);
    }
    for (const auto& cmd : Bon.CommandList) {
        if (dynamic_cast<const TOperObject*>(cmd.get()) == nullptr &&
            dynamic_cast<const TInvoiceParam*>(cmd.get()) == nullptr) {
            add(cmd->RawLine);
        }
    }
    return lines;
}

}  // namespace

bool TFPPrinter::BatchDue(bool NewFiles) {
    WritePendingAnswers();
    return !UnansweredWorkFiles().empty() ||
           (NewFiles && (FPendingAnswers.empty() || FolderTakesWrites(ReceiptFolder())));
}

bool TFPPrinter::HasUnsettledFiles() {
    return !UnansweredWorkFiles().empty();
}

std::vector<std::string> TFPPrinter::UnansweredWorkFiles() {
    const std::string folder = ReceiptFolder();
    // A file left unsettled in a folder the settings no longer name is settled there, first:
    // no file was taken since it began to wait.
    std::vector<std::string> works;
    for (const auto& entry : FUnsettled) {
        if (folder + ExtractFileName(entry.first) != entry.first && PathExists(entry.first)) {
            works.push_back(entry.first);
        }
    }
    std::ranges::copy(WorkFilesIn(folder), std::back_inserter(works));
    std::vector<std::string> paths;
    for (const std::string& work : works) {
        // A receipt of an earlier run is named by today's extension.
        const auto known = FUnsettled.find(work);
        const std::string path = known != FUnsettled.end()
                                     ? known->second.Path
                                     : ChangeFileExt(work, "." + Settings().FileExt);
        if (FPendingAnswers.count(work) != 0 || IsAnswered(path)) {
            continue;
        }
        if (HasRepFile(path)) {
            // Answered; the run ended before it could drop the work file.
            ::unlink(RecordFileName(path).c_str());
            ::unlink(work.c_str());
            continue;
        }
        paths.push_back(path);
    }
    return paths;
}

bool TFPPrinter::SettleWorkFiles() {
    std::erase_if(FUnsettled, [this](const auto& entry) {
        if (PathExists(entry.first)) {
            return false;
        }
        DoMessage("File " + QuotedName(entry.second.Path) +
                  " no longer waits to be settled: its work file \"" + entry.first + "\" is gone");
        return true;
    });
    for (const std::string& path : UnansweredWorkFiles()) {
        const std::string work = WorkFileName(path);
        if (FUnsettled.count(work) == 0) {
            TParsedBon bon;
            const bool parsed = ParseWorkFile(path, bon);
            const TRecordRead read = ReadReceiptRecord(path);
            if (read.State == TRecordRead::TState::Whole && !read.Record.AnswerExt.empty()) {
                WriteAnswer(path, read.Record.AnswerExt, read.Record.AnswerLines);
                continue;
            }
            if (read.State == TRecordRead::TState::Missing) {
                // No receipt was opened for it; what else it did, the printer cannot tell.
                const char* text = parsed && !ClosesReceipt(bon) ? kCannotTell : kNotPrinted;
                DoMessage("Failed process file " + QuotedName(path) + ": " + text);
                WriteErrorFile(path, text);
                continue;
            }
            FUnsettled[work] = {path, PlannedResultLines(bon), kInterrupted, true};
        }
        // The files after it wait: the printer's last number only tells about the oldest.
        std::string error;
        const TSettled settled = SettleReceipt(path, error);
        if (settled == TSettled::Waiting) {
            return false;
        }
        if (settled == TSettled::NotPrinted) {
            DoMessage("Failed process file " + QuotedName(path) + ": " + error);
        }
    }
    return true;
}

TFPPrinter::TSettled TFPPrinter::SettleReceipt(const std::string& Path, std::string& ErrorText) {
    const std::string work = WorkFileName(Path);
    TUnsettled& file = FUnsettled[work];
    const TRecordRead read = ReadReceiptRecord(Path);
    const bool whole = read.State == TRecordRead::TState::Whole;
    int32_t after = 0;
    TVerdict verdict{false, kDamaged};
    try {
        // A paid receipt that cannot be voided is closed, as at every connection.
        Run([&](int32_t* res) { return Driver()->VoidCurrReciept(res); });
        after = ReadLastRecieptNo();
        if (whole) {
            verdict = Judge(read.Record, after);
        }
    } catch (const std::exception& e) {
        if (!file.Logged) {
            DoMessage("File " + QuotedName(Path) +
                      " waits for the printer to settle its receipt: " + e.what());
            file.Logged = true;
        }
        return TSettled::Waiting;
    }
    TUnsettled done = std::move(file);
    FUnsettled.erase(work);
    if (!verdict.Printed) {
        ErrorText = !verdict.Doubt.empty() ? done.Error + " " + verdict.Doubt + kDoubtEnd
                    : done.Recovered       ? kNotClosed
                                           : done.Error;
        WriteErrorFile(Path, ErrorText);
        return TSettled::NotPrinted;
    }
    if (read.Record.Kind == TRecordKind::ZReport) {
        // Its answer is the one a run without a fault gives.
        TParsedBon bon;
        ParseWorkFile(Path, bon);
        const TReportObject* report = LastOf<TReportObject>(bon.CommandList);
        DoMessage("Report " + (report != nullptr ? report->RawLine : QuotedName(Path)) +
                  " ran, although: " + done.Error);
        done.Lines = PlannedResultLines(bon);
    } else {
        DoMessage("Reciept No: " + std::to_string(after) + " of file " + QuotedName(Path) +
                  " was printed, although: " + done.Error);
        PrnInfo.LastRecieptNo = after;
        done.Lines.insert(done.Lines.begin(), "Reciept No: " + std::to_string(after));
    }
    InsertDeviceHeader(done.Lines);
    WriteAnswer(Path, ".rep", std::move(done.Lines));
    return TSettled::Printed;
}

TVerdict TFPPrinter::Judge(const TReceiptRecord& Record, int32_t After) {
    const std::string serial = ReadText(&ITavrinoFprnRO::Get_FPSerial);
    const std::string fiscalNo = ReadText(&ITavrinoFprnRO::Get_FPFiscalNo);
    if (serial != Record.Serial || fiscalNo != Record.FiscalNo) {
        return {false, "Its receipt was begun on another printer (FP Serial No: " + Record.Serial +
                           ", FP fiscal module No: " + Record.FiscalNo + ")"};
    }
    if (Record.Kind == TRecordKind::Text) {
        // A receipt of text alone moves no fiscal sum; once open, it is closed, never cancelled.
        return {After != Record.LastRecieptNo && Record.TextSent, {}};
    }
    const TFiscalSums now = ReadFiscalSums();
    const TFiscalSums& before = *Record.FiscalSums;
    if (Record.Kind == TRecordKind::ZReport) {
        const std::optional<bool> ran = ReportRanBySums(before, now);
        if (!ran) {
            return {false, AllZero(before)
                               ? "The day's fiscal sums were 0 before the report"
                               : "The day's fiscal sums moved since the report was sent"};
        }
        return {*ran, {}};
    }
    if (!Record.Amount) {
        // Its first payment was never sent, and an unpaid receipt is cancelled, never closed.
        return {false, {}};
    }
    return JudgeFiscal(before, now, static_cast<int64_t>(After) - Record.LastRecieptNo,
                       *Record.Amount);
}

bool TFPPrinter::WriteAnswer(const std::string& Path, const std::string& Ext, TResultList Lines) {
    const std::string work = WorkFileName(Path);
    try {
        NoteFlush(SaveResultFile(Lines, ChangeFileExt(Path, Ext)));
    } catch (const std::exception& e) {
        const uint64_t now = platform::CurrentClock().NowMs();
        const auto known = FPendingAnswers.find(work);
        const bool first = known == FPendingAnswers.end();
        uint64_t loggedAt = first ? 0 : known->second.LoggedAtMs;
        if (first || now - loggedAt >= kPendingLogMs) {
            DoMessage("File " + QuotedName(Path) + (Ext == ".rep" ? " printed" : " not printed") +
                      ", answer pending: " + e.what());
            loggedAt = now;
        }
        if (first) {
            KeepAnswer(Path, Ext, Lines, false);
        }
        FPendingAnswers[work] = {Path, Ext, std::move(Lines), loggedAt};
        return false;
    }
    FPendingAnswers.erase(work);
    if (Ext == ".rep") {
        ::unlink(RecordFileName(Path).c_str());
        ::unlink(work.c_str());
    } else {
        // The kept work file is never answered again, also once the shop takes the ".err" away.
        KeepAnswer(Path, Ext, {}, true);
    }
    return true;
}

void TFPPrinter::KeepAnswer(const std::string& Path, const std::string& Ext,
                            const TResultList& Lines, bool Answered) {
    const TRecordRead read = ReadReceiptRecord(Path);
    TReceiptRecord record;
    if (read.State == TRecordRead::TState::Whole) {
        if (!Answered && !read.Record.AnswerExt.empty()) {
            return;
        }
        record = read.Record;
    }
    record.AnswerExt = Ext;
    record.AnswerLines = Lines;
    record.Answered = Answered;
    try {
        NoteFlush(WriteReceiptRecord(Path, record));
    } catch (const std::exception&) {
        // A folder that takes no record takes no new file either, so nothing moves the printer
        // before this answer is given or the file is settled again.
    }
}

void TFPPrinter::WritePendingAnswers() {
    const std::map<std::string, TPendingAnswer> pending = FPendingAnswers;
    for (const auto& entry : pending) {
        WriteAnswer(entry.second.Path, entry.second.Ext, entry.second.Lines);
    }
}
