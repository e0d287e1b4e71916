// The main window's start-up, close, exception hook and log.
#include <cxxabi.h>
#include <dlfcn.h>
#include <strings.h>

#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <typeinfo>

#include "ConstUnit_Program.h"
#include "FPAxUnit_Work.h"
#include "FormText.h"
#include "FormTranslation.h"
#include "IniFile.h"
#include "MainUnit.h"
#include "SettingsUnit.h"
#include "StrResUnit.h"

namespace {

const char* const kDriverFile = "Kalvora.so";

bool ContainsText(const std::vector<std::string>& List, const std::string& Text) {
    for (const std::string& item : List) {
        if (::strcasecmp(item.c_str(), Text.c_str()) == 0) {
            return true;
        }
    }
    return false;
}

// The class name of an exception as the user may report it.
QString ClassName(const std::exception& E) {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(E).name(), nullptr, nullptr, &status);
    const QString result = QString::fromLatin1(status == 0 ? name : typeid(E).name());
    std::free(name);
    return result;
}

}  // namespace

void TMainForm::FormActivate() {
    if (!FFirstActivate || FActivating || FClosed) {
        return;
    }
    FActivating = true;
    const TLngMessages& m = LngMessages();
    LoadSettings();
    LoadLngMessages(LngFileName());
    TranslateQtForm(LngFileName(), this);

    if (!CheckOleServer() && !RegisterOleServer()) {
        ErrorBox(FromAnsi(m.S_COMServerNotExist) + "\n" + FromAnsi(m.S_ReinstallProg));
        FActivating = false;
        close();
        return;
    }

    try {
        FPrinter = FServices.CreatePrinter ? FServices.CreatePrinter() : nullptr;
        if (FPrinter) {
            FPrinter->SetOnMessage([this](const std::string& Text) { DriverLog(Text); });
        }
    } catch (const std::exception& e) {
        QMessageBox::information(this, windowTitle(), ClassName(e));
    }

    Log(ExtractFileName(FProgramPath) + " " + GetModuleVersion() + " started!", false);
    Log(std::string(55, '-'), false);
    Log(" ", false);

    TrayIcon->setToolTip(FromAnsi(m.S_HintOK));
    lblCurrentTaskName->setText(FromAnsi(m.S_NoActiveTask));
    lbCurrentStatus->setText(QStringLiteral("-"));

    CheckSettings();

    const TSettings& s = Settings();
    if (FFolderLock.Lock(s.BonFolder) == TFolderLock::TResult::HeldByOther) {
        const std::string text = "Another program works on the receipt folder " + s.BonFolder;
        Log(text, true);
        ErrorBox(FromAnsi(m.S_Error) + "\n" + FromAnsi(text));
        FActivating = false;
        close();
        return;
    }
    DeleteOldWorkFiles(s.BonFolder, 20);
    DeleteOldFiles(s.BonFolder, "*.rep", 20);

    FFirstActivate = false;
    FActivating = false;
    MinimizeToTray();
    FileReadTimer->start();
}

bool TMainForm::CheckOleServer() {
    try {
        if (!FServices.DriverVersion) {
            throw std::runtime_error("the driver object is not built into this program");
        }
        return !FServices.DriverVersion().empty();
    } catch (const std::exception& e) {
        Log(std::string("Check OLE server failed: ") + e.what(), true);
        return false;
    }
}

bool TMainForm::RegisterOleServer() {
    Log("AX is not registred. Trying to register now.", false);
    const std::string& folder = Settings().AppFolder;
    const std::string path = folder + kDriverFile;
    void* library = nullptr;
    bool result = false;
    try {
        if (!std::filesystem::exists(path)) {
            throw EAbort(std::string("AX driver \"") + kDriverFile + "\" not found in " + folder);
        }
        library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr) {
            throw EAbort("Failed load library: " + path);
        }
        using TDllRegisterServer = int32_t (*)();
        auto* registerServer =
            reinterpret_cast<TDllRegisterServer>(::dlsym(library, "DllRegisterServer"));
        if (registerServer == nullptr) {
            throw EAbort("Failed find DllRegisterServer : " + path);
        }
        if (registerServer() < 0) {
            throw EAbort("Failed run DllRegisterServer : " + path);
        }
        Log("AX driver succsesfully registred: " + path, false);
        result = CheckOleServer();
    } catch (const std::exception& e) {
        Log(std::string("Create OLE server fail: ") + e.what(), true);
        result = false;
    }
    if (library != nullptr) {
        ::dlclose(library);
    }
    return result;
}

void TMainForm::CheckSettings() {
    const TSettings& s = Settings();
    const TLngMessages& m = LngMessages();
    QString message;
    if (!std::filesystem::is_directory(s.BonFolder)) {
        message = FromAnsi(m.S_EmptyBONPath) + "\n" + FromAnsi(s.BonFolder);
    } else if (!CanWriteToFolder(s.BonFolder)) {
        message = FromAnsi(m.S_CantTestBonFolder) + "\n" + FromAnsi(m.S_BONFolderReadWrite);
    } else if (!s.UseTCP) {
        const std::vector<std::string> ports =
            FServices.EnumSerialPorts ? FServices.EnumSerialPorts() : std::vector<std::string>{};
        if (!ContainsText(ports, s.ComPort)) {
            message = FromAnsi(m.S_SelectComPorts);
        }
    } else if (!IsValidIP(s.IPAddress)) {
        message = FromAnsi(m.S_InvalidIPAddres);
    }
    if (message.isEmpty()) {
        return;
    }
    ErrorBox(FromAnsi(m.S_Error) + "\n" + message);
    if (FServices.EditSettings && FServices.EditSettings(*this)) {
        SaveSettings();
    }
}

void TMainForm::LoadSettings() {
    ::LoadSettings(IniFileName());
    ShowConnectionInfo();
}

void TMainForm::SaveSettings() {
    ::SaveSettings(IniFileName());
    ShowConnectionInfo();
}

void TMainForm::FormClose() {
    FClosed = true;
    FileReadTimer->stop();
    EndTask();
    HideNotifyHint();
    FPrinter.reset();
    try {
        SaveSettings();
    } catch (const platform::EIniFileException& e) {
        Log(e.what(), true);
    }
    Log("Application closed", false);
    emit Closed();
}

void TMainForm::AppException(QObject* Sender, const std::exception& E) {
    if (Sender != nullptr) {
        Log(std::string("ApplicationException.") + Sender->metaObject()->className() + ". " +
                E.what(),
            false);
    } else {
        Log(std::string("ApplicationException.: ") + E.what(), false);
    }
}

void TMainForm::Log(const std::string& Text, bool IsError) {
    const TSettings& s = Settings();
    if (s.LogEnabled) {
        WriteLogInFolder(Text, s.LogFolder, IsError ? lkError : lkInfo);
    }
}

void TMainForm::DriverLog(const std::string& Text) {
    Log(Text, false);
}
