#include "Version.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

namespace platform {

namespace {

// An address with internal linkage: it cannot be interposed by a copy of this library in
// another module, so it always lies in the module that holds this code.
void ModuleAnchor() {}

std::string ReadLinkWhole(const char* path) {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink(path, buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

std::string ModuleFileName() {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(&ModuleAnchor), &info, reinterpret_cast<void**>(&map),
                RTLD_DL_LINKMAP) != 0 &&
        map != nullptr && map->l_name != nullptr && map->l_name[0] != '\0') {
        // A library loaded by a relative name keeps that name; the client expects a full path.
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(map->l_name, error);
        return error ? std::string(map->l_name) : full.string();
    }
    // The program itself has no name in the loader's list; the kernel knows its file.
    return ReadLinkWhole("/proc/self/exe");
}

}  // namespace platform
