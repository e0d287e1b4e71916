#include "StrResUnit.h"

#include <array>
#include <filesystem>

#include "CodePage.h"
#include "ConstUnit_Program.h"
#include "IniFile.h"

namespace {

struct TLngMessage {
    const char* Key;
    std::string TLngMessages::*Text;
    const char* BuiltIn;  // UTF-8
};

// In the order the keys are read, which is also the order missing keys are appended in.
const TLngMessage kMessages[] = {
    {"S_PRNFatalError", &TLngMessages::S_PRNFatalError,
     "Няма връзка или повреда във фискалния принтер!"},
    {"S_StoppedByUser", &TLngMessages::S_StoppedByUser, "Спрян от потребителя"},
    {"S_ConfirmToShutdown", &TLngMessages::S_ConfirmToShutdown,
     "Потвърдете за изход от програмата."},
    {"S_PRNInfo", &TLngMessages::S_PRNInfo, "Информация за устройството."},
    {"S_ActiveTaskName", &TLngMessages::S_ActiveTaskName, "Активна задача."},
    {"S_Programmed", &TLngMessages::S_Programmed, "Въведен"},
    {"S_DepTaxGrp", &TLngMessages::S_DepTaxGrp, "Дан.гр."},
    {"S_DeDescr", &TLngMessages::S_DeDescr, "Описание"},
    {"S_DepNom", &TLngMessages::S_DepNom, "Номер"},
    {"S_DepName", &TLngMessages::S_DepName, "Име"},
    {"S_CheckPrinter", &TLngMessages::S_CheckPrinter,
     "Моля проверете принтера и свързването му с компютъра."},
    {"S_FinishedOK", &TLngMessages::S_FinishedOK, "Изпълнението на задачата приключи успешно."},
    {"S_ErrorOccurred", &TLngMessages::S_ErrorOccurred,
     "Възникна грешка при изпълнение на операцията."},
    {"S_ActiveTask", &TLngMessages::S_ActiveTask, "Моля, изчакайте да завърши текущата задача."},
    {"S_TotalFiles", &TLngMessages::S_TotalFiles, "Брой обработени файлове"},
    {"S_NoActiveTask", &TLngMessages::S_NoActiveTask, "Няма активна задача"},
    {"S_InvalidTCPPort", &TLngMessages::S_InvalidTCPPort, "Невалиден IP порт"},
    {"S_InvalidIPAddres", &TLngMessages::S_InvalidIPAddres, "Невалиден IP адрес"},
    {"S_EmptyFileBonExt", &TLngMessages::S_EmptyFileBonExt, "Невалидно разширение за БОН файлове."},
    {"S_CantTestBonFolder", &TLngMessages::S_CantTestBonFolder,
     "В избраната папка, програмата няма достъп за запис/четене. "},
    {"S_EmptyBONPath", &TLngMessages::S_EmptyBONPath, "Моля, въведете валиден път към папка BON. "},
    {"S_PrnNotFound", &TLngMessages::S_PrnNotFound, "ФУ с въведения сериен номер не е открит."},
    {"S_InvalidDigit", &TLngMessages::S_InvalidDigit, "Невалидно число"},
    {"S_OverRange", &TLngMessages::S_OverRange, "Стойността е извън допустимите граници"},
    {"S_PayTypeInFile", &TLngMessages::S_PayTypeInFile, "Тип плащане от файл"},
    {"S_PayTypeReplace", &TLngMessages::S_PayTypeReplace, "Да се подмени на"},
    {"S_InvalidValue", &TLngMessages::S_InvalidValue, "Въведена е невалидна стойност."},
    {"S_PayType1CantChange", &TLngMessages::S_PayType1CantChange,
     "Не може да се подмени плащане тип 1"},
    {"Cm_Please_Wait", &TLngMessages::Cm_Please_Wait, "Моля, изчакайте"},
    {"S_TestOK", &TLngMessages::S_TestOK, "Успешен тест на фискалния притера."},
    {"S_TestFail", &TLngMessages::S_TestFail, "Не успешен тест на фискалния притера."},
    {"S_ConnectionTest", &TLngMessages::S_ConnectionTest, "Комуникационен тест"},
    {"S_DirNotFound", &TLngMessages::S_DirNotFound, "Не е открита папка"},
    {"S_BONFolderReadWrite", &TLngMessages::S_BONFolderReadWrite,
     "Моля, посочете папка с пълен достъп."},
    {"S_ComPortsNotFound", &TLngMessages::S_ComPortsNotFound,
     "Не са открити комуникационни портове."},
    {"S_SelectComPorts", &TLngMessages::S_SelectComPorts, "Изберете комуникационен порт."},
    {"S_FailedProcFiles", &TLngMessages::S_FailedProcFiles, "Грешка при обработка на файл."},
    {"S_ProcessFiles", &TLngMessages::S_ProcessFiles, "Обработка на файл"},
    {"S_FoundDevice", &TLngMessages::S_FoundDevice, "Намерено е устройство"},
    {"S_NotFoundSerial", &TLngMessages::S_NotFoundSerial, "Търсения сериен номер не е намерен."},
    {"S_UsingDev", &TLngMessages::S_UsingDev, "Ще се ползва първото открито устройство"},
    {"S_NoDevicesFound", &TLngMessages::S_NoDevicesFound, "Не са открити устройства."},
    {"S_ValidChkPrnInt", &TLngMessages::S_ValidChkPrnInt, "трябва да е по-голям от"},
    {"S_SumINCapt", &TLngMessages::S_SumINCapt, "Служебно въвеждане "},
    {"S_SumOUTCapt", &TLngMessages::S_SumOUTCapt, "Служебно извеждане "},
    {"S_SumInOutPromt", &TLngMessages::S_SumInOutPromt, "Моля, въведете сума "},
    {"S_COMServerNotExist", &TLngMessages::S_COMServerNotExist,
     "COM сървърът не открит или не е регистран в системата."},
    {"S_ReinstallProg", &TLngMessages::S_ReinstallProg, "Моля инсталирайте програмата отново."},
    {"S_HintOK", &TLngMessages::S_HintOK, "Драйвер за фискален принтер"},
    {"S_Error", &TLngMessages::S_Error, "Грешка"},
    {"S_UnsettledFile", &TLngMessages::S_UnsettledFile,
     "Файл с бон все още се уточнява с принтера. Моля, опитайте отново след малко."},
};

TLngMessages BuiltInMessages() {
    TLngMessages messages;
    for (const TLngMessage& m : kMessages) {
        messages.*m.Text = platform::Utf8ToAnsi(m.BuiltIn);
    }
    return messages;
}

bool FileExists(const std::string& FileName) {
    std::error_code ec;
    return std::filesystem::is_regular_file(FileName, ec);
}

// The language file belongs to the translator: a file we may not write still translates.
void WriteLngValue(platform::TIniFile& File, const std::string& Section, const std::string& Key,
                   const std::string& Text) {
    try {
        File.WriteString(Section, Key, EncodeLngText(Text));
    } catch (const platform::EIniFileException&) {
    }
}

// Caption and hint rule: a non-empty stored text replaces the current one; otherwise a
// non-empty current text is stored for the translator.
void TranslateText(platform::TIniFile& File, const std::string& Section, const std::string& Key,
                   std::string& Text, bool WriteBack = true) {
    const std::string stored = DecodeLngText(File.ReadString(Section, Key, ""));
    if (!stored.empty()) {
        Text = stored;
    } else if (!Text.empty() && WriteBack) {
        WriteLngValue(File, Section, Key, Text);
    }
}

void TranslateList(platform::TIniFile& File, const std::string& Section, const std::string& Key,
                   std::vector<std::string>& Items) {
    for (size_t i = 0; i < Items.size(); ++i) {
        ReadLngString(File, Section, Key + std::to_string(i), Items[i]);
    }
}

const std::array<const char*, 19> kTranslateSkipList = {
    "lblModelName",
    "MainForm",
    "lblLastTaskName",
    "lblLastTaskResult",
    "lblCurrentTaskName",
    "lbCurrentStatus",
    "lblComError",
    "lblFMNom",
    "pConn",
    "lblSerialNo",
    "lblLastDoc",
    "lblNextInvNo",
    "lblColumnCount",
    "cmbComPorts",
    "cmbBaudRate",
    "shTCP",
    "lblVerCOM",
    "lblProgName",
    "LabelWeb",
};

}  // namespace

TLngMessages& LngMessages() {
    static TLngMessages messages = BuiltInMessages();
    return messages;
}

void ResetLngMessages() {
    LngMessages() = BuiltInMessages();
}

std::string EncodeLngText(const std::string& Text) {
    std::string value;
    value.reserve(Text.size());
    for (char c : Text) {
        if (c == '\r') {
            value += '|';
        } else if (c != '\n') {
            value += c;
        }
    }
    return value;
}

std::string DecodeLngText(const std::string& Value) {
    std::string text;
    text.reserve(Value.size());
    for (char c : Value) {
        if (c == '|') {
            text += "\r\n";
        } else {
            text += c;
        }
    }
    return text;
}

void ReadLngString(platform::TIniFile& File, const std::string& Section, const std::string& Key,
                   std::string& Text) {
    const std::string stored = DecodeLngText(File.ReadString(Section, Key, ""));
    if (!stored.empty()) {
        Text = stored;
    } else {
        WriteLngValue(File, Section, Key, Text);
    }
}

bool LoadLngMessages(const std::string& FileName) {
    if (!FileExists(FileName)) {
        return false;
    }
    platform::TIniFile file(FileName);
    TLngMessages& messages = LngMessages();
    for (const TLngMessage& m : kMessages) {
        ReadLngString(file, "Messages", m.Key, messages.*m.Text);
    }
    return true;
}

bool InTranslateSkipList(const std::string& Name) {
    for (const char* skipped : kTranslateSkipList) {
        if (SameText(Name, skipped)) {
            return true;
        }
    }
    return false;
}

void TranslateComponent(platform::TIniFile& File, const std::string& Section,
                        TComponentDesc& Component) {
    if (InTranslateSkipList(Component.Name)) {
        return;
    }
    const std::string& name = Component.Name;
    const std::string hintKey = name + ".Hint";
    switch (Component.Kind) {
        case TComponentKind::Form:
            TranslateText(File, Section, name, Component.Caption);
            return;
        case TComponentKind::Label:
        case TComponentKind::GroupBox:
        case TComponentKind::Button:
        case TComponentKind::SpeedButton:
        case TComponentKind::CheckBox:
        case TComponentKind::RadioButton:
        case TComponentKind::RxSpeedButton:
            TranslateText(File, Section, name, Component.Caption);
            break;
        case TComponentKind::Panel:
        case TComponentKind::TabSheet:
            if (!Component.Caption.empty()) {
                TranslateText(File, Section, name, Component.Caption);
            }
            break;
        case TComponentKind::MenuItem:
            // A separator's "-" is no text to translate.
            TranslateText(File, Section, name, Component.Caption, Component.Caption != "-");
            TranslateText(File, Section, hintKey, Component.Hint);
            return;
        case TComponentKind::ComboBox:
            TranslateList(File, Section, name + ".Itm", Component.Items);
            break;
        case TComponentKind::RxDBGrid:
            TranslateList(File, Section, name + ".Col", Component.Items);
            break;
        case TComponentKind::RxSpinButton:
        case TComponentKind::Edit:
            break;
        case TComponentKind::Other:
            return;
    }
    if (Component.ShowHint) {
        TranslateText(File, Section, hintKey, Component.Hint);
    }
}

bool TranslateForm(const std::string& FileName, TFormDesc& Form) {
    if (!FileExists(FileName)) {
        return false;
    }
    platform::TIniFile file(FileName);
    const std::string section = Form.Form.Name;
    TranslateComponent(file, section, Form.Form);
    for (TComponentDesc& component : Form.Components) {
        TranslateComponent(file, section, component);
    }
    return true;
}

bool TranslateFormFromAppLng(TFormDesc& Form) {
    return TranslateForm(AppLngFileName(), Form);
}
