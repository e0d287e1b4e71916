// Text forms, the settings objects and their persistence.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeCommApi.h"
#include "IniFile.h"
#include "MyCPort.h"
#include "Registry.h"

namespace {

TEST(ComPortText, FormsAndTheirDefaults) {
    EXPECT_EQ(BaudRateText(br115200), "115200");
    EXPECT_EQ(BaudRateText(brCustom), "Custom");
    EXPECT_EQ(StopBitsText(sbOne5StopBits), "1.5");
    EXPECT_EQ(ParityText(prSpace), "Space");
    EXPECT_EQ(FlowControlText(fcNone), "None");
    EXPECT_EQ(DTRControlText(dtrHandshake), "Handshake");
    EXPECT_EQ(RTSControlText(rtsToggle), "Toggle");
    EXPECT_EQ(DataBitsText(dbSeven), "7");

    EXPECT_EQ(BaudRateFromText("9600"), br9600);
    EXPECT_EQ(BaudRateFromText("custom"), brCustom);
    EXPECT_EQ(BaudRateFromText("4000"), br9600);
    EXPECT_EQ(BaudRateFromText("256000"), br256000);
    EXPECT_EQ(StopBitsFromText("1.5"), sbOne5StopBits);
    EXPECT_EQ(StopBitsFromText(" 2"), sbOneStopBit);  // no trimming
    EXPECT_EQ(DataBitsFromText("x"), dbEight);
    EXPECT_EQ(ParityFromText("mark"), prMark);
    EXPECT_EQ(FlowControlFromText("nonsense"), fcCustom);
    EXPECT_EQ(DTRControlFromText("ENABLE"), dtrEnable);
    EXPECT_EQ(RTSControlFromText(""), rtsDisable);

    EXPECT_EQ(YesNoText(true), "Yes");
    EXPECT_TRUE(YesNoValue("yes"));
    EXPECT_FALSE(YesNoValue("Y"));
    EXPECT_EQ(CharText(13), "#13");
    EXPECT_EQ(CharText(' '), "#32");
    EXPECT_EQ(CharText('A'), "A");
    EXPECT_EQ(CharFromText("#13"), 13);
    EXPECT_EQ(CharFromText("#x"), 0);
    EXPECT_EQ(CharFromText("#"), '#');
    EXPECT_EQ(CharFromText("#321"), 321 & 0xFF);
    EXPECT_EQ(CharFromText(""), 0);
    EXPECT_EQ(CharFromText("Xy"), 'X');
}

TEST(ComPortText, EventMasksBitForBit) {
    EXPECT_EQ(ComEventsToMask(kAllComEvents), 0x5FFu);
    EXPECT_EQ(ComEventsToMask({evRxChar, evRing, evRx80Full}), 0x501u);
    EXPECT_EQ(MaskToComEvents(0x88), (TComEvents{evCTS, evError}));
    EXPECT_EQ(MaskToComEvents(0), TComEvents{});
}

TEST(ComPortSettings, BufferSizesAndFlowPresets) {
    TComBuffer buffer;
    buffer.SetInputSize(4097);
    EXPECT_EQ(buffer.InputSize(), 4096);
    buffer.SetOutputSize(-3);
    EXPECT_EQ(buffer.OutputSize(), -3);

    TComFlowControl flow;
    EXPECT_EQ(flow.FlowControl(), fcNone);
    flow.SetFlowControl(fcHardware);
    EXPECT_EQ(flow.FlowControl(), fcHardware);
    flow.SetXonXoffIn(true);
    EXPECT_EQ(flow.FlowControl(), fcCustom);
    flow.SetControlDTR(dtrEnable);
    flow.SetFlowControl(fcSoftware);
    EXPECT_EQ(flow.FlowControl(), fcSoftware);
    EXPECT_EQ(flow.ControlDTR(), dtrEnable);  // presets leave DTR alone
    flow.SetFlowControl(fcCustom);
    EXPECT_EQ(flow.FlowControl(), fcSoftware);
}

TEST(ComPortSettings, AssigningCopiesThenAppliesOnce) {
    platform::FakeCommApi line;
    platform::ScopedCommApi useLine(line);
    TComPort port;
    port.SetEvents({});
    port.Open();
    TComTimeouts timeouts;
    timeouts.SetReadInterval(50);
    timeouts.SetWriteTotalConstant(7);
    port.SetTimeouts(timeouts);
    EXPECT_EQ(port.Timeouts().ReadInterval(), 50);
    EXPECT_EQ(port.Timeouts().ComPort(), &port);
    ASSERT_EQ(line.CommTimeouts().size(), 2u);
    EXPECT_EQ(line.CommTimeouts()[1].WriteTotalTimeoutConstant, 7u);
}

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/kalvora-comport-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

TEST(ComPortPersistence, IniRoundTripOfEveryGroup) {
    TempFolder folder;
    platform::TIniFile ini(folder.File("port.ini"));
    TComPort saved;
    saved.SetName("ComPort1");
    saved.SetStoredProps({spBasic, spFlowControl, spBuffer, spTimeouts, spParity, spOthers});
    saved.SetPort("COM4");
    saved.SetCustomBaudRate(4000);
    saved.SetBaudRate(brCustom);
    saved.SetStopBits(sbTwoStopBits);
    saved.Parity().SetBits(prEven);
    saved.Parity().SetReplaceChar(' ');
    saved.SetEventChar(13);
    saved.Buffer().SetOutputSize(2048);
    saved.Timeouts().SetReadInterval(50);
    saved.FlowControl().SetFlowControl(fcHardware);
    saved.FlowControl().SetXoffChar('S');
    saved.SaveToIniFile(ini);

    EXPECT_EQ(ini.ReadSection("ComPort1"),
              (std::vector<std::string>{"Port",
                                        "BaudRate",
                                        "CustomBaudRate",
                                        "StopBits",
                                        "DataBits",
                                        "Parity",
                                        "FlowControl",
                                        "EventChar",
                                        "DiscardNull",
                                        "Parity.Check",
                                        "Parity.Replace",
                                        "Parity.ReplaceChar",
                                        "Buffer.OutputSize",
                                        "Buffer.InputSize",
                                        "Timeouts.ReadInterval",
                                        "Timeouts.ReadTotalConstant",
                                        "Timeouts.ReadTotalMultiplier",
                                        "Timeouts.WriteTotalConstant",
                                        "Timeouts.WriteTotalMultiplier",
                                        "FlowControl.ControlRTS",
                                        "FlowControl.ControlDTR",
                                        "FlowControl.DSRSensitivity",
                                        "FlowControl.OutCTSFlow",
                                        "FlowControl.OutDSRFlow",
                                        "FlowControl.TxContinueOnXoff",
                                        "FlowControl.XonXoffIn",
                                        "FlowControl.XonXoffOut",
                                        "FlowControl.XoffChar",
                                        "FlowControl.XonChar"}));
    EXPECT_EQ(ini.ReadString("ComPort1", "BaudRate", ""), "Custom");
    EXPECT_EQ(ini.ReadString("ComPort1", "EventChar", ""), "#13");
    EXPECT_EQ(ini.ReadString("ComPort1", "Parity.ReplaceChar", ""), "#32");
    EXPECT_EQ(ini.ReadString("ComPort1", "FlowControl.ControlRTS", ""), "Handshake");

    TComPort loaded;
    loaded.SetName("comport1");
    loaded.SetStoredProps(saved.StoredProps());
    loaded.LoadFromIniFile(ini);
    EXPECT_EQ(loaded.Port(), "COM4");
    EXPECT_EQ(loaded.BaudRate(), brCustom);
    EXPECT_EQ(loaded.CustomBaudRate(), 4000);
    EXPECT_EQ(loaded.StopBits(), sbTwoStopBits);
    EXPECT_EQ(loaded.Parity().Bits(), prEven);
    EXPECT_EQ(loaded.Parity().ReplaceChar(), ' ');
    EXPECT_EQ(loaded.EventChar(), 13);
    EXPECT_EQ(loaded.Buffer().OutputSize(), 2048);
    EXPECT_EQ(loaded.Timeouts().ReadInterval(), 50);
    EXPECT_EQ(loaded.FlowControl().FlowControl(), fcHardware);
    EXPECT_EQ(loaded.FlowControl().XoffChar(), 'S');

    // Without its section, nothing changes.
    TComPort untouched;
    untouched.SetName("Other");
    untouched.SetStoredProps(saved.StoredProps());
    untouched.SetPort("COM2");
    untouched.LoadFromIniFile(ini);
    EXPECT_EQ(untouched.Port(), "COM2");
    EXPECT_EQ(untouched.BaudRate(), br9600);
    EXPECT_EQ(untouched.Timeouts().ReadInterval(), -1);
}

TEST(ComPortPersistence, RegistryKeyRoundTripAndAMissingNumber) {
    platform::RegKey key("Port");
    TComPort saved;
    saved.SetStoredProps({spBasic, spBuffer});
    saved.SetPort("COM5");
    saved.SetBaudRate(br57600);
    saved.Buffer().SetInputSize(4096);
    saved.SaveToRegistry(key);
    EXPECT_EQ(key.StringValue("BaudRate"), "57600");
    EXPECT_FALSE(key.Value("CustomBaudRate"));
    EXPECT_EQ(key.IntegerValue("Buffer.InputSize"), 4096);

    TComPort loaded;
    loaded.SetStoredProps({spBasic, spBuffer});
    loaded.LoadFromRegistry(key);
    EXPECT_EQ(loaded.Port(), "COM5");
    EXPECT_EQ(loaded.BaudRate(), br57600);
    EXPECT_EQ(loaded.Buffer().InputSize(), 4096);

    key.DeleteValue("Buffer.InputSize");
    key.DeleteValue("StopBits");
    TComPort partial;
    partial.SetStoredProps({spBasic, spBuffer});
    partial.SetStopBits(sbTwoStopBits);
    EXPECT_THROW(partial.LoadFromRegistry(key), std::runtime_error);
    EXPECT_EQ(partial.StopBits(), sbOneStopBit);  // a missing text gives the default
}

}  // namespace
