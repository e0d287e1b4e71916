#pragma once

#include <string>

namespace platform::ini {

enum class ReadResult { Read, Missing, Failed };

// Reads the whole file; errorNumber holds errno when the result is Failed.
ReadResult ReadFileBytes(const std::string& path, std::string& bytes, int& errorNumber);

// Replaces the file's contents. An existing file is replaced through a temporary file and a
// rename, so a failure midway never leaves it half written. Returns 0 or errno.
int ReplaceFileBytes(const std::string& path, const std::string& bytes);

}  // namespace platform::ini
