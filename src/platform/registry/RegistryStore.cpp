#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "Registry.h"
#include "RegistryFormat.h"

namespace platform {

namespace {

[[noreturn]] void FailOn(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " \"" + path + "\": " + std::strerror(errno));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

RegistryTree ReadFile(const std::string& path) {
    // Writers replace the file by rename, so an open file is always one whole version.
    FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) {
            return RegistryTree();
        }
        FailOn("Cannot open registry file", path);
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t got = read(file.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailOn("Cannot read registry file", path);
        }
        if (got == 0) {
            break;
        }
        text.append(buffer, static_cast<size_t>(got));
    }
    return ParseRegistry(text, path);
}

void WriteAll(int fd, const std::string& text, const std::string& path) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            FailOn("Cannot write registry file", path);
        }
        done += static_cast<size_t>(put);
    }
}

// Writes a complete new version beside the file and renames it over the old one, so readers
// and a crash see either the old or the new contents, never a mix.
void ReplaceFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        FailOn("Cannot create registry file", temp);
    }
    FileDescriptor file(fd);
    try {
        WriteAll(fd, text, temp);
        if (fchmod(fd, 0644) != 0 || fsync(fd) != 0) {
            FailOn("Cannot write registry file", temp);
        }
        if (rename(temp.c_str(), path.c_str()) != 0) {
            FailOn("Cannot replace registry file", path);
        }
    } catch (...) {
        unlink(temp.c_str());
        throw;
    }
}

}  // namespace

std::string RegistryPath() {
    if (const char* path = std::getenv("KALVORA_REGISTRY"); path && *path) {
        return path;
    }
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        throw std::runtime_error(
            "Cannot locate the registry: neither HOME nor XDG_CONFIG_HOME is set");
    }
    return base + "/kalvora/registry";
}

RegistryTree ReadRegistry() {
    return ReadFile(RegistryPath());
}

void UpdateRegistry(const std::function<void(RegistryTree&)>& edit) {
    const std::string path = RegistryPath();
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    // The lock lives in a file of its own: the registry file is replaced on every write, and a
    // lock on a replaced file would no longer exclude anyone.
    const std::string lockPath = path + ".lock";
    FileDescriptor lock(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (lock.get() < 0) {
        FailOn("Cannot open registry lock", lockPath);
    }
    while (flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            FailOn("Cannot lock registry", lockPath);
        }
    }
    RegistryTree tree = ReadFile(path);
    edit(tree);
    ReplaceFile(path, FormatRegistry(tree));
}

}  // namespace platform
