#include "FileLogger.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "ConstUnit.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kBlockSize = 128;

// Appends Text and returns the file's size in whole blocks; 0 when the file cannot be written,
// since a lost line is all that an I/O failure costs.
uint64_t AppendToFile(const std::string& Path, const std::string& Text) {
    const int fd = open(Path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return 0;
    }
    size_t written = 0;
    while (written < Text.size()) {
        const ssize_t n = write(fd, Text.data() + written, Text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        written += static_cast<size_t>(n);
    }
    struct stat info {};
    const uint64_t blocks =
        fstat(fd, &info) == 0 ? static_cast<uint64_t>(info.st_size) / kBlockSize : 0;
    close(fd);
    return blocks;
}

// A plain rename would replace a file rotated earlier in the same second; this one leaves both
// files alone instead, and the log grows on until a later rename succeeds.
void RenameUnlessTargetExists(const std::string& From, const std::string& To) {
    if (renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0 ||
        errno != EINVAL) {
        return;
    }
    // The file system cannot refuse to replace; a hard link can, and the old name then goes.
    if (link(From.c_str(), To.c_str()) == 0) {
        unlink(From.c_str());
    }
}

std::string Flattened(const std::string& Text) {
    std::string result;
    result.reserve(Text.size());
    for (const char c : Text) {
        if (c == '\r') {
            result += '\t';
        } else if (c != '\n') {
            result += c;
        }
    }
    return result;
}

}  // namespace

std::string LogKindName(TLogKind Kind) {
    switch (Kind) {
        case lkError:
            return "ERROR";
        case lkWarning:
            return "WARNING";
        case lkInfo:
            return "INFO";
    }
    return {};
}

TFileLogger::TFileLogger(uint8_t Mode) : FMode(Mode) {}

TFileLogger::~TFileLogger() {
    PurgeOldFiles();
}

void TFileLogger::Open(bool Active) {
    if (!FLogDir.empty() && FLogDir.back() != '/') {
        FLogDir += '/';
    }
    FActive = Active;
    FLogFileName = FLogDir + ChangeFileExt(ExtractFileName(FBaseName), "_Log.txt");
    PurgeOldFiles();
}

void TFileLogger::LogError(const std::string& Msg) {
    LogErrorEx({}, Msg);
}
void TFileLogger::LogWarning(const std::string& Msg) {
    LogWarningEx({}, Msg);
}
void TFileLogger::LogInfo(const std::string& Msg) {
    LogInfoEx({}, Msg);
}

void TFileLogger::LogErrorEx(const std::string& Prefix, const std::string& Msg) {
    LogLine(FLogFileName, Trim(Prefix), Trim(Msg), lkError);
}
void TFileLogger::LogWarningEx(const std::string& Prefix, const std::string& Msg) {
    LogLine(FLogFileName, Trim(Prefix), Trim(Msg), lkWarning);
}
void TFileLogger::LogInfoEx(const std::string& Prefix, const std::string& Msg) {
    LogLine(FLogFileName, Trim(Prefix), Trim(Msg), lkInfo);
}

int TFileLogger::LogLine(const std::string& FileName, const std::string& Prefix,
                         const std::string& Msg, TLogKind Kind) {
    if (!FActive) {
        return 0;
    }
    std::string prefix = Prefix;
    std::string msg = Msg;
    if (FFlattenText) {
        prefix = Flattened(prefix);
        if (!Trim(prefix).empty()) {
            prefix += FSeparator;
        }
        msg = Flattened(msg);
    }
    std::string line = '[' + LogKindName(Kind) + ']' + prefix + msg;
    if (FTimeStamp) {
        line = FormatDateTime("DD.MM.YY HH:NN:SS.zzz ", Now()) + line;
    }
    AppendLine(FileName, line);
    return static_cast<int>(line.size());
}

void TFileLogger::AppendLine(const std::string& FileName, const std::string& Line) {
    if (FileName.empty() || Line.empty()) {
        return;
    }
    try {
        // The file written, measured and renamed is the one in the log folder.
        const std::string target = FLogDir + ExtractFileName(FileName);
        const uint64_t blocks = AppendToFile(target, Line + "\r\n");
        if (FMaxBlocks > 0 && blocks > FMaxBlocks) {
            RenameUnlessTargetExists(
                target,
                ChangeFileExt(target, '_' + FormatDateTime("DDMMYY_HHNNSS", Now()) + ".txt"));
        }
    } catch (const std::exception& error) {
        throw EAbort(std::string("Fail post log to file: ") + error.what());
    }
}

bool TFileLogger::IsOwnFile(const std::string& Name) const {
    const std::string logName = ExtractFileName(FLogFileName);
    if (logName.empty()) {
        return false;
    }
    const std::string rotatedStart = ChangeFileExt(logName, "_");
    const std::string ending = ".txt";
    return Name == logName ||
           (Name.size() >= rotatedStart.size() + ending.size() &&
            Name.compare(0, rotatedStart.size(), rotatedStart) == 0 &&
            Name.compare(Name.size() - ending.size(), ending.size(), ending) == 0);
}

int TFileLogger::PurgeOldFiles() {
    if (FDaysToKeep <= 0) {
        FDaysToKeep = 30;
    }
    int deleted = 0;
    // The purge is housekeeping: whatever goes wrong ends it quietly with what it has done.
    try {
        std::error_code error;
        if (FLogDir.empty() || !fs::is_directory(FLogDir, error)) {
            return 0;
        }
        const auto now = fs::file_time_type::clock::now();
        const std::chrono::duration<double, std::ratio<86'400>> limit(FDaysToKeep);
        for (fs::directory_iterator it(FLogDir, error), end; !error && it != end;
             it.increment(error)) {
            if (!IsOwnFile(it->path().filename().string())) {
                continue;
            }
            const auto written = fs::last_write_time(it->path(), error);
            if (!error && now - written > limit && fs::remove(it->path(), error)) {
                ++deleted;
            }
            error.clear();
        }
    } catch (const std::exception&) {
    }
    return deleted;
}
