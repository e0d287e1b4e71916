#include "IniFile.h"

#include <cstring>
#include <limits>

#include "IniFileIO.h"
#include "IniText.h"

namespace platform {
namespace {

// An unreadable file reads like a missing one: every key gives its default.
ini::Document LoadForReading(const std::string& path) {
    std::string bytes;
    int err = 0;
    if (ini::ReadFileBytes(path, bytes, err) != ini::ReadResult::Read) {
        bytes.clear();
    }
    return ini::Document::Parse(bytes);
}

[[noreturn]] void WriteFailed(const std::string& path, const std::string& reason) {
    throw EIniFileException("Unable to write to " + path + ": " + reason);
}

bool HasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

bool HasOuterBlank(const std::string& s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !s.empty() && (blank(s.front()) || blank(s.back()));
}

// Names that would not read back as the same section or key are refused rather than written
// into a file that then means something else.
void CheckWritable(const std::string& path, const std::string& section, const std::string& ident,
                   const std::string& value) {
    if (section.empty() || HasLineBreak(section) || HasOuterBlank(section) ||
        section.find(']') != std::string::npos) {
        WriteFailed(path, "invalid section name \"" + section + "\"");
    }
    if (ident.empty() || HasLineBreak(ident) || HasOuterBlank(ident) ||
        ident.find('=') != std::string::npos || ident.front() == '[' || ident.front() == ';') {
        WriteFailed(path, "invalid key name \"" + ident + "\"");
    }
    if (HasLineBreak(value)) {
        WriteFailed(path, "line break in the value of \"" + ident + "\"");
    }
}

bool TryStrToInt(const std::string& text, int32_t& result) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
            return false;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int32_t>::max()) {
        return false;
    }
    result = static_cast<int32_t>(value);
    return true;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) const {
    return LoadForReading(FFileName).Value(Section, Ident).value_or(Default);
}

int32_t TIniFile::ReadInteger(const std::string& Section, const std::string& Ident,
                              int32_t Default) const {
    int32_t value = Default;
    return TryStrToInt(ReadString(Section, Ident, ""), value) ? value : Default;
}

bool TIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident,
                           const std::string& Value) {
    CheckWritable(FFileName, Section, Ident, Value);
    std::string bytes;
    int err = 0;
    const ini::ReadResult read = ini::ReadFileBytes(FFileName, bytes, err);
    if (read == ini::ReadResult::Failed) {
        // Rewriting a file we could not read would lose its other lines.
        WriteFailed(FFileName, std::strerror(err));
    }
    ini::Document doc = ini::Document::Parse(bytes);
    doc.Set(Section, Ident, Value);
    const std::string out = doc.Serialize();
    if (read == ini::ReadResult::Read && out == bytes) {
        return;
    }
    err = ini::ReplaceFileBytes(FFileName, out);
    if (err != 0) {
        WriteFailed(FFileName, std::strerror(err));
    }
}

void TIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value) {
    WriteString(Section, Ident, std::to_string(Value));
}

void TIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(const std::string& Section) const {
    return LoadForReading(FFileName).Keys(Section);
}

bool TIniFile::SectionExists(const std::string& Section) const {
    return !ReadSection(Section).empty();
}

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
    return LoadForReading(FFileName).Value(Section, Ident).has_value();
}

}  // namespace platform
