#include "Shell.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {

std::string HandlerCommand() {
    const char* configured = std::getenv("KALVORA_SHELL_OPEN");
    return configured != nullptr && *configured != '\0' ? configured : "xdg-open";
}

bool IsExecutableFile(const std::string& Path) {
    struct stat info {};
    return stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(Path.c_str(), X_OK) == 0;
}

// The command's file: the command itself when it holds a "/", else the first of that name on
// PATH. Looked up before forking, where only the simplest calls are safe.
std::string FindProgram(const std::string& Command) {
    if (Command.find('/') != std::string::npos) {
        return IsExecutableFile(Command) ? Command : std::string();
    }
    const char* path = std::getenv("PATH");
    const std::string folders =
        path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t colon = folders.find(':', start);
        if (colon == std::string::npos) {
            colon = folders.size();
        }
        const std::string folder = colon > start ? folders.substr(start, colon - start) : ".";
        const std::string candidate = folder + "/" + Command;
        if (IsExecutableFile(candidate)) {
            return candidate;
        }
        start = colon + 1;
    }
    return {};
}

}  // namespace

bool ShellOpen(const std::string& Target) {
    const std::string command = HandlerCommand();
    const std::string program = FindProgram(command);
    if (program.empty()) {
        return false;
    }
    char* argv[] = {const_cast<char*>(command.c_str()), const_cast<char*>(Target.c_str()), nullptr};
    const long maxFd = sysconf(_SC_OPEN_MAX);

    // The handler may live on for long (a file manager, a browser). Started by a short-lived
    // middle process, it is adopted by init, so it never lingers here as a zombie.
    const pid_t middle = fork();
    if (middle < 0) {
        return false;
    }
    if (middle == 0) {
        const pid_t handler = fork();
        if (handler == 0) {
            // Open ports and sockets are not the handler's to keep: a serial port held open by
            // a browser could not be opened again by the driver.
            if (close_range(3, ~0U, 0) != 0) {
                for (long fd = 3; fd < maxFd; ++fd) {
                    close(static_cast<int>(fd));
                }
            }
            execv(program.c_str(), argv);
            _exit(127);
        }
        _exit(handler < 0 ? 1 : 0);
    }
    int status = 0;
    while (waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
