#pragma once

#include <QString>
#include <string>

// Text inside the program is 8-bit in the ANSI code page; Qt shows UTF-16. Line breaks are CR LF
// inside (the language file's "|") and LF in Qt.
QString FromAnsi(const std::string& Text);
std::string ToAnsi(const QString& Text);
