#include "FaultRig.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace faults {

namespace fs = std::filesystem;

namespace {

constexpr int kPollMs = 20;

std::string Read(const std::string& Path) {
    return TempFolder::Get(Path);
}

// Installs a file of the build: a hard link where the folders share a file system.
void Install(const std::string& From, const std::string& To) {
    std::error_code error;
    fs::create_hard_link(From, To, error);
    if (error) {
        fs::copy_file(From, To);
    }
}

}  // namespace

size_t Count(const std::string& Text, const std::string& Part) {
    size_t count = 0;
    for (size_t at = Text.find(Part); at != std::string::npos; at = Text.find(Part, at + 1)) {
        ++count;
    }
    return count;
}

bool WaitFor(const std::function<bool()>& Condition, int TimeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!Condition()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
    return true;
}

TReceipt FiscalReceipt(const std::string& Name, const std::string& Marker) {
    const std::string marker = Marker.empty() ? "ITEM " + Name : Marker;
    return {Name, marker, "@01Maria\r\n%0^" + marker + "^1.50^2^1\r\n#E1^10.00\r\n"};
}

TReceipt ZeroTotalReceipt(const std::string& Name) {
    const std::string marker = "ITEM " + Name;
    return {Name, marker, "@01Maria\r\n%0^" + marker + "^0.00^1^1\r\n"};
}

TReceipt NonFiscalReceipt(const std::string& Name) {
    const std::string marker = "NOTE " + Name;
    return {Name, marker, ":" + marker + "\r\n:second line\r\n"};
}

TReceipt CashFile(const std::string& Name, int64_t Hundredths) {
    const long long amount = std::llabs(Hundredths);
    char line[32];
    std::snprintf(line, sizeof line, "#R%s%lld.%02lld\r\n", Hundredths < 0 ? "-" : "", amount / 100,
                  amount % 100);
    return {Name, "", line, TReceipt::TKind::Cash, amount};
}

TReceipt XReportFile(const std::string& Name) {
    return {Name, "X REPORT", "#I\r\n", TReceipt::TKind::Report};
}

TReceipt ZReportFile(const std::string& Name) {
    return {Name, "Z REPORT ", "#N\r\n", TReceipt::TKind::Report};
}

namespace {

void AnotherTill(fpemu::Emulator& Printer,
                 const std::vector<std::pair<uint8_t, std::string>>& Requests) {
    Printer.WithPrinter([&](fpemu::Printer& p) {
        const fpemu::Receipt& open = p.State().receipt;
        if (open.kind == fpemu::Receipt::Kind::NonFiscal) {
            p.Execute(0x27, {});
        } else if (open.kind == fpemu::Receipt::Kind::Fiscal) {
            p.Execute(open.tenders.empty() ? 0x3C : 0x38, {});
        }
        for (const auto& [cmd, data] : Requests) {
            p.Execute(cmd, fpemu::Bytes(data.begin(), data.end()));
        }
    });
}

}  // namespace

void AnotherTillSells(fpemu::Emulator& Printer, const std::string& Amount) {
    AnotherTill(Printer,
                {{0x30, "1,,1"}, {0x31, "OTHER TILL\tA" + Amount}, {0x35, "\tP"}, {0x38, ""}});
}

void AnotherTillRunsDailyReport(fpemu::Emulator& Printer) {
    AnotherTill(Printer, {{0x45, "0"}});
}

std::string ModeName(fpemu::LastDocument Mode) {
    return Mode == fpemu::LastDocument::Any ? "LastDocAny" : "LastDocClosed";
}

std::vector<std::string> ShimEnv(const std::string& Setting) {
    const char* asan = std::getenv("ASAN_OPTIONS");
    // A preloaded library comes before the sanitizer's runtime, which it has none of.
    return {std::string("LD_PRELOAD=") + KILL_SHIM_PATH, Setting,
            std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
}

TProgram::TProgram(const std::string& Folder, const std::string& Receipts)
    : FFolder(Folder), FReceipts(Receipts) {
    fs::create_directories(FFolder);
    Install(OSTRELIN_PATH, FFolder + "/Ostrelin");
    Install(KALVORA_PATH, FFolder + "/Kalvora.so");
    AddPrinter();
}

TProgram::~TProgram() {
    Kill();
    FPrinters.back()->Stop();
}

void TProgram::AddPrinter() {
    FPrinters.push_back(fpemu::Emulator::StartTcp());
    FPrinters.back()->WithPrinter(
        [&](fpemu::Printer& printer) { printer.State().lastDocument = FLastDocument; });
    // The ".err" text tells the shop which answers not to send again.
    TempFolder::Put(FFolder + "/Ostrelin.ini",
                    "[Files]\r\nfolder=" + FReceipts +
                        "/\r\n[Connection-IP]\r\nip_address=127.0.0.1"
                        "\r\ntcp_port=" +
                        std::to_string(FPrinters.back()->Port()) +
                        "\r\n[OTHER]\r\nuse_tcp=1\r\ncheck_prn_interval=0"
                        "\r\nerrtext_in_errfile=1\r\n");
}

void TProgram::SetLastDocument(fpemu::LastDocument Mode) {
    FLastDocument = Mode;
    Printer().WithPrinter([&](fpemu::Printer& printer) { printer.State().lastDocument = Mode; });
}

void TProgram::ReplacePrinter(const std::string& Serial, const std::string& FiscalNo) {
    Printer().Stop();
    AddPrinter();
    Printer().WithPrinter([&](fpemu::Printer& printer) {
        printer.State().serial = Serial;
        printer.State().fiscalNo = FiscalNo;
    });
}

void TProgram::Start(const std::vector<std::string>& Env) {
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                    "KALVORA_REGISTRY=" + FFolder + "/registry"};
    env.insert(env.end(), Env.begin(), Env.end());
    auto named = [&](const std::string& entry) {
        for (const std::string& own : env) {
            if (own.compare(0, own.find('=') + 1, entry, 0, own.find('=') + 1) == 0) {
                return true;
            }
        }
        return false;
    };
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (!named(*entry)) {
            env.push_back(*entry);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::string program = FFolder + "/Ostrelin";
    char* argv[] = {program.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string console = FFolder + "/console.txt";
    posix_spawn_file_actions_addopen(&actions, 1, console.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int error = posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        FPid = -1;
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(error));
    }
}

int TProgram::WaitExit(int TimeoutMs) {
    int status = -1;
    const bool ended = WaitFor(
        [&] {
            const pid_t done = ::waitpid(FPid, &status, WNOHANG);
            return done == FPid || done < 0;
        },
        TimeoutMs);
    if (!ended) {
        return -1;
    }
    FPid = -1;
    return status;
}

bool TProgram::WaitStopped(int TimeoutMs) {
    int status = 0;
    return WaitFor(
        [&] { return ::waitpid(FPid, &status, WNOHANG | WUNTRACED) == FPid && WIFSTOPPED(status); },
        TimeoutMs);
}

void TProgram::Continue() {
    ::kill(FPid, SIGCONT);
}

void TProgram::Kill() {
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }
}

std::string TProgram::ConsoleText() const {
    return Read(FFolder + "/console.txt");
}

std::string TProgram::LogText() const {
    std::string text;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(FFolder + "/Log", ignored)) {
        text += Read(entry.path().string());
    }
    return text;
}

TRig::TRig(int Programs, size_t TmpfsBytes) : FReceipts(Path("Reciepts")), FTmpfsBytes(TmpfsBytes) {
    fs::create_directories(FReceipts);
    if (TmpfsBytes > 0) {
        const std::string size = "size=" + std::to_string(TmpfsBytes);
        FMounted = ::mount("tmpfs", FReceipts.c_str(), "tmpfs", 0, size.c_str()) == 0;
    }
    for (int i = 0; i < Programs; ++i) {
        FPrograms.push_back(
            std::make_unique<TProgram>(Path("Ostrelin" + std::to_string(i + 1)), FReceipts));
    }
}

TRig::~TRig() {
    FPrograms.clear();
    if (FMounted) {
        ::umount2(FReceipts.c_str(), MNT_DETACH);
    }
}

void TRig::Drop(const TReceipt& File) const {
    Put(FReceipts + "/" + File.Name + ".bon", File.Body);
}

void TRig::Drop(const std::vector<TReceipt>& Files) const {
    for (const TReceipt& file : Files) {
        Drop(file);
    }
}

bool TRig::Answered(const TReceipt& File, const char* Ext) const {
    std::error_code ignored;
    return fs::is_regular_file(FReceipts + "/" + File.Name + Ext, ignored);
}

std::string TRig::Answer(const TReceipt& File, const char* Ext) const {
    return Get(FReceipts + "/" + File.Name + Ext);
}

bool TRig::Settled(const std::vector<TReceipt>& Files) const {
    for (const TReceipt& file : Files) {
        if ((!Answered(file, ".rep") && !Answered(file, ".err")) || Answered(file, ".bon")) {
            return false;
        }
    }
    return true;
}

bool TRig::WaitSettled(const std::vector<TReceipt>& Files, int TimeoutMs) const {
    return WaitFor([&] { return Settled(Files); }, TimeoutMs);
}

std::vector<int> TRig::Executed(const std::vector<TReceipt>& Files) {
    std::vector<int> done(Files.size(), 0);
    for (const auto& program : FPrograms) {
        for (const auto& printer : program->Printers()) {
            int64_t cashMoved = 0;
            printer->WithPrinter(
                [&](fpemu::Printer& p) { cashMoved = p.State().cashIn + p.State().cashOut; });
            const std::vector<std::string> journal = printer->Journal();
            for (size_t i = 0; i < Files.size(); ++i) {
                if (Files[i].Kind == TReceipt::TKind::Cash) {
                    done[i] += static_cast<int>(cashMoved / Files[i].Cash);
                } else if (Files[i].Kind == TReceipt::TKind::Report) {
                    done[i] += static_cast<int>(
                        std::count_if(journal.begin(), journal.end(), [&](const std::string& line) {
                            return line.rfind(Files[i].Marker, 0) == 0;
                        }));
                }
            }
            // A receipt runs from its operator line (fiscal) or its title (non-fiscal) to its
            // closing lines; a cancelled one was never closed.
            bool open = false;
            std::vector<std::string> lines;
            for (const std::string& line : journal) {
                if (line == "NON-FISCAL RECEIPT" || line.rfind("OPERATOR ", 0) == 0) {
                    open = true;
                    lines.clear();
                } else if (!open) {
                    continue;
                } else if (line == "FISCAL RECEIPT CANCELLED") {
                    open = false;
                } else if (line == "END OF NON-FISCAL RECEIPT" || line == "FISCAL RECEIPT" ||
                           line == "FISCAL INVOICE") {
                    open = false;
                    for (size_t i = 0; i < Files.size(); ++i) {
                        for (const std::string& printed : lines) {
                            if (Files[i].Kind == TReceipt::TKind::Receipt &&
                                printed.find(Files[i].Marker) != std::string::npos) {
                                ++done[i];
                                break;
                            }
                        }
                    }
                } else {
                    lines.push_back(line);
                }
            }
        }
    }
    return done;
}

std::vector<TReceipt> TRig::ResendFailed(const std::vector<TReceipt>& Files) const {
    std::vector<TReceipt> resent;
    for (const TReceipt& file : Files) {
        if (Answered(file, ".err") && Answer(file, ".err").find(kCannotTell) == std::string::npos) {
            fs::remove(FReceipts + "/" + file.Name + ".err");
            Drop(file);
            resent.push_back(file);
        }
    }
    return resent;
}

void TRig::SetReadOnly(bool ReadOnly) {
    const std::string size = "size=" + std::to_string(FTmpfsBytes);
    if (!FImmutable && ::mount(nullptr, FReceipts.c_str(), nullptr,
                               MS_REMOUNT | (ReadOnly ? MS_RDONLY : 0), size.c_str()) == 0) {
        return;
    }
    // A file held open for writing in the folder (the program's lock file) keeps a file system
    // from going read-only. An immutable folder refuses every new, renamed or removed file the
    // same way, even to root.
    const int error = errno;
    const int fd = ::open(FReceipts.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    bool set = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = ReadOnly ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    set = set && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!set) {
        throw std::runtime_error("cannot make " + FReceipts +
                                 " read-only: " + std::strerror(error));
    }
    FImmutable = ReadOnly;
}

void TRig::SetFull(bool Full) {
    const std::string filler = FReceipts + "/filler";
    if (!Full) {
        fs::remove(filler);
        return;
    }
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string block(4096, 'x');
    // Byte by byte at the end, so not even a short answer fits.
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    while (::write(fd, "x", 1) > 0) {
    }
    ::close(fd);
}

}  // namespace faults
