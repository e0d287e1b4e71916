#pragma once

#include <string>
#include <string_view>

#include "Registry.h"

namespace platform {

// The file is text: a "[HIVE\path]" line per key followed by its values, "@" for the default
// value, "name"="text" for a string and "name"=dword:hhhhhhhh for an integer.
std::string FormatRegistry(const RegistryTree& tree);

// Throws std::runtime_error naming the file and line when the text is damaged.
RegistryTree ParseRegistry(std::string_view text, const std::string& fileName);

}  // namespace platform
