#pragma once

#include <string>
#include <vector>

namespace platform {
class TIniFile;
}

// The message texts that the program shows, under their language-file keys. They hold the
// built-in (Bulgarian) texts in the ANSI code page until LoadLngMessages replaces them.
struct TLngMessages {
    std::string S_PRNFatalError;
    std::string S_StoppedByUser;
    std::string S_ConfirmToShutdown;
    std::string S_PRNInfo;
    std::string S_ActiveTaskName;
    std::string S_Programmed;
    std::string S_DepTaxGrp;
    std::string S_DeDescr;
    std::string S_DepNom;
    std::string S_DepName;
    std::string S_CheckPrinter;
    std::string S_FinishedOK;
    std::string S_ErrorOccurred;
    std::string S_ActiveTask;
    std::string S_TotalFiles;
    std::string S_NoActiveTask;
    std::string S_InvalidTCPPort;
    std::string S_InvalidIPAddres;
    std::string S_EmptyFileBonExt;
    std::string S_CantTestBonFolder;
    std::string S_EmptyBONPath;
    std::string S_PrnNotFound;
    std::string S_InvalidDigit;
    std::string S_OverRange;
    std::string S_PayTypeInFile;
    std::string S_PayTypeReplace;
    std::string S_InvalidValue;
    std::string S_PayType1CantChange;
    std::string Cm_Please_Wait;
    std::string S_TestOK;
    std::string S_TestFail;
    std::string S_ConnectionTest;
    std::string S_DirNotFound;
    std::string S_BONFolderReadWrite;
    std::string S_ComPortsNotFound;
    std::string S_SelectComPorts;
    std::string S_FailedProcFiles;
    std::string S_ProcessFiles;
    std::string S_FoundDevice;
    std::string S_NotFoundSerial;
    std::string S_UsingDev;
    std::string S_NoDevicesFound;
    std::string S_ValidChkPrnInt;
    std::string S_SumINCapt;
    std::string S_SumOUTCapt;
    std::string S_SumInOutPromt;
    std::string S_COMServerNotExist;
    std::string S_ReinstallProg;
    std::string S_HintOK;
    std::string S_Error;
    std::string S_UnsettledFile;
};

// The process-wide message texts.
TLngMessages& LngMessages();
// Puts the built-in texts back, as at program start.
void ResetLngMessages();

// A stored value cannot hold a line break: CR is kept as "|" and LF is dropped.
std::string EncodeLngText(const std::string& Text);
std::string DecodeLngText(const std::string& Value);

// Reads Section/Key; a non-empty value replaces Text, otherwise Text is written under the key.
void ReadLngString(platform::TIniFile& File, const std::string& Section, const std::string& Key,
                   std::string& Text);

// False, with nothing changed, when the file does not exist; otherwise reads every message key
// of section "Messages", appending the missing ones in table order.
bool LoadLngMessages(const std::string& FileName);

// What translation needs to know of a form's component; the forms describe their widgets this
// way and take the texts back after translation.
enum class TComponentKind {
    Form,
    Label,
    GroupBox,
    Button,
    SpeedButton,
    CheckBox,
    RadioButton,
    RxSpeedButton,
    Panel,
    TabSheet,
    MenuItem,
    ComboBox,
    RxDBGrid,
    RxSpinButton,
    Edit,
    Other,
};

struct TComponentDesc {
    std::string Name;
    TComponentKind Kind = TComponentKind::Other;
    std::string Caption;
    std::string Hint;
    bool ShowHint = false;
    // A combo box's items or a grid's column titles.
    std::vector<std::string> Items;
};

struct TFormDesc {
    TComponentDesc Form;  // Name is the form's component name, Caption its title
    std::vector<TComponentDesc> Components;
};

// Components whose texts the program writes at run time.
bool InTranslateSkipList(const std::string& Name);

void TranslateComponent(platform::TIniFile& File, const std::string& Section,
                        TComponentDesc& Component);
// False when the file does not exist; otherwise translates the form and then its components, in
// order, all from the section named after the form.
bool TranslateForm(const std::string& FileName, TFormDesc& Form);
// The same with the program's language file.
bool TranslateFormFromAppLng(TFormDesc& Form);
