#pragma once

#include <memory>
#include <string>

#include "BaseDeviceUnitRO.h"
#include "TcpClient.h"

// The printer over a TCP connection: the whole answer is collected first and then taken apart;
// a silent or lost link is reconnected before the next attempt.
class TTCPDevice : public TBaseDeviceRO {
public:
    static constexpr int ConnectTimeout = 1000;

    TTCPDevice();
    // Takes a client of the caller's choice (tests script one).
    explicit TTCPDevice(std::unique_ptr<platform::ITcpClient> Client);
    ~TTCPDevice() override;

    void SetHost(const std::string& Address);
    // Text as a decimal integer, 0 when it is not one.
    void SetPort(const std::string& Text);

    bool SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) override;
    bool Connect() override;
    void Disconnect() override;
    bool IsConnected() override;

    platform::ITcpClient& Client() { return *FClient; }

private:
    // One attempt: reconnect when needed, write the frame, read and check the answer.
    void Attempt(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status, int32_t Attempts);
    // Reads until 0x03; returns the bytes from the 0x01 on, or nothing when no 0x01 came.
    TDataBuffer CollectAnswer(uint64_t WriteTime);
    // The next byte of an answer, within the time an answer is given from its write; Busy says
    // the printer's last byte was SYN.
    uint8_t ReadAnswerByte(uint64_t WriteTime, bool Busy);
    TDataBuffer TakeApart(uint8_t Cmd, const TDataBuffer& Answer, TDataBuffer& Status);

    std::unique_ptr<platform::ITcpClient> FClient;
};
