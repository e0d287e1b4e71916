#include "FPAxUnit_Files.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ConstUnit.h"
#include "FPAxUnit_Parser.h"

namespace {

std::string Reason() {
    return std::strerror(errno);
}

bool WriteAll(int Fd, const std::string& Bytes) {
    size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(Fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes Bytes to the temporary file of Folder and flushes it; EAbort with the reason when that
// fails, the temporary file then gone.
std::string WriteTempFile(const std::string& Bytes, const std::string& Folder) {
    const std::string temp = ResultTempPath(Folder);
    ::unlink(temp.c_str());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw EAbort("Cannot create file \"" + temp + "\". " + Reason());
    }
    bool written = WriteAll(fd, Bytes) && ::fsync(fd) == 0;
    std::string reason = written ? std::string() : Reason();
    if (::close(fd) != 0 && written) {
        written = false;
        reason = Reason();
    }
    if (!written) {
        ::unlink(temp.c_str());
        throw EAbort("Cannot write file \"" + temp + "\". " + reason);
    }
    return temp;
}

std::string FolderOf(const std::string& Path) {
    return Path.substr(0, Path.rfind('/') + 1);
}

}  // namespace

std::string LoadFileBytes(const std::string& Path) {
    // Never wait on a pipe put in a receipt's place.
    const int fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw EAbort("Cannot open file \"" + Path + "\". " + Reason());
    }
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            const std::string reason = Reason();
            ::close(fd);
            throw EAbort("Cannot read file \"" + Path + "\". " + reason);
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return bytes;
}

std::vector<std::string> LoadTextLines(const std::string& Path) {
    return SplitTextLines(LoadFileBytes(Path));
}

std::string ResultTempPath(const std::string& Folder) {
    return Folder + "tmp.$$$.";
}

std::string SaveFileDurably(const std::string& Bytes, const std::string& Target,
                            const std::string& RenameFailed) {
    const std::string folder = FolderOf(Target);
    const std::string temp = WriteTempFile(Bytes, folder);
    if (::rename(temp.c_str(), Target.c_str()) != 0) {
        const std::string reason = Reason();
        ::unlink(temp.c_str());
        throw EAbort((RenameFailed.empty()
                          ? "Cannot rename file \"" + temp + "\" to \"" + Target + "\"."
                          : RenameFailed) +
                     " " + reason);
    }
    // The rename itself lives in the folder.
    const int dir =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0 && ::fsync(dir) == 0) {
        ::close(dir);
        return {};
    }
    const std::string reason = Reason();
    if (dir >= 0) {
        ::close(dir);
    }
    return "Cannot flush folder \"" + folder + "\" to the disk: " + reason +
           ". Its files are written without it.";
}

std::string SaveResultFile(const std::vector<std::string>& Lines, const std::string& Target) {
    std::string bytes;
    for (const std::string& line : Lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return SaveFileDurably(bytes, Target, "Failed to rename report file.");
}

bool FolderTakesWrites(const std::string& Folder) {
    try {
        ::unlink(WriteTempFile("probe\r\n", Folder).c_str());
        return true;
    } catch (const EAbort&) {
        return false;
    }
}
