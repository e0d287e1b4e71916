#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

// Calls Visit with the name and lstat data of each entry of Folder ("." and ".." left out;
// entries gone before they could be examined are passed over). Returns 0, or the errno of
// opening the folder.
int ScanFolder(const std::string& Folder,
               const std::function<void(const std::string& Name, const struct stat& Info)>& Visit);

// Something, of any kind, stands at Path (a dangling link counts).
bool PathExists(const std::string& Path);
