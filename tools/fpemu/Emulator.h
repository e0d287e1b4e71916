#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Faults.h"
#include "Frame.h"
#include "Printer.h"
#include "Triggers.h"

namespace fpemu {

// One request frame as the emulator received it.
struct FrameLogEntry {
    uint64_t ms = 0;  // since the emulator started
    uint8_t seq = 0;
    uint8_t cmd = 0;
    Bytes payload;  // un-escaped
    bool valid = false;
    std::string error;  // why it is not valid
};

// "+1234 ms SEQ 21 CMD 4A valid W" for the program's log.
std::string FormatFrame(const FrameLogEntry& entry);

// A fiscal printer on a TCP port or a pseudo-terminal, served on a thread of its own. Every
// member may be called from any thread; several emulators may run side by side.
class Emulator {
public:
    // Told each request frame on the server thread as it arrives; it must not call back into
    // the emulator.
    using FrameListener = std::function<void(const FrameLogEntry&)>;

    // Listens on host:port; port 0 picks a free one (see Port()). One client after another.
    static std::unique_ptr<Emulator> StartTcp(const std::string& host = "127.0.0.1",
                                              uint16_t port = 0, FrameListener listener = {});
    // Opens a pseudo-terminal to be reached as COM`comNumber` (see PortMapping()).
    static std::unique_ptr<Emulator> StartPty(int comNumber, FrameListener listener = {});

    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Ends the server thread and closes the link; the logs stay readable.
    void Stop();

    bool IsTcp() const;
    std::string Host() const;  // TCP: the bound address
    uint16_t Port() const;     // TCP: the bound port
    // Pseudo-terminal: the slave device and its entry for KALVORA_PORTS ("COM7=/dev/pts/3").
    std::string SlavePath() const;
    std::string PortMapping() const;
    // TCP clients accepted so far.
    int Connections() const;

    // Appends to the fault script. A TCP-only fault on a pseudo-terminal, or a malformed text,
    // throws std::invalid_argument.
    void Script(const Step& step);
    void Script(std::string_view text);
    // Arms a trigger (see Triggers.h), such as At("38:1:signal:KILL:1234:after"); it counts
    // requests from now on. ClearScript disarms every trigger too.
    void At(const Trigger& trigger);
    void At(std::string_view text);
    void ClearScript();
    // Requests still to be answered by the script (each step counted `times` times).
    int ScriptedAnswers() const;

    void SetStatusBit(int byteIndex, int bit, bool on);
    // Runs `action` on the printer while the server is kept off it; `action` must not call
    // back into the emulator.
    void WithPrinter(const std::function<void(Printer&)>& action);

    // The lines the printer printed, oldest first.
    std::vector<std::string> Journal() const;

    std::vector<FrameLogEntry> Frames() const;
    // Waits until at least `count` frames have arrived; false after `timeoutMs`.
    bool WaitForFrames(size_t count, int timeoutMs) const;
    void ClearFrames();

private:
    // Throws std::invalid_argument for a fault that this link cannot show.
    void CheckLinkShows(Fault fault) const;

    struct Impl;
    explicit Emulator(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace fpemu
