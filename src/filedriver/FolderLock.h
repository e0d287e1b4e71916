#pragma once

#include <string>

// Keeps a second program off the receipt folder: a lock on "Ostrelin.lock." in the folder, held
// until the folder changes or the object goes, and released by the system when the process ends
// however it ends.
class TFolderLock {
public:
    enum class TResult {
        Locked,       // this object holds the folder
        HeldByOther,  // another process holds it
        NoLock,       // no lock can be had (no folder, or none writable and no lock file yet)
    };

    TFolderLock() = default;
    ~TFolderLock();
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;

    // Takes the lock of Folder (with its trailing "/"), giving up the lock of another folder.
    TResult Lock(const std::string& Folder);

private:
    void Release();

    std::string FFolder;
    int FFd = -1;
};
