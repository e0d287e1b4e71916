#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "Shell.h"

namespace fs = std::filesystem;

namespace {

// A stand-in for the desktop's handler: it reports its arguments, and whether it inherited the
// descriptor named by LEAK_FD, through a FIFO the test waits on.
class ShellOpenTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "shell_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        fifo_ = folder_ / "report";
        ASSERT_EQ(mkfifo(fifo_.c_str(), 0600), 0);
        handler_ = folder_ / "handler";
        std::ofstream(handler_) << "#!/bin/sh\n"
                                   "leaked=no\n"
                                   "[ -e /proc/$$/fd/$LEAK_FD ] && leaked=yes\n"
                                   "printf '%s|%s|%s' \"$#\" \"$1\" \"$leaked\" > \"$REPORT\"\n";
        fs::permissions(handler_, fs::perms::owner_all);
        setenv("REPORT", fifo_.c_str(), 1);
    }
    void TearDown() override { fs::remove_all(folder_); }

    // What the handler wrote, once it has closed the FIFO; empty if it never came.
    std::string Report() {
        const int fd = open(fifo_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        std::string text;
        pollfd waiting{fd, POLLIN, 0};
        char buffer[512];
        while (poll(&waiting, 1, 10'000) > 0) {
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(n));
        }
        close(fd);
        return text;
    }

    fs::path folder_;
    fs::path fifo_;
    fs::path handler_;
};

TEST_F(ShellOpenTest, PassesTheTargetAsOneArgumentWithoutAShell) {
    setenv("KALVORA_SHELL_OPEN", handler_.c_str(), 1);
    const int inherited = open("/dev/null", O_RDONLY);  // no close-on-exec
    setenv("LEAK_FD", std::to_string(inherited).c_str(), 1);

    const std::string target = "/home/a b/it's $(here); `x` > y";
    ASSERT_TRUE(platform::ShellOpen(target));
    EXPECT_EQ(Report(), "1|" + target + "|no");
    close(inherited);
}

TEST_F(ShellOpenTest, FindsTheHandlerOnThePath) {
    setenv("KALVORA_SHELL_OPEN", "handler", 1);
    setenv("PATH", ("/nonexistent::" + folder_.string()).c_str(), 1);
    setenv("LEAK_FD", "999", 1);
    ASSERT_TRUE(platform::ShellOpen("https://example.invalid/"));
    EXPECT_EQ(Report(), "1|https://example.invalid/|no");
}

TEST_F(ShellOpenTest, AMissingHandlerIsReported) {
    setenv("KALVORA_SHELL_OPEN", (folder_ / "missing").c_str(), 1);
    EXPECT_FALSE(platform::ShellOpen("/tmp"));
    setenv("KALVORA_SHELL_OPEN", "no-such-handler-anywhere", 1);
    setenv("PATH", folder_.c_str(), 1);
    EXPECT_FALSE(platform::ShellOpen("/tmp"));
    // Present but not executable.
    fs::permissions(handler_, fs::perms::owner_read | fs::perms::owner_write);
    setenv("KALVORA_SHELL_OPEN", handler_.c_str(), 1);
    EXPECT_FALSE(platform::ShellOpen("/tmp"));
}

}  // namespace
