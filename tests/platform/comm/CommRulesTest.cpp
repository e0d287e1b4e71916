// The parts of the comm layer that need no line: time-out rules, port names, events, errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ComPortNames.h"
#include "Comm.h"
#include "ReadTimeouts.h"

using namespace platform;

namespace {

TEST(ReadDeadline, FollowsTheWindowsRules) {
    struct Row {
        const char* what;
        COMMTIMEOUTS timeouts;
        DWORD count, received;
        uint64_t nowMs, lastByteMs;
        std::optional<uint64_t> wait;
    };
    const std::optional<uint64_t> none;
    const Row rows[] = {
        {"device, silent start", {50, 50, 50, 0, 0}, 1, 0, 0, 0, 100},
        {"device, total nearly over", {50, 50, 50, 0, 0}, 1, 0, 90, 0, 10},
        {"device, total over", {50, 50, 50, 0, 0}, 1, 0, 130, 0, 0},
        {"interval after a byte", {50, 50, 50, 0, 0}, 4, 2, 30, 20, 40},
        {"interval over", {50, 50, 50, 0, 0}, 4, 2, 80, 20, 0},
        {"all bytes in", {50, 50, 50, 0, 0}, 2, 2, 0, 0, 0},
        {"all-ones interval, zero totals", {MAXDWORD, 0, 0, 0, 0}, 5, 0, 0, 0, 0},
        {"first-byte mode waits", {MAXDWORD, MAXDWORD, 300, 0, 0}, 5, 0, 100, 0, 200},
        {"first-byte mode has one", {MAXDWORD, MAXDWORD, 300, 0, 0}, 5, 1, 100, 100, 0},
        {"no time-outs", {0, 0, 0, 0, 0}, 5, 3, 10000, 0, none},
        {"interval only, no byte yet", {20, 0, 0, 0, 0}, 5, 0, 10000, 0, none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ReadDeadline deadline(row.timeouts, row.count, 0);
        EXPECT_EQ(deadline.WaitMs(row.nowMs, row.received, row.lastByteMs), row.wait);
    }
    EXPECT_EQ(WriteTimeLimitMs({0, 0, 0, 100, 1000}, 12), 2200u);
    EXPECT_EQ(WriteTimeLimitMs({0, 0, 0, 0, 0}, 12), std::nullopt);
}

TEST(ComPortNames, EnvironmentThenMapFileThenDevices) {
    PortMapSources sources;
    sources.environment = "COM7=/dev/pts/3, com2 = /dev/ttyUSB1 ,COM0=/dev/x,bad,COM9=";
    sources.mapFile =
        "[Other]\nCOM4=/dev/no\n; comment\n[ports]\nCOM7=/dev/ignored\nCom3=/dev/ttyACM0\n";
    sources.devices = {"/dev/ttyS0", "/dev/ttyUSB1", "/dev/ttyUSB0"};
    const std::vector<ComPortEntry> expected = {
        {"COM1", "/dev/ttyS0"},   {"COM2", "/dev/ttyUSB1"}, {"COM3", "/dev/ttyACM0"},
        {"COM4", "/dev/ttyUSB0"}, {"COM7", "/dev/pts/3"},
    };
    EXPECT_EQ(BuildPortMap(sources), expected);
    EXPECT_EQ(CanonicalComName("com12"), "COM12");
    EXPECT_EQ(CanonicalComName("COM012"), std::nullopt);
    EXPECT_EQ(CanonicalComName("COMX"), std::nullopt);
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/kalvora-comm-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    const std::string& Path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const {
        std::filesystem::create_directories(
            std::filesystem::path(path_ + "/" + name).parent_path());
        std::ofstream(path_ + "/" + name) << text;
    }

private:
    std::string path_;
};

TEST(ComPortNames, ScanKeepsOnlyTtySPortsWithAUart) {
    TempDir dir;
    for (const char* node : {"ttyS10", "ttyS2", "ttyS3", "ttyS", "ttyUSB1", "ttyUSB0", "ttyACM0",
                             "ttyAMA0", "ttyUSBx"}) {
        dir.Write(std::string("dev/") + node, "");
    }
    dir.Write("sys/ttyS2/type", "4\n");
    dir.Write("sys/ttyS3/type", "0\n");
    dir.Write("sys/ttyS10/type", "1\n");
    const std::string dev = dir.Path() + "/dev/";
    const std::vector<std::string> expected = {dev + "ttyS2", dev + "ttyS10", dev + "ttyUSB0",
                                               dev + "ttyUSB1", dev + "ttyACM0"};
    EXPECT_EQ(ScanSerialDevices(dir.Path() + "/dev", dir.Path() + "/sys"), expected);
}

TEST(ComPortNames, MapFileComesFromTheUsersConfigFolder) {
    TempDir dir;
    dir.Write("kalvora/ports.ini", "[Ports]\nCOM21=/dev/ttyUSB9\n");
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    setenv("KALVORA_PORTS", "COM20=/dev/pts/99", 1);
    const std::vector<ComPortEntry> ports = ListComPorts();
    unsetenv("KALVORA_PORTS");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_NE(std::find(ports.begin(), ports.end(), ComPortEntry{"COM20", "/dev/pts/99"}),
              ports.end());
    EXPECT_NE(std::find(ports.begin(), ports.end(), ComPortEntry{"COM21", "/dev/ttyUSB9"}),
              ports.end());
}

TEST(Events, ManualAndAutoResetAndWaitForAny) {
    HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    const HANDLE both[] = {manual, automatic};
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 20), WAIT_TIMEOUT);  // auto reset took it
    std::thread setter([&] { SetEvent(manual); });
    EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, INFINITE), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);  // stays set
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_TRUE(CloseHandle(automatic));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "named"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST(Errors, SystemTextsOfTheReportedNumbers) {
    EXPECT_EQ(SystemErrorMessage(ERROR_FILE_NOT_FOUND),
              "The system cannot find the file specified.");
    EXPECT_EQ(SystemErrorMessage(ERROR_ACCESS_DENIED), "Access is denied.");
    EXPECT_EQ(SystemErrorMessage(ERROR_IO_PENDING), "Overlapped I/O operation is in progress.");
    EXPECT_EQ(SystemErrorMessage(123456), "");
    SetLastError(5);
    std::thread other([] { EXPECT_EQ(GetLastError(), 0u); });
    other.join();
    EXPECT_EQ(GetLastError(), 5u);
}

}  // namespace
