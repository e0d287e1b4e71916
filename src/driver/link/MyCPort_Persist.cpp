// Saving and loading the settings to an INI file (section: the port's Name) or a registry key.

#include <stdexcept>

#include "IniFile.h"
#include "MyCPort.h"
#include "Registry.h"

namespace {

// One saved setting: its group, its key, and how its saved form is made and taken back. Text
// settings use GetText/SetText, integer ones GetNumber/SetNumber.
struct TSetting {
    TStoredProp Group;
    const char* Key;
    std::string (*GetText)(TCustomComPort&);
    void (*SetText)(TCustomComPort&, const std::string&);
    int32_t (*GetNumber)(TCustomComPort&);
    void (*SetNumber)(TCustomComPort&, int32_t);
};

using P = TCustomComPort&;
using S = const std::string&;

// In the order the settings are written and read.
const TSetting kSettings[] = {
    {spBasic, "Port", [](P p) { return p.Port(); }, [](P p, S v) { p.SetPort(v); }, nullptr,
     nullptr},
    {spBasic, "BaudRate", [](P p) { return BaudRateText(p.BaudRate()); },
     [](P p, S v) { p.SetBaudRate(BaudRateFromText(v)); }, nullptr, nullptr},
    {spBasic, "CustomBaudRate", nullptr, nullptr, [](P p) { return p.CustomBaudRate(); },
     [](P p, int32_t v) { p.SetCustomBaudRate(v); }},
    {spBasic, "StopBits", [](P p) { return StopBitsText(p.StopBits()); },
     [](P p, S v) { p.SetStopBits(StopBitsFromText(v)); }, nullptr, nullptr},
    {spBasic, "DataBits", [](P p) { return DataBitsText(p.DataBits()); },
     [](P p, S v) { p.SetDataBits(DataBitsFromText(v)); }, nullptr, nullptr},
    {spBasic, "Parity", [](P p) { return ParityText(p.Parity().Bits()); },
     [](P p, S v) { p.Parity().SetBits(ParityFromText(v)); }, nullptr, nullptr},
    {spBasic, "FlowControl", [](P p) { return FlowControlText(p.FlowControl().FlowControl()); },
     [](P p, S v) { p.FlowControl().SetFlowControl(FlowControlFromText(v)); }, nullptr, nullptr},
    {spOthers, "EventChar", [](P p) { return CharText(p.EventChar()); },
     [](P p, S v) { p.SetEventChar(CharFromText(v)); }, nullptr, nullptr},
    {spOthers, "DiscardNull", [](P p) { return YesNoText(p.DiscardNull()); },
     [](P p, S v) { p.SetDiscardNull(YesNoValue(v)); }, nullptr, nullptr},
    {spParity, "Parity.Check", [](P p) { return YesNoText(p.Parity().Check()); },
     [](P p, S v) { p.Parity().SetCheck(YesNoValue(v)); }, nullptr, nullptr},
    {spParity, "Parity.Replace", [](P p) { return YesNoText(p.Parity().Replace()); },
     [](P p, S v) { p.Parity().SetReplace(YesNoValue(v)); }, nullptr, nullptr},
    {spParity, "Parity.ReplaceChar", [](P p) { return CharText(p.Parity().ReplaceChar()); },
     [](P p, S v) { p.Parity().SetReplaceChar(CharFromText(v)); }, nullptr, nullptr},
    {spBuffer, "Buffer.OutputSize", nullptr, nullptr, [](P p) { return p.Buffer().OutputSize(); },
     [](P p, int32_t v) { p.Buffer().SetOutputSize(v); }},
    {spBuffer, "Buffer.InputSize", nullptr, nullptr, [](P p) { return p.Buffer().InputSize(); },
     [](P p, int32_t v) { p.Buffer().SetInputSize(v); }},
    {spTimeouts, "Timeouts.ReadInterval", nullptr, nullptr,
     [](P p) { return p.Timeouts().ReadInterval(); },
     [](P p, int32_t v) { p.Timeouts().SetReadInterval(v); }},
    {spTimeouts, "Timeouts.ReadTotalConstant", nullptr, nullptr,
     [](P p) { return p.Timeouts().ReadTotalConstant(); },
     [](P p, int32_t v) { p.Timeouts().SetReadTotalConstant(v); }},
    {spTimeouts, "Timeouts.ReadTotalMultiplier", nullptr, nullptr,
     [](P p) { return p.Timeouts().ReadTotalMultiplier(); },
     [](P p, int32_t v) { p.Timeouts().SetReadTotalMultiplier(v); }},
    {spTimeouts, "Timeouts.WriteTotalConstant", nullptr, nullptr,
     [](P p) { return p.Timeouts().WriteTotalConstant(); },
     [](P p, int32_t v) { p.Timeouts().SetWriteTotalConstant(v); }},
    {spTimeouts, "Timeouts.WriteTotalMultiplier", nullptr, nullptr,
     [](P p) { return p.Timeouts().WriteTotalMultiplier(); },
     [](P p, int32_t v) { p.Timeouts().SetWriteTotalMultiplier(v); }},
    {spFlowControl, "FlowControl.ControlRTS",
     [](P p) { return RTSControlText(p.FlowControl().ControlRTS()); },
     [](P p, S v) { p.FlowControl().SetControlRTS(RTSControlFromText(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.ControlDTR",
     [](P p) { return DTRControlText(p.FlowControl().ControlDTR()); },
     [](P p, S v) { p.FlowControl().SetControlDTR(DTRControlFromText(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.DSRSensitivity",
     [](P p) { return YesNoText(p.FlowControl().DSRSensitivity()); },
     [](P p, S v) { p.FlowControl().SetDSRSensitivity(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.OutCTSFlow",
     [](P p) { return YesNoText(p.FlowControl().OutCTSFlow()); },
     [](P p, S v) { p.FlowControl().SetOutCTSFlow(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.OutDSRFlow",
     [](P p) { return YesNoText(p.FlowControl().OutDSRFlow()); },
     [](P p, S v) { p.FlowControl().SetOutDSRFlow(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.TxContinueOnXoff",
     [](P p) { return YesNoText(p.FlowControl().TxContinueOnXoff()); },
     [](P p, S v) { p.FlowControl().SetTxContinueOnXoff(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.XonXoffIn",
     [](P p) { return YesNoText(p.FlowControl().XonXoffIn()); },
     [](P p, S v) { p.FlowControl().SetXonXoffIn(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.XonXoffOut",
     [](P p) { return YesNoText(p.FlowControl().XonXoffOut()); },
     [](P p, S v) { p.FlowControl().SetXonXoffOut(YesNoValue(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.XoffChar",
     [](P p) { return CharText(p.FlowControl().XoffChar()); },
     [](P p, S v) { p.FlowControl().SetXoffChar(CharFromText(v)); }, nullptr, nullptr},
    {spFlowControl, "FlowControl.XonChar", [](P p) { return CharText(p.FlowControl().XonChar()); },
     [](P p, S v) { p.FlowControl().SetXonChar(CharFromText(v)); }, nullptr, nullptr},
};

constexpr TStoredProp kGroupOrder[] = {spBasic,  spOthers,   spParity,
                                       spBuffer, spTimeouts, spFlowControl};

// CustomBaudRate is kept only for a custom speed, and loads as 9600 when missing.
bool IsCustomBaudRate(const TSetting& Setting) {
    return std::string(Setting.Key) == "CustomBaudRate";
}
constexpr int32_t kCustomBaudRateDefault = 9600;

// Visits the settings of the stored groups in their order. Whether CustomBaudRate is kept is
// decided when its turn comes, after BaudRate was loaded.
template <typename Visit>
void ForEachStored(TCustomComPort& Port, Visit visit) {
    for (TStoredProp group : kGroupOrder) {
        if (!Port.StoredProps().Contains(group)) {
            continue;
        }
        for (const TSetting& setting : kSettings) {
            if (setting.Group == group &&
                (!IsCustomBaudRate(setting) || Port.BaudRate() == brCustom)) {
                visit(setting);
            }
        }
    }
}

}  // namespace

// Where the settings go: an INI section or a registry key.
struct TComSettingsStore {
    virtual ~TComSettingsStore() = default;
    virtual void WriteString(const std::string& Key, const std::string& Value) = 0;
    virtual void WriteInteger(const std::string& Key, int32_t Value) = 0;
    virtual std::string ReadString(const std::string& Key, const std::string& Default) = 0;
    virtual int32_t ReadInteger(const std::string& Key, int32_t Default) = 0;
};

namespace {

// The INI section named after the port. A missing key gives the default.
class TIniStore : public TComSettingsStore {
public:
    TIniStore(const platform::TIniFile& Ini, platform::TIniFile* Writable, std::string Section)
        : FIni(Ini), FWritable(Writable), FSection(std::move(Section)) {}
    void WriteString(const std::string& Key, const std::string& Value) override {
        FWritable->WriteString(FSection, Key, Value);
    }
    void WriteInteger(const std::string& Key, int32_t Value) override {
        FWritable->WriteInteger(FSection, Key, Value);
    }
    std::string ReadString(const std::string& Key, const std::string& Default) override {
        return FIni.ReadString(FSection, Key, Default);
    }
    int32_t ReadInteger(const std::string& Key, int32_t Default) override {
        return FIni.ReadInteger(FSection, Key, Default);
    }

private:
    const platform::TIniFile& FIni;
    platform::TIniFile* FWritable;
    std::string FSection;
};

// The values of a registry key. A missing text reads as empty; a missing number is an error.
class TRegistryStore : public TComSettingsStore {
public:
    TRegistryStore(const platform::RegKey& Key, platform::RegKey* Writable)
        : FKey(Key), FWritable(Writable) {}
    void WriteString(const std::string& Key, const std::string& Value) override {
        FWritable->SetValue(Key, Value);
    }
    void WriteInteger(const std::string& Key, int32_t Value) override {
        FWritable->SetValue(Key, Value);
    }
    std::string ReadString(const std::string& Key, const std::string&) override {
        return FKey.StringValue(Key).value_or("");
    }
    int32_t ReadInteger(const std::string& Key, int32_t) override {
        if (std::optional<int32_t> value = FKey.IntegerValue(Key)) {
            return *value;
        }
        throw std::runtime_error("Missing integer registry value \"" + Key + "\"");
    }

private:
    const platform::RegKey& FKey;
    platform::RegKey* FWritable;
};

}  // namespace

void TCustomComPort::SaveToIniFile(platform::TIniFile& IniFile) {
    TIniStore store(IniFile, &IniFile, FName);
    SaveSettings(store);
}

void TCustomComPort::LoadFromIniFile(const platform::TIniFile& IniFile) {
    TIniStore store(IniFile, nullptr, FName);
    LoadSettings(store);
}

void TCustomComPort::SaveToRegistry(platform::RegKey& Reg) {
    TRegistryStore store(Reg, &Reg);
    SaveSettings(store);
}

void TCustomComPort::LoadFromRegistry(const platform::RegKey& Reg) {
    TRegistryStore store(Reg, nullptr);
    LoadSettings(store);
}

void TCustomComPort::SaveSettings(TComSettingsStore& Store) {
    ForEachStored(*this, [&](const TSetting& setting) {
        if (setting.GetText != nullptr) {
            Store.WriteString(setting.Key, setting.GetText(*this));
        } else {
            Store.WriteInteger(setting.Key, setting.GetNumber(*this));
        }
    });
}

void TCustomComPort::LoadSettings(TComSettingsStore& Store) {
    ForEachStored(*this, [&](const TSetting& setting) {
        if (setting.GetText != nullptr) {
            setting.SetText(*this, Store.ReadString(setting.Key, setting.GetText(*this)));
        } else {
            const int32_t present =
                IsCustomBaudRate(setting) ? kCustomBaudRateDefault : setting.GetNumber(*this);
            setting.SetNumber(*this, Store.ReadInteger(setting.Key, present));
        }
    });
}
