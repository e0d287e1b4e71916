#pragma once

#include <string>
#include <vector>

// The settings file: sections "Files", "Connection-RS", "Connection-IP", "OTHER", "PAYTYPES".

// Fills Settings() from the file, which need not exist. OTHER/ax_logdir and
// OTHER/errtext_in_errfile are written into the file when missing; nothing else is written.
void LoadSettings(const std::string& FileName);

// Writes Settings() into the file (all but ax_logdir and errtext_in_errfile, which only the user
// sets). A file that cannot be written raises platform::EIniFileException.
void SaveSettings(const std::string& FileName);

// A folder value that is not blank ends with "/".
void AppendFolderDelimiter(std::string& Folder);

// Replaces Items with the serial ports of EnumSerialPorts, sorted as text without regard to case
// (COM10 before COM2), as the settings dialog lists them.
void EnumComPorts(std::vector<std::string>& Items);
