// The main window's start-up, close, exception hook and log.
#include <cxxabi.h>
#include <dlfcn.h>
#include <strings.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <cstdlib>
#include <filesystem>
#include <memory>
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

// Loads the driver library at Path, runs its self-registration and unloads it again.
void RunDllRegisterServer(const std::string& Path) {
    void* library = ::dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        throw EAbort("Failed load library: " + Path);
    }
    const std::unique_ptr<void, int (*)(void*)> unload(library, ::dlclose);
    using TDllRegisterServer = int32_t (*)();
    auto* registerServer =
        reinterpret_cast<TDllRegisterServer>(::dlsym(library, "DllRegisterServer"));
    if (registerServer == nullptr) {
        throw EAbort("Failed find DllRegisterServer : " + Path);
    }
    if (registerServer() < 0) {
        throw EAbort("Failed run DllRegisterServer : " + Path);
    }
}

}  // namespace

void TMainForm::FormActivate() {
    if (!FFirstActivate || FActivating || FClosed) {
        return;
    }
    TWorkScope activating(*this, FActivating);
    const TLngMessages& m = LngMessages();
    LoadSettings();
    LoadLngMessages(LngFileName());
    TranslateQtForm(LngFileName(), this);

    if (!CheckOleServer() && !RegisterOleServer()) {
        ErrorBox(FromAnsi(m.S_COMServerNotExist) + "\n" + FromAnsi(m.S_ReinstallProg));
        close();
        return;
    }

    try {
        if (FServices.CreatePrinter) {
            FPrinter = std::make_unique<TThreadPrinter>(FDriverThread, FServices.CreatePrinter);
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
        close();
        return;
    }
    DeleteOldWorkFiles(s.BonFolder, 20);
    DeleteOldFiles(s.BonFolder, "*.rep", 20);

    FFirstActivate = false;
    MinimizeToTray();
    FileReadTimer->start();
}

bool TMainForm::CheckOleServer() {
    try {
        if (!FServices.DriverVersion) {
            throw std::runtime_error("the driver object is not built into this program");
        }
        std::string version;
        FDriverThread.Run([&] { version = FServices.DriverVersion(); });
        return !version.empty();
    } catch (const std::exception& e) {
        Log(std::string("Check OLE server failed: ") + e.what(), true);
        return false;
    }
}

bool TMainForm::RegisterOleServer() {
    Log("AX is not registred. Trying to register now.", false);
    const std::string& folder = Settings().AppFolder;
    const std::string path = folder + kDriverFile;
    try {
        if (!std::filesystem::exists(path)) {
            throw EAbort(std::string("AX driver \"") + kDriverFile + "\" not found in " + folder);
        }
        FDriverThread.Run([&path] { RunDllRegisterServer(path); });
        Log("AX driver succsesfully registred: " + path, false);
        return CheckOleServer();
    } catch (const std::exception& e) {
        Log(std::string("Create OLE server fail: ") + e.what(), true);
        return false;
    }
}

void TMainForm::CheckSettings() {
    const TSettings& s = Settings();
    const TLngMessages& m = LngMessages();
    QString message;
    if (!std::filesystem::is_directory(s.BonFolder)) {
        message = FromAnsi(m.S_EmptyBONPath) + "\n" + FromAnsi(s.BonFolder);
    } else if (!CanWriteToFolder(s.BonFolder)) {
        message = FromAnsi(m.S_CantTestBonFolder) + "\n" + FromAnsi(m.S_BONFolderReadWrite);
    } else if (!IsValidBonFileExt(s.FileExt)) {
        message = FromAnsi(m.S_EmptyFileBonExt);
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

void TMainForm::RequestExit() {
    if (FExitRequested) {
        return;
    }
    FExitRequested = true;
    if (FPrinter) {
        FPrinter->StopTakingFiles();
    }
    // A stop from outside has nobody to answer a box: what waits for the user is cancelled.
    QCoreApplication::instance()->installEventFilter(this);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    ExitWhenIdleLater();
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() == QEvent::Show) {
        if (auto* dialog = qobject_cast<QDialog*>(Watched)) {
            // Once its own event loop runs, when it has one.
            QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(Watched, Event);
}

void TMainForm::ExitWhenIdleLater() {
    if (FExitRequested) {
        QMetaObject::invokeMethod(this, &TMainForm::ExitWhenIdle, Qt::QueuedConnection);
    }
}

void TMainForm::ExitWhenIdle() {
    // Before the first activation the settings are not loaded yet, and closing would write
    // the defaults over them.
    if (FClosed || FFirstActivate || WorkUnderWay()) {
        return;
    }
    close();
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
