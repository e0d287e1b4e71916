#pragma once

#include <cstdint>
#include <string>

enum TLogKind : uint8_t { lkError = 0, lkWarning = 1, lkInfo = 2 };

// The tag of a kind in a log line: "ERROR", "WARNING", "INFO".
std::string LogKindName(TLogKind Kind);

// Writes one time-stamped, kind-tagged line per call into the module's log file, opening and
// closing the file for each line, starts a new file once one grows too big and deletes its own
// files once they are old.
class TFileLogger {
public:
    explicit TFileLogger(uint8_t Mode);
    // Purges old files first.
    ~TFileLogger();
    TFileLogger(const TFileLogger&) = delete;
    TFileLogger& operator=(const TFileLogger&) = delete;

    // Completes FLogDir with "/", names the log file after FBaseName ("Kalvora.so" gives
    // "Kalvora_Log.txt") and purges old files.
    void Open(bool Active);

    void LogError(const std::string& Msg);
    void LogWarning(const std::string& Msg);
    void LogInfo(const std::string& Msg);
    // Prefix and Msg are trimmed first.
    void LogErrorEx(const std::string& Prefix, const std::string& Msg);
    void LogWarningEx(const std::string& Prefix, const std::string& Msg);
    void LogInfoEx(const std::string& Prefix, const std::string& Msg);

    // Builds and appends one line; its length, or 0 when logging is off.
    int LogLine(const std::string& FileName, const std::string& Prefix, const std::string& Msg,
                TLogKind Kind);
    // Appends Line and CR LF to the file of that name in FLogDir, then rotates the file once it
    // holds more than FMaxBlocks whole blocks of 128 bytes. An I/O failure loses the line; any
    // other failure is an EAbort "Fail post log to file: ...".
    void AppendLine(const std::string& FileName, const std::string& Line);
    // Deletes the logger's own files in FLogDir (its log file and the rotated ones) whose last
    // write is more than FDaysToKeep days ago; the number deleted. Never raises.
    int PurgeOldFiles();

    uint8_t FMode;
    std::string FSeparator = ". ";
    bool FActive = true;
    bool FFlattenText = true;
    bool FTimeStamp = true;
    std::string FLogDir;
    std::string FBaseName;
    int32_t FDaysToKeep = 30;
    std::string FLogFileName;
    uint32_t FMaxBlocks = 600;

private:
    bool IsOwnFile(const std::string& Name) const;
};
