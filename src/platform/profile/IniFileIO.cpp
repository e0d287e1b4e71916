#include "IniFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace platform::ini {
namespace {

int WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

int WriteAndClose(int fd, const std::string& bytes) {
    int err = WriteAll(fd, bytes);
    if (::close(fd) != 0 && err == 0) {
        err = errno;
    }
    return err;
}

// Writing through a link must change the file it points at, not replace the link.
std::string ResolveLink(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        return resolved;
    }
    return path;
}

int WriteInPlace(const std::string& path, const std::string& bytes, int flags) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | flags, 0666);
    if (fd < 0) {
        return errno;
    }
    return WriteAndClose(fd, bytes);
}

}  // namespace

ReadResult ReadFileBytes(const std::string& path, std::string& bytes, int& errorNumber) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        errorNumber = errno;
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    }
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            errorNumber = errno;
            ::close(fd);
            return ReadResult::Failed;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadResult::Read;
}

int ReplaceFileBytes(const std::string& path, const std::string& bytes) {
    const std::string target = ResolveLink(path);
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) {
        // A new file holds nothing that a failed write could lose.
        return WriteInPlace(target, bytes, O_CREAT | O_EXCL);
    }
    std::string pattern = target + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        // A folder we may not create files in can still hold a file we may write.
        return WriteInPlace(target, bytes, O_TRUNC);
    }
    int err = ::fchmod(fd, st.st_mode & 07777) == 0 ? 0 : errno;
    const int writeErr = WriteAndClose(fd, bytes);
    if (err == 0) {
        err = writeErr;
    }
    if (err == 0 && ::rename(name.data(), target.c_str()) != 0) {
        err = errno;
    }
    if (err != 0) {
        ::unlink(name.data());
    }
    return err;
}

}  // namespace platform::ini
