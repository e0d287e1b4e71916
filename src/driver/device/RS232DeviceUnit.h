#pragma once

#include <memory>
#include <string>

#include "BaseDeviceUnitRO.h"
#include "MyCPort.h"

// The printer over an RS-232 port: the answer is read byte by byte against time limits, waiting
// while the printer reports that it is busy.
class TRS32Device : public TBaseDeviceRO {
public:
    TRS32Device();
    ~TRS32Device() override;

    // "COM" followed by the port number.
    void SetPortName(const std::string& Name);
    // A text that names no rate gives 9600.
    void SetBaudRate(const std::string& Text);

    bool SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) override;
    bool Connect() override;
    void Disconnect() override;
    bool IsConnected() override;

    TComPort& ComPort() { return *FComPort; }

private:
    // One attempt: write the frame, read and check the answer.
    void Attempt(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status, int32_t Attempts,
                 uint64_t Start);
    // Skips bytes until the 0x01 or NAK that starts the answer, while SYN keeps it waiting.
    uint8_t AwaitAnswer(uint64_t Start);
    // A byte of the answer after its start, within the byte limit and the call's window: shown
    // in FLastRecvHex, refused past the largest frame.
    bool ReadAnswerByte(uint8_t& B, const char* Part);
    // True with a byte read within Limit ms and by Deadline, though one read is always made;
    // port errors count as silence.
    bool ReadByteTimeout(uint8_t& B, uint32_t Limit, uint64_t Deadline = UINT64_MAX);
    // Throws away what is still arriving after a mismatched answer.
    void Drain(uint64_t Start);

    std::unique_ptr<TComPort> FComPort;
    int32_t FAnswerBytes = 0;
    uint64_t FAnswerDeadline = 0;
};
