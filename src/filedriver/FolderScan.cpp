#include "FolderScan.h"

#include <dirent.h>

#include <cerrno>
#include <memory>

int ScanFolder(const std::string& Folder,
               const std::function<void(const std::string& Name, const struct stat& Info)>& Visit) {
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(Folder.c_str()), ::closedir);
    if (!dir) {
        return errno;
    }
    const std::string prefix = Folder.empty() || Folder.back() == '/' ? Folder : Folder + "/";
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat info {};
        if (::lstat((prefix + name).c_str(), &info) == 0) {
            Visit(name, info);
        }
    }
    return 0;
}

bool PathExists(const std::string& Path) {
    struct stat info {};
    return ::lstat(Path.c_str(), &info) == 0;
}
