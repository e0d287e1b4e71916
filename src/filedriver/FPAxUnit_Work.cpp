#include "FPAxUnit_Work.h"

#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <tuple>

#include "AbortError.h"
#include "ConstUnit.h"
#include "ConstUnit_Program.h"
#include "FPAxUnit_Files.h"
#include "FPAxUnit_Parser.h"
#include "FolderScan.h"
#include "SettingsUnit.h"

namespace {

const char* const kWorkExt = ".$$$";
const char* const kRecordSuffix = ".rec.";
const char* const kRecordKey = "LastRecieptNo=";
const char* const kNoTextLine = "TextSent=0";
const char* const kSerialKey = "Serial=";
const char* const kFiscalNoKey = "FiscalNo=";
const char* const kSumsKey = "FiscalSums=";
const char* const kWorkKey = "WorkFile=";
const char* const kAnswerKey = "Answer=";
const char* const kAnswerLineKey = "AnswerLine=";
// An answer's entry may hold lines joined by a CR alone (an invoice's): each goes on a line of
// its own.
const char* const kAnswerPartKey = "AnswerPart=";
// The longest file name the system takes.
constexpr size_t kNameMax = NAME_MAX;

// The value of the line of Lines that starts with Key.
std::optional<std::string> ValueOf(const std::vector<std::string>& Lines, const std::string& Key) {
    for (const std::string& line : Lines) {
        if (line.starts_with(Key)) {
            return line.substr(Key.size());
        }
    }
    return std::nullopt;
}

std::optional<int64_t> ParseInt64(const std::string& Text) {
    int64_t value = 0;
    const char* end = Text.data() + Text.size();
    const auto [stop, error] = std::from_chars(Text.data(), end, value);
    if (Text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<TFiscalSums> ParseSums(const std::string& Text) {
    TFiscalSums sums;
    size_t start = 0;
    for (;;) {
        const size_t comma = Text.find(',', start);
        const std::optional<int64_t> field = ParseInt64(Text.substr(start, comma - start));
        if (!field) {
            return std::nullopt;
        }
        sums.push_back(*field);
        if (comma == std::string::npos) {
            return sums;
        }
        start = comma + 1;
    }
}

// 64-bit FNV-1a, in 16 hex digits.
std::string Digest(const std::string& Text) {
    uint64_t hash = 14695981039346656037ULL;
    for (const char c : Text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// Only a file answers: a folder in an answer's place keeps it from being written.
bool IsAnswer(const std::string& Path) {
    struct stat info {};
    return ::stat(Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool EndsWith(const std::string& Name, const std::string& Suffix) {
    return Name.size() > Suffix.size() &&
           Name.compare(Name.size() - Suffix.size(), Suffix.size(), Suffix) == 0;
}

}  // namespace

std::string WorkFileName(const std::string& Path) {
    return ChangeFileExt(Path, kWorkExt);
}

std::string RecordFileName(const std::string& Path) {
    const std::string work = WorkFileName(Path);
    const size_t slash = work.rfind('/') + 1;  // 0 without a folder
    const std::string name = work.substr(slash) + kRecordSuffix;
    if (name.size() <= kNameMax) {
        return work + kRecordSuffix;
    }
    std::string tail = "~";
    tail += Digest(name);
    tail += kRecordSuffix;
    return work.substr(0, slash) + name.substr(0, kNameMax - tail.size()) + tail;
}

std::string WorkFileOfRecord(const std::string& RecordPath) {
    const std::string folder = RecordPath.substr(0, RecordPath.rfind('/') + 1);
    std::optional<std::string> name;
    try {
        name = ValueOf(LoadTextLines(RecordPath), kWorkKey);
    } catch (const EAbort&) {
        name.reset();
    }
    // Records of earlier versions name no work file: theirs is their name without the suffix.
    return name ? folder + *name
                : RecordPath.substr(0, RecordPath.size() - std::string(kRecordSuffix).size());
}

std::string WriteReceiptRecord(const std::string& Path, const TReceiptRecord& Record) {
    const std::string work = WorkFileName(Path);
    std::string text = kRecordKey + std::to_string(Record.LastRecieptNo) + "\r\n";
    if (!Record.TextSent) {
        text += kNoTextLine + std::string("\r\n");
    }
    if (Record.Serial) {
        text += kSerialKey + *Record.Serial + "\r\n" + kFiscalNoKey + Record.FiscalNo + "\r\n";
    }
    if (Record.FiscalSums) {
        std::string sums;
        for (const int64_t sum : *Record.FiscalSums) {
            if (!sums.empty()) {
                sums += ',';
            }
            sums += std::to_string(sum);
        }
        text += kSumsKey + sums + "\r\n";
    }
    text += kWorkKey + work.substr(work.rfind('/') + 1) + "\r\n";
    if (!Record.AnswerExt.empty()) {
        text += kAnswerKey + Record.AnswerExt + "\r\n";
        for (const std::string& line : Record.AnswerLines) {
            const char* key = kAnswerLineKey;
            size_t start = 0;
            for (size_t cr = line.find('\r'); cr != std::string::npos;
                 cr = line.find('\r', start)) {
                text += key + line.substr(start, cr - start) + "\r\n";
                key = kAnswerPartKey;
                start = cr + 1;
            }
            text += key + line.substr(start) + "\r\n";
        }
    }
    return SaveFileDurably(text, RecordFileName(Path));
}

std::optional<TReceiptRecord> ReadReceiptRecord(const std::string& Path) {
    std::vector<std::string> lines;
    try {
        lines = LoadTextLines(RecordFileName(Path));
    } catch (const EAbort&) {
        return std::nullopt;
    }
    const std::optional<std::string> text = ValueOf(lines, kRecordKey);
    const std::optional<int64_t> number = text ? ParseInt64(*text) : std::nullopt;
    if (!number || *number < INT32_MIN || *number > INT32_MAX) {
        return std::nullopt;
    }
    TReceiptRecord record;
    record.LastRecieptNo = static_cast<int32_t>(*number);
    record.TextSent = std::find(lines.begin(), lines.end(), kNoTextLine) == lines.end();
    const std::optional<std::string> fiscalNo = ValueOf(lines, kFiscalNoKey);
    record.Serial = ValueOf(lines, kSerialKey);
    if (record.Serial && fiscalNo) {
        record.FiscalNo = *fiscalNo;
    } else {
        record.Serial.reset();
    }
    record.AnswerExt = ValueOf(lines, kAnswerKey).value_or("");
    const std::string lineKey = kAnswerLineKey;
    const std::string partKey = kAnswerPartKey;
    for (const std::string& line : lines) {
        if (line.starts_with(lineKey)) {
            record.AnswerLines.push_back(line.substr(lineKey.size()));
        } else if (line.starts_with(partKey) && !record.AnswerLines.empty()) {
            record.AnswerLines.back() += '\r';
            record.AnswerLines.back().append(line, partKey.size());
        }
    }
    if (const std::optional<std::string> sums = ValueOf(lines, kSumsKey)) {
        // Unreadable sums tell nothing: the record then cannot be compared.
        record.FiscalSums = ParseSums(*sums);
        if (!record.FiscalSums) {
            record.Serial.reset();
        }
    }
    return record;
}

std::string ReceiptFolder() {
    std::string folder = Settings().BonFolder;
    AppendFolderDelimiter(folder);
    return folder;
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
    return IsAnswer(ChangeFileExt(Path, ".rep"));
}

bool HasErrFile(const std::string& Path) {
    return IsAnswer(ChangeFileExt(Path, ".err"));
}

void DeleteOldWorkFiles(const std::string& Folder, int Days) {
    DeleteOldFiles(Folder, std::string("*") + kWorkExt, Days,
                   [&](const std::string& name) { return HasErrFile(Folder + name); });
    DeleteOldFiles(Folder, std::string("*") + kRecordSuffix, Days, [&](const std::string& name) {
        const std::string work = WorkFileOfRecord(Folder + name);
        return !PathExists(work) || HasErrFile(work) || HasRepFile(work);
    });
}
