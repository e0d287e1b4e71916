#include <algorithm>
#include <stdexcept>

#include "Registry.h"

namespace platform {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

// Splits "A\B\C" into its key names; an empty path names the key itself.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> names;
    if (path.empty()) {
        return names;
    }
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        names.push_back(path.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return names;
        }
        start = end + 1;
    }
}

void CheckKeyName(std::string_view name, std::string_view path) {
    if (name.empty() || name.find_first_of("\r\n") != std::string_view::npos) {
        throw std::invalid_argument("Invalid registry key path \"" + std::string(path) + "\"");
    }
}

}  // namespace

RegKey* RegKey::Child(std::string_view name) {
    auto it = std::find_if(subKeys_.begin(), subKeys_.end(),
                           [&](const RegKey& key) { return SameName(key.name_, name); });
    return it == subKeys_.end() ? nullptr : &*it;
}

const RegKey* RegKey::Child(std::string_view name) const {
    return const_cast<RegKey*>(this)->Child(name);
}

RegKey* RegKey::OpenKey(std::string_view path) {
    RegKey* key = this;
    for (std::string_view name : SplitPath(path)) {
        key = key->Child(name);
        if (!key) {
            return nullptr;
        }
    }
    return key;
}

const RegKey* RegKey::OpenKey(std::string_view path) const {
    return const_cast<RegKey*>(this)->OpenKey(path);
}

RegKey& RegKey::CreateKey(std::string_view path) {
    const std::vector<std::string_view> names = SplitPath(path);
    for (std::string_view name : names) {
        CheckKeyName(name, path);
    }
    RegKey* key = this;
    for (std::string_view name : names) {
        RegKey* child = key->Child(name);
        key = child ? child : &key->subKeys_.emplace_back(std::string(name));
    }
    return *key;
}

bool RegKey::DeleteKey(std::string_view path) {
    const size_t split = path.rfind('\\');
    RegKey* parent = split == std::string_view::npos ? this : OpenKey(path.substr(0, split));
    const std::string_view leaf = split == std::string_view::npos ? path : path.substr(split + 1);
    if (!parent || leaf.empty()) {
        return false;
    }
    return parent->subKeys_.remove_if(
               [&](const RegKey& key) { return SameName(key.name_, leaf); }) > 0;
}

std::vector<std::string> RegKey::SubKeyNames() const {
    std::vector<std::string> names;
    for (const RegKey& key : subKeys_) {
        names.push_back(key.name_);
    }
    return names;
}

const RegValue* RegKey::Value(std::string_view name) const {
    for (const auto& [valueName, value] : values_) {
        if (SameName(valueName, name)) {
            return &value;
        }
    }
    return nullptr;
}

std::optional<std::string> RegKey::StringValue(std::string_view name) const {
    const RegValue* value = Value(name);
    if (value && std::holds_alternative<std::string>(*value)) {
        return std::get<std::string>(*value);
    }
    return std::nullopt;
}

std::optional<int32_t> RegKey::IntegerValue(std::string_view name) const {
    const RegValue* value = Value(name);
    if (value && std::holds_alternative<int32_t>(*value)) {
        return std::get<int32_t>(*value);
    }
    return std::nullopt;
}

void RegKey::SetValue(std::string_view name, RegValue value) {
    for (auto& [valueName, stored] : values_) {
        if (SameName(valueName, name)) {
            stored = std::move(value);
            return;
        }
    }
    values_.emplace_back(std::string(name), std::move(value));
}

bool RegKey::DeleteValue(std::string_view name) {
    return std::erase_if(values_, [&](const auto& entry) { return SameName(entry.first, name); }) >
           0;
}

std::vector<std::string> RegKey::ValueNames() const {
    std::vector<std::string> names;
    for (const auto& entry : values_) {
        names.push_back(entry.first);
    }
    return names;
}

RegistryTree::RegistryTree()
    : roots_{RegKey(HiveName(Hive::ClassesRoot)), RegKey(HiveName(Hive::LocalMachine)),
             RegKey(HiveName(Hive::CurrentUser))} {}

const char* HiveName(Hive hive) {
    switch (hive) {
        case Hive::ClassesRoot:
            return "HKEY_CLASSES_ROOT";
        case Hive::LocalMachine:
            return "HKEY_LOCAL_MACHINE";
        case Hive::CurrentUser:
            return "HKEY_CURRENT_USER";
    }
    return "";
}

}  // namespace platform
