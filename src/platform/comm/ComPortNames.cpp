#include "ComPortNames.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

namespace platform {

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

unsigned long ComNumber(const std::string& canonicalName) {
    return std::stoul(canonicalName.substr(3));
}

// Adds "NAME=PATH" unless the name is no COM name, the path is empty, or the name is taken.
void AddMapping(const std::string& line, std::vector<ComPortEntry>& entries) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
        return;
    }
    const std::optional<std::string> name = CanonicalComName(Trim(line.substr(0, equals)));
    const std::string path = Trim(line.substr(equals + 1));
    if (!name || path.empty()) {
        return;
    }
    const bool taken = std::any_of(entries.begin(), entries.end(),
                                   [&](const ComPortEntry& e) { return e.Name == *name; });
    if (!taken) {
        entries.push_back({*name, path});
    }
}

}  // namespace

std::optional<std::string> CanonicalComName(const std::string& name) {
    const std::string upper = Upper(name);
    if (upper.size() < 4 || upper.size() > 12 || upper.compare(0, 3, "COM") != 0 ||
        upper[3] == '0') {
        return std::nullopt;
    }
    if (!std::all_of(upper.begin() + 3, upper.end(),
                     [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    return upper;
}

std::vector<ComPortEntry> BuildPortMap(const PortMapSources& sources) {
    std::vector<ComPortEntry> entries;
    std::string item;
    std::istringstream environment(sources.environment);
    while (std::getline(environment, item, ',')) {
        AddMapping(item, entries);
    }
    // Private-profile rules: section and keys without regard to case, the first one wins.
    std::istringstream mapFile(sources.mapFile);
    bool inPorts = false;
    std::string line;
    while (std::getline(mapFile, line)) {
        line = Trim(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inPorts = Upper(line) == "[PORTS]";
        } else if (inPorts) {
            AddMapping(line, entries);
        }
    }
    std::set<unsigned long> usedNumbers;
    std::set<std::string> usedPaths;
    for (const ComPortEntry& entry : entries) {
        usedNumbers.insert(ComNumber(entry.Name));
        usedPaths.insert(entry.Path);
    }
    unsigned long next = 1;
    for (const std::string& device : sources.devices) {
        if (usedPaths.count(device) != 0) {
            continue;
        }
        while (usedNumbers.count(next) != 0) {
            ++next;
        }
        entries.push_back({"COM" + std::to_string(next), device});
        usedNumbers.insert(next);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ComPortEntry& a, const ComPortEntry& b) {
                         return ComNumber(a.Name) < ComNumber(b.Name);
                     });
    return entries;
}

}  // namespace platform
