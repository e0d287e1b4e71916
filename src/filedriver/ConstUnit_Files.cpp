#include <fcntl.h>
#include <fnmatch.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>

#include "AbortError.h"
#include "ConstUnit_Program.h"
#include "FolderScan.h"

namespace {

bool LessText(const std::string& a, const std::string& b) {
    return CompareText(a, b) < 0;
}

bool EndsWithText(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           SameText(name.substr(name.size() - suffix.size()), suffix);
}

// Date in the high half (year - 1980, month, day), time in the low half (hour, minute, seconds
// halved), of the local time; years the format cannot hold are taken as its first or last one.
int32_t DosFileStamp(time_t t) {
    struct tm local {};
    ::localtime_r(&t, &local);
    int year = local.tm_year + 1900;
    if (year < 1980) {
        local = tm{};
        local.tm_mon = 0;
        local.tm_mday = 1;
        year = 1980;
    } else if (year > 2107) {
        local = tm{};
        local.tm_mon = 11;
        local.tm_mday = 31;
        local.tm_hour = 23;
        local.tm_min = 59;
        local.tm_sec = 59;
        year = 2107;
    }
    const uint32_t date =
        static_cast<uint32_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    const uint32_t time =
        static_cast<uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    return static_cast<int32_t>((date << 16) | time);
}

}  // namespace

bool IsValidBonFileExt(const std::string& Ext) {
    if (Ext.empty() || Ext.find_first_of("*?[]/\\.") != std::string::npos ||
        std::any_of(Ext.begin(), Ext.end(), [](char c) { return c >= 0 && c <= ' '; })) {
        return false;
    }
    for (const char* own : {"rep", "err", "$$$"}) {
        if (SameText(Ext, own)) {
            return false;
        }
    }
    return true;
}

void SelectBonFiles(const std::string& Folder, std::vector<std::string>& List) {
    List.clear();
    const std::string& ext = Settings().FileExt;
    if (!IsValidBonFileExt(ext)) {
        throw EAbort("[SelectBonFiles]Invalid receipt file extension \"" + ext + "\"");
    }
    const std::string suffix = "." + ext;
    const int err = ScanFolder(Folder, [&](const std::string& name, const struct stat& info) {
        if (S_ISREG(info.st_mode) && info.st_size > 0 && EndsWithText(name, suffix)) {
            List.push_back(std::to_string(DosFileStamp(info.st_mtime)) + "\t" + name);
        }
    });
    if (err != 0 && err != ENOENT && err != ENOTDIR) {
        throw EAbort("[SelectBonFiles]" + std::string(std::strerror(err)));
    }
    // A sorted list that ignores an entry equal to one it holds, as text without regard to case.
    std::sort(List.begin(), List.end(), LessText);
    List.erase(std::unique(List.begin(), List.end(), SameText), List.end());
}

bool CanWriteToFolder(const std::string& Folder) {
    const std::string path = Folder + "chktmp.txt";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    const bool exists = ::access(path.c_str(), F_OK) == 0;
    ::close(fd);
    ::unlink(path.c_str());
    return exists;
}

int DeleteOldFiles(const std::string& Folder, const std::string& Mask, int Days,
                   const std::function<bool(const std::string& Name)>& MayDelete) {
    int count = 0;
    const double now =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    ScanFolder(Folder, [&](const std::string& name, const struct stat& info) {
        if (::fnmatch(Mask.c_str(), name.c_str(), FNM_CASEFOLD) != 0) {
            return;
        }
        const double mtime = static_cast<double>(info.st_mtim.tv_sec) +
                             static_cast<double>(info.st_mtim.tv_nsec) / 1e9;
        if ((now - mtime) / 86400.0 > Days && (!MayDelete || MayDelete(name))) {
            ::unlink((Folder + name).c_str());
            ++count;
        }
    });
    return count;
}
