#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

// A persistent hierarchical store in place of the system registry. Keys and value names are
// compared without regard to (ASCII) case and keep the spelling they were created with; paths
// separate keys with "\". Text is stored byte for byte.

enum class Hive { ClassesRoot, LocalMachine, CurrentUser };

inline constexpr Hive HKEY_CLASSES_ROOT = Hive::ClassesRoot;
inline constexpr Hive HKEY_LOCAL_MACHINE = Hive::LocalMachine;
inline constexpr Hive HKEY_CURRENT_USER = Hive::CurrentUser;

// A string or a 32-bit integer value.
using RegValue = std::variant<std::string, int32_t>;

class RegKey {
public:
    explicit RegKey(std::string name = {}) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }

    // The key at a path below this one (empty path: this key), or null when it does not exist.
    RegKey* OpenKey(std::string_view path);
    const RegKey* OpenKey(std::string_view path) const;
    // Opens the key at path, creating every missing key on the way. References to keys stay
    // valid until those keys are deleted. Throws std::invalid_argument for an empty key name
    // or one with a line break.
    RegKey& CreateKey(std::string_view path);
    // Deletes the key at path with all its subkeys; false when it did not exist.
    bool DeleteKey(std::string_view path);
    std::vector<std::string> SubKeyNames() const;

    // The empty name is the key's default value.
    const RegValue* Value(std::string_view name) const;
    std::optional<std::string> StringValue(std::string_view name) const;
    std::optional<int32_t> IntegerValue(std::string_view name) const;
    void SetValue(std::string_view name, RegValue value);
    bool DeleteValue(std::string_view name);
    std::vector<std::string> ValueNames() const;

    bool operator==(const RegKey&) const = default;

private:
    RegKey* Child(std::string_view name);
    const RegKey* Child(std::string_view name) const;

    std::string name_;
    std::vector<std::pair<std::string, RegValue>> values_;
    std::list<RegKey> subKeys_;
};

class RegistryTree {
public:
    RegistryTree();
    RegKey& Root(Hive hive) { return roots_[static_cast<int>(hive)]; }
    const RegKey& Root(Hive hive) const { return roots_[static_cast<int>(hive)]; }
    bool operator==(const RegistryTree&) const = default;

private:
    RegKey roots_[3];
};

// The root's name as written in the file ("HKEY_CLASSES_ROOT", ...).
const char* HiveName(Hive hive);

// The store's file: KALVORA_REGISTRY when set, else $XDG_CONFIG_HOME/kalvora/registry (or
// ~/.config/kalvora/registry). Read on every call, so tests can point it elsewhere.
std::string RegistryPath();

// A snapshot of the store; empty when the file does not exist yet. Throws std::runtime_error
// when the file cannot be read or is damaged.
RegistryTree ReadRegistry();

// Runs edit on the current contents under an exclusive lock and writes the result back
// atomically, so concurrent writers in other processes never lose each other's keys. When
// edit throws, nothing is written and the exception propagates. Throws std::runtime_error
// when the file cannot be read, is damaged or cannot be written.
void UpdateRegistry(const std::function<void(RegistryTree&)>& edit);

}  // namespace platform
