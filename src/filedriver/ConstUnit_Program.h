#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The program's settings and file helpers, beside the shared helper routines of the driver's
// ConstUnit (version, module path, address check). The program logs through WriteLogInFolder,
// whose first call fixes the log folder, given as it is, for the whole run.

// Pay type FromType of a receipt file is paid as ToType; FromType 0 marks a pair not in use.
struct TPayTypePair {
    int32_t FromType = 0;
    int32_t ToType = 0;

    bool operator==(const TPayTypePair&) const = default;
};

constexpr int PayTypeCount = 11;

// The program's settings, with their values before the settings file is read.
struct TSettings {
    std::string AppFolder;  // the program's folder, with a trailing "/"
    std::string BonFolder;
    std::string FileExt;  // without the dot
    std::string ComPort;
    int32_t BaudRate = 0;
    std::string DevicesToWorkWith;  // serial numbers of the printers to prefer
    bool AutoSearch = false;
    std::string IPAddress;
    int32_t TCPPort = 0;
    std::string LogFolder;
    bool LogEnabled = false;
    bool UseTCP = false;
    int32_t CheckPrnInterval = 0;  // minutes, 0 = no check
    std::string CashierPass;
    bool SellByDepartNo = false;
    bool ErrTextInErrFile = false;
    std::string AxLogDir;                                 // the driver object's log path
    std::array<TPayTypePair, PayTypeCount> PayTypeMap{};  // pair N - 1 for pay type N

    bool operator==(const TSettings&) const = default;
};

// The process-wide settings.
TSettings& Settings();
// Back to the values before loading (tests).
void ResetSettings();

inline constexpr const char* FPInfoFileName = "FPInfo.txt";

// Text compared without regard to (ASCII) case, as the program's sorted lists compare it:
// below 0, 0 or above 0.
int CompareText(const std::string& A, const std::string& B);
bool SameText(const std::string& A, const std::string& B);

// The port search prefers a printer whose serial number occurs, without regard to (ASCII) case,
// anywhere in DevicesToWorkWith; an empty serial number is never preferred.
bool IsWantedDevice(const std::string& Serial, const std::string& DevicesToWorkWith);

// The settings and language files beside the program: "Ostrelin.ini", "Ostrelin.Lng".
std::string AppIniFileName();
std::string AppLngFileName();

// An extension that could name the program's own work or answer files, match more than one
// extension or leave the receipt folder is no receipt-file extension: empty, a dot, a blank, a
// wildcard or a path separator in it, or "rep", "err" or "$$$".
bool IsValidBonFileExt(const std::string& Ext);

// Fills List, sorted, with "<MS-DOS time stamp>\t<file name>" for every regular file of Folder
// with the extension Settings().FileExt and a size above 0: oldest first, then by name.
// A missing folder gives an empty list; other failures raise EAbort "[SelectBonFiles]...".
void SelectBonFiles(const std::string& Folder, std::vector<std::string>& List);

// Creates and removes Folder + "chktmp.txt"; False when that cannot be done (or the file
// already exists, which is then left alone).
bool CanWriteToFolder(const std::string& Folder);

// Deletes the files of Folder matching Mask (such as "*.rep") last written more than Days days
// ago, those MayDelete (when given) allows by name; returns the number of files it tried to
// delete. Never raises.
int DeleteOldFiles(const std::string& Folder, const std::string& Mask, int Days,
                   const std::function<bool(const std::string& Name)>& MayDelete = {});
