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
// when the file cannot be put in place; Target is then untouched. Once it is in place, a folder
// that refuses the flush (shared and network folders do) is no failure: the result then says
// why, and is empty otherwise. A refused rename is EAbort with RenameFailed (by default a text
// that names both files) and the system's reason.
std::string SaveFileDurably(const std::string& Bytes, const std::string& Target,
                            const std::string& RenameFailed = {});

// SaveFileDurably of Lines, each ended by CR LF.
std::string SaveResultFile(const std::vector<std::string>& Lines, const std::string& Target);

// Folder (with its trailing "/") takes a new file's bytes to the disk now: its temporary file
// can be written and flushed.
bool FolderTakesWrites(const std::string& Folder);
