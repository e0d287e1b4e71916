#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "Version.h"

namespace fs = std::filesystem;

namespace {

TEST(ModuleFileVersion, IsTheProjectVersionInFourParts) {
    const std::string version = platform::ModuleFileVersion();
    EXPECT_TRUE(std::regex_match(version, std::regex(R"(\d+\.\d+\.\d+\.\d+)"))) << version;
    EXPECT_EQ(version.rfind(PROJECT_VERSION_TEXT, 0), 0u) << version;
}

TEST(ModuleFileName, OfTheProgramIsItsFile) {
    const std::string path = platform::ModuleFileName();
    EXPECT_TRUE(fs::path(path).is_absolute()) << path;
    EXPECT_TRUE(fs::equivalent(path, TEST_PROGRAM)) << path;
}

// Loads a copy of the probe library from `path` and returns what it reports as its own file.
std::string ProbeLibraryPath(const std::string& path) {
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(library, nullptr) << dlerror();
    if (library == nullptr) {
        return {};
    }
    using Probe = char* (*)();
    auto probe = reinterpret_cast<Probe>(dlsym(library, "ProbeModuleFileName"));
    EXPECT_NE(probe, nullptr);
    std::string reported;
    if (probe != nullptr) {
        char* text = probe();
        reported = text;
        free(text);
    }
    dlclose(library);
    return reported;
}

TEST(ModuleFileName, OfASharedLibraryIsTheLibraryNotTheProgram) {
    EXPECT_EQ(ProbeLibraryPath(PROBE_LIBRARY), PROBE_LIBRARY);
}

TEST(ModuleFileName, IsNeverShortened) {
    fs::path folder = fs::temp_directory_path() / ("version_test_" + std::to_string(getpid()));
    const fs::path root = folder;
    while (folder.string().size() < 400) {
        folder /= "a_rather_long_folder_name_for_the_library";
    }
    fs::create_directories(folder);
    const fs::path copy = folder / "Kalvora.so";
    fs::copy_file(PROBE_LIBRARY, copy);
    EXPECT_EQ(ProbeLibraryPath(copy.string()), copy.string());
    fs::remove_all(root);
}

}  // namespace
