#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// Raised when a key cannot be written; the file is then left as it was.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An INI file with the private-profile rules: sections and keys are compared without regard to
// (ASCII) case, the first matching section and key win, a missing file or key gives the default,
// and writing a key creates the file, the section and the key while every other line stays as it
// was. Values are bytes in the ANSI code page and are never re-encoded. Every call goes to the
// file, so two objects on one file see each other's writes.
class TIniFile {
public:
    explicit TIniFile(std::string FileName) : FFileName(std::move(FileName)) {}

    const std::string& FileName() const { return FFileName; }

    // Blanks around keys and values are not part of them.
    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const;
    // Decimal text with an optional sign; anything else, or a value out of range, gives Default.
    int32_t ReadInteger(const std::string& Section, const std::string& Ident,
                        int32_t Default) const;
    // An integer that is true when not 0; a value that is no integer gives Default.
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;

    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int32_t Value);
    // Written as "1" or "0".
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

    // The key names of the first matching section, in file order.
    std::vector<std::string> ReadSection(const std::string& Section) const;
    // As the toolkit has it: a section exists when it holds at least one key.
    bool SectionExists(const std::string& Section) const;
    // Tells a missing key from one with an empty value.
    bool ValueExists(const std::string& Section, const std::string& Ident) const;

private:
    std::string FFileName;
};

}  // namespace platform
