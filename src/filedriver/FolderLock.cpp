#include "FolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Ends in a dot, so it is never a receipt file.
const char* const kLockFileName = "Ostrelin.lock.";

}  // namespace

TFolderLock::~TFolderLock() {
    Release();
}

void TFolderLock::Release() {
    if (FFd >= 0) {
        ::close(FFd);
        FFd = -1;
    }
    FFolder.clear();
}

TFolderLock::TResult TFolderLock::Lock(const std::string& Folder) {
    if (FFd >= 0 && Folder == FFolder) {
        return TResult::Locked;
    }
    Release();
    const std::string path =
        Folder + (Folder.empty() || Folder.back() == '/' ? "" : "/") + kLockFileName;
    // Read-only, so that the lock never keeps the folder's file system from going read-only.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return TResult::NoLock;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? TResult::HeldByOther : TResult::NoLock;
    }
    FFd = fd;
    FFolder = Folder;
    return TResult::Locked;
}
