// fpemu: a fiscal printer emulator for tests and demonstrations.
//
//   fpemu --tcp [HOST:]PORT | --pty COMn  [--log FILE] [--script STEPS] [--at TRIGGER]...
//         [--last-doc closed|any] [--fault-reports refuse|run] [--serial TEXT]
//         [--fiscal-no TEXT]
//
// Prints "TCP HOST:PORT" or the KALVORA_PORTS entry ("COM7=/dev/pts/3") once it serves, logs
// every request frame to FILE (default: stderr) and runs until SIGINT or SIGTERM.

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "Emulator.h"

namespace {

const char kUsage[] =
    "usage: fpemu --tcp [HOST:]PORT | --pty COMn [--log FILE] [--script STEPS] [--at TRIGGER]...\n"
    "             [--last-doc closed|any] [--fault-reports refuse|run] [--serial TEXT]\n"
    "             [--fiscal-no TEXT]\n"
    "  --tcp     serve TCP on HOST (default 127.0.0.1) and PORT (0 picks a free one)\n"
    "  --pty     serve a pseudo-terminal and print its KALVORA_PORTS entry\n"
    "  --log     append the received frames to FILE instead of stderr\n"
    "  --script  answer the first requests with faults, e.g. nak*2,syn:60:1000,wrong-seq\n"
    "  --at      act at the Nth request with a CMD, e.g. 38:1:lose, 31:2:nak,\n"
    "            35:1:bit:2:0, 38:1:signal:KILL:@ostrelin.pid:after\n"
    "  --last-doc  what the last document number (0x71) counts: closed receipts (default),\n"
    "            or any receipt ended, a cancelled one too\n"
    "  --fault-reports  under the fault bit [0/4], refuse reports (default) or print them\n"
    "            and still report the bit\n"
    "  --serial, --fiscal-no  the printer's serial (default EM000001) and fiscal memory\n"
    "            number (default 90000001)\n";

struct Options {
    std::string tcpHost = "127.0.0.1";
    int tcpPort = -1;
    int comNumber = 0;
    std::string logFile;
    std::string script;
    std::vector<std::string> triggers;
    fpemu::PrinterState printer;  // only the fields that options set are taken from here
};

bool ParseInt(const std::string& text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

bool IdentityText(const std::string& text) {
    return !text.empty() && text.size() <= 16 && std::all_of(text.begin(), text.end(), [](char c) {
        return c >= ' ' && c < 0x7F && c != ',';
    });
}

// Returns an error text, empty when the arguments are good.
std::string ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc) {
            return "missing value after " + option;
        }
        const std::string value = argv[++i];
        if (option == "--tcp") {
            std::string port = value;
            if (const size_t colon = value.rfind(':'); colon != std::string::npos) {
                options.tcpHost = value.substr(0, colon);
                port = value.substr(colon + 1);
            }
            if (!ParseInt(port, options.tcpPort) || options.tcpPort < 0 ||
                options.tcpPort > 65535) {
                return "bad TCP port \"" + port + "\"";
            }
        } else if (option == "--pty") {
            if (value.compare(0, 3, "COM") != 0 || !ParseInt(value.substr(3), options.comNumber) ||
                options.comNumber <= 0) {
                return "bad port name \"" + value + "\" (expected COMn)";
            }
        } else if (option == "--log") {
            options.logFile = value;
        } else if (option == "--script") {
            options.script = value;
        } else if (option == "--at") {
            options.triggers.push_back(value);
        } else if (option == "--last-doc") {
            if (value != "closed" && value != "any") {
                return "bad --last-doc \"" + value + "\" (expected closed or any)";
            }
            options.printer.lastDocument =
                value == "any" ? fpemu::LastDocument::Any : fpemu::LastDocument::Closed;
        } else if (option == "--fault-reports") {
            if (value != "refuse" && value != "run") {
                return "bad --fault-reports \"" + value + "\" (expected refuse or run)";
            }
            options.printer.faultReports =
                value == "run" ? fpemu::FaultReports::Run : fpemu::FaultReports::Refuse;
        } else if (option == "--serial" || option == "--fiscal-no") {
            // The diagnostic answer separates its fields with commas.
            if (!IdentityText(value)) {
                return "bad " + option + " \"" + value +
                       "\" (1 to 16 printable characters, no comma)";
            }
            (option == "--serial" ? options.printer.serial : options.printer.fiscalNo) = value;
        } else {
            return "unknown option " + option;
        }
    }
    if ((options.tcpPort >= 0) == (options.comNumber > 0)) {
        return "give either --tcp or --pty";
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::string error = ParseArguments(argc, argv, options); !error.empty()) {
        std::fprintf(stderr, "fpemu: %s\n%s", error.c_str(), kUsage);
        return 2;
    }
    FILE* log = stderr;
    if (!options.logFile.empty()) {
        log = std::fopen(options.logFile.c_str(), "a");
        if (log == nullptr) {
            std::fprintf(stderr, "fpemu: cannot open %s: %s\n", options.logFile.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    // Signals are taken by sigwait below, on this thread, not by a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto writeFrame = [log](const fpemu::FrameLogEntry& entry) {
        std::fprintf(log, "%s\n", fpemu::FormatFrame(entry).c_str());
        std::fflush(log);
    };
    std::unique_ptr<fpemu::Emulator> emulator;
    try {
        // Checked before anything serves, so a bad script never meets a request.
        const std::vector<fpemu::Step> script = fpemu::ParseScript(options.script);
        std::vector<fpemu::Trigger> triggers;
        for (const std::string& text : options.triggers) {
            triggers.push_back(fpemu::ParseTrigger(text));
        }
        if (options.tcpPort >= 0) {
            emulator = fpemu::Emulator::StartTcp(
                options.tcpHost, static_cast<uint16_t>(options.tcpPort), writeFrame);
        } else {
            emulator = fpemu::Emulator::StartPty(options.comNumber, writeFrame);
        }
        for (const fpemu::Step& step : script) {
            emulator->Script(step);
        }
        for (const fpemu::Trigger& trigger : triggers) {
            emulator->At(trigger);
        }
        emulator->WithPrinter([&options](fpemu::Printer& printer) {
            fpemu::PrinterState& state = printer.State();
            state.lastDocument = options.printer.lastDocument;
            state.faultReports = options.printer.faultReports;
            state.serial = options.printer.serial;
            state.fiscalNo = options.printer.fiscalNo;
        });
        if (emulator->IsTcp()) {
            std::printf("TCP %s:%u\n", emulator->Host().c_str(), emulator->Port());
        } else {
            std::printf("%s\n", emulator->PortMapping().c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fpemu: %s\n", e.what());
        return 1;
    }
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    emulator->Stop();
    if (log != stderr) {
        std::fclose(log);
    }
    return 0;
}
