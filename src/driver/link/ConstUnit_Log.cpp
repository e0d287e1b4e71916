#include <filesystem>

#include "ConstUnit.h"

std::unique_ptr<TFileLogger> GlobalLogger;

void WriteLogInFolder(const std::string& Msg, const std::string& Folder, TLogKind Kind) {
    if (!GlobalLogger) {
        auto logger = std::make_unique<TFileLogger>(1);
        logger->FLogDir = Folder;
        logger->FBaseName = GetModulePath(true);
        if (!Folder.empty()) {
            // One level only; when it fails the lines are lost, as with any other I/O failure.
            std::error_code ignored;
            std::filesystem::create_directory(Folder, ignored);
        }
        logger->Open(true);
        GlobalLogger = std::move(logger);
    }
    switch (Kind) {
        case lkError:
            GlobalLogger->LogError(Msg);
            break;
        case lkWarning:
            GlobalLogger->LogWarning(Msg);
            break;
        case lkInfo:
            GlobalLogger->LogInfo(Msg);
            break;
        default:
            break;
    }
}

void WriteLog(const std::string& Msg, const std::string& LogPath, TLogKind Kind) {
    WriteLogInFolder(Msg, ExtractFileDir(LogPath), Kind);
}
