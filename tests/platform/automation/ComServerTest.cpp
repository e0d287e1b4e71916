#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Registry.h"

#include "TestCounter.h"

namespace {

namespace fs = std::filesystem;

class ComServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "com.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        setenv("KALVORA_REGISTRY", (folder_ / "registry").c_str(), 1);
        module_ = dlopen(TEST_SERVER_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
    }
    void TearDown() override {
        dlclose(module_);
        unsetenv("KALVORA_REGISTRY");
        fs::remove_all(folder_);
    }
    HRESULT Export(const char* name) {
        auto function = reinterpret_cast<DllRegisterServerFunc>(dlsym(module_, name));
        return function ? function() : E_FAIL;
    }
    static std::string Default(const RegistryTree& tree, const std::string& path) {
        const RegKey* key = tree.Root(HKEY_CLASSES_ROOT).OpenKey(path);
        return key ? key->StringValue("").value_or("<no value>") : "<no key>";
    }

    fs::path folder_;
    void* module_ = nullptr;
};

TEST_F(ComServerTest, RegistrationWritesTheClassAndTypeLibraryKeys) {
    ASSERT_EQ(Export("DllRegisterServer"), S_OK);
    const RegistryTree tree = ReadRegistry();
    const std::string clsid = "CLSID\\{1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0}";
    const std::string lib = "TypeLib\\{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}\\1.2";
    EXPECT_EQ(Default(tree, clsid), "Counter Object");
    EXPECT_EQ(Default(tree, clsid + "\\InprocServer32"), fs::canonical(TEST_SERVER_PATH).string());
    EXPECT_EQ(tree.Root(HKEY_CLASSES_ROOT)
                  .OpenKey(clsid + "\\InprocServer32")
                  ->StringValue("ThreadingModel"),
              "Apartment");
    EXPECT_EQ(Default(tree, clsid + "\\ProgID"), "CounterLib.Counter");
    EXPECT_EQ(Default(tree, clsid + "\\Version"), "1.2");
    EXPECT_EQ(Default(tree, clsid + "\\TypeLib"), "{0A1B2C3D-4E5F-4061-8273-94A5B6C7D8E9}");
    EXPECT_EQ(Default(tree, "CounterLib.Counter"), "Counter Object");
    EXPECT_EQ(Default(tree, "CounterLib.Counter\\Clsid"), "{1B2C3D4E-5F60-4172-8394-A5B6C7D8E9F0}");
    EXPECT_EQ(Default(tree, lib), "Counter Library");
    EXPECT_EQ(Default(tree, lib + "\\409\\win32"), fs::canonical(TEST_SERVER_PATH).string());
    EXPECT_EQ(Default(tree, "Interface\\{8F1D2C3B-0A4E-4F5D-9C6B-7A8E9F0D1C2B}"), "ICounter");

    ASSERT_EQ(Export("DllUnregisterServer"), S_OK);
    const RegistryTree after = ReadRegistry();
    EXPECT_EQ(after.Root(HKEY_CLASSES_ROOT).SubKeyNames(),
              (std::vector<std::string>{"CLSID", "Interface", "TypeLib"}));
    for (const char* parent : {"CLSID", "Interface", "TypeLib"}) {
        EXPECT_TRUE(after.Root(HKEY_CLASSES_ROOT).OpenKey(parent)->SubKeyNames().empty()) << parent;
    }
}

TEST_F(ComServerTest, ClassesAreCreatedThroughTheRegistryByClsidAndProgID) {
    const CLSID clsid = kCounterClasses[0].clsid;
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(u"CounterLib.Counter", &found), CO_E_CLASSSTRING);

    ASSERT_EQ(Export("DllRegisterServer"), S_OK);
    ASSERT_EQ(CLSIDFromProgID(u"counterlib.COUNTER", &found), S_OK);
    EXPECT_EQ(found, clsid);

    ComPtr<IDispatch> counter;
    ASSERT_EQ(CoCreateInstance(found, nullptr, CLSCTX_ALL, IID_IDispatch, counter.ReceiveVoid()),
              S_OK);
    EXPECT_EQ(Export("DllCanUnloadNow"), S_FALSE);
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"ADD")};
    DISPID id = 0;
    ASSERT_EQ(counter->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    VARIANT args[3];
    args[2].vt = VT_BSTR;
    args[2].bstrVal = SysAllocString(u"4");
    args[1].vt = VT_R8;
    args[1].dblVal = 2.5;
    args[0].vt = VT_BSTR;
    args[0].bstrVal = nullptr;
    DISPPARAMS params{args, nullptr, 3, 0};
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(counter->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
              S_OK);
    EXPECT_EQ(result.lVal, 10);
    VariantClear(&args[2]);

    ComPtr<ICounter> early;
    ASSERT_EQ(counter->QueryInterface(kICounterDesc.iid, early.ReceiveVoid()), S_OK);
    LONG total = 0;
    EXPECT_EQ(early->Add(1, 1.0, nullptr, &total), S_OK);
    EXPECT_EQ(total, 11);

    void* second = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, counter.Get(), CLSCTX_ALL, IID_IUnknown, &second),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &second),
              REGDB_E_CLASSNOTREG);
    IUnknown* running = nullptr;
    EXPECT_EQ(GetActiveObject(clsid, nullptr, &running), MK_E_UNAVAILABLE);
    EXPECT_EQ(running, nullptr);

    counter.Reset();
    early.Reset();
    EXPECT_EQ(Export("DllCanUnloadNow"), S_OK);
}

TEST_F(ComServerTest, BrokenRegistrationsFailWithTheirCodes) {
    const CLSID clsid = kCounterClasses[0].clsid;
    const std::string key = "CLSID\\" + GUIDToString(clsid) + "\\InprocServer32";
    const auto setServer = [&](const std::string& path) {
        UpdateRegistry([&](RegistryTree& tree) {
            tree.Root(HKEY_CLASSES_ROOT).CreateKey(key).SetValue("", path);
        });
    };
    void* object = nullptr;
    setServer((folder_ / "missing.so").string());
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              HRESULT_MOD_NOT_FOUND);
    EXPECT_NE(TakeErrorDescription().find("missing.so"), std::string::npos);
    setServer("libc.so.6");  // loads, but serves nothing
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object), CO_E_ERRORINDLL);
    setServer(TEST_SERVER_PATH);
    const CLSID other = "{00000000-1111-2222-3333-444444444444}"_guid;
    UpdateRegistry([&](RegistryTree& tree) {
        tree.Root(HKEY_CLASSES_ROOT)
            .CreateKey("CLSID\\" + GUIDToString(other) + "\\InprocServer32")
            .SetValue("", std::string(TEST_SERVER_PATH));
    });
    EXPECT_EQ(CoCreateInstance(other, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              CLASS_E_CLASSNOTAVAILABLE);

    std::ofstream(folder_ / "registry", std::ios::trunc) << "garbage\n";
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object),
              REGDB_E_READREGDB);
    EXPECT_EQ(Export("DllRegisterServer"), SELFREG_E_CLASS);
    EXPECT_NE(TakeErrorDescription().find("damaged"), std::string::npos);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
