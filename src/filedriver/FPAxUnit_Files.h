#pragma once

#include <string>
#include <vector>

// Files of the receipt folder: bytes in the ANSI code page, lines ended by CR LF.

// The whole file; EAbort when it cannot be read.
std::string LoadFileBytes(const std::string& Path);
// The lines of a text file (ended by CR LF, CR or LF); EAbort when it cannot be read.
std::vector<std::string> LoadTextLines(const std::string& Path);

// The temporary file of SaveResultFile in Folder (with its trailing "/"). Its name ends in a dot,
// so it can never be a receipt file, a work file or an answer.
std::string ResultTempPath(const std::string& Folder);

// Writes Bytes to the temporary file beside Target, flushes it to the disk, renames it to Target
// and flushes the folder, so that neither a reader nor a power cut ever sees half of it. EAbort
// when that fails; Target is then untouched.
void SaveFileDurably(const std::string& Bytes, const std::string& Target);

// SaveFileDurably of Lines, each ended by CR LF.
void SaveResultFile(const std::vector<std::string>& Lines, const std::string& Target);
