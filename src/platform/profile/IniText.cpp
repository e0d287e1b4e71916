#include "IniText.h"

namespace platform::ini {
namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

// Comments (";") and lines without "=" belong to no key; text before the first section belongs
// to no section.
Parsed Classify(std::string_view text) {
    const std::string_view t = Trim(text);
    if (t.empty() || t.front() == ';') {
        return {};
    }
    if (t.front() == '[') {
        const size_t close = t.find(']');
        const std::string_view inner =
            close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
        return {Kind::Section, Trim(inner), {}};
    }
    const size_t eq = t.find('=');
    if (eq == std::string_view::npos) {
        return {};
    }
    const std::string_view name = Trim(t.substr(0, eq));
    if (name.empty()) {
        return {};
    }
    return {Kind::Key, name, Trim(t.substr(eq + 1))};
}

}  // namespace

Document Document::Parse(const std::string& bytes) {
    Document doc;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t lf = bytes.find('\n', pos);
        const size_t end = lf == std::string::npos ? bytes.size() : lf;
        size_t textEnd = end;
        if (textEnd > pos && bytes[textEnd - 1] == '\r') {
            --textEnd;
        }
        Line line{bytes.substr(pos, textEnd - pos),
                  bytes.substr(textEnd, (lf == std::string::npos ? end : end + 1) - textEnd)};
        doc.lines_.push_back(std::move(line));
        pos = lf == std::string::npos ? bytes.size() : lf + 1;
    }
    // New lines follow the file's own convention; a new file gets CR LF.
    for (const Line& line : doc.lines_) {
        if (!line.eol.empty()) {
            doc.newEol_ = line.eol;
            break;
        }
    }
    return doc;
}

std::string Document::Serialize() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

size_t Document::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Parsed p = Classify(lines_[i].text);
        if (p.kind == Kind::Section && SameName(p.name, section)) {
            return i;
        }
    }
    return npos;
}

size_t Document::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && Classify(lines_[i].text).kind != Kind::Section) {
        ++i;
    }
    return i;
}

size_t Document::FindKey(size_t header, std::string_view key) const {
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed p = Classify(lines_[i].text);
        if (p.kind == Kind::Key && SameName(p.name, key)) {
            return i;
        }
    }
    return npos;
}

std::optional<std::string> Document::Value(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == npos) {
        return std::nullopt;
    }
    const size_t at = FindKey(header, key);
    if (at == npos) {
        return std::nullopt;
    }
    return std::string(Classify(lines_[at].text).value);
}

std::vector<std::string> Document::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    const size_t header = FindSection(section);
    if (header == npos) {
        return keys;
    }
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i) {
        const Parsed p = Classify(lines_[i].text);
        if (p.kind == Kind::Key) {
            keys.emplace_back(p.name);
        }
    }
    return keys;
}

void Document::Insert(size_t at, std::string text) {
    // A last line without a line end must get one before anything follows it.
    if (at > 0 && at == lines_.size() && lines_[at - 1].eol.empty()) {
        lines_[at - 1].eol = newEol_;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), newEol_});
}

void Document::Set(std::string_view section, std::string_view key, std::string_view value) {
    const size_t header = FindSection(section);
    if (header == npos) {
        if (!lines_.empty() && !Trim(lines_.back().text).empty()) {
            Insert(lines_.size(), "");
        }
        Insert(lines_.size(), '[' + std::string(section) + ']');
        Insert(lines_.size(), std::string(key) + "=" + std::string(value));
        return;
    }
    const size_t at = FindKey(header, key);
    if (at != npos) {
        // The key keeps the spelling it has in the file.
        lines_[at].text = std::string(Classify(lines_[at].text).name) + "=" + std::string(value);
        return;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    size_t insertAt = SectionEnd(header);
    while (insertAt > header + 1 && Trim(lines_[insertAt - 1].text).empty()) {
        --insertAt;
    }
    Insert(insertAt, std::string(key) + "=" + std::string(value));
}

}  // namespace platform::ini
