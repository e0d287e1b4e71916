#pragma once

#include <string>

// The settings file: sections "Files", "Connection-RS", "Connection-IP", "OTHER", "PAYTYPES".

// Fills Settings() from the file, which need not exist. OTHER/ax_logdir and
// OTHER/errtext_in_errfile are written into the file when missing; nothing else is written.
void LoadSettings(const std::string& FileName);

// Writes Settings() into the file (all but ax_logdir and errtext_in_errfile, which only the user
// sets). A file that cannot be written raises platform::EIniFileException.
void SaveSettings(const std::string& FileName);

// A folder value that is not blank ends with "/".
void AppendFolderDelimiter(std::string& Folder);
