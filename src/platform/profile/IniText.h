#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ini {

// The lines of an INI file, each with its own line end, so that a rewrite changes only the line
// of the key written (or adds lines) and every other byte stays as it was.
class Document {
public:
    static Document Parse(const std::string& bytes);
    std::string Serialize() const;

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::vector<std::string> Keys(std::string_view section) const;
    void Set(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Line {
        std::string text;
        std::string eol;
    };

    static constexpr size_t npos = static_cast<size_t>(-1);

    size_t FindSection(std::string_view section) const;
    size_t SectionEnd(size_t header) const;
    size_t FindKey(size_t header, std::string_view key) const;
    void Insert(size_t at, std::string text);

    std::vector<Line> lines_;
    std::string newEol_ = "\r\n";
};

}  // namespace platform::ini
