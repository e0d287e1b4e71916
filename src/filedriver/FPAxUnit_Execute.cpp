#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "ConstUnit_Program.h"
#include "FPAxUnit.h"
#include "FPAxUnit_Files.h"
#include "FPAxUnit_Parser.h"
#include "FPAxUnit_Wide.h"
#include "FPAxUnit_Work.h"
#include "FolderScan.h"
#include "SettingsUnit.h"

namespace {

// PLUs from this number on are sold as the printer has them, never programmed from a file.
constexpr int32_t kFirstUnprogrammedPlu = 30000;
// An answer must never be empty of reason, or the kept work file would be left unexplained.
const char* const kNoErrorText = "Unknown error.";
// The driver's codes of the link and the packet; from the second on, of the printer's answer.
constexpr int32_t kFirstLinkError = 101;
constexpr int32_t kFirstAnswerError = 200;
// The printer's state as the driver classes it: a fault, an open cover or no paper.
constexpr int32_t kPrinterCannotPrint = 1;

}  // namespace

bool TFPPrinter::ProcessFiles(const std::vector<std::string>& List) {
    int failed = 0;
    try {
        if (List.empty() && UnansweredWorkFiles().empty()) {
            throw EAbort("No files in list");
        }
        CheckInitialized();
        if (!SettleWorkFiles()) {
            ++failed;
        }
        const std::string folder = ReceiptFolder();
        for (const std::string& entry : List) {
            if (FStopTakingFiles) {
                break;
            }
            // A new receipt printed while an earlier one is unsettled could be taken for it; an
            // answer waiting for the folder holds only its own file, unless the folder takes no
            // writes at all.
            if (!FUnsettled.empty() || (!FPendingAnswers.empty() && !FolderTakesWrites(folder))) {
                break;
            }
            const std::string name = entry.substr(entry.find('\t') + 1);
            const std::string path = folder + name;
            if (!PathExists(path)) {
                DoMessage("Not found file \"" + path + "\"");
                continue;
            }
            if (!FGate.WriterDone(path)) {
                continue;
            }
            std::string error;
            if (ProcessFile(path, error)) {
                ++DoneCount;
            } else {
                // A file waiting for the printer has no verdict yet.
                if (FUnsettled.count(WorkFileName(path)) == 0) {
                    DoMessage("Failed process file \"" + name + "\": " + error);
                }
                ++failed;
            }
        }
    } catch (const std::exception& e) {
        DoMessage("Process files fail: " + std::string(e.what()));
        return false;
    }
    return failed == 0;
}

bool TFPPrinter::ProcessFile(const std::string& Path, std::string& ErrorText) {
    ErrorText.clear();
    const std::string work = WorkFileName(Path);
    // An answer folder never holds both answers for one receipt name.
    for (const std::string& stale :
         {ChangeFileExt(Path, ".rep"), work, ChangeFileExt(Path, ".err"), RecordFileName(Path)}) {
        ::unlink(stale.c_str());
    }

    TResultList result;
    std::string bytes;
    TRunState state;
    try {
        if (::rename(Path.c_str(), work.c_str()) != 0) {
            throw EAbort("Can't rename file. Check permissions : " + Settings().BonFolder + " " +
                         std::strerror(errno));
        }
        bytes = LoadFileBytes(work);
        RunBonFile(Path, bytes, result, state);
    } catch (const std::exception& e) {
        ErrorText = *e.what() != '\0' ? e.what() : kNoErrorText;
        if (state.Recorded) {
            FUnsettled[work] = {Path, std::move(result), ErrorText};
            if (SettleReceipt(Path, ErrorText) != TSettled::Printed) {
                return false;
            }
            ErrorText.clear();
            return true;
        }
        if (state.MayHaveRun) {
            ErrorText += std::string(" The command may have reached the printer") + kDoubtEnd;
        }
        WriteErrorFile(Path, ErrorText);
        return false;
    }

    InsertDeviceHeader(result);
    if (!WriteAnswer(Path, ".rep", std::move(result))) {
        return true;
    }
    // A receipt written again under the same name while this one ran is a new receipt, unless
    // it repeats the one just printed.
    if (PathExists(Path)) {
        std::string again;
        try {
            again = LoadFileBytes(Path);
        } catch (const EAbort&) {
            again.clear();
        }
        if (again == bytes) {
            ::unlink(Path.c_str());
        } else {
            DoMessage("File \"" + Path + "\" was written again while it was printed. " +
                      "Left for the next scan.");
        }
    }
    return true;
}

void TFPPrinter::RunBonFile(const std::string& Path, const std::string& Bytes,
                            TResultList& ResultList, TRunState& State) {
    TParsedBon bon;
    TBonParser parser([this](const std::string& text) { DoMessage(text); },
                      Settings().SellByDepartNo);
    parser.Parse(SplitTextLines(Bytes), bon);

    const bool closes = ClosesReceipt(bon);
    const bool textOnly = bon.TextLineCount >= 1 && !bon.ReportFlag && !bon.FiscalFlag;
    const TReportObject* report = LastOf<TReportObject>(bon.CommandList);
    const bool zReport = !closes && report != nullptr && report->ReportType == 1;
    TReceiptRecord& record = State.Record;
    if (closes || zReport) {
        // What tells afterwards whether the receipt was closed or the report ran, on the disk
        // before either begins.
        const TRecordKind kind = zReport          ? TRecordKind::ZReport
                                 : bon.FiscalFlag ? TRecordKind::Fiscal
                                                  : TRecordKind::Text;
        record = ReadPrinterRecord(kind != TRecordKind::Text);
        record.Kind = kind;
        record.TextSent = !textOnly;
        NoteFlush(WriteReceiptRecord(Path, record));
        State.Recorded = true;
    }
    if (textOnly) {
        OpenReceipt(false, bon.CommandList, ResultList);
        // From here a receipt closed for the file may hold its text; before, only its header.
        record.TextSent = true;
        NoteFlush(WriteReceiptRecord(Path, record));
    } else if (bon.FiscalFlag) {
        OpenReceipt(true, bon.CommandList, ResultList);
    }
    PrintPluList(Path, bon.CommandList, ResultList, State);
    if (bon.FiscalFlag) {
        RecordAmount(Path, State);
        PayTheRest();
    }
    if (!closes) {
        return;
    }
    CloseReceipt();
    const int32_t number = ReadLastRecieptNo();
    try {
        PrnInfo.LastInvoiceNo = ReadText(&ITavrinoFprnRO::Get_LastInvoiceNo);
    } catch (const std::exception& e) {
        DoMessage("Failed to read reciept number: " + std::string(e.what()));
    }
    ResultList.insert(ResultList.begin(), "Reciept No: " + std::to_string(number));
    PrnInfo.LastRecieptNo = number;
}

int32_t TFPPrinter::ReadLastRecieptNo() {
    int32_t number = 0;
    WithContext("Failed to read reciept number: ", [&] {
        CheckHResult(Driver()->Get_LastRecieptNo(&number));
        CheckLastError();
    });
    return number;
}

TReceiptRecord TFPPrinter::ReadPrinterRecord(bool WithSums) {
    TReceiptRecord record;
    record.LastRecieptNo = ReadLastRecieptNo();
    record.Serial = ReadText(&ITavrinoFprnRO::Get_FPSerial);
    record.FiscalNo = ReadText(&ITavrinoFprnRO::Get_FPFiscalNo);
    if (WithSums) {
        record.FiscalSums = ReadFiscalSums();
    }
    return record;
}

TFiscalSums TFPPrinter::ReadFiscalSums() {
    using TGetter = platform::HRESULT (IXReportData::*)(double*);
    static const TGetter kGetters[] = {
        &IXReportData::Get_Total,   &IXReportData::Get_TotPay1,  &IXReportData::Get_TotPay2,
        &IXReportData::Get_TotPay3, &IXReportData::Get_TotPay4,  &IXReportData::Get_TotPay5,
        &IXReportData::Get_TotPay6, &IXReportData::Get_TotPay7,  &IXReportData::Get_TotPay8,
        &IXReportData::Get_TotPay9, &IXReportData::Get_TotPay10, &IXReportData::Get_TotPay11};
    TFiscalSums sums;
    WithContext("Failed to read the day's fiscal sums: ", [&] {
        platform::ComPtr<IXReportData> data;
        CheckHResult(Driver()->GetXReportData(data.Receive()));
        CheckLastError();
        if (!data) {
            throw EAbort("No X report data.");
        }
        for (const TGetter getter : kGetters) {
            double value = 0;
            CheckHResult((data.Get()->*getter)(&value));
            sums.push_back(std::llround(value * 100));
        }
    });
    return sums;
}

bool TFPPrinter::LinkFault() {
    int32_t code = 0;
    return platform::SUCCEEDED(Driver()->Get_LastErrorCode(&code)) && code >= kFirstLinkError &&
           code < kFirstAnswerError;
}

std::optional<TFiscalSums> TFPPrinter::TryReadFiscalSums() {
    try {
        return ReadFiscalSums();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void TFPPrinter::NoteFlush(const std::string& Warning) {
    if (Warning.empty() || Warning == FFlushWarning) {
        return;
    }
    DoMessage(Warning);
    FFlushWarning = Warning;
}

void TFPPrinter::WriteErrorFile(const std::string& Path, const std::string& Message) {
    TResultList lines;
    try {
        lines = LoadTextLines(WorkFileName(Path));
    } catch (const std::exception&) {
        return;  // without a work file (the rename failed) the receipt keeps its name
    }
    if (Settings().ErrTextInErrFile) {
        lines.emplace_back();
        lines.push_back("[ERROR]" + Message);
    }
    InsertDeviceHeader(lines);
    WriteAnswer(Path, ".err", std::move(lines));
}

void TFPPrinter::OpenReceipt(bool Fiscal, const TCommandList& List, TResultList& ResultList) {
    WithContext("Open reciept: ", [&] {
        CheckInitialized();
        const TOperObject noOperator;
        const TInvoiceParam noInvoice;
        const TOperObject* oper = LastOf<TOperObject>(List);
        const TInvoiceParam* invoice = FindInvoiceParam(List);
        if (oper != nullptr) {
            AddResultLine(oper->RawLine, ResultList);
        } else {
            oper = &noOperator;
        }
        if (invoice == nullptr) {
            invoice = &noInvoice;
        }
        if (Fiscal) {
            ProgramPluData(List);
        }
        int32_t bonType = 1;
        if (Fiscal && invoice->InvoiceNo > 0) {
            bonType = 4;
            ResultList.push_back(invoice->RawText);
        } else if (Fiscal) {
            bonType = 2;
        }
        Run([&](int32_t* res) {
            return Driver()->StartBon(
                bonType, oper->OperNo, TWideText(oper->OperName), TWideText(Settings().CashierPass),
                TWideText(std::to_string(invoice->InvoiceNo)), TWideText(invoice->LB),
                TWideText(""), TWideText(invoice->LF), TWideText(invoice->LW),
                TWideText(invoice->LA), TWideText(invoice->LM), res);
        });
    });
}

void TFPPrinter::ProgramPluData(const TCommandList& List) {
    // In department sale mode the article numbers are departments, not PLUs.
    if (Settings().SellByDepartNo) {
        return;
    }
    WithContext("Update plu data: ", [&] {
        CheckInitialized();
        for (const auto& cmd : List) {
            const auto* plu = dynamic_cast<const TPluObj*>(cmd.get());
            const int32_t number = plu == nullptr ? 0 : StrToIntDef(plu->PluNo, 0);
            if (number < 1 || number >= kFirstUnprogrammedPlu) {
                continue;
            }
            platform::ComPtr<IConfPLUData> data;
            CheckHResult(Driver()->GetPluData(number, data.Receive()));
            int32_t code = 0;
            CheckHResult(Driver()->Get_LastErrorCode(&code));
            if (code > 0) {
                throw EAbort(LastErrorMsg());
            }
            Run([&](int32_t* res) {
                return Driver()->SetPluData(number, TWideText(plu->PluName), 1, plu->VatGroup,
                                            plu->AlteID, TWideText(plu->AlteName), plu->AltePrice,
                                            plu->Price, TWideText(Trim(plu->UnitName)), res);
            });
        }
    });
}

void TFPPrinter::RecordAmount(const std::string& Path, TRunState& State) {
    TReceiptRecord& record = State.Record;
    if (record.Kind == TRecordKind::Fiscal && !record.Amount) {
        record.Amount = std::llround(ReceiptAmounts().first * 100);
        NoteFlush(WriteReceiptRecord(Path, record));
    }
}

void TFPPrinter::PrintPluList(const std::string& Path, const TCommandList& List,
                              TResultList& ResultList, TRunState& State) {
    WithContext("Print plu list: ", [&] {
        for (const auto& cmd : List) {
            TCmdObject* object = cmd.get();
            const bool lasting = dynamic_cast<TReportObject*>(object) != nullptr ||
                                 dynamic_cast<TInOutAmount*>(object) != nullptr ||
                                 dynamic_cast<TCopyBon*>(object) != nullptr;
            if (dynamic_cast<TPaymentObject*>(object) != nullptr) {
                RecordAmount(Path, State);
            }
            if (lasting) {
                RunLastingCommand(*object, State);
            } else if (!RunCommand(*object)) {
                continue;
            }
            AddResultLine(object->RawLine, ResultList);
        }
    });
}

bool TFPPrinter::RunCommand(TCmdObject& Command) {
    TCmdObject* object = &Command;
    if (auto* plu = dynamic_cast<TPluObj*>(object)) {
        PrintPlu(*plu);
    } else if (auto* discount = dynamic_cast<TDiscountObject*>(object)) {
        PrintDiscount(*discount);
    } else if (auto* line = dynamic_cast<TLineObject*>(object)) {
        PrintLine(*line);
    } else if (auto* payment = dynamic_cast<TPaymentObject*>(object)) {
        PrintPayment(*payment);
    } else if (auto* copy = dynamic_cast<TCopyBon*>(object)) {
        PrintCopyBon(*copy);
    } else if (auto* inOut = dynamic_cast<TInOutAmount*>(object)) {
        PrintInOutAmount(*inOut);
    } else if (auto* report = dynamic_cast<TReportObject*>(object)) {
        PrintReport(*report);
    } else if (auto* status = dynamic_cast<TStatusObject*>(object)) {
        GetStatus(*status);
    } else {
        return false;  // operator and invoice data only feed OpenReceipt
    }
    return true;
}

void TFPPrinter::RunLastingCommand(TCmdObject& Command, TRunState& State) {
    const auto* report = dynamic_cast<const TReportObject*>(&Command);
    if (State.Record.Kind == TRecordKind::ZReport && report != nullptr && report->ReportType == 1) {
        RunDailyReport(*report, State);
        return;
    }
    try {
        RunCommand(Command);
    } catch (const std::exception&) {
        // A refusal in the printer's own answer leaves nothing done.
        State.MayHaveRun = State.MayHaveRun || LinkFault();
        throw;
    }
    State.MayHaveRun = true;
}

void TFPPrinter::RunDailyReport(const TReportObject& Report, TRunState& State) {
    // Whatever the printer answered once the report went out, the day's sums tell whether it
    // ran: a failure leaves it to the settling, which reads them again or waits for them.
    try {
        PrintReport(Report);
    } catch (const std::exception&) {
        if (!LinkFault() && AllZero(*State.Record.FiscalSums)) {
            State.Recorded = false;  // refused, and nothing else can tell
        }
        throw;
    }
    State.MayHaveRun = true;
    const std::optional<TFiscalSums> now = TryReadFiscalSums();
    if (now && ReportRanBySums(*State.Record.FiscalSums, *now) == false) {
        throw EAbort("Print report:" + Report.RawLine +
                     " fail The day's fiscal sums did not change: the report did not run.");
    }
}

void TFPPrinter::AddResultLine(const std::string& Line, TResultList& ResultList) {
    if (!Trim(Line).empty()) {
        ResultList.push_back(Line);
    }
}

std::pair<double, double> TFPPrinter::ReceiptAmounts() {
    platform::ComPtr<IRecieptData> data;
    CheckHResult(Driver()->GetRecieptStatus(data.Receive()));
    CheckLastError();
    if (!data) {
        throw EAbort("No reciept data.");
    }
    double total = 0;
    double payed = 0;
    CheckHResult(data->Get_TotalAmnt(&total));
    CheckHResult(data->Get_TotalPayed(&payed));
    return {total, payed};
}

double TFPPrinter::ReceiptRest() {
    const auto [total, payed] = ReceiptAmounts();
    return total - payed;
}

void TFPPrinter::PayTheRest() {
    const double rest = ReceiptRest();
    if (rest > 1E-12) {
        Run([&](int32_t* res) { return Driver()->AddPayment(1, TWideText(""), rest, 1.0, res); });
        DoMessage("Amount autopaid : " + FormatFloat("0.00", rest));
    }
}

void TFPPrinter::CloseReceipt() {
    WithContext("Close reciept: ",
                [&] { Run([&](int32_t* res) { return Driver()->EndBon(res); }); });
}

void TFPPrinter::PrintPlu(const TPluObj& Plu) {
    WithContext("PrintPlu: " + Plu.RawLine + " fail ", [&] {
        const int32_t number = StrToIntDef(Plu.PluNo, 0);
        if (Settings().SellByDepartNo) {
            Run([&](int32_t* res) {
                return Driver()->AddDepartPLU(TWideText(Plu.PluNo), TWideText(Plu.PluName),
                                              Plu.DepartNo, Plu.Price, Plu.Quantity, Plu.VatGroup,
                                              Plu.PercDisc, res);
            });
        } else if (number > 0 && Plu.Price > 0) {
            const int32_t depart = Plu.DepartNo <= 0 ? 1 : Plu.DepartNo;
            Run([&](int32_t* res) {
                return Driver()->AddProgPLU(number, depart, Plu.Price, Plu.Quantity, Plu.VatGroup,
                                            Plu.PercDisc, res);
            });
        } else {
            Run([&](int32_t* res) {
                return Driver()->AddPlu(TWideText(Plu.PluNo), TWideText(Plu.PluName), Plu.Price,
                                        Plu.Quantity, Plu.VatGroup, Plu.PercDisc, res);
            });
        }
    });
}

void TFPPrinter::PrintDiscount(const TDiscountObject& Discount) {
    WithContext("Print discount: " + Discount.RawLine + " fail ", [&] {
        CheckInitialized();
        Run([&](int32_t* res) {
            return Driver()->AddDiscount(Discount.DiscType, Discount.DiscValue, res);
        });
    });
}

void TFPPrinter::PrintLine(const TLineObject& Line) {
    WithContext("Print line: " + Line.RawLine + " fail ", [&] {
        CheckInitialized();
        Run([&](int32_t* res) {
            return Driver()->AddLine(TWideText(Line.LineText), TWideText(""), 0, res);
        });
    });
}

void TFPPrinter::PrintPayment(TPaymentObject& Payment) {
    WithContext("Add payment: Pay" + std::to_string(Payment.PayType) + " = " +
                    FormatFloat("0.00", Payment.Amount) + " fail ",
                [&] {
                    const double sum = Payment.Amount == 0 ? ReceiptRest() : Payment.Amount;
                    if (Payment.PayType != 1) {
                        RemapPayType(Payment);
                    }
                    Run([&](int32_t* res) {
                        return Driver()->AddPayment(Payment.PayType, TWideText(Payment.PayName),
                                                    sum, Payment.PayCourse, res);
                    });
                });
}

void TFPPrinter::RemapPayType(TPaymentObject& Payment) {
    for (const TPayTypePair& pair : Settings().PayTypeMap) {
        if (pair.FromType == Payment.PayType) {
            if (pair.ToType > 0) {
                Payment.PayType = pair.ToType;
                Payment.PayName.clear();
                DoMessage("[PrintPayment]Pay Type is changed. Used defined in ini file.");
            }
            return;
        }
    }
}

void TFPPrinter::PrintCopyBon(const TCopyBon& Copy) {
    WithContext("Copy bon:" + Copy.RawLine + " fail ", [&] {
        CheckInitialized();
        Run([&](int32_t* res) { return Driver()->CopyLastReciept(res); });
    });
}

void TFPPrinter::PrintInOutAmount(const TInOutAmount& InOut) {
    WithContext("In/out amount:" + InOut.RawLine + " fail ", [&] {
        CheckInitialized();
        Run([&](int32_t* res) { return Driver()->InOutAmnt(InOut.Amount, 1, res); });
    });
}

void TFPPrinter::PrintReport(const TReportObject& Report) {
    WithContext("Print report:" + Report.RawLine + " fail", [&] {
        CheckInitialized();
        ITavrinoFprnRO* driver = Driver();
        // Some printers answer a report as done without printing it while they report a fault,
        // an open cover or no paper, and nothing tells afterwards: such a report is not sent.
        int32_t status = 0;
        Run([&](int32_t* res) { return driver->GetFPStatus(&status, res); });
        if (status == kPrinterCannotPrint) {
            throw EAbort(" The printer reports a fault, an open cover or no paper.");
        }
        Run([&](int32_t* res) {
            switch (Report.ReportType) {
                case 0:
                    return driver->RunXReport(res);
                case 1:
                    return driver->RunZReport(res);
                case 3:
                    return driver->RunDepartReport(Report.Detailed, res);
                default:
                    return driver->RunFMDateReport(Report.StartDate, Report.EndDate,
                                                   Report.Detailed, res);
            }
        });
    });
}

void TFPPrinter::GetStatus(const TStatusObject& Status) {
    WithContext("Get status:" + Status.RawLine + " fail", [&] {
        CheckInitialized();
        PrnInfo.FiscalNo.clear();
        CheckLastError();
        PrnInfo.Serial = ReadText(&ITavrinoFprnRO::Get_FPSerial);
        platform::DATE clock = 0;
        CheckHResult(Driver()->Get_FPDateTime(&clock));
        PrnInfo.PrinterClock = clock;
        CheckLastError();
    });
}

void TFPPrinter::InsertDeviceHeader(TResultList& ResultList) {
    if (PrnInfo.FiscalNo.empty() || !FDriver) {
        return;
    }
    ResultList.insert(ResultList.begin(),
                      {"FP model name: " + PrnInfo.Model, "FP Serial No: " + PrnInfo.Serial,
                       "FP fiscal module No: " + PrnInfo.FiscalNo, "----"});
}
