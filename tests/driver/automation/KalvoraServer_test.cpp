// The built Kalvora.so: registration in a temporary registry, creation by class identifier and
// ProgID, and the same member reached early-bound and late-bound.

#include <dlfcn.h>
#include <stdlib.h>

#include "ComClient.h"
#include "ComPtr.h"
#include "DriverTestSupport.h"
#include "Kalvora_TLB.h"
#include "Registry.h"
#include "Variant.h"

namespace {

using platform::HRESULT;

const char* const DriverClsid = "{840C3396-FFCF-4028-A435-8B1276E89995}";

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("KALVORA_REGISTRY", (Folder.Path() + "registry").c_str(), 1);
        Library = ::dlopen(KALVORA_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(Library, nullptr) << ::dlerror();
    }
    void TearDown() override {
        if (Library) {
            ::dlclose(Library);
        }
        ::unsetenv("KALVORA_REGISTRY");
    }
    HRESULT Call(const char* Export) {
        auto* Function = reinterpret_cast<HRESULT (*)()>(::dlsym(Library, Export));
        EXPECT_NE(Function, nullptr) << Export;
        return Function ? Function() : platform::E_FAIL;
    }

    TTempFolder Folder;
    void* Library = nullptr;
};

TEST_F(ServerTest, RegistrationWritesTheClassKeysAndRemovesThem) {
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    const platform::RegistryTree Tree = platform::ReadRegistry();
    const platform::RegKey& Root = Tree.Root(platform::HKEY_CLASSES_ROOT);
    const platform::RegKey* Class = Root.OpenKey(std::string("CLSID\\") + DriverClsid);
    ASSERT_NE(Class, nullptr);
    EXPECT_EQ(Class->StringValue(""), "TavrinoFprnRO Object");
    const platform::RegKey* Server = Class->OpenKey("InprocServer32");
    ASSERT_NE(Server, nullptr);
    EXPECT_EQ(std::filesystem::canonical(Server->StringValue("").value_or("")),
              std::filesystem::canonical(KALVORA_PATH));
    EXPECT_EQ(Server->StringValue("ThreadingModel"), "Apartment");
    EXPECT_EQ(Class->OpenKey("ProgID")->StringValue(""), "Kalvora.TavrinoFprnRO");
    EXPECT_EQ(Class->OpenKey("Version")->StringValue(""), "2.6");
    EXPECT_EQ(Class->OpenKey("TypeLib")->StringValue(""), "{567DEE2D-6A8C-4788-9821-0F18DC5D4F29}");
    for (const char* Name :
         {"TavrinoFprnRO", "ConfPLUData", "RecieptData", "DepatmentData", "XReportData"}) {
        SCOPED_TRACE(Name);
        const platform::RegKey* ProgID = Root.OpenKey(std::string("Kalvora.") + Name);
        ASSERT_NE(ProgID, nullptr);
        EXPECT_EQ(ProgID->StringValue(""), std::string(Name) + " Object");
        ASSERT_NE(ProgID->OpenKey("Clsid"), nullptr);
    }
    ASSERT_EQ(Call("DllUnregisterServer"), S_OK);
    const platform::RegistryTree After = platform::ReadRegistry();
    EXPECT_EQ(After.Root(platform::HKEY_CLASSES_ROOT).OpenKey(std::string("CLSID\\") + DriverClsid),
              nullptr);
    EXPECT_EQ(After.Root(platform::HKEY_CLASSES_ROOT).OpenKey("Kalvora.TavrinoFprnRO"), nullptr);
}

TEST_F(ServerTest, CreatedByProgIDAndCalledEarlyAndLateBound) {
    ASSERT_EQ(Call("DllRegisterServer"), S_OK);
    platform::CLSID Clsid{};
    ASSERT_EQ(platform::CLSIDFromProgID(u"Kalvora.TavrinoFprnRO", &Clsid), S_OK);
    EXPECT_EQ(platform::GUIDToString(Clsid), DriverClsid);
    platform::ComPtr<ITavrinoFprnRO> Driver;
    ASSERT_EQ(platform::CoCreateInstance(Clsid, nullptr, platform::CLSCTX_INPROC_SERVER,
                                         IID_ITavrinoFprnRO, Driver.ReceiveVoid()),
              S_OK);
    // Early-bound: slot 15 is RunZReport; without a device it fails in the member frame.
    int32_t Res = 0;
    ASSERT_EQ(Driver->RunZReport(&Res), S_OK);
    EXPECT_EQ(Res, 500);
    // Late-bound by name: the same member, the same frame.
    platform::LPOLESTR Name = const_cast<platform::LPOLESTR>(u"runzreport");
    platform::DISPID Id = 0;
    ASSERT_EQ(Driver->GetIDsOfNames(platform::IID_NULL, &Name, 1, 0, &Id), S_OK);
    EXPECT_EQ(Id, 210);
    platform::DISPPARAMS NoArgs{nullptr, nullptr, 0, 0};
    platform::VARIANT Result;
    platform::VariantInit(&Result);
    ASSERT_EQ(Driver->Invoke(Id, platform::IID_NULL, 0, platform::DISPATCH_METHOD, &NoArgs, &Result,
                             nullptr, nullptr),
              S_OK);
    EXPECT_EQ(Result.vt, platform::VT_I4);
    EXPECT_EQ(Result.lVal, 500);
    platform::BSTR Msg = nullptr;
    Driver->Get_LastErrorMsg(&Msg);
    EXPECT_EQ(Take(Msg), "Device is not initiqlized. Call \"init\" first!");
    Driver.Reset();
    EXPECT_EQ(Call("DllUnregisterServer"), S_OK);
}

TEST_F(ServerTest, OnlyTheServerExportsAreVisible) {
    for (const char* Export :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(::dlsym(Library, Export), nullptr) << Export;
    }
    EXPECT_EQ(::dlsym(Library, "_Z13KalvoraServerv"), nullptr);
    EXPECT_EQ(Call("DllCanUnloadNow"), S_OK);
}

}  // namespace
