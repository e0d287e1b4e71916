#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TestLine.h"

extern char** environ;

namespace {

using fpemu_test::Line;

// The program under test, with its stdout read line by line.
class Program {
public:
    explicit Program(std::vector<std::string> arguments) {
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        arguments.insert(arguments.begin(), FPEMU_PROGRAM);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, FPEMU_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("spawn");
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        stdout_ = fdopen(out[0], "r");
    }
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        fclose(stdout_);
    }

    std::string ReadLine() {
        char buffer[256] = {};
        if (fgets(buffer, sizeof buffer, stdout_) == nullptr) {
            return {};
        }
        std::string line = buffer;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

    // Sends SIGTERM (when asked) and returns the exit status.
    int Finish(bool terminate) {
        if (terminate) {
            kill(pid_, SIGTERM);
        }
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* stdout_ = nullptr;
};

std::string TempPath(const char* name) {
    return ::testing::TempDir() + name + std::to_string(getpid());
}

TEST(FpemuProgram, ServesTcpAndLogsFramesToAFile) {
    const std::string log = TempPath("fpemu-tcp.log");
    Program program(
        {"--tcp", "127.0.0.1:0", "--log", log, "--script", "nak", "--at", "4a:2:bad-checksum"});
    const std::string ready = program.ReadLine();
    ASSERT_EQ(ready.rfind("TCP 127.0.0.1:", 0), 0u) << ready;
    const int port = std::atoi(ready.substr(ready.rfind(':') + 1).c_str());
    auto line = Line::Tcp("127.0.0.1", static_cast<uint16_t>(port));
    line->Send(fpemu_test::RequestFrame(0x20, 0x4A, "W"));
    EXPECT_EQ(line->Read(1), fpemu_test::Bytes{0x15});
    const fpemu_test::Reply damaged = line->Ask(0x21, 0x4A, "W");  // the second 0x4A
    EXPECT_EQ(damaged.seq, 0x21);
    EXPECT_NE(damaged.bccText(), damaged.expectedBcc);
    const fpemu_test::Reply next = line->Ask(0x22, 0x4A, "W");
    EXPECT_EQ(next.bccText(), next.expectedBcc);
    EXPECT_EQ(program.Finish(true), 0);

    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find("SEQ 20 CMD 4A valid W"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("SEQ 21 CMD 4A valid W"), std::string::npos) << text.str();
    std::remove(log.c_str());
}

TEST(FpemuProgram, PrintsThePortMappingOfItsPty) {
    Program program({"--pty", "COM9"});
    const std::string mapping = program.ReadLine();
    ASSERT_EQ(mapping.rfind("COM9=/dev/pts/", 0), 0u) << mapping;
    auto line = Line::Pty(mapping.substr(5));
    EXPECT_EQ(line->Ask(0x20, 0x4A, "X").cmd, 0x4A);
    EXPECT_EQ(program.Finish(true), 0);
}

// The identity and the modes a test sets to stand for another printer.
TEST(FpemuProgram, TakesTheIdentityAndTheModes) {
    Program program({"--tcp", "127.0.0.1:0", "--serial", "EM 000777", "--fiscal-no", "90000777",
                     "--last-doc", "any", "--fault-reports", "run", "--at", "45:1:bit:0:4"});
    const std::string ready = program.ReadLine();
    ASSERT_EQ(ready.rfind("TCP 127.0.0.1:", 0), 0u) << ready;
    auto line = Line::Tcp(
        "127.0.0.1", static_cast<uint16_t>(std::atoi(ready.substr(ready.rfind(':') + 1).c_str())));
    EXPECT_EQ(line->Ask(0x20, 0x5A, "0").data,
              "FPEMU,1.00 20Jan26 1200,4A2F,00000000,EM 000777,90000777");
    line->Ask(0x21, 0x30, "1,,1");
    line->Ask(0x22, 0x3C, "");
    EXPECT_EQ(line->Ask(0x23, 0x71, "").data, "1");
    EXPECT_EQ(line->Ask(0x24, 0x45, "0").status[0], 0x90);  // run under the fault
    EXPECT_EQ(line->Ask(0x25, 0x6E, "11").data, "0,0,0,0,0,0,0,0,0,2");
    EXPECT_EQ(program.Finish(true), 0);
}

TEST(FpemuProgram, RefusesBadArguments) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--tcp", "70000"},
        {"--tcp", "1", "--pty", "COM1"},
        {"--pty", "COMx"},
        {"--pty", "LPT1"},
        {"--tcp"},
        {"--verbose", "1"},
        {"--tcp", "0", "--last-doc", "cancelled"},
        {"--tcp", "0", "--fault-reports", "print"},
        {"--tcp", "0", "--serial", "EM\t1"},
        {"--tcp", "0", "--serial", ""},
        {"--tcp", "0", "--serial", "EM,1"},
        {"--tcp", "0", "--fiscal-no", "12345678901234567"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row));
        Program program(row);
        EXPECT_EQ(program.Finish(false), 2);
    }
    Program badScript({"--tcp", "0", "--script", "hush"});
    EXPECT_EQ(badScript.Finish(false), 1);
    Program tcpFaultOnPty({"--pty", "COM3", "--script", "reset"});
    EXPECT_EQ(tcpFaultOnPty.Finish(false), 1);
    Program badTrigger({"--tcp", "0", "--at", "38:0:nak"});
    EXPECT_EQ(badTrigger.Finish(false), 1);
}

}  // namespace
