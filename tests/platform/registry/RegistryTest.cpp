#include "Registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

using namespace platform;
namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class RegistryStore : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "registry.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        path_ = folder_ / "sub" / "registry";
        setenv("KALVORA_REGISTRY", path_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KALVORA_REGISTRY");
        fs::remove_all(folder_);
    }

    fs::path folder_;
    fs::path path_;
};

TEST(RegistryTree, KeysAndValuesIgnoreCaseAndKeepTheirSpelling) {
    RegistryTree tree;
    RegKey& hkcr = tree.Root(HKEY_CLASSES_ROOT);
    RegKey& server = hkcr.CreateKey("CLSID\\{AB}\\InprocServer32");
    server.SetValue("", std::string("/lib/x.so"));
    server.SetValue("ThreadingModel", std::string("Apartment"));
    EXPECT_EQ(&hkcr.CreateKey("clsid\\{ab}\\INPROCSERVER32"), &server);
    EXPECT_EQ(hkcr.OpenKey("Clsid\\{aB}\\inprocserver32"), &server);
    EXPECT_EQ(hkcr.OpenKey("CLSID")->SubKeyNames(), std::vector<std::string>{"{AB}"});
    EXPECT_EQ(server.StringValue("threadingmodel"), "Apartment");
    EXPECT_EQ(server.StringValue(""), "/lib/x.so");

    server.SetValue("THREADINGMODEL", 5);
    EXPECT_EQ(server.ValueNames(), (std::vector<std::string>{"", "ThreadingModel"}));
    EXPECT_EQ(server.IntegerValue("ThreadingModel"), 5);
    EXPECT_EQ(server.StringValue("ThreadingModel"), std::nullopt);
    EXPECT_TRUE(server.DeleteValue("threadingModel"));
    EXPECT_FALSE(server.DeleteValue("threadingModel"));
    EXPECT_EQ(server.Value("ThreadingModel"), nullptr);

    EXPECT_EQ(hkcr.OpenKey("CLSID\\{AB}\\Missing"), nullptr);
    EXPECT_TRUE(hkcr.DeleteKey("clsid\\{ab}"));  // with its subkeys
    EXPECT_EQ(hkcr.OpenKey("CLSID\\{AB}\\InprocServer32"), nullptr);
    EXPECT_NE(hkcr.OpenKey("CLSID"), nullptr);
    EXPECT_FALSE(hkcr.DeleteKey("CLSID\\{AB}"));
    EXPECT_EQ(tree.Root(HKEY_CURRENT_USER).OpenKey("CLSID"), nullptr);

    for (const char* bad : {"A\\\\B", "\\A", "A\\", "A\nB"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(hkcr.CreateKey(bad), std::invalid_argument);
    }
}

TEST_F(RegistryStore, UpdatesPersistEveryKindOfValue) {
    EXPECT_EQ(ReadRegistry(), RegistryTree());  // no file yet
    UpdateRegistry([](RegistryTree& tree) {
        RegKey& key = tree.Root(HKEY_CURRENT_USER).CreateKey("Software\\Odd [name]]");
        key.SetValue("", std::string("quote \" back \\ line\nfeed\r ] end"));
        key.SetValue("neg", -2);
        key.SetValue("=\"", std::string("\xCA\xE0"));
        tree.Root(HKEY_LOCAL_MACHINE).SetValue("top", 7);
        tree.Root(HKEY_CLASSES_ROOT).CreateKey("Empty");
    });
    const RegistryTree tree = ReadRegistry();
    const RegKey* key = tree.Root(HKEY_CURRENT_USER).OpenKey("software\\odd [NAME]]");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->StringValue(""), "quote \" back \\ line\nfeed\r ] end");
    EXPECT_EQ(key->IntegerValue("neg"), -2);
    EXPECT_EQ(key->StringValue("=\""), "\xCA\xE0");
    EXPECT_EQ(tree.Root(HKEY_LOCAL_MACHINE).IntegerValue("top"), 7);
    EXPECT_NE(tree.Root(HKEY_CLASSES_ROOT).OpenKey("Empty"), nullptr);

    UpdateRegistry([](RegistryTree& tree) { tree.Root(HKEY_CURRENT_USER).DeleteKey("Software"); });
    EXPECT_EQ(ReadRegistry().Root(HKEY_CURRENT_USER).SubKeyNames().size(), 0u);
}

TEST_F(RegistryStore, FailedEditOrDamagedFileChangesNothing) {
    UpdateRegistry([](RegistryTree& tree) { tree.Root(HKEY_CLASSES_ROOT).CreateKey("Kept"); });
    const std::string before = ReadText(path_);
    EXPECT_THROW(UpdateRegistry([](RegistryTree& tree) {
                     tree.Root(HKEY_CLASSES_ROOT).DeleteKey("Kept");
                     throw std::logic_error("stop");
                 }),
                 std::logic_error);
    EXPECT_EQ(ReadText(path_), before);

    for (const char* damaged : {"@=\"no key\"\n", "[NOWHERE\\x]\n", "[HKEY_CLASSES_ROOT\\a]\nx\n",
                                "[HKEY_CLASSES_ROOT\\a]\n\"v\"=dword:123456789\n",
                                "[HKEY_CLASSES_ROOT\\a]\n@=\"open\n"}) {
        SCOPED_TRACE(damaged);
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << damaged;
        EXPECT_THROW(ReadRegistry(), std::runtime_error);
        EXPECT_THROW(UpdateRegistry([](RegistryTree&) {}), std::runtime_error);
        EXPECT_EQ(ReadText(path_), damaged);
    }
}

TEST_F(RegistryStore, WritesReplaceTheFileAndLeaveNoTemporaries) {
    UpdateRegistry([](RegistryTree& tree) { tree.Root(HKEY_CLASSES_ROOT).SetValue("a", 1); });
    // A reader that opened the old version keeps reading it whole while a writer replaces it.
    std::ifstream oldReader(path_, std::ios::binary);
    UpdateRegistry([](RegistryTree& tree) { tree.Root(HKEY_CLASSES_ROOT).SetValue("a", 2); });
    std::stringstream old;
    old << oldReader.rdbuf();
    EXPECT_NE(old.str().find("dword:00000001"), std::string::npos);
    EXPECT_EQ(ReadRegistry().Root(HKEY_CLASSES_ROOT).IntegerValue("a"), 2);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_.parent_path())) {
        names.push_back(entry.path().filename());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry", "registry.lock"}));
}

TEST_F(RegistryStore, ConcurrentWritersInSeveralProcessesLoseNothing) {
    constexpr int kProcesses = 6;
    constexpr int kKeysEach = 25;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int status = 0;
            try {
                for (int k = 0; k < kKeysEach; ++k) {
                    UpdateRegistry([&](RegistryTree& tree) {
                        tree.Root(HKEY_CURRENT_USER)
                            .CreateKey("P" + std::to_string(p) + "\\K" + std::to_string(k))
                            .SetValue("", k);
                    });
                }
            } catch (...) {
                status = 1;
            }
            _exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const RegistryTree tree = ReadRegistry();
    for (int p = 0; p < kProcesses; ++p) {
        for (int k = 0; k < kKeysEach; ++k) {
            const std::string path = "P" + std::to_string(p) + "\\K" + std::to_string(k);
            const RegKey* key = tree.Root(HKEY_CURRENT_USER).OpenKey(path);
            ASSERT_NE(key, nullptr) << path;
            EXPECT_EQ(key->IntegerValue(""), k);
        }
    }
}

TEST(RegistryLocation, EnvironmentChoosesTheFile) {
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    setenv("KALVORA_REGISTRY", "/tmp/r", 1);
    EXPECT_EQ(RegistryPath(), "/tmp/r");
    unsetenv("KALVORA_REGISTRY");
    EXPECT_EQ(RegistryPath(), "/cfg/kalvora/registry");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // ignored, as the base directory rules say
    EXPECT_EQ(RegistryPath(), "/home/someone/.config/kalvora/registry");
}

}  // namespace
