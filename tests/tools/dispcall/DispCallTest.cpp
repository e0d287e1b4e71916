#include "DispCall.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

using namespace platform;
namespace fs = std::filesystem;

// A described object with what the Kalvora objects cannot show before the driver object
// exists: an [in, out] integer, interface results and the last-error properties.
struct IProbe : IDispatch {
    virtual HRESULT Status(LONG* Status, LONG* Res) = 0;
    virtual HRESULT Make(LONG Number, IProbe** Res) = 0;
    virtual HRESULT Get_Number(LONG* Value) = 0;
    virtual HRESULT Set_Number(LONG Value) = 0;
    virtual HRESULT Get_LastErrorMsg(BSTR* Value) = 0;
    virtual HRESULT Fail(BSTR Text, LONG* Res) = 0;

protected:
    ~IProbe() = default;
};

extern const InterfaceDesc kIProbeDesc;
constexpr MemberDesc kIProbeMembers[] = {
    {7, 1, MemberKind::Method, "Status", {{"Status", VT_BYREF | VT_I4}}, {"Res", VT_I4}},
    {8, 2, MemberKind::Method, "Make", {{"Number", VT_I4}}, {"Res", VT_DISPATCH, &kIProbeDesc}},
    {9, 3, MemberKind::PropertyGet, "Number", {}, {"Value", VT_I4}},
    {10, 3, MemberKind::PropertyPut, "Number", {{"", VT_I4}}, {}},
    {11, 4, MemberKind::PropertyGet, "LastErrorMsg", {}, {"Value", VT_BSTR}},
    {12, 5, MemberKind::Method, "Fail", {{"Text", VT_BSTR}}, {"Res", VT_I4}},
};
constexpr InterfaceDesc kIProbeDesc{"IProbe", "{5E0F4C1A-2B3D-4E5F-8091-A2B3C4D5E6F7}"_guid, "",
                                    kIProbeMembers};
constexpr CoClassDesc kProbeClasses[] = {{"Probe", GUID_NULL, "", &kIProbeDesc}};
constexpr TypeLibDesc kProbeLib{"ProbeLib", GUID_NULL, 1, 0, 0, "", kProbeClasses};

class TProbe : public TAutoObject<IProbe> {
public:
    TProbe() : TAutoObject(kIProbeDesc) {}
    HRESULT Status(LONG* Status, LONG* Res) override {
        *Status *= 2;
        *Res = 0;
        return S_OK;
    }
    HRESULT Make(LONG Number, IProbe** Res) override {
        *Res = nullptr;
        if (Number) {
            auto* made = static_cast<TProbe*>(CreateAutoObject<TProbe>());
            made->FNumber = Number;
            *Res = made;
        }
        return S_OK;
    }
    HRESULT Get_Number(LONG* Value) override { return PropertyGet(FNumber, Value); }
    HRESULT Set_Number(LONG Value) override { return PropertyPut(FNumber, Value); }
    HRESULT Get_LastErrorMsg(BSTR* Value) override { return PropertyGet(FMessage, Value); }
    HRESULT Fail(BSTR Text, LONG* Res) override {
        return SafeCall([&] {
            *Res = 500;
            throw std::runtime_error(BSTRToAnsi(Text));
        });
    }

private:
    LONG FNumber = 0;
    std::string FMessage = "none";
};

TEST(DispCall, EachLineBecomesOneJsonLine) {
    TDispCall client(ComPtr<IDispatch>::Attach(CreateAutoObject<TProbe>()), kProbeLib);
    const std::pair<std::string, std::string> rows[] = {
        {"Status 21", R"({"call":"Status","hr":0,"Res":0,"Status":42,"LastErrorMsg":"none"})"},
        // A text is fitted by Invoke and passed by value, so nothing comes back for it.
        {"status \"5\"", R"({"call":"status","hr":0,"Res":0,"LastErrorMsg":"none"})"},
        {"Make 0", R"({"call":"Make","hr":0,"Res":null,"LastErrorMsg":"none"})"},
        {"Make 4.0",
         R"({"call":"Make","hr":0,"Res":{"Number":4,"LastErrorMsg":"none"},"LastErrorMsg":"none"})"},
        {"put Number \"7\"", R"({"put":"Number","hr":0})"},
        {"get number", R"({"get":"number","hr":0,"value":7})"},
        {"  ", ""},
    };
    for (const auto& [line, json] : rows) {
        std::ostringstream out;
        EXPECT_TRUE(client.RunLine(line, out)) << line;
        EXPECT_EQ(out.str(), json.empty() ? "" : json + "\n");
    }
    const std::pair<std::string, std::string> failures[] = {
        {"Fail \"Ошибка \\\"7\\\"\"",
         R"({"call":"Fail","hr":-2147467259,"error":"Ошибка \"7\"","LastErrorMsg":"none"})"},
        {"Missing", R"({"call":"Missing","hr":-2147352570,"LastErrorMsg":"none"})"},
        {"Make x", R"({"call":"Make","error":"Bad argument: x"})"},
        {"Make \"open", R"({"line":"Make \"open","error":"Unterminated string"})"},
        {"put Number 1 2", R"({"put":"Number","hr":-2147352562})"},
        {"put Number 99999999999", R"({"put":"Number","hr":-2147352566})"},
    };
    for (const auto& [line, json] : failures) {
        std::ostringstream out;
        EXPECT_FALSE(client.RunLine(line, out)) << line;
        EXPECT_EQ(out.str(), json + "\n");
    }
}

// dispcall itself, in a process of its own that knows Kalvora.so only through the registry.
TEST(DispCall, CreatesByProgIDInAFreshProcess) {
    std::string pattern = (fs::path(::testing::TempDir()) / "dispcall.XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path folder = pattern;
    const fs::path registry = folder / "registry";
    setenv("KALVORA_REGISTRY", registry.c_str(), 1);
    void* module = dlopen(KALVORA_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(reinterpret_cast<DllRegisterServerFunc>(dlsym(module, "DllRegisterServer"))(), S_OK);
    dlclose(module);
    unsetenv("KALVORA_REGISTRY");

    std::ofstream(folder / "calls") << "put TotPay8 \"12.5\"\nget totpay8\nget TotPay3\n";
    const auto run = [&](const std::string& progID) {
        const std::string command = std::string(DISPCALL_PATH) + " --registry " +
                                    registry.string() + " " + progID + " < " +
                                    (folder / "calls").string() + " > " + (folder / "out").string();
        const int status = std::system(command.c_str());
        std::ifstream in(folder / "out");
        std::stringstream text;
        text << in.rdbuf();
        return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str());
    };
    EXPECT_EQ(run("Kalvora.XReportData"), std::make_pair(0, std::string(R"({"put":"TotPay8","hr":0}
{"get":"totpay8","hr":0,"value":12.5}
{"get":"TotPay3","hr":0,"value":0}
)")));
    EXPECT_EQ(run("Kalvora.Missing"),
              std::make_pair(1, std::string(R"({"create":"Kalvora.Missing","hr":-2147221005})"
                                            "\n")));
    fs::remove_all(folder);
}

}  // namespace
