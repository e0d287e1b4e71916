#include "RegistryFormat.h"

#include <charconv>
#include <stdexcept>

namespace platform {

namespace {

constexpr Hive kHives[] = {Hive::ClassesRoot, Hive::LocalMachine, Hive::CurrentUser};

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    out += '"';
}

void AppendKey(std::string& out, const RegKey& key, const std::string& path, bool isRoot) {
    if (!isRoot || !key.ValueNames().empty()) {
        out += '[' + path + "]\n";
    }
    for (const std::string& name : key.ValueNames()) {
        if (name.empty()) {
            out += '@';
        } else {
            AppendQuoted(out, name);
        }
        out += '=';
        const RegValue& value = *key.Value(name);
        if (const auto* text = std::get_if<std::string>(&value)) {
            AppendQuoted(out, *text);
        } else {
            char hex[9];
            const auto number = static_cast<uint32_t>(std::get<int32_t>(value));
            auto end = std::to_chars(hex, hex + 8, number, 16).ptr;
            out += "dword:" + std::string(8 - (end - hex), '0') + std::string(hex, end);
        }
        out += '\n';
    }
    for (const std::string& name : key.SubKeyNames()) {
        AppendKey(out, *key.OpenKey(name), path + '\\' + name, false);
    }
}

class Parser {
public:
    Parser(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}

    RegistryTree Run() {
        RegistryTree tree;
        RegKey* current = nullptr;
        size_t start = 0;
        while (start < text_.size()) {
            size_t end = text_.find('\n', start);
            if (end == std::string_view::npos) {
                end = text_.size();
            }
            std::string_view line = text_.substr(start, end - start);
            start = end + 1;
            ++lineNo_;
            if (line.empty() || line[0] == ';') {
                continue;
            }
            if (line.front() == '[' && line.back() == ']') {
                current = &OpenHeader(tree, line.substr(1, line.size() - 2));
                continue;
            }
            if (!current) {
                Fail();
            }
            ParseValue(*current, line);
        }
        return tree;
    }

private:
    [[noreturn]] void Fail() const {
        throw std::runtime_error("Registry file \"" + fileName_ + "\" is damaged at line " +
                                 std::to_string(lineNo_));
    }

    RegKey& OpenHeader(RegistryTree& tree, std::string_view path) {
        const size_t split = path.find('\\');
        const std::string_view hiveName = path.substr(0, split);
        for (Hive hive : kHives) {
            if (hiveName == HiveName(hive)) {
                if (split == std::string_view::npos) {
                    return tree.Root(hive);
                }
                try {
                    return tree.Root(hive).CreateKey(path.substr(split + 1));
                } catch (const std::invalid_argument&) {
                    Fail();
                }
            }
        }
        Fail();
    }

    // Reads a quoted text at the front of rest and removes it from rest.
    std::string TakeQuoted(std::string_view& rest) const {
        if (rest.empty() || rest[0] != '"') {
            Fail();
        }
        std::string out;
        size_t i = 1;
        for (; i < rest.size() && rest[i] != '"'; ++i) {
            if (rest[i] != '\\') {
                out += rest[i];
                continue;
            }
            if (++i == rest.size()) {
                Fail();
            }
            switch (rest[i]) {
                case '\\':
                case '"':
                    out += rest[i];
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                default:
                    Fail();
            }
        }
        if (i == rest.size()) {
            Fail();
        }
        rest.remove_prefix(i + 1);
        return out;
    }

    void ParseValue(RegKey& key, std::string_view line) {
        std::string name;
        if (line[0] == '@') {
            line.remove_prefix(1);
        } else {
            name = TakeQuoted(line);
        }
        if (line.empty() || line[0] != '=') {
            Fail();
        }
        line.remove_prefix(1);
        constexpr std::string_view kDword = "dword:";
        if (line.starts_with(kDword)) {
            line.remove_prefix(kDword.size());
            uint32_t number = 0;
            const auto [end, ec] =
                std::from_chars(line.data(), line.data() + line.size(), number, 16);
            if (ec != std::errc() || end != line.data() + line.size() || line.size() > 8) {
                Fail();
            }
            key.SetValue(name, static_cast<int32_t>(number));
            return;
        }
        std::string text = TakeQuoted(line);
        if (!line.empty()) {
            Fail();
        }
        key.SetValue(name, std::move(text));
    }

    std::string_view text_;
    const std::string& fileName_;
    int lineNo_ = 0;
};

}  // namespace

std::string FormatRegistry(const RegistryTree& tree) {
    std::string out = "; Kalvora registry\n";
    for (Hive hive : kHives) {
        AppendKey(out, tree.Root(hive), HiveName(hive), true);
    }
    return out;
}

RegistryTree ParseRegistry(std::string_view text, const std::string& fileName) {
    return Parser(text, fileName).Run();
}

}  // namespace platform
