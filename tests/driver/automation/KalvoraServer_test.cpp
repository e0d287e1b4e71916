// The built Kalvora.so as clients meet it: created through the registry in this process and in a
// fresh one, its driver reached early-bound through the table and late-bound by DISPID and by
// name, and nothing exported but the four server entry points.

#include <dlfcn.h>

#include "DriverTestSupport.h"
#include "Registry.h"

namespace {

class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Registry = Folder.Path() + "registry";
        ::setenv("KALVORA_REGISTRY", Registry.c_str(), 1);
        Library = ::dlopen(KALVORA_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(Library, nullptr) << ::dlerror();
        ASSERT_EQ(Export("DllRegisterServer"), S_OK);
        Emulator = fpemu::Emulator::StartTcp();
    }
    void TearDown() override {
        Emulator->Stop();
        EXPECT_EQ(Export("DllUnregisterServer"), S_OK);
        EXPECT_EQ(Export("DllCanUnloadNow"), S_OK);  // every object was released
        ::dlclose(Library);
        ::unsetenv("KALVORA_REGISTRY");
    }
    HRESULT Export(const char* Name) {
        auto* Function = reinterpret_cast<HRESULT (*)()>(::dlsym(Library, Name));
        return Function ? Function() : platform::E_FAIL;
    }
    std::string InitLine() const {
        return "InitTCP \"" + Emulator->Host() + "\" " + std::to_string(Emulator->Port()) +
               " \"\" \"\"";
    }
    std::string LastReport() const {
        return Emulator->Frames().back().payload.size() == 1 ? "Z" : "X";
    }

    TTempFolder Folder;
    std::string Registry;
    void* Library = nullptr;
    std::unique_ptr<fpemu::Emulator> Emulator;
};

TEST_F(ServerTest, SlotDispidAndNameReachTheSameMember) {
    platform::CLSID Clsid{};
    ASSERT_EQ(platform::CLSIDFromProgID(u"Kalvora.TavrinoFprnRO", &Clsid), S_OK);
    EXPECT_EQ(Clsid, CLASS_TavrinoFprnRO);
    platform::ComPtr<ITavrinoFprnRO> Driver;
    ASSERT_EQ(platform::CoCreateInstance(Clsid, nullptr, platform::CLSCTX_INPROC_SERVER,
                                         IID_ITavrinoFprnRO, Driver.ReceiveVoid()),
              S_OK);
    int32_t Res = -1;
    ASSERT_EQ(
        Driver->InitTCP(TWide(Emulator->Host()), Emulator->Port(), TWide(""), TWide(""), &Res),
        S_OK);
    ASSERT_EQ(Res, 0);
    // Slot 15 is RunZReport, DISPID 211 RunXReport, the name "runzreport" DISPID 210.
    using TSlot = HRESULT (*)(ITavrinoFprnRO*, int32_t*);
    const auto Table = *reinterpret_cast<TSlot**>(Driver.Get());
    ASSERT_EQ(Table[15](Driver.Get(), &Res), S_OK);
    EXPECT_EQ(Res, 0);
    EXPECT_EQ(LastReport(), "Z");
    platform::LPOLESTR Name = const_cast<platform::LPOLESTR>(u"runzreport");
    platform::DISPID ByName = 0;
    ASSERT_EQ(Driver->GetIDsOfNames(platform::IID_NULL, &Name, 1, 0, &ByName), S_OK);
    for (const auto& [Id, Report] : {std::make_pair(211, "X"), std::make_pair(ByName, "Z")}) {
        platform::DISPPARAMS NoArgs{nullptr, nullptr, 0, 0};
        platform::VARIANT Result;
        platform::VariantInit(&Result);
        ASSERT_EQ(Driver->Invoke(Id, platform::IID_NULL, 0, platform::DISPATCH_METHOD, &NoArgs,
                                 &Result, nullptr, nullptr),
                  S_OK);
        EXPECT_EQ(Result.vt, platform::VT_I4);
        EXPECT_EQ(Result.lVal, 0);
        EXPECT_EQ(LastReport(), Report);
    }
}

TEST_F(ServerTest, FreshProcessCreatesTheDriverFromTheRegistryAlone) {
    const std::string Script = Folder.Path() + "calls.txt";
    std::ofstream(Script) << InitLine() << "\nget FPModel\nRunXReport\nCloseConnection\n";
    const std::string Output = Folder.Path() + "out.txt";
    const std::string Command = std::string(DISPCALL_PATH) + " --registry " + Registry +
                                " Kalvora.TavrinoFprnRO < " + Script + " > " + Output;
    ::unsetenv("KALVORA_REGISTRY");  // the child learns the registry from its argument only
    EXPECT_EQ(std::system(Command.c_str()), 0);
    ::setenv("KALVORA_REGISTRY", Registry.c_str(), 1);
    std::ifstream In(Output);
    std::vector<std::string> Lines;
    for (std::string Line; std::getline(In, Line);) {
        Lines.push_back(Line);
    }
    const std::vector<std::string> Expected = {
        R"({"call":"InitTCP","hr":0,)" + Ok + "}",
        R"({"get":"FPModel","hr":0,"value":"FPEMU"})",
        R"({"call":"RunXReport","hr":0,)" + Ok + "}",
        R"({"call":"CloseConnection","hr":0,)" + Ok + "}",
    };
    EXPECT_EQ(Lines, Expected);
    EXPECT_EQ(LastReport(), "X");
}

TEST_F(ServerTest, OnlyTheServerEntryPointsAreVisible) {
    for (const char* Name :
         {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
        EXPECT_NE(::dlsym(Library, Name), nullptr) << Name;
    }
    EXPECT_EQ(::dlsym(Library, "_Z13KalvoraServerv"), nullptr);
    EXPECT_EQ(::dlsym(Library, "_ZN14TTavrinoFprnRO10InitializeEv"), nullptr);
}

}  // namespace
