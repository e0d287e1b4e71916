// The data objects as a client meets them: Kalvora.so registered in a temporary registry,
// objects created by ProgID and used late-bound by name and early-bound through their tables.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "CodePage.h"
#include "Kalvora_TLB.h"
#include "Registry.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

class DataObjects : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "kalvora.XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        setenv("KALVORA_REGISTRY", (folder_ / "registry").c_str(), 1);
        module_ = dlopen(KALVORA_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        ASSERT_EQ(Export("DllRegisterServer"), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(Export("DllCanUnloadNow"), S_OK);  // every object was released
        dlclose(module_);
        unsetenv("KALVORA_REGISTRY");
        fs::remove_all(folder_);
    }
    HRESULT Export(const char* name) {
        auto function = reinterpret_cast<DllRegisterServerFunc>(dlsym(module_, name));
        return function ? function() : E_FAIL;
    }
    // Creates a class the way a late-bound client does, by ProgID.
    ComPtr<IDispatch> Create(const char16_t* progID) {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(progID, &clsid), S_OK);
        ComPtr<IDispatch> object;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   object.ReceiveVoid()),
                  S_OK);
        return object;
    }

    fs::path folder_;
    void* module_ = nullptr;
};

// Reads a property by name; the result is the caller's to clear.
VARIANT Get(IDispatch* object, const char16_t* name) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(
        object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
        S_OK);
    return result;
}

HRESULT Put(IDispatch* object, const char16_t* name, VARIANT value) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    const HRESULT hr =
        object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    VariantClear(&value);
    return hr;
}

VARIANT Number(double v) {
    VARIANT x{};
    x.vt = VT_R8;
    x.dblVal = v;
    return x;
}

TEST_F(DataObjects, RegistrationWritesEachServedClass) {
    const RegistryTree tree = ReadRegistry();
    const RegKey& root = tree.Root(HKEY_CLASSES_ROOT);
    for (const CoClassDesc& coclass : KalvoraCoClasses) {
        SCOPED_TRACE(coclass.name);
        const std::string key = "CLSID\\" + GUIDToString(coclass.clsid);
        ASSERT_NE(root.OpenKey(key), nullptr);
        EXPECT_EQ(root.OpenKey(key)->StringValue(""), std::string(coclass.name) + " Object");
        EXPECT_EQ(root.OpenKey(key + "\\InprocServer32")->StringValue(""),
                  fs::absolute(KALVORA_PATH).string());
        EXPECT_EQ(root.OpenKey(key + "\\InprocServer32")->StringValue("ThreadingModel"),
                  "Apartment");
        EXPECT_EQ(root.OpenKey(key + "\\ProgID")->StringValue(""),
                  std::string("Kalvora.") + coclass.name);
        EXPECT_EQ(root.OpenKey(key + "\\Version")->StringValue(""), "2.6");
        EXPECT_EQ(root.OpenKey(std::string("Kalvora.") + coclass.name + "\\Clsid")->StringValue(""),
                  GUIDToString(coclass.clsid));
    }
    EXPECT_EQ(root.OpenKey("TypeLib\\{567DEE2D-6A8C-4788-9821-0F18DC5D4F29}\\2.6")->StringValue(""),
              "Kalvora Library");
    ASSERT_EQ(Export("DllUnregisterServer"), S_OK);
    EXPECT_EQ(ReadRegistry().Root(HKEY_CLASSES_ROOT).OpenKey("Kalvora.ConfPLUData"), nullptr);
    EXPECT_EQ(ReadRegistry().Root(HKEY_CLASSES_ROOT).OpenKey("Kalvora.TavrinoFprnRO"), nullptr);
}

TEST_F(DataObjects, NewObjectsStartEmptyAndKeepWhatIsStored) {
    for (const CoClassDesc* coclass = &KalvoraCoClasses[1]; coclass != std::end(KalvoraCoClasses);
         ++coclass) {
        SCOPED_TRACE(coclass->name);
        const std::u16string progID = u"Kalvora." + Utf8ToUtf16(coclass->name);
        ComPtr<IDispatch> object = Create(progID.c_str());
        ASSERT_TRUE(object);
        const InterfaceDesc& iface = *coclass->defaultInterface;
        for (size_t i = 0; i < iface.members.size(); i += 2) {
            const MemberDesc& member = iface.members[i];
            const std::u16string name = Utf8ToUtf16(member.name);
            SCOPED_TRACE(member.name);
            VARIANT value = Get(object.Get(), name.c_str());
            EXPECT_EQ(value.vt, member.result.type);
            if (value.vt == VT_BSTR) {
                EXPECT_EQ(SysStringLen(value.bstrVal), 0u);
            } else if (value.vt == VT_I4) {
                EXPECT_EQ(value.lVal, 0);
            } else {
                EXPECT_EQ(value.dblVal, 0.0);
            }
            VariantClear(&value);
            // Store a value that tells the properties apart, then read every one back below.
            EXPECT_EQ(Put(object.Get(), name.c_str(), Number(double(member.dispid))), S_OK);
        }
        for (size_t i = 0; i < iface.members.size(); i += 2) {
            const MemberDesc& member = iface.members[i];
            VARIANT value = Get(object.Get(), Utf8ToUtf16(member.name).c_str());
            VARIANT expected = Number(member.dispid);
            ASSERT_EQ(VariantChangeType(&value, &value, 0, VT_R8), S_OK);
            EXPECT_EQ(value.dblVal, expected.dblVal) << member.name;
        }
    }
}

TEST_F(DataObjects, EarlyBoundSlotsAndLateBoundNamesReachTheSameField) {
    ComPtr<IDispatch> object = Create(u"Kalvora.XReportData");
    ComPtr<IXReportData> report;
    ASSERT_EQ(object->QueryInterface(IID_IXReportData, report.ReceiveVoid()), S_OK);
    EXPECT_EQ(report->Set_TotPay3(3.5), S_OK);
    // TotPay8 is read at slot 25 and written at slot 26.
    using PutSlot = HRESULT (*)(IXReportData*, double);
    auto table = *reinterpret_cast<void***>(report.Get());
    EXPECT_EQ(reinterpret_cast<PutSlot>(table[26])(report.Get(), 8.25), S_OK);
    VARIANT pay3 = Get(object.Get(), u"totpay3");
    VARIANT pay8 = Get(object.Get(), u"TOTPAY8");
    EXPECT_EQ(pay3.dblVal, 3.5);
    EXPECT_EQ(pay8.dblVal, 8.25);

    ComPtr<IDispatch> department = Create(u"Kalvora.DepatmentData");
    ComPtr<IDepatmentData> early;
    ASSERT_EQ(department->QueryInterface(IID_IDepatmentData, early.ReceiveVoid()), S_OK);
    VARIANT name{};
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(u"Хляб и тестени");
    ASSERT_EQ(Put(department.Get(), u"DepName", name), S_OK);
    BSTR text = nullptr;
    EXPECT_EQ(early->Get_DepName(&text), S_OK);
    EXPECT_EQ(BSTRView(text), u"Хляб и тестени");
    SysFreeString(text);
    LONG exists = 0;
    ASSERT_EQ(Put(department.Get(), u"DepExists", Number(1)), S_OK);
    using GetSlot = HRESULT (*)(IDepatmentData*, LONG*);
    EXPECT_EQ(reinterpret_cast<GetSlot>((*reinterpret_cast<void***>(early.Get()))[19])(early.Get(),
                                                                                       &exists),
              S_OK);
    EXPECT_EQ(exists, 1);
}

}  // namespace
