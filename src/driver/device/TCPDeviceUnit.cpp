#include "TCPDeviceUnit.h"

#include <cxxabi.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <typeinfo>

#include "Clock.h"

namespace {

constexpr uint32_t kConnectRetryPauseMs = 100;
constexpr uint64_t kConnectRaiseAfterSec = 3;  // a failing connect is reported after this
constexpr uint64_t kConnectWindowSec = 5;

constexpr int32_t kMaxRetries = 3;
constexpr uint64_t kNoAnswerRetryMs = 5000;
constexpr uint64_t kRetryWindowSec = 30;
constexpr uint64_t kSynLimitSec = 40;
constexpr uint32_t kDamagedRetryPauseMs = 200;

std::string KindName(const std::exception& E) {
    const char* mangled = typeid(E).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain != nullptr ? plain : mangled;
    std::free(plain);
    return name;
}

// The index of the first Byte at or after From, or npos.
size_t Find(const TDataBuffer& Buf, uint8_t Byte, size_t From) {
    const auto it = std::find(Buf.begin() + static_cast<std::ptrdiff_t>(std::min(From, Buf.size())),
                              Buf.end(), Byte);
    return it == Buf.end() ? std::string::npos : static_cast<size_t>(it - Buf.begin());
}

}  // namespace

TTCPDevice::TTCPDevice() : TTCPDevice(std::make_unique<platform::TcpClient>()) {}

TTCPDevice::TTCPDevice(std::unique_ptr<platform::ITcpClient> Client) : FClient(std::move(Client)) {}

TTCPDevice::~TTCPDevice() {
    Disconnect();
}

void TTCPDevice::SetHost(const std::string& Address) {
    FClient->SetHost(Address);
}

void TTCPDevice::SetPort(const std::string& Text) {
    int port = 0;
    const char* end = Text.data() + Text.size();
    const auto [ptr, ec] = std::from_chars(Text.data(), end, port);
    FClient->SetPort(ec == std::errc() && ptr == end ? port : 0);
}

bool TTCPDevice::IsConnected() {
    return FClient->Connected();
}

void TTCPDevice::Disconnect() {
    if (FClient->Connected()) {
        FClient->Disconnect();
    }
}

bool TTCPDevice::Connect() {
    platform::Clock& clock = platform::CurrentClock();
    const uint64_t start = clock.NowMs();
    bool result = false;
    try {
        Disconnect();
        do {
            try {
                FClient->Connect(ConnectTimeout);
                result = FClient->Connected();
            } catch (const std::exception&) {
                if (ElapsedSec(start) > kConnectRaiseAfterSec) {
                    throw;
                }
            }
            // A refused connect, or a host that accepts and drops at once, fails at once: pause
            // rather than spin until the window ends.
            if (!result) {
                clock.SleepMs(kConnectRetryPauseMs);
            }
        } while (!result && ElapsedSec(start) < kConnectWindowSec);
    } catch (const std::exception& e) {
        FLastErrorCode = 102;
        FLastErrorMsg = std::string("Failed to connect host. ") + e.what();
        result = false;
    }
    return result;
}

bool TTCPDevice::SendCommand(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status) {
    platform::Clock& clock = platform::CurrentClock();
    const uint64_t start = BeginCommand();
    int32_t attempts = 0;
    bool done = false;
    bool stop = false;
    do {
        try {
            Attempt(Cmd, Data, Status, attempts);
            done = true;
        } catch (const ECmdException& e) {
            FLastErrorMsg += e.what();
            FLastErrorCode = e.Code;
            switch (e.Code) {
                case 101:
                case 103:
                    if (ElapsedMs(start) > kNoAnswerRetryMs) {
                        stop = true;
                    } else {
                        FLastErrorMsg += "\r\n[RETRY->]";
                        ++attempts;
                    }
                    break;
                case 104:
                case 105:
                case 106:
                case 109:
                case 111:
                case 112:
                    clock.SleepMs(kDamagedRetryPauseMs);
                    FLastErrorMsg += "\r\n[RETRY->>]";
                    ++attempts;
                    break;
                default:
                    stop = true;
            }
        } catch (const platform::TcpError& e) {
            FLastErrorCode = 103;
            FLastErrorMsg = e.KindName() + "/" + e.what();
            if (e.Kind() == platform::TcpErrorKind::Other) {
                stop = true;
            } else {
                FLastErrorMsg += "[RETRY->]";
                ++attempts;
            }
        } catch (const std::exception& e) {
            FLastErrorMsg = "Unexpected error: " + KindName(e) + " / " + e.what();
            FLastErrorCode = 103;
            stop = true;
        }
    } while (!done && !stop && ElapsedSec(start) <= kRetryWindowSec);

    return EndCommand(Cmd, start, done);
}

void TTCPDevice::Attempt(uint8_t Cmd, TDataBuffer& Data, TDataBuffer& Status, int32_t Attempts) {
    if (FLastErrorCode == 101 || FLastErrorCode == 103) {
        Disconnect();
    }
    const std::string host = "[" + FClient->Host() + "]";
    if (!FClient->Connected() && !Connect()) {
        throw ECmdException(101, host);
    }
    if (Attempts > kMaxRetries) {
        throw ECmdException(107, host);
    }
    const TDataBuffer frame = BuildFrame(Cmd, Data);
    FLastSentHex = HexText(frame);
    try {
        // The check also throws away what is left of an earlier answer (cut short by a stray
        // 0x03 or by the length cap), which would otherwise be taken for this one's, and every
        // command after it would be sent twice.
        FClient->CheckForDisconnect();
        FClient->Write(frame);
    } catch (const std::exception& e) {
        std::string message = e.what();
        std::replace(message.begin(), message.end(), '#', ' ');
        throw ECmdException(102, message);
    }
    DoSendFrame(frame);
    Status.clear();
    const TDataBuffer answer = CollectAnswer(platform::CurrentClock().NowMs());
    Data = TakeApart(Cmd, answer, Status);
}

TDataBuffer TTCPDevice::CollectAnswer(uint64_t WriteTime) {
    TDataBuffer answer;
    bool collecting = false;
    bool busy = false;
    int32_t received = 0;
    for (;;) {
        const uint8_t b = ReadAnswerByte(WriteTime, busy);
        busy = b == kSyn;
        if (b == kSyn) {
            if (ElapsedSec(WriteTime) >= kSynLimitSec) {
                throw ECmdException(120, "");
            }
        } else if (b == kNak) {
            throw ECmdException(106, "<NAK>");
        } else if (++received > kMaxReplyFrameBytes) {
            // A device that never stops sending must not keep the caller here for ever.
            throw ECmdException(105, "<DATA>");
        }
        if (b == kStx) {
            collecting = true;
        }
        if (collecting) {
            answer.push_back(b);
        }
        if (b == kEtx) {
            return answer;
        }
    }
}

uint8_t TTCPDevice::ReadAnswerByte(uint64_t WriteTime, bool Busy) {
    // No answer takes longer than a busy printer is given: past that only a byte that has
    // already arrived is taken, so a printer that sends slowly cannot hold the caller.
    const uint64_t deadline = WriteTime + kSynLimitSec * 1000;
    try {
        return FClient->ReadByte(deadline);
    } catch (const platform::TcpError& e) {
        // A printer still reporting itself busy when the time is up is busy for too long.
        if (Busy && e.Kind() == platform::TcpErrorKind::ReadTimeout &&
            platform::CurrentClock().NowMs() >= deadline) {
            throw ECmdException(120, "");
        }
        throw;
    }
}

TDataBuffer TTCPDevice::TakeApart(uint8_t Cmd, const TDataBuffer& Answer, TDataBuffer& Status) {
    if (Answer.size() < 4) {
        throw ECmdException(105, "LEN1");
    }
    TReplyAccumulator reply(Status);
    const auto take = [this](uint8_t B) {
        AppendHexByte(B, FLastRecvHex);
        DoReceiveByte(B);
    };
    const auto header = [&](size_t Index) {
        take(Answer[Index]);
        reply.AddHeader(Answer[Index]);
        return Answer[Index];
    };
    // SEQ and CMD echo the request; 0 means the byte is missing.
    const auto checkEcho = [](uint8_t Got, uint8_t Sent, const char* Missing, int32_t Code) {
        if (Got == 0) {
            throw ECmdException(104, Missing);
        }
        if (Got != Sent) {
            throw ECmdException(Code, "[" + HexByte(Got) + "/" + HexByte(Sent) + "]");
        }
    };
    const uint8_t len = header(1);
    if (len == 0) {
        throw ECmdException(105, "<LEN>");
    }
    checkEcho(header(2), FSeq, "<SEQ>", 109);
    checkEcho(header(3), Cmd, "<CMD>", 110);
    const size_t eot = Find(Answer, kEot, 4);
    if (eot == std::string::npos) {
        throw ECmdException(104, "data");
    }
    for (size_t i = 4; i <= eot; ++i) {
        take(Answer[i]);
        reply.AddData(Answer[i]);
    }
    const size_t enq = Find(Answer, kEnq, eot + 1);
    if (Answer.size() - 1 - eot < 6 || enq == std::string::npos) {
        throw ECmdException(104, "status");
    }
    for (size_t i = eot + 1; i <= enq; ++i) {
        take(Answer[i]);
        reply.AddStatus(Answer[i]);
    }
    if (Status.size() != 6) {
        throw ECmdException(105, "<STATUS>");
    }
    const size_t etx = Find(Answer, kEtx, enq + 1);
    if (etx == std::string::npos) {
        throw ECmdException(104, "contr.sum");
    }
    for (size_t i = enq + 1; i < etx; ++i) {
        take(Answer[i]);
        reply.AddBcc(Answer[i]);
    }
    reply.CheckBccForm(104);
    reply.CheckLength(len);
    reply.CheckBccValue(104);
    return reply.Data();
}
