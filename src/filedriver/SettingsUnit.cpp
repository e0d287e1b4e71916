#include "SettingsUnit.h"

#include <algorithm>

#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "EnumPorts.h"
#include "IniFile.h"

namespace {

const char* const kFiles = "Files";
const char* const kConnectionRS = "Connection-RS";
const char* const kConnectionIP = "Connection-IP";
const char* const kOther = "OTHER";
const char* const kPayTypes = "PAYTYPES";

std::string PayNoKey(int N) {
    return "PayNo_" + std::to_string(N);
}

// These two keys are offered to the user in the file and never written by the program again.
void CreateWhenMissing(platform::TIniFile& ini, const char* Ident, const char* Value) {
    if (ini.ValueExists(kOther, Ident)) {
        return;
    }
    try {
        ini.WriteString(kOther, Ident, Value);
    } catch (const platform::EIniFileException&) {
        // Loading goes on from a file we may only read.
    }
}

}  // namespace

void AppendFolderDelimiter(std::string& Folder) {
    if (!Trim(Folder).empty() && Folder.back() != '/') {
        Folder += '/';
    }
}

void LoadSettings(const std::string& FileName) {
    platform::TIniFile ini(FileName);
    TSettings& s = Settings();
    s.BonFolder = ini.ReadString(kFiles, "folder", s.BonFolder);
    s.FileExt = ini.ReadString(kFiles, "file_ext", "bon");
    s.ComPort = ini.ReadString(kConnectionRS, "comport", "COM1");
    s.BaudRate = ini.ReadInteger(kConnectionRS, "baudrate", 115200);
    s.DevicesToWorkWith = ini.ReadString(kConnectionRS, "devices_to_workwith", "");
    s.AutoSearch = ini.ReadBool(kConnectionRS, "autosearch", false);
    s.IPAddress = ini.ReadString(kConnectionIP, "ip_address", "");
    s.TCPPort = ini.ReadInteger(kConnectionIP, "tcp_port", 0);
    s.LogFolder = ini.ReadString(kOther, "log_folder", s.LogFolder);
    s.LogEnabled = ini.ReadBool(kOther, "log_enabled", true);
    s.UseTCP = ini.ReadBool(kOther, "use_tcp", false);
    s.CheckPrnInterval = ini.ReadInteger(kOther, "check_prn_interval", 20);
    s.CashierPass = ini.ReadString(kOther, "cashier_pass", "");
    s.SellByDepartNo = ini.ReadBool(kOther, "sell_by_departno", false);
    CreateWhenMissing(ini, "ax_logdir", "");
    CreateWhenMissing(ini, "errtext_in_errfile", "0");
    s.ErrTextInErrFile = ini.ReadBool(kOther, "errtext_in_errfile", false);
    s.AxLogDir = ini.ReadString(kOther, "ax_logdir", "");
    AppendFolderDelimiter(s.LogFolder);
    AppendFolderDelimiter(s.BonFolder);
    AppendFolderDelimiter(s.AxLogDir);
    if (ini.SectionExists(kPayTypes)) {
        for (int n = 1; n <= PayTypeCount; ++n) {
            const int32_t to = ini.ReadInteger(kPayTypes, PayNoKey(n), 0);
            if (to > 0) {
                s.PayTypeMap[n - 1] = {n, to};
            }
        }
    }
}

void SaveSettings(const std::string& FileName) {
    platform::TIniFile ini(FileName);
    const TSettings& s = Settings();
    ini.WriteString(kFiles, "folder", s.BonFolder);
    ini.WriteString(kFiles, "file_ext", s.FileExt);
    ini.WriteString(kConnectionRS, "comport", s.ComPort);
    ini.WriteInteger(kConnectionRS, "baudrate", s.BaudRate);
    ini.WriteString(kConnectionRS, "devices_to_workwith", s.DevicesToWorkWith);
    ini.WriteBool(kConnectionRS, "autosearch", s.AutoSearch);
    ini.WriteString(kConnectionIP, "ip_address", s.IPAddress);
    ini.WriteInteger(kConnectionIP, "tcp_port", s.TCPPort);
    ini.WriteString(kOther, "log_folder", s.LogFolder);
    ini.WriteBool(kOther, "log_enabled", s.LogEnabled);
    ini.WriteBool(kOther, "use_tcp", s.UseTCP);
    ini.WriteInteger(kOther, "check_prn_interval", s.CheckPrnInterval);
    ini.WriteString(kOther, "cashier_pass", s.CashierPass);
    ini.WriteBool(kOther, "sell_by_departno", s.SellByDepartNo);
    for (int n = 1; n <= PayTypeCount; ++n) {
        ini.WriteInteger(kPayTypes, PayNoKey(n), s.PayTypeMap[n - 1].ToType);
    }
}

void EnumComPorts(std::vector<std::string>& Items) {
    Items = EnumSerialPorts();
    std::sort(Items.begin(), Items.end(),
              [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
}
