#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

#include "AbortError.h"
#include "BaseDeviceRecords.h"
#include "ConstUnit.h"

// Payloads, reply data, status bytes and frames of the printer protocol.
using TDataBuffer = std::vector<uint8_t>;

// A protocol failure: one of the codes of the error table and a short detail.
class ECmdException : public EAbort {
public:
    ECmdException(int32_t Code, const std::string& Message);
    ~ECmdException() override;

    int32_t Code;
};

// The invoice client block; every field holds at most 255 characters.
struct TClientData {
    std::string CustName;
    std::string Spare1;
    std::string CustEIK;
    std::string CustTown;
    std::string CustAddress;
    std::string Spare5;
    std::string CustReciever;
    std::string SellerName;
    std::string Spare8;
};

// One status bit test: raises Code with the label "[ByteIndex/Bit]" when the bit is set, or when
// it is clear if RaiseWhenClear.
struct TStatusBitCheck {
    uint8_t ByteIndex;
    uint8_t Bit;
    int32_t Code;
    bool RaiseWhenClear = false;
};

class TBaseDevice;
struct TCommandRule;
class TAnswer;
using TDeviceTextEvent = std::function<void(TBaseDevice* Sender, const std::string& Text)>;

// Control bytes of the printer protocol.
constexpr uint8_t kStx = 0x01;  // start of a frame
constexpr uint8_t kEtx = 0x03;  // end of a frame
constexpr uint8_t kEot = 0x04;  // end of the reply data
constexpr uint8_t kEnq = 0x05;  // end of the data or status part
constexpr uint8_t kDle = 0x10;  // escape
constexpr uint8_t kNak = 0x15;  // request refused
constexpr uint8_t kSyn = 0x16;  // printer busy

// Largest answer a printer can send, from its 0x01 to its 0x03: LEN can count at most
// 0xFF - 0x20 bytes, then four checksum bytes and the end byte follow.
constexpr int32_t kMaxReplyFrameBytes = 1 + (0xFF - 0x20) + 4 + 1;
// Largest payload whose LEN still fits in one byte.
constexpr size_t kMaxPayloadBytes = 0xFF - 0x20 - 4;

// Running state of one answer while a transport takes it apart: the checksum sum and byte count
// of LEN through 0x05, the reply data, the status bytes and the received checksum text.
class TReplyAccumulator {
public:
    explicit TReplyAccumulator(TDataBuffer& Status);

    void AddHeader(uint8_t B);  // LEN, SEQ or CMD
    void AddData(uint8_t B);    // a data byte or the 0x04 that ends the data
    void AddStatus(uint8_t B);  // a status byte or the 0x05 that ends the status
    void AddBcc(uint8_t B);     // a byte of the checksum part

    // Raise the checksum failure Code unless four checksum bytes in 0x30..0x3F arrived.
    void CheckBccForm(int32_t Code) const;
    // Raise 112 unless the count of LEN through 0x05 matches LEN.
    void CheckLength(uint8_t Len) const;
    // Raise the checksum failure Code unless the checksum equals the sum.
    void CheckBccValue(int32_t Code) const;

    const TDataBuffer& Data() const { return FData; }
    int32_t Count() const { return FCount; }
    int32_t StatusPartBytes() const { return FStatusPartBytes; }

private:
    void AddCounted(uint8_t B);

    TDataBuffer& FStatus;
    TDataBuffer FData;
    uint16_t FSum = 0;
    int32_t FCount = 0;
    int32_t FStatusPartBytes = 0;
    std::string FBccText;
    int32_t FBccDigits = 0;
    bool FBccInRange = true;
};

// The abstract fiscal-printer device: packet format, last-error state and the byte, text and
// status routines of the command operations. A transport implements the four operations.
class TBaseDevice {
public:
    TBaseDevice() = default;
    virtual ~TBaseDevice() = default;
    TBaseDevice(const TBaseDevice&) = delete;
    TBaseDevice& operator=(const TBaseDevice&) = delete;

    // True with Data := the reply data and Status := the status bytes; False with the last-error
    // state set, Data still the payload. Never raises.
    virtual bool SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) = 0;
    virtual bool Connect() = 0;
    virtual void Disconnect() = 0;
    virtual bool IsConnected() = 0;

    TDeviceTextEvent OnSendFrame;    // the request frame as raw text, after each write
    TDeviceTextEvent OnReceiveByte;  // each received byte but SYN and NAK
    TDeviceTextEvent OnSynNak;       // each SYN or NAK of the serial exchange
    TDeviceTextEvent OnCommandLog;   // command number and duration after each SendCommand

    std::string FLastErrorMsg;
    int32_t FLastErrorCode = 0;
    uint8_t FSeq = 0;
    int32_t FDuration = 0;
    std::string FLastSentHex;
    std::string FLastRecvHex;

    // Byte, text and token routines of the payload builders and reply readers.
    static bool IsBitSet(const TDataBuffer& Status, uint8_t ByteIndex, uint8_t Bit);
    static void AppendByte(uint8_t B, TDataBuffer& Buf);
    static void AppendBytes(const TDataBuffer& Src, TDataBuffer& Dst);
    static void AppendEscapedChar(uint8_t B, TDataBuffer& Buf);
    // Text goes into the payload as it stands: the frame escapes every payload byte once.
    static void AppendChar(char C, TDataBuffer& Buf);
    static void AppendString(const std::string& S, TDataBuffer& Buf);
    static void AppendBCC(TDataBuffer& Frame);
    static void BytesToHex(const TDataBuffer& Data, uint8_t Start, std::string& Text,
                           uint8_t Count);
    static void BytesToTextRange(const TDataBuffer& Data, uint8_t Start, std::string& Text,
                                 uint8_t Count);
    static void BytesToText(const TDataBuffer& Data, std::string& Text);
    static void NextCommaToken(std::string& S, std::string& Token);
    static void NextSpaceToken(std::string& S, std::string& Token);
    static void ClearInfoRecord(TClientData& R);
    static void ClearInfoRecord(TDiagnosticInfo& R);

    // Error texts and status checks.
    static std::string ErrorText(int32_t Code, const std::string& Detail);
    static void CheckStatusBasic(const TDataBuffer& Status);
    static void CheckStatus(const TDataBuffer& Status);
    // Raises at the first check that matches, in the order given.
    static void CheckStatusBits(const TDataBuffer& Status,
                                std::initializer_list<TStatusBitCheck> Checks);
    static bool StatusToText(const TDataBuffer& Status, int32_t Skip, std::string& Text);
    bool StatusWarnings(const TDataBuffer& Status, std::string& Text);

    // Turns an exception caught inside a command operation into the last-error state.
    void HandleException(const std::exception& E, const TDataBuffer& Status);

    // Runs the checks and reply decoding of a command operation after its exchange: True when
    // Body returns, False after HandleException(its exception, Status).
    // Body may itself answer False, which is then returned.
    template <typename Body>
    bool RunGuarded(const TDataBuffer& Status, Body&& Checks) {
        try {
            if constexpr (std::is_same_v<std::invoke_result_t<Body>, bool>) {
                return Checks();
            } else {
                Checks();
                return true;
            }
        } catch (const std::exception& E) {
            HandleException(E, Status);
            return false;
        }
    }

    // ---- Command operations: True, or False with the last-error state set; none raises. ----

    // Reports and information.
    bool GetStatus(bool WFlag, TDataBuffer& Status);
    bool GetFPR_DateTime(TDateTime& DateTime);
    bool GetDiagnosticInfo(bool Flag, TDiagnosticInfo& Info);
    bool GetDeviceInfo(TPrnConst& Params);
    bool ReadHeaderLine(int32_t LineNo, std::string& Text);
    bool GetInvoiceRange(bool SFlag, int64_t& InvStart, int64_t& InvEnd, int64_t& InvCurrent);
    bool GetDailySums(bool Flag, TTaxSums& Sums);
    bool GetDepartmentName(int32_t DepartNo, std::string& Name, std::string& Description,
                           char& TaxLetter);
    bool GetDepartmentInfo(int32_t DepartNo, TDepartmentSum& Sum);
    bool FiscalMemoryReportByBlocks(bool Short, uint32_t StartBlock, uint32_t EndBlock);
    bool FiscalMemoryReportByDates(bool Short, TDateTime StartDate, TDateTime EndDate);
    bool PrintDiagnostic();

    // Receipts, cash and the drawer.
    bool OpenNonFiscalReceipt(int32_t& AllReceiptNo, int32_t& FiscReceiptNo);
    bool CloseNonFiscalReceipt(int32_t& AllReceiptNo);
    bool PrintNonFiscalText(const std::string& Text);
    bool OpenFiscalReceipt(uint16_t OperNo, const std::string& OperPwd, int32_t TillNo,
                           bool Invoice, int32_t& AllReceiptNo, int32_t& FiscReceiptNo);
    bool SellProgrammedItem(bool DPrefix, int32_t PluNo, int32_t DepartNo, double Qty,
                            double Percent, bool IsAmount);
    bool Subtotal(bool Print, bool IsAmount, bool WithSums, double Value, double& SubTotal,
                  TTaxSums& TaxSums);
    bool Payment(const std::string& Text1, const std::string& Text2, char PayMode, double Amount,
                 char& AnswerCode, double& AnswerAmount);
    bool PrintFiscalText(const std::string& Text);
    bool CloseFiscalReceipt(int32_t& AllReceiptNo, int32_t& FiscReceiptNo);
    bool PrintClientData(TClientData Client);
    bool CancelFiscalReceipt();
    bool GetReceiptState(bool TFlag, bool& IsOpen, int32_t& ItemsCount, double& Amount,
                         double& Tender);
    bool OpenCashDrawer(uint16_t Value);
    bool CashInOut(double Amount);  // a negative amount takes cash out
    bool PrintBarcode(uint32_t BarcodeType, const std::string& Data, bool ShowText);
    bool SetOperatorName(uint16_t OperNo, const std::string& OperPwd, const std::string& OpName);
    bool GetReceiptInfo(bool& CanVoid, TTaxSums& TaxSums, bool& Invoice, int64_t& NextInvNo);
    bool GetReceiptTaxTotal(bool& CanVoid, double& Total, bool& Invoice);
    bool PrintReceiptCopy();
    bool GetLastReceiptNo(int32_t& ReceiptNo);
    // Clears whatever receipt the printer has open.
    bool CancelOpenReceipt();
    // Settles and closes an open fiscal receipt that could not be cancelled.
    bool FPR_CancelAllRec();

    // Programming.
    bool SetDateTime(TDateTime DateTime);
    bool SetHeaderLine(int32_t LineNo, const std::string& Text);
    // The largest invoice number a range may start or end with.
    static constexpr int64_t MaxInvoiceNo = 99999999999;
    // InvStart and InvEnd come back as the printer reports them.
    bool SetInvoiceRange(bool SFlag, int64_t& InvStart, int64_t& InvEnd);
    bool SetDepartment(const TDepartmentInfo& Dept);

protected:
    using TAnswerDecoder = std::function<void(TAnswer& Answer)>;
    // One command operation: send Payload, apply Rule to the status, let Decode read the answer.
    bool Execute(uint8_t Cmd, const std::string& Payload, const TCommandRule& Rule,
                 const TAnswerDecoder& Decode = nullptr);
    // The same, but what the checks and Decode raise leaves it; False only when the exchange
    // failed. Status receives the answer's status bytes.
    bool Exchange(uint8_t Cmd, const std::string& Payload, const TCommandRule& Rule,
                  TDataBuffer& Status, const TAnswerDecoder& Decode);
    // Refuses an argument before anything is sent: 201 with Label.
    bool Refuse(const std::string& Label);
    // Payment and the client block with the letters and layout of one printer variant.
    bool SendPayment(const char* PayModes, const std::string& Text1, const std::string& Text2,
                     char PayMode, double Amount, char& AnswerCode, double& AnswerAmount);
    bool SendClientData(const TClientData& Client, bool RO);

    void LogCommandDuration(uint8_t Cmd);
    void DoSendFrame(const TDataBuffer& Frame);
    void DoReceiveByte(uint8_t B);
    void DoSynNak(uint8_t B);

    // Next sequence number of a request, kept within 0x20..0x7F.
    void StepSeq();
    // Opens a SendCommand call: no error, no traces, the next SEQ; returns its start time.
    uint64_t BeginCommand();
    // Closes a SendCommand call: its duration and log line, and no error left after success.
    bool EndCommand(uint8_t Cmd, uint64_t Start, bool Done);
    // Milliseconds and whole seconds on the protocol clock since Since.
    static uint64_t ElapsedMs(uint64_t Since);
    static uint64_t ElapsedSec(uint64_t Since) { return ElapsedMs(Since) / 1000; }
    // The request frame of Cmd with FSeq; refuses a payload whose LEN would not fit (201).
    TDataBuffer BuildFrame(uint8_t Cmd, const TDataBuffer& Payload) const;
    // Two upper-case hex digits and a blank per byte, for FLastSentHex and FLastRecvHex.
    static std::string HexText(const TDataBuffer& Data);
    static std::string HexByte(uint8_t B);
    static void AppendHexByte(uint8_t B, std::string& Text);
};
