#include "FPAxUnit_Work.h"

#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "AbortError.h"
#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "FPAxUnit_Files.h"
#include "FPAxUnit_Parser.h"
#include "FolderScan.h"

namespace {

const char* const kWorkExt = ".$$$";
const char* const kRecordSuffix = ".rec.";
const char* const kRecordKey = "LastRecieptNo=";
const char* const kNoTextLine = "TextSent=0";

bool EndsWith(const std::string& Name, const std::string& Suffix) {
    return Name.size() > Suffix.size() &&
           Name.compare(Name.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}

}  // namespace

std::string WorkFileName(const std::string& Path) {
    return ChangeFileExt(Path, kWorkExt);
}

std::string RecordFileName(const std::string& Path) {
    return WorkFileName(Path) + kRecordSuffix;
}

void WriteReceiptRecord(const std::string& Path, const TReceiptRecord& Record) {
    std::string text = kRecordKey + std::to_string(Record.LastRecieptNo) + "\r\n";
    if (!Record.TextSent) {
        text += kNoTextLine + std::string("\r\n");
    }
    SaveFileDurably(text, RecordFileName(Path));
}

std::optional<TReceiptRecord> ReadReceiptRecord(const std::string& Path) {
    std::vector<std::string> lines;
    try {
        lines = LoadTextLines(RecordFileName(Path));
    } catch (const EAbort&) {
        return std::nullopt;
    }
    const std::string key = kRecordKey;
    std::optional<TReceiptRecord> record;
    for (const std::string& line : lines) {
        if (line.compare(0, key.size(), key) == 0) {
            const std::string value = line.substr(key.size());
            // A value that is no number reads as either default: it is no record.
            if (StrToIntDef(value, 0) == StrToIntDef(value, 1)) {
                record = TReceiptRecord{StrToIntDef(value, 0)};
            }
        }
    }
    if (record && std::find(lines.begin(), lines.end(), kNoTextLine) != lines.end()) {
        record->TextSent = false;
    }
    return record;
}

std::vector<std::string> WorkFilesIn(const std::string& Folder) {
    struct TEntry {
        int64_t MTimeNs;
        std::string Name;
    };
    std::vector<TEntry> entries;
    ScanFolder(Folder, [&](const std::string& name, const struct stat& info) {
        if (S_ISREG(info.st_mode) && EndsWith(name, kWorkExt)) {
            entries.push_back(
                {static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
                 name});
        }
    });
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        return std::tie(a.MTimeNs, a.Name) < std::tie(b.MTimeNs, b.Name);
    });
    std::vector<std::string> names;
    for (const TEntry& entry : entries) {
        names.push_back(Folder + entry.Name);
    }
    return names;
}

bool HasRepFile(const std::string& Path) {
    return PathExists(ChangeFileExt(Path, ".rep"));
}

bool HasErrFile(const std::string& Path) {
    return PathExists(ChangeFileExt(Path, ".err"));
}

void DeleteOldWorkFiles(const std::string& Folder, int Days) {
    DeleteOldFiles(Folder, std::string("*") + kWorkExt, Days,
                   [&](const std::string& name) { return HasErrFile(Folder + name); });
    DeleteOldFiles(Folder, std::string("*") + kWorkExt + kRecordSuffix, Days,
                   [&](const std::string& name) {
                       const std::string work =
                           Folder + name.substr(0, name.size() - std::string(kRecordSuffix).size());
                       return !PathExists(work) || HasErrFile(work) || HasRepFile(work);
                   });
}
